#include "platform/entry_order.h"
#include "platform/file_faults.h"
#include "platform/file_services.h"
#include "platform/posix_reading.h"

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <iterator>
#include <new>
#include <sys/stat.h>
#include <unistd.h>
#include <utility>

namespace bk {

namespace {

using posix::IdentityOf;

bool IsAbsolute(std::string_view name) {
    return !name.empty() && name.front() == '/';
}

std::optional<struct stat> StatusWithoutFollowing(const std::string& path) {
    struct stat info {};
    if (lstat(path.c_str(), &info) != 0) {
        return std::nullopt;
    }
    return info;
}

// Every entry kind we do not deliver is told apart by readdir already on the usual file
// systems; asking for its status would only cost a system call per link or device.
bool MayBeFileOrFolder(const dirent& item) {
    return item.d_type == DT_REG || item.d_type == DT_DIR || item.d_type == DT_UNKNOWN;
}

bool IsSelfOrParent(const char* name) {
    return std::strcmp(name, ".") == 0 || std::strcmp(name, "..") == 0;
}

// A final "/" would only be doubled when joined; "/" itself becomes "", which is the root too.
std::string_view WithoutTrailingSeparators(std::string_view path) {
    while (!path.empty() && path.back() == '/') {
        path.remove_suffix(1);
    }
    return path;
}

bool MeansEveryEntry(std::string_view pattern) {
    return pattern.empty() || pattern == "*" || pattern == "*.*";
}

void CloseIfOpen(int handle) {
    if (handle >= 0) {
        ::close(handle);
    }
}

std::size_t IndexOf(int number) {
    return static_cast<std::size_t>(number);
}

template <typename Table> void MakeRoomFor(Table& table, int number) {
    if (IndexOf(number) >= table.size()) {
        table.resize(IndexOf(number) + 1);
    }
}

} // namespace

std::string ResolvePath(std::string_view programFolder, std::string_view name) {
    if (IsAbsolute(name)) {
        return std::string(name);
    }
    if (name.empty()) {
        return "/";
    }
    std::string path(programFolder);
    if (!path.empty() && path.back() != '/') {
        path += '/';
    }
    path += name;
    return path;
}

std::optional<FileIdentity> RegularFileIdentity(const std::string& path) {
    const auto info = StatusWithoutFollowing(path);
    if (!info || !S_ISREG(info->st_mode)) {
        return std::nullopt;
    }
    return IdentityOf(*info);
}

std::optional<FileIdentity> FolderIdentity(const std::string& path) {
    struct stat info {};
    if (stat(path.empty() ? "/" : path.c_str(), &info) != 0 || !S_ISDIR(info.st_mode)) {
        return std::nullopt;
    }
    return IdentityOf(info);
}

std::string ExecutableFolder() {
    // readlink cuts a long target silently, so the buffer grows until the target fits.
    std::string target(256, '\0');
    for (;;) {
        const ssize_t length = readlink("/proc/self/exe", target.data(), target.size());
        if (length < 0) {
            return {};
        }
        if (static_cast<std::size_t>(length) < target.size()) {
            target.resize(static_cast<std::size_t>(length));
            break;
        }
        target.resize(target.size() * 2);
    }
    const auto lastSeparator = target.rfind('/');
    if (lastSeparator == std::string::npos) {
        return {};
    }
    return target.substr(0, lastSeparator + 1);
}

// ---- Numbered files ----

NumberedFiles::NumberedFiles(std::string programFolder)
    : programFolder_(std::move(programFolder)) {}

NumberedFiles::~NumberedFiles() {
    for (const int handle : handles_) {
        CloseIfOpen(handle);
    }
}

int NumberedFiles::handleOf(int number) const {
    if (number < 0 || IndexOf(number) >= handles_.size()) {
        return -1;
    }
    return handles_[IndexOf(number)];
}

bool NumberedFiles::openForReading(int number, std::string_view name) {
    return openRegularFile(number, name, std::nullopt);
}

bool NumberedFiles::openForReadingAtSize(int number, std::string_view name, std::int64_t size) {
    return openRegularFile(number, name, size);
}

bool NumberedFiles::openRegularFile(int number, std::string_view name,
                                    std::optional<std::int64_t> size) {
    current_ = -1;
    if (number < 0) {
        return false;
    }
    close(number);
    const std::string path = ResolvePath(programFolder_, name);
    if (faults_ != nullptr) {
        return openWithFaults(number, path, size);
    }
    return openResolved(number, path, size);
}

bool NumberedFiles::openWithFaults(int number, const std::string& path,
                                   std::optional<std::int64_t> size) {
    if (faults_->refusesOpen(path) || !openResolved(number, path, size)) {
        return false;
    }
    faults_->opened(number, path);
    return true;
}

bool NumberedFiles::openResolved(int number, const std::string& path,
                                 std::optional<std::int64_t> size) {
    return adopt(number, ::open(path.c_str(), posix::ReadingFlags), size);
}

// Takes a freshly opened handle under number when it is a regular file of the size asked for;
// closes it otherwise.
bool NumberedFiles::adopt(int number, int handle, std::optional<std::int64_t> size) {
    if (!posix::KeepIfRegularFile(handle, size)) {
        return false;
    }
    MakeRoomFor(handles_, number);
    handles_[IndexOf(number)] = handle;
    current_ = number;
    ++counters_.filesOpened;
    return true;
}

void NumberedFiles::makeCurrent(int number) {
    current_ = number;
}

std::int64_t NumberedFiles::position() const {
    const int handle = handleOf(current_);
    if (handle < 0) {
        return 0;
    }
    const off_t offset = lseek(handle, 0, SEEK_CUR);
    return offset < 0 ? 0 : static_cast<std::int64_t>(offset);
}

std::int64_t NumberedFiles::read(unsigned char* buffer, std::int64_t length) {
    const int handle = handleOf(current_);
    if (handle < 0 || buffer == nullptr || length <= 0) {
        return 0;
    }
    if (faults_ != nullptr) {
        return readWithFaults(handle, buffer, length);
    }
    return readHandle(handle, buffer, length);
}

std::int64_t NumberedFiles::readWithFaults(int handle, unsigned char* buffer, std::int64_t length) {
    length = faults_->deliveredOf(faults_->pathOf(current_), length);
    return length > 0 ? readHandle(handle, buffer, length) : 0;
}

std::int64_t NumberedFiles::readHandle(int handle, unsigned char* buffer, std::int64_t length) {
    // Bytes read before an error are still reported: the offset has moved past them.
    const std::int64_t done = posix::ReadUpTo(handle, buffer, length);
    counters_.bytesRead += static_cast<std::uint64_t>(done);
    return done;
}

bool NumberedFiles::seek(std::int64_t offset) {
    const int handle = handleOf(current_);
    return handle >= 0 && offset >= 0 &&
           lseek(handle, static_cast<off_t>(offset), SEEK_SET) == static_cast<off_t>(offset);
}

std::optional<FileIdentity> NumberedFiles::currentIdentity() const {
    const int handle = handleOf(current_);
    struct stat info {};
    if (handle < 0 || fstat(handle, &info) != 0) {
        return std::nullopt;
    }
    return IdentityOf(info);
}

void NumberedFiles::close(int number) {
    const int handle = handleOf(number);
    if (handle < 0) {
        return;
    }
    ::close(handle);
    handles_[IndexOf(number)] = -1;
}

// ---- Folder scans ----

FolderScans::Listing FolderScans::listFolder(const std::string& resolvedPath) {
    std::vector<Entry> entries;
    if (!readFolder(resolvedPath, entries)) {
        return {};
    }
    return {true, inDeliveryOrder(std::move(entries))};
}

bool FolderScans::readFolder(const std::string& path, std::vector<Entry>& entries) {
    // Closed however the reading ends, an exception included.
    const std::unique_ptr<DIR, int (*)(DIR*)> listing(opendir(path.c_str()), closedir);
    if (listing == nullptr) {
        return false;
    }
    DIR* const folder = listing.get();
    const int folderHandle = dirfd(folder);
    const auto describe = [folderHandle](const char* name) -> std::optional<Entry> {
        struct stat info {};
        if (fstatat(folderHandle, name, &info, AT_SYMLINK_NOFOLLOW) != 0) {
            return std::nullopt;
        }
        if (S_ISREG(info.st_mode)) {
            return Entry{name, EntryFile, IdentityOf(info)};
        }
        if (S_ISDIR(info.st_mode)) {
            FileIdentity identity = IdentityOf(info);
            identity.size = 0; // what the system says a folder measures is no content of ours
            return Entry{name, EntryFolder, identity};
        }
        return std::nullopt;
    };

    // The system always lists "." and ".."; they are placed first whatever order it uses.
    for (const char* name : {".", ".."}) {
        Entry entry{name, EntryFolder, {}};
        if (auto described = describe(name)) {
            entry.identity = described->identity;
        }
        entries.push_back(std::move(entry));
    }
    bool complete = true;
    for (;;) {
        errno = 0;
        const dirent* item = readdir(folder);
        if (item == nullptr) {
            complete = errno == 0;
            break;
        }
        if (IsSelfOrParent(item->d_name) || !MayBeFileOrFolder(*item)) {
            continue;
        }
        if (auto entry = describe(item->d_name)) {
            entries.push_back(std::move(*entry));
        }
    }
    return complete;
}

// The listing starts with "." and ".."; they stay in front. The rest is ordered by the folded
// name, raw bytes breaking ties, so the order never depends on how the system listed the folder.
std::vector<FolderScans::Entry> FolderScans::inDeliveryOrder(std::vector<Entry> entries) {
    std::vector<std::string> keys(entries.size());
    std::vector<std::size_t> order(entries.size());
    for (std::size_t i = 0; i < entries.size(); ++i) {
        keys[i] = EntryOrderKey(entries[i].name);
        order[i] = i;
    }
    const auto byFoldedName = [&](std::size_t a, std::size_t b) {
        if (keys[a] != keys[b]) {
            return keys[a] < keys[b];
        }
        return entries[a].name < entries[b].name;
    };
    std::sort(std::next(order.begin(), 2), order.end(), byFoldedName);
    std::vector<Entry> ordered;
    ordered.reserve(entries.size());
    for (const std::size_t index : order) {
        ordered.push_back(std::move(entries[index]));
    }
    return ordered;
}

std::string FolderScans::resolvedFolder(const std::string& programFolder, std::string_view path) {
    return ResolvePath(programFolder, WithoutTrailingSeparators(path));
}

bool FolderScans::begin(int number, std::string_view path, std::string_view pattern) {
    current_ = number;
    if (number < 0) {
        return false;
    }
    MakeRoomFor(scans_, number);
    Scan& scan = scans_[IndexOf(number)];
    scan = Scan{};
    if (!MeansEveryEntry(pattern)) {
        return false;
    }
    Listing listing;
    if (readAhead_ != nullptr) {
        listing = listingReadAhead(path);
    } else {
        const std::string resolved = resolvedFolder(programFolder_, path);
        if (faults_ != nullptr && faults_->strike(FileFaults::FolderRead, resolved).fail) {
            return false;
        }
        listing = listFolder(resolved);
    }
    scan.entries = std::move(listing.entries);
    return listing.complete;
}

void FolderScans::makeCurrent(int number) {
    current_ = number;
}

FolderScans::Scan* FolderScans::currentScan() {
    if (current_ < 0 || IndexOf(current_) >= scans_.size()) {
        return nullptr;
    }
    return &scans_[IndexOf(current_)];
}

EntryKind FolderScans::next() {
    Scan* scan = currentScan();
    if (scan == nullptr) {
        return EntryEnd;
    }
    if (scan->nextIndex >= scan->entries.size()) {
        // A finished listing is let go at once: a deep walk keeps one per level.
        *scan = Scan{};
        return EntryEnd;
    }
    // Every entry is handed out once, so it can be moved rather than copied.
    entry_ = std::move(scan->entries[scan->nextIndex++]);
    return entry_.kind;
}

} // namespace bk
