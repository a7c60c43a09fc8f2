#pragma once

#include "ui/program.h"

#include <string>

namespace bk {

// True when the folder was added before: under the same path, or as the same folder reached by
// another path (a link, a bind mount).
bool IsFolderAdded(Program& program, const std::string& path);

// Lets the user choose a folder, and catalogues it unless it was added before.
void AddFolderCommand(Program& program);

} // namespace bk
