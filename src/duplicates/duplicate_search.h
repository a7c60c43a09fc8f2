#pragma once

#include "ui/program.h"

#include <functional>

namespace bk {

// Decides whether a later catalogued file has the same content as a reference file of the same
// size (above 0).
using ContentComparison =
    std::function<bool(const FileRecord& laterFile, const FileRecord& referenceFile)>;

// Rebuilds the groups: every catalogued file in turn is the reference for the later files that
// are not yet in a group; those that match (same content, or the same name with letter case
// ignored) join the reference's group in catalogue order. Several records of one file (hard
// links, a folder added twice) count as the first of them alone, so no group ever holds one file
// twice. The status line and the bars follow the search.
void SearchDuplicates(Program& program, SearchMode mode);
void SearchDuplicates(Program& program, SearchMode mode, const ContentComparison& sameContent);

// The comparison the content search uses unless told otherwise: the two files byte for byte.
ContentComparison PairwiseContentComparison(Program& program);

} // namespace bk
