#include "platform/entry_order.h"

namespace bk {

std::string EntryOrderKey(std::string_view name) {
    std::string key(name);
    for (std::size_t pos = 0; pos < key.size(); ++pos) {
        const auto byte = static_cast<unsigned char>(key[pos]);
        if (byte >= 'A' && byte <= 'Z') {
            key[pos] = static_cast<char>(byte | 0x20);
        } else if (byte == 0xC3 && pos + 1 < key.size()) {
            // 0xC3 always starts a two-byte character; its second byte says which letter.
            const auto trail = static_cast<unsigned char>(key[++pos]);
            if (trail >= 0x80 && trail <= 0x9F) {
                key[pos] = static_cast<char>(trail | 0x20);
            }
        }
    }
    return key;
}

} // namespace bk
