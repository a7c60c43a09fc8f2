#include "platform/win32_gui_control_layer.h"

#include "platform/win32_gui_folder_chooser.h"
#include "platform/win32_gui_list_box.h"
#include "platform/win32_gui_report_list.h"
#include "platform/win32_text.h"

#include <algorithm>
#include <commctrl.h>

namespace bk {

namespace {

constexpr wchar_t WindowClassName[] = L"BrannowayKestrillWindow";
// The icon the program carries as its resource 1.
constexpr int ProgramIconResource = 1;
// The status bar has a number of its own, apart from the controls; its window id stays clear of
// every control number, so that looking a control up by its id never finds the status bar.
constexpr int StatusBarWindowId = 0xE801;

// The window: a caption with the system menu and its close box; no minimise or maximise box,
// and no sizing border, as the layout is fixed.
constexpr DWORD WindowStyle = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_CLIPCHILDREN;

HINSTANCE ProgramInstance() {
    return GetModuleHandleW(nullptr);
}

// The program's own icon at the size asked for; the system's application icon when the
// executable carries none.
HICON ProgramIcon(int widthMetric, int heightMetric) {
    HANDLE icon =
        LoadImageW(ProgramInstance(), MAKEINTRESOURCEW(ProgramIconResource), IMAGE_ICON,
                   GetSystemMetrics(widthMetric), GetSystemMetrics(heightMetric), LR_SHARED);
    return icon != nullptr ? static_cast<HICON>(icon) : LoadIconW(nullptr, IDI_APPLICATION);
}

bool IsList(ControlKind kind) {
    return kind == ControlKind::ListBox || kind == ControlKind::ReportList;
}

WPARAM WParamOf(std::int64_t value) {
    return static_cast<WPARAM>(value);
}

} // namespace

Win32ControlLayer::Win32ControlLayer() : scale_(DisplayScale::OfSystem()), font_(MessageFont()) {}

Win32ControlLayer::~Win32ControlLayer() {
    closeWindow(0);
    if (windowClass_ != 0) {
        UnregisterClassW(WindowClassName, ProgramInstance());
    }
}

bool Win32ControlLayer::registerWindowClass() {
    if (windowClass_ != 0) {
        return true;
    }
    WNDCLASSEXW windowClass{};
    windowClass.cbSize = sizeof(windowClass);
    windowClass.lpfnWndProc = WindowProcedure;
    windowClass.hInstance = ProgramInstance();
    windowClass.hIcon = ProgramIcon(SM_CXICON, SM_CYICON);
    windowClass.hIconSm = ProgramIcon(SM_CXSMICON, SM_CYSMICON);
    windowClass.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    windowClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    windowClass.lpszClassName = WindowClassName;
    windowClass_ = RegisterClassExW(&windowClass);
    return windowClass_ != 0;
}

bool Win32ControlLayer::openWindow(int number, int clientWidth, int clientHeight,
                                   std::string_view title) {
    if (number != 0 || window_ != nullptr || !registerWindowClass()) {
        return false; // the program has exactly one window
    }
    RECT outer{0, 0, scale_.pixels(clientWidth), scale_.pixels(clientHeight)};
    AdjustWindowRectEx(&outer, WindowStyle, FALSE, 0);
    const int width = outer.right - outer.left;
    const int height = outer.bottom - outer.top;
    const int x = GetSystemMetrics(SM_CXSCREEN) / 2 - width / 2;
    const int y = GetSystemMetrics(SM_CYSCREEN) / 2 - height / 2;
    window_ = CreateWindowExW(0, WindowClassName, WideText(title).c_str(), WindowStyle, x, y, width,
                              height, nullptr, nullptr, ProgramInstance(), this);
    if (window_ == nullptr) {
        return false;
    }
    // No control has the keyboard focus until the first Tab, which goes to the first control.
    ShowWindow(window_, SW_SHOW);
    UpdateWindow(window_);
    return true;
}

void Win32ControlLayer::closeWindow(int number) {
    if (number != 0 || window_ == nullptr) {
        return;
    }
    accessibleNames_.forgetAll();
    {
        EventLatch::ProgramChange change(events_);
        DestroyWindow(window_);
    }
    window_ = nullptr;
    forgetControls();
}

void Win32ControlLayer::forgetControls() {
    controls_.clear();
    statusBar_ = nullptr;
    statusBarNumber_ = -1;
    statusEdges_.clear();
    statusFields_.clear();
    heldLists_.clear();
    focusBeforeDeactivation_ = nullptr;
}

const Win32ControlLayer::Control* Win32ControlLayer::control(int number) const {
    if (number < 0 || static_cast<std::size_t>(number) >= controls_.size()) {
        return nullptr;
    }
    const Control& slot = controls_[static_cast<std::size_t>(number)];
    return slot.window != nullptr ? &slot : nullptr;
}

const Win32ControlLayer::Control* Win32ControlLayer::controlOfKind(int number,
                                                                   ControlKind kind) const {
    const Control* found = control(number);
    return found != nullptr && found->kind == kind ? found : nullptr;
}

bool Win32ControlLayer::createControl(int number, ControlKind kind, Rect rect,
                                      std::string_view text) {
    if (window_ == nullptr || number < 0) {
        return false;
    }
    const auto slot = static_cast<std::size_t>(number);
    if (slot >= controls_.size()) {
        controls_.resize(slot + 30); // the table grows in steps, like every table of the layer
    }
    EventLatch::ProgramChange change(events_);
    if (controls_[slot].window != nullptr) {
        DestroyWindow(controls_[slot].window); // a number names one control, and one window id
        controls_[slot] = {};
    }
    const ControlShape shape = ShapeOf(kind);
    const RECT bounds = scale_.bounds(rect);
    HWND created = CreateWindowExW(
        shape.extendedStyle, shape.windowClass, WideText(text).c_str(), shape.style, bounds.left,
        bounds.top, bounds.right - bounds.left, bounds.bottom - bounds.top, window_,
        reinterpret_cast<HMENU>(static_cast<INT_PTR>(number)), ProgramInstance(), nullptr);
    if (created == nullptr) {
        return false;
    }
    SendMessageW(created, WM_SETFONT, reinterpret_cast<WPARAM>(font_.get()), FALSE);
    controls_[slot] = {created, kind};
    return true;
}

bool Win32ControlLayer::createButton(int number, Rect rect, std::string_view text) {
    return createControl(number, ControlKind::Button, rect, text);
}

bool Win32ControlLayer::createTextField(int number, Rect rect, std::string_view text) {
    return createControl(number, ControlKind::TextField, rect, text);
}

bool Win32ControlLayer::createLabel(int number, Rect rect, std::string_view text) {
    return createControl(number, ControlKind::Label, rect, text);
}

bool Win32ControlLayer::createListBox(int number, Rect rect) {
    return createControl(number, ControlKind::ListBox, rect, {});
}

bool Win32ControlLayer::createReportList(int number, Rect rect, std::string_view firstColumnTitle,
                                         int firstColumnWidth) {
    if (!createControl(number, ControlKind::ReportList, rect, {})) {
        return false;
    }
    HWND list = control(number)->window;
    report_list::SetUp(list);
    report_list::InsertColumn(list, 0, firstColumnTitle, scale_.pixels(firstColumnWidth));
    return true;
}

bool Win32ControlLayer::addColumn(int number, int position, std::string_view title, int width) {
    const Control* list = controlOfKind(number, ControlKind::ReportList);
    // Column 0 is made with the list; later ones follow it.
    return list != nullptr && position >= 1 &&
           report_list::InsertColumn(list->window, position, title, scale_.pixels(width));
}

bool Win32ControlLayer::createProgressBar(int number, Rect rect, int maximum) {
    if (!createControl(number, ControlKind::ProgressBar, rect, {})) {
        return false;
    }
    HWND bar = control(number)->window;
    SendMessageW(bar, PBM_SETRANGE32, 0, maximum);
    SendMessageW(bar, PBM_SETPOS, 0, 0);
    return true;
}

void Win32ControlLayer::setAccessibleName(int number, std::string_view name) {
    if (const Control* found = control(number)) {
        accessibleNames_.name(found->window, name);
    }
}

bool Win32ControlLayer::createStatusBar(int number, int height) {
    if (window_ == nullptr || statusBar_ != nullptr || number < 0) {
        return false;
    }
    statusBar_ = CreateWindowExW(0, STATUSCLASSNAMEW, L"", WS_CHILD | WS_VISIBLE, 0, 0, 0, 0,
                                 window_, reinterpret_cast<HMENU>(INT_PTR{StatusBarWindowId}),
                                 ProgramInstance(), nullptr);
    if (statusBar_ == nullptr) {
        return false;
    }
    SendMessageW(statusBar_, WM_SETFONT, reinterpret_cast<WPARAM>(font_.get()), FALSE);
    // The bar sizes itself along the bottom edge: its drawing area, inside the borders, as high
    // as the layout leaves it, unless its font needs more.
    int borders[3] = {};
    SendMessageW(statusBar_, SB_GETBORDERS, 0, reinterpret_cast<LPARAM>(borders));
    const int drawingHeight = std::max(0, scale_.pixels(height) - 2 * borders[1]);
    SendMessageW(statusBar_, SB_SETMINHEIGHT, static_cast<WPARAM>(drawingHeight), 0);
    SendMessageW(statusBar_, WM_SIZE, 0, 0);
    statusBarNumber_ = number;
    return true;
}

void Win32ControlLayer::addStatusField(int width) {
    if (statusBar_ == nullptr) {
        return;
    }
    // Fields are given by their right edges, each the previous edge plus the field's width.
    statusEdges_.push_back((statusEdges_.empty() ? 0 : statusEdges_.back()) + width);
    statusFields_.emplace_back();
    std::vector<int> edges;
    for (const int edge : statusEdges_) {
        edges.push_back(scale_.pixels(edge));
    }
    SendMessageW(statusBar_, SB_SETPARTS, edges.size(), reinterpret_cast<LPARAM>(edges.data()));
}

void Win32ControlLayer::setStatusText(int statusBar, int field, std::string_view text) {
    if (statusBar_ == nullptr || statusBar != statusBarNumber_ || field < 0 ||
        static_cast<std::size_t>(field) >= statusFields_.size()) {
        return;
    }
    StatusField& target = statusFields_[static_cast<std::size_t>(field)];
    target.pendingText = WideText(text);
    target.pending = true;
    if (!commandRunning_) {
        showPendingChanges();
        return;
    }
    // A scan changes the count after every entry; the screen needs only the latest text.
    letWindowBreathe();
}

void Win32ControlLayer::addItem(int number, std::int64_t position, std::string_view text) {
    EventLatch::ProgramChange change(events_);
    const Control* found = control(number);
    if (found == nullptr || !IsList(found->kind)) {
        return;
    }
    holdRowDrawing(*found);
    if (found->kind == ControlKind::ListBox) {
        list_box::Insert(found->window, position, text);
    } else {
        report_list::Insert(found->window, position, text);
    }
}

void Win32ControlLayer::removeItem(int number, std::int64_t item) {
    EventLatch::ProgramChange change(events_);
    const Control* found = control(number);
    if (found == nullptr || !IsList(found->kind)) {
        return;
    }
    holdRowDrawing(*found);
    if (found->kind == ControlKind::ListBox) {
        list_box::Remove(found->window, item);
    } else {
        report_list::Remove(found->window, item);
    }
}

void Win32ControlLayer::clearItems(int number) {
    EventLatch::ProgramChange change(events_);
    const Control* found = control(number);
    if (found == nullptr || !IsList(found->kind)) {
        return;
    }
    holdRowDrawing(*found);
    if (found->kind == ControlKind::ListBox) {
        list_box::Clear(found->window);
    } else {
        report_list::Clear(found->window);
    }
}

std::int64_t Win32ControlLayer::countItems(int number) {
    const Control* found = control(number);
    if (found == nullptr) {
        return 0;
    }
    switch (found->kind) {
    case ControlKind::ListBox:
        return list_box::Count(found->window);
    case ControlKind::ReportList:
        return report_list::Count(found->window);
    default:
        return 0;
    }
}

std::int64_t Win32ControlLayer::getState(int number) {
    const Control* found = control(number);
    if (found == nullptr) {
        return 0;
    }
    switch (found->kind) {
    case ControlKind::ListBox:
        return list_box::Selected(found->window);
    case ControlKind::ReportList:
        return report_list::FocusedRow(found->window);
    case ControlKind::ProgressBar:
        return SendMessageW(found->window, PBM_GETPOS, 0, 0);
    case ControlKind::Button:
        return SendMessageW(found->window, BM_GETCHECK, 0, 0);
    default:
        return 0;
    }
}

void Win32ControlLayer::setState(int number, std::int64_t value) {
    const Control* found = control(number);
    if (found == nullptr) {
        return;
    }
    {
        EventLatch::ProgramChange change(events_);
        applyState(*found, value);
    }
    // After the change: what the breath hands on is the user's doing, not the program's.
    letWindowBreathe();
}

void Win32ControlLayer::applyState(const Control& target, std::int64_t value) {
    switch (target.kind) {
    case ControlKind::ListBox:
        list_box::Select(target.window, value);
        break;
    case ControlKind::ReportList:
        report_list::FocusRow(target.window, value);
        break;
    case ControlKind::ProgressBar:
        SendMessageW(target.window, PBM_SETPOS, WParamOf(value), 0);
        break;
    case ControlKind::Button:
        SendMessageW(target.window, BM_SETCHECK, WParamOf(value), 0);
        break;
    default:
        break;
    }
}

std::string Win32ControlLayer::getText(int number) {
    const Control* found = control(number);
    if (found == nullptr) {
        return {};
    }
    switch (found->kind) {
    case ControlKind::ListBox:
        return list_box::SelectedText(found->window);
    case ControlKind::ReportList:
        return report_list::FocusedText(found->window);
    default:
        return WindowText(found->window);
    }
}

void Win32ControlLayer::setText(int number, std::string_view text) {
    EventLatch::ProgramChange change(events_);
    const Control* found = control(number);
    if (found == nullptr) {
        return;
    }
    switch (found->kind) {
    case ControlKind::ListBox:
        list_box::SelectText(found->window, text);
        break;
    case ControlKind::ReportList:
        holdRowDrawing(*found);
        report_list::SetFocusedTexts(found->window, text);
        break;
    case ControlKind::ProgressBar:
        break;
    default:
        SetWindowTextW(found->window, WideText(text).c_str());
        break;
    }
}

void Win32ControlLayer::setItemText(int number, std::int64_t item, std::string_view text,
                                    int column) {
    EventLatch::ProgramChange change(events_);
    const Control* found = control(number);
    if (found == nullptr || !IsList(found->kind)) {
        return;
    }
    holdRowDrawing(*found);
    if (found->kind == ControlKind::ListBox) {
        list_box::Replace(found->window, item, text);
    } else {
        report_list::SetCell(found->window, item, column, text);
    }
}

void Win32ControlLayer::disable(int number, bool disabled) {
    EventLatch::ProgramChange change(events_);
    const Control* found = control(number);
    if (found == nullptr) {
        return;
    }
    const bool hadFocus = GetFocus() == found->window;
    EnableWindow(found->window, disabled ? FALSE : TRUE);
    if (disabled && hadFocus) {
        // A disabled control loses the focus; the next tab stop takes it, so that the keyboard
        // keeps working.
        HWND next = GetNextDlgTabItem(window_, found->window, FALSE);
        SetFocus(next != nullptr && next != found->window ? next : window_);
    }
}

void Win32ControlLayer::settleBeforeBox() {
    // What the user did to the window meanwhile must not reach it through the box's own loop.
    if (commandRunning_) {
        breathe();
    } else {
        showPendingChanges();
    }
}

std::string Win32ControlLayer::chooseFolder(std::string_view title,
                                            std::string_view initialFolder) {
    settleBeforeBox();
    return ChooseFolderWithShell(window_, title, initialFolder);
}

void Win32ControlLayer::messageBox(std::string_view title, std::string_view text) {
    settleBeforeBox();
    HWND owner = window_ != nullptr && IsWindowVisible(window_) ? window_ : nullptr;
    MessageBoxW(owner, WideText(text).c_str(), WideText(title).c_str(), MB_OK);
}

} // namespace bk
