#pragma once

#include "platform/qt_control_layer.h"

#include <memory>
#include <string_view>

class QApplication;

namespace bk {

// The toolkit for one run of the program: the application object, its look, and the control
// layer. Without a display it ends the process with one line on standard error instead of the
// toolkit's abort: noDisplay when none is named, unreachableDisplay (a printf format whose %s
// names the display) when the one named cannot be reached.
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

    QtControlLayer& controls() { return *controls_; }

    // Gives the application the font and style under which every caption fits its control.
    static void ApplyLook();
    // Lets the toolkit's own texts (the folder chooser, the menus of text fields) speak German,
    // from the translations installed with Qt; false when none are installed.
    static bool SpeakGerman();

  private:
    std::unique_ptr<QApplication> application_;
    std::unique_ptr<QtControlLayer> controls_;
};

} // namespace bk
