#include "platform/win32_folder_listing.h"

#include "platform/win32_file_status.h"
#include "platform/win32_opening.h"
#include "platform/win32_text.h"

#include <cstddef>
#include <string_view>

namespace bk::win32 {

namespace {

// Bytes of folder entries asked for at once: most folders come in one batch. Some network file
// systems refuse more than 64 KiB.
constexpr std::size_t ListingBatchBytes = 32 << 10;

enum class Listing { Complete, Broken, Unsupported };

// What a file system without indexes in its listings answers when asked for them.
bool MeansUnsupported(DWORD error) {
    return error == ERROR_INVALID_PARAMETER || error == ERROR_INVALID_LEVEL ||
           error == ERROR_NOT_SUPPORTED || error == ERROR_INVALID_FUNCTION;
}

template <typename Info> std::wstring_view NameOf(const Info& info) {
    return {info.FileName, info.FileNameLength / sizeof(wchar_t)};
}

bool IsSelfOrParent(std::wstring_view name) {
    return name == L"." || name == L"..";
}

// Links and junctions are not followed, and what else has a reparse point is not read: its
// bytes would be what the reparse point holds, not what the file holds.
template <typename Info> bool MayBeDelivered(const Info& info) {
    return !IsSelfOrParent(NameOf(info)) &&
           (info.FileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) == 0;
}

// The listing has ended: after the last batch the system says there are no more files, but a
// listing that has no entry at all, not even "." and ".." (the root of an empty drive lists
// neither), says at its start that there is no such file.
bool MeansListingEnd(DWORD error, bool atStart) {
    return error == ERROR_NO_MORE_FILES || (atStart && error == ERROR_FILE_NOT_FOUND);
}

// Hands every entry of the listing to take, batch by batch, from the listing's start: first
// asks with the class that starts over, then with the one that goes on.
template <typename Info, typename Take>
Listing ReadListing(HANDLE folder, FILE_INFO_BY_HANDLE_CLASS fromStart,
                    FILE_INFO_BY_HANDLE_CLASS goingOn, Take take) {
    // Entries are aligned to 8 bytes, and so is the room for them.
    std::vector<std::uint64_t> room(ListingBatchBytes / sizeof(std::uint64_t));
    const auto* bytes = reinterpret_cast<const unsigned char*>(room.data());
    const DWORD roomBytes = ListingBatchBytes;
    for (FILE_INFO_BY_HANDLE_CLASS asked = fromStart;; asked = goingOn) {
        if (!GetFileInformationByHandleEx(folder, asked, room.data(), roomBytes)) {
            const DWORD error = GetLastError();
            if (MeansListingEnd(error, asked == fromStart)) {
                return Listing::Complete;
            }
            return asked == fromStart && MeansUnsupported(error) ? Listing::Unsupported
                                                                 : Listing::Broken;
        }
        for (std::size_t at = 0;;) {
            const auto* info = reinterpret_cast<const Info*>(bytes + at);
            const std::size_t nameAt = offsetof(Info, FileName);
            if (at + nameAt > roomBytes || at + nameAt + info->FileNameLength > roomBytes) {
                return Listing::Broken; // an entry beyond the room is no entry: not read on
            }
            take(*info);
            if (info->NextEntryOffset == 0) {
                break;
            }
            at += info->NextEntryOffset;
        }
    }
}

// The identity an entry of an indexed listing tells; folders measure nothing.
FileIdentity IdentityOf(const FILE_ID_BOTH_DIR_INFO& info, std::uint64_t device, bool folder) {
    FileIdentity identity;
    identity.device = device;
    identity.inode = static_cast<std::uint64_t>(info.FileId.QuadPart);
    identity.size = folder ? 0 : info.EndOfFile.QuadPart;
    identity.modified = NanosecondsSince1970(info.LastWriteTime.QuadPart);
    identity.changed = NanosecondsSince1970(info.ChangeTime.QuadPart);
    return identity;
}

} // namespace

bool ListFolder(HANDLE folder, std::uint64_t device, std::vector<ListedEntry>& entries) {
    const std::size_t before = entries.size();
    const Listing listing = ReadListing<FILE_ID_BOTH_DIR_INFO>(
        folder, FileIdBothDirectoryRestartInfo, FileIdBothDirectoryInfo,
        [&](const FILE_ID_BOTH_DIR_INFO& info) {
            if (!MayBeDelivered(info)) {
                return;
            }
            const bool isFolder = (info.FileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
            entries.push_back({ByteText(NameOf(info)), isFolder ? EntryFolder : EntryFile,
                               IdentityOf(info, device, isFolder)});
        });
    if (listing == Listing::Unsupported) {
        entries.resize(before);
        return ListFolderOpeningEach(folder, entries);
    }
    return listing == Listing::Complete;
}

bool ListFolderOpeningEach(HANDLE folder, std::vector<ListedEntry>& entries) {
    std::vector<std::string> names;
    const Listing listing =
        ReadListing<FILE_FULL_DIR_INFO>(folder, FileFullDirectoryRestartInfo, FileFullDirectoryInfo,
                                        [&](const FILE_FULL_DIR_INFO& info) {
                                            if (MayBeDelivered(info)) {
                                                names.push_back(ByteText(NameOf(info)));
                                            }
                                        });
    if (listing != Listing::Complete) {
        return false;
    }
    // An entry gone or changed into something else since the listing is left out, as it would
    // be had the listing come a moment later.
    for (std::string& name : names) {
        const Handle entry = OpenInside(folder, name, FILE_READ_ATTRIBUTES, ShareAll, 0);
        const auto status = entry.valid() ? StatusOf(entry.get()) : std::nullopt;
        if (status && IsRegularFile(*status)) {
            entries.push_back({std::move(name), EntryFile, status->identity});
        } else if (status && IsRealFolder(*status)) {
            entries.push_back({std::move(name), EntryFolder, AsFolderIdentity(status->identity)});
        }
    }
    return true;
}

} // namespace bk::win32
