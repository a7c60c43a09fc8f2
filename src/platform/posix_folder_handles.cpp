#include "platform/posix_folder_handles.h"

#include "platform/file_paths.h"
#include "platform/posix_reading.h"

#include <algorithm>
#include <cerrno>
#include <sys/resource.h>
#include <unistd.h>
#include <utility>

namespace bk::posix {

namespace {

// The open files the system allows, raised to what it allows at most: a search holds many
// folders and files open at once, and the usual first bound of 1024 dates from select().
rlim_t OpenFilesAllowed() {
    rlimit limit{};
    if (getrlimit(RLIMIT_NOFILE, &limit) != 0) {
        return 1024;
    }
    if (limit.rlim_cur < limit.rlim_max) {
        rlimit raised = limit;
        raised.rlim_cur = std::min<rlim_t>(limit.rlim_max, 1 << 20);
        if (setrlimit(RLIMIT_NOFILE, &raised) == 0) {
            return raised.rlim_cur;
        }
    }
    return limit.rlim_cur;
}

// Half of what may be open goes to folders, shared by the two readers of a search; the files
// being compared and the rest of the program keep the other half.
std::size_t FoldersHeldAtMost() {
    constexpr rlim_t Fewest = 64;
    constexpr rlim_t Most = 1 << 16;
    return static_cast<std::size_t>(std::clamp<rlim_t>(OpenFilesAllowed() / 4, Fewest, Most));
}

} // namespace

FolderHandles::FolderHandles(std::string programFolder)
    : programFolder_(std::move(programFolder)), bound_(FoldersHeldAtMost()) {}

FolderHandles::~FolderHandles() {
    letAllGo();
}

void FolderHandles::makeRoom(std::size_t folders) {
    if (handles_.size() + folders > bound_) {
        letAllGo();
    }
}

int FolderHandles::handleOf(std::string_view folder) {
    if (const auto held = handles_.find(folder); held != handles_.end()) {
        return held->second;
    }
    const int handle = OpenFolder(ResolvePath(programFolder_, folder));
    if (handle < 0 && (errno == EMFILE || errno == ENFILE)) {
        return NoneLeft; // a passing want, not a fact about the folder: not remembered
    }
    handles_.emplace(std::string(folder), handle);
    return handle;
}

void FolderHandles::letAllGo() {
    for (const auto& [folder, handle] : handles_) {
        if (handle >= 0) {
            ::close(handle);
        }
    }
    handles_.clear();
}

} // namespace bk::posix
