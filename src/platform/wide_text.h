#pragma once

#include <string>
#include <string_view>

namespace bk {

// Windows names files with 16-bit units that need not form valid UTF-16: a surrogate may stand
// alone. The program keeps such names as bytes all the same, in UTF-8 extended to lone
// surrogates (each written as the three bytes UTF-8 would give its code point), so that every
// name comes back to the system unit for unit and is opened and deleted by what it really is.
// Shown in a control, a lone surrogate is whatever the system draws for it.

// Exact: every sequence of units has its bytes, and WideFromBytes gives the units back.
std::string BytesFromWide(std::u16string_view units);

// Bytes that form no character (and so never came from BytesFromWide) become U+FFFD each, and a
// surrogate pair written as two three-byte halves joins up again.
std::u16string WideFromBytes(std::string_view bytes);

} // namespace bk
