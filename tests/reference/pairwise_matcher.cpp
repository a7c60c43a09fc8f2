#include "reference/pairwise_matcher.h"

#include "reference/content_comparison.h"

namespace bk {

std::vector<std::uint32_t> PairwiseMatcher::classify(const SetOfFiles& files,
                                                     ClassObserver& observer) {
    constexpr std::uint32_t Unclassified = UINT32_MAX;
    std::vector<std::uint32_t> classes(files.size(), Unclassified);
    std::uint32_t nextClass = 0;
    for (std::size_t reference = 0; reference < files.size(); ++reference) {
        if (classes[reference] != Unclassified) {
            continue;
        }
        classes[reference] = nextClass++;
        for (std::size_t later = reference + 1; later < files.size(); ++later) {
            if (classes[later] == Unclassified && sameContent_(*files[later], *files[reference])) {
                classes[later] = classes[reference];
                observer.classKnown(later);
            }
        }
        // Nothing later can join a reference once every later file was compared with it.
        observer.classKnown(reference);
    }
    return classes;
}

ContentComparison PairwiseContentComparison(NumberedFiles& files, ReadingObserver& observer) {
    return [&files, &observer](const FileRecord& later, const FileRecord& reference) {
        return CompareFileContents(files, observer, FullPath(later.folder, later.name),
                                   FullPath(reference.folder, reference.name), later.size, 100);
    };
}

} // namespace bk
