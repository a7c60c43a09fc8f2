#pragma once

#include "duplicates/block_buffer.h"
#include "duplicates/content_matcher.h"
#include "duplicates/search_observer.h"
#include "platform/file_services.h"

namespace bk {

// Classifies files of one size while opening each of them once. The leading block of every
// file comes first, read for many files at a time: a file no longer than it is read whole, and
// one byte more shows whether it still has its size. The leading blocks split most sets at
// once; the files left are then read side by side, block by block, splitting the set wherever
// the bytes differ. Files are taken in inode order, which is roughly the order on disk, and a
// set of modest size stays open from its first byte to its last. Equality is always decided on
// the bytes; hashes only sort blocks into buckets worth comparing. The observer follows the
// reading.
class ContentEngine final : public ContentMatcher {
  public:
    ContentEngine(NumberedFiles& files, ReadingObserver& observer)
        : files_(files), observer_(observer) {}
    ~ContentEngine() override { files_.letFoldersGo(); }
    ContentEngine(const ContentEngine&) = delete;
    ContentEngine& operator=(const ContentEngine&) = delete;
    using ContentMatcher::classify;
    std::vector<std::uint32_t> classify(const std::vector<FileRecord*>& files,
                                        ClassObserver& observer) override;

  private:
    class Classification;
    NumberedFiles& files_;
    ReadingObserver& observer_;
    BlockBuffer buffer_;
    BlockBuffer leading_; // the leading blocks of the set being classified
};

} // namespace bk
