#include "catalogue/name_patterns.h"

#include "catalogue/case_folding.h"

#include <algorithm>
#include <cstddef>
#include <string>

namespace bk {

namespace {

constexpr std::string_view Separators = ";, ";
constexpr char AnyRun = '*';
constexpr char AnyOne = '?';

unsigned char ByteAt(std::string_view text, std::size_t pos) {
    return static_cast<unsigned char>(text[pos]);
}

// The well-formed UTF-8 sequences that start with a byte above 0x7F, by their lead byte. Only the
// second byte has a range of its own. A name holding anything else, such as a Latin-1 name
// copied from an old disk, is matched byte by byte rather than half-decoded.
struct SequenceShape {
    unsigned char firstLead;
    unsigned char lastLead;
    std::size_t length;
    unsigned char secondLow;
    unsigned char secondHigh;
};

// clang-format off
constexpr SequenceShape WellFormedSequences[] = {
    {0xC2, 0xDF, 2, 0x80, 0xBF},  // C0 and C1 could only start overlong forms
    {0xE0, 0xE0, 3, 0xA0, 0xBF},  // no overlong three-byte forms
    {0xE1, 0xEC, 3, 0x80, 0xBF},
    {0xED, 0xED, 3, 0x80, 0x9F},  // no surrogates
    {0xEE, 0xEF, 3, 0x80, 0xBF},
    {0xF0, 0xF0, 4, 0x90, 0xBF},  // no overlong four-byte forms
    {0xF1, 0xF3, 4, 0x80, 0xBF},
    {0xF4, 0xF4, 4, 0x80, 0x8F},  // nothing beyond U+10FFFF
};
// clang-format on

bool IsContinuation(unsigned char byte) {
    return byte >= 0x80 && byte <= 0xBF;
}

bool FitsShape(std::string_view rest, const SequenceShape& shape) {
    if (rest.size() < shape.length) {
        return false;
    }
    const unsigned char second = ByteAt(rest, 1);
    if (second < shape.secondLow || second > shape.secondHigh) {
        return false;
    }
    for (std::size_t pos = 2; pos < shape.length; ++pos) {
        if (!IsContinuation(ByteAt(rest, pos))) {
            return false;
        }
    }
    return true;
}

std::size_t MultiByteLength(std::string_view text, std::size_t pos) {
    const unsigned char lead = ByteAt(text, pos);
    for (const SequenceShape& shape : WellFormedSequences) {
        if (lead >= shape.firstLead && lead <= shape.lastLead) {
            return FitsShape(text.substr(pos), shape) ? shape.length : 1;
        }
    }
    return 1;
}

// Bytes of the character that starts at pos: the whole sequence when it is well-formed UTF-8,
// otherwise the single byte, so that every byte of any name belongs to exactly one character.
// File names are mostly ASCII, so that case is settled before anything else.
std::size_t CharacterLength(std::string_view text, std::size_t pos) {
    return ByteAt(text, pos) < 0x80 ? 1 : MultiByteLength(text, pos);
}

// Both characters must be non-empty. Comparing the first bytes settles nearly every comparison
// without a call to compare the whole sequences.
bool SameCharacter(std::string_view one, std::string_view other) {
    return one.size() == other.size() && one.front() == other.front() && one == other;
}

// A read position that moves through a text by whole characters. The length of the character
// under the cursor is measured once per step, as the matcher looks at it several times.
class CharacterCursor {
  public:
    explicit CharacterCursor(std::string_view text) : text_(text) { measure(); }

    bool atEnd() const { return pos_ == text_.size(); }
    char leadByte() const { return text_[pos_]; }
    std::string_view character() const { return text_.substr(pos_, length_); }
    void step() {
        pos_ += length_;
        measure();
    }

    // Only for a cursor on a one-byte character such as a wildcard.
    bool onLastCharacter() const { return pos_ + 1 == text_.size(); }
    std::string_view characterAfter() const {
        return text_.substr(pos_ + 1, CharacterLength(text_, pos_ + 1));
    }

    // Moves to the last of a run of equal one-byte characters. Doing that instead of collapsing
    // the run in a copy keeps the pattern unallocated, and later visits of the same run cost
    // nothing because the cursor already stands on its end.
    void skipToEndOfRun(char repeated) {
        while (pos_ + 1 < text_.size() && text_[pos_ + 1] == repeated) {
            ++pos_;
        }
    }

  private:
    void measure() { length_ = atEnd() ? 0 : CharacterLength(text_, pos_); }

    std::string_view text_;
    std::size_t pos_ = 0;
    std::size_t length_ = 0;
};

enum class Verdict { Undecided, Match, NoMatch };

// One left-to-right pass over a folded name and a folded pattern. A "*" never gives back what it
// took: it ends at the first name character equal to the pattern character after it, so
// "my.file.txt" fails "*.txt". Which files a scan catalogues depends on that narrow reach; a
// backtracking matcher would catalogue more.
class SinglePassMatch {
  public:
    SinglePassMatch(std::string_view name, std::string_view pattern)
        : name_(name), pattern_(pattern) {}

    // An exhausted pattern accepts whatever is left of the name; that is also why an empty
    // pattern accepts every name, the empty one included.
    bool run() {
        while (!pattern_.atEnd()) {
            const Verdict verdict = takeNextPatternCharacter();
            if (verdict != Verdict::Undecided) {
                return verdict == Verdict::Match;
            }
        }
        return true;
    }

  private:
    Verdict takeNextPatternCharacter() {
        switch (pattern_.leadByte()) {
        case AnyRun:
            return takeAnyRun();
        case AnyOne:
            return takeAnyOne();
        default:
            return takeLiteral();
        }
    }

    // The character after a "*" is compared as it stands, so a "?" there only equals a "?" in
    // the name.
    Verdict takeAnyRun() {
        pattern_.skipToEndOfRun(AnyRun);
        if (pattern_.onLastCharacter()) {
            return Verdict::Match;
        }
        if (name_.atEnd()) {
            return Verdict::NoMatch;
        }
        if (SameCharacter(pattern_.characterAfter(), name_.character())) {
            pattern_.step();
        } else {
            name_.step();
        }
        return Verdict::Undecided;
    }

    Verdict takeAnyOne() {
        if (name_.atEnd()) {
            return Verdict::NoMatch;
        }
        name_.step();
        pattern_.step();
        return Verdict::Undecided;
    }

    Verdict takeLiteral() {
        if (name_.atEnd() || !SameCharacter(name_.character(), pattern_.character())) {
            return Verdict::NoMatch;
        }
        name_.step();
        pattern_.step();
        return Verdict::Undecided;
    }

    CharacterCursor name_;
    CharacterCursor pattern_;
};

bool MatchFolded(std::string_view foldedName, std::string_view foldedPattern) {
    return SinglePassMatch(foldedName, foldedPattern).run();
}

void AppendPattern(PatternList& patterns, std::string_view pattern) {
    patterns.insertAfterCurrent()->pattern = std::string(pattern);
}

} // namespace

// Separators are ASCII, and ASCII bytes never occur inside a multi-byte UTF-8 character, so the
// text can be cut byte-wise.
void SplitPatterns(PatternList& patterns, std::string_view text) {
    patterns.clear();
    std::size_t pos = 0;
    while (pos < text.size()) {
        const std::size_t start = text.find_first_not_of(Separators, pos);
        if (start == std::string_view::npos) {
            break;
        }
        const std::size_t end = std::min(text.find_first_of(Separators, start), text.size());
        AppendPattern(patterns, text.substr(start, end - start));
        pos = end;
    }
}

// An empty name is matched like any other and therefore passes only a pattern of nothing but "*";
// an empty pattern accepts everything. Neither comes from a scan, which never sees an empty file
// name and never stores an empty pattern.
bool MatchWildcard(std::string_view name, std::string_view pattern) {
    return MatchFolded(FoldCase(name), FoldCase(pattern));
}

// Called for every file of a scan: the name is folded once for all patterns. The patterns are
// kept as typed, so each one is folded as it is tried.
bool MatchesAnyPattern(PatternList& patterns, std::string_view name) {
    if (patterns.empty()) {
        return true;
    }
    const std::string foldedName = FoldCase(name);
    patterns.rewind();
    while (patterns.advance()) {
        if (MatchFolded(foldedName, FoldCase(patterns.current()->pattern))) {
            return true;
        }
    }
    return false;
}

} // namespace bk
