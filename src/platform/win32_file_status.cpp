#include "platform/win32_file_status.h"

namespace bk::win32 {

namespace {

// 1601-01-01 to 1970-01-01 in units of 100 ns.
constexpr std::uint64_t UnitsBefore1970 = 116'444'736'000'000'000;
constexpr std::uint64_t NanosecondsPerUnit = 100;

std::uint64_t Joined(DWORD high, DWORD low) {
    return (static_cast<std::uint64_t>(high) << 32) | low;
}

} // namespace

std::int64_t NanosecondsSince1970(std::int64_t fileTime) {
    // Wraps around like FileIdentity::Nanoseconds: times are only compared for equality.
    return static_cast<std::int64_t>((static_cast<std::uint64_t>(fileTime) - UnitsBefore1970) *
                                     NanosecondsPerUnit);
}

FileIdentity AsFolderIdentity(FileIdentity identity) {
    identity.size = 0;
    return identity;
}

// The volume's serial number and the file's index are what the folder listings give, so a file
// found by a scan and the same file opened compare as one. The change time only the basic
// information carries.
std::optional<FileStatus> StatusOf(HANDLE handle) {
    BY_HANDLE_FILE_INFORMATION file{};
    FILE_BASIC_INFO basic{};
    FILE_STANDARD_INFO standard{};
    if (!GetFileInformationByHandle(handle, &file) ||
        !GetFileInformationByHandleEx(handle, FileBasicInfo, &basic, sizeof basic) ||
        !GetFileInformationByHandleEx(handle, FileStandardInfo, &standard, sizeof standard)) {
        return std::nullopt;
    }
    FileStatus status;
    status.attributes = basic.FileAttributes;
    status.onDisk = GetFileType(handle) == FILE_TYPE_DISK;
    status.deletePending = standard.DeletePending != FALSE;
    status.identity.device = file.dwVolumeSerialNumber;
    status.identity.inode = Joined(file.nFileIndexHigh, file.nFileIndexLow);
    status.identity.size = standard.EndOfFile.QuadPart;
    status.identity.modified = NanosecondsSince1970(basic.LastWriteTime.QuadPart);
    status.identity.changed = NanosecondsSince1970(basic.ChangeTime.QuadPart);
    return status;
}

bool IsRegularFile(const FileStatus& status) {
    return status.onDisk &&
           (status.attributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT)) == 0;
}

bool IsRealFolder(const FileStatus& status) {
    return (status.attributes & FILE_ATTRIBUTE_DIRECTORY) != 0 &&
           (status.attributes & FILE_ATTRIBUTE_REPARSE_POINT) == 0;
}

bool IsReadOnly(const FileStatus& status) {
    return (status.attributes & FILE_ATTRIBUTE_READONLY) != 0;
}

} // namespace bk::win32
