#pragma once

#include "support/native_path.h"

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <string>
#include <system_error>

#ifdef _WIN32
#include "platform/win32_text.h"

#include <windows.h>
#include <winioctl.h>
#else
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

// Changes to a test's tree, made as another program would make them behind the program's back.
namespace bk::test {

// Whether a test can put a link to a folder in its tree: Windows makes one only for the
// privileged, and Wine makes none that stays a link.
#ifdef _WIN32
inline constexpr bool FolderLinksCanBeMade = false;
#else
inline constexpr bool FolderLinksCanBeMade = true;
#endif

// Writes content over the file at path (making it when it is not there); false on failure.
inline bool WriteWholeFile(const std::string& path, const std::string& content) {
    std::ofstream out(NativePath(path), std::ios::binary | std::ios::trunc);
    out.write(content.data(), static_cast<std::streamsize>(content.size()));
    out.close();
    return !out.fail();
}

// Removes the file at path. As on POSIX, where whoever may change the folder may remove a file
// with no write bit, a read-only file goes too: on Windows its attribute is taken away first.
inline bool RemoveFile(const std::string& path) {
    std::error_code error;
    if (std::filesystem::remove(NativePath(path), error)) {
        return true;
    }
#ifdef _WIN32
    const std::wstring wide = WideText(path);
    const DWORD attributes = GetFileAttributesW(wide.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY) != 0 &&
           SetFileAttributesW(wide.c_str(), attributes & ~DWORD{FILE_ATTRIBUTE_READONLY}) &&
           DeleteFileW(wide.c_str());
#else
    return false;
#endif
}

inline bool MakeHardLink(const std::string& existing, const std::string& alias) {
    std::error_code error;
    std::filesystem::create_hard_link(NativePath(existing), NativePath(alias), error);
    return !error;
}

// Read-only as the system knows it: no write bit on POSIX (mode 0444), the read-only attribute
// on Windows; writable again is mode 0644, or no read-only attribute.
inline bool MakeReadOnly(const std::string& path) {
    using std::filesystem::perms;
    std::error_code error;
    std::filesystem::permissions(NativePath(path),
                                 perms::owner_read | perms::group_read | perms::others_read, error);
    return !error;
}

inline bool MakeWritable(const std::string& path) {
    using std::filesystem::perms;
    std::error_code error;
    std::filesystem::permissions(
        NativePath(path),
        perms::owner_read | perms::owner_write | perms::group_read | perms::others_read, error);
    return !error;
}

// A file of the given size that holds zeros only and takes no room on the disk, where the file
// system keeps sparse files.
inline bool MakeSparseFile(const std::string& path, std::int64_t size) {
#ifdef _WIN32
    const HANDLE handle = CreateFileW(WideText(path).c_str(), GENERIC_READ | GENERIC_WRITE, 0,
                                      nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (handle == INVALID_HANDLE_VALUE) {
        return false;
    }
    DWORD returned = 0;
    LARGE_INTEGER end{};
    end.QuadPart = size;
    const bool made =
        DeviceIoControl(handle, FSCTL_SET_SPARSE, nullptr, 0, nullptr, 0, &returned, nullptr) &&
        SetFilePointerEx(handle, end, nullptr, FILE_BEGIN) && SetEndOfFile(handle);
    CloseHandle(handle);
    return made;
#else
    const int handle = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    if (handle < 0) {
        return false;
    }
    const bool made = ftruncate(handle, static_cast<off_t>(size)) == 0;
    ::close(handle);
    return made;
#endif
}

// Sets the access and modification times of the file at path (not following a final link) to
// nanoseconds since 1970, to the precision the system keeps (100 ns on Windows).
inline bool SetFileTimes(const std::string& path, std::int64_t nanoseconds) {
#ifdef _WIN32
    constexpr std::int64_t UnitsBefore1970 = 116'444'736'000'000'000; // of 100 ns, from 1601
    const std::int64_t units = nanoseconds / 100 + UnitsBefore1970;
    const FILETIME time{static_cast<DWORD>(units & 0xFFFFFFFF), static_cast<DWORD>(units >> 32)};
    const HANDLE handle =
        CreateFileW(WideText(path).c_str(), FILE_WRITE_ATTRIBUTES,
                    FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                    FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
    if (handle == INVALID_HANDLE_VALUE) {
        return false;
    }
    const bool set = SetFileTime(handle, nullptr, &time, &time) != FALSE;
    CloseHandle(handle);
    return set;
#else
    constexpr std::int64_t PerSecond = 1'000'000'000;
    const timespec time{nanoseconds / PerSecond, nanoseconds % PerSecond};
    const timespec times[2] = {time, time};
    return utimensat(AT_FDCWD, path.c_str(), times, AT_SYMLINK_NOFOLLOW) == 0;
#endif
}

} // namespace bk::test
