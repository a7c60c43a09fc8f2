#include "catalogue/folder_scan.h"
#include "duplicates/duplicate_search.h"
#include "reference/content_comparison.h"
#include "support/faulty_file_services.h"
#include "support/file_faults.h"
#include "support/found_on_disk.h"
#include "support/program_runs.h"
#include "support/recording_control_layer.h"
#include "support/temp_tree.h"
#include "ui/texts.h"

#include <cstdint>
#include <cstdio>
#include <fstream>
#include <functional>
#include <gtest/gtest.h>
#include <memory>
#include <string>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace bk::test {
namespace {

using Paths = std::vector<std::string>;
using Groups = std::vector<Paths>;
using Fault = FileFaults::Fault;

// Bytes that differ from one position to the next, so that a chunk read at the wrong offset or
// cut short can never pass for the right one.
std::string Content(char seed, std::size_t size) {
    std::string bytes(size, '\0');
    for (std::size_t i = 0; i < size; ++i) {
        bytes[i] = static_cast<char>(seed + static_cast<char>(i % 251));
    }
    return bytes;
}

void Truncate(const std::string& path, std::int64_t size) {
    ASSERT_EQ(truncate(path.c_str(), static_cast<off_t>(size)), 0) << path;
}

void Append(const std::string& path, const std::string& bytes) {
    FILE* file = std::fopen(path.c_str(), "ab");
    ASSERT_NE(file, nullptr) << path;
    ASSERT_EQ(std::fwrite(bytes.data(), 1, bytes.size(), file), bytes.size());
    std::fclose(file);
}

// A change made to a file while the program holds it open: what a second program writing to
// the disk at the wrong moment would do.
struct Change {
    const char* name;
    std::function<void(const std::string& path)> apply;
};

const std::vector<Change>& SizeChanges() {
    static const std::vector<Change> table = {
        {"truncated to half", [](const std::string& path) { Truncate(path, 1500); }},
        {"truncated to nothing", [](const std::string& path) { Truncate(path, 0); }},
        {"grown by one byte", [](const std::string& path) { Append(path, "x"); }},
        {"grown by a chunk", [](const std::string& path) { Append(path, Content('g', 1024)); }},
    };
    return table;
}

class FileFaultsTest : public ::testing::Test {
  protected:
    FileFaultsTest() { files.attachFaults(&faults); }
    ~FileFaultsTest() override { files.attachFaults(nullptr); }

    // A fresh program over the same file layer, for each case of a table.
    void restart() {
        program.reset();
        controls = std::make_unique<RecordingControlLayer>();
        program = std::make_unique<Program>(*controls, files);
    }

    void scan() { ScanFolder(*program, tree.root() + "/", "*", 0); }

    // The first bytes of a file, read as a search reads them; none when it cannot be opened.
    std::string FirstBytesOf(const std::string& folder, const std::string& name,
                             std::int64_t length) {
        std::string bytes(static_cast<std::size_t>(length), '\0');
        FirstBytes read{folder, name, reinterpret_cast<unsigned char*>(bytes.data()), length};
        files.files.openAndRead({&read, 1});
        bytes.resize(static_cast<std::size_t>(std::max<std::int64_t>(read.got, 0)));
        return bytes;
    }

    Paths cataloguePaths() const {
        Paths paths;
        for (FileRecord* file = program->catalogue.files.first(); file != nullptr;
             file = FileList::nextOf(file)) {
            paths.push_back(FullPath(file->folder, file->name));
        }
        return paths;
    }

    Groups groups() const {
        Groups found;
        for (GroupRecord* group = program->catalogue.groups.first(); group != nullptr;
             group = GroupList::nextOf(group)) {
            Paths members;
            MemberRecord* member = group->firstMember;
            for (std::int64_t i = 0; i < group->memberCount && member != nullptr; ++i) {
                members.push_back(FullPath(member->folder(), member->name()));
                member = MemberList::nextOf(member);
            }
            found.push_back(members);
        }
        return found;
    }

    Paths at(std::initializer_list<const char*> relatives) const {
        Paths full;
        for (const char* relative : relatives) {
            full.push_back(tree.path(relative));
        }
        return full;
    }

    TempTree tree;
    FileFaults faults;
    FaultyFileServices files{tree.root() + "/"};
    std::unique_ptr<RecordingControlLayer> controls = std::make_unique<RecordingControlLayer>();
    std::unique_ptr<Program> program = std::make_unique<Program>(*controls, files);
};

// ---- The seam itself: a fault strikes exactly the call it was planned for ----

TEST_F(FileFaultsTest, AReadFaultStrikesOnlyTheChosenReadOfTheChosenFile) {
    struct Case {
        const char* name;
        FileFaults::Effect effect;
        std::int64_t keep;
        int times;
        std::vector<std::int64_t> counts; // what four reads of 1000 bytes of "a" deliver
    };
    const Case cases[] = {
        {"fails once", FileFaults::Fail, 0, 1, {1000, 0, 1000, 1000}},
        {"fails from then on", FileFaults::Fail, 0, FileFaults::Forever, {1000, 0, 0, 0}},
        {"comes back short once", FileFaults::Short, 10, 1, {1000, 10, 1000, 1000}},
    };
    const std::string a = tree.write("a", Content('a', 5000));
    const std::string b = tree.write("b", Content('b', 5000));
    for (const Case& each : cases) {
        SCOPED_TRACE(each.name);
        FileFaults plan;
        files.attachFaults(&plan);
        plan.plan(Fault(FileFaults::Read, each.effect, a)
                      .after(1)
                      .striking(each.times)
                      .keeping(each.keep));
        std::vector<unsigned char> buffer(1000);
        ASSERT_TRUE(files.files.openForReading(1, b));
        ASSERT_TRUE(files.files.openForReading(2, a));
        std::vector<std::int64_t> counts;
        std::int64_t expectedOffset = 0;
        for (int read = 0; read < 4; ++read) {
            files.files.makeCurrent(1);
            EXPECT_EQ(files.files.read(buffer.data(), 1000), 1000) << "the other file is spared";
            files.files.makeCurrent(2);
            counts.push_back(files.files.read(buffer.data(), 1000));
            expectedOffset += counts.back();
            // A short read really consumed what it delivered, as a cut-off system read does.
            EXPECT_EQ(files.files.position(), expectedOffset);
        }
        EXPECT_EQ(counts, each.counts);
        EXPECT_EQ(plan.struck(), each.times == 1 ? 1 : 3);
        files.files.close(1);
        files.files.close(2);
        files.attachFaults(&faults);
    }
}

TEST_F(FileFaultsTest, EveryKindOfCallFailsWhenPlannedAndWorksAgainAfterwards) {
    const std::string file = tree.write("f/file.txt", "content");
    const std::string folder = tree.path("f");
    struct Case {
        FileFaults::Call call;
        std::string path;
        std::function<bool()> run;
    };
    const Case cases[] = {
        {FileFaults::Open, file, [&] { return files.files.openForReading(3, file); }},
        {FileFaults::Open, file, [&] { return FirstBytesOf(folder, "file.txt", 7) == "content"; }},
        {FileFaults::FolderRead, folder,
         [&] { return files.scans.begin(0, folder + "/") && files.scans.next() == EntryFolder; }},
        {FileFaults::Delete, file,
         [&] { return files.removal.removeFound(FoundOnDisk("/", folder, {}, "file.txt")); }},
    };
    for (const Case& each : cases) {
        SCOPED_TRACE(testing::Message() << "call " << each.call);
        faults.plan(Fault(each.call, FileFaults::Fail, each.path));
        EXPECT_FALSE(each.run());
        EXPECT_TRUE(PathExists(file)) << "a failed call leaves the disk alone";
        EXPECT_TRUE(each.run());
    }
    EXPECT_TRUE(faults.allStruck());
    EXPECT_FALSE(PathExists(file));
}

TEST_F(FileFaultsTest, AChangeBeforeAnOpenIsSeenByTheOpenItself) {
    const std::string file = tree.write("file.txt", Content('f', 3000));
    faults.plan(
        Fault(FileFaults::Open, FileFaults::Change, file).doing([](const std::string& path) {
            Append(path, "more");
        }));
    // One byte beyond the size of the scan shows the growth.
    EXPECT_EQ(FirstBytesOf(tree.root(), "file.txt", 3001).size(), 3001u);
    EXPECT_EQ(FirstBytesOf(tree.root(), "file.txt", 3005).size(), 3004u);
    EXPECT_TRUE(faults.allStruck());
}

// ---- A folder that cannot be read in the middle of a walk ----

TEST_F(FileFaultsTest, AFolderUnreadableMidWalkAddsNothingAndTheWalkGoesOnWithItsSiblings) {
    tree.write("a/1.txt", "1");
    tree.write("b/2.txt", "22");
    tree.write("b/deep/3.txt", "333");
    tree.write("c/4.txt", "4444");
    tree.write("top.txt", "top");
    struct Case {
        const char* unreadable;
        std::vector<const char*> catalogued;
    };
    const Case cases[] = {
        {"b", {"a/1.txt", "c/4.txt", "top.txt"}},
        {"b/deep", {"a/1.txt", "b/2.txt", "c/4.txt", "top.txt"}},
        {"a", {"b/2.txt", "b/deep/3.txt", "c/4.txt", "top.txt"}},
        {"c", {"a/1.txt", "b/2.txt", "b/deep/3.txt", "top.txt"}},
        {"", {}},
    };
    for (const Case& each : cases) {
        SCOPED_TRACE(std::string("unreadable: \"") + each.unreadable + "\"");
        restart();
        const std::string folder =
            *each.unreadable == '\0' ? tree.root() : tree.path(each.unreadable);
        faults.plan(Fault(FileFaults::FolderRead, FileFaults::Fail, folder));

        scan();

        EXPECT_TRUE(faults.allStruck());
        Paths expected;
        for (const char* relative : each.catalogued) {
            expected.push_back(tree.path(relative));
        }
        EXPECT_EQ(cataloguePaths(), expected);
        EXPECT_EQ(program->lastDetailText,
                  FileCountText(static_cast<std::int64_t>(expected.size())));
        ASSERT_FALSE(controls->statusTextsOf(1).empty());
        EXPECT_EQ(controls->statusTextsOf(1).back(),
                  FileCountText(static_cast<std::int64_t>(expected.size())));
    }
}

// ---- Read errors and changes in the middle of a comparison ----

TEST_F(FileFaultsTest, AReadThatFailsOrComesBackShortMidComparisonMakesThePairDifferent) {
    const std::string first = tree.write("first.bin", Content('c', 3000));
    const std::string second = tree.write("second.bin", Content('c', 3000));
    ASSERT_TRUE(CompareFileContents(*program, first, second, 3000, 100));
    struct Case {
        const char* file;
        int skip;
        FileFaults::Effect effect;
        std::int64_t keep;
    };
    const Case cases[] = {
        {"first.bin", 0, FileFaults::Fail, 0},      {"first.bin", 1, FileFaults::Fail, 0},
        {"first.bin", 2, FileFaults::Fail, 0},      {"second.bin", 0, FileFaults::Fail, 0},
        {"second.bin", 1, FileFaults::Fail, 0},     {"second.bin", 2, FileFaults::Fail, 0},
        {"second.bin", 1, FileFaults::Short, 1},    {"first.bin", 2, FileFaults::Short, 951},
        {"second.bin", 0, FileFaults::Short, 1023},
    };
    for (const Case& each : cases) {
        SCOPED_TRACE(testing::Message() << each.file << ", read " << each.skip + 1 << ", effect "
                                        << each.effect << ", keep " << each.keep);
        faults.plan(Fault(FileFaults::Read, each.effect, tree.path(each.file))
                        .after(each.skip)
                        .keeping(each.keep));
        EXPECT_FALSE(CompareFileContents(*program, first, second, 3000, 100));
        EXPECT_TRUE(faults.allStruck());
        // Nothing stays broken: the same pair compares equal once the disk behaves.
        EXPECT_TRUE(CompareFileContents(*program, first, second, 3000, 100));
    }
}

TEST_F(FileFaultsTest, AFileTruncatedOrGrownBetweenTwoChunksNeverComparesEqual) {
    for (const Change& change : SizeChanges()) {
        for (const char* changed : {"first.bin", "second.bin"}) {
            SCOPED_TRACE(testing::Message() << changed << " " << change.name);
            const std::string first = tree.write("first.bin", Content('c', 3000));
            const std::string second = tree.write("second.bin", Content('c', 3000));
            // The second read of the file is its second chunk: the first one already compared.
            faults.plan(Fault(FileFaults::Read, FileFaults::Change, tree.path(changed))
                            .after(1)
                            .doing(change.apply));
            EXPECT_FALSE(CompareFileContents(*program, first, second, 3000, 100));
            EXPECT_TRUE(faults.allStruck());
        }
    }
}

// ---- The same faults during a content search ----

// The two ways of classifying same-size files: the engine and the plain pairwise comparison.
struct Matcher {
    const char* name;
    std::function<void(Program&)> search;
};

const std::vector<Matcher>& Matchers() {
    static const std::vector<Matcher> table = {
        {"engine", [](Program& program) { SearchDuplicates(program, SameContent); }},
        {"pairwise",
         [](Program& program) {
             SearchDuplicates(program, SameContent, PairwiseContentComparison(program));
         }},
    };
    return table;
}

class FaultySearchTest : public FileFaultsTest {
  protected:
    // Three copies of one content, two of another and one of its own, all of one size, in one
    // folder per case.
    void writeCopies(const std::string& folder, std::size_t size) {
        for (const char* name : {"a1", "a2", "a3"}) {
            tree.write(folder + "/" + name, Content('a', size));
        }
        for (const char* name : {"b1", "b2"}) {
            tree.write(folder + "/" + name, Content('b', size));
        }
        tree.write(folder + "/c", Content('c', size));
    }

    void searchIn(const std::string& folder, const Matcher& matcher) {
        restart();
        ScanFolder(*program, tree.path(folder) + "/", "*", 0);
        matcher.search(*program);
    }

    Groups expectedGroups(const std::string& folder, std::vector<Paths> relativeGroups) {
        Groups full;
        for (const Paths& group : relativeGroups) {
            Paths members;
            for (const std::string& name : group) {
                members.push_back(tree.path(folder + "/" + name));
            }
            full.push_back(members);
        }
        return full;
    }

    void expectAllCatalogued(const std::string& folder) {
        EXPECT_EQ(program->catalogue.files.count(), 6);
        for (const char* name : {"a1", "a2", "a3", "b1", "b2", "c"}) {
            EXPECT_TRUE(PathExists(tree.path(folder + "/" + name))) << name;
        }
        EXPECT_EQ(program->lastDetailText, "6 / 6 Dateien");
    }
};

TEST_F(FaultySearchTest, AFileWhoseReadFailsJoinsNoGroupAndEveryOtherGroupStays) {
    struct Case {
        std::size_t size;
        const char* faulty;
        int skip;
        int times;
        FileFaults::Effect effect;
        std::int64_t keep;
        std::vector<Paths> groups;
        FileFaults::Call call = FileFaults::Read;
    };
    // Every file is read first by its leading block (a small file whole), and, when another file
    // shares that block's hash, again block by block from its start; later reads of a large file
    // strike in its middle. A fault may also strike the opening, or change the file before it.
    const Case cases[] = {
        {2000, "a2", 0, 1, FileFaults::Fail, 0, {{"a1", "a3"}, {"b1", "b2"}}},
        {2000, "a2", 0, 1, FileFaults::Short, 1000, {{"a1", "a3"}, {"b1", "b2"}}},
        {2000, "a3", 0, 1, FileFaults::Fail, 0, {{"a1", "a2"}, {"b1", "b2"}}},
        {2000, "a1", 0, FileFaults::Forever, FileFaults::Fail, 0, {{"a2", "a3"}, {"b1", "b2"}}},
        {2000, "b1", 0, FileFaults::Forever, FileFaults::Short, 7, {{"a1", "a2", "a3"}}},
        {100000, "a2", 0, 1, FileFaults::Fail, 0, {{"a1", "a3"}, {"b1", "b2"}}},
        {100000, "a2", 1, 1, FileFaults::Fail, 0, {{"a1", "a3"}, {"b1", "b2"}}},
        {100000, "a2", 1, 1, FileFaults::Short, 100, {{"a1", "a3"}, {"b1", "b2"}}},
        {100000, "a1", 1, FileFaults::Forever, FileFaults::Fail, 0, {{"a2", "a3"}, {"b1", "b2"}}},
        {2000,
         "a2",
         0,
         FileFaults::Forever,
         FileFaults::Fail,
         0,
         {{"a1", "a3"}, {"b1", "b2"}},
         FileFaults::Open},
        {100000,
         "b2",
         0,
         FileFaults::Forever,
         FileFaults::Fail,
         0,
         {{"a1", "a2", "a3"}},
         FileFaults::Open},
        // Rewritten with other bytes of the same size just before it is first opened.
        {2000, "a3", 0, 1, FileFaults::Change, 0, {{"a1", "a2"}, {"b1", "b2"}}, FileFaults::Open},
        {100000, "a1", 0, 1, FileFaults::Change, 0, {{"a2", "a3"}, {"b1", "b2"}}, FileFaults::Open},
    };
    int round = 0;
    for (const Matcher& matcher : Matchers()) {
        for (const Case& each : cases) {
            SCOPED_TRACE(testing::Message()
                         << matcher.name << ": " << each.size << " bytes, " << each.faulty
                         << " read " << each.skip + 1 << ", effect " << each.effect);
            const std::string folder = "s" + std::to_string(round++);
            writeCopies(folder, each.size);
            FileFaults plan;
            files.attachFaults(&plan);
            plan.plan(Fault(each.call, each.effect, tree.path(folder + "/" + each.faulty))
                          .after(each.skip)
                          .striking(each.times)
                          .keeping(each.keep)
                          .doing([size = each.size](const std::string& path) {
                              std::ofstream(path, std::ios::binary | std::ios::trunc)
                                  << Content('x', size);
                          }));

            searchIn(folder, matcher);

            EXPECT_GT(plan.struck(), 0);
            EXPECT_EQ(groups(), expectedGroups(folder, each.groups));
            expectAllCatalogued(folder);
            files.attachFaults(&faults);
        }
    }
}

TEST_F(FaultySearchTest, AFileTruncatedOrGrownBetweenTwoChunksIsNeverGrouped) {
    struct Case {
        std::size_t size;
        int skip; // reads of the changed file before the change
    };
    // The engine reads the leading block of a file of 100000 bytes, then the file from its
    // start in one block; a file of 1.5 MB in two blocks after the leading one. The pairwise
    // comparison reads chunks of 1024 bytes.
    const std::vector<Case> casesOf[] = {{{100000, 1}, {1500000, 2}}, {{100000, 1}, {100000, 3}}};
    int round = 0;
    for (std::size_t m = 0; m < Matchers().size(); ++m) {
        const Matcher& matcher = Matchers()[m];
        for (const Case& each : casesOf[m]) {
            for (const Change& change : SizeChanges()) {
                SCOPED_TRACE(testing::Message()
                             << matcher.name << ": " << each.size << " bytes, a2 " << change.name
                             << " after " << each.skip << " reads");
                const std::string folder = "g" + std::to_string(round++);
                writeCopies(folder, each.size);
                FileFaults plan;
                files.attachFaults(&plan);
                plan.plan(Fault(FileFaults::Read, FileFaults::Change, tree.path(folder + "/a2"))
                              .after(each.skip)
                              .doing(change.apply));

                searchIn(folder, matcher);

                EXPECT_TRUE(plan.allStruck());
                EXPECT_EQ(groups(), expectedGroups(folder, {{"a1", "a3"}, {"b1", "b2"}}));
                expectAllCatalogued(folder);
                files.attachFaults(&faults);
            }
        }
    }
}

} // namespace
} // namespace bk::test
