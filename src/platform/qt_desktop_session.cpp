#include "platform/qt_desktop_session.h"

#include <QApplication>
#include <QFont>
#include <QIcon>
#include <QStyleFactory>
#include <cstdio>
#include <cstdlib>
#include <unistd.h>

namespace bk {

namespace {

constexpr const char* NoDisplayMessage =
    "brannoway-kestrill: keine Anzeige gefunden (DISPLAY ist nicht gesetzt); ohne Bildschirm "
    "startet es so: xvfb-run -a brannoway-kestrill\n";

bool HasDisplay() {
    const auto isSet = [](const char* name) {
        const char* value = std::getenv(name);
        return value != nullptr && *value != '\0';
    };
    return isSet("QT_QPA_PLATFORM") || isSet("DISPLAY") || isSet("WAYLAND_DISPLAY");
}

// The toolkit aborts when it cannot reach the display it was given; say so in one line instead.
void ReportFatalStartupMessage(QtMsgType type, const QMessageLogContext&, const QString&) {
    if (type != QtFatalMsg) {
        return;
    }
    const char* display = std::getenv("DISPLAY");
    std::fprintf(stderr,
                 "brannoway-kestrill: die Anzeige \"%s\" ist nicht erreichbar; ohne Bildschirm "
                 "startet es so: xvfb-run -a brannoway-kestrill\n",
                 display != nullptr ? display : "");
    std::fflush(stderr);
    _exit(1);
}

} // namespace

DesktopSession::DesktopSession(int& argc, char** argv) {
    if (!HasDisplay()) {
        std::fputs(NoDisplayMessage, stderr);
        std::exit(1);
    }
    const QtMessageHandler previous = qInstallMessageHandler(ReportFatalStartupMessage);
    application_ = std::make_unique<QApplication>(argc, argv);
    qInstallMessageHandler(previous);
    ApplyLook();
    QApplication::setWindowIcon(QIcon(":/brannoway-kestrill.png"));
    controls_ = std::make_unique<QtControlLayer>();
}

DesktopSession::~DesktopSession() = default;

void DesktopSession::ApplyLook() {
    QApplication::setStyle(QStyleFactory::create("Fusion"));
    // The captions were laid out for a narrow interface font; a condensed sans keeps the longest
    // ones ("Lösche Dateien mit spez. Endung") inside their buttons.
    QFont font("DejaVu Sans");
    font.setStretch(QFont::SemiCondensed);
    font.setPixelSize(11);
    QApplication::setFont(font);
}

} // namespace bk
