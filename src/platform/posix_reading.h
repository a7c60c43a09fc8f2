#pragma once

#include "platform/file_identity.h"

#include <cstdint>
#include <fcntl.h>
#include <string>
#include <sys/stat.h>

// What every reading of a file through the file layer shares.
namespace bk::posix {

// O_NONBLOCK keeps a FIFO from waiting for a writer before we can look at what we opened;
// O_NOFOLLOW refuses a final symbolic link.
constexpr int ReadingFlags = O_RDONLY | O_NONBLOCK | O_NOFOLLOW | O_CLOEXEC;

// Whether a freshly opened handle is a regular file. A handle that is not is closed (a negative
// handle is just refused).
bool KeepIfRegularFile(int handle);

// Reads until length bytes came, the end of the file or an error, and gives the count read.
std::int64_t ReadUpTo(int handle, unsigned char* buffer, std::int64_t length);

// Who a file is and how it looks, from its status.
FileIdentity IdentityOf(const struct stat& info);

// Opens a folder as the base of openat; -1 when that fails.
int OpenFolder(const std::string& path);

} // namespace bk::posix
