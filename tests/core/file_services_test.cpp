#include "platform/posix_file_services.h"
#include "support/found_on_disk.h"
#include "support/open_descriptors.h"
#include "support/temp_tree.h"

#include <array>
#include <chrono>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <functional>
#include <future>
#include <gtest/gtest.h>
#include <memory>
#include <optional>
#include <string>
#include <sys/resource.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <thread>
#include <unistd.h>
#include <utility>
#include <vector>

namespace bk {
namespace {

using test::FoundOnDisk;
using test::OpenDescriptors;
using test::PathExists;
using test::TempTree;

struct Seen {
    std::string name;
    EntryKind kind;
    bool operator==(const Seen&) const = default;
};

void PrintTo(const Seen& seen, std::ostream* out) {
    *out << '"' << seen.name << "\" " << (seen.kind == EntryFolder ? "folder" : "file");
}

std::vector<Seen> RestOfScan(FolderScans& scans) {
    std::vector<Seen> seen;
    for (EntryKind kind = scans.next(); kind != EntryEnd; kind = scans.next()) {
        seen.push_back({scans.entryName(), kind});
    }
    return seen;
}

std::vector<Seen> WholeScan(FolderScans& scans, std::string_view path) {
    scans.begin(0, path);
    return RestOfScan(scans);
}

std::vector<std::string> NamesOf(const std::vector<Seen>& seen) {
    std::vector<std::string> names;
    for (const Seen& entry : seen) {
        names.push_back(entry.name);
    }
    return names;
}

const Seen kSelf{".", EntryFolder};
const Seen kParent{"..", EntryFolder};

void MakeSymlink(const std::string& target, const std::string& link) {
    ASSERT_EQ(symlink(target.c_str(), link.c_str()), 0) << link;
}

void MakeFifo(const std::string& path) {
    ASSERT_EQ(mkfifo(path.c_str(), 0644), 0) << path;
}

// A bound socket leaves its file behind after the socket itself is closed.
void MakeSocketFile(const std::string& path) {
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    ASSERT_LT(path.size(), sizeof(address.sun_path)) << path;
    std::memcpy(address.sun_path, path.c_str(), path.size() + 1);
    const int handle = socket(AF_UNIX, SOCK_STREAM, 0);
    ASSERT_GE(handle, 0);
    const int bound = bind(handle, reinterpret_cast<const sockaddr*>(&address), sizeof(address));
    close(handle);
    ASSERT_EQ(bound, 0) << path;
}

void MakeSparseFile(const std::string& path, off_t size) {
    const int handle = open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    ASSERT_GE(handle, 0) << path;
    const int truncated = ftruncate(handle, size);
    close(handle);
    ASSERT_EQ(truncated, 0) << path;
}

std::string Cwd() {
    std::array<char, 4096> buffer{};
    return getcwd(buffer.data(), buffer.size()) != nullptr ? buffer.data() : "";
}

// Descriptors of this process open on path; other descriptors may come and go meanwhile (the
// test runner's own), so only these say whether a handle leaked.
int DescriptorsOpenOn(const std::string& path) {
    DIR* folder = opendir("/proc/self/fd");
    int count = 0;
    while (const dirent* entry = readdir(folder)) {
        char target[4096];
        const std::string link = std::string("/proc/self/fd/") + entry->d_name;
        const ssize_t length = readlink(link.c_str(), target, sizeof target);
        if (length > 0 && std::string(target, static_cast<std::size_t>(length)) == path) {
            ++count;
        }
    }
    closedir(folder);
    return count;
}

// Runs something that must not wait for a FIFO writer. Should it wait anyway, a writer is
// attached to path so that the test fails instead of hanging.
template <typename Result>
Result WithoutWaiting(const std::string& path, const std::function<Result()>& attempt) {
    auto result = std::async(std::launch::async, attempt);
    if (result.wait_for(std::chrono::seconds(2)) == std::future_status::timeout) {
        ADD_FAILURE() << "waited on " << path;
        const int writer = open(path.c_str(), O_WRONLY | O_NONBLOCK);
        result.wait();
        close(writer);
    }
    return result.get();
}

class FileServicesTest : public ::testing::Test {
  protected:
    std::string programFolder() const { return tree_.root() + "/"; }
    TempTree tree_;
};

// ---- Names ----

TEST(ResolvePathTest, AbsoluteStaysEmptyIsRootRelativeJoinsProgramFolder) {
    const struct {
        std::string_view name;
        std::string expected;
    } cases[] = {
        {"/data/a.txt", "/data/a.txt"},
        {"", "/"},
        {"a.txt", "/opt/bk/a.txt"},
        {"sub/a.txt", "/opt/bk/sub/a.txt"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(ResolvePath("/opt/bk/", c.name), c.expected) << c.name;
    }
}

TEST(ExecutableFolderTest, IsAnAbsoluteFolderEndingInSeparator) {
    const std::string folder = ExecutableFolder();
    ASSERT_FALSE(folder.empty());
    EXPECT_EQ(folder.front(), '/');
    EXPECT_EQ(folder.back(), '/');
    struct stat info {};
    ASSERT_EQ(stat(folder.c_str(), &info), 0);
    EXPECT_TRUE(S_ISDIR(info.st_mode));
}

TEST_F(FileServicesTest, RelativeNamesUseProgramFolderAndLeaveCurrentDirectoryAlone) {
    tree_.write("sub/x.txt", "x");
    const std::string cwdBefore = Cwd();

    PosixNumberedFiles files(programFolder());
    EXPECT_TRUE(files.openForReading(1, "sub/x.txt"));
    PosixFolderScans scans(programFolder());
    EXPECT_EQ(WholeScan(scans, "sub"), (std::vector<Seen>{kSelf, kParent, {"x.txt", EntryFile}}));
    EXPECT_TRUE(RemoveFoundFile(programFolder(), FoundOnDisk(programFolder(), "sub", {}, "x.txt"),
                                nullptr));
    EXPECT_FALSE(tree_.exists("sub/x.txt"));

    EXPECT_EQ(Cwd(), cwdBefore);
}

// ---- Folder scans ----

TEST_F(FileServicesTest, EmptyFolderGivesSelfAndParentThenEndForGood) {
    const std::string empty = tree_.folder("empty");
    PosixFolderScans scans(programFolder());

    ASSERT_TRUE(scans.begin(0, empty));
    EXPECT_EQ(RestOfScan(scans), (std::vector<Seen>{kSelf, kParent}));
    EXPECT_EQ(scans.next(), EntryEnd);
    EXPECT_EQ(scans.next(), EntryEnd);
}

TEST_F(FileServicesTest, BeginRefusesWhatItCannotListAndTheScanEndsAtOnce) {
    tree_.write("plain.txt", "x");
    const struct {
        std::string path;
        std::string_view pattern;
    } cases[] = {
        {tree_.path("missing"), ""},
        {tree_.path("plain.txt"), ""},
        {tree_.path("missing/deeper"), ""},
        // Only listing everything is offered; a real pattern is refused rather than ignored.
        {tree_.root(), "*.txt"},
    };
    PosixFolderScans scans(programFolder());
    for (const auto& c : cases) {
        EXPECT_FALSE(scans.begin(3, c.path, c.pattern)) << c.path;
        EXPECT_EQ(scans.next(), EntryEnd) << c.path;
        EXPECT_EQ(scans.next(), EntryEnd) << c.path;
    }
    EXPECT_TRUE(scans.begin(3, tree_.root(), "*.*")) << "every entry, as the system wrote it";
}

TEST_F(FileServicesTest, FinalSeparatorDoesNotChangeTheEntries) {
    tree_.write("walk/a.txt", "a");
    tree_.folder("walk/inner");
    PosixFolderScans scans(programFolder());
    const std::vector<Seen> expected{kSelf, kParent, {"a.txt", EntryFile}, {"inner", EntryFolder}};

    for (const std::string& path : {tree_.path("walk"), tree_.path("walk/"), tree_.path("walk//"),
                                    std::string("walk"), std::string("walk/")}) {
        EXPECT_EQ(WholeScan(scans, path), expected) << path;
    }
    EXPECT_EQ(NamesOf(WholeScan(scans, "")), NamesOf(WholeScan(scans, "/")));
    EXPECT_GT(WholeScan(scans, "").size(), 2u) << "the root is walked, not nothing";
}

TEST_F(FileServicesTest, EntriesComeInCapitalNameOrderAfterSelfAndParent) {
    for (const char* name : {"beta", "zebra", "Alpha", "\xC3\xA4pfel", "alpha", "Gamma",
                             "\xC3\x84pfel", "ALPHA", "_x", "[y", "^z"}) {
        tree_.write(std::string("order/") + name, "");
    }
    tree_.folder("order/delta");
    PosixFolderScans scans(programFolder());

    // Names compare by their capital forms, so "_x", "[y" and "^z" come after every letter;
    // the three alphas and the two Äpfel show raw bytes breaking ties.
    EXPECT_EQ(
        NamesOf(WholeScan(scans, tree_.path("order"))),
        (std::vector<std::string>{".", "..", "ALPHA", "Alpha", "alpha", "beta", "delta", "Gamma",
                                  "zebra", "[y", "^z", "_x", "\xC3\x84pfel", "\xC3\xA4pfel"}));
}

TEST_F(FileServicesTest, EntriesCarrySizeAndIdentity) {
    const std::string file = tree_.write("id/data.bin", std::string(1234, 'z'));
    const std::string folder = tree_.folder("id/sub");
    PosixFolderScans scans(programFolder());
    ASSERT_TRUE(scans.begin(0, tree_.path("id")));
    ASSERT_EQ(scans.next(), EntryFolder); // .
    ASSERT_EQ(scans.next(), EntryFolder); // ..

    ASSERT_EQ(scans.next(), EntryFile);
    EXPECT_EQ(scans.entryName(), "data.bin");
    EXPECT_EQ(scans.entrySize(), 1234);
    const auto onDisk = RegularFileIdentity(file);
    ASSERT_TRUE(onDisk.has_value());
    EXPECT_TRUE(scans.entryIdentity().unchangedSince(*onDisk));

    ASSERT_EQ(scans.next(), EntryFolder);
    EXPECT_EQ(scans.entryName(), "sub");
    EXPECT_EQ(scans.entrySize(), 0) << "a folder has no content size";
    struct stat info {};
    ASSERT_EQ(lstat(folder.c_str(), &info), 0);
    EXPECT_EQ(scans.entryIdentity().inode, static_cast<std::uint64_t>(info.st_ino));
}

TEST_F(FileServicesTest, OnlyRegularFilesAndRealFoldersExistForAScan) {
    const std::string real = tree_.write("kinds/real.txt", "r");
    const std::string sub = tree_.folder("kinds/sub");
    MakeSymlink(real, tree_.path("kinds/link-to-file"));
    MakeSymlink(sub, tree_.path("kinds/link-to-folder"));
    MakeSymlink("..", tree_.path("kinds/loop"));
    MakeSymlink("nowhere", tree_.path("kinds/dangling"));
    MakeFifo(tree_.path("kinds/fifo"));
    MakeSocketFile(tree_.path("kinds/socket"));
    PosixFolderScans scans(programFolder());

    const auto seen = WithoutWaiting<std::vector<Seen>>(
        tree_.path("kinds/fifo"), [&] { return WholeScan(scans, tree_.path("kinds")); });
    EXPECT_EQ(seen,
              (std::vector<Seen>{kSelf, kParent, {"real.txt", EntryFile}, {"sub", EntryFolder}}));
}

TEST_F(FileServicesTest, NestedScanRunsToItsEndThenTheOuterScanContinues) {
    tree_.write("outer/a.txt", "a");
    tree_.write("outer/b/inner.txt", "i");
    tree_.write("outer/c.txt", "c");
    PosixFolderScans scans(programFolder());

    ASSERT_TRUE(scans.begin(0, tree_.path("outer")));
    std::vector<Seen> outer;
    for (int taken = 0; taken < 4; ++taken) {
        const EntryKind kind = scans.next();
        outer.push_back({scans.entryName(), kind});
    }
    ASSERT_EQ(outer.back(), (Seen{"b", EntryFolder}));

    ASSERT_TRUE(scans.begin(1, tree_.path("outer/b")));
    EXPECT_EQ(RestOfScan(scans), (std::vector<Seen>{kSelf, kParent, {"inner.txt", EntryFile}}));
    scans.makeCurrent(0);
    EXPECT_EQ(scans.entryName(), "inner.txt") << "one entry is shared by all scans";

    EXPECT_EQ(RestOfScan(scans), (std::vector<Seen>{{"c.txt", EntryFile}}));
    scans.makeCurrent(1);
    EXPECT_EQ(scans.next(), EntryEnd) << "the finished inner scan stays finished";
}

TEST_F(FileServicesTest, DepthNumberedWalkFindsEveryFileOnce) {
    const std::vector<std::string> files{"top.txt", "one/a.txt", "one/two/b.txt",
                                         "one/two/three/c.txt", "other/d.txt"};
    for (const std::string& file : files) {
        tree_.write("walk/" + file, file);
    }
    MakeSymlink("..", tree_.path("walk/one/loop"));
    PosixFolderScans scans(programFolder());

    std::vector<std::string> found;
    std::function<void(int, const std::string&, const std::string&)> walk =
        [&](int depth, const std::string& folder, const std::string& relative) {
            scans.begin(depth, folder);
            for (EntryKind kind = scans.next(); kind != EntryEnd; kind = scans.next()) {
                const std::string name = scans.entryName();
                if (kind == EntryFile) {
                    found.push_back(relative + name);
                } else if (name != "." && name != "..") {
                    walk(depth + 1, folder + "/" + name, relative + name + "/");
                    scans.makeCurrent(depth);
                }
            }
        };
    walk(0, tree_.path("walk"), "");

    EXPECT_EQ(found, (std::vector<std::string>{"one/a.txt", "one/two/b.txt", "one/two/three/c.txt",
                                               "other/d.txt", "top.txt"}));
}

TEST_F(FileServicesTest, LongPathsAreNoLimitOfOurOwn) {
    std::string relative = "deep";
    for (int level = 0; level < 8; ++level) {
        relative += "/" + std::string(40, static_cast<char>('a' + level));
    }
    tree_.write(relative + "/end.txt", "e");
    PosixFolderScans scans(programFolder());
    PosixNumberedFiles files(programFolder());

    ASSERT_GT(tree_.path(relative).size(), 300u);
    EXPECT_EQ(WholeScan(scans, tree_.path(relative)),
              (std::vector<Seen>{kSelf, kParent, {"end.txt", EntryFile}}));
    EXPECT_TRUE(files.openForReading(0, tree_.path(relative + "/end.txt")));
}

TEST_F(FileServicesTest, NamesAreBytesNotText) {
    const std::string latin1Name = "caf\xE9.txt"; // not valid UTF-8
    tree_.write("bytes/" + latin1Name, "bytes");
    PosixFolderScans scans(programFolder());
    PosixNumberedFiles files(programFolder());

    EXPECT_EQ(NamesOf(WholeScan(scans, tree_.path("bytes"))),
              (std::vector<std::string>{".", "..", latin1Name}));
    EXPECT_TRUE(files.openForReading(1, tree_.path("bytes/" + latin1Name)));
    files.close(1);
    EXPECT_TRUE(RemoveFoundFile(programFolder(),
                                FoundOnDisk(programFolder(), tree_.path("bytes"), {}, latin1Name),
                                nullptr));
    EXPECT_EQ(NamesOf(WholeScan(scans, tree_.path("bytes"))),
              (std::vector<std::string>{".", ".."}));
}

TEST_F(FileServicesTest, SizesBeyondFourGigabytesAreKept) {
    constexpr std::int64_t kSize = 5'000'000'000;
    const std::string path = tree_.path("big/sparse.bin");
    tree_.folder("big");
    MakeSparseFile(path, kSize);
    PosixFolderScans scans(programFolder());
    PosixNumberedFiles files(programFolder());

    ASSERT_TRUE(scans.begin(0, tree_.path("big")));
    while (scans.next() == EntryFolder) {
    }
    EXPECT_EQ(scans.entryName(), "sparse.bin");
    EXPECT_EQ(scans.entrySize(), kSize);
    ASSERT_TRUE(files.openForReading(1, path));
    ASSERT_TRUE(files.currentIdentity().has_value());
    EXPECT_EQ(files.currentIdentity()->size, kSize);
    EXPECT_EQ(RegularFileIdentity(path)->size, kSize);
}

TEST_F(FileServicesTest, HighNumbersWorkWithoutEarlierCalls) {
    const std::string file = tree_.write("n/x.txt", "x");
    PosixNumberedFiles files(programFolder());
    PosixFolderScans scans(programFolder());

    EXPECT_TRUE(files.openForReading(25, file));
    unsigned char byte = 0;
    EXPECT_EQ(files.read(&byte, 1), 1);
    EXPECT_TRUE(scans.begin(25, tree_.path("n")));
    EXPECT_EQ(RestOfScan(scans).size(), 3u);

    // The numbers below 25 hold nothing: opening one never closes a descriptor it never had,
    // such as standard input.
    const int standardInput = fcntl(0, F_GETFD) >= 0 ? -1 : open("/dev/null", O_RDONLY);
    ASSERT_GE(fcntl(0, F_GETFD), 0);
    EXPECT_TRUE(files.openForReading(3, file));
    files.close(4);
    EXPECT_GE(fcntl(0, F_GETFD), 0) << "standard input was closed";
    if (standardInput >= 0) {
        close(standardInput);
    }
}

// ---- Numbered files ----

TEST_F(FileServicesTest, ReadGivesWhatIsLeftThenNothing) {
    std::string content(1324, '\0');
    for (std::size_t i = 0; i < content.size(); ++i) {
        content[i] = static_cast<char>(i * 7);
    }
    const std::string path = tree_.write("r.bin", content);
    PosixNumberedFiles files(programFolder());
    ASSERT_TRUE(files.openForReading(1, path));
    std::vector<unsigned char> buffer(1024);

    EXPECT_EQ(files.read(buffer.data(), 1024), 1024);
    EXPECT_EQ(std::memcmp(buffer.data(), content.data(), 1024), 0);
    EXPECT_EQ(files.position(), 1024);
    EXPECT_EQ(files.read(buffer.data(), 1024), 300);
    EXPECT_EQ(std::memcmp(buffer.data(), content.data() + 1024, 300), 0);
    EXPECT_EQ(files.position(), 1324);
    EXPECT_EQ(files.read(buffer.data(), 1024), 0);
    EXPECT_EQ(files.position(), 1324);
}

TEST_F(FileServicesTest, InterleavedFilesKeepTheirOwnOffsets) {
    const std::string first = tree_.write("1.txt", "abcdef");
    const std::string second = tree_.write("2.txt", "uvwxyz");
    PosixNumberedFiles files(programFolder());
    ASSERT_TRUE(files.openForReading(1, first));
    ASSERT_TRUE(files.openForReading(2, second));
    std::array<unsigned char, 3> buffer{};

    files.makeCurrent(1);
    ASSERT_EQ(files.read(buffer.data(), 3), 3);
    EXPECT_EQ(buffer, (std::array<unsigned char, 3>{'a', 'b', 'c'}));
    files.makeCurrent(2);
    EXPECT_EQ(files.position(), 0);
    ASSERT_EQ(files.read(buffer.data(), 2), 2);
    files.makeCurrent(1);
    EXPECT_EQ(files.position(), 3);
    ASSERT_EQ(files.read(buffer.data(), 3), 3);
    EXPECT_EQ(buffer, (std::array<unsigned char, 3>{'d', 'e', 'f'}));
}

TEST_F(FileServicesTest, OpeningRefusesAnythingButARegularFileWithoutWaiting) {
    const std::string real = tree_.write("refuse/real.txt", "r");
    MakeSymlink(real, tree_.path("refuse/link"));
    MakeFifo(tree_.path("refuse/fifo"));
    MakeSocketFile(tree_.path("refuse/socket"));
    const std::string cases[] = {tree_.path("refuse/fifo"), tree_.path("refuse/link"),
                                 tree_.path("refuse"),      tree_.path("refuse/socket"),
                                 tree_.path("refuse/none"), "/dev/null"};
    PosixNumberedFiles files(programFolder());

    for (const std::string& path : cases) {
        ASSERT_TRUE(files.openForReading(1, real));
        const bool opened =
            WithoutWaiting<bool>(path, [&] { return files.openForReading(2, path); });
        EXPECT_FALSE(opened) << path;
        unsigned char byte = 0;
        EXPECT_EQ(files.read(&byte, 1), 0) << "no file is current after " << path;
        EXPECT_EQ(files.position(), 0) << path;
        EXPECT_FALSE(files.currentIdentity().has_value()) << path;
        files.makeCurrent(2);
        EXPECT_EQ(files.read(&byte, 1), 0) << "the number holds nothing after " << path;
        files.close(1);
    }
}

TEST_F(FileServicesTest, ClosingKeepsTheCurrentChoiceButNeverReadsAClosedFile) {
    const std::string first = tree_.write("1.txt", "first");
    const std::string second = tree_.write("2.txt", "second");
    PosixNumberedFiles files(programFolder());
    unsigned char byte = 0;

    ASSERT_TRUE(files.openForReading(1, first));
    ASSERT_TRUE(files.openForReading(2, second));
    files.close(1);
    EXPECT_EQ(files.read(&byte, 1), 1) << "closing another number leaves file 2 current";
    EXPECT_EQ(byte, 's');

    files.close(2);
    EXPECT_EQ(files.read(&byte, 1), 0);
    EXPECT_EQ(files.position(), 0);
    EXPECT_FALSE(files.currentIdentity().has_value());
    files.close(2);
    files.close(7);
}

TEST_F(FileServicesTest, HandlesAreReleasedOnReopeningAndAtTheEnd) {
    const std::string path = tree_.write("h.txt", "h");
    {
        PosixNumberedFiles files(programFolder());
        for (int attempt = 0; attempt < 5; ++attempt) {
            ASSERT_TRUE(files.openForReading(3, path));
        }
        EXPECT_EQ(DescriptorsOpenOn(path), 1);
        ASSERT_TRUE(files.openForReading(4, path));
        EXPECT_EQ(DescriptorsOpenOn(path), 2);
    }
    EXPECT_EQ(DescriptorsOpenOn(path), 0);
}

// A batch of files to open and read, holding the texts and the room its requests point into.
class Batch {
  public:
    void add(std::string folder, std::string name, std::int64_t length, int keepAs = -1) {
        auto& held = *held_.emplace_back(
            std::make_unique<Held>(Held{std::move(folder), std::move(name),
                                        std::string(static_cast<std::size_t>(length), '\0')}));
        files.push_back({held.folder, held.name, reinterpret_cast<unsigned char*>(held.room.data()),
                         length, keepAs});
    }
    // What came of each file: its bytes, none when nothing came.
    std::vector<std::string> bytes() const {
        std::vector<std::string> bytes;
        for (const FirstBytes& file : files) {
            bytes.emplace_back(reinterpret_cast<const char*>(file.into),
                               static_cast<std::size_t>(std::max<std::int64_t>(file.got, 0)));
        }
        return bytes;
    }
    std::vector<FirstBytes> files;

  private:
    struct Held {
        std::string folder;
        std::string name;
        std::string room;
    };
    std::vector<std::unique_ptr<Held>> held_;
};

TEST_F(FileServicesTest, FirstBytesComeOnlyFromRegularFilesAndShowWhereTheyEnd) {
    tree_.write("in/a.txt", "alpha");
    tree_.write("in/b.txt", "bravo!");
    tree_.write("other/c.txt", "charlie");
    MakeSymlink(tree_.path("in/a.txt"), tree_.path("in/link"));
    MakeFifo(tree_.path("in/fifo"));
    tree_.folder("in/folder");
    const struct {
        std::string folder;
        std::string name;
        std::int64_t length;
        std::string expected;
    } cases[] = {
        {tree_.path("in"), "a.txt", 5, "alpha"},
        {tree_.path("in"), "b.txt", 3, "bra"},    // the first bytes only
        {"other", "c.txt", 7, "charlie"},         // relative to the program's folder
        {tree_.path("in"), "b.txt", 7, "bravo!"}, // one byte beyond: the end shows
        {tree_.path("in"), "link", 5, ""},
        {tree_.path("in"), "fifo", 5, ""},   // nothing, and no waiting for a writer
        {tree_.path("in"), "folder", 5, ""}, // a folder in a file's place gives nothing
        {tree_.path("in"), "none", 5, ""},
        {tree_.path("gone"), "a.txt", 5, ""},
        {tree_.path("in"), "a.txt", 2, "al"}, // the held folder again after another
    };
    Batch batch;
    for (const auto& each : cases) {
        batch.add(each.folder, each.name, each.length);
    }
    PosixNumberedFiles files(programFolder());
    const int before = OpenDescriptors();
    WithoutWaiting<bool>("the first bytes", [&] {
        files.openAndRead(batch.files);
        return true;
    });
    const std::vector<std::string> got = batch.bytes();
    for (std::size_t i = 0; i < std::size(cases); ++i) {
        EXPECT_EQ(got[i], cases[i].expected) << cases[i].folder << " / " << cases[i].name;
    }
    EXPECT_EQ(batch.files[4].got, -1) << "a symbolic link is never opened";
    files.letFoldersGo();
    EXPECT_EQ(OpenDescriptors(), before) << "no file or folder is left open";
}

TEST_F(FileServicesTest, FilesOfABatchStayOpenUnderTheirNumbersAfterTheBytesRead) {
    std::vector<std::string> contents;
    Batch batch;
    for (int i = 0; i < 1500; ++i) {
        const std::string folder = "many/d" + std::to_string(i % 37);
        contents.push_back(
            std::string(static_cast<std::size_t>(1 + i % 300), static_cast<char>('a' + i % 26)) +
            std::to_string(i));
        tree_.write(folder + "/f" + std::to_string(i), contents.back());
        // Every tenth file is kept, the others closed at once.
        batch.add(tree_.path(folder), "f" + std::to_string(i), 100, i % 10 == 0 ? i : -1);
    }
    PosixNumberedFiles files(programFolder());
    const int before = OpenDescriptors();
    files.openAndRead(batch.files);
    const std::vector<std::string> got = batch.bytes();
    std::vector<int> kept;
    for (std::size_t i = 0; i < contents.size(); ++i) {
        ASSERT_EQ(got[i], contents[i].substr(0, 100)) << i;
        if (batch.files[i].keepAs >= 0) {
            files.makeCurrent(batch.files[i].keepAs);
            unsigned char rest[400];
            const std::int64_t more = files.read(rest, sizeof rest);
            EXPECT_EQ(
                std::string(reinterpret_cast<const char*>(rest), static_cast<std::size_t>(more)),
                contents[i].substr(std::min<std::size_t>(100, contents[i].size())))
                << i;
            kept.push_back(batch.files[i].keepAs);
        }
    }
    EXPECT_EQ(files.counters().filesOpened, contents.size());
    files.closeAll(kept);
    files.letFoldersGo();
    EXPECT_EQ(OpenDescriptors(), before);
}

// The folders held for batches take descriptors of their own; when none is left for the
// next batch's files, the held folders go and the files are opened all the same.
TEST_F(FileServicesTest, ABatchThatFindsNoDescriptorLeftLetsTheHeldFoldersGo) {
    Batch held;
    Batch next;
    for (int i = 0; i < 40; ++i) {
        const std::string folder = "held/d" + std::to_string(i);
        tree_.write(folder + "/f", "content " + std::to_string(i));
        (i < 30 ? held : next).add(tree_.path(folder), "f", 32);
    }
    PosixNumberedFiles files(programFolder());
    files.openAndRead(held.files); // thirty folders held
    rlimit before{};
    ASSERT_EQ(getrlimit(RLIMIT_NOFILE, &before), 0);
    rlimit tight = before;
    tight.rlim_cur = static_cast<rlim_t>(OpenDescriptors() + 3);
    ASSERT_EQ(setrlimit(RLIMIT_NOFILE, &tight), 0);
    files.openAndRead(next.files);
    setrlimit(RLIMIT_NOFILE, &before);
    const std::vector<std::string> got = next.bytes();
    for (std::size_t i = 0; i < got.size(); ++i) {
        EXPECT_EQ(got[i], "content " + std::to_string(30 + i)) << i;
    }
}

TEST_F(FileServicesTest, CurrentIdentityIsWhatTheOpenHandleSeesNow) {
    const std::string path = tree_.write("grow.txt", "12345");
    PosixNumberedFiles files(programFolder());
    ASSERT_TRUE(files.openForReading(1, path));
    const auto atOpening = files.currentIdentity();
    ASSERT_TRUE(atOpening.has_value());
    EXPECT_TRUE(atOpening->unchangedSince(*RegularFileIdentity(path)));

    std::ofstream(path, std::ios::app) << "67890";
    const auto now = files.currentIdentity();
    ASSERT_TRUE(now.has_value());
    EXPECT_TRUE(now->sameFileAs(*atOpening));
    EXPECT_EQ(now->size, 10);
}

// ---- Identity ----

TEST_F(FileServicesTest, RegularFileIdentityNamesTheFileNotThePath) {
    const std::string file = tree_.write("id/file.txt", "abc");
    const std::string hardLink = tree_.path("id/hard-link.txt");
    ASSERT_EQ(link(file.c_str(), hardLink.c_str()), 0);
    MakeSymlink(file, tree_.path("id/symlink"));

    const auto identity = RegularFileIdentity(file);
    ASSERT_TRUE(identity.has_value());
    EXPECT_EQ(identity->size, 3);
    EXPECT_TRUE(RegularFileIdentity(hardLink)->unchangedSince(*identity));
    for (const std::string& other :
         {tree_.path("id/symlink"), tree_.path("id"), tree_.path("id/missing")}) {
        EXPECT_FALSE(RegularFileIdentity(other).has_value()) << other;
    }
}

} // namespace
} // namespace bk
