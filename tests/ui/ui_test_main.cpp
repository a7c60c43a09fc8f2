#include "platform/qt_desktop_session.h"

#include <QApplication>
#include <cstdlib>
#include <gtest/gtest.h>

// The window tests use real widgets; without a display they run on the offscreen platform.
int main(int argc, char** argv) {
    if (std::getenv("QT_QPA_PLATFORM") == nullptr) {
        setenv("QT_QPA_PLATFORM", "offscreen", 1);
    }
    QApplication application(argc, argv);
    bk::DesktopSession::ApplyLook();
    bk::DesktopSession::SpeakGerman();
    testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
