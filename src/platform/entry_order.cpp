#include "platform/entry_order.h"

namespace bk {

namespace {

// Small and capital letters of ASCII and of the Latin-1 block lie 0x20 apart.
constexpr unsigned char SmallToCapital = 0x20;
// Every character of U+00C0-U+00FF is written as this byte and one of 0x80-0xBF.
constexpr unsigned char Latin1SupplementLead = 0xC3;
constexpr unsigned char DivisionSignTrail = 0xB7;

bool IsLatin1SmallLetterTrail(unsigned char trail) {
    return trail >= 0xA0 && trail <= 0xBE && trail != DivisionSignTrail;
}

} // namespace

std::string EntryOrderKey(std::string_view name) {
    std::string key(name);
    for (std::size_t pos = 0; pos < key.size(); ++pos) {
        const auto byte = static_cast<unsigned char>(key[pos]);
        if (byte >= 'a' && byte <= 'z') {
            key[pos] = static_cast<char>(byte - SmallToCapital);
        } else if (byte == Latin1SupplementLead && pos + 1 < key.size()) {
            // 0xC3 always starts a two-byte character; its second byte says which letter.
            const auto trail = static_cast<unsigned char>(key[++pos]);
            if (IsLatin1SmallLetterTrail(trail)) {
                key[pos] = static_cast<char>(trail - SmallToCapital);
            }
        }
    }
    return key;
}

} // namespace bk
