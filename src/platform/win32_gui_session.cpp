#include "platform/win32_gui_session.h"

#include "platform/win32_gui_com.h"
#include "platform/win32_gui_control_layer.h"

#include <commctrl.h>

namespace bk {

namespace {

void RegisterCommonControls() {
    INITCOMMONCONTROLSEX classes{};
    classes.dwSize = sizeof(classes);
    classes.dwICC =
        ICC_LISTVIEW_CLASSES | ICC_PROGRESS_CLASS | ICC_BAR_CLASSES | ICC_STANDARD_CLASSES;
    InitCommonControlsEx(&classes);
}

} // namespace

DesktopSession::DesktopSession(int&, char**, StartupTexts)
    : apartment_(std::make_unique<ComApartment>()) {
    RegisterCommonControls();
    controls_ = std::make_unique<Win32ControlLayer>();
}

DesktopSession::~DesktopSession() {
    controls_.reset();
}

ControlLayer& DesktopSession::controls() {
    return *controls_;
}

} // namespace bk
