#include "platform/qt_control_layer.h"

#include "platform/qt_controls.h"
#include "platform/qt_row_model.h"
#include "platform/qt_text.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QCloseEvent>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QScreen>
#include <QStyle>

namespace bk {

namespace {

// How often a running command lets the window repaint its status line and bars.
constexpr qint64 PaintIntervalMs = 100;

// The folder the person chose: the one named in the chooser's text field, absolute or relative
// to the folder shown, whenever it names a folder. The dialog's own answer comes from the rows
// selected in its list and falls back to the folder shown; it is kept for the rest, such as a
// folder entered by a double click, which leaves the field empty.
QString ChosenFolder(const QFileDialog& dialog) {
    const auto* field = dialog.findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
    if (field != nullptr && !field->text().isEmpty()) {
        const QFileInfo typed(dialog.directory(), field->text());
        if (typed.isDir()) {
            return QDir::cleanPath(typed.absoluteFilePath());
        }
    }
    return dialog.selectedFiles().value(0);
}

bool IsUserInput(QEvent::Type type) {
    switch (type) {
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonRelease:
    case QEvent::MouseButtonDblClick:
    case QEvent::KeyPress:
    case QEvent::KeyRelease:
    case QEvent::ShortcutOverride:
    case QEvent::Wheel:
    case QEvent::TouchBegin:
    case QEvent::TouchUpdate:
    case QEvent::TouchEnd:
        return true;
    default:
        return false;
    }
}

QRect ToQRect(Rect rect) {
    return QRect(rect.x, rect.y, rect.width, rect.height);
}

} // namespace

// The top-level window. A close request is latched, and the window stays open until the
// program closes it.
class MainWindowWidget final : public QWidget {
  public:
    explicit MainWindowWidget(std::function<void()> onCloseRequest)
        : onCloseRequest_(std::move(onCloseRequest)) {}

  protected:
    void closeEvent(QCloseEvent* event) override {
        event->ignore();
        onCloseRequest_();
    }

  private:
    std::function<void()> onCloseRequest_;
};

QtControlLayer::QtControlLayer() {
    qApp->installEventFilter(this);
    sinceLastPaint_.start();
}

QtControlLayer::~QtControlLayer() {
    qApp->removeEventFilter(this);
    controls_.clear();
    delete window_;
}

bool QtControlLayer::openWindow(int number, int clientWidth, int clientHeight,
                                std::string_view title) {
    if (number != 0 || window_ != nullptr) {
        return false; // the program has exactly one window
    }
    window_ = new MainWindowWidget([this] { events_.latch(CloseEvent, -1); });
    window_->setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                            Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint);
    window_->setWindowTitle(ToQString(title));
    window_->setFixedSize(clientWidth, clientHeight);
    // Without a window manager nothing centres a window, so place it from the screen itself:
    // by its client size before it shows, so that it never appears elsewhere first, and again by
    // its frame once a window manager has given it one.
    const QRect screen = QGuiApplication::primaryScreen()->geometry();
    const auto centre = [&](QSize outer) {
        window_->move(screen.x() + screen.width() / 2 - outer.width() / 2,
                      screen.y() + screen.height() / 2 - outer.height() / 2);
    };
    centre(window_->size());
    // No control has the keyboard focus until the first Tab, which goes to the first control.
    window_->setFocus();
    window_->show();
    if (window_->frameGeometry().size() != window_->size()) {
        centre(window_->frameGeometry().size());
    }
    return true;
}

void QtControlLayer::closeWindow(int number) {
    if (number != 0 || window_ == nullptr) {
        return;
    }
    controls_.clear();
    statusFields_.clear();
    statusBar_ = nullptr;
    window_->hide();
    delete window_;
    window_ = nullptr;
}

QWidget* QtControlLayer::window() const {
    return window_;
}

QtControl* QtControlLayer::control(int number) const {
    if (number < 0 || static_cast<std::size_t>(number) >= controls_.size()) {
        return nullptr;
    }
    return controls_[static_cast<std::size_t>(number)].get();
}

QWidget* QtControlLayer::controlWidget(int number) const {
    QtControl* found = control(number);
    return found != nullptr ? found->widget() : nullptr;
}

QLabel* QtControlLayer::statusField(int field) const {
    if (field < 0 || static_cast<std::size_t>(field) >= statusFields_.size()) {
        return nullptr;
    }
    return statusFields_[static_cast<std::size_t>(field)].label;
}

bool QtControlLayer::registerControl(int number, std::unique_ptr<QtControl> created, Rect rect) {
    if (number < 0) {
        return false;
    }
    const auto slot = static_cast<std::size_t>(number);
    if (slot >= controls_.size()) {
        controls_.resize(slot + 30); // the table grows in steps, like every table of the layer
    }
    created->widget()->setGeometry(ToQRect(rect));
    created->widget()->show();
    connectEvents(number, *created);
    controls_[slot] = std::move(created);
    return true;
}

void QtControlLayer::connectEvents(int number, QtControl& created) {
    if (auto* button = dynamic_cast<ButtonControl*>(&created)) {
        connect(button->button(), &QPushButton::clicked, this,
                [this, number] { events_.latchFromUser(number); });
    } else if (auto* field = dynamic_cast<TextFieldControl*>(&created)) {
        connect(field->field(), &QLineEdit::textChanged, this,
                [this, number] { events_.latchFromUser(number); });
    } else if (auto* listBox = dynamic_cast<ListBoxControl*>(&created)) {
        QAbstractItemView* view = listBox->view();
        connect(view->selectionModel(), &QItemSelectionModel::selectionChanged, this,
                [this, number] { events_.latchFromUser(number); });
        connect(view, &QAbstractItemView::doubleClicked, this,
                [this, number] { events_.latchFromUser(number); });
    } else if (auto* report = dynamic_cast<ReportListControl*>(&created)) {
        QAbstractItemView* view = report->view();
        const auto raise = [this, number] { events_.latchFromUser(number); };
        connect(view, &QAbstractItemView::clicked, this, raise);
        connect(view, &QAbstractItemView::doubleClicked, this, raise);
        connect(view, &QAbstractItemView::activated, this, raise);
        connect(view->selectionModel(), &QItemSelectionModel::currentChanged, this, raise);
    }
}

bool QtControlLayer::createButton(int number, Rect rect, std::string_view text) {
    if (window_ == nullptr) {
        return false;
    }
    return registerControl(number, std::make_unique<ButtonControl>(window_, text), rect);
}

bool QtControlLayer::createTextField(int number, Rect rect, std::string_view text) {
    if (window_ == nullptr) {
        return false;
    }
    return registerControl(number, std::make_unique<TextFieldControl>(window_, text), rect);
}

bool QtControlLayer::createLabel(int number, Rect rect, std::string_view text) {
    if (window_ == nullptr) {
        return false;
    }
    return registerControl(number, std::make_unique<LabelControl>(window_, text), rect);
}

bool QtControlLayer::createListBox(int number, Rect rect) {
    if (window_ == nullptr) {
        return false;
    }
    return registerControl(number, std::make_unique<ListBoxControl>(window_), rect);
}

bool QtControlLayer::createReportList(int number, Rect rect, std::string_view firstColumnTitle,
                                      int firstColumnWidth) {
    if (window_ == nullptr) {
        return false;
    }
    return registerControl(
        number, std::make_unique<ReportListControl>(window_, firstColumnTitle, firstColumnWidth),
        rect);
}

bool QtControlLayer::addColumn(int number, int position, std::string_view title, int width) {
    QtControl* target = control(number);
    return target != nullptr && target->addColumn(position, title, width);
}

bool QtControlLayer::createProgressBar(int number, Rect rect, int maximum) {
    if (window_ == nullptr) {
        return false;
    }
    return registerControl(number, std::make_unique<ProgressBarControl>(window_, maximum), rect);
}

void QtControlLayer::setAccessibleName(int number, std::string_view name) {
    if (QWidget* widget = controlWidget(number)) {
        widget->setAccessibleName(ToQString(name));
    }
}

bool QtControlLayer::createStatusBar(int number, int height) {
    if (window_ == nullptr || number != 1) {
        return false;
    }
    statusBar_ = new QWidget(window_);
    statusBar_->setGeometry(0, window_->height() - height, window_->width(), height);
    statusBar_->show();
    statusFields_.clear();
    statusFieldsRight_ = 0;
    return true;
}

void QtControlLayer::addStatusField(int width) {
    if (statusBar_ == nullptr) {
        return;
    }
    auto* label = new QLabel(statusBar_);
    label->setTextFormat(Qt::PlainText);
    label->setFrameShape(QFrame::Panel);
    label->setFrameShadow(QFrame::Sunken);
    label->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    label->setGeometry(statusFieldsRight_, 0, width, statusBar_->height());
    label->show();
    statusFieldsRight_ += width;
    statusFields_.push_back({label, {}, false});
}

void QtControlLayer::setStatusText(int statusBar, int field, std::string_view text) {
    if (statusBar != 1 || field < 0 || static_cast<std::size_t>(field) >= statusFields_.size()) {
        return;
    }
    StatusField& target = statusFields_[static_cast<std::size_t>(field)];
    if (!commandRunning_) {
        target.label->setText(ToQString(text));
        target.pending = false;
        return;
    }
    // A scan changes the count after every entry; the screen needs only the latest text.
    target.pendingText = text;
    target.pending = true;
    letWindowBreathe();
}

void QtControlLayer::addItem(int number, std::int64_t position, std::string_view text) {
    EventLatch::ProgramChange change(events_);
    if (QtControl* target = control(number)) {
        target->addItem(position, text);
    }
}

void QtControlLayer::removeItem(int number, std::int64_t item) {
    EventLatch::ProgramChange change(events_);
    if (QtControl* target = control(number)) {
        target->removeItem(item);
    }
}

void QtControlLayer::clearItems(int number) {
    EventLatch::ProgramChange change(events_);
    if (QtControl* target = control(number)) {
        target->clearItems();
    }
}

std::int64_t QtControlLayer::countItems(int number) {
    QtControl* target = control(number);
    return target != nullptr ? target->countItems() : 0;
}

std::int64_t QtControlLayer::getState(int number) {
    QtControl* target = control(number);
    return target != nullptr ? target->getState() : 0;
}

void QtControlLayer::setState(int number, std::int64_t value) {
    EventLatch::ProgramChange change(events_);
    if (QtControl* target = control(number)) {
        target->setState(value);
        letWindowBreathe();
    }
}

std::string QtControlLayer::getText(int number) {
    QtControl* target = control(number);
    return target != nullptr ? target->getText() : std::string();
}

void QtControlLayer::setText(int number, std::string_view text) {
    EventLatch::ProgramChange change(events_);
    if (QtControl* target = control(number)) {
        target->setText(text);
    }
}

void QtControlLayer::setItemText(int number, std::int64_t item, std::string_view text, int column) {
    EventLatch::ProgramChange change(events_);
    if (QtControl* target = control(number)) {
        target->setItemText(item, text, column);
    }
}

void QtControlLayer::disable(int number, bool disabled) {
    EventLatch::ProgramChange change(events_);
    if (QWidget* widget = controlWidget(number)) {
        widget->setEnabled(!disabled);
    }
}

int QtControlLayer::waitEvent() {
    commandRunning_ = false;
    showPendingChanges();
    if (events_.empty()) {
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    }
    commandRunning_ = true;
    sinceLastPaint_.restart();
    return events_.handOut();
}

void QtControlLayer::showPendingChanges() {
    for (StatusField& field : statusFields_) {
        if (field.pending) {
            field.label->setText(ToQString(field.pendingText));
            field.pending = false;
        }
    }
    for (const auto& each : controls_) {
        if (each) {
            each->flush();
        }
    }
}

void QtControlLayer::letWindowBreathe() {
    if (!commandRunning_ || sinceLastPaint_.elapsed() < PaintIntervalMs) {
        return;
    }
    showPendingChanges();
    // Painted anew at every breath, whether or not a bar moved, so that the window never goes
    // unpainted for long while a command reads slowly.
    if (window_ != nullptr) {
        window_->update();
    }
    // Input to the window is dropped by the event filter meanwhile; everything else, painting
    // and a close request among it, is handled.
    QCoreApplication::processEvents(QEventLoop::AllEvents);
    sinceLastPaint_.restart();
}

bool QtControlLayer::isInputToMainWindow(QObject* watched, QEvent* event) const {
    if (window_ == nullptr || !IsUserInput(event->type()) || !watched->isWidgetType()) {
        return false;
    }
    return static_cast<QWidget*>(watched)->window() == window_;
}

bool QtControlLayer::eventFilter(QObject* watched, QEvent* event) {
    if (commandRunning_ && isInputToMainWindow(watched, event)) {
        return true;
    }
    return QObject::eventFilter(watched, event);
}

std::string QtControlLayer::chooseFolder(std::string_view title, std::string_view initialFolder) {
    if (folderChooser_) {
        return folderChooser_(title, initialFolder);
    }
    QFileDialog dialog(window_, ToQString(title), ToQString(initialFolder));
    dialog.setFileMode(QFileDialog::Directory);
    // The desktop's own chooser where the desktop offers one; on a bare X server Qt's own.
    dialog.setOption(QFileDialog::ShowDirsOnly);
    if (dialog.exec() != QDialog::Accepted) {
        return {};
    }
    std::string chosen = QFile::encodeName(ChosenFolder(dialog)).toStdString();
    if (chosen.empty()) {
        return {};
    }
    if (chosen.empty() || chosen.back() != '/') {
        chosen += '/';
    }
    return chosen;
}

void QtControlLayer::messageBox(std::string_view title, std::string_view text) {
    showPendingChanges();
    if (messageBoxAnswer_) {
        messageBoxAnswer_(title, text);
        return;
    }
    QWidget* owner = window_ != nullptr && window_->isVisible() ? window_ : nullptr;
    QMessageBox box(QMessageBox::NoIcon, ToQString(title), ToQString(text), QMessageBox::Ok, owner);
    box.setTextFormat(Qt::PlainText);
    box.exec();
}

} // namespace bk
