#pragma once

#include "platform/wide_text.h"

#include <string>
#include <string_view>

namespace bk {

// The program's byte texts as the wide strings the system's calls take, and back.
inline std::wstring WideText(std::string_view bytes) {
    const std::u16string units = WideFromBytes(bytes);
    return std::wstring(units.begin(), units.end());
}

inline std::string ByteText(std::wstring_view wide) {
    return BytesFromWide(std::u16string(wide.begin(), wide.end()));
}

} // namespace bk
