#pragma once

#include <windows.h>

namespace bk {

// While a command runs the window takes no input: what the user does meanwhile to the main
// window or its controls is dropped, not replayed once the command ends. This says which queued
// messages are such input. Kept: releases of keys and buttons (they end a press made before the
// command, and a control that saw no press makes nothing of them), and the two close requests, a
// click on the close box and Alt+F4, which are handed out after the command.
bool IsDroppedWhileBusy(UINT message, WPARAM detail);

} // namespace bk
