#include "duplicates/content_comparison.h"

#include "ui/control_numbers.h"

#include <algorithm>
#include <cstring>

namespace bk {

namespace {

constexpr int FirstFile = 1;
constexpr int SecondFile = 2;

bool HasRecordedSize(NumberedFiles& files, int number, std::int64_t size) {
    files.makeCurrent(number);
    const std::optional<FileIdentity> identity = files.currentIdentity();
    return identity && identity->size == size;
}

// Reads one chunk of each file into memory blocks 1 and 2 and tells whether both came in whole
// and hold the same bytes.
bool ChunksEqual(FileServices& services, std::int64_t chunkLength) {
    const auto length = static_cast<std::size_t>(chunkLength);
    unsigned char* first = services.blocks.allocate(FirstFile, length);
    unsigned char* second = services.blocks.allocate(SecondFile, length);
    services.files.makeCurrent(FirstFile);
    const std::int64_t firstRead = services.files.read(first, chunkLength);
    services.files.makeCurrent(SecondFile);
    const std::int64_t secondRead = services.files.read(second, chunkLength);
    return firstRead == chunkLength && secondRead == chunkLength &&
           std::memcmp(first, second, length) == 0;
}

bool CompareOpenFiles(Program& program, std::int64_t size, std::int32_t percent) {
    FileServices& services = program.files;
    if (!HasRecordedSize(services.files, FirstFile, size) ||
        !HasRecordedSize(services.files, SecondFile, size)) {
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
        equal = ChunksEqual(services, chunkLength);
        compared = services.files.position();
        program.controls.setState(CompareProgress, compared * 100 / limit);
    }
    services.blocks.free(FirstFile);
    services.blocks.free(SecondFile);
    // A file that grew while it was read still filled every chunk; it is no copy all the same.
    return equal && HasRecordedSize(services.files, FirstFile, size) &&
           HasRecordedSize(services.files, SecondFile, size);
}

} // namespace

std::int64_t ComparisonLimit(std::int64_t size, std::int32_t percent) {
    if (percent < 1 || percent > 100) {
        return size;
    }
    // size * percent could overflow for the largest sizes; split it instead.
    return size / 100 * percent + size % 100 * percent / 100;
}

bool CompareFileContents(Program& program, const std::string& firstPath,
                         const std::string& secondPath, std::int64_t size, std::int32_t percent) {
    NumberedFiles& files = program.files.files;
    if (!files.openForReading(FirstFile, firstPath)) {
        return false;
    }
    if (!files.openForReading(SecondFile, secondPath)) {
        files.close(FirstFile);
        return false;
    }
    const bool equal = CompareOpenFiles(program, size, percent);
    files.close(SecondFile);
    files.close(FirstFile);
    return equal;
}

} // namespace bk
