// Splits a pattern text and matches a name against it, and compares every verdict with a
// reference matcher that follows the matching rule step by step: decode both texts into
// characters, fold, collapse "**", then one left-to-right pass. The reference is written for
// being obviously right, not fast.
//
// Input: the pattern text, one 0x00 byte, the name. Without a 0x00 byte the whole input is the
// pattern text and the name is empty.

#include "catalogue/case_folding.h"
#include "catalogue/catalogue.h"
#include "catalogue/name_patterns.h"

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

namespace {

[[noreturn]] void Fail(const char* what, std::string_view name, std::string_view pattern) {
    std::fprintf(stderr, "patterns_fuzzer: %s\n  name (%zu bytes), pattern (%zu bytes)\n", what,
                 name.size(), pattern.size());
    std::abort();
}

bool IsContinuation(unsigned char byte) {
    return (byte & 0xC0) == 0x80;
}

// The length of the well-formed UTF-8 sequence at the start of text, or 0 when there is none:
// no overlong forms, no surrogates, nothing above U+10FFFF.
std::size_t SequenceLength(std::string_view text) {
    const auto byte = [&](std::size_t i) { return static_cast<unsigned char>(text[i]); };
    const unsigned char lead = byte(0);
    std::size_t length = 0;
    std::uint32_t codePoint = 0;
    std::uint32_t smallest = 0;
    if (lead < 0x80) {
        return 1;
    } else if (lead >= 0xC0 && lead < 0xE0) {
        length = 2;
        codePoint = lead & 0x1Fu;
        smallest = 0x80;
    } else if (lead >= 0xE0 && lead < 0xF0) {
        length = 3;
        codePoint = lead & 0x0Fu;
        smallest = 0x800;
    } else if (lead >= 0xF0 && lead < 0xF8) {
        length = 4;
        codePoint = lead & 0x07u;
        smallest = 0x10000;
    } else {
        return 0;
    }
    if (text.size() < length) {
        return 0;
    }
    for (std::size_t i = 1; i < length; ++i) {
        if (!IsContinuation(byte(i))) {
            return 0;
        }
        codePoint = (codePoint << 6) | (byte(i) & 0x3Fu);
    }
    if (codePoint < smallest || codePoint > 0x10FFFF ||
        (codePoint >= 0xD800 && codePoint <= 0xDFFF)) {
        return 0;
    }
    return length;
}

// One folded character: A-Z and U+00C0-U+00DF move up by 0x20, everything else stays.
std::string Folded(std::string character) {
    if (character.size() == 1 && character[0] >= 'A' && character[0] <= 'Z') {
        character[0] = static_cast<char>(character[0] + 0x20);
    } else if (character.size() == 2 && static_cast<unsigned char>(character[0]) == 0xC3 &&
               static_cast<unsigned char>(character[1]) >= 0x80 &&
               static_cast<unsigned char>(character[1]) <= 0x9F) {
        character[1] = static_cast<char>(static_cast<unsigned char>(character[1]) + 0x20);
    }
    return character;
}

// The text as a list of characters: a well-formed sequence is one, any other byte is one.
std::vector<std::string> Characters(std::string_view text) {
    std::vector<std::string> characters;
    while (!text.empty()) {
        std::size_t length = SequenceLength(text);
        if (length == 0) {
            length = 1;
        }
        characters.emplace_back(text.substr(0, length));
        text.remove_prefix(length);
    }
    return characters;
}

std::vector<std::string> FoldedCharacters(std::string_view text) {
    std::vector<std::string> characters = Characters(text);
    for (std::string& character : characters) {
        character = Folded(character);
    }
    return characters;
}

std::string ReferenceFold(std::string_view text) {
    std::string folded;
    for (const std::string& character : FoldedCharacters(text)) {
        folded += character;
    }
    return folded;
}

bool ReferenceMatch(std::string_view nameText, std::string_view patternText) {
    const std::vector<std::string> name = FoldedCharacters(nameText);
    std::vector<std::string> pattern;
    for (const std::string& character : FoldedCharacters(patternText)) {
        if (character == "*" && !pattern.empty() && pattern.back() == "*") {
            continue;
        }
        pattern.push_back(character);
    }
    // Positions count from 1, as in the rule; the pattern is used up when k passes m.
    const std::size_t n = name.size();
    const std::size_t m = pattern.size();
    std::size_t i = 1;
    std::size_t k = 1;
    const auto nameCharacter = [&]() -> std::string { return i <= n ? name[i - 1] : ""; };
    while (k <= m) {
        const std::string& p = pattern[k - 1];
        if (p == "*") {
            if (k == m) {
                k = k + 1;
            } else if (i - 1 == n) {
                return false;
            } else if (pattern[k] == nameCharacter()) {
                k = k + 1;
            } else {
                i = i + 1;
            }
        } else if (p == "?") {
            if (i <= n) {
                i = i + 1;
                k = k + 1;
            } else {
                return false;
            }
        } else {
            if (i <= n && p == nameCharacter()) {
                i = i + 1;
                k = k + 1;
            } else {
                return false;
            }
        }
    }
    return true;
}

std::vector<std::string> ReferenceSplit(std::string_view text) {
    std::vector<std::string> patterns;
    std::string piece;
    for (const char c : std::string(text) + ";") {
        if (c == ';' || c == ',' || c == ' ') {
            if (!piece.empty()) {
                patterns.push_back(piece);
                piece.clear();
            }
        } else {
            piece += c;
        }
    }
    return patterns;
}

std::vector<std::string> PatternsOf(const bk::PatternList& patterns) {
    std::vector<std::string> texts;
    for (bk::PatternRecord* record = patterns.first(); record != nullptr;
         record = bk::PatternList::nextOf(record)) {
        texts.push_back(record->pattern);
    }
    return texts;
}

void CheckOne(std::string_view name, std::string_view pattern) {
    if (bk::MatchWildcard(name, pattern) != ReferenceMatch(name, pattern)) {
        Fail("MatchWildcard differs from the reference", name, pattern);
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view input(reinterpret_cast<const char*>(data), size);
    const std::size_t cut = input.find('\0');
    const std::string_view text = input.substr(0, cut);
    const std::string_view name = cut == std::string_view::npos ? "" : input.substr(cut + 1);

    if (bk::FoldCase(name) != ReferenceFold(name) || bk::FoldCase(text) != ReferenceFold(text)) {
        Fail("FoldCase differs from the reference", name, text);
    }

    // The raw text as one pattern reaches separators, "*" runs and every byte.
    CheckOne(name, text);
    CheckOne(text, name);

    // As many "?" as the text has characters, and one more: where the text is cut into
    // characters shows up for every input, not only where a verdict happens to depend on it.
    for (const std::string_view whole : {name, text}) {
        const std::size_t characters = Characters(whole).size();
        CheckOne(whole, std::string(characters, '?'));
        CheckOne(whole, std::string(characters + 1, '?'));
    }

    // A split into a list that held patterns before: the old ones must all be gone.
    bk::PatternList patterns;
    patterns.insertAfterCurrent()->pattern = "left over";
    bk::SplitPatterns(patterns, text);
    const std::vector<std::string> expected = ReferenceSplit(text);
    if (PatternsOf(patterns) != expected) {
        Fail("SplitPatterns differs from the reference", name, text);
    }
    if (patterns.count() != static_cast<std::int64_t>(expected.size())) {
        Fail("the pattern list counts a different number of patterns", name, text);
    }

    bool anyMatches = expected.empty();
    for (const std::string& pattern : expected) {
        CheckOne(name, pattern);
        anyMatches = anyMatches || ReferenceMatch(name, pattern);
    }
    // Twice, because matching walks the list with its cursor and must leave it usable.
    for (int round = 0; round < 2; ++round) {
        if (bk::MatchesAnyPattern(patterns, name) != anyMatches) {
            Fail("MatchesAnyPattern differs from the reference", name, text);
        }
    }
    if (PatternsOf(patterns) != expected) {
        Fail("MatchesAnyPattern changed the pattern list", name, text);
    }
    return 0;
}
