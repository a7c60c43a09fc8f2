#include "reference/block_fingerprint.h"
#include "reference/md5.h"

#include <algorithm>
#include <fstream>
#include <gtest/gtest.h>
#include <iterator>
#include <string>
#include <string_view>
#include <vector>

namespace bk {
namespace {

using Bytes = std::vector<unsigned char>;

Bytes BytesOf(std::string_view text) {
    return Bytes(text.begin(), text.end());
}

// Deterministic content with every byte value in it: byte i is (i * 7 + 3) mod 256.
Bytes PatternedBytes(std::size_t length) {
    Bytes bytes(length);
    for (std::size_t i = 0; i < length; ++i) {
        bytes[i] = static_cast<unsigned char>((i * 7 + 3) % 256);
    }
    return bytes;
}

Bytes ReadFixture(const std::string& relativePath) {
    std::ifstream file(std::string(BK_FIXTURES_DIR) + "/" + relativePath, std::ios::binary);
    EXPECT_TRUE(file.is_open()) << relativePath;
    return Bytes(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
}

std::string FingerprintOf(const Bytes& bytes) {
    return BlockFingerprint(bytes.data(), bytes.size());
}

// Feeds bytes in pieces of the given sizes, repeating the sizes until the data is used up. An
// empty piece is passed with a null pointer, as a caller at the end of a file might.
Md5::Digest DigestInPieces(const Bytes& bytes, const std::vector<std::size_t>& pieceSizes) {
    Md5 md5;
    std::size_t offset = 0;
    for (std::size_t piece = 0; offset < bytes.size(); ++piece) {
        const std::size_t size =
            std::min(pieceSizes[piece % pieceSizes.size()], bytes.size() - offset);
        md5.update(size == 0 ? nullptr : bytes.data() + offset, size);
        offset += size;
    }
    return md5.finish();
}

Md5::Digest DigestInOneGo(const Bytes& bytes) {
    Md5 md5;
    md5.update(bytes.data(), bytes.size());
    return md5.finish();
}

// The test suite of RFC 1321.

struct RfcCase {
    const char* name;
    std::string_view message;
    std::string_view expected;
};

class RfcSuiteMessage : public testing::TestWithParam<RfcCase> {};

TEST_P(RfcSuiteMessage, GivesTheDigestOfTheRfc) {
    EXPECT_EQ(FingerprintOf(BytesOf(GetParam().message)), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    BlockFingerprint, RfcSuiteMessage,
    testing::Values(
        RfcCase{"Empty", "", "d41d8cd98f00b204e9800998ecf8427e"},
        RfcCase{"A", "a", "0cc175b9c0f1b6a831c399e269772661"},
        RfcCase{"Abc", "abc", "900150983cd24fb0d6963f7d28e17f72"},
        RfcCase{"MessageDigest", "message digest", "f96b697d7cb7938d525a2f31aaf161d0"},
        RfcCase{"Alphabet", "abcdefghijklmnopqrstuvwxyz", "c3fcd3d76192e4007dfb496cca67e13b"},
        RfcCase{"Alphanumerics", "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789",
                "d174ab98d277d9f5a5611c2c9f419d9f"},
        RfcCase{"EightyDigits",
                "1234567890123456789012345678901234567890"
                "1234567890123456789012345678901234567890",
                "57edf4a22be3c955ac49da2e2107b67a"}),
    [](const testing::TestParamInfo<RfcCase>& row) { return row.param.name; });

// Lengths around the padding boundaries: up to 55 bytes the length field still fits into the
// last block, from 56 on the padding needs a block of its own. Expected values from md5sum.

struct LengthCase {
    std::size_t length;
    std::string_view expected;
};

class PatternedLength : public testing::TestWithParam<LengthCase> {};

TEST_P(PatternedLength, MatchesMd5sum) {
    const Bytes bytes = PatternedBytes(GetParam().length);
    // The empty case goes in with a null buffer, as the callers may pass it.
    const unsigned char* buffer = bytes.empty() ? nullptr : bytes.data();
    EXPECT_EQ(BlockFingerprint(buffer, bytes.size()), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(BlockFingerprint, PatternedLength,
                         testing::Values(LengthCase{0, "d41d8cd98f00b204e9800998ecf8427e"},
                                         LengthCase{55, "52c0e574e1198de5fe3f8f11440dcb1b"},
                                         LengthCase{56, "46c9907fc908ee68b1e7b8e71286a518"},
                                         LengthCase{63, "a62f6d59e837867693f042f5b8f5a236"},
                                         LengthCase{64, "7160b8fb5e9e4023d549c3971fbaeead"},
                                         LengthCase{65, "70bd662e7aefbda85a0f7244167b7897"},
                                         LengthCase{1024, "a66351d9c8f941b70a02eaf9c41e69c3"}),
                         [](const testing::TestParamInfo<LengthCase>& row) {
                             return "Bytes" + std::to_string(row.param.length);
                         });

// Zero bytes and bytes with the top bit set are plain data: the length alone ends the input.
// Expected values from md5sum.

struct BinaryCase {
    const char* name;
    Bytes bytes;
    std::string_view expected;
};

Bytes HighBytes() {
    Bytes bytes;
    for (unsigned value = 0x80; value <= 0xff; ++value) {
        bytes.push_back(static_cast<unsigned char>(value));
    }
    return bytes;
}

class BinaryContent : public testing::TestWithParam<BinaryCase> {};

TEST_P(BinaryContent, MatchesMd5sum) {
    EXPECT_EQ(FingerprintOf(GetParam().bytes), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    BlockFingerprint, BinaryContent,
    testing::Values(BinaryCase{"LoneZeroByte", Bytes{0x00}, "93b885adfe0da089cdf634904fd59f71"},
                    BinaryCase{"ZeroByteBetweenLetters", Bytes{'a', 'b', 0x00, 'c', 'd'},
                               "5d622b3d4d8cc07754fd386e7f29326e"},
                    BinaryCase{"LettersBeforeTheZeroByte", Bytes{'a', 'b'},
                               "187ef4436122d1cc2f40dc2b92f0eba0"},
                    BinaryCase{"Bytes80ToFF", HighBytes(), "16f404156c0500ac48efa2d3abc5fbcf"}),
    [](const testing::TestParamInfo<BinaryCase>& row) { return row.param.name; });

// Streaming: however the data is cut up, the digest is that of the whole message.

struct PieceCase {
    const char* name;
    std::vector<std::size_t> pieceSizes;
};

class UnevenPieces : public testing::TestWithParam<PieceCase> {};

TEST_P(UnevenPieces, GiveTheOneShotDigest) {
    // Long enough for many blocks, and not a multiple of the block size.
    const Bytes bytes = PatternedBytes(5000);
    EXPECT_EQ(DigestInPieces(bytes, GetParam().pieceSizes), DigestInOneGo(bytes));
}

INSTANTIATE_TEST_SUITE_P(
    Md5, UnevenPieces,
    testing::Values(PieceCase{"SingleBytes", {1}}, PieceCase{"OneShortOfABlock", {63}},
                    PieceCase{"WholeBlocks", {64}}, PieceCase{"OneOverABlock", {65}},
                    PieceCase{"MixedWithEmptyPieces", {0, 7, 0, 120, 1, 500, 64, 3}},
                    PieceCase{"TailFirstThenLarge", {55, 2000, 9}}),
    [](const testing::TestParamInfo<PieceCase>& row) { return row.param.name; });

TEST(Md5, MillionLettersInPiecesMatchMd5sum) {
    const Bytes bytes(1'000'000, 'a');
    const Md5::Digest expected = {0x77, 0x07, 0xd6, 0xae, 0x4e, 0x02, 0x7c, 0x70,
                                  0xee, 0xa2, 0xa9, 0x35, 0xc2, 0x29, 0x6f, 0x21};
    EXPECT_EQ(DigestInPieces(bytes, {1000}), expected);
}

TEST(Md5, FinishStartsAFreshMessage) {
    Md5 md5;
    const Bytes first = PatternedBytes(100);
    md5.update(first.data(), first.size());
    md5.finish();

    const Bytes abc = BytesOf("abc");
    md5.update(abc.data(), abc.size());
    EXPECT_EQ(md5.finish(), DigestInOneGo(abc));
}

// A known MD5 collision: the fingerprint cannot tell these two files apart, which is the price
// of comparing fingerprints instead of bytes.
TEST(BlockFingerprint, CollidingFilesGiveTheSameTextThoughTheirBytesDiffer) {
    const Bytes a = ReadFixture("md5-collision/a.bin");
    const Bytes b = ReadFixture("md5-collision/b.bin");
    ASSERT_EQ(a.size(), 128u);
    ASSERT_EQ(b.size(), 128u);
    EXPECT_NE(a, b);
    EXPECT_EQ(FingerprintOf(a), "79054025255fb1a26e4bc422aef54eb4");
    EXPECT_EQ(FingerprintOf(b), "79054025255fb1a26e4bc422aef54eb4");
}

} // namespace
} // namespace bk
