#include "reference/content_comparison.h"

#include <algorithm>
#include <cstring>
#include <vector>

namespace bk {

namespace {

constexpr int FirstFile = 1;
constexpr int SecondFile = 2;

bool HasRecordedSize(NumberedFiles& files, int number, std::int64_t size) {
    files.makeCurrent(number);
    const std::optional<FileIdentity> identity = files.currentIdentity();
    return identity && identity->size == size;
}

// Reads one chunk of each file and tells whether both came in whole and hold the same bytes.
bool ChunksEqual(NumberedFiles& files, std::int64_t chunkLength) {
    const auto length = static_cast<std::size_t>(chunkLength);
    std::vector<unsigned char> first(length);
    std::vector<unsigned char> second(length);
    files.makeCurrent(FirstFile);
    const std::int64_t firstRead = files.read(first.data(), chunkLength);
    files.makeCurrent(SecondFile);
    const std::int64_t secondRead = files.read(second.data(), chunkLength);
    return firstRead == chunkLength && secondRead == chunkLength && first == second;
}

bool CompareOpenFiles(NumberedFiles& files, ReadingObserver& observer, std::int64_t size,
                      std::int32_t percent) {
    if (!HasRecordedSize(files, FirstFile, size) || !HasRecordedSize(files, SecondFile, size)) {
        return false;
    }
    const std::int64_t limit = ComparisonLimit(size, percent);
    if (limit <= 0) {
        return false;
    }
    bool equal = true;
    std::int64_t compared = 0;
    while (equal && compared < limit) {
        const std::int64_t chunkLength = std::min(CompareChunkSize, limit - compared);
        equal = ChunksEqual(files, chunkLength);
        compared = files.position();
        observer.readingAt(compared * 100 / limit);
    }
    // A file that grew while it was read still filled every chunk; it is no copy all the same.
    return equal && HasRecordedSize(files, FirstFile, size) &&
           HasRecordedSize(files, SecondFile, size);
}

} // namespace

std::int64_t ComparisonLimit(std::int64_t size, std::int32_t percent) {
    if (percent < 1 || percent > 100) {
        return size;
    }
    // size * percent could overflow for the largest sizes; split it instead.
    return size / 100 * percent + size % 100 * percent / 100;
}

bool CompareFileContents(NumberedFiles& files, ReadingObserver& observer,
                         const std::string& firstPath, const std::string& secondPath,
                         std::int64_t size, std::int32_t percent) {
    if (!files.openForReading(FirstFile, firstPath)) {
        return false;
    }
    if (!files.openForReading(SecondFile, secondPath)) {
        files.close(FirstFile);
        return false;
    }
    const bool equal = CompareOpenFiles(files, observer, size, percent);
    files.close(SecondFile);
    files.close(FirstFile);
    return equal;
}

} // namespace bk
