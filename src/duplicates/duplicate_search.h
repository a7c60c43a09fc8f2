#pragma once

#include "catalogue/catalogue.h"
#include "duplicates/content_matcher.h"
#include "duplicates/search_observer.h"

namespace bk {

// Rebuilds the groups: every catalogued file in turn is the reference for the later files that
// are not yet in a group; those that match (same content, or the same name with letter case
// ignored) join the reference's group in catalogue order. Several records of one file (hard
// links, a folder added twice) count as the first of them alone, so no group ever holds one file
// twice.
//
// The content search hands the matcher every candidate first, then classifies each set of
// same-size files when its first file is reached. The observer follows the search.
void SearchDuplicates(Catalogue& catalogue, SearchMode mode, ContentMatcher& matcher,
                      SearchObserver& observer);

} // namespace bk
