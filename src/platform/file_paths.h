#pragma once

#include "platform/file_identity.h"

#include <optional>
#include <string>
#include <string_view>

namespace bk {

// What joins a folder and a name in a path, and every character that may separate the parts of
// a path: Windows takes "/" as well as its own "\\".
#ifdef _WIN32
inline constexpr char PathSeparator = '\\';
inline constexpr std::string_view PathSeparators = "\\/";
#else
inline constexpr char PathSeparator = '/';
inline constexpr std::string_view PathSeparators = "/";
#endif

// Resolves a name the way every service of the file layer does: absolute names stay as they are,
// the empty name is the root (on Windows, that of the program's drive), anything else is taken
// relative to programFolder (which ends in the separator). The process's current directory is
// never changed. Names are byte strings, handed to the system unchanged.
std::string ResolvePath(std::string_view programFolder, std::string_view name);

// The identity of the regular file at path, without following a final symbolic link; nothing
// when there is no regular file there.
std::optional<FileIdentity> RegularFileIdentity(const std::string& path);

// The identity of the folder at path (following links, as a walk of it would on POSIX; Windows
// walks no folder that is a reparse point, not even an added one); nothing when there is no
// folder there.
std::optional<FileIdentity> FolderIdentity(const std::string& path);

// The folder of the running executable, ending in the separator; empty when the system does not
// tell.
std::string ExecutableFolder();

// The process's current folder, ending in the separator, for tools whose names on a command line
// are relative to it; empty when the system does not tell.
std::string CurrentFolder();

} // namespace bk
