#pragma once

#include "duplicates/block_buffer.h"
#include "duplicates/content_matcher.h"
#include "duplicates/search_observer.h"
#include "platform/file_services.h"

#include <memory>
#include <vector>

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
    ContentEngine(NumberedFiles& files, ReadingObserver& observer);
    ~ContentEngine() override;
    ContentEngine(const ContentEngine&) = delete;
    ContentEngine& operator=(const ContentEngine&) = delete;

    // With many files to compare, a second reader with numbered files of its own classifies the
    // sets from the last one back on another thread, while classify takes them from the first.
    void foresee(std::vector<SetOfFiles> sets) override;
    using ContentMatcher::classify;
    std::vector<std::uint32_t> classify(const SetOfFiles& files, ClassObserver& observer) override;
    // What both readers opened and read, for benchmarks, once the search is over.
    NumberedFiles::Counters counters() const;

  private:
    // What one reader reads with and tells of its reading.
    struct Reader {
        NumberedFiles& files;
        ReadingObserver& observer;
        BlockBuffer buffer;
        BlockBuffer leading; // the leading blocks of the set being classified
    };
    class Classification;
    class Helper;
    // Once every set foreseen is classified, or a new search foresees its own: the sets and the
    // second reader go.
    void letForeseenGo();
    Reader reader_;
    std::vector<SetOfFiles> foreseen_;
    std::size_t nextForeseen_ = 0;
    std::unique_ptr<Helper> helper_;
    NumberedFiles::Counters helperCounters_; // of second readers gone
};

} // namespace bk
