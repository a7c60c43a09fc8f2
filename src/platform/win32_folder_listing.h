#pragma once

#include "platform/listed_folder_scans.h"

#include <cstdint>
#include <string>
#include <vector>
#include <windows.h>

// Reading a folder's entries from the system, each with who it is and how it looks.
namespace bk::win32 {

using bk::ListedEntry;

// Appends the regular files and real folders of the folder held open (for listing) to entries;
// "." and "..", links, junctions and every other reparse point are left out. device is the
// folder's volume serial number. The listing itself brings every entry's index, size, times and
// attributes, so no entry is opened; where a file system's listing has no indexes, each entry is
// opened inside the folder instead. False when the listing could not be read completely.
bool ListFolder(HANDLE folder, std::uint64_t device, std::vector<ListedEntry>& entries);

// The same by opening each entry, for file systems whose listings carry no file index.
bool ListFolderOpeningEach(HANDLE folder, std::vector<ListedEntry>& entries);

} // namespace bk::win32
