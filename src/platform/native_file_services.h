#pragma once

// The file layer of the system the program is built for, under one name.
#ifdef _WIN32
#include "platform/win32_file_services.h"
namespace bk {
using NativeFileServices = Win32FileServices;
}
#else
#include "platform/posix_file_services.h"
namespace bk {
using NativeFileServices = PosixFileServices;
}
#endif
