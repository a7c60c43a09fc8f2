#pragma once

#include <cstddef>
#include <cstdint>

namespace bk {

// A fast 64-bit hash of a byte block. It only sorts blocks into buckets worth comparing: equal
// blocks always get equal hashes, but equal hashes never prove equal blocks, so every decision
// that two files are equal is taken on their bytes.
std::uint64_t QuickBlockHash(const unsigned char* bytes, std::size_t length);

} // namespace bk
