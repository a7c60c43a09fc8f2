#include "platform/win32_folder_scans.h"

#include "platform/win32_file_status.h"
#include "platform/win32_folder_listing.h"
#include "platform/win32_opening.h"

namespace bk {

// The folder is opened as itself: a scan goes down into no junction or link, not even one it is
// asked to begin at, as the removal of what it finds would not go that way either.
bool Win32FolderScans::listFolder(const std::string& resolvedPath,
                                  std::vector<ListedEntry>& entries) {
    const win32::Handle folder = win32::OpenPath(
        resolvedPath, FILE_LIST_DIRECTORY | FILE_READ_ATTRIBUTES | SYNCHRONIZE, win32::ShareAll);
    const auto self = folder.valid() ? win32::StatusOf(folder.get()) : std::nullopt;
    if (!self || !win32::IsRealFolder(*self)) {
        return false; // a folder that cannot say who it is is not walked
    }
    // "." and ".." come first whatever order the system lists them in, and also where it lists
    // neither, as in a drive's root. The folder itself is the one just opened; who its parent is,
    // no walk asks.
    entries.push_back({".", EntryFolder, win32::AsFolderIdentity(self->identity)});
    entries.push_back({"..", EntryFolder, {}});
    return win32::ListFolder(folder.get(), self->identity.device, entries);
}

} // namespace bk
