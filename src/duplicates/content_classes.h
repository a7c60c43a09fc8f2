#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace bk {

// The classes of equal content given to the files of one size, by their index: files with one
// number have the same bytes.
class ContentClasses {
  public:
    explicit ContentClasses(std::size_t files) : classes_(files, 0) {}

    void giveOwnClass(std::size_t file) { classes_[file] = next_++; }
    void giveOneClass(const std::vector<std::size_t>& files) {
        for (const std::size_t file : files) {
            classes_[file] = next_;
        }
        ++next_;
    }
    std::vector<std::uint32_t> take() { return std::move(classes_); }

  private:
    std::vector<std::uint32_t> classes_;
    std::uint32_t next_ = 0;
};

} // namespace bk
