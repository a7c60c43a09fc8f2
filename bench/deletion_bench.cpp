// Measures what the proof of a copy costs a deletion: "Lösche alle außer markierter" on a group of
// four 200 MB files and on a group of 1,000 small files, run in the real window on the offscreen
// platform as the event loop runs it. Prints the time, the bytes the process read meanwhile and
// the longest time the window went without being painted.

#include "platform/posix_file_services.h"
#include "platform/qt_control_layer.h"
#include "platform/qt_desktop_session.h"
#include "ui/control_numbers.h"
#include "ui/event_loop.h"
#include "ui/main_window.h"

#include <QApplication>
#include <QPushButton>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;
namespace fs = std::filesystem;

// The bytes this process has read through system calls so far.
long long BytesReadSoFar() {
    std::ifstream io("/proc/self/io");
    std::string key;
    long long value = 0;
    while (io >> key >> value) {
        if (key == "rchar:") {
            return value;
        }
    }
    return 0;
}

// Notes every paint of the main window and the longest time between two, counted from start.
class PaintWatch : public QObject {
  public:
    explicit PaintWatch(QWidget* window) : window_(window) {}

    void start() {
        last_ = Clock::now();
        longest_ = Clock::duration::zero();
        paints_ = 0;
    }
    double longestGapSeconds() const {
        return std::chrono::duration<double>(std::max(longest_, Clock::now() - last_)).count();
    }
    int paints() const { return paints_; }

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::Paint && watched->isWidgetType() &&
            static_cast<QWidget*>(watched)->window() == window_) {
            const Clock::time_point now = Clock::now();
            longest_ = std::max(longest_, now - last_);
            last_ = now;
            ++paints_;
        }
        return false;
    }

  private:
    QWidget* window_;
    Clock::time_point last_;
    Clock::duration longest_{};
    int paints_ = 0;
};

void WriteFile(const fs::path& path, std::size_t size) {
    std::vector<char> bytes(std::min<std::size_t>(size, 1 << 20));
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        bytes[i] = static_cast<char>(i * 7 % 251);
    }
    std::ofstream file(path, std::ios::binary);
    for (std::size_t written = 0; written < size; written += bytes.size()) {
        file.write(bytes.data(),
                   static_cast<std::streamsize>(std::min(bytes.size(), size - written)));
    }
}

void Measure(const char* what, const fs::path& folder, int files, std::size_t size) {
    fs::create_directories(folder);
    for (int i = 0; i < files; ++i) {
        WriteFile(folder / ("copy" + std::to_string(i) + ".dat"), size);
    }
    bk::QtControlLayer controls;
    bk::PosixFileServices fileServices(bk::ExecutableFolder());
    bk::Program program(controls, fileServices);
    bk::CreateMainWindow(controls);
    controls.window()->show();
    controls.setFolderChooser(
        [&](std::string_view, std::string_view) { return folder.string() + "/"; });
    controls.setText(bk::PatternField, "*");
    for (const int command : {bk::AddFolderButton, bk::FindDuplicatesButton}) {
        bk::DispatchControlEvent(program, command);
    }
    controls.setState(bk::GroupsView, 0);
    bk::DispatchControlEvent(program, bk::GroupsView);
    controls.setState(bk::MembersView, 0);
    bk::ApplyEnablingRules(program);

    // As a click in the running program: the event loop hands the command over, and the window
    // is painted only as the command lets it.
    PaintWatch watch(controls.window());
    QApplication::instance()->installEventFilter(&watch);
    qobject_cast<QPushButton*>(controls.controlWidget(bk::DeleteOthersButton))->click();
    controls.waitEvent();
    const long long readBefore = BytesReadSoFar();
    watch.start();
    const Clock::time_point start = Clock::now();
    bk::DispatchControlEvent(program, controls.eventControl());
    const double seconds = std::chrono::duration<double>(Clock::now() - start).count();
    const double longestGap = watch.longestGapSeconds();
    const long long bytesRead = BytesReadSoFar() - readBefore;
    QApplication::instance()->removeEventFilter(&watch);

    int left = 0;
    for (const auto& entry : fs::directory_iterator(folder)) {
        left += entry.is_regular_file() ? 1 : 0;
    }
    std::printf("%s: %d files of %zu bytes, %d left: %.3f s, %.1f MB read (%.2f x the group), "
                "%d paints, longest unpainted %.0f ms\n",
                what, files, size, left, seconds, static_cast<double>(bytesRead) / 1e6,
                static_cast<double>(bytesRead) /
                    (static_cast<double>(files) * static_cast<double>(size)),
                watch.paints(), longestGap * 1000);
    fs::remove_all(folder);
}

} // namespace

int main(int argc, char* argv[]) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: brannoway-kestrill-deletion-bench WORK-FOLDER\n");
        return 2;
    }
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    QApplication application(argc, argv);
    bk::DesktopSession::ApplyLook();
    const fs::path work = fs::absolute(argv[1]);
    Measure("four large copies", work / "large", 4, 200u << 20);
    Measure("1,000 small copies", work / "small", 1000, 4096);
    return 0;
}
