#pragma once

#include <cstddef>
#include <string>

namespace bk {

// The MD5 digest (RFC 1321) of a byte buffer as 32 lower-case hexadecimal digits. A length of 0
// never reads the buffer, so a null buffer is fine then.
std::string BlockFingerprint(const unsigned char* buffer, std::size_t length);

} // namespace bk
