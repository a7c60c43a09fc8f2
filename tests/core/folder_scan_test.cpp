#include "catalogue/catalogue.h"
#include "catalogue/folder_scan.h"
#include "platform/posix_file_services.h"
#include "support/headless_control_layer.h"
#include "support/program_runs.h"
#include "support/recording_control_layer.h"
#include "support/temp_tree.h"
#include "ui/program.h"
#include "ui/texts.h"

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <gtest/gtest.h>
#include <ostream>
#include <string>
#include <string_view>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>
#include <vector>

namespace bk::test {
namespace {

// What a scan put into one file record, besides the identity.
struct Row {
    std::int64_t size;
    std::string folder;
    std::string name;
    bool operator==(const Row&) const = default;
};

void PrintTo(const Row& row, std::ostream* out) {
    *out << row.size << " \"" << row.folder << "\" \"" << row.name << '"';
}

struct Status {
    int field;
    std::string text;
    bool operator==(const Status&) const = default;
};

void PrintTo(const Status& status, std::ostream* out) {
    *out << status.field << ": \"" << status.text << '"';
}

std::vector<Row> RowsOf(const FileList& files) {
    std::vector<Row> rows;
    for (FileRecord* record = files.first(); record != nullptr; record = FileList::nextOf(record)) {
        rows.push_back({record->size, record->folder, record->name.str()});
    }
    return rows;
}

std::vector<std::string> NamesOf(const std::vector<Row>& rows) {
    std::vector<std::string> names;
    for (const Row& row : rows) {
        names.push_back(row.name);
    }
    return names;
}

// A control layer that records every status text the program sends and makes the program forget
// what the other field shows, so that each text is sent again after a change of the other field.
// The status line holds back a text its field already shows; with this layer the count shown
// first in every folder is seen, whatever the count was before the folder.
class InterleavedStatusLayer final : public HeadlessControlLayer {
  public:
    Program* program = nullptr;
    std::vector<Status> sent;

    void setStatusText(int, int field, std::string_view text) override {
        sent.push_back({field, std::string(text)});
        if (program != nullptr) {
            (field == 0 ? program->lastDetailText : program->lastActivityText) = "(forgotten)";
        }
    }
};

class FolderScan : public ::testing::Test {
  protected:
    void Scan(const std::string& path, std::string_view patterns = "*") {
        ScanFolder(program, path, patterns, 0);
    }
    std::vector<Row> Rows() const { return RowsOf(program.catalogue.files); }

    TempTree tree;
    PosixFileServices files{tree.root() + "/"};
    RecordingControlLayer controls;
    Program program{controls, files};
};

// ---- Records and their order ----

TEST_F(FolderScan, RecordsEveryFileDepthFirstInNameOrderWithCaseIgnored) {
    tree.write("b.txt", "bb");
    tree.write("A.txt", "a");
    tree.write("a.txt", "aaaa"); // same folded name as "A.txt": raw bytes decide, "A" first
    tree.write("c/inner/deep.bin", "12345");
    tree.write("c/later.txt", "");
    tree.write("C.txt", "ccc"); // folded "c.txt" comes after the folder "c"
    tree.write("Zebra/z", "z");
    tree.folder("empty");
    const std::string r = tree.root();

    Scan(r);

    EXPECT_EQ(Rows(), (std::vector<Row>{
                          {1, r, "A.txt"},
                          {4, r, "a.txt"},
                          {2, r, "b.txt"},
                          {5, r + "/c/inner", "deep.bin"},
                          {0, r + "/c", "later.txt"},
                          {3, r, "C.txt"},
                          {1, r + "/Zebra", "z"},
                      }));
    EXPECT_EQ(program.catalogue.files.current(), program.catalogue.files.last())
        << "the last new record is current after the scan";
}

TEST_F(FolderScan, FilesOfOneFolderShareOneTextOfItsPath) {
    tree.write("f/1", "1");
    tree.write("f/sub/2", "2");
    tree.write("f/3", "3");
    Scan(tree.root());
    FileRecord* first = program.catalogue.files.first();
    FileRecord* second = FileList::nextOf(first);
    const FileRecord* inSub = FileList::nextOf(second);
    ASSERT_EQ(inSub->name, "2");
    EXPECT_EQ(&first->folder.str(), &second->folder.str()) << "one text for the folder f";
    EXPECT_NE(&first->folder.str(), &inSub->folder.str());
    EXPECT_EQ(inSub->folder, tree.path("f/sub"));
}

TEST_F(FolderScan, RecordsCarryTheIdentityOfTheFileOnDisk) {
    const std::string original = tree.write("one.txt", "same bytes");
    ASSERT_EQ(link(original.c_str(), tree.path("two.txt").c_str()), 0);
    tree.write("sub/three.txt", "x");

    Scan(tree.root());

    ASSERT_EQ(program.catalogue.files.count(), 3);
    for (FileRecord* record = program.catalogue.files.first(); record != nullptr;
         record = FileList::nextOf(record)) {
        SCOPED_TRACE(record->name.str());
        struct stat info {};
        ASSERT_EQ(lstat(FullPath(record->folder, record->name).c_str(), &info), 0);
        EXPECT_EQ(record->identity().device, static_cast<std::uint64_t>(info.st_dev));
        EXPECT_EQ(record->identity().inode, static_cast<std::uint64_t>(info.st_ino));
        EXPECT_EQ(record->identity().size, static_cast<std::int64_t>(info.st_size));
        EXPECT_EQ(record->identity().modified,
                  FileIdentity::Nanoseconds(info.st_mtim.tv_sec, info.st_mtim.tv_nsec));
        EXPECT_EQ(record->size, static_cast<std::int64_t>(info.st_size));
        EXPECT_EQ(record->grouped, 0);
    }
    // Two names of one file are two records; the searches keep them apart by identity.
    FileRecord* one = program.catalogue.files.first();
    FileRecord* three = FileList::nextOf(one);
    const FileRecord* two = FileList::nextOf(three);
    ASSERT_EQ(one->name, "one.txt");
    ASSERT_EQ(two->name, "two.txt");
    EXPECT_TRUE(one->identity().sameFileAs(two->identity()));
    EXPECT_FALSE(one->identity().sameFileAs(three->identity()));
}

TEST_F(FolderScan, SizesBeyondFourGigabytesAreKeptWhole) {
    const std::string big = tree.write("big.bin", "");
    if (truncate(big.c_str(), 5'000'000'000) != 0) {
        GTEST_SKIP() << "the temporary file system holds no sparse file of 5 GB";
    }
    Scan(tree.root());
    EXPECT_EQ(Rows(), (std::vector<Row>{{5'000'000'000, tree.root(), "big.bin"}}));
}

// ---- The status line ----

TEST_F(FolderScan, ShowsReadingAndTheCountAsItEntersEveryFolder) {
    InterleavedStatusLayer layer;
    Program watched(layer, files);
    layer.program = &watched;
    tree.write("A.txt", "a");
    tree.write("b.txt", "b");
    tree.write("README", "not accepted by *.*");
    tree.write("sub/c.dat", "c");
    tree.folder("Z");

    ScanFolder(watched, tree.root(), "*.*", 0);

    // Within one folder a repeated count is held back by the status line, so the texts below
    // are the first count of each folder and every change of it.
    const Status reading{0, "Lese Dateien..."};
    const auto count = [](int n) { return Status{1, FileCountText(n)}; };
    EXPECT_EQ(layer.sent, (std::vector<Status>{
                              reading,  // the walk of the chosen folder begins
                              count(0), // after "."
                              count(1), // A.txt
                              count(2), // b.txt; README is not accepted
                              reading,  // sub is walked
                              count(2), // after sub/.
                              count(3), // sub/c.dat
                              reading,  // Z is walked
                              count(3), // after Z/.
                          }));
}

TEST_F(FolderScan, ShowsReadingOnceAndEachNewCountOnce) {
    tree.write("a.txt", "a");
    tree.write("sub/b.txt", "b");
    tree.write("sub/c.txt", "c");

    Scan(tree.root());

    EXPECT_EQ(controls.statusTextsOf(0), (std::vector<std::string>{"Lese Dateien..."}));
    EXPECT_EQ(controls.statusTextsOf(1),
              (std::vector<std::string>{FileCountText(0), FileCountText(1), FileCountText(2),
                                        FileCountText(3)}));
}

TEST_F(FolderScan, AMissingFolderAddsNothingAndShowsTheCount) {
    Scan(tree.path("no such folder"));
    EXPECT_TRUE(Rows().empty());
    EXPECT_EQ(controls.statusTextsOf(1), (std::vector<std::string>{FileCountText(0)}));

    // A file named as the folder to walk is no folder either.
    tree.write("plain.txt", "x");
    Scan(tree.path("plain.txt"));
    EXPECT_TRUE(Rows().empty());
}

TEST_F(FolderScan, AFolderWithNoAcceptedFileStillShowsTheCountOfTheWholeCatalogue) {
    tree.write("first/a.txt", "a");
    tree.write("first/b.txt", "b");
    tree.write("second/README", "no dot");
    Scan(tree.path("first"));
    controls.statusTexts.clear();
    program.lastDetailText = "something else";

    Scan(tree.path("second"), "*.*");
    EXPECT_EQ(Rows().size(), 2U);
    EXPECT_EQ(controls.statusTextsOf(1), (std::vector<std::string>{FileCountText(2)}));

    controls.statusTexts.clear();
    program.lastDetailText = "something else";
    Scan(tree.path("vanished"));
    EXPECT_EQ(Rows().size(), 2U);
    EXPECT_EQ(controls.statusTextsOf(1), (std::vector<std::string>{FileCountText(2)}));
}

// ---- Patterns ----

TEST_F(FolderScan, PatternsTestFileNamesOnlyAndEveryFolderIsEntered) {
    tree.write("README", "no dot");
    tree.write("notes.txt", "n");
    tree.write("nodot/inner.txt", "i");
    tree.write("nodot/MAKEFILE", "m");
    tree.write("x.y/found.txt", "f");
    const std::string r = tree.root();

    Scan(r, "*.*");

    EXPECT_EQ(Rows(), (std::vector<Row>{
                          {1, r + "/nodot", "inner.txt"},
                          {1, r, "notes.txt"},
                          {1, r + "/x.y", "found.txt"},
                      }));
}

TEST_F(FolderScan, AFolderNameThatFailsThePatternIsStillEntered) {
    tree.write("x.y/found.txt", "f");
    tree.write("x.y/skipped.dat", "s");
    tree.write("top.dat", "t");

    Scan(tree.root(), "*.txt");

    EXPECT_EQ(Rows(), (std::vector<Row>{{1, tree.root() + "/x.y", "found.txt"}}));
}

// ---- Several scans ----

TEST_F(FolderScan, ASecondFolderIsAppendedAfterTheFirstWithItsOwnPatterns) {
    tree.write("one/a.txt", "a");
    tree.write("one/b.dat", "b");
    tree.write("two/c.txt", "c");
    tree.write("two/d.dat", "dd");

    Scan(tree.path("one"), "*.txt");
    Scan(tree.path("two"), "*.dat");

    EXPECT_EQ(Rows(), (std::vector<Row>{
                          {1, tree.path("one"), "a.txt"},
                          {2, tree.path("two"), "d.dat"},
                      }));
    EXPECT_EQ(controls.statusTextsOf(1).back(), FileCountText(2));
}

TEST_F(FolderScan, AScanInsertsAfterTheRecordCurrentWhenItBegins) {
    tree.write("one/a.txt", "a");
    tree.write("one/b.txt", "b");
    tree.write("two/c.txt", "c");
    tree.write("two/d.txt", "d");
    Scan(tree.path("one"));
    program.catalogue.files.selectAt(0);

    Scan(tree.path("two"));

    EXPECT_EQ(NamesOf(Rows()), (std::vector<std::string>{"a.txt", "c.txt", "d.txt", "b.txt"}));
    EXPECT_EQ(program.catalogue.files.current()->name, "d.txt");
}

// ---- How the path is given ----

TEST_F(FolderScan, APathWithATrailingSlashGivesTheSameRecordsAsOneWithout) {
    tree.write("top.txt", "t");
    tree.write("sub/inner.txt", "i");
    tree.write("sub/deeper/deepest.txt", "d");

    Scan(tree.root() + "/");
    const std::vector<Row> withSlash = Rows();
    program.catalogue.files.clear();
    Scan(tree.root());

    EXPECT_EQ(withSlash, Rows());
    EXPECT_EQ(withSlash, (std::vector<Row>{
                             {1, tree.root() + "/sub/deeper", "deepest.txt"},
                             {1, tree.root() + "/sub", "inner.txt"},
                             {1, tree.root(), "top.txt"},
                         }));
    for (const Row& row : withSlash) {
        EXPECT_NE(row.folder.back(), '/') << row.folder;
        EXPECT_EQ(row.folder.find("//"), std::string::npos) << row.folder;
    }
}

// ---- What a scan does not catalogue ----

TEST_F(FolderScan, LinksFifosAndSocketsAreNeitherCataloguedNorFollowed) {
    tree.write("real.txt", "real");
    tree.write("sub/inner.txt", "inner");
    ASSERT_EQ(symlink("real.txt", tree.path("link-to-file").c_str()), 0);
    ASSERT_EQ(symlink("sub", tree.path("link-to-folder").c_str()), 0);
    ASSERT_EQ(symlink("..", tree.path("sub/loop").c_str()), 0);
    ASSERT_EQ(symlink("nowhere", tree.path("dangling").c_str()), 0);
    // A FIFO nobody writes to would block a scan that opened it.
    ASSERT_EQ(mkfifo(tree.path("fifo").c_str(), 0644), 0);
    const int listener = socket(AF_UNIX, SOCK_STREAM, 0);
    ASSERT_GE(listener, 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    const std::string socketPath = tree.path("socket");
    ASSERT_LT(socketPath.size(), sizeof(address.sun_path));
    std::memcpy(address.sun_path, socketPath.c_str(), socketPath.size() + 1);
    ASSERT_EQ(bind(listener, reinterpret_cast<const sockaddr*>(&address), sizeof(address)), 0);

    Scan(tree.root());
    close(listener);

    EXPECT_EQ(Rows(), (std::vector<Row>{
                          {4, tree.root(), "real.txt"},
                          {5, tree.root() + "/sub", "inner.txt"},
                      }));
    EXPECT_EQ(controls.statusTextsOf(1).back(), FileCountText(2));
}

TEST_F(FolderScan, HiddenFilesAndFoldersAreCatalogued) {
    tree.write(".hidden", "h");
    tree.write(".config/settings", "s");
    tree.write("visible.txt", "v");

    Scan(tree.root());

    EXPECT_EQ(Rows(), (std::vector<Row>{
                          {1, tree.root() + "/.config", "settings"},
                          {1, tree.root(), ".hidden"},
                          {1, tree.root(), "visible.txt"},
                      }));
}

// ---- Unusual names and shapes of trees ----

TEST_F(FolderScan, NamesAreKeptByteForByte) {
    const std::vector<std::string> names{
        "with spaces.txt",
        "line\nbreak.txt",
        "quotes \"double\" and 'single'.txt",
        "star*.txt",
        "question?.txt",
        "back\\slash.txt",
        std::string("invalid \xff\xfe utf-8.txt"),
        std::string("cut \xc3 sequence.txt"),
        "Ärger.txt",
        std::string(251, 'n') + ".txt", // 255 bytes, the longest name a folder entry holds
        " leading space",
        "trailing space ",
    };
    for (const std::string& name : names) {
        tree.write(name, name);
    }
    const std::string oddFolder = "folder \n\"*?\\\xff";
    tree.write(oddFolder + "/inside.txt", "inside");

    Scan(tree.root());

    std::vector<Row> expected;
    for (const std::string& name : names) {
        expected.push_back({static_cast<std::int64_t>(name.size()), tree.root(), name});
    }
    expected.push_back({6, tree.root() + "/" + oddFolder, "inside.txt"});
    std::vector<Row> rows = Rows();
    const auto byName = [](const Row& a, const Row& b) { return a.name < b.name; };
    std::sort(rows.begin(), rows.end(), byName);
    std::sort(expected.begin(), expected.end(), byName);
    EXPECT_EQ(rows, expected);

    // The stored bytes reach the very file they came from.
    for (const Row& row : rows) {
        EXPECT_EQ(ReadWholeFile(FullPath(row.folder, row.name)).size(),
                  static_cast<std::size_t>(row.size))
            << row.name;
    }
}

TEST_F(FolderScan, WalksATreeTwoHundredFoldersDeep) {
    std::string relative;
    for (int level = 0; level < 200; ++level) {
        relative += relative.empty() ? "d" : "/d";
    }
    tree.write(relative + "/bottom.txt", "bottom");
    tree.write("d/d/second.txt", "2");
    tree.write("top.txt", "top");

    Scan(tree.root());

    EXPECT_EQ(Rows(), (std::vector<Row>{
                          {6, tree.path(relative), "bottom.txt"},
                          {1, tree.root() + "/d/d", "second.txt"},
                          {3, tree.root(), "top.txt"},
                      }));
    EXPECT_EQ(controls.statusTextsOf(1).back(), FileCountText(3));
}

TEST_F(FolderScan, CataloguesAFolderOfTwoThousandFilesInNameOrder) {
    // Upper and lower case alternate, so an order that minded letter case would show.
    std::vector<std::string> names;
    for (int number = 0; number < 2000; ++number) {
        char name[16];
        std::snprintf(name, sizeof(name), "%c%04d.txt", number % 2 == 0 ? 'f' : 'F', number);
        names.emplace_back(name);
    }
    for (auto it = names.rbegin(); it != names.rend(); ++it) {
        tree.write(*it, "");
    }

    Scan(tree.root());

    EXPECT_EQ(NamesOf(Rows()), names);
    EXPECT_EQ(program.catalogue.files.count(), 2000);
    EXPECT_EQ(controls.statusTextsOf(1).back(), FileCountText(2000));
    EXPECT_EQ(controls.statusTextsOf(1).size(), 2001U) << "0 and every count up to 2000";
}

// A scan of "/" walks the real root, which no test should do; what it relies on is that one
// trailing "/" is taken off and that the empty folder text is walked as the root. The second part
// is the file layer's: a walk of "" lists "/".
TEST_F(FolderScan, TheEmptyFolderTextIsWalkedAsTheRootByTheFileLayer) {
    PosixFolderScans scans(tree.root() + "/");
    ASSERT_TRUE(scans.begin(0, ""));
    std::vector<std::string> names;
    for (EntryKind kind = scans.next(); kind != EntryEnd; kind = scans.next()) {
        names.push_back(scans.entryName());
        if (names.size() > 2) {
            break; // enough to tell which folder it is; the root is not walked any further
        }
    }
    ASSERT_EQ(names.size(), 3U);
    EXPECT_EQ(names[0], ".");
    EXPECT_EQ(names[1], "..");
    EXPECT_TRUE(PathExists("/" + names[2])) << names[2] << " is no entry of the root";
    EXPECT_FALSE(PathExists(tree.path(names[2]))) << "the program's folder was walked";
}

} // namespace
} // namespace bk::test
