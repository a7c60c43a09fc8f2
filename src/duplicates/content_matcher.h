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
};

} // namespace bk
