#include "catalogue/case_folding.h"

#include <gtest/gtest.h>
#include <ostream>
#include <string>

namespace bk {
namespace {

struct FoldingCase {
    std::string text;
    std::string folded;
};

void PrintTo(const FoldingCase& fold, std::ostream* out) {
    *out << testing::PrintToString(fold.text) << " -> " << testing::PrintToString(fold.folded);
}

class FoldCaseTurns : public testing::TestWithParam<FoldingCase> {};

TEST_P(FoldCaseTurns, TheTextIntoItsFoldedForm) {
    EXPECT_EQ(FoldCase(GetParam().text), GetParam().folded);
}

// Tables below keep one case per line, aligned, so that they read as tables.
// clang-format off

INSTANTIATE_TEST_SUITE_P(AsciiCapitalsIntoSmallLetters, FoldCaseTurns, testing::Values(
    FoldingCase{"SONG.MP3", "song.mp3"},
    FoldingCase{"ReadMe",   "readme"},
    FoldingCase{"AZ",       "az"}));

// "@" and "[" sit right next to "A" and "Z"; "`" and "{" next to "a" and "z".
INSTANTIATE_TEST_SUITE_P(NothingElseOfAscii, FoldCaseTurns, testing::Values(
    FoldingCase{"@[`{",          "@[`{"},
    FoldingCase{"0129 ._-~",     "0129 ._-~"},
    FoldingCase{"already small", "already small"},
    FoldingCase{"",              ""}));

INSTANTIATE_TEST_SUITE_P(Latin1CapitalsIntoSmallLetters, FoldCaseTurns, testing::Values(
    FoldingCase{"Ärger", "ärger"},
    FoldingCase{"ÖLÜ",   "ölü"},
    FoldingCase{"À",     "à"},       // C3 80, the first of the range
    FoldingCase{"Þ",     "þ"},       // C3 9E
    FoldingCase{"ß",     "ÿ"},       // C3 9F, the last of the range: one rule, no exceptions
    FoldingCase{"×",     "÷"},       // not a letter, folded all the same
    FoldingCase{"äöüÿ",  "äöüÿ"}));  // small letters stay small

// Only U+00C0-U+00DF have a partner; capitals elsewhere in Unicode are left alone.
INSTANTIATE_TEST_SUITE_P(NoOtherCharacter, FoldCaseTurns, testing::Values(
    FoldingCase{"Ā",      "Ā"},       // C4 80
    FoldingCase{"ЯБ",     "ЯБ"},      // D0 AF D0 91
    FoldingCase{"\u00BF", "\u00BF"},  // C2 BF, just below the range
    FoldingCase{"€",      "€"}));     // E2 82 AC

// File names on Linux are arbitrary bytes; folding them must neither drop nor invent any.
INSTANTIATE_TEST_SUITE_P(InvalidBytesAsTheyAre, FoldCaseTurns, testing::Values(
    FoldingCase{"\xC3",         "\xC3"},          // lead byte at the end
    FoldingCase{"A\xC3",        "a\xC3"},
    FoldingCase{"\x80\x9F",     "\x80\x9F"},      // continuation bytes alone
    FoldingCase{"\xC3(",        "\xC3("},         // lead byte without its trail
    FoldingCase{"\xFF\xFE",     "\xFF\xFE"},      // never valid
    FoldingCase{"\xC0\x80",     "\xC0\x80"},      // overlong form
    FoldingCase{"\xE2\xC3\x84", "\xE2\xC3\xA4"},  // stray byte, then Ä
    FoldingCase{"\xC3\xC3\x84", "\xC3\xC3\xA4"}));  // lone C3, then Ä

// clang-format on

TEST(FoldCase, KeepsTheLengthOfEveryText) {
    const std::string mixed = "Ärger\xC3\xFF ÜBER ß\x80.TXT";
    EXPECT_EQ(FoldCase(mixed).size(), mixed.size());
}

TEST(FoldCase, LeavesAFoldedTextUnchanged) {
    const std::string folded = FoldCase("Ärger ÜBER ß.TXT");
    EXPECT_EQ(FoldCase(folded), folded);
}

TEST(FoldCase, FoldsEveryCapitalOfALongText) {
    const std::string capitals(100 * 1024, 'Q');
    EXPECT_EQ(FoldCase(capitals), std::string(100 * 1024, 'q'));
}

} // namespace
} // namespace bk
