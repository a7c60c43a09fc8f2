#pragma once

#include "duplicates/block_buffer.h"
#include "duplicates/content_matcher.h"
#include "duplicates/search_observer.h"
#include "platform/file_services.h"

#include <memory>

namespace bk {

// Classifies files of one size while reading each of them about once. The leading block of every
// file comes first: read ahead for the whole search, folder by folder, when the search names its
// candidates beforehand, else when the set is classified. It splits most sets at once; the
// remaining candidates are then read side by side, block by block, splitting the set wherever
// the bytes differ. Those files are taken in inode order, which is roughly the order on disk,
// with a bounded number open at once and memory bounded whatever their size. Equality is always
// decided on the bytes; hashes only sort blocks into buckets worth comparing. The observer
// follows the reading.
class ContentEngine final : public ContentMatcher {
  public:
    ContentEngine(NumberedFiles& files, ReadingObserver& observer)
        : files_(files), observer_(observer) {}
    void foresee(const std::vector<FileRecord*>& files) override;
    using ContentMatcher::classify;
    std::vector<std::uint32_t> classify(const std::vector<FileRecord*>& files,
                                        ClassObserver& observer) override;

  private:
    class Classification;
    class Foreseeing;
    // A hash of the first bytes of a file, up to 4 KiB: all of them for a small file.
    struct LeadingBlock {
        const FileRecord* file = nullptr;
        std::uint64_t hash = 0;
        bool readable = false;
    };
    const LeadingBlock* foreseenOf(const FileRecord* file) const;

    NumberedFiles& files_;
    ReadingObserver& observer_;
    std::vector<LeadingBlock> foreseen_; // ordered by the file's address
    BlockBuffer buffer_;
};

} // namespace bk
