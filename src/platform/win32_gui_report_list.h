#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>
#include <windows.h>

namespace bk {

// The rows of a report list: texts in titled columns; the row with the focus mark is the one the
// program calls selected.
namespace report_list {

// Full-row selection: a row is chosen by a click anywhere on it, not only on its first column.
void SetUp(HWND list);
// Widths are in pixels of the screen.
bool InsertColumn(HWND list, int position, std::string_view title, int width);
int ColumnCount(HWND list);

// The texts of a row's columns: cut at every line feed; an empty part is an empty column, and a
// final line feed adds no column.
std::vector<std::string_view> ColumnTexts(std::string_view text);

// position -1 (or past the end) appends; the text fills the columns as ColumnTexts cuts it.
void Insert(HWND list, std::int64_t position, std::string_view text);
void Remove(HWND list, std::int64_t row);
void Clear(HWND list);
std::int64_t Count(HWND list);
void SetCell(HWND list, std::int64_t row, int column, std::string_view text);

// -1 when no row has the focus mark.
std::int64_t FocusedRow(HWND list);
// -1 takes focus mark and selection from the row that has them; a row gets both, is scrolled into
// view, and the list takes the keyboard focus.
void FocusRow(HWND list, std::int64_t row);
std::string FocusedText(HWND list);
// Replaces the texts of the row with the focus mark, cut as by ColumnTexts.
void SetFocusedTexts(HWND list, std::string_view text);

// Whether a notification from the list tells that the user chose a row: a click or double click
// on one, its activation, or the focus mark moving to it.
bool IsRowChoice(const NMHDR& notification);

} // namespace report_list

} // namespace bk
