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

// The files of one set: records picked by their places from a list of them, or a whole list. A
// search keeps its catalogue in a list and its sets as places in it, so its sets take no room of
// their own, however many files they hold.
class SetOfFiles {
  public:
    SetOfFiles() = default;
    // Not explicit: a list of files is a set.
    SetOfFiles(std::span<FileRecord* const> files) : list_(files), size_(files.size()) {}
    SetOfFiles(const std::vector<FileRecord*>& files)
        : SetOfFiles(std::span<FileRecord* const>(files)) {}
    SetOfFiles(std::span<FileRecord* const> list, std::span<const std::uint32_t> picked)
        : list_(list), picked_(picked), size_(picked.size()), picking_(true) {}

    std::size_t size() const { return size_; }
    bool empty() const { return size_ == 0; }
    FileRecord* operator[](std::size_t file) const {
        return picking_ ? list_[picked_[file]] : list_[file];
    }
    FileRecord* front() const { return (*this)[0]; }

    // The same files in the same order.
    friend bool operator==(const SetOfFiles& a, const SetOfFiles& b) {
        if (a.size() != b.size()) {
            return false;
        }
        for (std::size_t file = 0; file < a.size(); ++file) {
            if (a[file] != b[file]) {
                return false;
            }
        }
        return true;
    }

  private:
    std::span<FileRecord* const> list_;
    std::span<const std::uint32_t> picked_;
    std::size_t size_ = 0;
    bool picking_ = false;
};

// Splits catalogued files of one size (above 0) into classes of equal content.
class ContentMatcher {
  public:
    virtual ~ContentMatcher() = default;

    // files: in catalogue order, each file once. The result gives each file, at its index, a
    // class number below the number of files: files with one number have the same bytes. A file
    // that cannot be read in full at its recorded size has a number of its own. The observer learns
    // of each file as soon as its class is known, each file once.
    virtual std::vector<std::uint32_t> classify(const SetOfFiles& files,
                                                ClassObserver& observer) = 0;
    // The same, with nobody watching.
    std::vector<std::uint32_t> classify(const SetOfFiles& files) {
        struct Unwatched final : ClassObserver {
            void classKnown(std::size_t) override {}
        } unwatched;
        return classify(files, unwatched);
    }

    // Told once, before the first classify of a search, the sets of files the search will give
    // classify, in the order it will, so that the matcher can read ahead; told again, with no
    // sets, when the search ends. The files of the sets stay where they are until then.
    virtual void foresee(std::vector<SetOfFiles> sets) { static_cast<void>(sets); }
};

} // namespace bk
