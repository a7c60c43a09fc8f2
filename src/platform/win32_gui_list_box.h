#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <windows.h>

namespace bk {

// The rows of a list box: one text each, at most one selected.
namespace list_box {

// position -1 (or past the end) appends.
void Insert(HWND list, std::int64_t position, std::string_view text);
void Remove(HWND list, std::int64_t row);
void Clear(HWND list);
std::int64_t Count(HWND list);
// -1 when no row is selected.
std::int64_t Selected(HWND list);
// -1, or a row that does not exist, leaves no row selected.
void Select(HWND list, std::int64_t row);
std::string SelectedText(HWND list);
// Selects the first row whose whole text is this one, letter case ignored; none: no selection.
void SelectText(HWND list, std::string_view text);
// The row keeps its place, and its selection.
void Replace(HWND list, std::int64_t row, std::string_view text);

} // namespace list_box

} // namespace bk
