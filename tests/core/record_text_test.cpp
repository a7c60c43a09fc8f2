#include "catalogue/record_text.h"

#include <gtest/gtest.h>
#include <string>
#include <utility>

namespace bk {
namespace {

// Texts at the edges of the 15 bytes kept inside, and names that only bytes tell apart.
class ARecordText : public testing::TestWithParam<std::string> {};

TEST_P(ARecordText, KeepsItsBytesThroughCopiesMovesAndReassignments) {
    const std::string& text = GetParam();
    RecordText kept = text;
    EXPECT_EQ(kept.view(), text);
    EXPECT_EQ(kept.c_str()[text.size()], '\0');

    RecordText copy = kept;
    RecordText moved = std::move(copy);
    EXPECT_EQ(moved.view(), text);
    EXPECT_TRUE(copy.empty()); // NOLINT(bugprone-use-after-move): a moved text is left empty

    // Assigned from its own bytes, and across the two ways of keeping them.
    moved = moved.view();
    EXPECT_EQ(moved.view(), text);
    moved = std::string(40, 'x');
    moved = kept;
    EXPECT_EQ(moved.view(), text);
    moved = "";
    EXPECT_TRUE(moved.empty());
}

INSTANTIATE_TEST_SUITE_P(InsideAndOnTheHeap, ARecordText,
                         testing::Values(std::string(), std::string("a"), std::string(15, 'n'),
                                         std::string(16, 'n'), std::string(255, 'l'),
                                         std::string("a\0b", 3), std::string("\xff\xfe.txt")));

} // namespace
} // namespace bk
