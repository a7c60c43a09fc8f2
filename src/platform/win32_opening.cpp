#include "platform/win32_opening.h"

#include "platform/win32_long_path.h"
#include "platform/win32_path_syntax.h"
#include "platform/win32_text.h"

#include <winternl.h>

namespace bk::win32 {

namespace {

// Neither a link nor a folder nor a device: attributes and type from the handle itself.
bool IsRegularFileOnDisk(HANDLE handle) {
    FILE_ATTRIBUTE_TAG_INFO tag{};
    return GetFileType(handle) == FILE_TYPE_DISK &&
           GetFileInformationByHandleEx(handle, FileAttributeTagInfo, &tag, sizeof tag) &&
           (tag.FileAttributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT)) == 0;
}

// One name of a folder's entries: not empty, not the folder itself or its parent, and nothing
// the system would read as a path (separators) or as a stream of a file (":").
bool IsPlainName(std::string_view name) {
    return !name.empty() && name != "." && name != ".." &&
           name.find_first_of(std::string_view("\\/:\0", 4)) == std::string_view::npos;
}

} // namespace

Handle OpenPath(const std::string& path, DWORD access, DWORD share, bool followLink) {
    const std::wstring longPath = LongPathForm(path);
    if (longPath.empty()) {
        return {};
    }
    // Backup semantics is what lets a folder be opened at all; it asks for no privilege.
    const DWORD flags =
        FILE_FLAG_BACKUP_SEMANTICS | (followLink ? 0 : FILE_FLAG_OPEN_REPARSE_POINT);
    return Handle(
        CreateFileW(longPath.c_str(), access, share, nullptr, OPEN_EXISTING, flags, nullptr));
}

Handle OpenForReading(const std::string& path) {
    const std::wstring longPath = LongPathForm(path);
    if (longPath.empty()) {
        return {};
    }
    Handle file(CreateFileW(longPath.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                            FILE_FLAG_OPEN_REPARSE_POINT | FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
    if (!file.valid() || !IsRegularFileOnDisk(file.get())) {
        return {};
    }
    return file;
}

Handle OpenInside(HANDLE folder, std::string_view name, ACCESS_MASK access, ULONG share,
                  ULONG options) {
    std::wstring wide = WideText(name);
    constexpr std::size_t LongestName = 0x7FFF; // UNICODE_STRING counts bytes in 16 bits
    if (folder == nullptr || !IsPlainName(name) || wide.size() > LongestName) {
        return {};
    }
    UNICODE_STRING objectName{};
    objectName.Length = static_cast<USHORT>(wide.size() * sizeof(wchar_t));
    objectName.MaximumLength = objectName.Length;
    objectName.Buffer = wide.data();
    // The name is looked up as it is, letter case and all, as the folder's listing gave it.
    OBJECT_ATTRIBUTES attributes{};
    InitializeObjectAttributes(&attributes, &objectName, 0, folder, nullptr);
    IO_STATUS_BLOCK io{};
    HANDLE opened = nullptr;
    const NTSTATUS status =
        NtCreateFile(&opened, access | SYNCHRONIZE, &attributes, &io, nullptr, 0, share, FILE_OPEN,
                     options | FILE_OPEN_REPARSE_POINT | FILE_SYNCHRONOUS_IO_NONALERT, nullptr, 0);
    return status >= 0 ? Handle(opened) : Handle();
}

} // namespace bk::win32
