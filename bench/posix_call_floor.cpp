// The least any program must ask of the system to compare the files of a tree: list every
// folder, ask for the size of every entry, and open, read the first 4 KiB of and close every
// file whose size another file shares. A finder that compares contents cannot do less; this
// one keeps no catalogue and compares nothing. Run beside brannoway-kestrill-bench, its CPU
// time is the floor under any finder's on the same tree, on this machine.
//
//   brannoway-kestrill-call-floor FOLDER

#include <chrono>
#include <cstdio>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <string>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>
#include <unordered_map>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

struct ListedFile {
    std::string path;
    off_t size = 0;
};

bool IsSelfOrParent(const char* name) {
    return std::strcmp(name, ".") == 0 || std::strcmp(name, "..") == 0;
}

// Lists folder with getdents64 and asks for each entry's status by its name in the folder, as
// a finder must to learn the sizes; follows no links.
void ListTree(const std::string& folder, std::vector<ListedFile>& files) {
    const int handle = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (handle < 0) {
        return;
    }
    std::vector<std::string> folders;
    static char listing[32 << 10];
    for (;;) {
        const ssize_t got = getdents64(handle, listing, sizeof listing);
        if (got <= 0) {
            break;
        }
        for (ssize_t at = 0; at < got;) {
            const auto* item = reinterpret_cast<const dirent64*>(listing + at);
            at += item->d_reclen;
            struct stat info {};
            if (IsSelfOrParent(item->d_name) ||
                fstatat(handle, item->d_name, &info, AT_SYMLINK_NOFOLLOW) != 0) {
                continue;
            }
            if (S_ISDIR(info.st_mode)) {
                folders.push_back(folder + "/" + item->d_name);
            } else if (S_ISREG(info.st_mode) && info.st_size > 0) {
                files.push_back({folder + "/" + item->d_name, info.st_size});
            }
        }
    }
    ::close(handle);
    for (const std::string& inner : folders) {
        ListTree(inner, files);
    }
}

double SecondsSince(Clock::time_point start) {
    return std::chrono::duration<double>(Clock::now() - start).count();
}

double Seconds(const timeval& time) {
    return static_cast<double>(time.tv_sec) + static_cast<double>(time.tv_usec) / 1e6;
}

} // namespace

int main(int argc, char* argv[]) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: brannoway-kestrill-call-floor FOLDER\n");
        return 2;
    }
    const Clock::time_point listStart = Clock::now();
    std::vector<ListedFile> files;
    ListTree(argv[1], files);
    const double listSeconds = SecondsSince(listStart);

    const Clock::time_point readStart = Clock::now();
    std::unordered_map<off_t, int> filesOfSize;
    for (const ListedFile& file : files) {
        ++filesOfSize[file.size];
    }
    static char block[4096];
    long opened = 0;
    long long bytes = 0;
    for (const ListedFile& file : files) {
        if (filesOfSize[file.size] < 2) {
            continue;
        }
        const int handle = ::open(file.path.c_str(), O_RDONLY | O_CLOEXEC);
        if (handle < 0) {
            continue;
        }
        ++opened;
        if (const ssize_t got = ::read(handle, block, sizeof block); got > 0) {
            bytes += got;
        }
        ::close(handle);
    }
    const double readSeconds = SecondsSince(readStart);
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    std::fprintf(stderr,
                 "files %zu, list %.3f s, opened %ld, open-read-close %.3f s, read %lld bytes, "
                 "CPU %.3f s (user %.3f s)\n",
                 files.size(), listSeconds, opened, readSeconds, bytes,
                 Seconds(usage.ru_utime) + Seconds(usage.ru_stime), Seconds(usage.ru_utime));
    return 0;
}
