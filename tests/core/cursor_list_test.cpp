#include "catalogue/catalogue.h"
#include "catalogue/cursor_list.h"

#include <algorithm>
#include <cstdint>
#include <gtest/gtest.h>
#include <memory>
#include <ostream>
#include <string>
#include <vector>

namespace bk::test {
namespace {

// A record that knows how many of its kind are alive, so that a record the list forgets to
// release shows up as a number even without a leak checker. The text makes every record own
// heap memory of its own, as the catalogue's records do.
struct Item {
    static inline int alive = 0;
    int value = 0;
    std::string text;

    Item() { ++alive; }
    Item(const Item& other) : value(other.value), text(other.text) { ++alive; }
    Item& operator=(const Item&) = default;
    ~Item() { --alive; }
};

using ItemList = CursorList<Item>;

// The list as a line: the values from the first record along the next links, the current record
// in brackets; no brackets at all when no record is current.
std::string Render(const ItemList& list) {
    std::string line;
    for (Item* item = list.first(); item != nullptr; item = ItemList::nextOf(item)) {
        if (!line.empty()) {
            line += ' ';
        }
        const std::string value = std::to_string(item->value);
        line += item == list.current() ? "[" + value + "]" : value;
    }
    return line;
}

// The values from the last record back along the previous links.
std::vector<int> Backwards(const ItemList& list) {
    std::vector<int> values;
    for (Item* item = list.last(); item != nullptr; item = ItemList::previousOf(item)) {
        values.push_back(item->value);
    }
    std::reverse(values.begin(), values.end());
    return values;
}

std::vector<int> Forwards(const ItemList& list) {
    std::vector<int> values;
    for (Item* item = list.first(); item != nullptr; item = ItemList::nextOf(item)) {
        values.push_back(item->value);
    }
    return values;
}

Item* Find(const ItemList& list, int value) {
    for (Item* item = list.first(); item != nullptr; item = ItemList::nextOf(item)) {
        if (item->value == value) {
            return item;
        }
    }
    return nullptr;
}

std::int64_t ExpectedPosition(const ItemList& list) {
    std::int64_t position = 1;
    for (Item* item = list.first(); item != nullptr; item = ItemList::nextOf(item)) {
        if (item == list.current()) {
            return position;
        }
        ++position;
    }
    return 0;
}

// ---- The cursor table: one script of operations per row, the list after every step ----

enum class Op { Insert, Delete, Advance, Rewind, SelectAt, MakeCurrent };

struct Step {
    Op op;
    int argument;          // the value to insert, the index to select, the value to make current
    std::string expected;  // the list afterwards, as Render writes it
    bool advanced = false; // what Advance must return
};

struct CursorCase {
    std::string name;
    std::vector<Step> steps;
};

void PrintTo(const CursorCase& cursorCase, std::ostream* out) {
    *out << cursorCase.name;
}

Step Insert(int value, std::string expected) {
    return {Op::Insert, value, std::move(expected)};
}
Step Delete(std::string expected) {
    return {Op::Delete, 0, std::move(expected)};
}
Step Advance(bool result, std::string expected) {
    return {Op::Advance, 0, std::move(expected), result};
}
Step Rewind(std::string expected) {
    return {Op::Rewind, 0, std::move(expected)};
}
Step SelectAt(int index, std::string expected) {
    return {Op::SelectAt, index, std::move(expected)};
}
Step MakeCurrent(int value, std::string expected) {
    return {Op::MakeCurrent, value, std::move(expected)};
}

// Three records 1 2 3 with the cursor on the last.
std::vector<Step> ThreeRecords(std::vector<Step> more) {
    std::vector<Step> steps{Insert(1, "[1]"), Insert(2, "1 [2]"), Insert(3, "1 2 [3]")};
    steps.insert(steps.end(), more.begin(), more.end());
    return steps;
}

const std::vector<CursorCase> kCursorCases{
    {"AdvanceOnAnEmptyListFailsAndLeavesNoRecordCurrent",
     {Advance(false, ""), Advance(false, ""), Delete(""), Rewind("")}},
    {"InsertIntoAnEmptyListMakesTheOnlyRecordCurrent", {Insert(1, "[1]")}},
    {"InsertAfterTheLastRecordAppends", ThreeRecords({Insert(4, "1 2 3 [4]")})},
    {"InsertBetweenTwoRecordsLinksItInBetween",
     ThreeRecords({SelectAt(0, "[1] 2 3"), Insert(9, "1 [9] 2 3"), Insert(8, "1 9 [8] 2 3")})},
    {"InsertWithNoCurrentRecordGoesInFrontOfTheFirst",
     ThreeRecords({Rewind("1 2 3"), Insert(0, "[0] 1 2 3"), Advance(true, "0 [1] 2 3")})},
    {"AdvanceFromNoCurrentRecordTakesTheFirst",
     ThreeRecords({Rewind("1 2 3"), Advance(true, "[1] 2 3"), Advance(true, "1 [2] 3"),
                   Advance(true, "1 2 [3]")})},
    {"AdvanceOnTheLastRecordFailsAndStaysThereSoAnInsertAppends",
     ThreeRecords({Advance(false, "1 2 [3]"), Advance(false, "1 2 [3]"), Insert(4, "1 2 3 [4]")})},
    {"RewindLeavesNoRecordCurrent", ThreeRecords({Rewind("1 2 3"), Rewind("1 2 3")})},
    {"SelectAtCountsFromZero",
     ThreeRecords({SelectAt(0, "[1] 2 3"), SelectAt(1, "1 [2] 3"), SelectAt(2, "1 2 [3]")})},
    {"SelectAtMinusOneLeavesNoRecordCurrent", ThreeRecords({SelectAt(-1, "1 2 3")})},
    {"SelectAtPastTheEndLeavesTheLastRecordCurrent",
     ThreeRecords({SelectAt(0, "[1] 2 3"), SelectAt(3, "1 2 [3]"), SelectAt(0, "[1] 2 3"),
                   SelectAt(1000, "1 2 [3]")})},
    {"SelectAtOnAnEmptyListLeavesNoRecordCurrent", {SelectAt(0, ""), SelectAt(5, "")}},
    {"MakeCurrentMovesTheCursorToTheRecord",
     ThreeRecords({MakeCurrent(2, "1 [2] 3"), MakeCurrent(1, "[1] 2 3"), Insert(7, "1 [7] 2 3")})},
    {"DeleteWithNoCurrentRecordDoesNothing", ThreeRecords({Rewind("1 2 3"), Delete("1 2 3")})},
    {"DeleteTheOnlyRecordLeavesAnEmptyListWithNoRecordCurrent",
     {Insert(1, "[1]"), Delete(""), Advance(false, ""), Insert(2, "[2]")}},
    {"DeleteTheFirstRecordMakesTheNextOneCurrentAndFirst",
     ThreeRecords({SelectAt(0, "[1] 2 3"), Delete("[2] 3"), Delete("[3]"), Delete("")})},
    {"DeleteAMiddleRecordMakesThePreviousOneCurrent",
     ThreeRecords({SelectAt(1, "1 [2] 3"), Delete("[1] 3"), Advance(true, "1 [3]")})},
    {"DeleteTheLastRecordMakesThePreviousOneCurrentAndLast",
     ThreeRecords(
         {Delete("1 [2]"), Insert(4, "1 2 [4]"), Delete("1 [2]"), Delete("[1]"), Delete("")})},
    {"DeleteThenInsertPutsTheNewRecordWhereTheOldOneWas",
     ThreeRecords({SelectAt(1, "1 [2] 3"), Delete("[1] 3"), Insert(5, "1 [5] 3")})},
    {"DeleteTheFirstRecordThenInsertGoesAfterTheNewFirst",
     ThreeRecords({SelectAt(0, "[1] 2 3"), Delete("[2] 3"), Insert(5, "2 [5] 3")})},
};

class CursorTable : public ::testing::TestWithParam<CursorCase> {};

TEST_P(CursorTable, LeavesTheRecordsAndTheCursorWhereExpected) {
    const int aliveBefore = Item::alive;
    {
        ItemList list;
        std::int64_t records = 0;
        int stepNumber = 0;
        for (const Step& step : GetParam().steps) {
            ++stepNumber;
            SCOPED_TRACE("step " + std::to_string(stepNumber) + ", expecting \"" + step.expected +
                         "\"");
            switch (step.op) {
            case Op::Insert: {
                Item* created = list.insertAfterCurrent();
                ASSERT_NE(created, nullptr);
                EXPECT_EQ(created->value, 0) << "a new record is zero-filled";
                EXPECT_EQ(created->text, "");
                EXPECT_EQ(list.current(), created);
                created->value = step.argument;
                created->text = "record number " + std::to_string(step.argument);
                ++records;
                break;
            }
            case Op::Delete:
                if (list.current() != nullptr) {
                    --records;
                }
                list.deleteCurrent();
                break;
            case Op::Advance:
                EXPECT_EQ(list.advance(), step.advanced);
                break;
            case Op::Rewind:
                list.rewind();
                break;
            case Op::SelectAt:
                list.selectAt(step.argument);
                break;
            case Op::MakeCurrent:
                ASSERT_NE(Find(list, step.argument), nullptr);
                list.makeCurrent(Find(list, step.argument));
                break;
            }
            EXPECT_EQ(Render(list), step.expected);
            EXPECT_EQ(Backwards(list), Forwards(list)) << "previous links and last record";
            EXPECT_EQ(list.count(), records);
            EXPECT_EQ(list.positionOfCurrent(), ExpectedPosition(list));
            EXPECT_EQ(list.empty(), records == 0);
            EXPECT_EQ(Item::alive - aliveBefore, records) << "records released by deleteCurrent";
        }
    }
    EXPECT_EQ(Item::alive, aliveBefore) << "the list releases its records when it goes";
}

INSTANTIATE_TEST_SUITE_P(CursorList, CursorTable, ::testing::ValuesIn(kCursorCases),
                         [](const ::testing::TestParamInfo<CursorCase>& param) {
                             return param.param.name;
                         });

TEST(CursorList, PositionOfCurrentIsZeroWithoutCursorAndOneBasedOtherwise) {
    ItemList list;
    EXPECT_EQ(list.positionOfCurrent(), 0);
    for (int value = 1; value <= 5; ++value) {
        list.insertAfterCurrent()->value = value;
        EXPECT_EQ(list.positionOfCurrent(), value);
    }
    list.rewind();
    EXPECT_EQ(list.positionOfCurrent(), 0);
    list.advance();
    EXPECT_EQ(list.positionOfCurrent(), 1);
    list.selectAt(3);
    EXPECT_EQ(list.positionOfCurrent(), 4);
    EXPECT_EQ(list.current()->value, 4);
}

TEST(CursorList, ClearReleasesEveryRecordAndTheListCanBeFilledAgain) {
    const int aliveBefore = Item::alive;
    ItemList list;
    // Records over several blocks of places, some let go and their places taken again: the
    // links must read alike both ways.
    for (int value = 1; value <= 50000; ++value) {
        list.insertAfterCurrent()->value = value;
    }
    for (const int index : {49999, 30000, 21000, 0}) {
        list.selectAt(index);
        list.deleteCurrent();
        list.insertAfterCurrent()->value = -index;
    }
    EXPECT_EQ(Forwards(list).size(), 50000U);
    EXPECT_EQ(Forwards(list), Backwards(list));
    list.clear();
    EXPECT_EQ(Item::alive, aliveBefore);
    EXPECT_EQ(list.current(), nullptr);
    EXPECT_EQ(list.first(), nullptr);
    EXPECT_EQ(list.last(), nullptr);
    EXPECT_EQ(list.count(), 0);
    EXPECT_FALSE(list.advance());

    list.insertAfterCurrent()->value = 1;
    list.insertAfterCurrent()->value = 2;
    EXPECT_EQ(Render(list), "1 [2]");
    EXPECT_EQ(list.count(), 2);
}

TEST(CursorList, ANewFileRecordIsZeroFilledEvenWhereAnOldOneWasReleased) {
    FileList files;
    FileRecord* old = files.insertAfterCurrent();
    old->size = 42;
    old->folder = "/data";
    old->name = "a.txt";
    old->grouped = 1;
    old->inode = 7;
    files.deleteCurrent();
    const FileRecord* fresh = files.insertAfterCurrent();
    EXPECT_EQ(fresh->size, 0);
    EXPECT_EQ(fresh->folder, "");
    EXPECT_EQ(fresh->name, "");
    EXPECT_EQ(fresh->grouped, 0);
    EXPECT_EQ(fresh->inode, 0U);
    EXPECT_EQ(fresh->device, 0U);
}

// ---- Member chains: one chain per group inside one list ----

// Two groups made the way the duplicate search makes them: members appended at the end, and
// the first member of every group after the first cut off from the record before it.
class MemberChains : public ::testing::Test {
  protected:
    void SetUp() override {
        aliveBefore_ = Item::alive;
        list_ = std::make_unique<ItemList>();
        first_ = AppendGroup({11, 12, 13});
        second_ = AppendGroup({21, 22, 23});
    }
    void TearDown() override {
        list_.reset();
        EXPECT_EQ(Item::alive, aliveBefore_) << "records left over after the list went";
    }

    Item* AppendGroup(const std::vector<int>& values) {
        Item* firstMember = nullptr;
        for (const int value : values) {
            const bool chainBefore = list_->current() != nullptr;
            Item* member = list_->insertAfterCurrent();
            member->value = value;
            member->text = "member " + std::to_string(value);
            if (firstMember == nullptr) {
                if (chainBefore) {
                    list_->cutBeforeCurrent();
                }
                firstMember = member;
            }
        }
        return firstMember;
    }

    // The values reached from a group's first member with advance, as a walk of a group does.
    std::vector<int> Walk(Item* firstMember) {
        std::vector<int> values;
        list_->makeCurrent(firstMember);
        values.push_back(list_->current()->value);
        while (list_->advance()) {
            values.push_back(list_->current()->value);
        }
        return values;
    }

    ItemList& list() { return *list_; }

    std::unique_ptr<ItemList> list_;
    Item* first_ = nullptr;
    Item* second_ = nullptr;
    int aliveBefore_ = 0;
};

TEST_F(MemberChains, WalkingFromEachFirstMemberVisitsOnlyThatGroup) {
    EXPECT_EQ(Walk(first_), (std::vector<int>{11, 12, 13}));
    EXPECT_EQ(Walk(second_), (std::vector<int>{21, 22, 23}));
    EXPECT_EQ(ItemList::previousOf(second_), nullptr) << "a first member has no previous record";
    EXPECT_EQ(ItemList::previousOf(first_), nullptr);
    EXPECT_EQ(list().current()->value, 23) << "the walk stops on the group's last member";
}

TEST_F(MemberChains, AThirdGroupIsCutOffFromTheSecond) {
    Item* third = AppendGroup({31, 32});
    EXPECT_EQ(Walk(first_), (std::vector<int>{11, 12, 13}));
    EXPECT_EQ(Walk(second_), (std::vector<int>{21, 22, 23}));
    EXPECT_EQ(Walk(third), (std::vector<int>{31, 32}));
    EXPECT_EQ(list().last()->value, 32);
}

TEST_F(MemberChains, DeletingAGroupsFirstMemberMakesItsSecondMemberCurrent) {
    list().makeCurrent(second_);
    list().deleteCurrent();
    ASSERT_NE(list().current(), nullptr);
    EXPECT_EQ(list().current()->value, 22);
    EXPECT_EQ(Walk(list().current()), (std::vector<int>{22, 23}));
    EXPECT_EQ(Walk(first_), (std::vector<int>{11, 12, 13})) << "the other group is untouched";

    list().makeCurrent(first_);
    list().deleteCurrent();
    ASSERT_NE(list().current(), nullptr);
    EXPECT_EQ(list().current()->value, 12);
    EXPECT_EQ(list().first()->value, 12);
    EXPECT_EQ(Walk(list().first()), (std::vector<int>{12, 13}));
}

TEST_F(MemberChains, DeletingALaterMemberMakesTheOneBeforeItCurrent) {
    list().makeCurrent(ItemList::nextOf(second_));
    list().deleteCurrent();
    EXPECT_EQ(list().current(), second_);
    EXPECT_EQ(Walk(second_), (std::vector<int>{21, 23}));

    // The last member of the first group: its next link was cut, the group before stays whole.
    list().makeCurrent(ItemList::nextOf(ItemList::nextOf(first_)));
    ASSERT_EQ(list().current()->value, 13);
    list().deleteCurrent();
    ASSERT_NE(list().current(), nullptr);
    EXPECT_EQ(list().current()->value, 12);
    EXPECT_EQ(Walk(first_), (std::vector<int>{11, 12}));
    EXPECT_EQ(Walk(second_), (std::vector<int>{21, 23}));
}

TEST_F(MemberChains, DeletingTheLastRecordOfTheListMakesTheOneBeforeCurrentAndLast) {
    list().makeCurrent(list().last());
    ASSERT_EQ(list().current()->value, 23);
    list().deleteCurrent();
    ASSERT_NE(list().current(), nullptr);
    EXPECT_EQ(list().current()->value, 22);
    EXPECT_EQ(list().last()->value, 22);
    EXPECT_EQ(Walk(second_), (std::vector<int>{21, 22}));

    // A member appended now joins the second group's chain at the end of the list.
    list().makeCurrent(list().last());
    list().insertAfterCurrent()->value = 24;
    EXPECT_EQ(Walk(second_), (std::vector<int>{21, 22, 24}));
    EXPECT_EQ(list().last()->value, 24);
}

TEST_F(MemberChains, DeletingEveryMemberOfTheSecondGroupLeavesTheFirstAlone) {
    list().makeCurrent(second_);
    list().deleteCurrent();
    list().deleteCurrent();
    ASSERT_NE(list().current(), nullptr);
    EXPECT_EQ(list().current()->value, 23);
    list().deleteCurrent();
    EXPECT_EQ(list().current(), nullptr) << "the record had neither neighbour";
    EXPECT_EQ(Walk(first_), (std::vector<int>{11, 12, 13}));
    EXPECT_EQ(Item::alive - aliveBefore_, 3);
}

TEST_F(MemberChains, ClearReleasesTheRecordsOfEveryChain) {
    AppendGroup({31, 32, 33, 34});
    EXPECT_EQ(Item::alive - aliveBefore_, 10);
    list().clear();
    EXPECT_EQ(Item::alive, aliveBefore_) << "members of groups after the first were kept";
    EXPECT_EQ(list().current(), nullptr);
    EXPECT_EQ(list().first(), nullptr);
    EXPECT_EQ(list().last(), nullptr);
    EXPECT_EQ(list().count(), 0);

    // Filled again after a clear, the list counts and chains as a new one.
    first_ = AppendGroup({1, 2});
    EXPECT_EQ(list().count(), 2);
    second_ = AppendGroup({3, 4});
    EXPECT_EQ(Walk(first_), (std::vector<int>{1, 2}));
    EXPECT_EQ(Walk(second_), (std::vector<int>{3, 4}));
}

TEST_F(MemberChains, ClearAfterDeletionsReleasesWhatIsLeftOfEveryChain) {
    list().makeCurrent(second_);
    list().deleteCurrent();
    list().makeCurrent(first_);
    list().deleteCurrent();
    EXPECT_EQ(Item::alive - aliveBefore_, 4);
    list().clear();
    EXPECT_EQ(Item::alive, aliveBefore_);
}

// ---- count() counts along the next links from the first record ----

TEST(CursorListCount, CountsEveryRecordBeforeAnyChainIsCutAlsoAfterDeletions) {
    ItemList list;
    for (int value = 1; value <= 6; ++value) {
        list.insertAfterCurrent()->value = value;
    }
    EXPECT_EQ(list.count(), 6);
    list.selectAt(0);
    list.deleteCurrent(); // the first
    EXPECT_EQ(list.count(), 5);
    list.selectAt(2);
    list.deleteCurrent(); // a middle one
    EXPECT_EQ(list.count(), 4);
    list.selectAt(100);
    list.deleteCurrent(); // the last
    EXPECT_EQ(list.count(), 3);
    list.rewind();
    list.deleteCurrent(); // none current: nothing
    EXPECT_EQ(list.count(), 3);
    list.insertAfterCurrent();
    EXPECT_EQ(list.count(), 4);
    EXPECT_EQ(Forwards(list), (std::vector<int>{0, 2, 3, 5}));
}

TEST_F(MemberChains, CountReachesOnlyTheFirstChainOnceChainsAreCut) {
    // Counting along the next links from the first record stops where the first chain ends.
    EXPECT_EQ(list().count(), 3);
    AppendGroup({31});
    EXPECT_EQ(list().count(), 3);

    // Deleting in a later chain does not change what the first record reaches.
    list().makeCurrent(ItemList::nextOf(second_));
    list().deleteCurrent();
    EXPECT_EQ(list().count(), 3);

    // Deleting in the first chain does.
    list().makeCurrent(ItemList::nextOf(first_));
    list().deleteCurrent();
    EXPECT_EQ(list().count(), 2);
    list().makeCurrent(first_);
    list().deleteCurrent();
    EXPECT_EQ(list().count(), 1);

    // A member appended to the first chain is reached again.
    list().makeCurrent(list().first());
    list().insertAfterCurrent()->value = 14;
    EXPECT_EQ(list().count(), 2);
    EXPECT_EQ(Walk(list().first()), (std::vector<int>{13, 14}));
}

TEST(CursorListCount, CutBeforeTheFirstRecordOrWithNoCurrentRecordCutsNothing) {
    ItemList list;
    list.cutBeforeCurrent();
    list.insertAfterCurrent()->value = 1;
    list.cutBeforeCurrent(); // the first record has nothing before it
    list.insertAfterCurrent()->value = 2;
    list.rewind();
    list.cutBeforeCurrent(); // no current record
    EXPECT_EQ(list.count(), 2);
    EXPECT_EQ(Forwards(list), (std::vector<int>{1, 2}));
}

} // namespace
} // namespace bk::test
