#pragma once

#include "duplicates/content_matcher.h"
#include "duplicates/search_observer.h"
#include "platform/file_services.h"

#include <functional>

namespace bk {

// Decides whether a later catalogued file has the same content as a reference file of the same
// size (above 0).
using ContentComparison =
    std::function<bool(const FileRecord& laterFile, const FileRecord& referenceFile)>;

// The straightforward classification: every file not yet in a class is the reference for the
// later files not yet in a class, and each of them that compares equal joins it. It opens a pair
// of files per comparison, so copies are read again for every reference; the content engine
// gives the same classes while reading each file about once.
class PairwiseMatcher final : public ContentMatcher {
  public:
    explicit PairwiseMatcher(ContentComparison sameContent)
        : sameContent_(std::move(sameContent)) {}
    using ContentMatcher::classify;
    std::vector<std::uint32_t> classify(const SetOfFiles& files, ClassObserver& observer) override;

  private:
    ContentComparison sameContent_;
};

// The comparison of the straightforward search: the two whole files byte for byte, in chunks.
ContentComparison PairwiseContentComparison(NumberedFiles& files, ReadingObserver& observer);

} // namespace bk
