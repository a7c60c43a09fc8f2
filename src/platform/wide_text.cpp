#include "platform/wide_text.h"

namespace bk {

namespace {

constexpr char32_t Replacement = 0xFFFD;

bool IsHighSurrogate(char32_t unit) {
    return unit >= 0xD800 && unit <= 0xDBFF;
}

bool IsLowSurrogate(char32_t unit) {
    return unit >= 0xDC00 && unit <= 0xDFFF;
}

void AppendBytesOf(std::string& bytes, char32_t point) {
    const auto byte = [&bytes](char32_t value) { bytes.push_back(static_cast<char>(value)); };
    if (point < 0x80) {
        byte(point);
    } else if (point < 0x800) {
        byte(0xC0 | (point >> 6));
        byte(0x80 | (point & 0x3F));
    } else if (point < 0x10000) {
        byte(0xE0 | (point >> 12));
        byte(0x80 | ((point >> 6) & 0x3F));
        byte(0x80 | (point & 0x3F));
    } else {
        byte(0xF0 | (point >> 18));
        byte(0x80 | ((point >> 12) & 0x3F));
        byte(0x80 | ((point >> 6) & 0x3F));
        byte(0x80 | (point & 0x3F));
    }
}

void AppendUnitsOf(std::u16string& units, char32_t point) {
    if (point < 0x10000) {
        units.push_back(static_cast<char16_t>(point));
        return;
    }
    point -= 0x10000;
    units.push_back(static_cast<char16_t>(0xD800 + (point >> 10)));
    units.push_back(static_cast<char16_t>(0xDC00 + (point & 0x3FF)));
}

// The code point whose bytes start at bytes[at], or Replacement for a byte that starts none;
// length tells how many bytes it took. Overlong forms and points beyond U+10FFFF start none.
char32_t DecodeAt(std::string_view bytes, std::size_t at, std::size_t& length) {
    const auto unit = [&bytes](std::size_t index) {
        return static_cast<char32_t>(static_cast<unsigned char>(bytes[index]));
    };
    const char32_t lead = unit(at);
    length = 1;
    std::size_t following = 0;
    char32_t point = 0;
    char32_t smallest = 0;
    if (lead < 0x80) {
        return lead;
    } else if (lead >= 0xC2 && lead <= 0xDF) {
        following = 1, point = lead & 0x1F, smallest = 0x80;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        following = 2, point = lead & 0x0F, smallest = 0x800;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        following = 3, point = lead & 0x07, smallest = 0x10000;
    } else {
        return Replacement;
    }
    if (bytes.size() - at <= following) {
        return Replacement;
    }
    for (std::size_t index = at + 1; index <= at + following; ++index) {
        if ((unit(index) & 0xC0) != 0x80) {
            return Replacement;
        }
        point = (point << 6) | (unit(index) & 0x3F);
    }
    if (point < smallest || point > 0x10FFFF) {
        return Replacement;
    }
    length = following + 1;
    return point;
}

} // namespace

std::string BytesFromWide(std::u16string_view units) {
    std::string bytes;
    bytes.reserve(units.size());
    for (std::size_t at = 0; at < units.size(); ++at) {
        char32_t point = units[at];
        if (IsHighSurrogate(point) && at + 1 < units.size() && IsLowSurrogate(units[at + 1])) {
            point = 0x10000 + ((point - 0xD800) << 10) + (units[at + 1] - 0xDC00);
            ++at;
        }
        AppendBytesOf(bytes, point);
    }
    return bytes;
}

std::u16string WideFromBytes(std::string_view bytes) {
    std::u16string units;
    units.reserve(bytes.size());
    std::size_t length = 0;
    for (std::size_t at = 0; at < bytes.size(); at += length) {
        AppendUnitsOf(units, DecodeAt(bytes, at, length));
    }
    return units;
}

} // namespace bk
