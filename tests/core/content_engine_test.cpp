#include "catalogue/folder_scan.h"
#include "duplicates/content_engine.h"
#include "duplicates/duplicate_search.h"
#include "platform/file_paths.h"
#include "platform/native_file_services.h"
#include "support/disk_changes.h"
#include "support/native_path.h"
#include "support/open_descriptors.h"
#include "support/program_runs.h"
#include "support/recording_control_layer.h"
#include "support/temp_tree.h"

#include <cstdio>
#include <filesystem>
#include <gtest/gtest.h>
#include <map>
#include <random>
#include <string>
#include <vector>

namespace bk::test {

namespace {

// Every group as its members' full paths, in group order and member order.
using GroupPaths = std::vector<std::vector<std::string>>;

GroupPaths GroupsOf(Catalogue& catalogue) {
    GroupPaths groups;
    catalogue.groups.rewind();
    while (catalogue.groups.advance()) {
        const GroupRecord& group = *catalogue.groups.current();
        std::vector<std::string> paths;
        MemberRecord* member = group.firstMember;
        EXPECT_EQ(MemberList::previousOf(member), nullptr) << "a group's chain starts on its own";
        for (std::int64_t i = 0; i < group.memberCount; ++i) {
            paths.push_back(FullPath(member->folder(), member->name()));
            member = MemberList::nextOf(member);
        }
        EXPECT_EQ(member, nullptr) << "a group's chain ends after its last member";
        groups.push_back(paths);
    }
    return groups;
}

std::string Collision(char which) {
    return ReadWholeFile(std::string(BK_FIXTURES_DIR) + "/md5-collision/" + which + ".bin");
}

// A random tree of copies, near-copies that differ in their first, a middle or their last
// byte, empty files, hard links, and blocks whose MD5 digests collide. Every fifth tree also
// holds a crowd of files of one size, more than a search holds open at once.
class RandomTree {
  public:
    RandomTree(TempTree& tree, std::uint32_t seed) : tree_(tree), random_(seed) {
        if (seed % 5 == 0) {
            writeCrowd(seed % 2 == 0 ? 9000 : 70);
        }
        if (seed == 60) {
            writeMany(); // enough files for a second reader
        }
        const int contents = pick(3, 12);
        for (int c = 0; c < contents; ++c) {
            const std::string base = randomContent();
            const int copies = pick(1, 4);
            for (int k = 0; k < copies; ++k) {
                writeSomewhere(base);
            }
            if (!base.empty() && pick(0, 1) == 1) {
                writeSomewhere(nearCopy(base));
            }
        }
        const std::string tail(static_cast<std::size_t>(pick(0, 3000)), 'q');
        writeSomewhere(Collision('a') + tail);
        writeSomewhere(Collision('b') + tail);
        if (pick(0, 1) == 1) {
            writeSomewhere(Collision('a') + tail);
        }
        linkSome();
    }

  private:
    int pick(int low, int high) { return std::uniform_int_distribution<int>(low, high)(random_); }

    // 2,500 files of a hundred sizes, a few contents each.
    void writeMany() {
        for (int i = 0; i < 2500; ++i) {
            std::string content(static_cast<std::size_t>(1 + pick(0, 99) * 97), 'm');
            content.front() = static_cast<char>('a' + pick(0, 2));
            writeSomewhere(content);
        }
    }

    // 300 files of one size: copies of a few contents that share their leading block and
    // near-copies that differ only at the end.
    void writeCrowd(std::size_t size) {
        std::string base(size, 'c');
        for (int i = 0; i < 300; ++i) {
            std::string content = base;
            content.back() = static_cast<char>('a' + pick(0, 3));
            writeSomewhere(content);
        }
    }

    std::string randomContent() {
        static const int sizes[] = {0, 1, 2, 100, 1023, 1024, 1025, 4095, 4096, 4097, 9000, 70000};
        std::string content(static_cast<std::size_t>(sizes[pick(0, 11)]), '\0');
        for (char& byte : content) {
            byte = static_cast<char>(pick(0, 3)); // few byte values: near-copies abound
        }
        return content;
    }

    std::string nearCopy(std::string content) {
        const std::size_t where[] = {0, content.size() / 2, content.size() - 1};
        content[where[pick(0, 2)]] ^= 0x40;
        return content;
    }

    void writeSomewhere(const std::string& content) {
        const std::string path = "d" + std::to_string(pick(0, 3)) + "/f" + std::to_string(next_++);
        tree_.write(path, content);
        written_.push_back(path);
    }

    void linkSome() {
        for (int i = pick(0, 2); i > 0 && !written_.empty(); --i) {
            const std::string& target =
                written_[static_cast<std::size_t>(pick(0, 1000)) % written_.size()];
            const std::string link =
                "d" + std::to_string(pick(0, 3)) + "/link" + std::to_string(next_++);
            std::filesystem::create_directories(NativePath(tree_.path(link)).parent_path());
            ASSERT_TRUE(MakeHardLink(tree_.path(target), tree_.path(link)));
        }
    }

    TempTree& tree_;
    std::mt19937 random_;
    int next_ = 0;
    std::vector<std::string> written_;
};

struct SearchRun {
    GroupPaths groups;
    NumberedFiles::Counters counters;
};

// Scans the tree (and, when asked, one of its folders a second time), then searches by content.
SearchRun Search(TempTree& tree, bool withEngine, bool subfolderTwice) {
    RecordingControlLayer controls;
    NativeFileServices files(tree.root() + PathSeparator);
    Program program(controls, files);
    ScanFolder(program, tree.root() + PathSeparator, "*", 0);
    if (subfolderTwice && tree.exists("d1")) {
        ScanFolder(program, tree.path("d1"), "*", 0);
    }
    if (withEngine) {
        SearchDuplicates(program, SameContent);
    } else {
        SearchDuplicates(program, SameContent, PairwiseContentComparison(program));
    }
    return {GroupsOf(program.catalogue), files.files.counters()};
}

// Under Wine every file made costs milliseconds: there the first ten trees are searched, a
// crowd of each size among them, and not the tree of thousands of files.
#ifdef _WIN32
constexpr std::uint32_t RandomTrees = 10;
#else
constexpr std::uint32_t RandomTrees = 60;
#endif

TEST(ContentEngine, GivesTheGroupsOfThePairwiseSearchOnRandomTrees) {
    for (std::uint32_t seed = 1; seed <= RandomTrees; ++seed) {
        SCOPED_TRACE("seed " + std::to_string(seed));
        TempTree tree;
        RandomTree build(tree, seed);
        const bool subfolderTwice = seed % 3 == 0;
        const SearchRun engine = Search(tree, true, subfolderTwice);
        const SearchRun pairwise = Search(tree, false, subfolderTwice);
        ASSERT_EQ(engine.groups, pairwise.groups);
    }
}

TEST(ContentEngine, NeverGroupsFilesWhoseChunksShareTheirMd5Digests) {
    TempTree tree;
    const std::string common(896, 'c');
    tree.write("a", Collision('a') + common);
    tree.write("b", Collision('b') + common);
    tree.write("c", Collision('a') + common);
    const SearchRun run = Search(tree, true, false);
    EXPECT_EQ(run.groups, (GroupPaths{{tree.path("a"), tree.path("c")}}));
}

TEST(ContentEngine, NeverOpensFilesOfASizeNoOtherFileHas) {
    TempTree tree;
    for (int i = 1; i <= 20; ++i) {
        tree.write("unique" + std::to_string(i), std::string(static_cast<std::size_t>(i), 'u'));
    }
    EXPECT_EQ(Search(tree, true, false).counters.filesOpened, 0u);
}

TEST(ContentEngine, ReadsEveryCandidateAtMostOnceInFullPlusOneLeadingBlock) {
    TempTree tree;
    const std::string big(300000, 'b');
    std::string nearBig = big;
    nearBig.back() = 'x';
    const std::string small(700, 's');
    std::int64_t candidateBytes = 0;
    int candidates = 0;
    for (const auto& [name, content] :
         std::vector<std::pair<std::string, std::string>>{{"big1", big},
                                                          {"big2", big},
                                                          {"big3", nearBig},
                                                          {"small1", small},
                                                          {"small2", small}}) {
        tree.write(name, content);
        candidateBytes += static_cast<std::int64_t>(content.size());
        ++candidates;
    }
    const SearchRun run = Search(tree, true, false);
    EXPECT_EQ(run.groups.size(), 2u);
    EXPECT_LE(static_cast<std::int64_t>(run.counters.bytesRead),
              candidateBytes + candidates * 4096);
}

TEST(ContentEngine, ShowsTheReadingOfASizeSetOnTheCompareBar) {
    TempTree tree;
    tree.write("a", std::string(20000, 'z'));
    tree.write("b", std::string(20000, 'z'));
    RecordingControlLayer controls;
    NativeFileServices files(tree.root() + PathSeparator);
    Program program(controls, files);
    ScanFolder(program, tree.root(), "*", 0);
    SearchDuplicates(program, SameContent);
    const std::vector<std::int64_t>& bar = controls.states[101];
    ASSERT_FALSE(bar.empty());
    EXPECT_NE(std::find(bar.begin(), bar.end(), 100), bar.end());
    for (std::size_t i = 1; i < bar.size(); ++i) {
        EXPECT_TRUE(bar[i] == 0 || bar[i] >= bar[i - 1]) << "the bar only grows within a set";
    }
}

// A program with the tree scanned, and its catalogued files in catalogue order.
struct ScannedTree {
    explicit ScannedTree(TempTree& tree)
        : files(tree.root() + PathSeparator), program(controls, files) {
        ScanFolder(program, tree.root() + PathSeparator, "*", 0);
        program.catalogue.files.rewind();
        while (program.catalogue.files.advance()) {
            records.push_back(program.catalogue.files.current());
        }
    }
    RecordingControlLayer controls;
    NativeFileServices files;
    Program program;
    std::vector<FileRecord*> records;
};

// No status is asked for after a file is opened: the reading itself must show a file that
// grew, shrank or changed since the scan, whether its bytes make its key, fill its leading block
// or go on beyond it.
TEST(ContentEngine, TellsApartAFileThatChangedSinceTheScan) {
    for (const std::size_t size : {5u, 100u, 4096u, 5000u}) {
        for (const std::ptrdiff_t change : {-1, 0, 1}) {
            SCOPED_TRACE(std::to_string(size) + " bytes, changed by " + std::to_string(change));
            TempTree tree;
            tree.write("a", std::string(size, 'z'));
            tree.write("b", std::string(size, 'z'));
            ScannedTree scanned(tree);
            std::string changed(
                static_cast<std::size_t>(static_cast<std::ptrdiff_t>(size) + change), 'z');
            if (change == 0) {
                changed.back() = 'y';
            }
            tree.write("b", changed);
            SearchDuplicates(scanned.program, SameContent);
            EXPECT_TRUE(scanned.program.catalogue.groups.empty());
        }
    }
}

// Class numbers only tell which files go together: renumbered in order of first appearance,
// two classifications into the same classes read alike.
std::vector<std::uint32_t> Renumbered(const std::vector<std::uint32_t>& classes) {
    std::map<std::uint32_t, std::uint32_t> renumbering;
    std::vector<std::uint32_t> renumbered;
    for (const std::uint32_t each : classes) {
        renumbered.push_back(
            renumbering.try_emplace(each, static_cast<std::uint32_t>(renumbering.size()))
                .first->second);
    }
    return renumbered;
}

TEST(ContentEngine, ClassifiesAsThePairwiseMatcherDoesWithoutReadingAhead) {
    TempTree tree;
    const std::string big(70000, 'b');
    std::string bigNear = big;
    bigNear[35000] = 'x';
    const std::string small(3000, 's');
    std::string smallNear = small;
    smallNear.front() = 'x';
    tree.write("1", small);
    tree.write("2", big);
    tree.write("3", smallNear);
    tree.write("4", bigNear);
    tree.write("5", small);
    tree.write("6", big);
    ScannedTree scanned(tree);
    const auto sized = [&](std::size_t size) {
        std::vector<FileRecord*> files;
        for (FileRecord* record : scanned.records) {
            if (static_cast<std::size_t>(record->size) == size) {
                files.push_back(record);
            }
        }
        return files;
    };
    PairwiseMatcher pairwise(PairwiseContentComparison(scanned.program));
    for (const std::size_t size : {small.size(), big.size()}) {
        ReadingOnCompareBar bar(scanned.program);
        ContentEngine engine(scanned.program.files.files, bar);
        EXPECT_EQ(Renumbered(engine.classify(sized(size))),
                  Renumbered(pairwise.classify(sized(size))))
            << size;
    }
}

// Tiny files of a set too large to keep their blocks are sorted by keys of their bytes: files of
// 12 bytes that differ only in the second half of a key must still fall apart.
TEST(ContentEngine, KeysTinyFilesByAllTheirBytesWhenTheSetIsTooLargeToKeepTheirBlocks) {
    TempTree tree;
    std::vector<std::uint32_t> expected; // in name order, which is the catalogue's
    for (int i = 0; i < 20500; ++i) {    // 13 bytes a block kept: beyond 256 KiB
        char content[13];
        std::snprintf(content, sizeof content, "tinytiny%04d", i % 5000);
        tree.write(std::to_string(100000 + i), content);
        expected.push_back(static_cast<std::uint32_t>(i % 5000));
    }
    ScannedTree scanned(tree);
    ReadingOnCompareBar bar(scanned.program);
    ContentEngine engine(scanned.program.files.files, bar);
    EXPECT_EQ(Renumbered(engine.classify(scanned.records)), Renumbered(expected));
}

TEST(ContentEngine, LeavesTheCompareBarEmptyWhenThereIsNothingToCompare) {
    for (const bool anyFile : {false, true}) {
        TempTree tree;
        if (anyFile) {
            tree.write("one", "1");
            tree.write("two", "22");
        }
        ScannedTree scanned(tree);
        SearchDuplicates(scanned.program, SameContent);
        const std::vector<std::int64_t>& bar = scanned.controls.states[101];
        EXPECT_TRUE(bar.empty() || bar.back() == 0) << (anyFile ? "unique sizes" : "no file");
    }
}

TEST(ContentEngine, HoldsNoFileOrFolderOpenAfterASearch) {
    TempTree tree;
    for (int i = 0; i < 10; ++i) {
        tree.write("d" + std::to_string(i % 3) + "/f" + std::to_string(i), std::string(900, 'z'));
    }
    ScannedTree scanned(tree);
    const int before = OpenDescriptors();
    SearchDuplicates(scanned.program, SameContent);
    EXPECT_EQ(scanned.program.catalogue.groups.count(), 1);
    EXPECT_EQ(OpenDescriptors(), before);
}

} // namespace

} // namespace bk::test
