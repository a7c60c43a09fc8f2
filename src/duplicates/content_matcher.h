#pragma once

#include "catalogue/catalogue.h"

#include <cstdint>
#include <vector>

namespace bk {

// Splits catalogued files of one size (above 0) into classes of equal content.
class ContentMatcher {
  public:
    virtual ~ContentMatcher() = default;

    // files: in catalogue order, each file once. The result gives each file, at its index, a
    // class number: files with one number have the same bytes. A file that cannot be read in full
    // at its recorded size has a number of its own.
    virtual std::vector<std::uint32_t> classify(const std::vector<FileRecord*>& files) = 0;

    // Told once, before the first classify of a search, every file the search may classify, in
    // catalogue order, so that the matcher can read ahead in an order that suits the disk.
    virtual void foresee(const std::vector<FileRecord*>& files) { static_cast<void>(files); }
};

} // namespace bk
