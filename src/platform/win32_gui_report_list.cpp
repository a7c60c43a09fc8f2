#include "platform/win32_gui_report_list.h"

#include "platform/win32_text.h"

#include <commctrl.h>

namespace bk::report_list {

namespace {

// Longer cell texts are cut when read back.
constexpr std::size_t MaxCellText = 60000;

LRESULT Send(HWND list, UINT message, WPARAM first = 0, LPARAM second = 0) {
    return SendMessageW(list, message, first, second);
}

bool Exists(HWND list, std::int64_t row) {
    return row >= 0 && row < Count(list);
}

void SetCellWide(HWND list, std::int64_t row, int column, const std::wstring& text) {
    LVITEMW cell{};
    cell.iSubItem = column;
    cell.pszText = const_cast<wchar_t*>(text.c_str());
    Send(list, LVM_SETITEMTEXTW, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(&cell));
}

void SetCells(HWND list, std::int64_t row, const std::vector<std::string_view>& texts,
              std::size_t firstColumn) {
    const auto columns = static_cast<std::size_t>(ColumnCount(list));
    for (std::size_t column = firstColumn; column < texts.size() && column < columns; ++column) {
        SetCellWide(list, row, static_cast<int>(column), WideText(texts[column]));
    }
}

void SetRowState(HWND list, std::int64_t row, UINT state, UINT mask) {
    LVITEMW item{};
    item.stateMask = mask;
    item.state = state;
    Send(list, LVM_SETITEMSTATE, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(&item));
}

std::string CellText(HWND list, std::int64_t row, int column) {
    std::wstring buffer(256, L'\0');
    for (;;) {
        LVITEMW cell{};
        cell.iSubItem = column;
        cell.pszText = buffer.data();
        cell.cchTextMax = static_cast<int>(buffer.size());
        const LRESULT length =
            Send(list, LVM_GETITEMTEXTW, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(&cell));
        const auto copied = static_cast<std::size_t>(length > 0 ? length : 0);
        // A text that filled the buffer may have been cut: read it again into a larger one.
        if (copied + 1 < buffer.size() || buffer.size() >= MaxCellText) {
            buffer.resize(copied);
            return ByteText(buffer);
        }
        buffer.resize(buffer.size() * 2);
    }
}

} // namespace

void SetUp(HWND list) {
    Send(list, LVM_SETEXTENDEDLISTVIEWSTYLE, LVS_EX_FULLROWSELECT, LVS_EX_FULLROWSELECT);
}

bool InsertColumn(HWND list, int position, std::string_view title, int width) {
    std::wstring text = WideText(title);
    LVCOLUMNW column{};
    column.mask = LVCF_FMT | LVCF_WIDTH | LVCF_TEXT | LVCF_SUBITEM;
    column.fmt = LVCFMT_LEFT;
    column.cx = width;
    column.pszText = text.data();
    column.iSubItem = position;
    return Send(list, LVM_INSERTCOLUMNW, static_cast<WPARAM>(position),
                reinterpret_cast<LPARAM>(&column)) >= 0;
}

int ColumnCount(HWND list) {
    const auto header = reinterpret_cast<HWND>(Send(list, LVM_GETHEADER));
    if (header == nullptr) {
        return 0;
    }
    const LRESULT count = SendMessageW(header, HDM_GETITEMCOUNT, 0, 0);
    return count > 0 ? static_cast<int>(count) : 0;
}

std::vector<std::string_view> ColumnTexts(std::string_view text) {
    std::vector<std::string_view> parts;
    std::size_t start = 0;
    for (;;) {
        const std::size_t end = text.find('\n', start);
        if (end == std::string_view::npos) {
            if (start < text.size() || parts.empty()) {
                parts.push_back(text.substr(start));
            }
            return parts;
        }
        parts.push_back(text.substr(start, end - start));
        start = end + 1;
    }
}

void Insert(HWND list, std::int64_t position, std::string_view text) {
    const std::vector<std::string_view> texts = ColumnTexts(text);
    std::wstring first = WideText(texts.front());
    LVITEMW item{};
    item.mask = LVIF_TEXT;
    const std::int64_t count = Count(list);
    item.iItem = static_cast<int>(position >= 0 && position < count ? position : count);
    item.pszText = first.data();
    const LRESULT row = Send(list, LVM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(&item));
    if (row >= 0) {
        SetCells(list, row, texts, 1);
    }
}

void Remove(HWND list, std::int64_t row) {
    if (Exists(list, row)) {
        Send(list, LVM_DELETEITEM, static_cast<WPARAM>(row));
    }
}

void Clear(HWND list) {
    Send(list, LVM_DELETEALLITEMS);
}

std::int64_t Count(HWND list) {
    const LRESULT count = Send(list, LVM_GETITEMCOUNT);
    return count > 0 ? count : 0;
}

void SetCell(HWND list, std::int64_t row, int column, std::string_view text) {
    if (Exists(list, row) && column >= 0 && column < ColumnCount(list)) {
        SetCellWide(list, row, column, WideText(text));
    }
}

std::int64_t FocusedRow(HWND list) {
    const LRESULT row = Send(list, LVM_GETNEXTITEM, WPARAM(-1), LVNI_FOCUSED);
    return row >= 0 ? row : -1;
}

void FocusRow(HWND list, std::int64_t row) {
    const std::int64_t focused = FocusedRow(list);
    if (focused >= 0) {
        SetRowState(list, focused, 0, LVIS_FOCUSED | LVIS_SELECTED);
    }
    if (row < 0) {
        return;
    }
    if (Exists(list, row)) {
        SetRowState(list, row, LVIS_FOCUSED | LVIS_SELECTED, LVIS_FOCUSED | LVIS_SELECTED);
        Send(list, LVM_ENSUREVISIBLE, static_cast<WPARAM>(row), FALSE);
    }
    SetFocus(list);
}

std::string FocusedText(HWND list) {
    const std::int64_t row = FocusedRow(list);
    return row >= 0 ? CellText(list, row, 0) : std::string();
}

void SetFocusedTexts(HWND list, std::string_view text) {
    const std::int64_t row = FocusedRow(list);
    if (row >= 0) {
        SetCells(list, row, ColumnTexts(text), 0);
    }
}

bool IsRowChoice(const NMHDR& notification) {
    switch (notification.code) {
    case NM_CLICK:
    case NM_DBLCLK:
        return reinterpret_cast<const NMITEMACTIVATE&>(notification).iItem >= 0;
    case LVN_ITEMACTIVATE:
        return true;
    case LVN_ITEMCHANGED: {
        const auto& change = reinterpret_cast<const NMLISTVIEW&>(notification);
        return (change.uChanged & LVIF_STATE) != 0 && (change.uNewState & LVIS_FOCUSED) != 0 &&
               (change.uOldState & LVIS_FOCUSED) == 0;
    }
    default:
        return false;
    }
}

} // namespace bk::report_list
