#pragma once

#include "catalogue/catalogue.h"

#include <cstddef>
#include <cstdint>
#include <vector>

namespace bk {

// Told, file by file, when the class of a file being classified is known: the file's index in
// the files given to classify.
class ClassObserver {
  public:
    virtual ~ClassObserver() = default;
    virtual void classKnown(std::size_t file) = 0;
};

// Splits catalogued files of one size (above 0) into classes of equal content.
class ContentMatcher {
  public:
    virtual ~ContentMatcher() = default;

    // files: in catalogue order, each file once. The result gives each file, at its index, a
    // class number: files with one number have the same bytes. A file that cannot be read in full
    // at its recorded size has a number of its own. The observer learns of each file as soon as
    // its class is known, each file once.
    virtual std::vector<std::uint32_t> classify(const std::vector<FileRecord*>& files,
                                                ClassObserver& observer) = 0;
    // The same, with nobody watching.
    std::vector<std::uint32_t> classify(const std::vector<FileRecord*>& files) {
        struct Unwatched final : ClassObserver {
            void classKnown(std::size_t) override {}
        } unwatched;
        return classify(files, unwatched);
    }

    // Told once, before the first classify of a search, the sets of files the search will give
    // classify, in the order it will, so that the matcher can read ahead.
    virtual void foresee(std::vector<std::vector<FileRecord*>> sets) { static_cast<void>(sets); }
};

} // namespace bk
