#pragma once

#include "catalogue/catalogue.h"
#include "duplicates/search_observer.h"
#include "platform/control_layer.h"
#include "platform/file_services.h"

#include <cstdint>
#include <string>

namespace bk {

// Everything the running program holds: the layers it works through, the catalogue, and the
// little state the commands keep between events.
struct Program {
    Program(ControlLayer& controlLayer, FileServices& fileServices)
        : controls(controlLayer), files(fileServices) {}

    ControlLayer& controls;
    FileServices& files;
    Catalogue catalogue;

    std::string lastFolder;       // where the next folder chooser opens
    std::string lastActivityText; // what status field 0 shows
    std::string lastDetailText;   // what status field 1 shows

    // What the groups of the latest search are made of, and the group whose members the members
    // view lists (none after a search or a reset): the deletion commands act only on that group.
    SearchMode groupsMode = SameContent;
    GroupRecord* shownGroup = nullptr;
};

} // namespace bk
