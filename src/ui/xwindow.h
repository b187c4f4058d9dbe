// XWindow: the base of every top-level window and dialog of the program.
// One object owns at most one window; every message reaching it becomes a
// call of one of the virtual operations below, which derived classes
// override instead of writing window procedures. The declaration order of
// the operations is fixed: derived classes across the program rely on it.
#pragma once

#include <windows.h>
#include <stdint.h>

#include "base/lists.h"
#include "base/sync.h"
#include "base/wstring.h"

struct XTimer {
    uint32_t id;
    int32_t data;
};

class XWindow {
public:
    XWindow();
    virtual ~XWindow();
    XWindow(const XWindow&) = delete;
    XWindow& operator=(const XWindow&) = delete;

    // The base implementations clear `handled` (default processing follows)
    // unless noted; an override leaves it set to report the message handled.
    virtual void OnActivate(HWND other, int minimized, int state);
    virtual void OnClose();
    virtual void OnContextMenu(HWND window, int x, int y);
    virtual void OnCommand(int id, HWND control, int code);  // does nothing
    virtual void OnInit();
    virtual void OnDestroy();
    virtual void OnDeactivate(HWND other, int minimized);
    virtual void OnDrawItem(HWND item, int id, DRAWITEMSTRUCT* draw);
    virtual void OnEraseBackground(HDC dc);
    virtual void OnHide(int status);
    virtual void OnKeyDown(int key, LPARAM data);
    virtual void OnKeyUp(int key, LPARAM data);
    virtual void OnChar(int ch);
    virtual void OnMouseDown(int x, int y, UINT message, WPARAM keys);
    virtual void OnMouseDoubleClick(int x, int y, UINT message, WPARAM keys);
    virtual void OnMouseUp(int x, int y, UINT message, WPARAM keys);
    virtual void OnMouseMove(int x, int y, WPARAM keys);
    virtual void OnMouseWheel(int x, int y, int delta, int keys);
    virtual void OnMove(int x, int y);
    virtual LRESULT OnNotify(NMHDR* header);
    virtual void OnPaint();
    virtual void OnShow(int status);
    virtual void OnSize(int width, int height, int type);
    virtual void OnSysCommand(int command);  // does nothing
    virtual void OnTimer(uint32_t id, int32_t data);
    virtual HBRUSH OnCtlColorStatic();
    virtual HBRUSH OnCtlColorDialog();
    // Sees every message first; setting *handledMark ends its dispatch.
    virtual LRESULT PreDispatch(HWND window, UINT message, WPARAM wParam, LPARAM lParam, int32_t* handledMark);
    // Button clicks and menu commands of the standard ids; do nothing.
    virtual void OnCmdOK();
    virtual void OnCmdCancel();
    virtual void OnCmdAbort();
    virtual void OnCmdClose();
    virtual void OnCmdHelp();
    virtual void OnCmdIgnore();
    virtual void OnCmdNo();
    virtual void OnCmdRetry();
    virtual void OnCmdYes();

    // rect: left, top, right, bottom as for CreateWindowExW.
    HWND CreateAsWindow(DWORD style, DWORD exStyle, HWND parent, const RECT& rect);
    // Modal: the value given to CloseDialog (or DialogBoxParamW's failure
    // result); modeless: 1 when the dialog exists, else 0.
    INT_PTR CreateFromTemplate(int templateId, HWND parent, bool modal);
    void CloseDialog(INT_PTR result);
    void Release();
    static XWindow* FromHandle(HWND window);

    uint32_t StartTimer(uint32_t milliseconds);
    void StopTimer(uint32_t id);

    void Invalidate();
    RECT GetScreenRect() const;
    int GetWidth() const;
    int GetHeight() const;
    bool IsMinimized() const;
    // kKeep for either coordinate keeps the current left or top.
    static const int kKeep = WString::kLast;
    void MoveTo(int x, int y);
    HWND GetItem(int id) const;
    int DialogUnitsX(int n) const;
    int DialogUnitsY(int n) const;

    LRESULT Dispatch(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    void Attach(HWND window, uint8_t dialog);

    int32_t handled;
    HWND hwnd;
    uint8_t isDialog;
    HCURSOR cursor;
    HICON icons[2];
    WString className;
    PtrList timers;
    XTimer* currentTimer;
    MutexHandle timerLock;

private:
    LRESULT DispatchToOperation(UINT message, WPARAM wParam, LPARAM lParam, bool* returnNow);
    void DispatchCommand(WPARAM wParam, LPARAM lParam);
    void DispatchTimer(WPARAM id);
    void DeleteTimers(bool kill);
};

LRESULT CALLBACK XWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
INT_PTR CALLBACK XDialogProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
