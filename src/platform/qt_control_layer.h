#pragma once

#include "platform/control_layer.h"
#include "platform/event_latch.h"

#include <QElapsedTimer>
#include <QObject>
#include <functional>
#include <memory>
#include <vector>

class QLabel;
class QWidget;

namespace bk {

class QtControl;
class MainWindowWidget;

// The control layer on Qt Widgets.
//
// Events: every signal the program cares about is latched into a queue, and waitEvent hands
// them out one per call, in order; only when the queue is empty does it wait for the toolkit.
// Changes the program makes itself (selecting a row, setting a text) latch nothing.
//
// Between the return of waitEvent and its next call a command runs. Then the window does not
// react to input: clicks, keys and wheel turns addressed to it are dropped, not replayed later.
// The status line and the bars still change on screen, because the layer lets the toolkit paint
// a few times a second while the command reports progress; a close request made meanwhile is
// latched and handed out after the command. Boxes that the command itself opens take input.
class QtControlLayer : public QObject, public ControlLayer {
    Q_OBJECT

  public:
    QtControlLayer();
    ~QtControlLayer() override;

    bool openWindow(int number, int clientWidth, int clientHeight, std::string_view title) override;
    void closeWindow(int number) override;
    bool createButton(int number, Rect rect, std::string_view text) override;
    bool createTextField(int number, Rect rect, std::string_view text) override;
    bool createLabel(int number, Rect rect, std::string_view text) override;
    bool createListBox(int number, Rect rect) override;
    bool createReportList(int number, Rect rect, std::string_view firstColumnTitle,
                          int firstColumnWidth) override;
    bool addColumn(int number, int position, std::string_view title, int width) override;
    bool createProgressBar(int number, Rect rect, int maximum) override;
    void setAccessibleName(int number, std::string_view name) override;
    bool createStatusBar(int number, int height) override;
    void addStatusField(int width) override;
    void setStatusText(int statusBar, int field, std::string_view text) override;
    void addItem(int number, std::int64_t position, std::string_view text) override;
    void removeItem(int number, std::int64_t item) override;
    void clearItems(int number) override;
    std::int64_t countItems(int number) override;
    std::int64_t getState(int number) override;
    void setState(int number, std::int64_t value) override;
    std::string getText(int number) override;
    void setText(int number, std::string_view text) override;
    void setItemText(int number, std::int64_t item, std::string_view text, int column) override;
    void disable(int number, bool disabled) override;
    int waitEvent() override;
    int eventControl() const override { return events_.eventControl(); }
    std::string chooseFolder(std::string_view title, std::string_view initialFolder) override;
    void messageBox(std::string_view title, std::string_view text) override;
    void stillWorking() override { letWindowBreathe(); }

    // Seams for tests, which answer the requesters themselves instead of a person.
    using FolderChooser =
        std::function<std::string(std::string_view title, std::string_view initialFolder)>;
    using MessageBoxAnswer = std::function<void(std::string_view title, std::string_view text)>;
    void setFolderChooser(FolderChooser chooser) { folderChooser_ = std::move(chooser); }
    void setMessageBoxAnswer(MessageBoxAnswer answer) { messageBoxAnswer_ = std::move(answer); }

    // For tests and screenshots: the widgets behind the numbers.
    QWidget* window() const;
    QWidget* controlWidget(int number) const;
    QLabel* statusField(int field) const;
    std::size_t pendingEvents() const { return events_.size(); }
    // Puts on screen what a running command kept back (status texts, appended rows).
    void showPendingChanges();

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    struct StatusField {
        QLabel* label = nullptr;
        std::string pendingText;
        bool pending = false;
    };

    QtControl* control(int number) const;
    bool registerControl(int number, std::unique_ptr<QtControl> control, Rect rect);
    void connectEvents(int number, QtControl& control);
    void letWindowBreathe();
    bool isInputToMainWindow(QObject* watched, QEvent* event) const;

    std::vector<std::unique_ptr<QtControl>> controls_;
    MainWindowWidget* window_ = nullptr;
    QWidget* statusBar_ = nullptr;
    std::vector<StatusField> statusFields_;
    int statusFieldsRight_ = 0;

    EventLatch events_;
    bool commandRunning_ = false;
    QElapsedTimer sinceLastPaint_;

    FolderChooser folderChooser_;
    MessageBoxAnswer messageBoxAnswer_;
};

} // namespace bk
