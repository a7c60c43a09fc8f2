#include "platform/qt_desktop_session.h"

#include <QApplication>
#include <QFont>
#include <QIcon>
#include <QLibraryInfo>
#include <QLocale>
#include <QStyleFactory>
#include <QTranslator>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <unistd.h>

namespace bk {

namespace {

// The message handler is a plain function; it finds its text here.
std::string UnreachableDisplayFormat;

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
    std::fprintf(stderr, UnreachableDisplayFormat.c_str(), display != nullptr ? display : "");
    std::fflush(stderr);
    _exit(1);
}

} // namespace

DesktopSession::DesktopSession(int& argc, char** argv, StartupTexts texts) {
    if (!HasDisplay()) {
        std::fwrite(texts.noDisplay.data(), 1, texts.noDisplay.size(), stderr);
        std::exit(1);
    }
    UnreachableDisplayFormat = texts.unreachableDisplay;
    const QtMessageHandler previous = qInstallMessageHandler(ReportFatalStartupMessage);
    application_ = std::make_unique<QApplication>(argc, argv);
    qInstallMessageHandler(previous);
    ApplyLook();
    SpeakGerman();
    QApplication::setWindowIcon(QIcon(":/brannoway-kestrill.png"));
    controls_ = std::make_unique<QtControlLayer>();
}

DesktopSession::~DesktopSession() = default;

bool DesktopSession::SpeakGerman() {
    // Made once and kept for the whole run: the application only borrows it.
    static QTranslator translator;
    static const bool loaded =
        translator.load(QLocale(QLocale::German), QStringLiteral("qtbase"), QStringLiteral("_"),
                        QLibraryInfo::path(QLibraryInfo::TranslationsPath)) &&
        QCoreApplication::installTranslator(&translator);
    return loaded;
}

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
