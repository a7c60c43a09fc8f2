#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace bk {

// Event codes handed out by waitEvent.
inline constexpr int ControlEvent = 13100; // a control was used; eventControl() names it
inline constexpr int CloseEvent = 16;      // the user asked to close the window; it stays open
inline constexpr int OtherEvent = 0;       // any other message (painting, pointer movement...)

struct Rect {
    int x = 0;
    int y = 0;
    int width = 0;
    int height = 0;
};

// The user interface reaches its window, controls, status bar, events and requesters only
// through this layer, naming each by a small number of its own choosing. An operation on a
// number that holds no control does nothing and returns 0 or the empty text, so a control whose
// creation failed simply stays absent. Texts are UTF-8 and always shown as plain text.
//
// Which operations mean something depends on the kind of control:
//   report list (rows with columns), list box (one text a row), progress bar (a position),
//   button, text field and label (a window text).
class ControlLayer {
  public:
    virtual ~ControlLayer() = default;

    // The main window, its client area of the given size centred on the screen, fixed in size.
    virtual bool openWindow(int number, int clientWidth, int clientHeight,
                            std::string_view title) = 0;
    virtual void closeWindow(int number) = 0;

    virtual bool createButton(int number, Rect rect, std::string_view text) = 0;
    virtual bool createTextField(int number, Rect rect, std::string_view text) = 0;
    virtual bool createLabel(int number, Rect rect, std::string_view text) = 0;
    virtual bool createListBox(int number, Rect rect) = 0;
    virtual bool createReportList(int number, Rect rect, std::string_view firstColumnTitle,
                                  int firstColumnWidth) = 0;
    virtual bool addColumn(int number, int position, std::string_view title, int width) = 0;
    virtual bool createProgressBar(int number, Rect rect, int maximum) = 0;
    // A name that says what a control is, for screen readers.
    virtual void setAccessibleName(int number, std::string_view name) = 0;

    // The status bar along the bottom of the window; fields are appended left to right.
    virtual bool createStatusBar(int number, int height) = 0;
    virtual void addStatusField(int width) = 0;
    virtual void setStatusText(int statusBar, int field, std::string_view text) = 0;

    // Rows: position -1 appends. A report list takes the text into column 0.
    virtual void addItem(int number, std::int64_t position, std::string_view text) = 0;
    virtual void removeItem(int number, std::int64_t item) = 0;
    virtual void clearItems(int number) = 0;
    virtual std::int64_t countItems(int number) = 0;
    // Lists: the selected row or -1. Progress bar: its position.
    virtual std::int64_t getState(int number) = 0;
    // Lists: select a row (-1 = none). Progress bar: set its position.
    virtual void setState(int number, std::int64_t value) = 0;
    virtual std::string getText(int number) = 0;
    virtual void setText(int number, std::string_view text) = 0;
    virtual void setItemText(int number, std::int64_t item, std::string_view text, int column) = 0;
    virtual void disable(int number, bool disabled) = 0;

    // Blocks until the next event and returns its code; events are handed out one per call, in
    // the order they happened, none lost.
    virtual int waitEvent() = 0;
    virtual int eventControl() const = 0;

    // The folder the user chose, as an absolute path ending in the separator, or "" when cancelled.
    virtual std::string chooseFolder(std::string_view title, std::string_view initialFolder) = 0;
    // A modal box with one OK button.
    virtual void messageBox(std::string_view title, std::string_view text) = 0;

    // Told by a long command, often, that it is still at work: a window may repaint now (input
    // stays dropped until the command ends).
    virtual void stillWorking() {}
};

} // namespace bk
