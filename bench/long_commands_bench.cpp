// Measures long commands in the real window on the offscreen platform, as the event loop runs
// them: the content search of a pair of 2 GB copies, and "Lösche alle außer markierter" (which
// proves each copy before it deletes it) on a group of four 200 MB files and on a group of 1,000
// small files. Prints the time, the bytes the process read meanwhile and the longest time the
// window went without being painted.

#include "platform/posix_file_services.h"
#include "platform/qt_control_layer.h"
#include "platform/qt_desktop_session.h"
#include "ui/control_numbers.h"
#include "ui/event_loop.h"
#include "ui/main_window.h"

#include <QApplication>
#include <QPushButton>
#include <QTimer>
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

// The longest time between two moments, counted from start to the end.
class LongestGap {
  public:
    void start() {
        last_ = Clock::now();
        longest_ = Clock::duration::zero();
        count_ = 0;
    }
    void mark() {
        const Clock::time_point now = Clock::now();
        longest_ = std::max(longest_, now - last_);
        last_ = now;
        ++count_;
    }
    double milliseconds() const {
        const auto longest = std::max(longest_, Clock::now() - last_);
        return std::chrono::duration<double, std::milli>(longest).count();
    }
    int count() const { return count_; }

  private:
    Clock::time_point last_;
    Clock::duration longest_{};
    int count_ = 0;
};

// Watches the main window while a command runs: every paint of it, and every turn of the event
// loop, which a timer firing every few milliseconds shows. A turn without a paint is a window
// that could have painted but had nothing new to show.
class WindowWatch : public QObject {
  public:
    explicit WindowWatch(QWidget* window) : window_(window) {
        QObject::connect(&ticks_, &QTimer::timeout, [this] { turns.mark(); });
    }
    void start() {
        paints.start();
        turns.start();
        ticks_.start(5);
    }
    void stop() { ticks_.stop(); }

    LongestGap paints;
    LongestGap turns;

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::Paint && watched->isWidgetType() &&
            static_cast<QWidget*>(watched)->window() == window_) {
            paints.mark();
        }
        return false;
    }

  private:
    QWidget* window_;
    QTimer ticks_;
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

void Measure(const char* what, const fs::path& folder, int files, std::size_t size, int command) {
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
    bk::DispatchControlEvent(program, bk::AddFolderButton);
    if (command != bk::FindDuplicatesButton) {
        bk::DispatchControlEvent(program, bk::FindDuplicatesButton);
        controls.setState(bk::GroupsView, 0);
        bk::DispatchControlEvent(program, bk::GroupsView);
        controls.setState(bk::MembersView, 0);
    }
    bk::ApplyEnablingRules(program);

    // As a click in the running program: the event loop hands the command over, and the window
    // is painted only as the command lets it.
    WindowWatch watch(controls.window());
    QApplication::instance()->installEventFilter(&watch);
    qobject_cast<QPushButton*>(controls.controlWidget(command))->click();
    controls.waitEvent();
    const long long readBefore = BytesReadSoFar();
    watch.start();
    const Clock::time_point start = Clock::now();
    bk::DispatchControlEvent(program, controls.eventControl());
    const double seconds = std::chrono::duration<double>(Clock::now() - start).count();
    const double unpainted = watch.paints.milliseconds();
    const double unhandled = watch.turns.milliseconds();
    watch.stop();
    const long long bytesRead = BytesReadSoFar() - readBefore;
    QApplication::instance()->removeEventFilter(&watch);

    int left = 0;
    for (const auto& entry : fs::directory_iterator(folder)) {
        left += entry.is_regular_file() ? 1 : 0;
    }
    std::printf("%s: %d files of %zu bytes, %d left, %lld groups: %.3f s, %.1f MB read (%.2f x "
                "the files), %d paints, longest unpainted %.0f ms, longest without a turn of the "
                "event loop %.0f ms\n",
                what, files, size, left, static_cast<long long>(program.catalogue.groups.count()),
                seconds, static_cast<double>(bytesRead) / 1e6,
                static_cast<double>(bytesRead) /
                    (static_cast<double>(files) * static_cast<double>(size)),
                watch.paints.count(), unpainted, unhandled);
    fs::remove_all(folder);
}

} // namespace

int main(int argc, char* argv[]) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: brannoway-kestrill-long-commands-bench WORK-FOLDER\n");
        return 2;
    }
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    QApplication application(argc, argv);
    bk::DesktopSession::ApplyLook();
    const fs::path work = fs::absolute(argv[1]);
    Measure("search, two 2 GB copies", work / "huge", 2, std::size_t{2} << 30,
            bk::FindDuplicatesButton);
    Measure("delete all but the marked, four 200 MB copies", work / "large", 4, 200u << 20,
            bk::DeleteOthersButton);
    Measure("delete all but the marked, 1,000 small copies", work / "small", 1000, 4096,
            bk::DeleteOthersButton);
    return 0;
}
