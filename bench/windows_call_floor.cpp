// The least a Windows program can do to compare the files of a tree: list every folder with
// FindFirstFileExW and open, read the first 4 KiB of and close every file by its full path. Run
// beside brannoway-kestrill-bench.exe under Wine, it tells what the system (or Wine) costs per
// file, apart from what the program's own file layer adds.
//
//   brannoway-kestrill-call-floor.exe FOLDER

#include <chrono>
#include <cstdio>
#include <string>
#include <vector>
#include <windows.h>

namespace {

using Clock = std::chrono::steady_clock;

void ListTree(const std::wstring& folder, std::vector<std::wstring>& files) {
    WIN32_FIND_DATAW entry{};
    const HANDLE search =
        FindFirstFileExW((folder + L"\\*").c_str(), FindExInfoBasic, &entry, FindExSearchNameMatch,
                         nullptr, FIND_FIRST_EX_LARGE_FETCH);
    if (search == INVALID_HANDLE_VALUE) {
        return;
    }
    std::vector<std::wstring> folders;
    do {
        const std::wstring name = entry.cFileName;
        if (name == L"." || name == L".." ||
            (entry.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0) {
            continue;
        }
        if ((entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0) {
            folders.push_back(folder + L"\\" + name);
        } else {
            files.push_back(folder + L"\\" + name);
        }
    } while (FindNextFileW(search, &entry));
    FindClose(search);
    for (const std::wstring& inner : folders) {
        ListTree(inner, files);
    }
}

double SecondsSince(Clock::time_point start) {
    return std::chrono::duration<double>(Clock::now() - start).count();
}

} // namespace

int wmain(int argc, wchar_t* argv[]) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: brannoway-kestrill-call-floor FOLDER\n");
        return 2;
    }
    const Clock::time_point listStart = Clock::now();
    std::vector<std::wstring> files;
    ListTree(argv[1], files);
    const double listSeconds = SecondsSince(listStart);

    const Clock::time_point readStart = Clock::now();
    std::vector<char> buffer(4096);
    long long bytes = 0;
    for (const std::wstring& path : files) {
        const HANDLE file = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                        OPEN_EXISTING, FILE_FLAG_SEQUENTIAL_SCAN, nullptr);
        if (file == INVALID_HANDLE_VALUE) {
            continue;
        }
        DWORD got = 0;
        if (ReadFile(file, buffer.data(), static_cast<DWORD>(buffer.size()), &got, nullptr)) {
            bytes += got;
        }
        CloseHandle(file);
    }
    std::fprintf(stderr, "files %zu, list %.3f s, open-read-close %.3f s, read %lld bytes\n",
                 files.size(), listSeconds, SecondsSince(readStart), bytes);
    return 0;
}
