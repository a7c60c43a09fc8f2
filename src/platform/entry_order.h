#pragma once

#include <string>
#include <string_view>

namespace bk {

// The order in which folder scans deliver the entries of a folder, whatever order the system
// lists them in: names compare by this key, which ignores the letter case of A-Z and of the
// Latin-1 letters (U+00C0 to U+00DF, written C3 80 to C3 9F); raw bytes break ties.
std::string EntryOrderKey(std::string_view name);

} // namespace bk
