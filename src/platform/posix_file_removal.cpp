#include "platform/file_paths.h"
#include "platform/posix_handle.h"
#include "platform/posix_reading.h"
#include "platform/proof_comparison.h"
#include "platform/system_file_removal.h"

#include <algorithm>
#include <cstring>
#include <fcntl.h>
#include <optional>
#include <sys/stat.h>
#include <unistd.h>

namespace bk {

namespace {

using posix::Handle;
using posix::IdentityOf;

std::optional<struct stat> StatusOf(const Handle& handle) {
    struct stat info {};
    if (fstat(handle.get(), &info) != 0) {
        return std::nullopt;
    }
    return info;
}

std::optional<struct stat> StatusInside(const Handle& folder, const std::string& name) {
    struct stat info {};
    if (fstatat(folder.get(), name.c_str(), &info, AT_SYMLINK_NOFOLLOW) != 0) {
        return std::nullopt;
    }
    return info;
}

bool IsWalkedFolder(const Handle& folder, const FileIdentity& walked) {
    const auto info = StatusOf(folder);
    return info && S_ISDIR(info->st_mode) && IdentityOf(*info).sameFileAs(walked);
}

bool IsAsFound(const std::optional<struct stat>& info, const FileIdentity& found) {
    return info && S_ISREG(info->st_mode) && IdentityOf(*info).unchangedSince(found);
}

// The folder a way leads to, held open; nothing when a folder on the way is gone, is a symbolic
// link, or is another folder than the one that was walked.
Handle OpenAlongWay(std::string_view programFolder, const FolderWay& way) {
    Handle folder(
        ::open(ResolvePath(programFolder, way.start).c_str(), O_PATH | O_DIRECTORY | O_CLOEXEC));
    if (!folder.valid() || !IsWalkedFolder(folder, way.startIdentity)) {
        return {};
    }
    for (const FolderWay::Step& step : way.steps) {
        Handle inner(::openat(folder.get(), step.name.c_str(),
                              O_PATH | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
        if (!inner.valid() || !IsWalkedFolder(inner, step.identity)) {
            return {};
        }
        folder = std::move(inner);
    }
    return folder;
}

// The full path of a found file, only to name it at the last moment.
std::string PathOf(std::string_view programFolder, const FoundFile& file) {
    std::string path = file.folder.start;
    for (const FolderWay::Step& step : file.folder.steps) {
        path.append("/").append(step.name);
    }
    path.append("/").append(file.name);
    return ResolvePath(programFolder, path);
}

// A file nobody may write is read-only on purpose; it stays even when we could remove it, as
// root can.
bool MayBeWritten(const Handle& folder, const FoundFile& file, const struct stat& info) {
    const bool hasAnyWriteBit = (info.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)) != 0;
    return hasAnyWriteBit && faccessat(folder.get(), file.name.c_str(), W_OK, AT_EACCESS) == 0;
}

bool RemovableAsFound(const Handle& folder, const FoundFile& file) {
    const auto info = StatusInside(folder, file.name);
    return IsAsFound(info, file.identity) && MayBeWritten(folder, file, *info);
}

// The file opened for reading inside its folder, when it is still as it was found.
Handle OpenAsFound(const Handle& folder, const FoundFile& file) {
    Handle opened(::openat(folder.get(), file.name.c_str(), posix::ReadingFlags));
    if (!opened.valid() || !IsAsFound(StatusOf(opened), file.identity)) {
        return {};
    }
    return opened;
}

// The last step: the file, looked at once more inside the folder already held, goes by its name
// there.
bool RemoveIfStillAsFound(std::string_view programFolder, const Handle& folder,
                          const FoundFile& file, const LastMoment& lastMoment) {
    if (lastMoment && !lastMoment(PathOf(programFolder, file))) {
        return false;
    }
    return RemovableAsFound(folder, file) && unlinkat(folder.get(), file.name.c_str(), 0) == 0;
}

// Both open files hold size bytes each, and they are the same bytes.
bool SameBytes(const Handle& one, const Handle& other, std::int64_t size, ProofProgress& progress) {
    if (lseek(one.get(), 0, SEEK_SET) != 0 || lseek(other.get(), 0, SEEK_SET) != 0) {
        return false;
    }
    const auto reader = [](const Handle& file) {
        return [&file](unsigned char* into, std::int64_t length) {
            return posix::ReadUpTo(file.get(), into, length);
        };
    };
    return SameBytesInFull(reader(one), reader(other), size, progress);
}

// Whether copy proves, now, that the bytes of the open victim stay on disk after it goes.
bool ProvesCopy(std::string_view programFolder, const FoundFile& copy, const FoundFile& victim,
                const Handle& victimHandle, ProofProgress& progress) {
    if (copy.identity.sameFileAs(victim.identity) || copy.identity.size != victim.identity.size) {
        return false;
    }
    const Handle folder = OpenAlongWay(programFolder, copy.folder);
    if (!folder.valid()) {
        return false;
    }
    const Handle kept = OpenAsFound(folder, copy);
    if (!kept.valid() || !SameBytes(victimHandle, kept, victim.identity.size, progress)) {
        return false;
    }
    // Still as found after the comparison, and still named in its folder: a copy whose last
    // name went meanwhile would vanish with our handle.
    const auto after = StatusOf(kept);
    return IsAsFound(after, copy.identity) && after->st_nlink > 0 &&
           IsAsFound(StatusInside(folder, copy.name), copy.identity);
}

} // namespace

bool RemoveFoundFile(std::string_view programFolder, const FoundFile& file,
                     const LastMoment& lastMoment) {
    const Handle folder = OpenAlongWay(programFolder, file.folder);
    return folder.valid() && RemoveIfStillAsFound(programFolder, folder, file, lastMoment);
}

bool RemoveProvenCopy(std::string_view programFolder, const FoundFile& file,
                      const std::vector<const FoundFile*>& copies, ProofProgress& progress,
                      const LastMoment& lastMoment) {
    const Handle folder = OpenAlongWay(programFolder, file.folder);
    if (!folder.valid() || !RemovableAsFound(folder, file)) {
        return false;
    }
    const Handle victim = OpenAsFound(folder, file);
    if (!victim.valid()) {
        return false;
    }
    const bool proven = std::any_of(copies.begin(), copies.end(), [&](const FoundFile* copy) {
        return ProvesCopy(programFolder, *copy, file, victim, progress);
    });
    // The bytes compared are the bytes that go: the open file, and then the name about to be
    // removed, are still the file as it was found.
    return proven && IsAsFound(StatusOf(victim), file.identity) &&
           RemoveIfStillAsFound(programFolder, folder, file, lastMoment);
}

} // namespace bk
