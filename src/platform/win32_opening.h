#pragma once

#include "platform/win32_handle.h"

#include <string>
#include <string_view>
#include <windows.h>

// Every way the file layer opens a file or a folder: by a full path, always in its long form,
// or by a name inside a folder already held open.
namespace bk::win32 {

// Others may still read, write, rename and delete what is only looked at or listed.
constexpr DWORD ShareAll = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;

// Opens path (absolute) for access, its final reparse point itself (a link is never followed)
// unless followLink; folders open as well as files.
Handle OpenPath(const std::string& path, DWORD access, DWORD share, bool followLink = false);

// Opens the regular file at path for reading from its start: others may read it meanwhile, but
// neither write nor rename nor delete it, and a file someone is writing is not opened. A link,
// a folder or anything that is no regular file on a disk is refused (and closed).
Handle OpenForReading(const std::string& path);

// Opens name, one name without separators, inside the folder held open: no path is resolved
// again, and a link or junction at name is opened as itself, never followed. The handle reads
// and writes synchronously. options adds FILE_DIRECTORY_FILE or FILE_NON_DIRECTORY_FILE.
Handle OpenInside(HANDLE folder, std::string_view name, ACCESS_MASK access, ULONG share,
                  ULONG options);

} // namespace bk::win32
