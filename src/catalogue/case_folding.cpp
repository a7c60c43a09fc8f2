#include "catalogue/case_folding.h"

namespace bk {

namespace {

// Small and capital letters of ASCII and of the Latin-1 block lie 0x20 apart.
constexpr unsigned char CapitalToSmall = 0x20;

// Every character of U+00C0-U+00DF is written as this byte and one of 0x80-0x9F.
constexpr unsigned char Latin1SupplementLead = 0xC3;

bool IsAsciiCapital(unsigned char byte) {
    return byte >= 'A' && byte <= 'Z';
}

bool IsLatin1CapitalTrail(unsigned char byte) {
    return byte >= 0x80 && byte <= 0x9F;
}

char Lowered(unsigned char byte) {
    return static_cast<char>(byte + CapitalToSmall);
}

} // namespace

// The byte 0xC3 never continues a UTF-8 sequence, so wherever it stands it starts a character;
// followed by a continuation byte it is a whole, valid two-byte character. That lets the fold
// look at byte pairs without decoding the text, and leaves stray bytes as they are.
std::string FoldCase(std::string_view text) {
    std::string folded(text);
    const std::size_t length = folded.size();
    for (std::size_t pos = 0; pos < length; ++pos) {
        const auto byte = static_cast<unsigned char>(folded[pos]);
        if (IsAsciiCapital(byte)) {
            folded[pos] = Lowered(byte);
        } else if (byte == Latin1SupplementLead && pos + 1 < length) {
            const auto trail = static_cast<unsigned char>(folded[pos + 1]);
            if (IsLatin1CapitalTrail(trail)) {
                folded[pos + 1] = Lowered(trail);
                ++pos;
            }
        }
    }
    return folded;
}

} // namespace bk
