#pragma once

#include <cstdint>

namespace bk {

// Follows a folder scan for whoever shows it: told of each folder as the walk enters it, and of
// the number of files catalogued so far after each entry the walk has read.
class ScanObserver {
  public:
    virtual ~ScanObserver() = default;
    virtual void enteringFolder() = 0;
    virtual void filesCatalogued(std::int64_t count) = 0;
};

} // namespace bk
