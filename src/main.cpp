#include "platform/posix_file_services.h"
#include "platform/qt_desktop_session.h"
#include "ui/event_loop.h"
#include "ui/texts.h"

#include <cstdio>

int main(int argc, char* argv[]) {
    bk::DesktopSession session(argc, argv, {bk::NoDisplayText, bk::UnreachableDisplayText});
    bk::PosixFileServices files(bk::ExecutableFolder());
    const int exitCode = bk::RunProgram(session.controls(), files);
    if (exitCode != 0) {
        std::fwrite(bk::NoWindowText.data(), 1, bk::NoWindowText.size(), stderr);
    }
    return exitCode;
}
