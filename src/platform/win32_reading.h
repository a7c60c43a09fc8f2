#pragma once

#include <cstdint>
#include <windows.h>

// Reading an open file from where its offset stands.
namespace bk::win32 {

// Reads until length bytes came, the end of the file or an error, and gives the count read.
std::int64_t ReadUpTo(HANDLE file, unsigned char* buffer, std::int64_t length);

// The offset of the open file; -1 when the system does not tell.
std::int64_t OffsetOf(HANDLE file);

bool MoveTo(HANDLE file, std::int64_t offset);

} // namespace bk::win32
