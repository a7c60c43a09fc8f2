#include "platform/file_paths.h"
#include "platform/win32_file_services.h"
#include "platform/win32_folder_listing.h"
#include "platform/win32_handle.h"
#include "platform/win32_long_path.h"
#include "platform/win32_text.h"

#include <algorithm>
#include <gtest/gtest.h>
#include <string>
#include <vector>
#include <windows.h>

namespace bk {
namespace {

using win32::Handle;

// Wine keeps its files on the host's file system, and some things of Windows it cannot do
// there: a name with a lone surrogate cannot be written in the host's UTF-8 names, and links
// are the host's symbolic links, which Wine follows even where it is asked not to, so that they
// look like what they lead to.
bool UnderWine() {
    const HMODULE ntdll = GetModuleHandleW(L"ntdll.dll");
    return ntdll != nullptr && GetProcAddress(ntdll, "wine_get_version") != nullptr;
}

// Tests name their files in the verbatim form themselves, so that what they make does not
// depend on the code under test.
std::wstring Verbatim(const std::string& path) {
    return L"\\\\?\\" + WideText(path);
}

// Makes or overwrites the file at the verbatim path.
bool WroteTo(const std::wstring& verbatimPath, std::string_view bytes) {
    const Handle file(
        CreateFileW(verbatimPath.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr));
    DWORD written = 0;
    return file.valid() &&
           WriteFile(file.get(), bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
}

void Write(const std::string& path, std::string_view bytes) {
    ASSERT_TRUE(WroteTo(Verbatim(path), bytes)) << path;
}

void MakeFolder(const std::string& path) {
    ASSERT_TRUE(CreateDirectoryW(Verbatim(path).c_str(), nullptr)) << path;
}

bool Exists(const std::string& path) {
    return GetFileAttributesW(Verbatim(path).c_str()) != INVALID_FILE_ATTRIBUTES;
}

// Held open for writing by another program that lets everyone else do anything meanwhile.
Handle OpenToWrite(const std::string& path) {
    return Handle(CreateFileW(Verbatim(path).c_str(), GENERIC_WRITE | FILE_WRITE_ATTRIBUTES,
                              FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                              OPEN_EXISTING, 0, nullptr));
}

// Takes read-only files and links along, and paths of any length.
void RemoveTree(const std::wstring& path) {
    WIN32_FIND_DATAW found{};
    const HANDLE search = FindFirstFileW((path + L"\\*").c_str(), &found);
    for (BOOL more = search != INVALID_HANDLE_VALUE; more; more = FindNextFileW(search, &found)) {
        const std::wstring name = found.cFileName, inner = path + L"\\" + name;
        const DWORD attributes = found.dwFileAttributes;
        if (name == L"." || name == L"..") {
            continue;
        }
        SetFileAttributesW(inner.c_str(), FILE_ATTRIBUTE_NORMAL);
        if ((attributes & FILE_ATTRIBUTE_DIRECTORY) == 0) {
            DeleteFileW(inner.c_str());
        } else if ((attributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0) {
            RemoveDirectoryW(inner.c_str()); // the link, not what it leads to
        } else {
            RemoveTree(inner);
        }
    }
    FindClose(search);
    RemoveDirectoryW(path.c_str());
}

using Seen = win32::ListedEntry;

std::vector<Seen> RestOfScan(FolderScans& scans) {
    std::vector<Seen> seen;
    for (EntryKind kind = scans.next(); kind != EntryEnd; kind = scans.next()) {
        seen.push_back({scans.entryName(), kind, scans.entryIdentity()});
    }
    return seen;
}

std::vector<Seen> WholeScan(FolderScans& scans, std::string_view path) {
    scans.begin(0, path);
    return RestOfScan(scans);
}

Seen EntryOf(const std::string& folder, std::string_view name) {
    Win32FolderScans scans({});
    for (const Seen& entry : WholeScan(scans, folder)) {
        if (entry.name == name) {
            return entry;
        }
    }
    return {};
}

// A file as the program's own walk finds it: each folder by its own entry ".", the file by its
// entry in the last folder.
FoundFile Found(const std::string& start, const std::vector<std::string>& steps,
                const std::string& name) {
    FoundFile found{{start, EntryOf(start, ".").identity, {}}, name, {}};
    std::string path = start;
    for (const std::string& step : steps) {
        path += "\\" + step;
        found.folder.steps.push_back({step, EntryOf(path, ".").identity});
    }
    found.identity = EntryOf(path, name).identity;
    return found;
}

class Win32FileLayerTest : public ::testing::Test {
  protected:
    Win32FileLayerTest() {
        std::wstring temp(MAX_PATH + 1, L'\0');
        temp.resize(GetTempPathW(MAX_PATH + 1, temp.data()));
        static int made = 0;
        root_ = ByteText(temp) + "bk-files-" + std::to_string(GetCurrentProcessId()) + "-" +
                std::to_string(++made);
        MakeFolder(root_);
    }
    ~Win32FileLayerTest() override { RemoveTree(Verbatim(root_)); }
    std::string path(std::string_view relative) const {
        return root_ + "\\" + std::string(relative);
    }

    std::string root_;
    Win32FileServices files_{"C:\\nowhere\\"};
};

TEST(Win32PathsTest, ResolvePathKeepsAbsoluteNamesAndPutsTheRestUnderTheProgramFolder) {
    const struct {
        std::string_view programFolder, name, expected;
    } cases[] = {
        {"C:\\bk\\", "D:\\data\\a.txt", "D:\\data\\a.txt"},
        {"C:\\bk\\", "d:/data/a.txt", "d:/data/a.txt"},
        {"C:\\bk\\", "\\\\server\\share\\a.txt", "\\\\server\\share\\a.txt"},
        {"C:\\bk\\", "a.txt", "C:\\bk\\a.txt"},
        {"C:\\bk", "sub/a.txt", "C:\\bk\\sub/a.txt"},
        {"C:\\bk\\", "", "C:\\"},
        {"C:\\bk\\", "\\a.txt", "C:\\a.txt"},
        {"\\\\server\\share\\bk\\", "", "\\\\server\\share\\"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(ResolvePath(c.programFolder, c.name), c.expected) << c.name;
    }
    // The program's own folder, which relative names resolve against, is a folder's full path.
    const std::string programFolder = ExecutableFolder();
    EXPECT_TRUE(programFolder.ends_with('\\') && FolderIdentity(programFolder)) << programFolder;
}

TEST(Win32PathsTest, LongPathFormIsVerbatimAndKeepsEveryNameAsItIs) {
    const struct {
        std::string_view path;
        std::wstring_view expected;
    } cases[] = {
        {"C:\\a\\b", L"\\\\?\\C:\\a\\b"},
        {"C:/a//b/", L"\\\\?\\C:\\a\\b"},
        {"C:", L"\\\\?\\C:\\"},
        {"C:\\a\\.\\b\\..\\..\\..\\c", L"\\\\?\\C:\\c"},
        {"C:\\ends in dot.\\NUL", L"\\\\?\\C:\\ends in dot.\\NUL"},
        {"\\\\server\\share\\x", L"\\\\?\\UNC\\server\\share\\x"},
        {"\\\\?\\C:\\x", L"\\\\?\\C:\\x"},
        {"\\\\?\\UNC\\server\\share\\x", L"\\\\?\\UNC\\server\\share\\x"},
        {"\\\\.\\PhysicalDrive0", L""},
        {"\\\\?\\Volume{0}\\x", L""},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(win32::LongPathForm(c.path), c.expected) << c.path;
    }
}

TEST_F(Win32FileLayerTest, ScanListsFilesAndFoldersInOrderWithTheIdentitiesTheirHandlesTell) {
    Write(path("b.txt"), "bb");
    Write(path("A.txt"), "a");
    Write(path("\xC3\xA4\xC3\xB6.txt"), "\xC3\xA4");
    MakeFolder(path("sub"));
    MakeFolder(path("Zeta"));
    const std::vector<Seen> seen = WholeScan(files_.scans, root_ + "\\");

    const struct {
        std::string name;
        EntryKind kind;
        std::int64_t size;
    } expected[] = {
        {".", EntryFolder, 0},
        {"..", EntryFolder, 0},
        {"A.txt", EntryFile, 1},
        {"b.txt", EntryFile, 2},
        {"sub", EntryFolder, 0},
        {"Zeta", EntryFolder, 0},
        {"\xC3\xA4\xC3\xB6.txt", EntryFile, 2},
    };
    // File systems without indexes in their listings are listed by opening each entry: both
    // ways must tell the same.
    const Handle folder(CreateFileW(Verbatim(root_).c_str(), FILE_LIST_DIRECTORY | SYNCHRONIZE,
                                    FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                    FILE_FLAG_BACKUP_SEMANTICS, nullptr));
    std::vector<Seen> opened;
    ASSERT_TRUE(win32::ListFolderOpeningEach(folder.get(), opened));
    ASSERT_EQ(seen.size(), std::size(expected));
    ASSERT_EQ(opened.size() + 2, seen.size());
    for (std::size_t i = 0; i < seen.size(); ++i) {
        const Seen& entry = seen[i];
        EXPECT_EQ(entry.name, expected[i].name);
        EXPECT_EQ(entry.kind, expected[i].kind) << entry.name;
        EXPECT_EQ(entry.identity.size, expected[i].size) << entry.name;
        const std::string at = entry.name == "." ? root_ : path(entry.name);
        if (entry.kind == EntryFile) {
            const auto now = RegularFileIdentity(at);
            EXPECT_TRUE(now && now->unchangedSince(entry.identity)) << entry.name;
        } else if (entry.name != "..") {
            EXPECT_TRUE(FolderIdentity(at)->sameFileAs(entry.identity)) << entry.name;
        }
        const auto same = [&](const Seen& other) {
            return other.name == entry.name && other.identity.unchangedSince(entry.identity);
        };
        EXPECT_TRUE(i < 2 || std::any_of(opened.begin(), opened.end(), same)) << entry.name;
    }
}

TEST_F(Win32FileLayerTest, BeginListsWholeFoldersAndRefusesWhatItCannotList) {
    Write(path("plain.txt"), "x");
    // Enough entries that the system hands the listing over in several batches. (A folder that
    // lists no entry at all, as the root of an empty drive does on Windows, cannot be made under
    // Wine, which lists "." and ".." everywhere.)
    constexpr std::size_t Many = 400;
    MakeFolder(path("many"));
    for (std::size_t i = 0; i < Many; ++i) {
        Write(path("many\\entry " + std::to_string(i) + " of a folder listed in batches"), "");
    }
    const struct {
        std::string path;
        std::string_view pattern;
        std::size_t entries; // 0: refused
    } cases[] = {
        {path("missing"), "", 0},     {path("plain.txt"), "", 0}, {root_, "*.txt", 0},
        {root_ + "\\", "", 4},        {root_ + "/", "*.*", 4},    {root_, "*", 4},
        {path("many"), "", Many + 2},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(files_.scans.begin(3, c.path, c.pattern), c.entries > 0) << c.path << c.pattern;
        EXPECT_EQ(RestOfScan(files_.scans).size(), c.entries) << c.path << c.pattern;
    }
}

TEST_F(Win32FileLayerTest, LinksAreNeitherDeliveredNorFollowed) {
    MakeFolder(path("target"));
    Write(path("target\\t.txt"), "t");
    const DWORD unprivileged = SYMBOLIC_LINK_FLAG_ALLOW_UNPRIVILEGED_CREATE;
    if (UnderWine() ||
        !CreateSymbolicLinkW(Verbatim(path("to-folder")).c_str(), Verbatim(path("target")).c_str(),
                             SYMBOLIC_LINK_FLAG_DIRECTORY | unprivileged) ||
        !CreateSymbolicLinkW(Verbatim(path("to-file")).c_str(),
                             Verbatim(path("target\\t.txt")).c_str(), unprivileged)) {
        GTEST_SKIP() << "no links to be made here (under Wine, none that stay links)";
    }
    const std::vector<Seen> seen = WholeScan(files_.scans, root_);
    EXPECT_TRUE(seen.size() == 3 && seen[2].name == "target");
    EXPECT_FALSE(files_.scans.begin(0, path("to-folder")));
    EXPECT_FALSE(files_.files.openForReading(0, path("to-file")));
}

// Names reach the system unit for unit, and paths of any length in the long form.
TEST_F(Win32FileLayerTest, WideNamesAndLongPathsAreFoundReadAndRemoved) {
    std::vector<std::string> deep;
    for (std::string folder = root_; folder.size() <= MAX_PATH; folder += "\\" + deep.back()) {
        deep.push_back("a folder with a rather long name " + std::to_string(deep.size()));
        MakeFolder(folder + "\\" + deep.back());
    }
    const struct {
        std::vector<std::string> steps;
        std::wstring_view wide;
        std::string_view bytes;
    } cases[] = {
        {{}, L"\u00e4\u00f6\u00fc\u4e2d.txt", "\xC3\xA4\xC3\xB6\xC3\xBC\xE4\xB8\xAD.txt"},
        {{}, L"x\xD800y.txt", "x\xED\xA0\x80y.txt"}, // a lone surrogate
        {deep, L"deep.txt", "deep.txt"},
    };
    for (const auto& c : cases) {
        std::string folder = root_;
        for (const std::string& step : c.steps) {
            folder += "\\" + step;
        }
        const std::string name(c.bytes);
        if (!WroteTo(Verbatim(folder) + L"\\" + std::wstring(c.wide), "12")) {
            ASSERT_TRUE(UnderWine()) << name; // Wine cannot put a lone surrogate in a host name
            continue;
        }
        EXPECT_EQ(EntryOf(folder, name).identity.size, 2) << name;
        unsigned char bytes[3] = {};
        EXPECT_TRUE(files_.files.openForReading(1, folder + "\\" + name)) << name;
        EXPECT_EQ(files_.files.read(bytes, 3), 2) << name;
        files_.files.close(1);
        EXPECT_TRUE(files_.removal.removeFound(Found(root_, c.steps, name))) << name;
        EXPECT_FALSE(Exists(folder + "\\" + name)) << name;
    }
}

TEST_F(Win32FileLayerTest, BatchReadsAskingOneByteMoreShowFilesThatGrewOrShrank) {
    const struct {
        std::string name, bytes;
        int keepAs;
        std::int64_t got; // of 11 bytes asked for a file found with 10
    } cases[] = {
        {"same", "0123456789", -1, 10}, {"grew", "0123456789+", -1, 11},
        {"shrank", "012345678", -1, 9}, {"kept", "0123456789", 7, 10},
        {"folder", "", -1, -1},         {"missing", "", -1, -1},
    };
    std::vector<FirstBytes> batch;
    std::vector<std::vector<unsigned char>> room(std::size(cases), std::vector<unsigned char>(11));
    for (std::size_t i = 0; i < std::size(cases); ++i) {
        const std::string& name = cases[i].name;
        if (name == "folder") {
            MakeFolder(path(name));
        } else if (name != "missing") {
            Write(path(name), cases[i].bytes);
        }
        batch.push_back({root_, name, room[i].data(), 11, cases[i].keepAs});
    }
    // A second reader reads on its own: the search's helper thread uses one.
    const std::unique_ptr<NumberedFiles> second = files_.files.another();
    ASSERT_TRUE(second);
    for (NumberedFiles* files : {&files_.files, second.get()}) {
        files->openAndRead(batch);
        for (std::size_t i = 0; i < batch.size(); ++i) {
            EXPECT_EQ(batch[i].got, cases[i].got) << cases[i].name;
        }
        files->makeCurrent(7);
        EXPECT_EQ(files->position(), 10);
        files->close(7);
    }
    // A file someone is writing is not opened.
    const Handle writer = OpenToWrite(path("same"));
    EXPECT_FALSE(files_.files.openForReading(1, path("same")));
}

// What happens to a found file in root\<case>\sub before it is removed; root\<case>\twin holds
// the same file under the same name. (What the program's deletion tests change on any system, as
// a file rewritten, replaced or made read-only, they change on Windows too.)
enum class Change { None, HeldForWriting, FolderSwapped };

// The handle some other program holds meanwhile, if any.
Handle Apply(Change change, const std::string& way) {
    const std::string victim = way + "\\sub\\victim";
    switch (change) {
    case Change::None:
        break;
    case Change::HeldForWriting:
        return OpenToWrite(victim);
    case Change::FolderSwapped:
        MoveFileW(Verbatim(way + "\\sub").c_str(), Verbatim(way + "\\old").c_str());
        MoveFileW(Verbatim(way + "\\twin").c_str(), Verbatim(way + "\\sub").c_str());
        break;
    }
    return {};
}

TEST_F(Win32FileLayerTest, RemoveFoundTakesOnlyTheFileAsItWasFound) {
    const struct {
        std::string_view what;
        bool startsAtSub; // else at root\<case>, with sub as a step
        Change change;
        bool removed;
    } cases[] = {
        {"unchanged", false, Change::None, true},
        {"held open for writing", false, Change::HeldForWriting, false},
        {"its folder on the way swapped", false, Change::FolderSwapped, false},
        {"the start of its way swapped", true, Change::FolderSwapped, false},
    };
    for (const auto& c : cases) {
        const std::string way = path(std::string(c.what));
        MakeFolder(way);
        MakeFolder(way + "\\sub");
        MakeFolder(way + "\\twin");
        // NTFS brings a file's size and times up to date in the listing of the name it was
        // opened by; the link is made through the name that is then found.
        Write(way + "\\sub\\victim", "content");
        ASSERT_TRUE(CreateHardLinkW(Verbatim(way + "\\twin\\victim").c_str(),
                                    Verbatim(way + "\\sub\\victim").c_str(), nullptr));
        const FoundFile found =
            c.startsAtSub ? Found(way + "\\sub", {}, "victim") : Found(way, {"sub"}, "victim");
        const Handle held = Apply(c.change, way);
        EXPECT_EQ(files_.removal.removeFound(found), c.removed) << c.what;
        EXPECT_EQ(Exists(way + "\\sub\\victim"), !c.removed) << c.what;
    }
}

} // namespace
} // namespace bk
