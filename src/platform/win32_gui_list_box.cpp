#include "platform/win32_gui_list_box.h"

#include "platform/win32_gui_gdi.h"
#include "platform/win32_text.h"

namespace bk::list_box {

namespace {

LRESULT Send(HWND list, UINT message, WPARAM first = 0, LPARAM second = 0) {
    return SendMessageW(list, message, first, second);
}

bool Exists(HWND list, std::int64_t row) {
    return row >= 0 && row < Count(list);
}

// A list box scrolls sideways only as far as it is told. Rows are never measured again when one
// goes: the reach stays that of the widest row shown since the list was last emptied.
void WidenToFit(HWND list, std::wstring_view text) {
    const int needed = TextMeasure(list).widthOf(text) + 2 * GetSystemMetrics(SM_CXEDGE);
    if (needed > Send(list, LB_GETHORIZONTALEXTENT)) {
        Send(list, LB_SETHORIZONTALEXTENT, static_cast<WPARAM>(needed));
    }
}

void InsertWide(HWND list, std::int64_t position, const std::wstring& text) {
    const WPARAM at =
        position >= 0 && position < Count(list) ? static_cast<WPARAM>(position) : WPARAM(-1);
    Send(list, LB_INSERTSTRING, at, reinterpret_cast<LPARAM>(text.c_str()));
    WidenToFit(list, text);
}

} // namespace

void Insert(HWND list, std::int64_t position, std::string_view text) {
    InsertWide(list, position, WideText(text));
}

void Remove(HWND list, std::int64_t row) {
    if (Exists(list, row)) {
        Send(list, LB_DELETESTRING, static_cast<WPARAM>(row));
    }
}

void Clear(HWND list) {
    Send(list, LB_RESETCONTENT);
    Send(list, LB_SETHORIZONTALEXTENT, 0);
}

std::int64_t Count(HWND list) {
    const LRESULT count = Send(list, LB_GETCOUNT);
    return count > 0 ? count : 0;
}

std::int64_t Selected(HWND list) {
    const LRESULT selected = Send(list, LB_GETCURSEL);
    return selected >= 0 ? selected : -1;
}

void Select(HWND list, std::int64_t row) {
    Send(list, LB_SETCURSEL, Exists(list, row) ? static_cast<WPARAM>(row) : WPARAM(-1));
}

std::string SelectedText(HWND list) {
    const std::int64_t row = Selected(list);
    if (row < 0) {
        return {};
    }
    const LRESULT length = Send(list, LB_GETTEXTLEN, static_cast<WPARAM>(row));
    if (length <= 0) {
        return {};
    }
    std::wstring text(static_cast<std::size_t>(length) + 1, L'\0');
    const LRESULT copied =
        Send(list, LB_GETTEXT, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(text.data()));
    text.resize(static_cast<std::size_t>(copied > 0 ? copied : 0));
    return ByteText(text);
}

void SelectText(HWND list, std::string_view text) {
    const std::wstring wanted = WideText(text);
    const LRESULT found =
        Send(list, LB_FINDSTRINGEXACT, WPARAM(-1), reinterpret_cast<LPARAM>(wanted.c_str()));
    Select(list, found >= 0 ? found : -1);
}

void Replace(HWND list, std::int64_t row, std::string_view text) {
    if (!Exists(list, row)) {
        return;
    }
    const bool wasSelected = Selected(list) == row;
    Send(list, LB_DELETESTRING, static_cast<WPARAM>(row));
    InsertWide(list, row, WideText(text));
    if (wasSelected) {
        Select(list, row);
    }
}

} // namespace bk::list_box
