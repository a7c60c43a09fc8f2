#include "reference/md5.h"

#include <algorithm>
#include <bit>
#include <cstring>

namespace bk {

namespace {

using Word = std::uint32_t;
using BlockWords = std::array<Word, 16>;

// The four auxiliary functions of RFC 1321, one per round, under the RFC's own names so that the
// step list below can be checked against the RFC line by line.
constexpr Word F(Word x, Word y, Word z) {
    return (x & y) | (~x & z);
}
constexpr Word G(Word x, Word y, Word z) {
    return (x & z) | (y & ~z);
}
constexpr Word H(Word x, Word y, Word z) {
    return x ^ y ^ z;
}
constexpr Word I(Word x, Word y, Word z) {
    return y ^ (x | ~z);
}

template <Word (*Mix)(Word, Word, Word)>
inline void Step(Word& a, Word b, Word c, Word d, Word messageWord, int shift, Word constant) {
    a = b + std::rotl(a + Mix(b, c, d) + messageWord + constant, shift);
}

// MD5 is little-endian by definition, whatever the host; compilers turn these byte loops into
// plain loads and stores on little-endian machines.
BlockWords DecodeBlock(const unsigned char* block) {
    BlockWords words;
    for (std::size_t i = 0; i < words.size(); ++i) {
        const unsigned char* bytes = block + 4 * i;
        words[i] =
            Word{bytes[0]} | Word{bytes[1]} << 8 | Word{bytes[2]} << 16 | Word{bytes[3]} << 24;
    }
    return words;
}

void EncodeWord(Word word, unsigned char* bytes) {
    for (std::size_t i = 0; i < 4; ++i) {
        bytes[i] = static_cast<unsigned char>(word >> (8 * i));
    }
}

// Plain stores into memory that is never read again may be dropped by the optimiser; going
// through a volatile pointer keeps the wipe.
template <typename T, std::size_t N> void Wipe(std::array<T, N>& values) {
    volatile T* target = values.data();
    for (std::size_t i = 0; i < N; ++i) {
        target[i] = T{};
    }
}

// 0x80 followed by zeros: enough padding for any position in the last block.
constexpr std::array<unsigned char, 64> kPadding{0x80};

// Where the length field begins inside the last block.
constexpr std::size_t kLengthFieldOffset = 56;

} // namespace

Md5::Md5() {
    start();
}

void Md5::start() {
    state_ = {0x67452301, 0xefcdab89, 0x98badcfe, 0x10325476};
    bitCount_ = {0, 0};
}

void Md5::wipe() {
    Wipe(state_);
    Wipe(bitCount_);
    Wipe(buffer_);
}

void Md5::addToBitCount(std::size_t length) {
    // Shifting out the top bits is the RFC's "length modulo 2^64" in bits.
    const auto bits = static_cast<std::uint64_t>(length) << 3;
    const auto low = static_cast<Word>(bits);
    bitCount_[0] += low;
    if (bitCount_[0] < low) {
        ++bitCount_[1];
    }
    bitCount_[1] += static_cast<Word>(bits >> 32);
}

std::size_t Md5::bufferedLength() const {
    return (bitCount_[0] >> 3) % kBlockSize;
}

// Tops up a partial block left by an earlier update and transforms it once it is full. Returns
// how many of the new bytes it took.
std::size_t Md5::completeBufferedBlock(const unsigned char* bytes, std::size_t length) {
    const std::size_t buffered = bufferedLength();
    if (buffered == 0) {
        return 0;
    }
    const std::size_t taken = std::min(length, kBlockSize - buffered);
    std::memcpy(buffer_.data() + buffered, bytes, taken);
    if (buffered + taken == kBlockSize) {
        transform(buffer_.data());
    }
    return taken;
}

void Md5::update(const unsigned char* bytes, std::size_t length) {
    if (length == 0) {
        return; // bytes may be null, and memcpy must not see a null pointer
    }
    // The bit count tells how much is buffered, so it may only grow after the top-up.
    std::size_t offset = completeBufferedBlock(bytes, length);
    addToBitCount(length);
    if (offset == length) {
        return;
    }
    for (; length - offset >= kBlockSize; offset += kBlockSize) {
        transform(bytes + offset);
    }
    std::memcpy(buffer_.data(), bytes + offset, length - offset);
}

Md5::Digest Md5::finish() {
    // The length field holds the message length before padding, so it is taken first.
    std::array<unsigned char, 8> lengthField;
    EncodeWord(bitCount_[0], lengthField.data());
    EncodeWord(bitCount_[1], lengthField.data() + 4);

    const std::size_t buffered = bufferedLength();
    const std::size_t paddingLength = buffered < kLengthFieldOffset
                                          ? kLengthFieldOffset - buffered
                                          : kBlockSize + kLengthFieldOffset - buffered;
    update(kPadding.data(), paddingLength);
    update(lengthField.data(), lengthField.size());

    Digest digest;
    for (std::size_t i = 0; i < state_.size(); ++i) {
        EncodeWord(state_[i], digest.data() + 4 * i);
    }
    wipe();
    Wipe(lengthField);
    start();
    return digest;
}

void Md5::transform(const unsigned char* block) {
    BlockWords x = DecodeBlock(block);
    Word a = state_[0];
    Word b = state_[1];
    Word c = state_[2];
    Word d = state_[3];

    Step<F>(a, b, c, d, x[0], 7, 0xd76aa478);
    Step<F>(d, a, b, c, x[1], 12, 0xe8c7b756);
    Step<F>(c, d, a, b, x[2], 17, 0x242070db);
    Step<F>(b, c, d, a, x[3], 22, 0xc1bdceee);
    Step<F>(a, b, c, d, x[4], 7, 0xf57c0faf);
    Step<F>(d, a, b, c, x[5], 12, 0x4787c62a);
    Step<F>(c, d, a, b, x[6], 17, 0xa8304613);
    Step<F>(b, c, d, a, x[7], 22, 0xfd469501);
    Step<F>(a, b, c, d, x[8], 7, 0x698098d8);
    Step<F>(d, a, b, c, x[9], 12, 0x8b44f7af);
    Step<F>(c, d, a, b, x[10], 17, 0xffff5bb1);
    Step<F>(b, c, d, a, x[11], 22, 0x895cd7be);
    Step<F>(a, b, c, d, x[12], 7, 0x6b901122);
    Step<F>(d, a, b, c, x[13], 12, 0xfd987193);
    Step<F>(c, d, a, b, x[14], 17, 0xa679438e);
    Step<F>(b, c, d, a, x[15], 22, 0x49b40821);

    Step<G>(a, b, c, d, x[1], 5, 0xf61e2562);
    Step<G>(d, a, b, c, x[6], 9, 0xc040b340);
    Step<G>(c, d, a, b, x[11], 14, 0x265e5a51);
    Step<G>(b, c, d, a, x[0], 20, 0xe9b6c7aa);
    Step<G>(a, b, c, d, x[5], 5, 0xd62f105d);
    Step<G>(d, a, b, c, x[10], 9, 0x02441453);
    Step<G>(c, d, a, b, x[15], 14, 0xd8a1e681);
    Step<G>(b, c, d, a, x[4], 20, 0xe7d3fbc8);
    Step<G>(a, b, c, d, x[9], 5, 0x21e1cde6);
    Step<G>(d, a, b, c, x[14], 9, 0xc33707d6);
    Step<G>(c, d, a, b, x[3], 14, 0xf4d50d87);
    Step<G>(b, c, d, a, x[8], 20, 0x455a14ed);
    Step<G>(a, b, c, d, x[13], 5, 0xa9e3e905);
    Step<G>(d, a, b, c, x[2], 9, 0xfcefa3f8);
    Step<G>(c, d, a, b, x[7], 14, 0x676f02d9);
    Step<G>(b, c, d, a, x[12], 20, 0x8d2a4c8a);

    Step<H>(a, b, c, d, x[5], 4, 0xfffa3942);
    Step<H>(d, a, b, c, x[8], 11, 0x8771f681);
    Step<H>(c, d, a, b, x[11], 16, 0x6d9d6122);
    Step<H>(b, c, d, a, x[14], 23, 0xfde5380c);
    Step<H>(a, b, c, d, x[1], 4, 0xa4beea44);
    Step<H>(d, a, b, c, x[4], 11, 0x4bdecfa9);
    Step<H>(c, d, a, b, x[7], 16, 0xf6bb4b60);
    Step<H>(b, c, d, a, x[10], 23, 0xbebfbc70);
    Step<H>(a, b, c, d, x[13], 4, 0x289b7ec6);
    Step<H>(d, a, b, c, x[0], 11, 0xeaa127fa);
    Step<H>(c, d, a, b, x[3], 16, 0xd4ef3085);
    Step<H>(b, c, d, a, x[6], 23, 0x04881d05);
    Step<H>(a, b, c, d, x[9], 4, 0xd9d4d039);
    Step<H>(d, a, b, c, x[12], 11, 0xe6db99e5);
    Step<H>(c, d, a, b, x[15], 16, 0x1fa27cf8);
    Step<H>(b, c, d, a, x[2], 23, 0xc4ac5665);

    Step<I>(a, b, c, d, x[0], 6, 0xf4292244);
    Step<I>(d, a, b, c, x[7], 10, 0x432aff97);
    Step<I>(c, d, a, b, x[14], 15, 0xab9423a7);
    Step<I>(b, c, d, a, x[5], 21, 0xfc93a039);
    Step<I>(a, b, c, d, x[12], 6, 0x655b59c3);
    Step<I>(d, a, b, c, x[3], 10, 0x8f0ccc92);
    Step<I>(c, d, a, b, x[10], 15, 0xffeff47d);
    Step<I>(b, c, d, a, x[1], 21, 0x85845dd1);
    Step<I>(a, b, c, d, x[8], 6, 0x6fa87e4f);
    Step<I>(d, a, b, c, x[15], 10, 0xfe2ce6e0);
    Step<I>(c, d, a, b, x[6], 15, 0xa3014314);
    Step<I>(b, c, d, a, x[13], 21, 0x4e0811a1);
    Step<I>(a, b, c, d, x[4], 6, 0xf7537e82);
    Step<I>(d, a, b, c, x[11], 10, 0xbd3af235);
    Step<I>(c, d, a, b, x[2], 15, 0x2ad7d2bb);
    Step<I>(b, c, d, a, x[9], 21, 0xeb86d391);

    state_[0] += a;
    state_[1] += b;
    state_[2] += c;
    state_[3] += d;
    Wipe(x);
}

} // namespace bk
