#include "platform/file_paths.h"
#include "support/program_fixture.h"
#include "ui/folder_adding.h"
#include "ui/texts.h"

#include <unistd.h>

namespace bk::test {

namespace {

// Folders added through the add-folder button of the real window; the test answers the chooser.
class FolderAddingTest : public ProgramTest {
  protected:
    std::vector<std::string> folderPaths() {
        std::vector<std::string> paths;
        FolderList& folders = program.catalogue.folders;
        for (FolderRecord* each = folders.first(); each != nullptr;
             each = FolderList::nextOf(each)) {
            paths.push_back(each->path);
        }
        return paths;
    }
};

TEST_F(FolderAddingTest, AddedFolderShowsEveryFileWithItsSize) {
    tree.write("data/b.txt", "12345");
    tree.write("data/A.txt", "");
    tree.write("data/sub/c.bin", std::string(4096, 'x'));
    tree.write("data/z.txt", "12");
    addFolder(tree.path("data"));

    EXPECT_EQ(rows(AllFilesView), (std::vector<std::string>{"A.txt", "b.txt", "c.bin", "z.txt"}));
    EXPECT_EQ(rows(AllFilesView, 1),
              (std::vector<std::string>{FileSizeText(0), FileSizeText(5), FileSizeText(4096),
                                        FileSizeText(2)}));
    EXPECT_EQ(text(AllFilesLabel), AllFilesCaption(4));
    EXPECT_EQ(statusText(0), "Update Liste");
    EXPECT_EQ(statusText(1), FileCountText(4));
    EXPECT_EQ(folderPaths(), std::vector<std::string>{tree.path("data") + PathSeparator});
    EXPECT_EQ(program.lastFolder, tree.path("data") + PathSeparator);
    EXPECT_EQ(chooserTitles, std::vector<std::string>{"Pfad hinzufügen..."});
    EXPECT_EQ(chooserOpenedAt, std::vector<std::string>{""}) << "nothing was added before";
    for (const int control : {FindDuplicatesButton, FindSameNamesButton, ResetButton}) {
        EXPECT_TRUE(enabled(control)) << "control " << control;
    }
}

TEST_F(FolderAddingTest, ChooserOpensAtTheFolderAddedLast) {
    tree.write("one/a.txt", "a");
    tree.write("two/b.txt", "b");
    addFolder(tree.path("one"));
    addFolder(tree.path("two"));
    addFolder(tree.path("one")); // refused: the chooser's place stays at the last one added
    press(AddFolderButton);      // cancelled
    EXPECT_EQ(chooserOpenedAt, (std::vector<std::string>{"", tree.path("one") + PathSeparator,
                                                         tree.path("two") + PathSeparator,
                                                         tree.path("two") + PathSeparator}));
}

TEST_F(FolderAddingTest, SameFolderAddedAgainIsRefusedSilently) {
    tree.write("data/a.txt", "abc");
    addFolder(tree.path("data"));
    addFolder(tree.path("data"));
    EXPECT_EQ(rows(AllFilesView), std::vector<std::string>{"a.txt"});
    EXPECT_EQ(text(AllFilesLabel), AllFilesCaption(1));
    EXPECT_EQ(folderPaths().size(), 1U);
    EXPECT_TRUE(shownBoxes.empty());
}

// Links to folders: Windows makes them only for the privileged, and Wine none that stays a link.
#ifndef _WIN32
TEST_F(FolderAddingTest, SameFolderReachedThroughALinkIsRefused) {
    tree.write("data/a.txt", "abc");
    tree.folder("elsewhere");
    ASSERT_EQ(symlink(tree.path("data").c_str(), tree.path("elsewhere/link").c_str()), 0);
    ASSERT_EQ(symlink("data", tree.path("relative").c_str()), 0);
    addFolder(tree.path("data"));
    addFolder(tree.path("elsewhere/link"));
    addFolder(tree.path("relative"));
    EXPECT_EQ(rows(AllFilesView), std::vector<std::string>{"a.txt"});
    EXPECT_EQ(folderPaths(), std::vector<std::string>{tree.path("data") + PathSeparator});
    EXPECT_EQ(program.lastFolder, tree.path("data") + PathSeparator);
}

TEST_F(FolderAddingTest, RealFolderAfterItsLinkIsRefused) {
    tree.write("data/a.txt", "abc");
    ASSERT_EQ(symlink(tree.path("data").c_str(), tree.path("link").c_str()), 0);
    addFolder(tree.path("link"));
    addFolder(tree.path("data"));
    EXPECT_EQ(folderPaths(), std::vector<std::string>{tree.path("link") + PathSeparator});
    EXPECT_EQ(cataloguePaths(), std::vector<std::string>{tree.path("link/a.txt")});
}
#endif

// Names that differ in letter case only name one folder on Windows.
#ifndef _WIN32
TEST_F(FolderAddingTest, FoldersWhosePathsDifferOnlyInLetterCaseAreDifferentFolders) {
    tree.write("Data/upper.txt", "u");
    tree.write("data/lower.txt", "l");
    addFolder(tree.path("data"));
    addFolder(tree.path("Data"));
    EXPECT_EQ(rows(AllFilesView), (std::vector<std::string>{"lower.txt", "upper.txt"}));
    EXPECT_EQ(folderPaths(), (std::vector<std::string>{tree.path("data") + PathSeparator,
                                                       tree.path("Data") + PathSeparator}));
}

TEST_F(FolderAddingTest, OtherCaseOfAnAddedFolderThatDoesNotExistAddsNoFiles) {
    tree.write("data/a.txt", "abc");
    addFolder(tree.path("data"));
    addFolder(tree.path("DATA"));
    EXPECT_EQ(rows(AllFilesView), std::vector<std::string>{"a.txt"});
    EXPECT_EQ(text(AllFilesLabel), AllFilesCaption(1));
    EXPECT_EQ(folderPaths(), (std::vector<std::string>{tree.path("data") + PathSeparator,
                                                       tree.path("DATA") + PathSeparator}));
    EXPECT_EQ(program.lastFolder, tree.path("DATA") + PathSeparator);
}
#endif

TEST_F(FolderAddingTest, CancellingTheChooserChangesNothing) {
    press(AddFolderButton);
    EXPECT_EQ(chooserOpenedAt.size(), 1U);
    EXPECT_TRUE(folderPaths().empty());
    EXPECT_TRUE(program.lastFolder.empty());
    EXPECT_TRUE(rows(AllFilesView).empty());
    EXPECT_EQ(text(AllFilesLabel), AllFilesInitialCaption);
    EXPECT_EQ(statusText(0), "") << "a cancelled adding reports nothing";

    tree.write("data/a.txt", "abc");
    addFolder(tree.path("data"));
    press(AddFolderButton);
    EXPECT_EQ(folderPaths().size(), 1U);
    EXPECT_EQ(program.lastFolder, tree.path("data") + PathSeparator);
    EXPECT_EQ(rows(AllFilesView), std::vector<std::string>{"a.txt"});
    EXPECT_TRUE(shownBoxes.empty());
}

TEST_F(FolderAddingTest, SecondFolderAppendsItsFilesAndTheCountCoversBoth) {
    tree.write("one/b.txt", "bb");
    tree.write("one/a.txt", "a");
    tree.write("two/a.txt", "aaa");
    addFolder(tree.path("one"));
    addFolder(tree.path("two"));
    EXPECT_EQ(cataloguePaths(),
              (std::vector<std::string>{tree.path("one/a.txt"), tree.path("one/b.txt"),
                                        tree.path("two/a.txt")}));
    EXPECT_EQ(rows(AllFilesView), (std::vector<std::string>{"a.txt", "b.txt", "a.txt"}));
    EXPECT_EQ(rows(AllFilesView, 1),
              (std::vector<std::string>{FileSizeText(1), FileSizeText(2), FileSizeText(3)}));
    EXPECT_EQ(text(AllFilesLabel), AllFilesCaption(3));
    EXPECT_EQ(statusText(1), FileCountText(3));
}

TEST_F(FolderAddingTest, FolderAddedAfterASearchStillAppendsItsFiles) {
    tree.write("one/a.txt", "same");
    tree.write("one/b.txt", "same");
    tree.write("one/c.txt", "other");
    tree.write("two/d.txt", "more");
    addFolder(tree.path("one"));
    press(FindDuplicatesButton);
    addFolder(tree.path("two"));
    EXPECT_EQ(cataloguePaths(),
              (std::vector<std::string>{tree.path("one/a.txt"), tree.path("one/b.txt"),
                                        tree.path("one/c.txt"), tree.path("two/d.txt")}));
    EXPECT_EQ(rows(AllFilesView), (std::vector<std::string>{"a.txt", "b.txt", "c.txt", "d.txt"}));
}

TEST_F(FolderAddingTest, FolderInsideAnAddedFolderIsCataloguedAgain) {
    tree.write("data/a.txt", "a");
    tree.write("data/sub/b.txt", "b");
    addFolder(tree.path("data"));
    addFolder(tree.path("data/sub"));
    EXPECT_EQ(rows(AllFilesView), (std::vector<std::string>{"a.txt", "b.txt", "b.txt"}));
    EXPECT_EQ(text(AllFilesLabel), AllFilesCaption(3));
}

TEST_F(FolderAddingTest, AfterResetTheSameFolderCanBeAddedAgainFromWhereTheChooserOpens) {
    tree.write("data/a.txt", "abc");
    addFolder(tree.path("data"));
    press(ResetButton);
    ASSERT_TRUE(rows(AllFilesView).empty());
    addFolder(tree.path("data"));
    EXPECT_EQ(chooserOpenedAt, (std::vector<std::string>{"", tree.path("data") + PathSeparator}));
    EXPECT_EQ(rows(AllFilesView), std::vector<std::string>{"a.txt"});
    EXPECT_EQ(text(AllFilesLabel), AllFilesCaption(1));
    EXPECT_EQ(folderPaths(), std::vector<std::string>{tree.path("data") + PathSeparator});
}

TEST_F(FolderAddingTest, EachFolderIsScannedWithThePatternsTypedWhenItWasAdded) {
    tree.write("one/a.txt", "a");
    tree.write("one/a.log", "a");
    tree.write("two/b.txt", "b");
    tree.write("two/b.log", "b");
    tree.write("two/README", "b");
    controls.setText(PatternField, "*.txt");
    addFolder(tree.path("one"));
    controls.setText(PatternField, "*");
    addFolder(tree.path("two"));
    EXPECT_EQ(rows(AllFilesView), (std::vector<std::string>{"a.txt", "b.log", "b.txt", "README"}));
    EXPECT_EQ(text(AllFilesLabel), AllFilesCaption(4));
}

TEST_F(FolderAddingTest, FolderWithoutMatchingFilesIsStillRecorded) {
    tree.write("data/a.log", "a");
    controls.setText(PatternField, "*.txt");
    addFolder(tree.path("data"));
    EXPECT_TRUE(rows(AllFilesView).empty());
    EXPECT_EQ(text(AllFilesLabel), AllFilesCaption(0));
    EXPECT_EQ(statusText(1), FileCountText(0));
    EXPECT_EQ(folderPaths().size(), 1U);
    controls.setText(PatternField, "*.*");
    addFolder(tree.path("data"));
    EXPECT_TRUE(rows(AllFilesView).empty()) << "the folder counts as added all the same";
}

} // namespace

} // namespace bk::test
