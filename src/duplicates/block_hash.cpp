#include "duplicates/block_hash.h"

#include <cstring>

namespace bk {

namespace {

constexpr std::uint64_t Multiplier = 0x9E3779B97F4A7C15ULL;

std::uint64_t Mix(std::uint64_t value) {
    value ^= value >> 31;
    value *= 0xBF58476D1CE4E5B9ULL;
    value ^= value >> 27;
    value *= 0x94D049BB133111EBULL;
    return value ^ (value >> 31);
}

std::uint64_t LoadWord(const unsigned char* bytes) {
    std::uint64_t word = 0;
    std::memcpy(&word, bytes, sizeof word);
    return word;
}

} // namespace

std::uint64_t QuickBlockHash(const unsigned char* bytes, std::size_t length) {
    // Four independent lanes keep the multiplier pipeline busy on long blocks.
    std::uint64_t lanes[4] = {length, Multiplier, ~Multiplier, length * Multiplier};
    std::size_t offset = 0;
    for (; offset + 32 <= length; offset += 32) {
        for (std::size_t lane = 0; lane < 4; ++lane) {
            lanes[lane] = (lanes[lane] ^ LoadWord(bytes + offset + 8 * lane)) * Multiplier;
            lanes[lane] ^= lanes[lane] >> 29;
        }
    }
    std::uint64_t hash = Mix(lanes[0]) ^ Mix(lanes[1] + 1) ^ Mix(lanes[2] + 2) ^ Mix(lanes[3] + 3);
    for (; offset + 8 <= length; offset += 8) {
        hash = Mix(hash ^ LoadWord(bytes + offset));
    }
    std::uint64_t tail = 0;
    if (offset < length) {
        std::memcpy(&tail, bytes + offset, length - offset);
    }
    return Mix(hash ^ tail ^ (static_cast<std::uint64_t>(length - offset) << 56));
}

} // namespace bk
