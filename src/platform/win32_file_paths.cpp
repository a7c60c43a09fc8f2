#include "platform/file_paths.h"
#include "platform/win32_file_status.h"
#include "platform/win32_opening.h"
#include "platform/win32_path_syntax.h"
#include "platform/win32_text.h"

#include <algorithm>
#include <windows.h>

namespace bk {

namespace {

using win32::IsSeparator;

// The system's own names of the program's files may come in the verbatim form; the program's
// paths are the usual ones, which the file layer makes verbatim again at every call.
std::wstring WithoutVerbatimPrefix(std::wstring path) {
    constexpr std::wstring_view Verbatim = L"\\\\?\\";
    constexpr std::wstring_view VerbatimShare = L"\\\\?\\UNC\\";
    if (path.starts_with(VerbatimShare)) {
        return L"\\\\" + path.substr(VerbatimShare.size());
    }
    if (path.starts_with(Verbatim)) {
        return path.substr(Verbatim.size());
    }
    return path;
}

// A text the system writes into a buffer of ours, asked for until the buffer holds it:
// fill(buffer, room) gives the length written, or at least room when the buffer was too small,
// or 0 on failure.
template <typename Fill> std::wstring SystemText(Fill fill) {
    std::wstring text(MAX_PATH, L'\0');
    constexpr std::size_t Longest = 1 << 16; // beyond any path the system takes
    while (text.size() <= Longest) {
        const DWORD length = fill(text.data(), static_cast<DWORD>(text.size()));
        if (length == 0) {
            return {};
        }
        if (length < text.size()) {
            text.resize(length);
            return text;
        }
        text.resize(std::max<std::size_t>(length, text.size() * 2));
    }
    return {};
}

std::string WithSeparatorAtEnd(std::string folder) {
    if (!folder.empty() && !IsSeparator(folder.back())) {
        folder += PathSeparator;
    }
    return folder;
}

std::optional<win32::FileStatus> StatusAt(const std::string& path, bool followLink) {
    const win32::Handle opened =
        win32::OpenPath(path, FILE_READ_ATTRIBUTES, win32::ShareAll, followLink);
    if (!opened.valid()) {
        return std::nullopt;
    }
    return win32::StatusOf(opened.get());
}

} // namespace

// "X:" starts an absolute path, and so does "\\server\share"; "\name" is on the drive or share
// of the program's folder; the empty name is that drive's root.
std::string ResolvePath(std::string_view programFolder, std::string_view name) {
    if (win32::IsAbsolute(name)) {
        return std::string(name);
    }
    if (name.empty() || IsSeparator(name.front())) {
        std::string path = win32::RootOf(programFolder);
        const std::size_t separators = name.find_first_not_of(PathSeparators);
        if (separators != std::string_view::npos) {
            path.append(name.substr(separators));
        }
        return path;
    }
    return WithSeparatorAtEnd(std::string(programFolder)).append(name);
}

std::optional<FileIdentity> RegularFileIdentity(const std::string& path) {
    const auto status = StatusAt(path, false);
    if (!status || !win32::IsRegularFile(*status)) {
        return std::nullopt;
    }
    return status->identity;
}

std::optional<FileIdentity> FolderIdentity(const std::string& path) {
    const auto status = StatusAt(path, true);
    if (!status || (status->attributes & FILE_ATTRIBUTE_DIRECTORY) == 0) {
        return std::nullopt;
    }
    return win32::AsFolderIdentity(status->identity);
}

std::string ExecutableFolder() {
    const std::wstring module = SystemText(
        [](wchar_t* buffer, DWORD room) { return GetModuleFileNameW(nullptr, buffer, room); });
    const std::string path = ByteText(WithoutVerbatimPrefix(module));
    const std::size_t lastSeparator = path.find_last_of(PathSeparators);
    if (lastSeparator == std::string::npos) {
        return {};
    }
    return path.substr(0, lastSeparator + 1);
}

std::string CurrentFolder() {
    const std::wstring folder =
        SystemText([](wchar_t* buffer, DWORD room) { return GetCurrentDirectoryW(room, buffer); });
    if (folder.empty()) {
        return {};
    }
    return WithSeparatorAtEnd(ByteText(WithoutVerbatimPrefix(folder)));
}

} // namespace bk
