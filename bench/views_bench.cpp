// Measures the window at scale on the offscreen platform: adding a folder through the real
// add-folder command (scan plus filling the all-files view), and showing the groups of a content
// search, against the same scan and search without a window.

#include "catalogue/folder_scan.h"
#include "duplicates/content_engine.h"
#include "duplicates/duplicate_search.h"
#include "platform/posix_file_services.h"
#include "platform/qt_control_layer.h"
#include "platform/qt_desktop_session.h"
#include "ui/control_numbers.h"
#include "ui/event_loop.h"
#include "ui/main_window.h"
#include "ui/result_views.h"
#include "unwatched.h"

#include <QApplication>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>

namespace {

using Clock = std::chrono::steady_clock;

template <typename Work> double Seconds(Work work) {
    const Clock::time_point start = Clock::now();
    work();
    return std::chrono::duration<double>(Clock::now() - start).count();
}

} // namespace

int main(int argc, char* argv[]) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: brannoway-kestrill-views-bench FOLDER\n");
        return 2;
    }
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    QApplication application(argc, argv);
    bk::DesktopSession::ApplyLook();
    std::string folder = argv[1];
    if (folder.back() != '/') {
        folder += '/';
    }

    bk::PosixFileServices headlessFiles(bk::ExecutableFolder());
    bk::Catalogue windowless;
    Unwatched unwatched;
    const double headlessScan = Seconds(
        [&] { bk::ScanFolder(windowless, headlessFiles.scans, folder, "*", 0, unwatched); });
    const double headlessSearch = Seconds([&] {
        bk::ContentEngine engine(headlessFiles.files, unwatched);
        bk::SearchDuplicates(windowless, bk::SameContent, engine, unwatched);
    });

    bk::QtControlLayer controls;
    bk::PosixFileServices files(bk::ExecutableFolder());
    bk::Program program(controls, files);
    bk::CreateMainWindow(controls);
    controls.setFolderChooser([&](std::string_view, std::string_view) { return folder; });
    controls.setText(bk::PatternField, "*");
    const double addFolder = Seconds([&] {
        bk::DispatchControlEvent(program, bk::AddFolderButton);
        controls.showPendingChanges();
        QApplication::processEvents();
    });
    const double showFiles = Seconds([&] {
        bk::RefreshViews(program, bk::ShowFiles);
        controls.showPendingChanges();
        QApplication::processEvents();
    });
    bk::SearchCommand(program, bk::SameContent);
    const double showGroups = Seconds([&] {
        bk::RefreshViews(program, bk::ShowGroups);
        controls.showPendingChanges();
        QApplication::processEvents();
    });
    std::fprintf(
        stderr,
        "files %lld, groups %lld: headless scan %.3f s, search %.3f s; in the window: "
        "adding the folder %.3f s (%.2fx the headless scan; filling the list alone %.3f s), "
        "showing the groups %.3f s\n",
        static_cast<long long>(program.catalogue.files.count()),
        static_cast<long long>(program.catalogue.groups.count()), headlessScan, headlessSearch,
        addFolder, addFolder / headlessScan, showFiles, showGroups);
    return 0;
}
