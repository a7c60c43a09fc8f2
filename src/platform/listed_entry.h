#pragma once

#include "platform/folder_scans.h"

#include <string>

namespace bk {

// An entry of a folder listing, as the scans hand it out.
struct ListedEntry {
    std::string name;
    EntryKind kind = EntryEnd;
    FileIdentity identity; // size 0 for folders
};

} // namespace bk
