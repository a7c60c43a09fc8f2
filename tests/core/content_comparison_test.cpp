#include "platform/file_paths.h"
#include "platform/native_file_services.h"
#include "reference/block_fingerprint.h"
#include "reference/content_comparison.h"
#include "support/disk_changes.h"
#include "support/native_path.h"
#include "support/open_descriptors.h"
#include "support/program_runs.h"
#include "support/recording_control_layer.h"
#include "support/temp_tree.h"
#include "ui/control_numbers.h"

#include <algorithm>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <limits>
#include <string>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace bk::test {
namespace {

// Deterministic content with every byte value in it.
std::string Patterned(std::size_t length) {
    std::string bytes(length, '\0');
    for (std::size_t i = 0; i < length; ++i) {
        bytes[i] = static_cast<char>((i * 7 + 3) % 256);
    }
    return bytes;
}

std::string WithByteChanged(std::string bytes, std::size_t at) {
    bytes[at] = static_cast<char>(bytes[at] ^ 0x01);
    return bytes;
}

std::string Fixture(const std::string& name) {
    return ReadWholeFile(std::string(BK_FIXTURES_DIR) + "/md5-collision/" + name);
}

// A file of the given size that holds zeros only, without taking room on the disk, plus one
// byte of value at offset (when offset is not negative).
void MakeSparse(const std::string& path, std::int64_t size, std::int64_t offset = -1,
                char value = 0) {
    ASSERT_TRUE(MakeSparseFile(path, size)) << path;
    if (offset >= 0) {
        std::fstream file(NativePath(path), std::ios::in | std::ios::out | std::ios::binary);
        file.seekp(offset);
        file.write(&value, 1);
        file.close();
        ASSERT_FALSE(file.fail()) << path;
    }
}

class ContentComparisonTest : public ::testing::Test {
  protected:
    bool compare(const std::string& first, const std::string& second, std::int64_t size,
                 std::int32_t percent = 100) {
        return CompareFileContents(program, first, second, size, percent);
    }
    std::vector<std::int64_t> barValues() const {
        const auto found = controls.states.find(CompareProgress);
        return found == controls.states.end() ? std::vector<std::int64_t>{} : found->second;
    }
    bool barTouched() const { return controls.states.count(CompareProgress) != 0; }

    // The numbered files a comparison uses are both free again.
    void expectResourcesReleased() {
        for (const int number : {1, 2}) {
            files.files.makeCurrent(number);
            EXPECT_FALSE(files.files.currentIdentity().has_value()) << "file " << number;
        }
    }

    TempTree tree;
    NativeFileServices files{tree.root() + PathSeparator};
    RecordingControlLayer controls;
    Program program{controls, files};
};

TEST_F(ContentComparisonTest, TwoEqualOneByteFilesAreEqualAndTheBarEndsAtOneHundred) {
    const std::string a = tree.write("a", "x");
    const std::string b = tree.write("b", "x");
    EXPECT_TRUE(compare(a, b, 1));
    EXPECT_EQ(barValues(), (std::vector<std::int64_t>{100}));
    expectResourcesReleased();
}

TEST_F(ContentComparisonTest, FilesDifferingInTheirLastChunkAreReadChunkByChunkToTheEnd) {
    const std::string content = Patterned(3000);
    const std::string a = tree.write("a", content);
    const std::string b = tree.write("b", WithByteChanged(content, 2500));
    EXPECT_FALSE(compare(a, b, 3000));
    // Chunks of 1024, 1024 and 952 bytes: 1024 * 100 / 3000, 2048 * 100 / 3000, then all.
    EXPECT_EQ(barValues(), (std::vector<std::int64_t>{34, 68, 100}));
    expectResourcesReleased();
}

TEST_F(ContentComparisonTest, FilesDifferingInTheirFirstByteStopAfterTheFirstChunk) {
    const std::string content = Patterned(5000);
    const std::string a = tree.write("a", content);
    const std::string b = tree.write("b", WithByteChanged(content, 0));
    EXPECT_FALSE(compare(a, b, 5000));
    EXPECT_EQ(barValues(), (std::vector<std::int64_t>{20}));
    expectResourcesReleased();
}

TEST_F(ContentComparisonTest, EqualFilesOfSeveralChunksAreEqualWithTheBarFollowingEachChunk) {
    const std::string content = Patterned(2048);
    const std::string a = tree.write("a", content);
    const std::string b = tree.write("b", content);
    EXPECT_TRUE(compare(a, b, 2048));
    EXPECT_EQ(barValues(), (std::vector<std::int64_t>{50, 100}));
    expectResourcesReleased();
}

TEST_F(ContentComparisonTest, FilesDifferingOnlyInTheirLastByteAreDifferent) {
    const std::string content = Patterned(1025);
    const std::string a = tree.write("a", content);
    const std::string b = tree.write("b", WithByteChanged(content, 1024));
    EXPECT_FALSE(compare(a, b, 1025));
    expectResourcesReleased();
}

TEST_F(ContentComparisonTest, AMissingSecondFileIsDifferentAndTheFirstIsClosedAgain) {
    const std::string a = tree.write("a", "content");
    const int before = OpenDescriptors();
    EXPECT_FALSE(compare(a, tree.path("missing"), 7));
    EXPECT_EQ(OpenDescriptors(), before);
    expectResourcesReleased();
}

TEST_F(ContentComparisonTest, AMissingFirstFileIsDifferentAndLeavesTheBarUntouched) {
    const std::string b = tree.write("b", "content");
    const int before = OpenDescriptors();
    EXPECT_FALSE(compare(tree.path("missing"), b, 7));
    EXPECT_EQ(OpenDescriptors(), before);
    EXPECT_FALSE(barTouched());
    expectResourcesReleased();
}

TEST_F(ContentComparisonTest, ComparisonsGiveBackEveryDescriptorTheyTook) {
    const std::string content = Patterned(4000);
    const std::string a = tree.write("a", content);
    const std::string b = tree.write("b", content);
    const std::string c = tree.write("c", WithByteChanged(content, 10));
    const int before = OpenDescriptors();
    for (int round = 0; round < 50; ++round) {
        EXPECT_TRUE(compare(a, b, 4000));
        EXPECT_FALSE(compare(a, c, 4000));
        EXPECT_FALSE(compare(a, b, 3999));
    }
    EXPECT_EQ(OpenDescriptors(), before);
}

// The fixture pair differs in a few bytes yet has one MD5 digest; appending the same bytes to
// both keeps the digests of their 1024-byte chunks equal.
TEST_F(ContentComparisonTest, FilesWithEqualChunkDigestsButDifferentBytesAreDifferent) {
    const std::string first = Fixture("a.bin");
    const std::string second = Fixture("b.bin");
    ASSERT_EQ(first.size(), 128U);
    ASSERT_EQ(second.size(), 128U);
    ASSERT_NE(first, second);

    const std::string common = Patterned(896);
    const std::string longCommon = Patterned(896 + 3000);
    struct Case {
        std::string first;
        std::string second;
    };
    const std::vector<Case> cases = {
        {first, second},
        {first + common, second + common},
        {first + longCommon, second + longCommon},
    };
    for (const Case& each : cases) {
        // The case is worthless unless the first chunks really share their digest.
        const std::size_t chunk = std::min<std::size_t>(each.first.size(), 1024);
        ASSERT_EQ(
            BlockFingerprint(reinterpret_cast<const unsigned char*>(each.first.data()), chunk),
            BlockFingerprint(reinterpret_cast<const unsigned char*>(each.second.data()), chunk));
        const std::string a = tree.write("a", each.first);
        const std::string b = tree.write("b", each.second);
        const auto size = static_cast<std::int64_t>(each.first.size());
        EXPECT_FALSE(compare(a, b, size)) << size << " bytes";
        EXPECT_FALSE(compare(b, a, size)) << size << " bytes";
        EXPECT_TRUE(compare(a, a, size)) << size << " bytes";
    }
}

TEST_F(ContentComparisonTest, AFileWhoseSizeIsNoLongerTheRecordedOneMakesThePairDifferent) {
    const std::string content = Patterned(3000);
    struct Case {
        const char* what;
        std::string first;
        std::string second;
        std::int64_t recordedSize;
    };
    const std::vector<Case> cases = {
        {"both grew equally", content, content, 2000},
        {"first grew", content + "tail", content, 3000},
        {"second grew", content, content + "tail", 3000},
        {"both shrank equally", content, content, 4000},
        {"first shrank", content.substr(0, 2999), content, 3000},
        {"second shrank", content, content.substr(0, 1000), 3000},
        {"both emptied", "", "", 3000},
    };
    for (const Case& each : cases) {
        const std::string a = tree.write("a", each.first);
        const std::string b = tree.write("b", each.second);
        EXPECT_FALSE(compare(a, b, each.recordedSize)) << each.what;
        for (const std::int64_t value : barValues()) {
            EXPECT_GE(value, 0) << each.what;
            EXPECT_LE(value, 100) << each.what;
        }
        expectResourcesReleased();
    }
}

// FIFOs and links to files: Windows has no FIFOs, and Wine makes no link that stays a link.
#ifndef _WIN32
TEST_F(ContentComparisonTest, SomethingOtherThanARegularFileIsDifferentWithoutBlocking) {
    const std::string content = Patterned(100);
    const std::string real = tree.write("real", content);
    const std::string copy = tree.write("copy", content);
    const std::string fifo = tree.path("fifo");
    ASSERT_EQ(mkfifo(fifo.c_str(), 0644), 0);
    // A link to an equal copy would compare equal if it were followed.
    const std::string link = tree.path("link");
    ASSERT_EQ(symlink(copy.c_str(), link.c_str()), 0);
    const std::string folder = tree.folder("folder");

    const int before = OpenDescriptors();
    for (const std::string& odd : {fifo, link, folder}) {
        EXPECT_FALSE(compare(odd, real, 100)) << odd;
        EXPECT_FALSE(compare(real, odd, 100)) << odd;
    }
    EXPECT_EQ(OpenDescriptors(), before);
    EXPECT_TRUE(compare(copy, real, 100));
}
#endif

TEST_F(ContentComparisonTest, APercentLimitComparesOnlyTheLeadingShare) {
    const std::string content = Patterned(3000);
    const std::string a = tree.write("a", content);
    const std::string b = tree.write("b", WithByteChanged(content, 2500));
    // Half of 3000 is 1500: chunks of 1024 and 476 bytes, the difference lies beyond.
    EXPECT_TRUE(compare(a, b, 3000, 50));
    EXPECT_EQ(barValues(), (std::vector<std::int64_t>{68, 100}));
    // Percents outside 1..100 compare the whole file.
    EXPECT_FALSE(compare(a, b, 3000, 0));
    EXPECT_FALSE(compare(a, b, 3000, 101));
    EXPECT_FALSE(compare(a, b, 3000, -5));
    EXPECT_FALSE(compare(a, b, 3000, 100));
    expectResourcesReleased();
}

TEST(ComparisonLimit, IsTheShareOfTheSizeRoundedTowardZero) {
    constexpr std::int64_t Max = std::numeric_limits<std::int64_t>::max();
    struct Case {
        std::int64_t size;
        std::int32_t percent;
        std::int64_t limit;
    };
    const std::vector<Case> cases = {
        {3000, 100, 3000},
        {3000, 50, 1500},
        {3000, 1, 30},
        {3001, 50, 1500},
        {199, 1, 1},
        {99, 1, 0},
        {3000, 0, 3000},
        {3000, 101, 3000},
        {3000, -1, 3000},
        {3000, std::numeric_limits<std::int32_t>::min(), 3000},
        {3000, std::numeric_limits<std::int32_t>::max(), 3000},
        {0, 50, 0},
        // Beyond 2^31 / 100 a 32-bit product overflows; beyond 2^63 / 100 a 64-bit one.
        {21474837, 100, 21474837},
        {5000000000, 99, 4950000000},
        {Max / 50, 99, Max / 50 / 100 * 99 + Max / 50 % 100 * 99 / 100},
        {Max / 50, 50, Max / 50 / 2},
        {Max / 50, 100, Max / 50},
        {Max, 100, Max},
        {Max, 99, Max / 100 * 99 + Max % 100 * 99 / 100},
    };
    for (const Case& each : cases) {
        EXPECT_EQ(ComparisonLimit(each.size, each.percent), each.limit)
            << each.size << " bytes at " << each.percent << " %";
    }
    // Checked independently of the formula above: (2^63 - 1) / 50 = 184467440737095516.
    EXPECT_EQ(ComparisonLimit(184467440737095516, 99), 182622766329724560);
}

TEST_F(ContentComparisonTest, ALimitOfZeroIsDifferentWithoutDividingByIt) {
    const std::string a = tree.write("a", "x");
    const std::string b = tree.write("b", "x");
    // One byte at 50 % leaves nothing to compare.
    ASSERT_EQ(ComparisonLimit(1, 50), 0);
    EXPECT_FALSE(compare(a, b, 1, 50));
    for (const std::int64_t value : barValues()) {
        EXPECT_GE(value, 0);
        EXPECT_LE(value, 100);
    }
    expectResourcesReleased();
}

TEST_F(ContentComparisonTest, ProgressStaysExactForFilesBeyondThirtyTwoBitProducts) {
    // 25,000,000 bytes: size * 100 and position * 100 no longer fit in 32 bits.
    constexpr std::int64_t Size = 25000000;
    constexpr std::int64_t DifferenceAt = 24000000;
    const std::string a = tree.path("a");
    const std::string b = tree.path("b");
    MakeSparse(a, Size);
    MakeSparse(b, Size, DifferenceAt, 'x');
    EXPECT_FALSE(compare(a, b, Size));
    const std::vector<std::int64_t> values = barValues();
    // The chunk holding the difference ends at 23438 * 1024 = 24000512 bytes.
    ASSERT_EQ(values.size(), 23438U);
    EXPECT_EQ(values.front(), 1024 * 100 / Size);
    EXPECT_EQ(values.back(), std::int64_t{24000512} * 100 / Size);
    for (std::size_t i = 1; i < values.size(); ++i) {
        ASSERT_LE(values[i - 1], values[i]) << "at chunk " << i;
        ASSERT_LE(values[i], 100) << "at chunk " << i;
    }
    expectResourcesReleased();
}

} // namespace
} // namespace bk::test
