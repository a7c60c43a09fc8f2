#include "platform/system_file_removal.h"
#include "support/found_on_disk.h"
#include "support/open_descriptors.h"
#include "support/temp_tree.h"

#include <cstdio>
#include <fcntl.h>
#include <filesystem>
#include <functional>
#include <gtest/gtest.h>
#include <map>
#include <string>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace bk::test {
namespace {

namespace fs = std::filesystem;

const std::string Alpha = "alpha: the bytes of the copies";
const std::string Other = "other: bytes of the same size!";
const std::string Outside = "outside: a file never added";

// Puts a file's times back to what they were, as `touch -r` does.
void RestoreTimes(const std::string& path, const struct stat& before) {
    const timespec times[2] = {before.st_atim, before.st_mtim};
    ASSERT_EQ(utimensat(AT_FDCWD, path.c_str(), times, AT_SYMLINK_NOFOLLOW), 0) << path;
}

struct stat StatusOf(const std::string& path) {
    struct stat info {};
    EXPECT_EQ(lstat(path.c_str(), &info), 0) << path;
    return info;
}

// What another program may do to a file, or to the folders above it, between the search and
// the deletion.
struct Attack {
    const char* name;
    std::function<void(TempTree&, const std::string& relative)> apply;
};

const std::vector<Attack>& Attacks() {
    static const std::vector<Attack> table = {
        {"rewritten with bytes of the same size, its modification time put back",
         [](TempTree& tree, const std::string& relative) {
             const struct stat before = StatusOf(tree.path(relative));
             tree.write(relative, Other);
             RestoreTimes(tree.path(relative), before);
         }},
        {"made anew on its name with the same size and time",
         [](TempTree& tree, const std::string& relative) {
             const struct stat before = StatusOf(tree.path(relative));
             fs::remove(tree.path(relative));
             tree.write(relative, Other);
             RestoreTimes(tree.path(relative), before);
         }},
        {"its folder replaced by a link to a folder never added",
         [](TempTree& tree, const std::string& relative) {
             const fs::path folder = fs::path(tree.path(relative)).parent_path();
             fs::rename(folder, folder.string() + "-moved");
             fs::create_directory_symlink(tree.path("elsewhere"), folder);
         }},
        {"its folder renamed and another put in its place",
         [](TempTree& tree, const std::string& relative) {
             const fs::path folder = fs::path(tree.path(relative)).parent_path();
             fs::rename(folder, folder.string() + "-moved");
             tree.write(relative, Alpha);
         }},
        {"the added folder renamed and another put in its place",
         [](TempTree& tree, const std::string& relative) {
             static int moved = 0; // the table may run more than once in a test
             fs::rename(tree.path("added"), tree.path("added-moved" + std::to_string(moved++)));
             tree.write(relative, Alpha);
         }},
        {"replaced by a link to its copy",
         [](TempTree& tree, const std::string& relative) {
             fs::remove(tree.path(relative));
             fs::create_symlink(tree.path("added/two/copy.txt"), tree.path(relative));
         }},
        {"replaced by a folder",
         [](TempTree& tree, const std::string& relative) {
             fs::remove(tree.path(relative));
             tree.folder(relative);
         }},
        {"made read-only",
         [](TempTree& tree, const std::string& relative) {
             ASSERT_EQ(chmod(tree.path(relative).c_str(), 0444), 0);
         }},
        {"removed",
         [](TempTree& tree, const std::string& relative) { fs::remove(tree.path(relative)); }},
    };
    return table;
}

class FileRemovalTest : public ::testing::Test {
  protected:
    class Progress : public ProofProgress {
      public:
        void compared(std::int64_t bytes, std::int64_t of) override {
            shown.push_back(bytes);
            total = of;
        }
        std::vector<std::int64_t> shown;
        std::int64_t total = -1;
    };

    FileRemovalTest() {
        tree.write("added/one/victim.txt", Alpha);
        tree.write("added/two/copy.txt", Alpha);
        tree.write("elsewhere/victim.txt", Outside);
    }

    FoundFile found(const std::vector<std::string>& steps, const std::string& name) const {
        return FoundOnDisk("/", tree.path("added"), steps, name);
    }
    FoundFile victim() const { return found({"one"}, "victim.txt"); }
    // Moves the added folder of the last round aside and writes the two copies anew.
    void freshCopies() {
        fs::rename(tree.path("added"), tree.path("added" + std::to_string(round_++)));
        tree.write("added/one/victim.txt", Alpha);
        tree.write("added/two/copy.txt", Alpha);
    }
    FoundFile copy() const { return found({"two"}, "copy.txt"); }

    bool removeCopy(const FoundFile& file, const std::vector<const FoundFile*>& copies,
                    const LastMoment& lastMoment = {}) {
        return RemoveProvenCopy("/", file, copies, progress, lastMoment);
    }

    // Every file on disk below the tree, with its bytes.
    std::map<std::string, std::string> disk() const {
        std::map<std::string, std::string> files;
        for (const auto& entry : fs::recursive_directory_iterator(tree.root())) {
            if (!entry.is_symlink() && entry.is_regular_file()) {
                files[entry.path().string()] = ReadWholeFile(entry.path().string());
            }
        }
        return files;
    }

    TempTree tree;
    Progress progress;
    int round_ = 0;
};

TEST_F(FileRemovalTest, AFileStillAsFoundIsRemovedWithOrWithoutACopy) {
    const std::string ownerOnly = tree.write("added/one/owner-only.txt", Alpha);
    ASSERT_EQ(chmod(ownerOnly.c_str(), 0200), 0);
    EXPECT_TRUE(RemoveFoundFile("/", found({"one"}, "owner-only.txt")));
    EXPECT_FALSE(PathExists(ownerOnly));

    const int descriptors = OpenDescriptors();
    const FoundFile kept = copy();
    EXPECT_TRUE(removeCopy(victim(), {&kept}));
    EXPECT_FALSE(tree.exists("added/one/victim.txt"));
    EXPECT_EQ(tree.read("added/two/copy.txt"), Alpha);
    EXPECT_EQ(progress.shown.back(), progress.total);
    EXPECT_EQ(progress.total, static_cast<std::int64_t>(Alpha.size()));
    EXPECT_EQ(OpenDescriptors(), descriptors);
}

// Every attack, on the file to remove and on the copy meant to prove it: nothing is removed.
TEST_F(FileRemovalTest, NothingIsRemovedOnceTheFileTheCopyOrTheWayToEitherChanged) {
    for (const char* target : {"added/one/victim.txt", "added/two/copy.txt"}) {
        for (const Attack& attack : Attacks()) {
            SCOPED_TRACE(testing::Message() << attack.name << ": " << target);
            freshCopies();
            const FoundFile file = victim();
            const FoundFile kept = copy();
            attack.apply(tree, target);
            const auto before = disk();

            EXPECT_FALSE(removeCopy(file, {&kept}));
            if (target == std::string_view("added/one/victim.txt")) {
                EXPECT_FALSE(RemoveFoundFile("/", file));
            }
            EXPECT_EQ(disk(), before);
        }
    }

    SCOPED_TRACE("the copy is the same file by another name");
    fs::remove(tree.path("added/two/copy.txt"));
    fs::create_hard_link(tree.path("added/one/victim.txt"), tree.path("added/two/copy.txt"));
    const FoundFile sameFile = copy();
    EXPECT_FALSE(removeCopy(victim(), {&sameFile}));
    EXPECT_EQ(tree.read("added/one/victim.txt"), Alpha);
}

TEST_F(FileRemovalTest, TheFirstCopyThatProvesItselfIsEnough) {
    tree.write("added/three/changed.txt", Alpha);
    const FoundFile changed = found({"three"}, "changed.txt");
    tree.write("added/three/changed.txt", Other);
    const FoundFile gone = found({"four"}, "gone.txt");
    const FoundFile kept = copy();
    EXPECT_TRUE(removeCopy(victim(), {&changed, &gone, &kept}));
    EXPECT_FALSE(tree.exists("added/one/victim.txt"));
    EXPECT_EQ(tree.read("added/two/copy.txt"), Alpha);
}

// Another program exchanges the file's folder with a folder never added just after the checks:
// the removal still names the file inside the folder that was checked, wherever it now is.
TEST_F(FileRemovalTest, AFolderExchangedAfterTheCheckNeverRedirectsTheRemoval) {
    int exchanged = 0;
    const LastMoment exchange = [&](const std::string&) {
        ++exchanged;
        EXPECT_EQ(renameat2(AT_FDCWD, tree.path("added/one").c_str(), AT_FDCWD,
                            tree.path("elsewhere").c_str(), RENAME_EXCHANGE),
                  0);
        return true;
    };
    const FoundFile kept = copy();
    const std::function<bool(const FoundFile&)> removals[] = {
        [&](const FoundFile& file) { return RemoveFoundFile("/", file, exchange); },
        [&](const FoundFile& file) { return removeCopy(file, {&kept}, exchange); },
    };
    for (const auto& remove : removals) {
        tree.write("added/one/victim.txt", Alpha);
        remove(victim());
        EXPECT_EQ(exchanged, 1);
        exchanged = 0;
        EXPECT_EQ(tree.read("added/one/victim.txt"), Outside) << "the never-added file stays";
        EXPECT_FALSE(tree.exists("elsewhere/victim.txt"));
        EXPECT_EQ(tree.read("added/two/copy.txt"), Alpha);
        // Back as it was for the next removal.
        fs::rename(tree.path("added/one"), tree.path("swap"));
        fs::rename(tree.path("elsewhere"), tree.path("added/one"));
        fs::rename(tree.path("swap"), tree.path("elsewhere"));
    }
}

TEST_F(FileRemovalTest, WhatIsNotAWritableRegularFileIsNeverRemoved) {
    const std::string target = tree.write("added/kinds/target.txt", "t");
    ASSERT_EQ(symlink(target.c_str(), tree.path("added/kinds/link").c_str()), 0);
    ASSERT_EQ(symlink("nowhere", tree.path("added/kinds/dangling").c_str()), 0);
    ASSERT_EQ(mkfifo(tree.path("added/kinds/fifo").c_str(), 0644), 0);
    tree.folder("added/kinds/folder");
    for (const char* name : {"link", "dangling", "fifo", "folder", "missing"}) {
        EXPECT_FALSE(RemoveFoundFile("/", found({"kinds"}, name))) << name;
    }
    EXPECT_EQ(tree.read("added/kinds/target.txt"), "t") << "refusing a link keeps its target";
    for (const char* name : {"link", "dangling", "fifo", "folder"}) {
        EXPECT_TRUE(fs::symlink_status(tree.path("added/kinds/") + name).type() !=
                    fs::file_type::not_found)
            << name;
    }
}

} // namespace
} // namespace bk::test
