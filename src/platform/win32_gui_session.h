#pragma once

#include "platform/control_layer.h"

#include <memory>
#include <string_view>

namespace bk {

class ComApartment;
class Win32ControlLayer;

// What one run of the program needs of the system before its window opens: COM for the shell's
// folder picker, the common controls, and the control layer. Windows always has a desktop, so
// the startup texts about a missing display are never shown here.
class DesktopSession {
  public:
    struct StartupTexts {
        std::string_view noDisplay;
        std::string_view unreachableDisplay;
    };
    DesktopSession(int& argc, char** argv, StartupTexts texts);
    ~DesktopSession();
    DesktopSession(const DesktopSession&) = delete;
    DesktopSession& operator=(const DesktopSession&) = delete;

    ControlLayer& controls();

  private:
    std::unique_ptr<ComApartment> apartment_;
    std::unique_ptr<Win32ControlLayer> controls_; // goes before COM does
};

} // namespace bk
