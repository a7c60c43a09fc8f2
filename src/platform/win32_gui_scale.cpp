#include "platform/win32_gui_scale.h"

#include "platform/win32_gui_gdi.h"

namespace bk {

namespace {

constexpr int DesignDpi = 96;

} // namespace

DisplayScale DisplayScale::OfSystem() {
    const WindowContext screen(nullptr);
    const int dpi = screen.get() != nullptr ? GetDeviceCaps(screen.get(), LOGPIXELSX) : 0;
    return DisplayScale(dpi > 0 ? dpi : DesignDpi);
}

int DisplayScale::pixels(int designed) const {
    return MulDiv(designed, dpi_, DesignDpi);
}

RECT DisplayScale::bounds(Rect designed) const {
    return RECT{pixels(designed.x), pixels(designed.y), pixels(designed.x + designed.width),
                pixels(designed.y + designed.height)};
}

} // namespace bk
