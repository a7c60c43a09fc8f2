#pragma once

#include <string>
#include <string_view>

namespace bk::win32 {

// The form of an absolute path that every call into the system is given: "\\?\X:\..." or
// "\\?\UNC\server\share\...", separators as "\", "." and ".." taken out as Windows itself would
// take them out. This verbatim form lifts the limit of 260 characters and hands each name to the
// file system as it is, so a name that ends in a dot or a space, or is called like a device
// ("NUL"), is reached as the file it is. "X:" alone is the root of drive X. A relative path is
// taken relative to the current folder, as the system would take it. Empty for a path that names
// no place on a drive or a share (a device), so that opening it fails.
std::wstring LongPathForm(std::string_view path);

} // namespace bk::win32
