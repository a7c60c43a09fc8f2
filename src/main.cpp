#include "platform/native_file_services.h"
#include "platform/resource_usage.h"
#include "ui/event_loop.h"
#include "ui/texts.h"

#ifdef _WIN32
#include "platform/win32_gui_session.h"
#else
#include "platform/qt_desktop_session.h"
#endif

#include <cstdio>

int main(int argc, char* argv[]) {
    bk::GiveLargeBlocksBackWhenFreed();
    bk::DesktopSession session(argc, argv, {bk::NoDisplayText, bk::UnreachableDisplayText});
    bk::NativeFileServices files(bk::ExecutableFolder());
    const int exitCode = bk::RunProgram(session.controls(), files);
    if (exitCode != 0) {
        std::fwrite(bk::NoWindowText.data(), 1, bk::NoWindowText.size(), stderr);
    }
    return exitCode;
}
