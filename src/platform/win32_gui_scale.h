#pragma once

#include "platform/control_layer.h"

#include <windows.h>

namespace bk {

// The window is laid out in pixels of a 96-DPI screen. The program declares itself aware of the
// system's DPI, so Windows does not stretch its bitmap; every rectangle, width and field edge is
// scaled here instead, and the layout keeps its proportions at 125 % and 150 %. At 96 DPI every
// value stays as it is.
class DisplayScale {
  public:
    // The DPI of the screen the session started on.
    static DisplayScale OfSystem();
    explicit DisplayScale(int dpi) : dpi_(dpi) {}

    int pixels(int designed) const;
    // Edges are scaled, not sizes, so that controls side by side stay side by side.
    RECT bounds(Rect designed) const;

  private:
    int dpi_;
};

} // namespace bk
