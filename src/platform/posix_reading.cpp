#include "platform/posix_reading.h"

#include <algorithm>
#include <cerrno>
#include <climits>
#include <sys/stat.h>
#include <unistd.h>

namespace bk::posix {

bool KeepIfRegularFile(int handle) {
    if (handle < 0) {
        return false;
    }
    struct stat info {};
    if (fstat(handle, &info) != 0 || !S_ISREG(info.st_mode)) {
        ::close(handle);
        return false;
    }
    return true;
}

std::int64_t ReadUpTo(int handle, unsigned char* buffer, std::int64_t length) {
    // A single read may return less than asked without being at the end; callers take a short
    // count as the end of the file, so we keep reading until the end really comes.
    std::int64_t done = 0;
    while (done < length) {
        const auto wanted =
            static_cast<std::size_t>(std::min<std::int64_t>(length - done, SSIZE_MAX));
        const ssize_t got = ::read(handle, buffer + done, wanted);
        if (got < 0 && errno == EINTR) {
            continue;
        }
        if (got <= 0) {
            break;
        }
        done += got;
    }
    return done;
}

FileIdentity IdentityOf(const struct stat& info) {
    FileIdentity identity;
    identity.device = static_cast<std::uint64_t>(info.st_dev);
    identity.inode = static_cast<std::uint64_t>(info.st_ino);
    identity.size = static_cast<std::int64_t>(info.st_size);
    identity.modified = FileIdentity::Nanoseconds(info.st_mtim.tv_sec, info.st_mtim.tv_nsec);
    identity.changed = FileIdentity::Nanoseconds(info.st_ctim.tv_sec, info.st_ctim.tv_nsec);
    return identity;
}

int OpenFolder(const std::string& path) {
    // O_PATH asks only for the right to pass through the folder, as a full path would.
    return ::open(path.c_str(), O_PATH | O_DIRECTORY | O_CLOEXEC);
}

} // namespace bk::posix
