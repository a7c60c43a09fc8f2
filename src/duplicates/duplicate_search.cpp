#include "duplicates/duplicate_search.h"

#include "catalogue/case_folding.h"
#include "duplicates/content_comparison.h"
#include "ui/control_numbers.h"
#include "ui/status_line.h"

#include <string>
#include <unordered_map>
#include <unordered_set>
#include <vector>

namespace bk {

namespace {

// The files of the catalogue, in catalogue order, bucketed by what a match needs in common (the
// size, or the folded name), so that each reference visits only the later files that can match
// instead of every later file.
class CandidateIndex {
  public:
    CandidateIndex(FileList& files, SearchMode mode) {
        std::unordered_set<std::pair<std::uint64_t, std::uint64_t>, IdentityHash> seen;
        files.rewind();
        while (files.advance()) {
            FileRecord* file = files.current();
            const std::size_t ordinal = files_.size();
            files_.push_back(file);
            positionInBucket_.push_back(NotACandidate);
            bucketOf_.push_back(nullptr);
            if (!seen.insert({file->identity.device, file->identity.inode}).second &&
                file->identity.inode != 0) {
                continue; // another record of a file that is already indexed
            }
            if (mode == SameContent && file->size <= 0) {
                continue;
            }
            std::vector<FileRecord*>& bucket =
                mode == SameContent ? bySize_[file->size] : byName_[FoldCase(file->name)];
            positionInBucket_[ordinal] = bucket.size();
            bucketOf_[ordinal] = &bucket;
            bucket.push_back(file);
        }
    }

    const std::vector<FileRecord*>& files() const { return files_; }

    // Calls visit for every file after the one at ordinal that can match it, in catalogue order.
    template <typename Visit> void forEachLaterCandidate(std::size_t ordinal, Visit visit) const {
        const std::vector<FileRecord*>* bucket = bucketOf_[ordinal];
        if (bucket == nullptr) {
            return;
        }
        for (std::size_t i = positionInBucket_[ordinal] + 1; i < bucket->size(); ++i) {
            visit(*(*bucket)[i]);
        }
    }

  private:
    struct IdentityHash {
        std::size_t operator()(const std::pair<std::uint64_t, std::uint64_t>& key) const {
            return std::hash<std::uint64_t>()(key.first * 0x9e3779b97f4a7c15ULL ^ key.second);
        }
    };
    static constexpr std::size_t NotACandidate = static_cast<std::size_t>(-1);

    std::vector<FileRecord*> files_;
    std::vector<std::size_t> positionInBucket_;
    std::vector<std::vector<FileRecord*>*> bucketOf_;
    std::unordered_map<std::int64_t, std::vector<FileRecord*>> bySize_;
    std::unordered_map<std::string, std::vector<FileRecord*>> byName_;
};

// Appends a group for the reference, its first member starting a chain of its own.
GroupRecord* StartGroup(Catalogue& catalogue, FileRecord& reference) {
    GroupRecord* group = catalogue.groups.insertAfterCurrent();
    const bool chainBefore = catalogue.members.current() != nullptr;
    MemberRecord* member = catalogue.members.insertAfterCurrent();
    if (chainBefore) {
        catalogue.members.cutBeforeCurrent();
    }
    group->firstMember = member;
    group->memberCount = 1;
    group->size = reference.size;
    member->folder = reference.folder;
    member->name = reference.name;
    member->file = &reference;
    return group;
}

void AddMember(Catalogue& catalogue, GroupRecord& group, FileRecord& file) {
    ++group.memberCount;
    MemberRecord* member = catalogue.members.insertAfterCurrent();
    member->folder = file.folder;
    member->name = file.name;
    member->file = &file;
    file.grouped = 1;
}

void ShowSearchProgress(Program& program, std::int64_t done, std::int64_t total) {
    program.controls.setState(SearchProgress, done * 100 / total);
    SetStatusDetail(program,
                    std::to_string(done) + " / " + std::to_string(total) + " Dateien");
}

} // namespace

ContentComparison PairwiseContentComparison(Program& program) {
    return [&program](const FileRecord& later, const FileRecord& reference) {
        return CompareFileContents(program, FullPath(later.folder, later.name),
                                   FullPath(reference.folder, reference.name), later.size,
                                   program.comparePercent);
    };
}

void SearchDuplicates(Program& program, SearchMode mode) {
    SearchDuplicates(program, mode, PairwiseContentComparison(program));
}

void SearchDuplicates(Program& program, SearchMode mode, const ContentComparison& sameContent) {
    Catalogue& catalogue = program.catalogue;
    SetStatusActivity(program, mode == SameContent ? "Suche doppelte Dateien"
                                                   : "Suche gleichnamige Dateien");
    catalogue.groups.clear();
    catalogue.members.clear();
    program.groupsMode = mode;
    program.shownGroup = nullptr;

    const CandidateIndex index(catalogue.files, mode);
    const std::vector<FileRecord*>& files = index.files();
    const auto total = static_cast<std::int64_t>(files.size());
    for (std::size_t ordinal = 0; ordinal < files.size(); ++ordinal) {
        FileRecord& reference = *files[ordinal];
        // A file already placed in a group is never the reference of a second one, even if it
        // changed during the search and would now match other files.
        const bool alreadyGrouped = reference.grouped != 0;
        reference.grouped = 0;
        program.controls.setState(CompareProgress, 0);
        GroupRecord* group = nullptr;
        if (!alreadyGrouped) {
            index.forEachLaterCandidate(ordinal, [&](FileRecord& later) {
                if (later.grouped != 0) {
                    return;
                }
                if (mode == SameContent && !sameContent(later, reference)) {
                    return;
                }
                if (group == nullptr) {
                    group = StartGroup(catalogue, reference);
                }
                AddMember(catalogue, *group, later);
            });
        }
        ShowSearchProgress(program, static_cast<std::int64_t>(ordinal) + 1, total);
    }
    if (!files.empty()) {
        catalogue.files.makeCurrent(files.back());
    }
    program.controls.setState(SearchProgress, 0);
}

} // namespace bk
