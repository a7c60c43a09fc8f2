#pragma once

#include "duplicates/content_matcher.h"

#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

namespace bk {

// A file's index among the files of one size being classified. Four bytes: a set may hold
// nearly every file of a catalogue of millions, and the classification keeps several of these
// a file.
using FileIndex = std::uint32_t;

// The classes of equal content given to the files of one size, by their index: files with one
// number have the same bytes. The observer learns of each file as its class is given.
class ContentClasses {
  public:
    ContentClasses(std::size_t files, ClassObserver& observer)
        : classes_(files, 0), observer_(observer) {}

    void giveOwnClass(std::size_t file) {
        classes_[file] = next_++;
        observer_.classKnown(file);
    }
    void giveOneClass(std::span<const FileIndex> files) {
        for (const FileIndex file : files) {
            classes_[file] = next_;
            observer_.classKnown(file);
        }
        ++next_;
    }
    std::vector<std::uint32_t> take() { return std::move(classes_); }

  private:
    std::vector<std::uint32_t> classes_;
    ClassObserver& observer_;
    std::uint32_t next_ = 0;
};

} // namespace bk
