#pragma once

#include "duplicates/content_matcher.h"
#include "duplicates/pairwise_matcher.h"
#include "ui/program.h"

namespace bk {

// Rebuilds the groups: every catalogued file in turn is the reference for the later files that
// are not yet in a group; those that match (same content, or the same name with letter case
// ignored) join the reference's group in catalogue order. Several records of one file (hard
// links, a folder added twice) count as the first of them alone, so no group ever holds one file
// twice. The status line and the bars follow the search.
//
// The content search classifies each set of same-size files when its first file is reached,
// with the content engine unless another matcher is given.
void SearchDuplicates(Program& program, SearchMode mode);
void SearchDuplicates(Program& program, SearchMode mode, ContentMatcher& matcher);
void SearchDuplicates(Program& program, SearchMode mode, const ContentComparison& sameContent);

// The comparison of the straightforward search: the two files byte for byte, in chunks.
ContentComparison PairwiseContentComparison(Program& program);

} // namespace bk
