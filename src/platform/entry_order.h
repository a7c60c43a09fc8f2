#pragma once

#include <string>
#include <string_view>

namespace bk {

// The order in which folder scans deliver the entries of a folder, whatever order the system
// lists them in: the order of the file system the program was made for, which compared names
// by their capital forms. Names compare by this key, in which a-z and the Latin-1 small letters
// (U+00E0 to U+00FE but for the division sign, written C3 A0 to C3 BE) become capitals; raw
// bytes break ties. So "ALPHA" comes before "_x", as "_" sorts after the capitals.
std::string EntryOrderKey(std::string_view name);

} // namespace bk
