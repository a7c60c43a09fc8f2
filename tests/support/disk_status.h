#pragma once

#include "platform/file_identity.h"

#include <optional>
#include <string>

#ifdef _WIN32
#include "platform/win32_file_status.h"
#include "platform/win32_opening.h"
#else
#include "platform/posix_reading.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

// How a path of a test's tree looks on disk, read straight from the system rather than through
// the program's services (on Windows with the file layer's own reading of a handle's status).
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

struct Looked {
    DiskStatus status;
    bool folder = false;
};

// The identity is the volume's serial number and the file's index, as the file's handle tells
// them.
inline std::optional<Looked> Look(const std::string& path, bool follow) {
    const win32::Handle handle =
        win32::OpenPath(path, FILE_READ_ATTRIBUTES, win32::ShareAll, follow);
    const std::optional<win32::FileStatus> status =
        handle.valid() ? win32::StatusOf(handle.get()) : std::nullopt;
    if (!status) {
        return std::nullopt;
    }
    Looked looked;
    looked.folder = win32::IsRealFolder(*status);
    looked.status.regular = win32::IsRegularFile(*status);
    looked.status.writable = (status->attributes & FILE_ATTRIBUTE_READONLY) == 0;
    looked.status.identity = status->identity;
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
