#pragma once

#include "catalogue/catalogue.h"

#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

namespace bk {

// Told, file by file, when the class of a file being classified is known: the file's index in
// the files given to classify.
class ClassObserver {
  public:
    virtual ~ClassObserver() = default;
    virtual void classKnown(std::size_t file) = 0;
};

// Sets of files kept one after another in one list: however many sets a search has, they take
// a pointer a file and an end a set.
class FileSets {
  public:
    void add(std::span<FileRecord* const> set) {
        files_.insert(files_.end(), set.begin(), set.end());
        ends_.push_back(files_.size());
    }
    std::size_t count() const { return ends_.size(); }
    std::size_t files() const { return files_.size(); }
    std::span<FileRecord* const> operator[](std::size_t set) const {
        const std::size_t start = set == 0 ? 0 : ends_[set - 1];
        return std::span<FileRecord* const>(files_).subspan(start, ends_[set] - start);
    }

  private:
    std::vector<FileRecord*> files_;
    std::vector<std::size_t> ends_;
};

// Splits catalogued files of one size (above 0) into classes of equal content.
class ContentMatcher {
  public:
    virtual ~ContentMatcher() = default;

    // files: in catalogue order, each file once. The result gives each file, at its index, a
    // class number below the number of files: files with one number have the same bytes. A file
    // that cannot be read in full at its recorded size has a number of its own. The observer learns
    // of each file as soon as its class is known, each file once.
    virtual std::vector<std::uint32_t> classify(std::span<FileRecord* const> files,
                                                ClassObserver& observer) = 0;
    // The same, with nobody watching.
    std::vector<std::uint32_t> classify(std::span<FileRecord* const> files) {
        struct Unwatched final : ClassObserver {
            void classKnown(std::size_t) override {}
        } unwatched;
        return classify(files, unwatched);
    }

    // Told once, before the first classify of a search, the sets of files the search will give
    // classify, in the order it will, so that the matcher can read ahead.
    virtual void foresee(FileSets sets) { static_cast<void>(sets); }
};

} // namespace bk
