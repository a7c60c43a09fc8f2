#pragma once

#include "catalogue/catalogue.h"
#include "catalogue/scan_observer.h"
#include "platform/file_services.h"

#include <string>
#include <string_view>

namespace bk {

// Walks path and every folder below it, depth first in the order the scans deliver entries, and
// appends a record for every file whose name passes the patterns. At depth 0 the patterns are
// split anew from patternText; depth is also the number of the folder scan the call uses.
void ScanFolder(Catalogue& catalogue, FolderScans& scans, const std::string& path,
                std::string_view patternText, int depth, ScanObserver& observer);

} // namespace bk
