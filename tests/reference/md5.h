#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

namespace bk {

// MD5 (RFC 1321) over a stream of bytes: call update() as often as the data arrives, then
// finish() once. The content comparison hashes whole files with it, so full 64-byte blocks are
// transformed straight from the caller's buffer and only a partial block is ever copied.
class Md5 {
  public:
    static constexpr std::size_t kDigestSize = 16;
    using Digest = std::array<unsigned char, kDigestSize>;

    Md5();

    // Appends length bytes. A length of 0 never reads bytes, so it may be null then.
    void update(const unsigned char* bytes, std::size_t length);

    // Pads the message, returns its digest and wipes what the context saw of the message. The
    // object then starts a new, empty message.
    Digest finish();

  private:
    static constexpr std::size_t kBlockSize = 64;

    void start();
    void wipe();
    void addToBitCount(std::size_t length);
    std::size_t bufferedLength() const;
    std::size_t completeBufferedBlock(const unsigned char* bytes, std::size_t length);
    void transform(const unsigned char* block);

    std::array<std::uint32_t, 4> state_{};
    // The message length in bits modulo 2^64, low half first, as the length field wants it.
    std::array<std::uint32_t, 2> bitCount_{};
    std::array<unsigned char, kBlockSize> buffer_{};
};

} // namespace bk
