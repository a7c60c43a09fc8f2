#pragma once

#include "platform/control_layer.h"

namespace bk {

inline constexpr int ClientWidth = 640;
inline constexpr int ClientHeight = 480;
inline constexpr int StatusBarHeight = 20;

// Opens the main window with its status bar and every control at its fixed place. False when
// the window or the status bar cannot be made; a single control that fails just stays absent.
bool CreateMainWindow(ControlLayer& controls);

} // namespace bk
