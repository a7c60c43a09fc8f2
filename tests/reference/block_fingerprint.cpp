#include "reference/block_fingerprint.h"

#include "reference/md5.h"

namespace bk {

std::string BlockFingerprint(const unsigned char* buffer, std::size_t length) {
    Md5 md5;
    md5.update(buffer, length);
    const Md5::Digest digest = md5.finish();

    // Two lower-case digits per byte with the leading zero kept, so the text is always 32
    // characters and two fingerprints compare equal exactly when their digests do.
    static constexpr char kHexDigits[] = "0123456789abcdef";
    std::string text;
    text.reserve(2 * digest.size());
    for (const unsigned char byte : digest) {
        text += kHexDigits[byte >> 4];
        text += kHexDigits[byte & 0x0f];
    }
    return text;
}

} // namespace bk
