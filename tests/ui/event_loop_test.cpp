#include "platform/posix_file_services.h"
#include "ui/result_views.h"
#include "ui/status_line.h"
#include "ui/texts.h"
#include "ui/window_fixture.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPushButton>
#include <QTimer>
#include <utility>

namespace bk::test {

namespace {

constexpr std::string_view IdleActivity = "Willkommen beim Brannoway-Kestrill";
constexpr std::string_view IdleDetail = "Programmed by Ostrevallen";

// Long enough never to fire while a working loop runs; it only keeps a broken loop from hanging
// the whole test run.
constexpr int HangGuardMs = 20000;

// The main window with the event loop driven for real: events are latched by clicking the real
// widgets, and the loop runs until the close request it finds in the queue.
class EventLoopTest : public WindowTest {
  protected:
    void click(int control) {
        auto* button = qobject_cast<QPushButton*>(controls.controlWidget(control));
        ASSERT_NE(button, nullptr);
        ASSERT_TRUE(button->isEnabled()) << "control " << control << " cannot be clicked";
        button->click();
    }

    void requestClose() { controls.window()->close(); }

    // Runs the loop until it has handled the close request; false when it had to be stopped
    // because it never returned on its own.
    bool runLoop() {
        bool stopped = false;
        QTimer guard;
        guard.setSingleShot(true);
        QObject::connect(&guard, &QTimer::timeout, [this, &stopped] {
            stopped = true;
            controls.window()->close();
        });
        guard.start(HangGuardMs);
        RunEventLoop(program);
        return !stopped;
    }

    void clickRow(int view, int row) {
        auto* itemView = qobject_cast<QAbstractItemView*>(controls.controlWidget(view));
        ASSERT_NE(itemView, nullptr);
        controls.showPendingChanges();
        const QPoint at = itemView->visualRect(itemView->model()->index(row, 0)).center();
        QWidget* viewport = itemView->viewport();
        QMouseEvent press(QEvent::MouseButtonPress, at, viewport->mapToGlobal(at), Qt::LeftButton,
                          Qt::LeftButton, Qt::NoModifier);
        QMouseEvent release(QEvent::MouseButtonRelease, at, viewport->mapToGlobal(at),
                            Qt::LeftButton, Qt::NoButton, Qt::NoModifier);
        QApplication::sendEvent(viewport, &press);
        QApplication::sendEvent(viewport, &release);
    }
};

// What the enabling rules must leave, state by state. Controls not named here (the add-folder
// button, the all-files view, the pattern field, labels and bars) are never disabled.
struct EnablingCase {
    const char* state;
    std::vector<int> enabled;
    std::vector<int> disabled;
};

const std::vector<int> NeverDisabled = {AddFolderButton, AllFilesLabel,  AllFilesView,
                                        GroupsLabel,     MembersLabel,   PatternField,
                                        SearchProgress,  CompareProgress};

TEST_F(EventLoopTest, EnablingFollowsTheCatalogueAndTheMembersView) {
    const std::vector<EnablingCase> cases = {
        {"empty catalogue",
         {},
         {GroupsView, MembersView, DeleteMarkedButton, ResetButton, FindDuplicatesButton,
          DeleteOthersButton, DeleteByExtensionButton, FindSameNamesButton}},
        {"files but no groups",
         {FindDuplicatesButton, FindSameNamesButton, ResetButton},
         {GroupsView, MembersView, DeleteMarkedButton, DeleteOthersButton,
          DeleteByExtensionButton}},
        {"groups, members view empty",
         {FindDuplicatesButton, FindSameNamesButton, ResetButton, GroupsView, MembersView},
         {DeleteMarkedButton, DeleteOthersButton, DeleteByExtensionButton}},
        {"members shown",
         {FindDuplicatesButton, FindSameNamesButton, ResetButton, GroupsView, MembersView,
          DeleteMarkedButton, DeleteOthersButton},
         {DeleteByExtensionButton}},
        // Back again: the rules must also disable what an earlier state enabled.
        {"files but no groups",
         {FindDuplicatesButton, FindSameNamesButton, ResetButton},
         {GroupsView, MembersView, DeleteMarkedButton, DeleteOthersButton,
          DeleteByExtensionButton}},
        {"empty catalogue",
         {},
         {GroupsView, MembersView, DeleteMarkedButton, ResetButton, FindDuplicatesButton,
          DeleteOthersButton, DeleteByExtensionButton, FindSameNamesButton}},
    };
    for (const EnablingCase& each : cases) {
        SCOPED_TRACE(each.state);
        const std::string state = each.state;
        program.catalogue.groups.clear();
        program.catalogue.members.clear();
        program.catalogue.files.clear();
        RefreshViews(program, 0);
        if (state != "empty catalogue") {
            addFile("/data", "a.txt", 3);
            addFile("/data", "b.txt", 3);
        }
        if (state == "groups, members view empty" || state == "members shown") {
            addGroup({{"/data", "a.txt"}, {"/data", "b.txt"}});
            RefreshViews(program, ShowGroups);
        }
        if (state == "members shown") {
            controls.setState(GroupsView, 0);
            RefreshViews(program, ShowMembers);
            ASSERT_EQ(controls.countItems(MembersView), 2);
        }
        ApplyEnablingRules(program);
        for (const int control : each.enabled) {
            EXPECT_TRUE(enabled(control)) << "control " << control;
        }
        for (const int control : each.disabled) {
            EXPECT_FALSE(enabled(control)) << "control " << control;
        }
        for (const int control : NeverDisabled) {
            EXPECT_TRUE(enabled(control)) << "control " << control;
        }
    }
}

TEST_F(EventLoopTest, DeleteByExtensionButtonIsDisabledByTheFirstPassWhateverTheState) {
    EXPECT_TRUE(enabled(DeleteByExtensionButton)) << "every control starts enabled";
    requestClose();
    ASSERT_TRUE(runLoop());
    EXPECT_FALSE(enabled(DeleteByExtensionButton));

    addFile("/data", "a.txt", 3);
    addFile("/data", "b.txt", 3);
    ApplyEnablingRules(program);
    EXPECT_FALSE(enabled(DeleteByExtensionButton));
    addGroup({{"/data", "a.txt"}, {"/data", "b.txt"}});
    RefreshViews(program, ShowGroups);
    controls.setState(GroupsView, 0);
    RefreshViews(program, ShowMembers);
    ApplyEnablingRules(program);
    EXPECT_FALSE(enabled(DeleteByExtensionButton));
}

TEST_F(EventLoopTest, FirstPassOnAnEmptyCatalogueLeavesOnlyTheAddingControlsEnabled) {
    requestClose();
    ASSERT_TRUE(runLoop());
    for (const int control :
         {GroupsView, MembersView, DeleteMarkedButton, ResetButton, FindDuplicatesButton,
          DeleteOthersButton, DeleteByExtensionButton, FindSameNamesButton}) {
        EXPECT_FALSE(enabled(control)) << "control " << control;
    }
    for (const int control : {AddFolderButton, AllFilesView, PatternField}) {
        EXPECT_TRUE(enabled(control)) << "control " << control;
    }
}

TEST_F(EventLoopTest, ResetEmptiesCatalogueAndViewsButKeepsPatternsAndLastFolder) {
    tree.write("data/a.txt", "abc");
    tree.write("data/b.txt", "abc");
    tree.write("data/c.log", "abc");
    controls.setText(PatternField, "*.txt");
    addFolder(tree.path("data"));
    ASSERT_EQ(rows(AllFilesView), (std::vector<std::string>{"a.txt", "b.txt"}));
    addGroup({{tree.path("data"), "a.txt"}, {tree.path("data"), "b.txt"}});
    RefreshViews(program, ShowGroups);
    chooseRow(GroupsView, 0);
    ASSERT_EQ(controls.countItems(MembersView), 2);
    const std::int64_t patternCount = program.catalogue.patterns.count();
    ASSERT_GT(patternCount, 0);
    const std::string firstPattern = program.catalogue.patterns.first()->pattern;

    press(ResetButton);

    EXPECT_TRUE(program.catalogue.files.empty());
    EXPECT_TRUE(program.catalogue.groups.empty());
    EXPECT_TRUE(program.catalogue.members.empty());
    EXPECT_TRUE(program.catalogue.folders.empty());
    EXPECT_EQ(program.catalogue.files.count(), 0);
    EXPECT_EQ(program.catalogue.members.count(), 0);
    EXPECT_EQ(program.catalogue.patterns.count(), patternCount);
    EXPECT_EQ(program.catalogue.patterns.first()->pattern, firstPattern);
    EXPECT_EQ(program.lastFolder, tree.path("data") + "/");
    EXPECT_EQ(text(PatternField), "*.txt");
    EXPECT_EQ(controls.countItems(AllFilesView), 0);
    EXPECT_EQ(controls.countItems(GroupsView), 0);
    EXPECT_EQ(controls.countItems(MembersView), 0);
    EXPECT_TRUE(rows(AllFilesView).empty());
    EXPECT_EQ(text(AllFilesLabel), AllFilesInitialCaption);
    EXPECT_EQ(text(GroupsLabel), GroupsInitialCaption);
    for (const int control : {ResetButton, FindDuplicatesButton, FindSameNamesButton, GroupsView,
                              MembersView, DeleteMarkedButton, DeleteOthersButton}) {
        EXPECT_FALSE(enabled(control)) << "control " << control;
    }
}

TEST_F(EventLoopTest, ResetButtonClickedInTheLoopRunsTheResetAndIdleTextsReturnAfterIt) {
    tree.write("data/a.txt", "abc");
    tree.write("data/b.txt", "abcd");
    addFolder(tree.path("data"));
    ASSERT_EQ(statusText(0), "Update Liste");
    ASSERT_EQ(statusText(1), FileCountText(2));

    click(ResetButton);
    requestClose();
    ASSERT_TRUE(runLoop());
    controls.showPendingChanges();

    EXPECT_TRUE(program.catalogue.files.empty()) << "the reset was not dispatched";
    EXPECT_EQ(text(AllFilesLabel), AllFilesInitialCaption);
    EXPECT_EQ(statusText(0), IdleActivity);
    EXPECT_EQ(statusText(1), IdleDetail);
    EXPECT_FALSE(enabled(ResetButton)) << "the close pass applies what the reset left";
}

TEST_F(EventLoopTest, IdleTextsReplaceWhatTheLastCommandLeftOnTheNextEvent) {
    tree.write("data/a.txt", "abc");
    std::vector<std::pair<std::string, std::string>> seenByChooser;
    int chooserCalls = 0;
    controls.setFolderChooser([&](std::string_view, std::string_view) -> std::string {
        controls.showPendingChanges();
        seenByChooser.emplace_back(statusText(0), statusText(1));
        return ++chooserCalls == 1 ? tree.path("data") + "/" : std::string();
    });
    // The first click adds a folder, which leaves the scan's texts; the second command sees
    // the status line as its own pass left it.
    click(AddFolderButton);
    click(AddFolderButton);
    requestClose();
    ASSERT_TRUE(runLoop());

    ASSERT_EQ(seenByChooser.size(), 2U);
    EXPECT_EQ(seenByChooser[0].first, IdleActivity);
    EXPECT_EQ(seenByChooser[0].second, IdleDetail);
    EXPECT_EQ(seenByChooser[1].first, IdleActivity) << "the adding left its own text";
    EXPECT_EQ(seenByChooser[1].second, IdleDetail);
    EXPECT_EQ(rows(AllFilesView), std::vector<std::string>{"a.txt"});
}

TEST_F(EventLoopTest, StatusTextsSetOutsideTheLoopGiveWayToIdleTextsOnTheFirstEvent) {
    SetStatusActivity(program, "Suche doppelte Dateien");
    SetStatusDetail(program, "3 / 9 Dateien");
    ASSERT_EQ(statusText(0), "Suche doppelte Dateien");
    requestClose();
    ASSERT_TRUE(runLoop());
    controls.showPendingChanges();
    EXPECT_EQ(statusText(0), IdleActivity);
    EXPECT_EQ(statusText(1), IdleDetail);
}

TEST_F(EventLoopTest, ClicksLatchedBeforeWaitingComeOutOneEventEachInOrder) {
    click(AddFolderButton);
    click(DeleteByExtensionButton);
    click(AddFolderButton);
    ASSERT_EQ(controls.pendingEvents(), 3U);

    EXPECT_EQ(controls.waitEvent(), ControlEvent);
    EXPECT_EQ(controls.eventControl(), AddFolderButton);
    EXPECT_EQ(controls.waitEvent(), ControlEvent);
    EXPECT_EQ(controls.eventControl(), DeleteByExtensionButton);
    EXPECT_EQ(controls.waitEvent(), ControlEvent);
    EXPECT_EQ(controls.eventControl(), AddFolderButton);
    EXPECT_EQ(controls.pendingEvents(), 0U);
}

TEST_F(EventLoopTest, CloseRequestLeavesTheWindowOpenAndComesAfterEarlierClicks) {
    click(AddFolderButton);
    requestClose();
    EXPECT_TRUE(controls.window()->isVisible()) << "a close request must not close the window";
    EXPECT_EQ(controls.waitEvent(), ControlEvent);
    EXPECT_EQ(controls.eventControl(), AddFolderButton);
    EXPECT_EQ(controls.waitEvent(), CloseEvent);
    EXPECT_TRUE(controls.window()->isVisible());
}

TEST_F(EventLoopTest, ChangesTheProgramMakesLatchNoEvent) {
    controls.setText(PatternField, "*.txt");
    for (const char* row : {"1: a", "2: b, c", "3: d, e, f"}) {
        controls.addItem(GroupsView, -1, row);
        controls.addItem(MembersView, -1, row);
        controls.addItem(AllFilesView, -1, row);
    }
    controls.setState(GroupsView, 1);
    controls.setState(MembersView, 2);
    controls.setState(AllFilesView, 1);
    controls.setText(GroupsView, "3: d, e, f");
    controls.setItemText(AllFilesView, 1, FileSizeText(7), 1);
    controls.removeItem(MembersView, 2);
    controls.clearItems(GroupsView);
    controls.setState(SearchProgress, 50);
    controls.disable(AddFolderButton, true);
    controls.disable(AddFolderButton, false);
    QCoreApplication::processEvents();
    EXPECT_EQ(controls.pendingEvents(), 0U);
}

TEST_F(EventLoopTest, TypingIntoThePatternFieldRaisesAnEventThatChangesNothing) {
    auto* field = qobject_cast<QLineEdit*>(controls.controlWidget(PatternField));
    ASSERT_NE(field, nullptr);
    field->setFocus();
    field->end(false);
    field->insert(";*.txt");
    ASSERT_EQ(controls.pendingEvents(), 1U);
    requestClose();
    ASSERT_TRUE(runLoop());
    EXPECT_TRUE(program.catalogue.files.empty());
    EXPECT_TRUE(chooserOpenedAt.empty());
    EXPECT_EQ(text(PatternField), "*.*;*.txt");
}

TEST_F(EventLoopTest, ClickOnAGroupShowsItsMembersAndTheNextPassEnablesDeletion) {
    addFile("/one", "a.txt", 3);
    addFile("/two", "a.txt", 3);
    addFile("/one", "b.txt", 5);
    addFile("/two", "b.txt", 5);
    addGroup({{"/one", "a.txt"}, {"/two", "a.txt"}});
    addGroup({{"/one", "b.txt"}, {"/two", "b.txt"}});
    RefreshViews(program, ShowGroups);
    ApplyEnablingRules(program);
    ASSERT_TRUE(enabled(GroupsView));

    clickRow(GroupsView, 1);
    ASSERT_GE(controls.pendingEvents(), 1U) << "a click on a row must raise an event";
    requestClose();
    ASSERT_TRUE(runLoop());

    EXPECT_EQ(rows(MembersView), (std::vector<std::string>{"/one/b.txt", "/two/b.txt"}));
    EXPECT_TRUE(enabled(DeleteMarkedButton));
    EXPECT_TRUE(enabled(DeleteOthersButton));
}

TEST_F(EventLoopTest, EventsOfControlsWithoutACommandChangeNothing) {
    addFile("/one", "a.txt", 3);
    addFile("/two", "a.txt", 3);
    addGroup({{"/one", "a.txt"}, {"/two", "a.txt"}});
    RefreshViews(program, ShowFiles);
    RefreshViews(program, ShowGroups);
    controls.setState(GroupsView, 0);
    RefreshViews(program, ShowMembers);
    controls.setState(MembersView, 1);
    SetStatusActivity(program, IdleActivity);
    const auto allFiles = rows(AllFilesView);
    const auto groups = rows(GroupsView);
    const auto members = rows(MembersView);
    const std::vector<int> withoutCommand = {AllFilesLabel,
                                             AllFilesView,
                                             GroupsLabel,
                                             MembersLabel,
                                             MembersView,
                                             DeleteByExtensionButton,
                                             PatternField,
                                             SearchProgress,
                                             CompareProgress,
                                             14,
                                             -1};
    for (const int control : withoutCommand) {
        SCOPED_TRACE(control);
        press(control);
        EXPECT_EQ(rows(AllFilesView), allFiles);
        EXPECT_EQ(rows(GroupsView), groups);
        EXPECT_EQ(rows(MembersView), members);
        EXPECT_EQ(controls.getState(MembersView), 1);
        EXPECT_EQ(statusText(0), IdleActivity) << "a command ran";
    }
    EXPECT_EQ(program.catalogue.files.count(), 2);
    EXPECT_TRUE(chooserOpenedAt.empty());
    EXPECT_TRUE(shownBoxes.empty());
}

// The whole life of the program on its own window.
class ProgramRunTest : public ::testing::Test {
  protected:
    ProgramRunTest() : files(tree.root() + "/") {
        controls.setMessageBoxAnswer([this](std::string_view title, std::string_view text) {
            boxes.emplace_back(std::string(title), std::string(text));
            windowOpenWhenBoxShown = controls.window() != nullptr;
        });
    }

    int run() {
        QTimer guard;
        guard.setSingleShot(true);
        QObject::connect(&guard, &QTimer::timeout, [this] {
            loopHung = true;
            if (controls.window() != nullptr) {
                controls.window()->close();
            }
        });
        guard.start(HangGuardMs);
        return RunProgram(controls, files);
    }

    TempTree tree;
    QtControlLayer controls;
    PosixFileServices files;
    std::vector<std::pair<std::string, std::string>> boxes;
    bool windowOpenWhenBoxShown = true;
    bool loopHung = false;
};

TEST_F(ProgramRunTest, ClosingTheWindowShowsTheCreditsAndEndsWithZero) {
    QTimer::singleShot(0, &controls, [this] { controls.window()->close(); });
    EXPECT_EQ(run(), 0);
    EXPECT_FALSE(loopHung);
    ASSERT_EQ(boxes.size(), 1U);
    EXPECT_EQ(boxes[0].first, "Credits");
    EXPECT_EQ(boxes[0].second, "Brannoway-Kestrill\n\nProgrammed by Ostrevallen");
    EXPECT_FALSE(windowOpenWhenBoxShown) << "the window closes before the credits appear";
    EXPECT_EQ(controls.window(), nullptr);
}

TEST_F(ProgramRunTest, ClosingWithAFullCatalogueStillShowsTheCredits) {
    tree.write("data/a.txt", "abc");
    int chooserCalls = 0;
    controls.setFolderChooser([&](std::string_view, std::string_view) {
        ++chooserCalls;
        return tree.path("data") + "/";
    });
    QTimer::singleShot(0, &controls, [this] {
        qobject_cast<QPushButton*>(controls.controlWidget(AddFolderButton))->click();
        controls.window()->close();
    });
    EXPECT_EQ(run(), 0);
    EXPECT_FALSE(loopHung);
    EXPECT_EQ(chooserCalls, 1);
    ASSERT_EQ(boxes.size(), 1U);
    EXPECT_EQ(boxes[0].first, "Credits");
    EXPECT_EQ(boxes[0].second, "Brannoway-Kestrill\n\nProgrammed by Ostrevallen");
}

} // namespace

} // namespace bk::test
