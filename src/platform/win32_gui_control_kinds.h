#pragma once

#include <string>
#include <windows.h>

namespace bk {

enum class ControlKind { Button, TextField, Label, ListBox, ReportList, ProgressBar };

// How a kind of control is made: its window class and styles.
struct ControlShape {
    const wchar_t* windowClass;
    DWORD style;
    DWORD extendedStyle;
};

ControlShape ShapeOf(ControlKind kind);

// Whether a command notification from a control of this kind stands for something the user did
// that the program hears about: a click, a change of the text, a choice in a list.
bool IsUserCommand(ControlKind kind, UINT notification);

// The control's window text as the program's bytes.
std::string WindowText(HWND window);

} // namespace bk
