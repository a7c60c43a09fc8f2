#pragma once

#include "catalogue/folder_scan.h"
#include "duplicates/content_engine.h"
#include "duplicates/duplicate_search.h"
#include "reference/content_comparison.h"
#include "reference/pairwise_matcher.h"
#include "ui/control_numbers.h"
#include "ui/program.h"
#include "ui/progress_display.h"

#include <memory>
#include <string>
#include <string_view>

// The scan, the searches and the reference comparison run on a program as its commands run
// them, with the status line and the bars following, but without the views.
namespace bk::test {

class ReadingOnCompareBar final : public ReadingObserver {
  public:
    explicit ReadingOnCompareBar(Program& program) : program_(program) {}
    void readingAt(std::int64_t percent) override {
        program_.controls.setState(CompareProgress, percent);
    }

  private:
    Program& program_;
};

inline void ScanFolder(Program& program, const std::string& path, std::string_view patternText,
                       int depth) {
    ScanOnStatusLine observer(program);
    bk::ScanFolder(program.catalogue, program.files.scans, path, patternText, depth, observer);
}

inline void SearchDuplicates(Program& program, SearchMode mode, ContentMatcher& matcher) {
    program.groupsMode = mode;
    program.shownGroup = nullptr;
    SearchOnStatusLine observer(program);
    bk::SearchDuplicates(program.catalogue, mode, matcher, observer);
}

inline void SearchDuplicates(Program& program, SearchMode mode) {
    ReadingOnCompareBar bar(program);
    ContentEngine engine(program.files.files, bar);
    SearchDuplicates(program, mode, engine);
}

inline void SearchDuplicates(Program& program, SearchMode mode,
                             const ContentComparison& sameContent) {
    PairwiseMatcher matcher(sameContent);
    SearchDuplicates(program, mode, matcher);
}

inline ContentComparison PairwiseContentComparison(Program& program) {
    auto bar = std::make_shared<ReadingOnCompareBar>(program);
    const ContentComparison compare = bk::PairwiseContentComparison(program.files.files, *bar);
    return [bar, compare](const FileRecord& later, const FileRecord& reference) {
        return compare(later, reference);
    };
}

inline bool CompareFileContents(Program& program, const std::string& firstPath,
                                const std::string& secondPath, std::int64_t size,
                                std::int32_t percent) {
    ReadingOnCompareBar bar(program);
    return bk::CompareFileContents(program.files.files, bar, firstPath, secondPath, size, percent);
}

} // namespace bk::test
