#include "catalogue/name_patterns.h"

#include <cstddef>
#include <cstdint>
#include <gtest/gtest.h>
#include <ostream>
#include <string>
#include <string_view>
#include <vector>

namespace bk {
namespace {

constexpr std::size_t HundredKilobytes = 100 * 1024;

std::vector<std::string> PatternsOf(const PatternList& patterns) {
    std::vector<std::string> texts;
    for (PatternRecord* record = patterns.first(); record != nullptr;
         record = PatternList::nextOf(record)) {
        texts.push_back(record->pattern);
    }
    return texts;
}

std::string Repeated(std::string_view piece, std::size_t times) {
    std::string text;
    text.reserve(piece.size() * times);
    for (std::size_t i = 0; i < times; ++i) {
        text.append(piece);
    }
    return text;
}

// ---- Splitting the pattern text ----

struct SplitCase {
    std::string text;
    std::vector<std::string> patterns;
};

void PrintTo(const SplitCase& split, std::ostream* out) {
    *out << testing::PrintToString(split.text) << " -> " << testing::PrintToString(split.patterns);
}

class SplittingThePatternText : public testing::TestWithParam<SplitCase> {};

TEST_P(SplittingThePatternText, GivesThePatternsInTheOrderTyped) {
    PatternList patterns;
    SplitPatterns(patterns, GetParam().text);
    EXPECT_EQ(PatternsOf(patterns), GetParam().patterns);
}

// Tables below keep one case per line, aligned, so that they read as tables.
// clang-format off

INSTANTIATE_TEST_SUITE_P(EverySeparator, SplittingThePatternText, testing::Values(
    SplitCase{"*.mp3; *.WAV,,x?", {"*.mp3", "*.WAV", "x?"}},
    SplitCase{"*.mp3, *.wav",     {"*.mp3", "*.wav"}},  // no leading space on the second
    SplitCase{";;*.txt;",         {"*.txt"}},
    SplitCase{"*.*",              {"*.*"}},
    SplitCase{"  a  b  ",         {"a", "b"}}));

// Patterns are stored as typed: case is folded only while matching, and doubles stay.
INSTANTIATE_TEST_SUITE_P(KeepsPatternsAsTyped, SplittingThePatternText, testing::Values(
    SplitCase{"*.txt *.TXT", {"*.txt", "*.TXT"}},
    SplitCase{"*.txt;*.txt", {"*.txt", "*.txt"}},
    SplitCase{"Ä*;ß?",       {"Ä*", "ß?"}},
    SplitCase{"\xFF*,\xC3",  {"\xFF*", "\xC3"}}));

INSTANTIATE_TEST_SUITE_P(NothingButSeparators, SplittingThePatternText, testing::Values(
    SplitCase{"",          {}},
    SplitCase{" , ;",      {}},
    SplitCase{";",         {}},
    SplitCase{",,,   ;;;", {}}));

// clang-format on

TEST(SplitPatterns, ReplacesThePatternsOfTheLastSplit) {
    PatternList patterns;
    SplitPatterns(patterns, "*.mp3 *.wav");
    SplitPatterns(patterns, "*.txt");
    EXPECT_EQ(PatternsOf(patterns), std::vector<std::string>{"*.txt"});
    SplitPatterns(patterns, " , ;");
    EXPECT_TRUE(patterns.empty());
}

TEST(SplitPatterns, CutsAHundredKilobyteTextIntoAllItsPatterns) {
    const std::string text = Repeated("*.a; ", HundredKilobytes / 5) + "*.last";
    PatternList patterns;
    SplitPatterns(patterns, text);
    ASSERT_EQ(patterns.count(), static_cast<std::int64_t>(HundredKilobytes / 5 + 1));
    EXPECT_EQ(patterns.first()->pattern, "*.a");
    EXPECT_EQ(patterns.last()->pattern, "*.last");
}

TEST(SplitPatterns, TakesAHundredKilobytePatternWhole) {
    const std::string pattern(HundredKilobytes, 'p');
    PatternList patterns;
    SplitPatterns(patterns, ";" + pattern + ";");
    EXPECT_EQ(PatternsOf(patterns), std::vector<std::string>{pattern});
}

TEST(SplitPatterns, FindsNoPatternInAHundredKilobytesOfSeparators) {
    PatternList patterns;
    SplitPatterns(patterns, Repeated(";, ", HundredKilobytes / 3));
    EXPECT_TRUE(patterns.empty());
}

// ---- Matching one name against one pattern ----

struct MatchCase {
    std::string name;
    std::string pattern;
    bool matches;
};

void PrintTo(const MatchCase& match, std::ostream* out) {
    *out << "name " << testing::PrintToString(match.name) << ", pattern "
         << testing::PrintToString(match.pattern) << " -> "
         << (match.matches ? "matches" : "does not match");
}

class MatchingANameAgainstAPattern : public testing::TestWithParam<MatchCase> {};

TEST_P(MatchingANameAgainstAPattern, GivesTheExpectedVerdict) {
    EXPECT_EQ(MatchWildcard(GetParam().name, GetParam().pattern), GetParam().matches);
}

// The scan folds the name once for all patterns, which is a path of its own.
TEST_P(MatchingANameAgainstAPattern, GivesTheSameVerdictThroughAListOfThatPatternAlone) {
    PatternList patterns;
    patterns.insertAfterCurrent()->pattern = GetParam().pattern;
    EXPECT_EQ(MatchesAnyPattern(patterns, GetParam().name), GetParam().matches);
}

// clang-format off

// The "*" reaches only as far as the first name character equal to the next pattern character,
// and the name is accepted as soon as the pattern is used up.
INSTANTIATE_TEST_SUITE_P(OnePassNoBacktracking, MatchingANameAgainstAPattern, testing::Values(
    MatchCase{"song.mp3",     "*.mp3",   true},
    MatchCase{"SONG.MP3",     "*.mp3",   true},   // case folded
    MatchCase{"song.mp3",     "*.MP3",   true},   // on both sides
    MatchCase{"song.mp3.bak", "*.mp3",   true},   // the rest of the name is not examined
    MatchCase{"x.txtx",       "*.txt",   true},
    MatchCase{"abcdef",       "abc",     true},   // without "*" a prefix is enough
    MatchCase{"abd",          "abc",     false},
    MatchCase{"my.file.txt",  "*.txt",   false},  // the "*" stops at the first "."
    MatchCase{"aab",          "*ab",     false},  // the "*" stops at the first "a"
    MatchCase{"abab",         "*ab",     true},
    MatchCase{"readme",       "*.*",     false},  // a name without "." never matches "*.*"
    MatchCase{"a.b",          "*.*",     true},
    MatchCase{"a",            "a*",      true},   // a final "*" may take nothing
    MatchCase{"a",            "a?",      false},  // "?" needs a character
    MatchCase{"ab",           "a?",      true},
    MatchCase{"abc",          "*?c",     false},  // after "*", "?" is a plain character
    MatchCase{"a?c",          "*?c",     true},
    MatchCase{"abc",          "a**c",    true},   // "**" counts as "*"
    MatchCase{"abc",          "a*****c", true},   // so does any run
    MatchCase{"aab",          "**ab",    false},  // with the reach of a single "*"
    MatchCase{"readme",       "*",       true},
    MatchCase{"readme",       "**",      true},
    MatchCase{"ab",           "a*b*",    true},
    MatchCase{"a",            "a*b",     false})); // a "*" before more pattern needs a character

// One UTF-8 character is one character, for "?" and for where a "*" ends.
INSTANTIATE_TEST_SUITE_P(Utf8Characters, MatchingANameAgainstAPattern, testing::Values(
    MatchCase{"ä.txt",       "?.txt", true},   // two bytes, one "?"
    MatchCase{"ä",           "??",    false},
    MatchCase{"€x",          "?x",    true},   // three bytes
    MatchCase{"\U0001F600x", "?x",    true},   // four bytes
    MatchCase{"Ärger.txt",   "ä*",    true},   // Latin-1 capitals folded
    MatchCase{"ärger.txt",   "Ä*",    true},   // in the pattern as well
    MatchCase{"ß",           "ÿ",     true},   // ß folds to ÿ
    MatchCase{"ÿ",           "ß",     true},
    MatchCase{"ß",           "ss",    false},  // no expansion
    MatchCase{"×",           "÷",     true},
    MatchCase{"Я",           "я",     false},  // no folding outside Latin-1
    MatchCase{"naïve.txt",   "*.txt", true},
    MatchCase{"xä",          "*ä",    true},
    MatchCase{"ãä",          "*ä",    true},   // ã and ä share their first byte
    MatchCase{"ä",           "ã",     false},
    MatchCase{"aäb",         "a?b",   true}));

// A byte outside any valid sequence is a character of its own and equals only itself.
INSTANTIATE_TEST_SUITE_P(InvalidBytes, MatchingANameAgainstAPattern, testing::Values(
    MatchCase{"\xFF.txt",          "?.txt",  true},
    MatchCase{"\xFF",              "\xFF",   true},
    MatchCase{"\xFF",              "\xFE",   false},
    MatchCase{"a\xFF" "b",         "*\xFF?", true},
    MatchCase{"\xC3",              "?",      true},   // lead byte at the end
    MatchCase{"\xC3",              "??",     false},
    MatchCase{"\xC3(",             "??",     true},   // lead byte without its trail
    MatchCase{"\xC3x",             "ä",      false},  // not the start of an ä
    MatchCase{"\xE2\x82x",         "??x",    true},   // truncated €
    MatchCase{"\xE2\x82x",         "?x",     false},
    MatchCase{"\xC0\x80x",         "??x",    true},   // overlong form
    MatchCase{"\xED\xA0\x80x",     "???x",   true},   // surrogate
    MatchCase{"\xF4\x90\x80\x80x", "????x",  true},   // beyond U+10FFFF
    MatchCase{"\x80\x80\x80",      "*\x80",  true},   // stray continuation bytes
    MatchCase{"ab\xF0\x9F\x98",    "ab???",  true},   // cut off at the end
    MatchCase{"ab\xF0\x9F\x98",    "ab????", false}));

// Neither comes from a scan; these verdicts are the matcher's own choice.
INSTANTIATE_TEST_SUITE_P(EmptyTexts, MatchingANameAgainstAPattern, testing::Values(
    MatchCase{"",     "*",  true},    // a final "*" may take nothing
    MatchCase{"",     "**", true},
    MatchCase{"",     "?",  false},
    MatchCase{"",     "a",  false},
    MatchCase{"",     "*a", false},
    MatchCase{"name", "",   true},    // an empty pattern is used up at once
    MatchCase{"",     "",   true}));

// clang-format on

TEST(MatchWildcard, AcceptsAHundredKilobyteNameWhoseOnlyDotEndsIt) {
    const std::string name = std::string(HundredKilobytes, 'a') + ".TXT";
    EXPECT_TRUE(MatchWildcard(name, "*.txt"));
    EXPECT_FALSE(MatchWildcard(name, "*.doc"));
}

TEST(MatchWildcard, CountsAHundredKilobytesOfTwoByteCharactersOneByOne) {
    const std::size_t characters = HundredKilobytes / 2;
    const std::string name = Repeated("Ä", characters);
    EXPECT_TRUE(MatchWildcard(name, std::string(characters, '?')));
    EXPECT_FALSE(MatchWildcard(name, std::string(characters + 1, '?')));
}

// A long run of "*" must count as one "*" without being walked again for every name character,
// or this pair would take billions of steps.
TEST(MatchWildcard, TakesAHundredKilobyteRunOfStarsAsOne) {
    const std::string name(HundredKilobytes, 'a');
    EXPECT_TRUE(MatchWildcard(name, std::string(HundredKilobytes, '*')));
    EXPECT_FALSE(MatchWildcard(name, std::string(HundredKilobytes / 2, '*') + "x"));
    EXPECT_TRUE(MatchWildcard(name + "x", std::string(HundredKilobytes / 2, '*') + "x"));
}

TEST(MatchWildcard, WalksAHundredKilobytesOfInvalidBytes) {
    const std::string name(HundredKilobytes, '\xFF');
    EXPECT_TRUE(MatchWildcard(name, "*\xFF"));
    EXPECT_FALSE(MatchWildcard(name, "*x"));
    EXPECT_FALSE(MatchWildcard("x", name));
}

// ---- Matching a name against the pattern list ----

bool Accepts(std::string_view patternText, std::string_view name) {
    PatternList patterns;
    SplitPatterns(patterns, patternText);
    return MatchesAnyPattern(patterns, name);
}

TEST(MatchesAnyPattern, AcceptsEveryNameWhenNoPatternWasTyped) {
    EXPECT_TRUE(Accepts("", "README"));
    EXPECT_TRUE(Accepts(" , ;", "README"));
    EXPECT_TRUE(Accepts("", "\xFF"));
}

TEST(MatchesAnyPattern, RejectsANameWithoutDotUnderTheInitialPattern) {
    EXPECT_FALSE(Accepts("*.*", "README"));
    EXPECT_TRUE(Accepts("*.*", "README.md"));
    EXPECT_TRUE(Accepts("*", "README"));
}

TEST(MatchesAnyPattern, AcceptsANameThatOnlyALaterPatternMatches) {
    EXPECT_TRUE(Accepts("*.mp3; *.wav,,x?", "Intro.WAV"));
    EXPECT_TRUE(Accepts("*.mp3; *.wav,,x?", "xy"));
    EXPECT_FALSE(Accepts("*.mp3; *.wav,,x?", "intro.ogg"));
}

TEST(MatchesAnyPattern, FoldsThePatternsItKeepsAsTyped) {
    PatternList patterns;
    SplitPatterns(patterns, "*.TXT;ÄR*");
    EXPECT_TRUE(MatchesAnyPattern(patterns, "notes.txt"));
    EXPECT_TRUE(MatchesAnyPattern(patterns, "ärger"));
    EXPECT_EQ(PatternsOf(patterns), (std::vector<std::string>{"*.TXT", "ÄR*"}));
}

TEST(MatchesAnyPattern, FindsTheLastOfAHundredKilobytesOfPatterns) {
    const std::string text = Repeated("*.a; ", HundredKilobytes / 5) + "*.last";
    EXPECT_TRUE(Accepts(text, "file.LAST"));
    EXPECT_FALSE(Accepts(text, "file.b"));
}

} // namespace
} // namespace bk
