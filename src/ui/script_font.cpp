#include "ui/script_font.h"

#include <wchar.h>

#include "ui/font.h"
#include "ui/gdi_objects.h"

namespace {

struct Script {
    const wchar_t* primary;
    BYTE charset;
    const wchar_t* faces[4];
};

// Newest first: Vista and later have the first two, Windows XP the others.
const Script kScripts[] = {
    {L"ja", SHIFTJIS_CHARSET, {L"Meiryo UI", L"Meiryo", L"MS UI Gothic", L"MS PGothic"}},
    {L"zh", GB2312_CHARSET, {L"Microsoft YaHei UI", L"Microsoft YaHei", L"SimSun", L"NSimSun"}},
    {L"ko", HANGUL_CHARSET, {L"Malgun Gothic", L"Gulim", L"Dotum", L"Batang"}},
};

// Chosen once while the process starts, before any window exists.
bool g_active = false;
wchar_t g_face[LF_FACESIZE];
BYTE g_charset = DEFAULT_CHARSET;
// The controls' font, made at the first dialog; lives as long as the process.
Font g_controlsFont;

int CALLBACK TakeFirst(const LOGFONTW* font, const TEXTMETRICW*, DWORD, LPARAM found) {
    // "@" faces are the vertical variants.
    if (font->lfFaceName[0] == L'@') return 1;
    wcsncpy((wchar_t*)found, font->lfFaceName, LF_FACESIZE - 1);
    return 0;
}

bool SystemHas(HDC dc, const wchar_t* face, BYTE charset, wchar_t* found) {
    LOGFONTW wanted = {};
    wanted.lfCharSet = charset;
    wcsncpy(wanted.lfFaceName, face, LF_FACESIZE - 1);
    found[0] = 0;
    EnumFontFamiliesExW(dc, &wanted, TakeFirst, (LPARAM)found, 0);
    return found[0] != 0;
}

}  // namespace

void UseScriptOf(const wchar_t* languageTag) {
    g_active = false;
    const Script* script = nullptr;
    for (const Script& s : kScripts)
        if (!_wcsnicmp(languageTag, s.primary, 2) && (!languageTag[2] || languageTag[2] == L'-'))
            script = &s;
    if (!script) return;
    WindowDC screen(nullptr);
    wchar_t found[LF_FACESIZE] = L"";
    bool have = false;
    for (const wchar_t* face : script->faces)
        if (!have && SystemHas(screen.Handle(), face, script->charset, found)) have = true;
    // Any face of the script's character set; with none at all, the
    // system's choice for that set.
    if (!have) SystemHas(screen.Handle(), L"", script->charset, found);
    wcscpy(g_face, found);
    g_charset = script->charset;
    g_active = true;
}

void ApplyScriptFace(LOGFONTW& font) {
    if (!g_active || _wcsicmp(font.lfFaceName, L"Tahoma") != 0) return;
    wcscpy(font.lfFaceName, g_face);
    font.lfCharSet = g_charset;
}

void ApplyScriptFontToControls(HWND dialog) {
    if (!g_active) return;
    if (!g_controlsFont.Handle()) {
        HFONT current = (HFONT)SendMessageW(dialog, WM_GETFONT, 0, 0);
        LOGFONTW& font = g_controlsFont.logFont;
        if (!current || !GetObjectW(current, sizeof font, &font)) return;
        wcscpy(font.lfFaceName, g_face);
        font.lfCharSet = g_charset;
        // Made anew from logFont, at the template font's own weight.
        if (!g_controlsFont.SetWeight(font.lfWeight)) return;
    }
    for (HWND child = GetWindow(dialog, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT))
        SendMessageW(child, WM_SETFONT, (WPARAM)g_controlsFont.Handle(), FALSE);
}
