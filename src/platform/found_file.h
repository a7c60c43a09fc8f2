#pragma once

#include "platform/file_identity.h"

#include <string>
#include <vector>

namespace bk {

// How a folder was reached, told so that nothing on the way can be swapped unnoticed: from the
// folder named start (an added folder; relative names resolve against the program's folder)
// down through each step by name. Every folder on the way carries the identity it had when it
// was walked; only its device and inode count.
struct FolderWay {
    struct Step {
        std::string name;
        FileIdentity identity;
    };
    std::string start;
    FileIdentity startIdentity;
    std::vector<Step> steps;
};

// A file as it was found: its name in the folder the way leads to, and how it looked then.
struct FoundFile {
    FolderWay folder;
    std::string name;
    FileIdentity identity;
};

} // namespace bk
