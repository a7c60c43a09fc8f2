#include "platform/file_paths.h"
#include "platform/proof_comparison.h"
#include "platform/system_file_removal.h"
#include "platform/win32_file_status.h"
#include "platform/win32_handle.h"
#include "platform/win32_opening.h"
#include "platform/win32_reading.h"

#include <algorithm>
#include <cstring>
#include <optional>
#include <windows.h>

namespace bk {

namespace {

using win32::Handle;

// Folders on the way are only passed through: what others do with them meanwhile does not
// matter, as the file is named inside the folder held, and only who that folder is counts.
constexpr ACCESS_MASK ToPassThrough = FILE_READ_ATTRIBUTES;
constexpr ACCESS_MASK ToRemove = DELETE | FILE_READ_ATTRIBUTES;
constexpr ACCESS_MASK ToCompare = FILE_GENERIC_READ;
// A file held to be compared or removed may still be read by others, but nobody may write,
// rename or delete it until we let it go; a file someone is writing is not opened at all.
constexpr DWORD OthersMayRead = FILE_SHARE_READ;

bool IsWalkedFolder(const Handle& folder, const FileIdentity& walked) {
    const auto status = folder.valid() ? win32::StatusOf(folder.get()) : std::nullopt;
    return status && win32::IsRealFolder(*status) && status->identity.sameFileAs(walked);
}

// The folder a way leads to, held open; nothing when a folder on the way is gone, is a link or a
// junction, or is another folder than the one that was walked.
Handle OpenAlongWay(std::string_view programFolder, const FolderWay& way) {
    Handle folder =
        win32::OpenPath(ResolvePath(programFolder, way.start), ToPassThrough, win32::ShareAll);
    if (!IsWalkedFolder(folder, way.startIdentity)) {
        return {};
    }
    for (const FolderWay::Step& step : way.steps) {
        Handle inner = win32::OpenInside(folder.get(), step.name, ToPassThrough, win32::ShareAll,
                                         FILE_DIRECTORY_FILE);
        if (!IsWalkedFolder(inner, step.identity)) {
            return {};
        }
        folder = std::move(inner);
    }
    return folder;
}

// Still the file that was found: a regular file with the identity it was found with, and not
// already on its way out.
bool IsAsFound(const std::optional<win32::FileStatus>& status, const FileIdentity& found) {
    return status && win32::IsRegularFile(*status) && !status->deletePending &&
           status->identity.unchangedSince(found);
}

bool IsAsFound(const Handle& file, const FileIdentity& found) {
    return IsAsFound(win32::StatusOf(file.get()), found);
}

// A read-only file is read-only on purpose; it stays even where the system would let it go.
bool IsRemovableAsFound(const Handle& file, const FileIdentity& found) {
    const auto status = win32::StatusOf(file.get());
    return IsAsFound(status, found) && !win32::IsReadOnly(*status);
}

// The file opened inside its folder for access, when it is still as it was found.
Handle OpenAsFound(const Handle& folder, const FoundFile& file, ACCESS_MASK access) {
    Handle opened =
        win32::OpenInside(folder.get(), file.name, access, OthersMayRead, FILE_NON_DIRECTORY_FILE);
    if (!opened.valid() || !IsAsFound(opened, file.identity)) {
        return {};
    }
    return opened;
}

// The full path of a found file, only to name it at the last moment.
std::string PathOf(std::string_view programFolder, const FoundFile& file) {
    std::string path = file.folder.start;
    for (const FolderWay::Step& step : file.folder.steps) {
        path.append(1, PathSeparator).append(step.name);
    }
    path.append(1, PathSeparator).append(file.name);
    return ResolvePath(programFolder, path);
}

// Marks the file held to go; it leaves its folder as its handle, here the last, is closed.
bool Remove(Handle file) {
    FILE_DISPOSITION_INFO disposition{};
    disposition.DeleteFile = TRUE;
    return SetFileInformationByHandle(file.get(), FileDispositionInfo, &disposition,
                                      sizeof disposition) != FALSE;
}

// Both open files hold size bytes each, and they are the same bytes.
bool SameBytes(const Handle& one, const Handle& other, std::int64_t size, ProofProgress& progress) {
    if (!win32::MoveTo(one.get(), 0) || !win32::MoveTo(other.get(), 0)) {
        return false;
    }
    const auto reader = [](const Handle& file) {
        return [&file](unsigned char* into, std::int64_t length) {
            return win32::ReadUpTo(file.get(), into, length);
        };
    };
    return SameBytesInFull(reader(one), reader(other), size, progress);
}

// The copy, held open, when it proves now that the bytes of the open victim stay on disk after
// it goes. Held without leave for others to write, rename or delete it, the copy cannot change
// or lose its name while it is held; that it was not already going when it was opened, the last
// look tells.
Handle HeldProof(std::string_view programFolder, const FoundFile& copy, const FoundFile& victim,
                 const Handle& victimHandle, ProofProgress& progress) {
    if (copy.identity.sameFileAs(victim.identity) || copy.identity.size != victim.identity.size) {
        return {};
    }
    const Handle folder = OpenAlongWay(programFolder, copy.folder);
    if (!folder.valid()) {
        return {};
    }
    Handle kept = OpenAsFound(folder, copy, ToCompare);
    if (!kept.valid() || !SameBytes(victimHandle, kept, victim.identity.size, progress) ||
        !IsAsFound(kept, copy.identity)) {
        return {};
    }
    return kept;
}

} // namespace

bool RemoveFoundFile(std::string_view programFolder, const FoundFile& file,
                     const LastMoment& lastMoment) {
    const Handle folder = OpenAlongWay(programFolder, file.folder);
    if (!folder.valid() || (lastMoment && !lastMoment(PathOf(programFolder, file)))) {
        return false;
    }
    Handle victim = OpenAsFound(folder, file, ToRemove);
    return victim.valid() && IsRemovableAsFound(victim, file.identity) && Remove(std::move(victim));
}

bool RemoveProvenCopy(std::string_view programFolder, const FoundFile& file,
                      const std::vector<const FoundFile*>& copies, ProofProgress& progress,
                      const LastMoment& lastMoment) {
    const Handle folder = OpenAlongWay(programFolder, file.folder);
    if (!folder.valid()) {
        return false;
    }
    Handle victim = OpenAsFound(folder, file, ToRemove | ToCompare);
    if (!victim.valid() || !IsRemovableAsFound(victim, file.identity)) {
        return false;
    }
    // The proof stays held until the victim is gone.
    Handle proof;
    for (const FoundFile* copy : copies) {
        proof = HeldProof(programFolder, *copy, file, victim, progress);
        if (proof.valid()) {
            break;
        }
    }
    if (!proof.valid() || (lastMoment && !lastMoment(PathOf(programFolder, file)))) {
        return false;
    }
    // The bytes compared are the bytes that go: the open file is still as it was found.
    return IsRemovableAsFound(victim, file.identity) && Remove(std::move(victim));
}

} // namespace bk
