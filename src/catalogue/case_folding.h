#pragma once

#include <string>
#include <string_view>

namespace bk {

// The one case-folding rule of the program, shared by the name patterns, the same-name search,
// the extension test and the already-added test. It works on UTF-8 characters: A-Z and the
// characters U+00C0-U+00DF (bytes C3 80-C3 9F) get 0x20 added, so Ä becomes ä, ß becomes ÿ and
// × becomes ÷. Every other byte, including bytes that are not valid UTF-8, stays as it is, so
// the folded text always has the length of the original.
std::string FoldCase(std::string_view text);

} // namespace bk
