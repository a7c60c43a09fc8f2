#include "support/file_faults.h"
#include "support/program_fixture.h"
#include "ui/texts.h"

#include <filesystem>
#include <functional>
#include <map>
#include <sys/stat.h>
#include <unistd.h>

namespace bk::test {

namespace {

namespace fs = std::filesystem;
using Fault = FileFaults::Fault;

const std::string Alpha = "alpha: the content every member of the group shares";
const std::string Gamma = "gamma, a file of its own";

// What a user or the disk can tell about the program's state.
// A deletion refused between the guard and the disk: the unlink itself fails, or the file is
// made read-only or removed just before it.
struct Refusal {
    const char* name;
    FileFaults::Effect effect;
    std::function<void(const std::string& path)> change;
    bool fileStays;
};

const std::vector<Refusal>& Refusals() {
    static const std::vector<Refusal> table = {
        {"the unlink fails", FileFaults::Fail, {}, true},
        {"made read-only just before", FileFaults::Change,
         [](const std::string& path) { ASSERT_EQ(chmod(path.c_str(), 0444), 0); }, true},
        {"removed just before", FileFaults::Change,
         [](const std::string& path) { ASSERT_EQ(unlink(path.c_str()), 0); }, false},
    };
    return table;
}

class FaultyCommandsTest : public ProgramTest {
  protected:
    FaultyCommandsTest() { files.attachFaults(&faults); }
    ~FaultyCommandsTest() override { files.attachFaults(nullptr); }

    void expectCatalogueAndViewsUnchanged(const Observed& before) {
        const Observed after = observe();
        expectCatalogueAndViewsAsBefore(before, after);
        EXPECT_EQ(after.firstGroupMemberCount, before.firstGroupMemberCount);
    }

    // A fresh window state over one folder of copies, with its only group shown.
    void showGroupOf(const std::string& folder, const std::vector<std::string>& names) {
        tree.write(folder + "/x.txt", Gamma);
        showCopies(folder, names, Alpha);
        ASSERT_EQ(rows(GroupsView).size(), 1U);
        ASSERT_EQ(rows(MembersView).size(), names.size());
    }

    FileFaults faults;
};

TEST_F(FaultyCommandsTest, AFolderUnreadableMidWalkIsLeftOutAndItsSiblingsAreListed) {
    tree.write("a/1.txt", "1");
    tree.write("b/2.txt", "22");
    tree.write("b/deep/3.txt", "333");
    tree.write("c/4.txt", "4444");
    faults.plan(Fault(FileFaults::FolderRead, FileFaults::Fail, at("b")));

    addFolder(tree.root());

    EXPECT_TRUE(faults.allStruck());
    EXPECT_TRUE(shownBoxes.empty());
    EXPECT_EQ(rows(AllFilesView), (std::vector<std::string>{"1.txt", "4.txt"}));
    EXPECT_EQ(text(AllFilesLabel), AllFilesCaption(2));
    EXPECT_EQ(statusText(1), FileCountText(2));
}

TEST_F(FaultyCommandsTest, DeletingOthersWhenNoFileCanGoReportsEachAndKeepsTheWholeGroup) {
    int round = 0;
    for (const Refusal& refusal : Refusals()) {
        SCOPED_TRACE(refusal.name);
        const std::string folder = std::string("o").append(std::to_string(round++));
        const auto name = [&](const char* file) { return at(folder + "/" + file); };
        showGroupOf(folder, {"d1.txt", "d2.txt", "d3.txt", "d4.txt"});
        controls.setState(MembersView, 2);
        const Observed before = observe();
        FileFaults plan;
        files.attachFaults(&plan);
        plan.plan(Fault(FileFaults::Delete, refusal.effect)
                      .striking(FileFaults::Forever)
                      .doing(refusal.change));

        press(DeleteOthersButton);

        files.attachFaults(&faults);
        EXPECT_EQ(plan.struck(), 3) << "every member but the marked one reached the unlink";
        EXPECT_EQ(errorTexts(), (std::vector<std::string>{CannotDeleteText(name("d1.txt")),
                                                          CannotDeleteText(name("d2.txt")),
                                                          CannotDeleteText(name("d4.txt"))}));
        expectCatalogueAndViewsUnchanged(before);
        EXPECT_EQ(tree.read(folder + "/d3.txt"), Alpha) << "the marked copy is never touched";
        for (const char* member : {"d1.txt", "d2.txt", "d4.txt"}) {
            EXPECT_EQ(PathExists(name(member)), refusal.fileStays) << member;
        }
        if (refusal.fileStays) {
            EXPECT_EQ(disk(), before.disk);
        }
        EXPECT_TRUE(enabled(DeleteOthersButton));
        EXPECT_TRUE(enabled(DeleteMarkedButton));
    }
}

TEST_F(FaultyCommandsTest, AMarkedFileWhoseUnlinkFailsAfterTheGuardIsReportedAndKept) {
    struct Case {
        std::vector<std::string> members;
        std::int64_t marked;
    };
    const Case cases[] = {
        {{"a1.txt", "a2.txt"}, 0}, {{"a1.txt", "a2.txt"}, 1}, {{"a1.txt", "a2.txt", "a3.txt"}, 1}};
    int round = 0;
    for (const Refusal& refusal : Refusals()) {
        for (const Case& each : cases) {
            SCOPED_TRACE(testing::Message() << refusal.name << ", " << each.members.size()
                                            << " members, marked " << each.marked);
            const std::string folder = std::string("m").append(std::to_string(round++));
            showGroupOf(folder, each.members);
            controls.setState(MembersView, each.marked);
            const std::string marked =
                at(folder + "/" + each.members[static_cast<std::size_t>(each.marked)]);
            const Observed before = observe();
            FileFaults plan;
            files.attachFaults(&plan);
            plan.plan(Fault(FileFaults::Delete, refusal.effect, marked).doing(refusal.change));

            press(DeleteMarkedButton);

            files.attachFaults(&faults);
            EXPECT_TRUE(plan.allStruck()) << "the guard let the deletion through to the unlink";
            EXPECT_EQ(errorTexts(), std::vector<std::string>{CannotDeleteText(marked)});
            expectCatalogueAndViewsUnchanged(before);
            EXPECT_EQ(controls.getState(MembersView), each.marked);
            EXPECT_EQ(PathExists(marked), refusal.fileStays);
            if (refusal.fileStays) {
                EXPECT_EQ(disk(), before.disk);
            }
        }
    }
}

// Not a planned fault but the disk seen through two added folders: deleting a file whose other
// record no longer leads anywhere looks through every group while the group being thinned may
// already have lost its first member.
TEST_F(FaultyCommandsTest, DeletingOthersPastAFormerFirstMemberForgetsTheSecondRecordSafely) {
    tree.write("g/a1.txt", Alpha);
    tree.write("g/b/d2.txt", Alpha);
    tree.write("g/c3.txt", Alpha);
    tree.write("g/x.txt", Gamma);
    addFolder(at("g"));
    addFolder(at("g/b"));
    press(FindDuplicatesButton);
    chooseRow(GroupsView, 0);
    ASSERT_EQ(rows(MembersView),
              (std::vector<std::string>{at("g/a1.txt"), at("g/b/d2.txt"), at("g/c3.txt")}));
    controls.setState(MembersView, 2);

    press(DeleteOthersButton);

    EXPECT_TRUE(shownBoxes.empty());
    EXPECT_FALSE(PathExists(at("g/a1.txt")));
    EXPECT_FALSE(PathExists(at("g/b/d2.txt")));
    EXPECT_EQ(tree.read("g/c3.txt"), Alpha);
    // The kept copy leaves the catalogue with its dissolved group; the second record of the
    // deleted file leads nowhere now and goes too.
    EXPECT_EQ(cataloguePaths(), std::vector<std::string>{at("g/x.txt")});
    EXPECT_EQ(rows(AllFilesView), std::vector<std::string>{"x.txt"});
    EXPECT_EQ(text(AllFilesLabel), AllFilesCaption(1));
    EXPECT_TRUE(rows(GroupsView).empty());
}

} // namespace

} // namespace bk::test
