#include "platform/file_services.h"
#include "platform/qt_desktop_session.h"
#include "ui/event_loop.h"

#include <cstdio>

int main(int argc, char* argv[]) {
    bk::DesktopSession session(argc, argv);
    bk::FileServices files(bk::ExecutableFolder());
    const int exitCode = bk::RunProgram(session.controls(), files);
    if (exitCode != 0) {
        std::fputs("brannoway-kestrill: das Hauptfenster konnte nicht geöffnet werden\n", stderr);
    }
    return exitCode;
}
