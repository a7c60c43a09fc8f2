#include "platform/win32_gui_busy_input.h"

namespace bk {

namespace {

bool IsKeyboardInput(UINT message) {
    return message >= WM_KEYFIRST && message <= WM_KEYLAST;
}

bool IsPointerInput(UINT message) {
    return (message >= WM_MOUSEFIRST && message <= WM_MOUSELAST) ||
           (message >= WM_NCMOUSEMOVE && message <= WM_NCXBUTTONDBLCLK) || message == WM_TOUCH ||
           (message >= WM_POINTERUPDATE && message <= WM_POINTERUP) || message == WM_POINTERWHEEL ||
           message == WM_POINTERHWHEEL;
}

bool IsRelease(UINT message) {
    switch (message) {
    case WM_KEYUP:
    case WM_LBUTTONUP:
    case WM_RBUTTONUP:
    case WM_MBUTTONUP:
    case WM_XBUTTONUP:
        return true;
    default:
        return false;
    }
}

} // namespace

bool IsDroppedWhileBusy(UINT message, WPARAM detail) {
    if (message == WM_NCLBUTTONDOWN) {
        return detail != HTCLOSE;
    }
    if (message == WM_SYSKEYDOWN) {
        return detail != VK_F4;
    }
    if (IsRelease(message)) {
        return false;
    }
    return IsKeyboardInput(message) || IsPointerInput(message);
}

} // namespace bk
