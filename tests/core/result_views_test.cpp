#include "platform/file_paths.h"
#include "support/program_fixture.h"
#include "ui/result_views.h"
#include "ui/texts.h"

#include <functional>

namespace bk::test {

namespace {

// The result views over lists built by hand, the way a scan and a search leave them.
class ResultViewsTest : public ProgramTest {
  protected:
    void dropGroups() {
        program.catalogue.groups.clear();
        program.catalogue.members.clear();
    }

    // Two groups of five members in all; the second group's chain follows the first's.
    void addTwoGroups() {
        addGroup({{"/one", "a.txt"}, {"/two", "a.txt"}, {"/three", "b.txt"}});
        addGroup({{"/one", "c.dat"}, {"/four", "d.dat"}});
    }

    int selectedRowCount(int view) { return controls.getState(view) >= 0 ? 1 : 0; }
};

TEST_F(ResultViewsTest, AllFilesViewListsNamesAndSizesInCatalogueOrder) {
    addFile("/data", "zeta.txt", 0);
    addFile("/data", "alpha.bin", 4096);
    addFile("/data/sub", "big.iso", 5000000000);
    addFile("/data", "mid.dat", 2147483648);
    RefreshViews(program, ShowFiles);
    EXPECT_EQ(rows(AllFilesView),
              (std::vector<std::string>{"zeta.txt", "alpha.bin", "big.iso", "mid.dat"}));
    EXPECT_EQ(rows(AllFilesView, 1),
              (std::vector<std::string>{FileSizeText(0), FileSizeText(4096),
                                        FileSizeText(5000000000), FileSizeText(2147483648)}));
    EXPECT_EQ(text(AllFilesLabel), AllFilesCaption(4));
    EXPECT_EQ(statusText(0), "Update Liste");
}

TEST_F(ResultViewsTest, AllFilesViewIsRebuiltNotAppendedTo) {
    addFile("/data", "a.txt", 1);
    RefreshViews(program, ShowFiles);
    addFile("/data", "b.txt", 2);
    RefreshViews(program, ShowFiles);
    EXPECT_EQ(rows(AllFilesView), (std::vector<std::string>{"a.txt", "b.txt"}));
    EXPECT_EQ(rows(AllFilesView, 1), (std::vector<std::string>{FileSizeText(1), FileSizeText(2)}));
    EXPECT_EQ(text(AllFilesLabel), AllFilesCaption(2));
}

TEST_F(ResultViewsTest, EmptyFileListShowsNoRowsAndACountOfZero) {
    RefreshViews(program, ShowFiles);
    EXPECT_TRUE(rows(AllFilesView).empty());
    EXPECT_EQ(text(AllFilesLabel), AllFilesCaption(0));
}

TEST_F(ResultViewsTest, ShowingFilesLeavesTheOtherViewsAlone) {
    addFile("/one", "a.txt", 3);
    addTwoGroups();
    RefreshViews(program, ShowGroups);
    controls.setState(GroupsView, 0);
    RefreshViews(program, ShowMembers);
    RefreshViews(program, ShowFiles);
    EXPECT_EQ(controls.countItems(GroupsView), 2);
    EXPECT_EQ(controls.countItems(MembersView), 3);
    EXPECT_EQ(text(GroupsLabel), GroupsCaption(2, 5));
}

TEST_F(ResultViewsTest, GroupRowsNameEveryMemberAlongItsOwnChain) {
    addTwoGroups();
    RefreshViews(program, ShowGroups);
    EXPECT_EQ(rows(GroupsView),
              (std::vector<std::string>{"3: a.txt, a.txt, b.txt", "2: c.dat, d.dat"}));
    EXPECT_EQ(text(GroupsLabel), GroupsCaption(2, 5));
    EXPECT_EQ(controls.getState(GroupsView), -1) << "no group is selected after a search";
    EXPECT_EQ(selectedRowCount(GroupsView), 0);
    EXPECT_EQ(statusText(0), "Update Liste");
}

TEST_F(ResultViewsTest, NewSearchClearsTheGroupSelectedBefore) {
    addTwoGroups();
    RefreshViews(program, ShowGroups);
    controls.setState(GroupsView, 1);
    RefreshViews(program, ShowGroups);
    EXPECT_EQ(controls.getState(GroupsView), -1);
    EXPECT_EQ(selectedRowCount(GroupsView), 0);
}

TEST_F(ResultViewsTest, SearchWithoutGroupsLeavesOneNoticeRowAndTheBareCaption) {
    // First after a search that found groups, then after one that found none either.
    addTwoGroups();
    RefreshViews(program, ShowGroups);
    ASSERT_EQ(text(GroupsLabel), GroupsCaption(2, 5));
    for (int search = 1; search <= 2; ++search) {
        SCOPED_TRACE(search);
        dropGroups();
        RefreshViews(program, ShowGroups);
        EXPECT_EQ(rows(GroupsView), std::vector<std::string>{std::string(NoGroupsRow)});
        EXPECT_EQ(text(GroupsLabel), GroupsInitialCaption);
    }
}

// The members of a group shown go whenever no group is chosen any more.
TEST_F(ResultViewsTest, MembersViewEmptiesWhenNoGroupIsChosen) {
    const struct {
        const char* after;
        std::int64_t group;
        std::function<void()> change;
    } cases[] = {
        {"a new search", 0, [this] { RefreshViews(program, ShowGroups); }},
        {"a new search that found nothing", 1,
         [this] {
             dropGroups();
             RefreshViews(program, ShowGroups);
         }},
        {"the choice undone", 0,
         [this] {
             controls.setState(GroupsView, -1);
             RefreshViews(program, ShowMembers);
         }},
    };
    for (const auto& each : cases) {
        SCOPED_TRACE(each.after);
        dropGroups();
        addTwoGroups();
        RefreshViews(program, ShowGroups);
        controls.setState(GroupsView, each.group);
        RefreshViews(program, ShowMembers);
        ASSERT_GT(controls.countItems(MembersView), 0);
        each.change();
        EXPECT_EQ(controls.countItems(MembersView), 0);
        EXPECT_TRUE(rows(MembersView).empty());
        EXPECT_EQ(controls.getState(MembersView), -1);
    }
}

TEST_F(ResultViewsTest, MembersViewListsFullPathsOfTheSelectedGroup) {
    addTwoGroups();
    addGroup({{"", "root.cfg"}, {"/etc", "root.cfg"}});
    RefreshViews(program, ShowGroups);
    const auto path = [](std::string folder, std::string_view name) {
        return folder.append(1, PathSeparator).append(name);
    };
    const std::vector<std::vector<std::string>> expected = {
        {path("/one", "a.txt"), path("/two", "a.txt"), path("/three", "b.txt")},
        {path("/one", "c.dat"), path("/four", "d.dat")},
        {path("", "root.cfg"), path("/etc", "root.cfg")},
    };
    for (std::int64_t group = 0; group < 3; ++group) {
        SCOPED_TRACE(group);
        controls.setState(GroupsView, group);
        RefreshViews(program, ShowMembers);
        EXPECT_EQ(rows(MembersView), expected[static_cast<std::size_t>(group)]);
        EXPECT_EQ(selectedRowCount(MembersView), 1);
    }
}

TEST_F(ResultViewsTest, MembersViewStaysEmptyWhenNoSearchFoundGroups) {
    RefreshViews(program, ShowGroups); // leaves the notice row, which is no group
    controls.setState(GroupsView, 0);
    RefreshViews(program, ShowMembers);
    EXPECT_EQ(controls.countItems(MembersView), 0);
    EXPECT_EQ(controls.getState(MembersView), -1);
}

struct PreselectionCase {
    std::vector<std::string> names;
    std::int64_t preselected;
};

TEST_F(ResultViewsTest, BackupMemberIsPreselectedAndTheLastOneWins) {
    const std::vector<PreselectionCase> cases = {
        {{"x.BAK", "y.txt", "z.bak"}, 2}, {{"y.txt", "a.Bak"}, 1},
        {{"y.txt", ".bak"}, 1},           {{"a.bak", "b.bak", "c.txt"}, 1},
        {{"y.txt", "backup.bak.old"}, 0}, {{"y.txt", "bak"}, 0},
        {{"y.txt", "notes.bakup"}, 0},    {{"y.txt", "archive.ba"}, 0},
        {{"y.txt", "x.bak "}, 0},         {{"a.txt", "b.txt", "c.txt"}, 0},
    };
    for (const PreselectionCase& each : cases) {
        SCOPED_TRACE(each.names.back());
        dropGroups();
        std::vector<Member> members;
        for (const std::string& name : each.names) {
            members.push_back({"/data", name});
        }
        addGroup(members);
        RefreshViews(program, ShowGroups);
        controls.setState(GroupsView, 0);
        RefreshViews(program, ShowMembers);
        ASSERT_EQ(controls.countItems(MembersView), static_cast<std::int64_t>(each.names.size()));
        EXPECT_EQ(controls.getState(MembersView), each.preselected);
        EXPECT_EQ(selectedRowCount(MembersView), 1);
    }
}

TEST_F(ResultViewsTest, ResetEmptiesAllViewsAndRestoresBothCaptions) {
    addFile("/one", "a.txt", 3);
    addTwoGroups();
    RefreshViews(program, ShowFiles);
    RefreshViews(program, ShowGroups);
    controls.setState(GroupsView, 0);
    RefreshViews(program, ShowMembers);
    RefreshViews(program, 0);
    EXPECT_TRUE(rows(AllFilesView).empty());
    EXPECT_TRUE(rows(GroupsView).empty());
    EXPECT_TRUE(rows(MembersView).empty());
    EXPECT_EQ(text(AllFilesLabel), AllFilesInitialCaption);
    EXPECT_EQ(text(GroupsLabel), GroupsInitialCaption);
}

} // namespace

} // namespace bk::test
