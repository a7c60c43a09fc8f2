#include "duplicates/duplicate_search.h"
#include "platform/posix_file_services.h"
#include "platform/resource_usage.h"
#include "support/headless_control_layer.h"
#include "support/program_runs.h"
#include "ui/event_loop.h"

#include <cstdint>
#include <gtest/gtest.h>
#include <iostream>
#include <string>
#include <unordered_map>
#include <vector>

namespace bk::test {

namespace {

// A catalogue of a million files, made record by record as a scan would leave it, so that the
// searches and the reset meet a million records without a million files on disk. The records
// come in units of four; the shape is chosen so that the expected groups can be counted by hand:
//   - every fourth unit (u % 10 == 0, so only even units) has its fourth record as a second name
//     (a hard link) of its third;
//   - the records of a unit share one content, except in odd units, whose third record holds a
//     near-copy of the same size;
//   - a unit's size is 1 + u % 5000, so every size is shared by 50 units and has several
//     contents; units with u % 1000 == 7 (all odd) hold empty files instead;
//   - names repeat every 250,000 records, the later half of them upper case for every third
//     name: "n17.txt", "n17.txt", "N17.TXT", ...
constexpr std::int64_t FileCount = 1'000'000;
constexpr std::int64_t NameCycle = 250'000;

bool IsSecondName(std::int64_t i) {
    return i % 4 == 3 && (i / 4) % 10 == 0;
}
bool IsEmptyUnit(std::int64_t unit) {
    return unit % 1000 == 7;
}

std::string NameOf(std::int64_t i) {
    const std::int64_t key = i % NameCycle;
    return i >= FileCount / 2 && key % 3 == 0 ? "N" + std::to_string(key) + ".TXT"
                                              : "n" + std::to_string(key) + ".txt";
}

// The content of a record, kept where a real file keeps its modification time: no test here
// reads a file, and no other part of the record is free.
std::int64_t ContentOf(const FileRecord& file) {
    return file.modified;
}

// Knows the content of every file from its record instead of reading it, and notes what it was
// given: sets of one size above 0, each file once.
class ContentFromRecords final : public ContentMatcher {
  public:
    using ContentMatcher::classify;
    std::vector<std::uint32_t> classify(const SetOfFiles& files, ClassObserver&) override {
        ++sets;
        filesGiven += static_cast<std::int64_t>(files.size());
        std::unordered_map<std::int64_t, std::uint32_t> classOfContent;
        std::vector<std::uint32_t> classes;
        classes.reserve(files.size());
        for (std::size_t i = 0; i < files.size(); ++i) {
            const FileRecord* file = files[i];
            if (file->size != files.front()->size || file->size <= 0) {
                ++misfits;
            }
            const auto next = static_cast<std::uint32_t>(classOfContent.size());
            classes.push_back(classOfContent.try_emplace(ContentOf(*file), next).first->second);
        }
        return classes;
    }

    std::int64_t sets = 0;
    std::int64_t filesGiven = 0;
    std::int64_t misfits = 0;
};

struct Found {
    std::int64_t groups = 0;
    std::int64_t members = 0;
    std::string problems;
};

std::string Lowered(std::string_view view) {
    std::string name(view);
    for (char& c : name) {
        if (c >= 'A' && c <= 'Z') {
            c = static_cast<char>(c - 'A' + 'a');
        }
    }
    return name;
}

class ScaleTest : public ::testing::Test {
  protected:
    void catalogueMillionFiles() {
        FileList& list = program.catalogue.files;
        for (std::int64_t i = 0; i < FileCount; ++i) {
            const std::int64_t unit = i / 4;
            FileRecord* file = list.insertAfterCurrent();
            file->folder = "/scale/d" + std::to_string(i / 1000);
            file->name = NameOf(i);
            file->size = IsEmptyUnit(unit) ? 0 : 1 + unit % 5000;
            file->device = 1;
            file->inode = static_cast<std::uint64_t>(IsSecondName(i) ? i : i + 1);
            const bool nearCopy = i % 4 == 2 && unit % 2 == 1;
            file->modified = unit * 2 + (nearCopy ? 1 : 0);
        }
    }

    // Counts the groups and checks each: a chain of its count, of one file each, in catalogue
    // order, sharing size and content (or folded name).
    Found walkGroups(SearchMode mode) {
        Found found;
        for (GroupRecord* group = program.catalogue.groups.first(); group != nullptr;
             group = GroupList::nextOf(group)) {
            ++found.groups;
            found.members += group->memberCount;
            MemberRecord* member = group->firstMember;
            const FileRecord* first = member != nullptr ? member->file : nullptr;
            if (first == nullptr || MemberList::previousOf(member) != nullptr) {
                found.problems = "a group without a first member of its own";
                return found;
            }
            std::uint64_t lastInode = 0;
            for (std::int64_t j = 0; j < group->memberCount;
                 ++j, member = MemberList::nextOf(member)) {
                if (member == nullptr) {
                    found.problems = "a chain shorter than its group's count";
                    return found;
                }
                const FileRecord& file = *member->file;
                const bool same = mode == SameContent ? file.size == group->size &&
                                                            ContentOf(file) == ContentOf(*first)
                                                      : Lowered(file.name) == Lowered(first->name);
                if (!same || file.inode <= lastInode) {
                    found.problems = "a group of unlike or repeated files at " + file.name.str();
                    return found;
                }
                lastInode = file.inode;
            }
            if (member != nullptr) {
                found.problems = "a chain longer than its group's count";
                return found;
            }
        }
        return found;
    }

    std::vector<std::string> namesOfFirstGroup() {
        std::vector<std::string> names;
        const GroupRecord* group = program.catalogue.groups.first();
        MemberRecord* member = group != nullptr ? group->firstMember : nullptr;
        for (std::int64_t j = 0; group != nullptr && j < group->memberCount; ++j) {
            names.push_back(member->name().str());
            member = MemberList::nextOf(member);
        }
        return names;
    }

    HeadlessControlLayer controls;
    PosixFileServices files{"/nonexistent/"};
    Program program{controls, files};
};

TEST_F(ScaleTest, AMillionCataloguedFilesAreSearchedByContentAndNameAndReset) {
    catalogueMillionFiles();
    ASSERT_EQ(program.catalogue.files.count(), FileCount);

    // Content: per unit of 4 records, a group of 4 (even units), of 3 (even units with a second
    // name, and odd units without their near-copy); none for the 250 units of empty files.
    ContentFromRecords matcher;
    SearchDuplicates(program, SameContent, matcher);
    const Found byContent = walkGroups(SameContent);
    EXPECT_EQ(byContent.problems, "");
    EXPECT_EQ(byContent.groups, 100'000 + 25'000 + 124'750);
    EXPECT_EQ(byContent.members, 100'000 * 4 + 25'000 * 3 + 124'750 * 3);
    EXPECT_EQ(namesOfFirstGroup(), (std::vector<std::string>{"n0.txt", "n1.txt", "n2.txt"}));
    // Every size but the five that only empty units would have; second names never.
    EXPECT_EQ(matcher.sets, 5000 - 5);
    EXPECT_EQ(matcher.filesGiven, FileCount - 25'000 - 250 * 4);
    EXPECT_EQ(matcher.misfits, 0);
    EXPECT_EQ(program.catalogue.files.count(), FileCount);

    // Names: four records per name, unless all four are second names (name % 40 == 3).
    SearchDuplicates(program, SameName, matcher);
    const Found byName = walkGroups(SameName);
    EXPECT_EQ(byName.problems, "");
    EXPECT_EQ(byName.groups, NameCycle - NameCycle / 40);
    EXPECT_EQ(byName.members, (NameCycle - NameCycle / 40) * 4);
    EXPECT_EQ(namesOfFirstGroup(),
              (std::vector<std::string>{"n0.txt", "n0.txt", "N0.TXT", "N0.TXT"}));

    // A second content search starts from nothing left by the first two.
    SearchDuplicates(program, SameContent, matcher);
    EXPECT_EQ(walkGroups(SameContent).groups, byContent.groups);

    const std::int64_t peak = PeakResidentBytes();
    ResetCommand(program);
    EXPECT_TRUE(program.catalogue.files.empty());
    EXPECT_TRUE(program.catalogue.groups.empty());
    EXPECT_TRUE(program.catalogue.members.empty());
    EXPECT_EQ(program.shownGroup, nullptr);
    std::cout << "[ scale    ] " << FileCount << " records: " << byContent.groups
              << " content groups (" << byContent.members << " members), " << byName.groups
              << " name groups (" << byName.members << " members), peak memory "
              << peak / (1024 * 1024) << " MiB\n";
}

} // namespace

} // namespace bk::test
