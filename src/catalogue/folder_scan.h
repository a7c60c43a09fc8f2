#pragma once

#include "ui/program.h"

#include <string>

namespace bk {

// Walks path and every folder below it, depth first in the order the scan delivers entries, and
// appends a record for every file whose name passes the patterns. At depth 0 the patterns are
// split anew from patternText; depth is also the number of the folder scan the call uses.
void ScanFolder(Program& program, const std::string& path, std::string_view patternText, int depth);

} // namespace bk
