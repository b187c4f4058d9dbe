#include "engine/script_message.h"

#include "app/installer_state.h"
#include "base/message_box.h"

bool ShowScriptMessage(HWND owner, const WString& textLine, const WString& kind) {
    WString text(textLine);
    text.Replace(L"\\n", L"\r\n", false);
    struct Kind {
        const wchar_t* name;
        UINT style;
    };
    static const Kind kKinds[] = {
        {L"Warning", MB_OK | MB_ICONWARNING},     {L"Information", MB_OK | MB_ICONINFORMATION},
        {L"Question", MB_OK | MB_ICONQUESTION},   {L"Error", MB_OK | MB_ICONERROR},
        {L"QuestionYesNo", MB_YESNO | MB_ICONQUESTION},
    };
    UINT style = MB_OK;
    for (const Kind& k : kKinds)
        if (Compare(kind, k.name, false) == 0) style = k.style;
    int answer = ShowMessage(owner, text, state.caption, style);
    return !(style == (MB_YESNO | MB_ICONQUESTION) && answer == IDNO);
}
