#pragma once

#include "platform/file_identity.h"

#include <optional>
#include <string>

#ifdef _WIN32
#include "platform/win32_text.h"

#include <windows.h>
#else
#include "platform/posix_reading.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

// How a path of a test's tree looks on disk, read straight from the system rather than through
// the program's file layer.
namespace bk::test {

struct DiskStatus {
    bool regular = false; // otherwise a FIFO the test put there (only POSIX has them)
    FileIdentity identity;
    // What a deletion asks of a file: on POSIX a write bit and write access, on Windows no
    // read-only attribute.
    bool writable = false;
};

#ifdef _WIN32

namespace detail {

// 1601-01-01 to 1970-01-01 in units of 100 ns.
constexpr std::uint64_t UnitsBefore1970 = 116'444'736'000'000'000;

inline std::int64_t Nanoseconds(LARGE_INTEGER fileTime) {
    return static_cast<std::int64_t>(
        (static_cast<std::uint64_t>(fileTime.QuadPart) - UnitsBefore1970) * 100);
}

struct Looked {
    DiskStatus status;
    bool folder = false;
};

// The identity is the volume's serial number and the file's index, as every listing of the
// system gives them; the change time only the basic information carries.
inline std::optional<Looked> Look(const std::string& path, bool follow) {
    const HANDLE handle = CreateFileW(
        WideText(path).c_str(), FILE_READ_ATTRIBUTES,
        FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
        FILE_FLAG_BACKUP_SEMANTICS | (follow ? 0 : FILE_FLAG_OPEN_REPARSE_POINT), nullptr);
    if (handle == INVALID_HANDLE_VALUE) {
        return std::nullopt;
    }
    BY_HANDLE_FILE_INFORMATION file{};
    FILE_BASIC_INFO basic{};
    FILE_STANDARD_INFO standard{};
    const bool told =
        GetFileInformationByHandle(handle, &file) &&
        GetFileInformationByHandleEx(handle, FileBasicInfo, &basic, sizeof basic) &&
        GetFileInformationByHandleEx(handle, FileStandardInfo, &standard, sizeof standard);
    CloseHandle(handle);
    if (!told) {
        return std::nullopt;
    }
    Looked looked;
    const DWORD attributes = basic.FileAttributes;
    const bool reparsePoint = (attributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0;
    looked.folder = (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0 && !reparsePoint;
    DiskStatus& status = looked.status;
    status.regular = (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0 && !reparsePoint;
    status.writable = (attributes & FILE_ATTRIBUTE_READONLY) == 0;
    status.identity.device = file.dwVolumeSerialNumber;
    status.identity.inode =
        (static_cast<std::uint64_t>(file.nFileIndexHigh) << 32) | file.nFileIndexLow;
    status.identity.size = standard.EndOfFile.QuadPart;
    status.identity.modified = Nanoseconds(basic.LastWriteTime);
    status.identity.changed = Nanoseconds(basic.ChangeTime);
    return looked;
}

} // namespace detail

// The regular file at path, without following a final link; nothing for anything else.
inline std::optional<DiskStatus> FileStatusOnDisk(const std::string& path) {
    const std::optional<detail::Looked> looked = detail::Look(path, false);
    if (!looked || !looked->status.regular) {
        return std::nullopt;
    }
    return looked->status;
}

// Whether path is still the folder a walk found; follow: through a final link.
inline bool IsFolderOnDisk(const std::string& path, bool follow, const FileIdentity& walked) {
    const std::optional<detail::Looked> looked = detail::Look(path, follow);
    return looked && looked->folder && looked->status.identity.sameFileAs(walked);
}

#else

// The regular file or FIFO at path, without following a final link; nothing for anything else.
inline std::optional<DiskStatus> FileStatusOnDisk(const std::string& path) {
    struct stat info {};
    if (lstat(path.c_str(), &info) != 0 || !(S_ISREG(info.st_mode) || S_ISFIFO(info.st_mode))) {
        return std::nullopt;
    }
    DiskStatus status;
    status.regular = S_ISREG(info.st_mode);
    status.identity = posix::IdentityOf(info);
    status.writable = (info.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)) != 0 &&
                      faccessat(AT_FDCWD, path.c_str(), W_OK, AT_EACCESS) == 0;
    return status;
}

// Whether path is still the folder a walk found; follow: through a final link.
inline bool IsFolderOnDisk(const std::string& path, bool follow, const FileIdentity& walked) {
    struct stat info {};
    const int result = follow ? stat(path.c_str(), &info) : lstat(path.c_str(), &info);
    return result == 0 && S_ISDIR(info.st_mode) && posix::IdentityOf(info).sameFileAs(walked);
}

#endif

} // namespace bk::test
