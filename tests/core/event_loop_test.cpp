#include "platform/file_paths.h"
#include "support/program_fixture.h"
#include "ui/result_views.h"
#include "ui/status_line.h"
#include "ui/texts.h"

#include <utility>

namespace bk::test {

namespace {

constexpr std::string_view IdleActivity = WelcomeText;
constexpr std::string_view IdleDetail = AuthorText;

// The program's event loop over the windowless control layer: a click queues the control's
// event, and the loop ends at the close request that follows the queued events.
class EventLoopTest : public ProgramTest {
  protected:
    void click(int control) {
        ASSERT_TRUE(enabled(control)) << "control " << control << " cannot be clicked";
        controls.queueControlEvent(control);
    }
    void requestClose() {}
    bool runLoop() {
        RunEventLoop(program);
        return true;
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
    EXPECT_EQ(program.lastFolder, tree.path("data") + PathSeparator);
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
    controls.answerChooser([&](std::string_view, std::string_view) -> std::string {
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
    EXPECT_EQ(statusText(0), IdleActivity);
    EXPECT_EQ(statusText(1), IdleDetail);
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

} // namespace

} // namespace bk::test
