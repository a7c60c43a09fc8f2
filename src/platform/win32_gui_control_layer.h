#pragma once

#include "platform/control_layer.h"
#include "platform/event_latch.h"
#include "platform/win32_gui_accessible_names.h"
#include "platform/win32_gui_control_kinds.h"
#include "platform/win32_gui_gdi.h"
#include "platform/win32_gui_scale.h"

#include <string>
#include <vector>
#include <windows.h>

namespace bk {

// The control layer on the Win32 common controls: one top-level window whose child windows are
// the controls, each with its number as window id.
//
// Events: the window procedure latches every notification the program cares about into a queue,
// and waitEvent hands them out one per call, in order; only when the queue is empty does it wait
// for the next message, and then it handles that one and whatever else is queued by then.
// Changes the program makes itself (selecting a row, setting a text), of which the controls
// notify at once, latch nothing.
//
// Between the return of waitEvent and its next call a command runs, and messages wait in the
// thread's queue. A long command lets the window breathe: at once when it says it is still at
// work, and a few times a second while it says so or moves a bar or the status line. Each breath
// takes the queued messages out, drops the user's input to the window (see IsDroppedWhileBusy)
// and handles the rest, painting and a close request among it; the close request is handed out
// after the command. Input left queued after the last breath is dropped when the command ends.
// Input given during a command too short to breathe is handled once it ends, as if it had come a
// moment later. Boxes the command opens run their own loops and take input.
class Win32ControlLayer final : public ControlLayer {
  public:
    Win32ControlLayer();
    ~Win32ControlLayer() override;
    Win32ControlLayer(const Win32ControlLayer&) = delete;
    Win32ControlLayer& operator=(const Win32ControlLayer&) = delete;

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
    void stillWorking() override;

  private:
    struct Control {
        HWND window = nullptr;
        ControlKind kind = ControlKind::Label;
    };
    struct StatusField {
        std::wstring pendingText;
        bool pending = false;
    };

    static LRESULT CALLBACK WindowProcedure(HWND window, UINT message, WPARAM first, LPARAM second);
    LRESULT handleWindowMessage(HWND window, UINT message, WPARAM first, LPARAM second);
    void onCommand(HWND sender, UINT notification);
    void onNotify(const NMHDR& notification);
    bool restoreFocusOnActivation(HWND window, WORD state);

    bool registerWindowClass();
    const Control* control(int number) const;
    const Control* controlOfKind(int number, ControlKind kind) const;
    void applyState(const Control& target, std::int64_t value);
    bool createControl(int number, ControlKind kind, Rect rect, std::string_view text);
    void forgetControls();

    void handleMessage(MSG& message);
    void waitForMessages();
    void takeQueuedMessages(bool dropInput);
    bool isDroppedWhileBusy(const MSG& message) const;
    void letWindowBreathe();
    void breathe();
    void settleBeforeBox();
    void holdRowDrawing(const Control& list);
    void showPendingChanges();

    DisplayScale scale_;
    GdiFont font_; // outlives the window and the controls that show it
    AccessibleNames accessibleNames_;
    ATOM windowClass_ = 0;
    HWND window_ = nullptr;

    std::vector<Control> controls_;
    HWND statusBar_ = nullptr;
    int statusBarNumber_ = -1;
    std::vector<int> statusEdges_;
    std::vector<StatusField> statusFields_;
    std::vector<HWND> heldLists_; // lists that do not redraw until the command lets them
    HWND focusBeforeDeactivation_ = nullptr;

    EventLatch events_;
    bool commandRunning_ = false;
    bool breathed_ = false; // the running command has let the window breathe
    // A control event was handed out: its command may have changed what the window shows.
    bool commandHandedOut_ = false;
    ULONGLONG lastBreath_ = 0;
};

} // namespace bk
