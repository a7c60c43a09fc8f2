#pragma once

#include "catalogue/catalogue.h"

#include <string_view>

namespace bk {

// Rebuilds the pattern list from the text of the pattern field: ";", "," and " " separate
// patterns, runs of separators give nothing, a pattern is never empty.
void SplitPatterns(PatternList& patterns, std::string_view text);

// One left-to-right pass without backtracking: a "*" ends at the first name character that
// equals the pattern character after it, "?" takes exactly one character, and the name is
// accepted as soon as the pattern is used up. Letter case is folded on both sides. A UTF-8
// sequence counts as one character; a byte that is not part of a valid sequence is one, too.
// An empty pattern accepts every name; an empty name passes only a pattern of nothing but "*".
bool MatchWildcard(std::string_view name, std::string_view pattern);

// True when the list is empty or when any pattern matches the name.
bool MatchesAnyPattern(PatternList& patterns, std::string_view name);

} // namespace bk
