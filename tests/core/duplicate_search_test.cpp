#include "catalogue/folder_scan.h"
#include "duplicates/duplicate_search.h"
#include "platform/file_paths.h"
#include "platform/native_file_services.h"
#include "support/disk_changes.h"
#include "support/program_runs.h"
#include "support/recording_control_layer.h"
#include "support/temp_tree.h"
#include "ui/control_numbers.h"

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <gtest/gtest.h>
#include <optional>
#include <set>
#include <string>
#include <utility>
#include <vector>

namespace bk::test {
namespace {

using Paths = std::vector<std::string>;
using Groups = std::vector<Paths>;
using Call = std::pair<std::string, std::string>; // later file, reference file

std::string Fixture(const std::string& name) {
    return ReadWholeFile(std::string(BK_FIXTURES_DIR) + "/md5-collision/" + name);
}

void MakeSparse(const std::string& path, std::int64_t size) {
    ASSERT_TRUE(MakeSparseFile(path, size)) << path;
}

class DuplicateSearchTest : public ::testing::Test {
  protected:
    FileList& fileList() { return program.catalogue.files; }

    void scan(const std::string& relativeFolder = "") {
        const std::string path = relativeFolder.empty() ? tree.root() + PathSeparator
                                                        : tree.path(relativeFolder) + PathSeparator;
        ScanFolder(program, path, "*", 0);
    }

    // Appends a record by hand, as the scan would make it for the real file at relative.
    FileRecord& addRecord(const std::string& relative) {
        const std::string path = tree.path(relative);
        const std::optional<FileIdentity> identity = RegularFileIdentity(path);
        EXPECT_TRUE(identity.has_value()) << path;
        FileRecord& record = appendRecord();
        const std::size_t separator = path.find_last_of(PathSeparators);
        record.folder = path.substr(0, separator);
        record.name = path.substr(separator + 1);
        if (identity) {
            record.setIdentity(*identity);
        }
        return record;
    }

    // Appends a record of a file that exists only in the catalogue, with an identity of its own.
    FileRecord& addImaginary(const std::string& name, std::int64_t size) {
        FileRecord& record = appendRecord();
        record.folder = tree.root();
        record.name = name;
        record.size = size;
        record.device = 1;
        record.inode = ++lastImaginaryInode;
        return record;
    }

    FileRecord& appendRecord() {
        fileList().makeCurrent(fileList().last());
        return *fileList().insertAfterCurrent();
    }

    // The path below the tree, its parts joined with "/" as the expectations write them.
    std::string relative(const std::string& folder, std::string_view name) const {
        std::string path = FullPath(folder, name);
        const std::string prefix = tree.root() + PathSeparator;
        if (path.compare(0, prefix.size(), prefix) == 0) {
            path.erase(0, prefix.size());
        }
        std::replace(path.begin(), path.end(), PathSeparator, '/');
        return path;
    }

    std::vector<FileRecord*> records() {
        std::vector<FileRecord*> all;
        for (FileRecord* file = fileList().first(); file != nullptr;
             file = FileList::nextOf(file)) {
            all.push_back(file);
        }
        return all;
    }

    // Wraps a comparison so that every call is recorded and checked against what the search
    // promises: only later, unmarked files of the reference's size above 0 are compared.
    ContentComparison watched(ContentComparison inner) {
        return [this, inner](const FileRecord& later, const FileRecord& reference) {
            const std::vector<FileRecord*> all = records();
            const auto laterAt = std::find(all.begin(), all.end(), &later);
            const auto referenceAt = std::find(all.begin(), all.end(), &reference);
            EXPECT_LT(referenceAt, laterAt) << "the later file comes first in the call";
            EXPECT_EQ(later.size, reference.size);
            EXPECT_GT(later.size, 0);
            EXPECT_EQ(later.grouped, 0) << "a grouped file was compared again";
            calls.emplace_back(relative(later.folder, later.name),
                               relative(reference.folder, reference.name));
            return inner(later, reference);
        };
    }

    void search(SearchMode mode) { search(mode, PairwiseContentComparison(program)); }

    void search(SearchMode mode, const ContentComparison& comparison) {
        const std::vector<FileRecord*> before = records();
        SearchDuplicates(program, mode, watched(comparison));
        EXPECT_EQ(records(), before) << "the catalogue itself changed";
        expectSoundOutcome();
    }

    // What every search leaves behind, whatever it found.
    void expectSoundOutcome() {
        for (const FileRecord* file : records()) {
            EXPECT_EQ(file->grouped, 0) << relative(file->folder, file->name);
        }
        EXPECT_EQ(fileList().current(), fileList().last());
        std::set<const FileRecord*> placed;
        for (GroupRecord* group = program.catalogue.groups.first(); group != nullptr;
             group = GroupList::nextOf(group)) {
            ASSERT_NE(group->firstMember, nullptr);
            EXPECT_EQ(MemberList::previousOf(group->firstMember), nullptr);
            EXPECT_GE(group->memberCount, 2);
            std::int64_t count = 0;
            std::set<std::pair<std::uint64_t, std::uint64_t>> identities;
            for (MemberRecord* member = group->firstMember; member != nullptr;
                 member = MemberList::nextOf(member)) {
                ++count;
                ASSERT_NE(member->file, nullptr);
                EXPECT_TRUE(placed.insert(member->file).second)
                    << relative(member->folder(), member->name()) << " is in two places";
                const FileIdentity identity = member->file->identity();
                if (identity.inode != 0) {
                    EXPECT_TRUE(identities.insert({identity.device, identity.inode}).second)
                        << relative(member->folder(), member->name()) << " shares a file";
                }
            }
            EXPECT_EQ(count, group->memberCount);
        }
    }

    Groups groups() const {
        Groups all;
        for (GroupRecord* group = program.catalogue.groups.first(); group != nullptr;
             group = GroupList::nextOf(group)) {
            Paths members;
            for (MemberRecord* member = group->firstMember; member != nullptr;
                 member = MemberList::nextOf(member)) {
                members.push_back(relative(member->folder(), member->name()));
            }
            all.push_back(members);
        }
        return all;
    }

    TempTree tree;
    NativeFileServices files{tree.root() + PathSeparator};
    RecordingControlLayer controls;
    Program program{controls, files};
    std::vector<Call> calls;
    std::uint64_t lastImaginaryInode = 0;
};

// ---- The content search ----

TEST_F(DuplicateSearchTest, ThreeEqualFilesFormOneGroupAndLaterMembersAreNotComparedAgain) {
    tree.write("A", "same");
    tree.write("B", "same");
    tree.write("C", "same");
    scan();
    search(SameContent);
    ASSERT_EQ(groups(), (Groups{{"A", "B", "C"}}));
    const GroupRecord* group = program.catalogue.groups.first();
    EXPECT_EQ(group->memberCount, 3);
    EXPECT_EQ(group->size, 4);
    EXPECT_EQ(calls, (std::vector<Call>{{"B", "A"}, {"C", "A"}}));
}

TEST_F(DuplicateSearchTest, AFileEqualToNoOtherStaysOutOfTheGroup) {
    tree.write("A", "same");
    tree.write("B", "same");
    tree.write("C", "diff");
    scan();
    search(SameContent);
    EXPECT_EQ(groups(), (Groups{{"A", "B"}}));
}

TEST_F(DuplicateSearchTest, FilesOfDifferentSizesAreNeverCompared) {
    tree.write("a", "1");
    tree.write("b", "22");
    tree.write("c", "333");
    scan();
    search(SameContent);
    EXPECT_EQ(groups(), Groups{});
    EXPECT_EQ(calls, std::vector<Call>{});
}

TEST_F(DuplicateSearchTest, EmptyFilesGroupOnlyByName) {
    tree.write("X/empty.txt", "");
    tree.write("Y/empty.txt", "");
    tree.write("Y/other.txt", "");
    scan();
    search(SameContent);
    EXPECT_EQ(groups(), Groups{});
    EXPECT_EQ(calls, std::vector<Call>{});
    search(SameName);
    EXPECT_EQ(groups(), (Groups{{"X/empty.txt", "Y/empty.txt"}}));
}

TEST_F(DuplicateSearchTest, TwoGroupsKeepTheirMemberChainsApart) {
    tree.write("1", "first");
    tree.write("2", "other");
    tree.write("3", "first");
    tree.write("4", "other");
    tree.write("5", "first");
    scan();
    search(SameContent);
    ASSERT_EQ(groups(), (Groups{{"1", "3", "5"}, {"2", "4"}}));
    const GroupRecord* first = program.catalogue.groups.first();
    const GroupRecord* second = GroupList::nextOf(program.catalogue.groups.first());
    EXPECT_EQ(MemberList::previousOf(second->firstMember), nullptr);
    MemberRecord* last = first->firstMember;
    for (int step = 1; step < 3; ++step) {
        last = MemberList::nextOf(last);
    }
    EXPECT_EQ(last->name(), "5");
    EXPECT_EQ(MemberList::nextOf(last), nullptr);
    // Stepping with the cursor stays inside a chain as well.
    program.catalogue.members.makeCurrent(first->firstMember);
    int steps = 0;
    while (program.catalogue.members.advance()) {
        ++steps;
    }
    EXPECT_EQ(steps, 2);
    EXPECT_EQ(program.catalogue.members.current(), last);
}

TEST_F(DuplicateSearchTest, EachSearchReplacesTheGroupsOfTheLastOne) {
    tree.write("X/a.txt", "same");
    tree.write("Y/a.txt", "same");
    tree.write("Y/b.txt", "same");
    scan();
    search(SameContent);
    EXPECT_EQ(groups(), (Groups{{"X/a.txt", "Y/a.txt", "Y/b.txt"}}));
    search(SameContent);
    EXPECT_EQ(groups(), (Groups{{"X/a.txt", "Y/a.txt", "Y/b.txt"}}));
    search(SameName);
    EXPECT_EQ(groups(), (Groups{{"X/a.txt", "Y/a.txt"}}));
    EXPECT_EQ(program.catalogue.members.count(), 2);
}

TEST_F(DuplicateSearchTest, AFileThatVanishedSinceTheScanJoinsNoGroup) {
    tree.write("A", "same");
    const std::string gone = tree.write("B", "same");
    tree.write("C", "same");
    scan();
    ASSERT_TRUE(RemoveFile(gone));
    search(SameContent);
    EXPECT_EQ(groups(), (Groups{{"A", "C"}}));
}

TEST_F(DuplicateSearchTest, AFileThatChangedSizeSinceTheScanJoinsNoGroup) {
    tree.write("A", "same");
    tree.write("B", "same");
    tree.write("C", "same");
    tree.write("D", "same");
    scan();
    tree.write("A", "same plus");
    tree.write("C", "sa");
    search(SameContent);
    EXPECT_EQ(groups(), (Groups{{"B", "D"}}));
}

// ---- The same-name search ----

TEST_F(DuplicateSearchTest, NamesDifferingOnlyInLetterCaseGroupWhateverTheirSizes) {
    tree.write("one/Readme.TXT", "short");
    tree.write("two/README.txt", "a good deal longer");
    scan();
    search(SameName);
    EXPECT_EQ(groups(), (Groups{{"one/Readme.TXT", "two/README.txt"}}));
    EXPECT_EQ(calls, std::vector<Call>{});
    search(SameContent);
    EXPECT_EQ(groups(), Groups{});
}

TEST_F(DuplicateSearchTest, NamesAreComparedWithTheProgramsOwnLetterCaseRule) {
    struct Case {
        std::string first;
        std::string second;
        bool grouped;
    };
    const std::vector<Case> cases = {
        {"report.doc", "REPORT.DOC", true},
        {"\xc3\x84rger.txt", "\xc3\xa4rger.txt", true},   // Ärger, ärger
        {"\xc3\x89t\xc3\x89", "\xc3\xa9t\xc3\xa9", true}, // ÉTÉ written as ÉtÉ, été
        {"stra\xc3\x9f"
         "e",
         "stra\xc3\xbf"
         "e",
         true}, // ß folds onto ÿ by the same rule
#ifndef _WIN32  // Windows drops a trailing dot from the name a file is made with
        {"report.doc", "report.doc.", false},
#endif
        {"report.doc", "report.do", false},
        {"report.doc", "rep0rt.doc", false},
        {"\xc5\x81\x61", "\xc5\x82\x61", false}, // Ła, ła: outside the folded range
    };
    for (const Case& each : cases) {
        TempTree caseTree;
        NativeFileServices caseFiles(caseTree.root() + PathSeparator);
        RecordingControlLayer caseControls;
        Program caseProgram(caseControls, caseFiles);
        caseTree.write("first/" + each.first, "1");
        caseTree.write("second/" + each.second, "22");
        ScanFolder(caseProgram, caseTree.root() + PathSeparator, "*", 0);
        ASSERT_EQ(caseProgram.catalogue.files.count(), 2);
        SearchDuplicates(caseProgram, SameName);
        EXPECT_EQ(caseProgram.catalogue.groups.count(), each.grouped ? 1 : 0)
            << each.first << " / " << each.second;
    }
}

TEST_F(DuplicateSearchTest, TheSameNameInThreeFoldersIsListedInCatalogueOrder) {
    tree.write("Z/name.txt", "z");
    tree.write("X/name.txt", "x");
    tree.write("Y/NAME.TXT", "y");
    tree.write("Y/other.txt", "y");
    scan();
    search(SameName);
    ASSERT_EQ(groups(), (Groups{{"X/name.txt", "Y/NAME.TXT", "Z/name.txt"}}));
    EXPECT_EQ(program.catalogue.groups.first()->size, 1);
}

// ---- Status line and bars ----

TEST_F(DuplicateSearchTest, ASearchOverTwoHundredFiftyFilesReportsEveryFileAndClearsTheBar) {
    // Files i and i + 125 are equal; no other two files have the same size.
    for (int i = 0; i < 250; ++i) {
        char name[16];
        std::snprintf(name, sizeof name, "f%03d", i);
        tree.write(name, std::string(static_cast<std::size_t>(1 + i % 125), 'x'));
    }
    scan();
    controls.statusTexts.clear();
    controls.states.clear();
    search(SameContent);

    EXPECT_EQ(program.catalogue.groups.count(), 125);
    EXPECT_EQ(controls.statusTextsOf(0), Paths{"Suche doppelte Dateien"});
    Paths expectedDetails;
    std::vector<std::int64_t> expectedBar;
    for (int done = 1; done <= 250; ++done) {
        expectedDetails.push_back(std::to_string(done) + " / 250 Dateien");
        expectedBar.push_back(done * 100 / 250);
    }
    expectedBar.push_back(0);
    EXPECT_EQ(controls.statusTextsOf(1), expectedDetails);
    EXPECT_EQ(controls.states[SearchProgress], expectedBar);
    // Bar 101 goes back to 0 for every reference and shows 100 after each one-chunk comparison.
    const std::vector<std::int64_t>& compareBar = controls.states[CompareProgress];
    EXPECT_EQ(std::count(compareBar.begin(), compareBar.end(), 0), 250);
    EXPECT_EQ(std::count(compareBar.begin(), compareBar.end(), 100),
              static_cast<std::ptrdiff_t>(calls.size()));
    EXPECT_EQ(calls.size(), 125U);
    ASSERT_FALSE(compareBar.empty());
    EXPECT_EQ(compareBar.front(), 0);
}

TEST_F(DuplicateSearchTest, TheSameNameSearchReportsItsOwnActivityAndClearsTheCompareBar) {
    tree.write("a", "1");
    tree.write("b", "1");
    tree.write("c/a", "1");
    scan();
    controls.statusTexts.clear();
    controls.states.clear();
    search(SameName);
    EXPECT_EQ(controls.statusTextsOf(0), Paths{"Suche gleichnamige Dateien"});
    EXPECT_EQ(controls.statusTextsOf(1),
              (Paths{"1 / 3 Dateien", "2 / 3 Dateien", "3 / 3 Dateien"}));
    EXPECT_EQ(controls.states[CompareProgress], (std::vector<std::int64_t>{0, 0, 0}));
    EXPECT_EQ(controls.states[SearchProgress], (std::vector<std::int64_t>{33, 66, 100, 0}));
}

TEST_F(DuplicateSearchTest, AnEmptyCatalogueOnlyClearsTheFilesBar) {
    search(SameContent);
    EXPECT_EQ(groups(), Groups{});
    EXPECT_EQ(controls.statusTextsOf(0), Paths{"Suche doppelte Dateien"});
    EXPECT_EQ(controls.statusTextsOf(1), Paths{});
    EXPECT_EQ(controls.states[SearchProgress], std::vector<std::int64_t>{0});
    EXPECT_EQ(controls.states.count(CompareProgress), 0U);
}

// ---- Records of one file ----

TEST_F(DuplicateSearchTest, HardLinksToOneFileNeverShareAGroup) {
    tree.write("X/a.txt", "same");
    const std::string link = tree.folder("Y") + PathSeparator + "a.txt";
    ASSERT_TRUE(MakeHardLink(tree.path("X/a.txt"), link));
    scan();
    search(SameContent);
    EXPECT_EQ(groups(), Groups{});
    search(SameName);
    EXPECT_EQ(groups(), Groups{});

    // With a real copy next to them the first link stands for the file.
    tree.write("Z/a.txt", "same");
    addRecord("Z/a.txt");
    search(SameContent);
    EXPECT_EQ(groups(), (Groups{{"X/a.txt", "Z/a.txt"}}));
    search(SameName);
    EXPECT_EQ(groups(), (Groups{{"X/a.txt", "Z/a.txt"}}));
}

// A file is its inode on its device: one inode number on two devices names two files, and the
// records of one of them count once, wherever the other falls between them.
TEST_F(DuplicateSearchTest, OneInodeNumberOnTwoDevicesNamesTwoFiles) {
    for (const auto& [name, device] : {std::pair{"a.txt", 2U}, {"A.txt", 1U}, {"a.TXT", 2U}}) {
        FileRecord& record = addImaginary(name, 7);
        record.device = device;
        record.inode = 5;
    }
    search(SameName);
    EXPECT_EQ(groups(), (Groups{{"a.txt", "A.txt"}}));
}

TEST_F(DuplicateSearchTest, AFolderScannedTwiceCountsEachFileOnce) {
    tree.write("X/a.txt", "same");
    tree.write("X/b.txt", "same");
    tree.write("Y/a.txt", "diff");
    scan();
    scan();
    ASSERT_EQ(fileList().count(), 6);
    const std::vector<FileRecord*> all = records();

    search(SameContent);
    ASSERT_EQ(groups(), (Groups{{"X/a.txt", "X/b.txt"}}));
    MemberRecord* first = program.catalogue.groups.first()->firstMember;
    EXPECT_EQ(first->file, all[0]);
    EXPECT_EQ(MemberList::nextOf(first)->file, all[1]);

    search(SameName);
    ASSERT_EQ(groups(), (Groups{{"X/a.txt", "Y/a.txt"}}));
    first = program.catalogue.groups.first()->firstMember;
    EXPECT_EQ(first->file, all[0]);
    EXPECT_EQ(MemberList::nextOf(first)->file, all[2]);
}

TEST_F(DuplicateSearchTest, AFolderAddedInsideAnAddedFolderCountsEachFileOnce) {
    tree.write("a.txt", "same");
    tree.write("sub/a.txt", "same");
    tree.write("sub/deeper/a.txt", "same");
    scan();
    scan("sub");
    scan("sub/deeper");
    ASSERT_EQ(fileList().count(), 6);
    const Groups expected{{"a.txt", "sub/a.txt", "sub/deeper/a.txt"}};
    search(SameContent);
    EXPECT_EQ(groups(), expected);
    search(SameName);
    EXPECT_EQ(groups(), expected);
}

// ---- A comparison that is not consistent (a file changed during the search) ----

TEST_F(DuplicateSearchTest, AReferenceAlreadyPlacedInAGroupStartsNoGroupOfItsOwn) {
    struct Case {
        const char* what;
        std::set<Call> equalPairs; // unordered: either order matches
        Groups expected;
    };
    const std::vector<Case> cases = {
        {"A~B, B~C, not A~C", {{"B", "A"}, {"C", "B"}}, {{"A", "B"}}},
        {"A~C, B~C, not A~B", {{"C", "A"}, {"C", "B"}}, {{"A", "C"}}},
        {"A~B, B~C, C~D, not A~C", {{"B", "A"}, {"C", "B"}, {"D", "C"}}, {{"A", "B"}, {"C", "D"}}},
        {"A~B, A~C, B~D, C~D", {{"B", "A"}, {"C", "A"}, {"D", "B"}, {"D", "C"}}, {{"A", "B", "C"}}},
    };
    for (const Case& each : cases) {
        program.catalogue.files.clear();
        for (const char* name : {"A", "B", "C", "D"}) {
            addImaginary(name, 7);
        }
        const Case* current = &each;
        search(SameContent, [current](const FileRecord& later, const FileRecord& reference) {
            return current->equalPairs.count({later.name.str(), reference.name.str()}) != 0 ||
                   current->equalPairs.count({reference.name.str(), later.name.str()}) != 0;
        });
        EXPECT_EQ(groups(), each.expected) << each.what;
    }
}

// ---- Byte-exact equality ----

TEST_F(DuplicateSearchTest, FilesWithOneMd5DigestButDifferentBytesAreNeverGrouped) {
    const std::string first = Fixture("a.bin");
    const std::string second = Fixture("b.bin");
    ASSERT_EQ(first.size(), 128U);
    ASSERT_NE(first, second);
    const std::string common(896, 'S');
    tree.write("a.bin", first);
    tree.write("b.bin", second);
    tree.write("aS.bin", first + common);
    tree.write("bS.bin", second + common);
    tree.write("copy/a.bin", first);
    scan();
    search(SameContent);
    EXPECT_EQ(groups(), (Groups{{"a.bin", "copy/a.bin"}}));
}

// ---- Size ----

TEST_F(DuplicateSearchTest, AThousandEqualFilesFormOneGroupInCatalogueOrder) {
    Paths expected;
    for (int i = 0; i < 1000; ++i) {
        char name[16];
        std::snprintf(name, sizeof name, "m%04d", i);
        tree.write(name, "same");
        expected.push_back(name);
    }
    scan();
    search(SameContent);
    ASSERT_EQ(groups(), Groups{expected});
    EXPECT_EQ(program.catalogue.groups.first()->memberCount, 1000);
    EXPECT_EQ(calls.size(), 999U);
    for (const Call& call : calls) {
        EXPECT_EQ(call.second, "m0000");
    }
}

TEST_F(DuplicateSearchTest, SizesBeyondThirtyTwoBitsAreKeptApartFromTheirLowBits) {
    constexpr std::int64_t Big = 5000000000;
    constexpr std::int64_t LowBits = Big % (std::int64_t{1} << 32);
    static_assert(LowBits == 705032704);
    MakeSparse(tree.path("big1"), Big);
    MakeSparse(tree.path("big2"), Big);
    MakeSparse(tree.path("low1"), LowBits);
    MakeSparse(tree.path("low2"), LowBits);
    scan();
    const std::vector<FileRecord*> all = records();
    ASSERT_EQ(all.size(), 4U);
    EXPECT_EQ(all[0]->size, Big);
    EXPECT_EQ(all[1]->size, Big);
    EXPECT_EQ(all[2]->size, LowBits);

    // Reading ten gigabytes of zeros proves nothing more: every pair of equal size is equal.
    search(SameContent, [](const FileRecord&, const FileRecord&) { return true; });
    ASSERT_EQ(groups(), (Groups{{"big1", "big2"}, {"low1", "low2"}}));
    EXPECT_EQ(program.catalogue.groups.first()->size, Big);
    EXPECT_EQ(calls, (std::vector<Call>{{"big2", "big1"}, {"low2", "low1"}}));
}

} // namespace
// The files-done count rises while a set of same-size files is read, not only when the search
// reaches each file as a reference.
TEST(SearchProgressTest, FilesCountAsDoneWhileTheirSetIsStillBeingRead) {
    TempTree tree;
    for (const char seed : {'a', 'b', 'c'}) {
        const std::string content(70000, seed);
        tree.write(std::string(1, seed) + "1", content);
        tree.write(std::string(1, seed) + "2", content);
    }
    struct Watch final : SearchObserver {
        void searchBegins(SearchMode) override {}
        void referencesDone(std::int64_t done, std::int64_t) override { events.push_back(done); }
        void readingAt(std::int64_t percent) override { events.push_back(-percent - 1); }
        void searchEnds() override {}
        std::vector<std::int64_t> events; // files done, or -(percent read) - 1
    } watch;
    NativeFileServices files(tree.root() + PathSeparator);
    Catalogue catalogue;
    struct : ScanObserver {
        void enteringFolder() override {}
        void filesCatalogued(std::int64_t) override {}
    } unwatched;
    ScanFolder(catalogue, files.scans, tree.root(), "*", 0, unwatched);
    ContentEngine engine(files.files, watch);
    SearchDuplicates(catalogue, SameContent, engine, watch);

    std::vector<std::int64_t> counts;
    std::copy_if(watch.events.begin(), watch.events.end(), std::back_inserter(counts),
                 [](std::int64_t event) { return event >= 0; });
    EXPECT_EQ(counts, (std::vector<std::int64_t>{1, 2, 3, 4, 5, 6}));
    const auto firstCount = std::find(watch.events.begin(), watch.events.end(), 1);
    const auto lastReading = std::find_if(watch.events.rbegin(), watch.events.rend(),
                                          [](std::int64_t event) { return event < -1; });
    EXPECT_LT(firstCount - watch.events.begin(), watch.events.rend() - lastReading - 1)
        << "no file counted before the reading of the set was over";
}

} // namespace bk::test
