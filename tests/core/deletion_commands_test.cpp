#include "support/disk_changes.h"
#include "support/disk_status.h"
#include "support/program_fixture.h"
#include "ui/texts.h"

#include <algorithm>
#include <filesystem>
#include <functional>
#include <map>
#include <optional>

namespace bk::test {

namespace {

namespace fs = std::filesystem;

const std::string Alpha = "alpha: the content of the first group";
const std::string Beta = "beta: the content of the second group, a little longer";
const std::string Gamma = "gamma, a file of its own";

// Everything a user or the disk could tell about the program's state, to show that a refused
// command changed nothing at all.
class DeletionCommandsTest : public ProgramTest {
  public:
    // For the tables of window states and disk changes below.
    using ProgramTest::chooseRow;
    using ProgramTest::controls;
    using ProgramTest::press;
    using ProgramTest::tree;

  protected:
    void expectUnchanged(const Observed& before) {
        const Observed after = observe();
        EXPECT_EQ(after.disk, before.disk);
        expectCatalogueAndViewsAsBefore(before, after);
        EXPECT_EQ(after.membersSelection, before.membersSelection);
    }

    void searchContents() {
        addFolder(tree.root());
        press(FindDuplicatesButton);
    }

    std::vector<std::string> paths(std::initializer_list<const char*> relatives) const {
        std::vector<std::string> full;
        for (const char* relative : relatives) {
            full.push_back(at(relative));
        }
        return full;
    }
};

// The ways a file can refuse to go: write-protected (refused even for root; on Windows, the
// read-only attribute) or already gone.
struct Obstacle {
    const char* name;
    std::function<void(DeletionCommandsTest&, std::string_view)> apply;
};

const std::vector<Obstacle>& Obstacles() {
    static const std::vector<Obstacle> table = {
        {"read-only",
         [](DeletionCommandsTest& test, std::string_view relative) {
             ASSERT_TRUE(MakeReadOnly(test.tree.path(relative)));
         }},
        {"removed behind the program's back",
         [](DeletionCommandsTest& test, std::string_view relative) {
             ASSERT_TRUE(RemoveFile(test.tree.path(relative)));
         }},
    };
    return table;
}

TEST_F(DeletionCommandsTest, DeletingTheMarkedFileOfAPairDissolvesItsGroup) {
    tree.write("a1.txt", Alpha);
    tree.write("a2.txt", Alpha);
    tree.write("b1.txt", Beta);
    tree.write("b2.txt", Beta);
    tree.write("x.txt", Gamma);
    searchContents();
    ASSERT_EQ(rows(GroupsView),
              (std::vector<std::string>{"2: a1.txt, a2.txt", "2: b1.txt, b2.txt"}));
    EXPECT_EQ(text(GroupsLabel), GroupsCaption(2, 4));
    chooseRow(GroupsView, 0);
    EXPECT_EQ(rows(MembersView), paths({"a1.txt", "a2.txt"}));
    EXPECT_EQ(controls.getState(MembersView), 0);

    controls.setState(MembersView, 1);
    press(DeleteMarkedButton);

    EXPECT_TRUE(shownBoxes.empty());
    EXPECT_TRUE(tree.exists("a1.txt")) << "the last copy stays on disk";
    EXPECT_FALSE(tree.exists("a2.txt"));
    EXPECT_EQ(tree.read("a1.txt"), Alpha);
    EXPECT_EQ(program.catalogue.files.count(), 3);
    EXPECT_EQ(cataloguePaths(), paths({"b1.txt", "b2.txt", "x.txt"}));
    EXPECT_EQ(rows(AllFilesView), (std::vector<std::string>{"b1.txt", "b2.txt", "x.txt"}));
    EXPECT_EQ(text(AllFilesLabel), AllFilesCaption(3));
    EXPECT_EQ(rows(GroupsView), std::vector<std::string>{"2: b1.txt, b2.txt"});
    EXPECT_EQ(text(GroupsLabel), RemainingGroupsCaption(1));
    EXPECT_EQ(controls.getState(GroupsView), 0);
    EXPECT_EQ(rows(MembersView), paths({"b1.txt", "b2.txt"}));
    EXPECT_EQ(controls.getState(MembersView), 0);
}

struct MarkedCase {
    int memberCount;
    std::int64_t marked;
    std::int64_t selectedAfter;
};

TEST_F(DeletionCommandsTest, DeletingAMarkedFileOfALargerGroupKeepsItsRowAndSelectsANeighbour) {
    const MarkedCase cases[] = {{3, 0, 0}, {3, 1, 1}, {3, 2, 1}, {4, 3, 2}, {4, 1, 1}};
    int round = 0;
    for (const MarkedCase& each : cases) {
        SCOPED_TRACE(testing::Message() << each.memberCount << " members, marked " << each.marked);
        const std::string folder = std::string("r").append(std::to_string(round++));
        std::vector<std::string> names;
        std::string groupRow = std::to_string(each.memberCount) + ":";
        for (int i = 0; i < each.memberCount; ++i) {
            names.push_back(folder + "/m" + std::to_string(i) + ".txt");
            tree.write(names.back(), Alpha);
            groupRow.append(i == 0 ? " m" : ", m").append(std::to_string(i)).append(".txt");
        }
        tree.write(folder + "/z.txt", Gamma);
        press(ResetButton);
        addFolder(at(folder));
        press(FindDuplicatesButton);
        chooseRow(GroupsView, 0);
        const std::string groupsLabel = text(GroupsLabel);
        const auto fileCount = program.catalogue.files.count();

        controls.setState(MembersView, each.marked);
        press(DeleteMarkedButton);

        std::vector<std::string> remaining;
        for (int i = 0; i < each.memberCount; ++i) {
            const auto index = static_cast<std::size_t>(i);
            EXPECT_EQ(tree.exists(names[index]), i != each.marked) << names[index];
            if (i != each.marked) {
                remaining.push_back(at(names[index]));
            }
        }
        EXPECT_TRUE(shownBoxes.empty());
        EXPECT_EQ(rows(MembersView), remaining);
        EXPECT_EQ(controls.getState(MembersView), each.selectedAfter);
        EXPECT_EQ(rows(GroupsView), std::vector<std::string>{groupRow})
            << "the group's row still names the deleted file";
        EXPECT_EQ(text(GroupsLabel), groupsLabel);
        EXPECT_EQ(controls.getState(GroupsView), 0);
        EXPECT_EQ(program.catalogue.files.count(), fileCount - 1);
        EXPECT_EQ(text(AllFilesLabel), AllFilesCaption(fileCount - 1));
        const std::vector<std::string> catalogue = cataloguePaths();
        EXPECT_EQ(std::count(catalogue.begin(), catalogue.end(),
                             at(names[static_cast<std::size_t>(each.marked)])),
                  0);

        // Choosing the group again shows it from its new first member on.
        chooseRow(GroupsView, 0);
        EXPECT_EQ(rows(MembersView), remaining);
    }
}

TEST_F(DeletionCommandsTest, TheGroupStartsWithTheFormerSecondMemberAfterItsFirstIsDeleted) {
    tree.write("a1.txt", Alpha);
    tree.write("a2.txt", Alpha);
    tree.write("a3.txt", Alpha);
    tree.write("x.txt", Gamma);
    searchContents();
    chooseRow(GroupsView, 0);
    controls.setState(MembersView, 0);
    press(DeleteMarkedButton);
    EXPECT_EQ(rows(MembersView), paths({"a2.txt", "a3.txt"}));
    EXPECT_EQ(controls.getState(MembersView), 0);
    EXPECT_EQ(rows(GroupsView), std::vector<std::string>{"3: a1.txt, a2.txt, a3.txt"});

    // The new first member goes as well: the group dissolves, its last file stays on disk.
    press(DeleteMarkedButton);
    EXPECT_TRUE(shownBoxes.empty());
    EXPECT_FALSE(tree.exists("a1.txt"));
    EXPECT_FALSE(tree.exists("a2.txt"));
    EXPECT_EQ(tree.read("a3.txt"), Alpha);
    EXPECT_EQ(cataloguePaths(), paths({"x.txt"}));
    EXPECT_EQ(rows(AllFilesView), std::vector<std::string>{"x.txt"});
    EXPECT_EQ(text(AllFilesLabel), AllFilesCaption(1));
    EXPECT_TRUE(rows(GroupsView).empty());
    EXPECT_TRUE(rows(MembersView).empty());
    EXPECT_EQ(text(GroupsLabel), RemainingGroupsCaption(0));
}

TEST_F(DeletionCommandsTest, DissolvingTheLastGroupDisablesTheGroupAndDeletionControls) {
    tree.write("a1.txt", Alpha);
    tree.write("a2.txt", Alpha);
    tree.write("x.txt", Gamma);
    searchContents();
    chooseRow(GroupsView, 0);
    EXPECT_TRUE(enabled(DeleteMarkedButton));
    EXPECT_TRUE(enabled(DeleteOthersButton));
    controls.setState(MembersView, 1);
    press(DeleteMarkedButton);

    EXPECT_TRUE(rows(GroupsView).empty());
    EXPECT_TRUE(rows(MembersView).empty());
    EXPECT_EQ(controls.getState(GroupsView), -1);
    for (const int control : {GroupsView, MembersView, DeleteMarkedButton, DeleteOthersButton,
                              DeleteByExtensionButton}) {
        EXPECT_FALSE(enabled(control)) << control;
    }
    EXPECT_TRUE(enabled(FindDuplicatesButton));
    EXPECT_EQ(tree.read("a1.txt"), Alpha);
    EXPECT_FALSE(tree.exists("a2.txt"));
}

TEST_F(DeletionCommandsTest, DeletingAllOthersOfAGroupOfFourKeepsOnlyTheMarkedFile) {
    tree.write("a1.txt", Alpha);
    tree.write("a2.txt", Alpha);
    tree.write("b1.txt", Beta);
    tree.write("b2.txt", Beta);
    tree.write("b3.txt", Beta);
    tree.write("b4.txt", Beta);
    tree.write("x.txt", Gamma);
    searchContents();
    ASSERT_EQ(rows(GroupsView),
              (std::vector<std::string>{"2: a1.txt, a2.txt", "4: b1.txt, b2.txt, b3.txt, b4.txt"}));
    chooseRow(GroupsView, 1);
    controls.setState(MembersView, 2);
    press(DeleteOthersButton);

    EXPECT_TRUE(shownBoxes.empty());
    EXPECT_FALSE(tree.exists("b1.txt"));
    EXPECT_FALSE(tree.exists("b2.txt"));
    EXPECT_EQ(tree.read("b3.txt"), Beta);
    EXPECT_FALSE(tree.exists("b4.txt"));
    EXPECT_EQ(cataloguePaths(), paths({"a1.txt", "a2.txt", "x.txt"}));
    EXPECT_EQ(rows(AllFilesView), (std::vector<std::string>{"a1.txt", "a2.txt", "x.txt"}));
    EXPECT_EQ(text(AllFilesLabel), AllFilesCaption(3));
    EXPECT_EQ(rows(GroupsView), std::vector<std::string>{"2: a1.txt, a2.txt"});
    EXPECT_EQ(text(GroupsLabel), RemainingGroupsCaption(1));
    EXPECT_EQ(controls.getState(GroupsView), 0) << "the row before the removed one";
    EXPECT_EQ(rows(MembersView), paths({"a1.txt", "a2.txt"}));
    EXPECT_EQ(controls.getState(MembersView), 0);

    // Deleting the others of the last group leaves no group at all.
    press(DeleteOthersButton);
    EXPECT_EQ(tree.read("a1.txt"), Alpha);
    EXPECT_FALSE(tree.exists("a2.txt"));
    EXPECT_EQ(cataloguePaths(), paths({"x.txt"}));
    EXPECT_TRUE(rows(GroupsView).empty());
    EXPECT_TRUE(rows(MembersView).empty());
    EXPECT_EQ(text(GroupsLabel), RemainingGroupsCaption(0));
    for (const int control : {GroupsView, MembersView, DeleteMarkedButton, DeleteOthersButton,
                              DeleteByExtensionButton}) {
        EXPECT_FALSE(enabled(control)) << control;
    }
}

TEST_F(DeletionCommandsTest, DeletingOthersKeepsAFileThatCannotGoAndShowsTheGroupAnew) {
    for (const Obstacle& obstacle : Obstacles()) {
        SCOPED_TRACE(obstacle.name);
        shownBoxes.clear();
        const std::string folder = std::string("o-") + (obstacle.name[0] == 'r' ? "ro" : "gone");
        const auto name = [&](const char* file) { return folder + "/" + file; };
        // The write-protected file is a backup, so the rebuilt view preselects it instead of
        // the member that was marked.
        tree.write(name("d1.bak"), Alpha);
        tree.write(name("d2.txt"), Alpha);
        tree.write(name("d3.txt"), Alpha);
        tree.write(name("d4.txt"), Alpha);
        tree.write(name("x.txt"), Gamma);
        press(ResetButton);
        addFolder(at(folder));
        press(FindDuplicatesButton);
        chooseRow(GroupsView, 0);
        EXPECT_EQ(controls.getState(MembersView), 0);
        controls.setState(MembersView, 3);
        obstacle.apply(*this, name("d1.bak"));

        press(DeleteOthersButton);

        EXPECT_EQ(errorTexts(), std::vector<std::string>{CannotDeleteText(at(name("d1.bak")))});
        EXPECT_FALSE(tree.exists(name("d2.txt")));
        EXPECT_FALSE(tree.exists(name("d3.txt")));
        EXPECT_EQ(tree.read(name("d4.txt")), Alpha);
        EXPECT_EQ(
            cataloguePaths(),
            (std::vector<std::string>{at(name("d1.bak")), at(name("d4.txt")), at(name("x.txt"))}));
        EXPECT_EQ(rows(AllFilesView), (std::vector<std::string>{"d1.bak", "d4.txt", "x.txt"}));
        EXPECT_EQ(text(AllFilesLabel), AllFilesCaption(3));
        EXPECT_EQ(rows(GroupsView), std::vector<std::string>{"4: d1.bak, d2.txt, d3.txt, d4.txt"});
        EXPECT_EQ(controls.getState(GroupsView), 0);
        EXPECT_EQ(rows(MembersView),
                  (std::vector<std::string>{at(name("d1.bak")), at(name("d4.txt"))}));
        EXPECT_EQ(controls.getState(MembersView), 0) << "rebuilt with the backup preselected";
        EXPECT_TRUE(enabled(DeleteOthersButton));

        // The group's chain holds exactly the two that stayed.
        const GroupRecord* group = program.catalogue.groups.first();
        ASSERT_NE(group, nullptr);
        EXPECT_EQ(group->memberCount, 2);
        EXPECT_EQ(group->firstMember->name(), "d1.bak");
    }
}

TEST_F(DeletionCommandsTest, AMarkedFileThatCannotBeDeletedIsReportedAndNothingElseChanges) {
    for (const Obstacle& obstacle : Obstacles()) {
        SCOPED_TRACE(obstacle.name);
        const std::string folder = std::string("o-") + (obstacle.name[0] == 'r' ? "ro" : "gone");
        showCopies(folder, {"a1.txt", "a2.txt", "a3.txt"}, Alpha);
        controls.setState(MembersView, 1);
        obstacle.apply(*this, folder + "/a2.txt");
        const Observed before = observe();

        press(DeleteMarkedButton);

        EXPECT_EQ(errorTexts(), std::vector<std::string>{CannotDeleteText(at(folder + "/a2.txt"))});
        expectUnchanged(before);
        const GroupRecord* group = program.catalogue.groups.first();
        ASSERT_NE(group, nullptr);
        EXPECT_EQ(group->memberCount, 3);
    }
}

// The window states in which the deletion buttons may be live although no group of the latest
// search is shown and chosen.
struct StaleSelection {
    const char* name;
    std::function<void(DeletionCommandsTest&)> reach;
};

TEST_F(DeletionCommandsTest, DeletionCommandsDoNothingUnlessTheChosenGroupIsShown) {
    const StaleSelection cases[] = {
        {"no group chosen after the search", [](DeletionCommandsTest&) {}},
        {"members shown, then a new search",
         [](DeletionCommandsTest& test) {
             test.chooseRow(GroupsView, 1);
             test.controls.setState(MembersView, 1);
             test.press(FindDuplicatesButton);
         }},
        {"members shown, then a same-name search",
         [](DeletionCommandsTest& test) {
             test.chooseRow(GroupsView, 0);
             test.press(FindSameNamesButton);
         }},
        {"group row selected after the search but never shown",
         [](DeletionCommandsTest& test) { test.controls.setState(GroupsView, 0); }},
        {"another group row selected while the first group is shown",
         [](DeletionCommandsTest& test) {
             test.chooseRow(GroupsView, 0);
             test.controls.setState(GroupsView, 1);
         }},
    };
    for (const StaleSelection& each : cases) {
        SCOPED_TRACE(each.name);
        shownBoxes.clear();
        press(ResetButton);
        tree.write("a1.txt", Alpha);
        tree.write("a2.txt", Alpha);
        // Two groups of one size, so that the members view of one could pass for the other.
        tree.write("b1.txt", Beta);
        tree.write("b2.txt", Beta);
        searchContents();
        each.reach(*this);
        const Observed before = observe();
        for (const int command : {DeleteOthersButton, DeleteMarkedButton}) {
            press(command);
        }
        EXPECT_TRUE(shownBoxes.empty());
        expectUnchanged(before);
        EXPECT_EQ(before.disk.size(), 4U);
    }
}

TEST_F(DeletionCommandsTest, WithoutAMarkedMemberNeitherCommandDeletesAnything) {
    tree.write("a1.txt", Alpha);
    tree.write("a2.txt", Alpha);
    tree.write("a3.txt", Alpha);
    searchContents();
    chooseRow(GroupsView, 0);
    controls.setState(MembersView, -1);
    ASSERT_EQ(controls.getState(MembersView), -1);
    const Observed before = observe();
    press(DeleteOthersButton);
    press(DeleteMarkedButton);
    EXPECT_TRUE(shownBoxes.empty());
    expectUnchanged(before);
}

// Writes other bytes of the same size into a file, or into a new file on its name, and puts its
// modification time back as `touch -r` would.
void RewriteKeepingSizeAndTimes(const std::string& path, bool anew) {
    const std::optional<DiskStatus> before = FileStatusOnDisk(path);
    ASSERT_TRUE(before.has_value()) << path;
    std::string bytes = ReadWholeFile(path);
    bytes[3] = bytes[3] == 'x' ? 'y' : 'x';
    if (anew) {
        ASSERT_TRUE(RemoveFile(path));
    }
    ASSERT_TRUE(WriteWholeFile(path, bytes));
    ASSERT_TRUE(SetFileTimes(path, before->identity.modified));
}

// A modification time no file of the tests has: 2001-09-09.
const std::int64_t LongAgo = FileIdentity::Nanoseconds(1000000000, 0);

// Ways the copy that is meant to stay can differ from what the search compared.
struct Change {
    const char* name;
    std::function<void(DeletionCommandsTest&, const std::string&)> apply;
};

const std::vector<Change>& ChangesOnDisk() {
    static const std::vector<Change> table = {
        {"rewritten with other content of another size",
         [](DeletionCommandsTest& test, const std::string& relative) {
             test.tree.write(relative, Gamma);
         }},
        {"same size, other content and modification time",
         [](DeletionCommandsTest& test, const std::string& relative) {
             std::string changed = test.tree.read(relative);
             changed[3] = changed[3] == 'x' ? 'y' : 'x';
             test.tree.write(relative, changed);
             ASSERT_TRUE(SetFileTimes(test.tree.path(relative), LongAgo));
         }},
        {"same size, other content, modification time put back",
         [](DeletionCommandsTest& test, const std::string& relative) {
             RewriteKeepingSizeAndTimes(test.tree.path(relative), false);
         }},
        {"made anew with other content of the same size and time",
         [](DeletionCommandsTest& test, const std::string& relative) {
             RewriteKeepingSizeAndTimes(test.tree.path(relative), true);
         }},
        {"only the modification time differs",
         [](DeletionCommandsTest& test, const std::string& relative) {
             ASSERT_TRUE(SetFileTimes(test.tree.path(relative), LongAgo));
         }},
        {"removed", [](DeletionCommandsTest& test,
                       const std::string& relative) { fs::remove(test.tree.path(relative)); }},
        {"replaced by a folder",
         [](DeletionCommandsTest& test, const std::string& relative) {
             fs::remove(test.tree.path(relative));
             test.tree.folder(relative);
         }},
    };
    return table;
}

TEST_F(DeletionCommandsTest,
       DeletingOthersWhileTheMarkedCopyDiffersKeepsTheFirstIntactCopyInstead) {
    int round = 0;
    for (const Change& change : ChangesOnDisk()) {
        SCOPED_TRACE(change.name);
        const std::string folder = std::string("c").append(std::to_string(round++));
        showCopies(folder, {"k1.txt", "k2.txt", "k3.txt"}, Alpha);
        controls.setState(MembersView, 1);
        change.apply(*this, folder + "/k2.txt");

        press(DeleteOthersButton);

        // No copy proves k1 may go; once it stays, it proves that k3 may.
        EXPECT_EQ(errorTexts(), std::vector<std::string>{CannotDeleteText(at(folder + "/k1.txt"))});
        EXPECT_EQ(tree.read(folder + "/k1.txt"), Alpha);
        EXPECT_FALSE(tree.exists(folder + "/k3.txt"));
        EXPECT_EQ(program.catalogue.files.count(), 2);
        EXPECT_EQ(rows(MembersView).size(), 2U);
    }
}

TEST_F(DeletionCommandsTest, DeletingTheMarkedFileIsRefusedWhenNoIntactOtherCopyStays) {
    int round = 0;
    for (const Change& change : ChangesOnDisk()) {
        SCOPED_TRACE(change.name);
        const std::string folder = std::string("c").append(std::to_string(round++));
        showCopies(folder, {"k1.txt", "k2.txt"}, Alpha);
        controls.setState(MembersView, 0);
        change.apply(*this, folder + "/k2.txt");
        const Observed before = observe();

        press(DeleteMarkedButton);

        EXPECT_EQ(errorTexts(), std::vector<std::string>{CannotDeleteText(at(folder + "/k1.txt"))});
        expectUnchanged(before);
    }
}

TEST_F(DeletionCommandsTest, DeletingTheMarkedFileGoesAheadWhileAnotherIntactCopyStays) {
    tree.write("k1.txt", Alpha);
    tree.write("k2.txt", Alpha);
    tree.write("k3.txt", Alpha);
    searchContents();
    chooseRow(GroupsView, 0);
    controls.setState(MembersView, 0);
    tree.write("k2.txt", Gamma);
    press(DeleteMarkedButton);
    EXPECT_TRUE(shownBoxes.empty());
    EXPECT_FALSE(tree.exists("k1.txt"));
    EXPECT_EQ(tree.read("k3.txt"), Alpha);
    EXPECT_EQ(rows(MembersView), paths({"k2.txt", "k3.txt"}));
}

TEST_F(DeletionCommandsTest, AFileChangedSinceTheScanIsNotDeleted) {
    int round = 0;
    for (const Change& change : ChangesOnDisk()) {
        SCOPED_TRACE(change.name);
        const std::string folder = std::string("c").append(std::to_string(round++));
        showCopies(folder, {"k1.txt", "k2.txt", "k3.txt"}, Alpha);
        change.apply(*this, folder + "/k3.txt");
        const std::map<std::string, std::string> changed = disk();

        // Marked for deletion itself: refused, nothing changes.
        controls.setState(MembersView, 2);
        const Observed before = observe();
        press(DeleteMarkedButton);
        EXPECT_EQ(errorTexts(), std::vector<std::string>{CannotDeleteText(at(folder + "/k3.txt"))});
        expectUnchanged(before);

        // One of the others: it stays, the intact other goes.
        shownBoxes.clear();
        controls.setState(MembersView, 0);
        press(DeleteOthersButton);
        EXPECT_EQ(errorTexts(), std::vector<std::string>{CannotDeleteText(at(folder + "/k3.txt"))});
        EXPECT_EQ(tree.read(folder + "/k1.txt"), Alpha);
        EXPECT_FALSE(tree.exists(folder + "/k2.txt"));
        const auto wasThere = changed.find(at(folder + "/k3.txt"));
        if (wasThere != changed.end()) {
            EXPECT_EQ(tree.read(folder + "/k3.txt"), wasThere->second);
        }
        EXPECT_EQ(rows(MembersView),
                  paths({(folder + "/k1.txt").c_str(), (folder + "/k3.txt").c_str()}));
    }
}

TEST_F(DeletionCommandsTest, HardLinkedNamesOfOneFileNeverShareAGroup) {
    tree.write("one/data.txt", Alpha);
    tree.folder("two");
    ASSERT_TRUE(MakeHardLink(at("one/data.txt"), at("two/data.txt")));
    tree.write("x.txt", Gamma);
    addFolder(tree.root());
    for (const int search : {FindDuplicatesButton, FindSameNamesButton}) {
        SCOPED_TRACE(search);
        press(search);
        EXPECT_EQ(rows(GroupsView), std::vector<std::string>{std::string(NoGroupsRow)});
        chooseRow(GroupsView, 0);
        press(DeleteOthersButton);
        press(DeleteMarkedButton);
        EXPECT_EQ(tree.read("one/data.txt"), Alpha);
        EXPECT_EQ(tree.read("two/data.txt"), Alpha);
    }
}

TEST_F(DeletionCommandsTest, DeletingOthersBesideAHardLinkedCopyKeepsTheData) {
    // a.txt and b.txt are one file; c.txt is a real copy.
    tree.write("a.txt", Alpha);
    ASSERT_TRUE(MakeHardLink(at("a.txt"), at("b.txt")));
    tree.write("c.txt", Alpha);
    searchContents();
    ASSERT_EQ(rows(GroupsView), std::vector<std::string>{"2: a.txt, c.txt"});
    chooseRow(GroupsView, 0);
    controls.setState(MembersView, 1);
    press(DeleteOthersButton);
    EXPECT_TRUE(shownBoxes.empty());
    EXPECT_FALSE(tree.exists("a.txt"));
    EXPECT_EQ(tree.read("b.txt"), Alpha);
    EXPECT_EQ(tree.read("c.txt"), Alpha);
    EXPECT_EQ(cataloguePaths(), paths({"b.txt"}));
}

TEST_F(DeletionCommandsTest, AFolderAddedInsideAnAddedFolderNeverGroupsAFileWithItself) {
    tree.write("sub/only.txt", Beta);
    tree.write("sub/copy.txt", Alpha);
    tree.write("top.txt", Alpha);
    addFolder(tree.root());
    addFolder(at("sub"));
    ASSERT_EQ(program.catalogue.files.count(), 5);
    addFolder(tree.root());
    ASSERT_EQ(program.catalogue.files.count(), 5) << "the same folder is never added twice";
    for (const int search : {FindDuplicatesButton, FindSameNamesButton}) {
        SCOPED_TRACE(search);
        press(search);
        for (const std::string& row : rows(GroupsView)) {
            EXPECT_EQ(row.find("only.txt"), std::string::npos) << row;
        }
    }
    press(FindDuplicatesButton);
    ASSERT_EQ(rows(GroupsView), std::vector<std::string>{"2: copy.txt, top.txt"});
    chooseRow(GroupsView, 0);
    controls.setState(MembersView, 1);
    press(DeleteOthersButton);
    EXPECT_TRUE(shownBoxes.empty());
    EXPECT_FALSE(tree.exists("sub/copy.txt"));
    EXPECT_EQ(tree.read("top.txt"), Alpha);
    EXPECT_EQ(tree.read("sub/only.txt"), Beta);
    // The catalogue must not keep a second record of the file that is gone.
    for (const std::string& path : cataloguePaths()) {
        EXPECT_TRUE(PathExists(path)) << path;
    }
    EXPECT_EQ(rows(AllFilesView).size(), static_cast<std::size_t>(program.catalogue.files.count()));
    EXPECT_EQ(text(AllFilesLabel), AllFilesCaption(program.catalogue.files.count()));
}

TEST_F(DeletionCommandsTest, SameNameGroupsDeleteFilesOfOtherContentOnlyWhileTheyAreAsListed) {
    tree.write("one/note.txt", Alpha);
    tree.write("two/NOTE.txt", Beta);
    tree.write("three/note.TXT", Gamma);
    tree.write("four/Note.txt", Alpha);
    tree.write("elsewhere/note.TXT", Gamma);
    addFolder(at("one"));
    addFolder(at("two"));
    addFolder(at("three"));
    addFolder(at("four"));
    press(FindSameNamesButton);
    ASSERT_EQ(rows(GroupsView).size(), 1U);
    chooseRow(GroupsView, 0);
    const std::vector<std::string> members = rows(MembersView);
    ASSERT_EQ(members, paths({"one/note.txt", "two/NOTE.txt", "three/note.TXT", "four/Note.txt"}));

    // A changed other member does not hold a same-name deletion back.
    controls.setState(MembersView, 0);
    tree.write("two/NOTE.txt", "rewritten");
    press(DeleteMarkedButton);
    EXPECT_TRUE(shownBoxes.empty());
    EXPECT_FALSE(PathExists(members[0]));

    // But a file is deleted only while it is the one listed, reached the way it was found: not
    // rewritten, and not through a folder that became a link to one never added (where no link
    // can be made, a folder put in the moved one's place).
    fs::rename(at("three"), at("three-moved"));
    if (FolderLinksCanBeMade) {
        fs::create_directory_symlink(at("elsewhere"), at("three"));
    } else {
        tree.write("three/note.TXT", Gamma);
    }
    controls.setState(MembersView, 2);
    press(DeleteOthersButton);
    EXPECT_EQ(errorTexts(), (std::vector<std::string>{CannotDeleteText(members[1]),
                                                      CannotDeleteText(members[2])}));
    EXPECT_EQ(tree.read("two/NOTE.txt"), "rewritten");
    EXPECT_EQ(tree.read("elsewhere/note.TXT"), Gamma);
    EXPECT_EQ(tree.read("three-moved/note.TXT"), Gamma);
    EXPECT_EQ(tree.read("four/Note.txt"), Alpha);
    EXPECT_EQ(rows(MembersView), (std::vector<std::string>{members[1], members[2], members[3]}));
}

} // namespace

} // namespace bk::test
