#include "platform/win32_gui_control_kinds.h"

#include "platform/win32_text.h"

#include <commctrl.h>

namespace bk {

namespace {

// Every control is a visible child; every one the keyboard can use is a tab stop, and each starts
// a group of its own, so that the arrow keys stay inside the control that has the focus.
constexpr DWORD Child = WS_CHILD | WS_VISIBLE;
constexpr DWORD TabStop = WS_TABSTOP | WS_GROUP;

} // namespace

ControlShape ShapeOf(ControlKind kind) {
    switch (kind) {
    case ControlKind::Button:
        return {L"BUTTON", Child | TabStop | BS_PUSHBUTTON, 0};
    case ControlKind::TextField:
        return {L"EDIT", Child | TabStop | ES_LEFT | ES_AUTOHSCROLL, WS_EX_CLIENTEDGE};
    case ControlKind::Label:
        // Captions are plain text: an ampersand is shown, never read as a mnemonic.
        return {L"STATIC", Child | WS_GROUP | SS_LEFT | SS_NOPREFIX, 0};
    case ControlKind::ListBox:
        return {L"LISTBOX",
                Child | TabStop | WS_VSCROLL | WS_HSCROLL | LBS_NOTIFY | LBS_HASSTRINGS |
                    LBS_NOINTEGRALHEIGHT,
                WS_EX_CLIENTEDGE};
    case ControlKind::ReportList:
        return {WC_LISTVIEWW, Child | WS_TABSTOP | LVS_REPORT | LVS_SINGLESEL | LVS_SHAREIMAGELISTS,
                WS_EX_CLIENTEDGE};
    case ControlKind::ProgressBar:
        return {PROGRESS_CLASSW, Child | PBS_SMOOTH | PBS_VERTICAL, 0};
    }
    return {L"STATIC", Child, 0};
}

bool IsUserCommand(ControlKind kind, UINT notification) {
    switch (kind) {
    case ControlKind::Button:
        return notification == BN_CLICKED;
    case ControlKind::TextField:
        return notification == EN_CHANGE;
    case ControlKind::ListBox:
        return notification == LBN_SELCHANGE || notification == LBN_DBLCLK;
    default:
        // The report list speaks through notifications; labels and bars say nothing.
        return false;
    }
}

std::string WindowText(HWND window) {
    const int length = GetWindowTextLengthW(window);
    if (length <= 0) {
        return {};
    }
    std::wstring text(static_cast<std::size_t>(length) + 1, L'\0');
    const int copied = GetWindowTextW(window, text.data(), length + 1);
    text.resize(static_cast<std::size_t>(copied > 0 ? copied : 0));
    return ByteText(text);
}

} // namespace bk
