#include "platform/win32_reading.h"

#include <algorithm>

namespace bk::win32 {

namespace {

// What one ReadFile is asked for at most: its count is 32 bits.
constexpr std::int64_t LongestRead = 1 << 30;

} // namespace

std::int64_t ReadUpTo(HANDLE file, unsigned char* buffer, std::int64_t length) {
    // A read may give less than asked before the end (a pipe would; a network file may); callers
    // take a short count for the end of the file, so reading goes on until nothing comes.
    std::int64_t done = 0;
    while (done < length) {
        const auto wanted = static_cast<DWORD>(std::min(length - done, LongestRead));
        DWORD got = 0;
        if (!ReadFile(file, buffer + done, wanted, &got, nullptr) || got == 0) {
            break;
        }
        done += got;
    }
    return done;
}

std::int64_t OffsetOf(HANDLE file) {
    LARGE_INTEGER offset{};
    if (!SetFilePointerEx(file, LARGE_INTEGER{}, &offset, FILE_CURRENT)) {
        return -1;
    }
    return offset.QuadPart;
}

bool MoveTo(HANDLE file, std::int64_t offset) {
    LARGE_INTEGER to{};
    to.QuadPart = offset;
    return offset >= 0 && SetFilePointerEx(file, to, nullptr, FILE_BEGIN);
}

} // namespace bk::win32
