#pragma once

#include "platform/file_identity.h"

#include <cstdint>
#include <optional>
#include <windows.h>

// Who an open file is and how it looks, as its handle tells.
namespace bk::win32 {

struct FileStatus {
    DWORD attributes = 0;
    // A file on a disk, not a pipe, a console or a device.
    bool onDisk = false;
    // Marked to go when its last handle closes: it is no longer a file that stays.
    bool deletePending = false;
    FileIdentity identity;
};

// Nothing when the handle does not tell.
std::optional<FileStatus> StatusOf(HANDLE handle);

// A file whose bytes are its own: no folder and no reparse point. A reparse point is a link or a
// junction, or a file whose bytes a filter of the system makes up (a placeholder of a cloud
// drive, a compressed or deduplicated file); read through the reparse point itself its bytes
// would not be what the file holds.
bool IsRegularFile(const FileStatus& status);
// A folder that is no junction or link to another.
bool IsRealFolder(const FileStatus& status);
bool IsReadOnly(const FileStatus& status);

// The system's times, in units of 100 ns since 1601, as nanoseconds since 1970.
std::int64_t NanosecondsSince1970(std::int64_t fileTime);

// Who a folder is: its size is no content of ours.
FileIdentity AsFolderIdentity(FileIdentity identity);

} // namespace bk::win32
