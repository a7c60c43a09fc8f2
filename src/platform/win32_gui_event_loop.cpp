// The event side of the Win32 control layer: waiting for events, the window procedure that
// latches them, and what the window does while a command runs.
#include "platform/win32_gui_busy_input.h"
#include "platform/win32_gui_control_layer.h"
#include "platform/win32_gui_report_list.h"

#include <algorithm>
#include <commctrl.h>
#include <utility>

namespace bk {

namespace {

// How often a running command lets the window repaint its status line and bars.
constexpr ULONGLONG PaintIntervalMs = 100;
// Taking queued messages ends after this many even if more keep coming (a control that never
// stops asking to be painted, say), so that the command, or the program, goes on.
constexpr int MaxMessagesAtOnce = 1000;

bool CanTakeFocus(HWND control) {
    return IsWindowEnabled(control) != FALSE;
}

} // namespace

int Win32ControlLayer::waitEvent() {
    if (commandRunning_ && breathed_) {
        // A long command: what the user did after its last breath is still queued, and goes now
        // like the rest, unreplayed.
        showPendingChanges();
        takeQueuedMessages(true);
    }
    commandRunning_ = false;
    breathed_ = false;
    showPendingChanges();
    // After a command the program makes one pass before the window waits, so that what the
    // command changed is answered at once (a button that may be used now is enabled before the
    // user reaches for it). Windows itself would bring that pass with the painting the command
    // caused, but the painting was done while the command breathed.
    const bool passAfterCommand = std::exchange(commandHandedOut_, false);
    if (events_.empty() && !passAfterCommand) {
        waitForMessages();
    }
    commandRunning_ = true;
    lastBreath_ = GetTickCount64();
    const int event = events_.handOut();
    commandHandedOut_ = event == ControlEvent;
    return event;
}

void Win32ControlLayer::waitForMessages() {
    MSG message{};
    const BOOL got = GetMessageW(&message, nullptr, 0, 0);
    if (got == 0) {
        events_.latch(CloseEvent, -1); // the system asks the program to end
        return;
    }
    if (got > 0) {
        handleMessage(message);
    }
    // Whatever that message brought along (the character of a key, the release of a button)
    // is handled by the idle window too, before a command can start.
    takeQueuedMessages(false);
}

void Win32ControlLayer::handleMessage(MSG& message) {
    // Tab and Shift+Tab move the focus between the tab stops, in the order of creation.
    if (window_ != nullptr && IsDialogMessageW(window_, &message)) {
        return;
    }
    TranslateMessage(&message);
    DispatchMessageW(&message);
}

bool Win32ControlLayer::isDroppedWhileBusy(const MSG& message) const {
    if (window_ == nullptr || (message.hwnd != window_ && !IsChild(window_, message.hwnd))) {
        return false;
    }
    return IsDroppedWhileBusy(message.message, message.wParam);
}

void Win32ControlLayer::takeQueuedMessages(bool dropInput) {
    MSG message{};
    for (int taken = 0;
         taken < MaxMessagesAtOnce && PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE); ++taken) {
        if (message.message == WM_QUIT) {
            events_.latch(CloseEvent, -1);
        } else if (!dropInput || !isDroppedWhileBusy(message)) {
            handleMessage(message);
        }
    }
}

void Win32ControlLayer::stillWorking() {
    // A command that says so is a long one: the window breathes at once, then a few times a
    // second.
    if (commandRunning_ && (!breathed_ || GetTickCount64() - lastBreath_ >= PaintIntervalMs)) {
        breathe();
    }
}

void Win32ControlLayer::letWindowBreathe() {
    if (commandRunning_ && GetTickCount64() - lastBreath_ >= PaintIntervalMs) {
        breathe();
    }
}

void Win32ControlLayer::breathe() {
    showPendingChanges();
    takeQueuedMessages(true);
    breathed_ = true;
    lastBreath_ = GetTickCount64();
}

void Win32ControlLayer::holdRowDrawing(const Control& list) {
    // Rows a command adds by the thousand are drawn once, at the next breath, not one by one.
    if (!commandRunning_ ||
        std::find(heldLists_.begin(), heldLists_.end(), list.window) != heldLists_.end()) {
        return;
    }
    SendMessageW(list.window, WM_SETREDRAW, FALSE, 0);
    heldLists_.push_back(list.window);
}

void Win32ControlLayer::showPendingChanges() {
    for (std::size_t field = 0; field < statusFields_.size(); ++field) {
        StatusField& pending = statusFields_[field];
        if (pending.pending) {
            SendMessageW(statusBar_, SB_SETTEXTW, field,
                         reinterpret_cast<LPARAM>(pending.pendingText.c_str()));
            pending.pending = false;
        }
    }
    for (HWND list : heldLists_) {
        SendMessageW(list, WM_SETREDRAW, TRUE, 0);
        RedrawWindow(list, nullptr, nullptr,
                     RDW_ERASE | RDW_FRAME | RDW_INVALIDATE | RDW_ALLCHILDREN);
    }
    heldLists_.clear();
}

LRESULT CALLBACK Win32ControlLayer::WindowProcedure(HWND window, UINT message, WPARAM first,
                                                    LPARAM second) {
    if (message == WM_NCCREATE) {
        const auto* creation = reinterpret_cast<const CREATESTRUCTW*>(second);
        SetWindowLongPtrW(window, GWLP_USERDATA,
                          reinterpret_cast<LONG_PTR>(creation->lpCreateParams));
    }
    auto* layer = reinterpret_cast<Win32ControlLayer*>(GetWindowLongPtrW(window, GWLP_USERDATA));
    if (layer == nullptr) {
        return DefWindowProcW(window, message, first, second);
    }
    return layer->handleWindowMessage(window, message, first, second);
}

LRESULT Win32ControlLayer::handleWindowMessage(HWND window, UINT message, WPARAM first,
                                               LPARAM second) {
    switch (message) {
    case WM_CLOSE:
        events_.latch(CloseEvent, -1); // the window stays open until the program closes it
        return 0;
    case WM_COMMAND:
        if (second != 0) {
            onCommand(reinterpret_cast<HWND>(second), HIWORD(first));
        }
        return 0;
    case WM_NOTIFY:
        onNotify(*reinterpret_cast<const NMHDR*>(second));
        return 0;
    case WM_ACTIVATE:
        if (restoreFocusOnActivation(window, LOWORD(first))) {
            return 0;
        }
        break;
    case WM_NCDESTROY:
        SetWindowLongPtrW(window, GWLP_USERDATA, 0);
        if (window == window_) {
            window_ = nullptr;
            forgetControls();
        }
        break;
    default:
        break;
    }
    return DefWindowProcW(window, message, first, second);
}

bool Win32ControlLayer::restoreFocusOnActivation(HWND window, WORD state) {
    // Like a dialog, the window gives the focus back to the control that had it when the user
    // switched away.
    if (state == WA_INACTIVE) {
        HWND focused = GetFocus();
        focusBeforeDeactivation_ =
            focused != nullptr && IsChild(window, focused) ? focused : nullptr;
        return false;
    }
    HWND target = focusBeforeDeactivation_;
    if (target == nullptr || !IsChild(window, target)) {
        return false;
    }
    // A command may have disabled that control meanwhile; a disabled window takes no focus, and
    // a window left without one hears no keys, not even Tab. The next tab stop takes it then.
    if (!CanTakeFocus(target)) {
        target = GetNextDlgTabItem(window, target, FALSE);
        if (target == nullptr || !CanTakeFocus(target)) {
            return false; // the window itself takes the focus, and Tab still works
        }
    }
    SetFocus(target);
    return true;
}

void Win32ControlLayer::onCommand(HWND sender, UINT notification) {
    const int number = GetDlgCtrlID(sender);
    const Control* found = control(number);
    if (found != nullptr && found->window == sender && IsUserCommand(found->kind, notification)) {
        events_.latchFromUser(number);
    }
}

void Win32ControlLayer::onNotify(const NMHDR& notification) {
    const int number = static_cast<int>(notification.idFrom);
    const Control* found = controlOfKind(number, ControlKind::ReportList);
    if (found != nullptr && found->window == notification.hwndFrom &&
        report_list::IsRowChoice(notification)) {
        events_.latchFromUser(number);
    }
}

} // namespace bk
