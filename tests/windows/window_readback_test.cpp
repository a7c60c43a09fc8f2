// The main window as the program builds it on the Win32 control layer, read back through the
// system's own calls only: what a person and a screen reader find there.
#include "platform/win32_gui_session.h"
#include "platform/win32_text.h"
#include "ui/control_numbers.h"
#include "ui/main_window.h"

#include <gtest/gtest.h>
#include <map>
#include <memory>
#include <string>
#include <vector>
// The common controls' header needs the system's types first.
// clang-format off
#include <windows.h>
#include <commctrl.h>
// clang-format on

namespace bk::test {

namespace {

struct ControlRow {
    int number;
    const wchar_t* windowClass;
    Rect rect;
    const char* text;
    bool tabStop;
};

// The window's fixed layout, control by control, in the order of creation.
const ControlRow ControlTable[] = {
    {AddFolderButton, L"Button", {5, 5, 95, 20}, "Pfad hinzufügen", true},
    {PatternField, L"Edit", {105, 5, 95, 20}, "*.*", true},
    {AllFilesLabel, L"Static", {5, 30, 195, 18}, "Alle Dateien", false},
    {AllFilesView, L"SysListView32", {5, 48, 195, 382}, "", true},
    {ResetButton, L"Button", {5, 435, 195, 20}, "Zurücksetzen", true},
    {FindDuplicatesButton, L"Button", {205, 5, 197, 20}, "Doppelte Dateien suchen", true},
    {FindSameNamesButton, L"Button", {407, 5, 197, 20}, "Gleichnamige Dateien suchen", true},
    {GroupsLabel, L"Static", {205, 30, 400, 18}, "Dateien mit gleichem Inhalt", false},
    {GroupsView, L"ListBox", {205, 48, 400, 257}, "", true},
    {MembersLabel, L"Static", {205, 310, 430, 18}, "Doppelte Dateien:", false},
    {MembersView, L"ListBox", {205, 328, 430, 77}, "", true},
    {DeleteMarkedButton, L"Button", {205, 410, 212, 20}, "Lösche markierte Datei", true},
    {DeleteOthersButton, L"Button", {205, 435, 212, 20}, "Lösche alle außer markierter", true},
    {DeleteByExtensionButton,
     L"Button",
     {422, 410, 212, 20},
     "Lösche Dateien mit spez. Endung",
     true},
    {SearchProgress, L"msctls_progress32", {610, 80, 25, 225}, "", false},
    {CompareProgress, L"msctls_progress32", {610, 50, 25, 25}, "", false},
};

std::wstring ClassOf(HWND window) {
    wchar_t name[64] = {};
    GetClassNameW(window, name, 64);
    return name;
}

std::string TextOf(HWND window) {
    wchar_t text[256] = {};
    GetWindowTextW(window, text, 256);
    return ByteText(text);
}

Rect ClientRectOf(HWND control, HWND window) {
    RECT bounds{};
    GetWindowRect(control, &bounds);
    MapWindowPoints(nullptr, window, reinterpret_cast<POINT*>(&bounds), 2);
    return {bounds.left, bounds.top, bounds.right - bounds.left, bounds.bottom - bounds.top};
}

BOOL CALLBACK KeepProgramWindow(HWND window, LPARAM found) {
    if (IsWindowVisible(window) && (GetWindowLongW(window, GWL_STYLE) & WS_CAPTION) != 0) {
        *reinterpret_cast<HWND*>(found) = window;
        return FALSE;
    }
    return TRUE;
}

// The window's own children by their ids; not the parts of a control, such as a list's header.
BOOL CALLBACK KeepChild(HWND child, LPARAM children) {
    if (GetAncestor(child, GA_PARENT) == GetAncestor(child, GA_ROOT)) {
        reinterpret_cast<std::map<int, HWND>*>(children)->emplace(GetDlgCtrlID(child), child);
    }
    return TRUE;
}

// The real main window, built once for a suite: under Wine without a window manager, closing a
// window waits two seconds for a notice that never comes.
class ProgramWindow {
  public:
    ProgramWindow() {
        created = CreateMainWindow(controls);
        EnumThreadWindows(GetCurrentThreadId(), KeepProgramWindow,
                          reinterpret_cast<LPARAM>(&window));
        if (window != nullptr) {
            EnumChildWindows(window, KeepChild, reinterpret_cast<LPARAM>(&children));
        }
    }

    HWND child(int number) const {
        const auto found = children.find(number);
        return found != children.end() ? found->second : nullptr;
    }

    int argc = 0;
    DesktopSession session{argc, nullptr, {}};
    ControlLayer& controls = session.controls();
    bool created = false;
    HWND window = nullptr;
    std::map<int, HWND> children;
};

class WindowTest : public ::testing::Test {
  protected:
    static void SetUpTestSuite() { shown = std::make_unique<ProgramWindow>(); }
    static void TearDownTestSuite() { shown.reset(); }
    void SetUp() override {
        ASSERT_TRUE(shown->created);
        ASSERT_NE(window, nullptr);
    }
    HWND child(int number) const { return shown->child(number); }

    static inline std::unique_ptr<ProgramWindow> shown;
    ControlLayer& controls = shown->controls;
    HWND window = shown->window;
};

// Read back as the program left it.
class WindowReadbackTest : public WindowTest {};
// Driven through the event loop.
class WindowEventsTest : public WindowTest {};

TEST_F(WindowReadbackTest, EveryControlStandsAtItsPlaceWithItsClassTextAndStyle) {
    for (const ControlRow& row : ControlTable) {
        SCOPED_TRACE(row.number);
        HWND control = child(row.number);
        ASSERT_NE(control, nullptr);
        EXPECT_EQ(CompareStringOrdinal(ClassOf(control).c_str(), -1, row.windowClass, -1, TRUE),
                  CSTR_EQUAL);
        const Rect rect = ClientRectOf(control, window);
        EXPECT_EQ(rect.x, row.rect.x);
        EXPECT_EQ(rect.y, row.rect.y);
        EXPECT_EQ(rect.width, row.rect.width);
        EXPECT_EQ(rect.height, row.rect.height);
        EXPECT_EQ(TextOf(control), row.text);
        EXPECT_TRUE(IsWindowEnabled(control)) << "every control starts enabled";
        EXPECT_EQ((GetWindowLongW(control, GWL_STYLE) & WS_TABSTOP) != 0, row.tabStop);
    }
    // The controls and the status bar, nothing else.
    EXPECT_EQ(shown->children.size(), std::size(ControlTable) + 1);
}

TEST_F(WindowReadbackTest, WindowHasFixedClientAreaTitleAndFrame) {
    RECT client{};
    GetClientRect(window, &client);
    EXPECT_EQ(client.right, 640);
    EXPECT_EQ(client.bottom, 480);
    EXPECT_EQ(TextOf(window), "Brannoway-Kestrill");
    const LONG style = GetWindowLongW(window, GWL_STYLE);
    EXPECT_EQ(style & (WS_CAPTION | WS_SYSMENU), WS_CAPTION | WS_SYSMENU);
    EXPECT_EQ(style & (WS_THICKFRAME | WS_MINIMIZEBOX | WS_MAXIMIZEBOX), 0);
    RECT outer{};
    GetWindowRect(window, &outer);
    EXPECT_EQ(outer.left, GetSystemMetrics(SM_CXSCREEN) / 2 - (outer.right - outer.left) / 2);
    EXPECT_EQ(outer.top, GetSystemMetrics(SM_CYSCREEN) / 2 - (outer.bottom - outer.top) / 2);
}

TEST_F(WindowReadbackTest, AllFilesViewHasNameAndSizeColumnsAndChoosesWholeRows) {
    HWND list = child(AllFilesView);
    const auto header = reinterpret_cast<HWND>(SendMessageW(list, LVM_GETHEADER, 0, 0));
    EXPECT_EQ(SendMessageW(header, HDM_GETITEMCOUNT, 0, 0), 2);
    const std::pair<const char*, int> columns[] = {{"Name", 150}, {"Größe", 100}};
    for (int index = 0; index < 2; ++index) {
        wchar_t title[32] = {};
        LVCOLUMNW column{};
        column.mask = LVCF_TEXT | LVCF_WIDTH;
        column.pszText = title;
        column.cchTextMax = 32;
        ASSERT_TRUE(SendMessageW(list, LVM_GETCOLUMNW, static_cast<WPARAM>(index),
                                 reinterpret_cast<LPARAM>(&column)));
        EXPECT_EQ(ByteText(title), columns[index].first);
        EXPECT_EQ(column.cx, columns[index].second);
    }
    EXPECT_EQ(GetWindowLongW(list, GWL_STYLE) & (LVS_TYPEMASK | LVS_SINGLESEL),
              LVS_REPORT | LVS_SINGLESEL);
    EXPECT_NE(SendMessageW(list, LVM_GETEXTENDEDLISTVIEWSTYLE, 0, 0) & LVS_EX_FULLROWSELECT, 0);
}

TEST_F(WindowReadbackTest, StatusBarHasFieldsEndingAt200And640AlongTheBottom) {
    HWND bar = FindWindowExW(window, nullptr, STATUSCLASSNAMEW, nullptr);
    ASSERT_NE(bar, nullptr);
    int edges[4] = {};
    ASSERT_EQ(SendMessageW(bar, SB_GETPARTS, 4, reinterpret_cast<LPARAM>(edges)), 2);
    EXPECT_EQ(edges[0], 200);
    EXPECT_EQ(edges[1], 640);
    const Rect rect = ClientRectOf(bar, window);
    EXPECT_EQ(rect.y + rect.height, 480);
    EXPECT_GE(rect.y, 455) << "the lowest buttons end at 455";
}

TEST_F(WindowReadbackTest, TabStopsFollowTheOrderOfCreationAndWrap) {
    std::vector<int> tabStops;
    for (const ControlRow& row : ControlTable) {
        if (row.tabStop) {
            tabStops.push_back(row.number);
        }
    }
    std::vector<int> forward;
    HWND at = GetNextDlgTabItem(window, nullptr, FALSE);
    for (std::size_t step = 0; step < tabStops.size(); ++step) {
        forward.push_back(GetDlgCtrlID(at));
        at = GetNextDlgTabItem(window, at, FALSE);
    }
    EXPECT_EQ(forward, tabStops);
    EXPECT_EQ(GetDlgCtrlID(at), tabStops.front()) << "Tab on the last stop goes to the first";
    EXPECT_EQ(GetDlgCtrlID(GetNextDlgTabItem(window, at, TRUE)), tabStops.back());
}

// Wine draws the message font with DejaVu Sans, wider than Windows' Segoe UI: "Pfad hinzufügen"
// takes 91 of its button's 95 pixels there.
TEST_F(WindowReadbackTest, EveryCaptionFitsItsControl) {
    for (const ControlRow& row : ControlTable) {
        HWND control = child(row.number);
        const std::wstring text = WideText(row.text);
        HDC context = GetDC(control);
        const auto font = reinterpret_cast<HFONT>(SendMessageW(control, WM_GETFONT, 0, 0));
        ASSERT_NE(font, nullptr) << row.number;
        const HGDIOBJ previous = SelectObject(context, font);
        SIZE needed{};
        GetTextExtentPoint32W(context, text.c_str(), static_cast<int>(text.size()), &needed);
        SelectObject(context, previous);
        ReleaseDC(control, context);
        RECT inside{};
        GetClientRect(control, &inside);
        // Inside the raised or sunken edge that buttons and fields draw around their text.
        EXPECT_LE(needed.cx + 2 * GetSystemMetrics(SM_CXEDGE), inside.right) << row.text;
        EXPECT_LE(needed.cy, inside.bottom) << row.text;
    }
}

TEST_F(WindowEventsTest, TabThroughTheEventLoopMovesTheFocus) {
    SetFocus(child(DeleteByExtensionButton));
    PostMessageW(GetFocus(), WM_KEYDOWN, VK_TAB, 1);
    PostMessageW(window, WM_CLOSE, 0, 0);
    EXPECT_EQ(controls.waitEvent(), CloseEvent);
    EXPECT_EQ(GetFocus(), child(AddFolderButton)) << "Tab on the last stop goes to the first";
}

// While a long command runs, one that says it is still at work, clicks and keys are dropped; a
// close request is handed out after the command.
TEST_F(WindowEventsTest, InputDuringALongCommandIsDroppedAndACloseRequestKept) {
    SendMessageW(child(AddFolderButton), BM_CLICK, 0, 0);
    ASSERT_EQ(controls.waitEvent(), ControlEvent); // the command starts
    HWND reset = child(ResetButton);
    const auto clickReset = [reset] {
        PostMessageW(reset, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(5, 5));
        PostMessageW(reset, WM_LBUTTONUP, 0, MAKELPARAM(5, 5));
        PostMessageW(reset, WM_KEYDOWN, VK_SPACE, 1);
    };
    clickReset();
    PostMessageW(window, WM_CLOSE, 0, 0);
    controls.stillWorking();
    clickReset(); // after the last breath
    EXPECT_EQ(controls.waitEvent(), CloseEvent);
    EXPECT_TRUE(IsWindowVisible(window)) << "the window stays open until the program closes it";
    // Nothing was latched behind the close request.
    PostMessageW(window, WM_CLOSE, 0, 0);
    EXPECT_EQ(controls.waitEvent(), CloseEvent);
}

TEST_F(WindowEventsTest, ClicksBetweenCommandsReachTheControls) {
    HWND reset = child(ResetButton);
    PostMessageW(reset, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(5, 5));
    PostMessageW(reset, WM_LBUTTONUP, 0, MAKELPARAM(5, 5));
    ASSERT_EQ(controls.waitEvent(), ControlEvent);
    EXPECT_EQ(controls.eventControl(), ResetButton);
    // The command's changes are answered by a pass at once, before the window waits: without it
    // a button the command made usable stays disabled until the next message, and the click
    // that meets it goes to the window instead.
    PostMessageW(window, WM_CLOSE, 0, 0);
    EXPECT_EQ(controls.waitEvent(), OtherEvent);
    EXPECT_EQ(controls.waitEvent(), CloseEvent);
}

TEST_F(WindowEventsTest, ChangesTheProgramMakesLatchNothing) {
    controls.addItem(AllFilesView, -1, "a.txt\n3 Bytes");
    controls.setState(AllFilesView, 0);
    controls.setText(PatternField, "*.txt");
    controls.addItem(GroupsView, -1, "2: a.txt, a.txt");
    controls.setState(GroupsView, 0);
    PostMessageW(window, WM_CLOSE, 0, 0);
    int event = OtherEvent;
    while ((event = controls.waitEvent()) == OtherEvent) {
    }
    EXPECT_EQ(event, CloseEvent);
    EXPECT_EQ(controls.getText(AllFilesView), "a.txt");
    EXPECT_EQ(controls.getText(PatternField), "*.txt");
}

// The window has no default button and nothing to cancel: Enter and Escape, on a button or in
// the pattern field, neither use a control nor close anything, though the dialog manager turns
// them into commands for the controls numbered 1 and 2.
TEST_F(WindowEventsTest, EnterAndEscapeUseNoControl) {
    const std::string pattern = controls.getText(PatternField);
    for (const int number : {ResetButton, PatternField}) {
        for (const WPARAM key : {WPARAM{VK_RETURN}, WPARAM{VK_ESCAPE}}) {
            SetFocus(child(number));
            PostMessageW(child(number), WM_KEYDOWN, key, 1);
            PostMessageW(window, WM_CLOSE, 0, 0);
            int event = OtherEvent;
            while ((event = controls.waitEvent()) == OtherEvent) {
            }
            EXPECT_EQ(event, CloseEvent) << number << " " << key;
        }
    }
    EXPECT_EQ(controls.getText(PatternField), pattern);
}

// The user switched to another program, and meanwhile the command disabled the control that had
// the focus: coming back, the keyboard goes on from the next tab stop, not from nowhere.
TEST_F(WindowEventsTest, ReactivationSkipsAControlDisabledMeanwhile) {
    SetFocus(child(ResetButton));
    SendMessageW(window, WM_ACTIVATE, WA_INACTIVE, 0);
    SetFocus(nullptr); // an inactive window's thread has no focus
    controls.disable(ResetButton, true);
    SendMessageW(window, WM_ACTIVATE, WA_ACTIVE, 0);
    const HWND focused = GetFocus();
    controls.disable(ResetButton, false);
    EXPECT_EQ(focused, child(FindDuplicatesButton));
}

} // namespace

} // namespace bk::test
