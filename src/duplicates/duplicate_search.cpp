#include "duplicates/duplicate_search.h"

#include "catalogue/case_folding.h"

#include <algorithm>
#include <deque>
#include <string>
#include <tuple>
#include <unordered_map>
#include <utility>
#include <vector>

namespace bk {

namespace {

// Ordinals in catalogue order. Four bytes each, as are a file's bucket and place in it: a
// catalogue of a million files spends them on every file.
using Ordinal = std::uint32_t;
using Bucket = std::vector<Ordinal>;

// The catalogue in order, with the files that can match one another in buckets: of one size
// (above 0) for the content search, of one folded name for the name search. Each reference then
// visits only its bucket's later files instead of every later file. A content bucket is split
// into classes of equal content when its first file is reached; from then on every later file
// of a class matches.
class CandidateIndex {
  public:
    CandidateIndex(FileList& files, SearchMode mode) {
        files.rewind();
        while (files.advance()) {
            files_.push_back(files.current());
        }
        place_.assign(files_.size(), {NoBucket, 0});
        const std::vector<bool> takingPart = FirstRecordOfEachFile(files_);
        std::unordered_map<std::int64_t, std::size_t> bucketOfSize;
        std::unordered_map<std::string, std::size_t> bucketOfName;
        for (std::size_t ordinal = 0; ordinal < files_.size(); ++ordinal) {
            const FileRecord& file = *files_[ordinal];
            if (!takingPart[ordinal] || (mode == SameContent && file.size <= 0)) {
                continue;
            }
            const std::size_t bucket = mode == SameContent
                                           ? bucketFor(bucketOfSize, file.size)
                                           : bucketFor(bucketOfName, FoldCase(file.name));
            addToBucket(bucket, ordinal);
        }
    }

    const std::vector<FileRecord*>& files() const { return files_; }

    // The bucket of the file, when it is the first of a bucket of two or more that was not yet
    // split into classes.
    const Bucket* unsplitBucketStartingAt(std::size_t ordinal) const {
        const Place& place = place_[ordinal];
        if (place.bucket == NoBucket || place.position != 0 || split_[place.bucket]) {
            return nullptr;
        }
        const Bucket& bucket = buckets_[place.bucket];
        return bucket.size() > 1 ? &bucket : nullptr;
    }

    // Replaces a bucket by one bucket per class of two or more files; classes[i] is the class of
    // the bucket's i-th file. A file alone in its class can match nothing and leaves the index.
    void splitIntoClasses(const Bucket& bucket, const std::vector<std::uint32_t>& classes) {
        Bucket& emptied = buckets_[place_[bucket.front()].bucket];
        const Bucket files = std::move(emptied);
        emptied = Bucket();
        std::unordered_map<std::uint32_t, std::size_t> classSizes;
        for (const std::uint32_t each : classes) {
            ++classSizes[each];
        }
        std::unordered_map<std::uint32_t, std::size_t> bucketOfClass;
        for (std::size_t i = 0; i < files.size(); ++i) {
            if (classSizes[classes[i]] < 2) {
                place_[files[i]] = {NoBucket, 0};
                continue;
            }
            auto [entry, added] = bucketOfClass.try_emplace(classes[i], buckets_.size());
            if (added) {
                buckets_.emplace_back();
                split_.push_back(true);
            }
            addToBucket(entry->second, files[i]);
        }
    }

    // Calls visit for every file after the one at ordinal in its bucket, in catalogue order.
    template <typename Visit> void forEachLaterCandidate(std::size_t ordinal, Visit visit) const {
        const Place& place = place_[ordinal];
        if (place.bucket == NoBucket) {
            return;
        }
        const Bucket& bucket = buckets_[place.bucket];
        for (std::size_t i = place.position + 1; i < bucket.size(); ++i) {
            visit(*files_[bucket[i]]);
        }
    }

  private:
    // Which records take part: of several records of one file (hard links, a folder added
    // twice), only the first in catalogue order. A record without an identity stands alone.
    static std::vector<bool> FirstRecordOfEachFile(const std::vector<FileRecord*>& files) {
        struct Named {
            std::uint64_t device;
            std::uint64_t inode;
            std::size_t ordinal;
        };
        std::vector<Named> named;
        named.reserve(files.size());
        for (std::size_t ordinal = 0; ordinal < files.size(); ++ordinal) {
            const FileRecord& file = *files[ordinal];
            if (file.inode != 0) {
                named.push_back({file.device, file.inode, ordinal});
            }
        }
        std::sort(named.begin(), named.end(), [](const Named& a, const Named& b) {
            return std::tie(a.device, a.inode, a.ordinal) < std::tie(b.device, b.inode, b.ordinal);
        });
        std::vector<bool> first(files.size(), true);
        for (std::size_t i = 1; i < named.size(); ++i) {
            if (named[i].device == named[i - 1].device && named[i].inode == named[i - 1].inode) {
                first[named[i].ordinal] = false;
            }
        }
        return first;
    }
    struct Place {
        std::uint32_t bucket;
        std::uint32_t position;
    };
    static constexpr std::uint32_t NoBucket = static_cast<std::uint32_t>(-1);

    template <typename Key>
    std::size_t bucketFor(std::unordered_map<Key, std::size_t>& bucketOfKey, const Key& key) {
        const auto [entry, added] = bucketOfKey.try_emplace(key, buckets_.size());
        if (added) {
            buckets_.emplace_back();
        }
        return entry->second;
    }

    void addToBucket(std::size_t bucket, std::size_t ordinal) {
        if (split_.size() < buckets_.size()) {
            split_.resize(buckets_.size(), false);
        }
        place_[ordinal] = {static_cast<std::uint32_t>(bucket),
                           static_cast<std::uint32_t>(buckets_[bucket].size())};
        buckets_[bucket].push_back(static_cast<Ordinal>(ordinal));
    }

    std::vector<FileRecord*> files_;
    std::vector<Place> place_;
    std::deque<Bucket> buckets_; // a deque: splitting adds buckets while one is being read
    std::vector<bool> split_;
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
    member->file = &reference;
    return group;
}

void AddMember(Catalogue& catalogue, GroupRecord& group, FileRecord& file) {
    ++group.memberCount;
    MemberRecord* member = catalogue.members.insertAfterCurrent();
    member->file = &file;
    file.grouped = 1;
}

// The files of the catalogue that are done: a reference once it was handled, any other file as
// soon as its class is known. The count only grows and ends at every file.
class FilesDone final : public ClassObserver {
  public:
    FilesDone(std::size_t files, SearchObserver& observer)
        : done_(files, false), total_(static_cast<std::int64_t>(files)), observer_(observer) {}

    void ofBucket(const Bucket* bucket) { bucket_ = bucket; }
    void classKnown(std::size_t file) override { count((*bucket_)[file]); }
    void count(std::size_t ordinal) {
        if (!done_[ordinal]) {
            done_[ordinal] = true;
            observer_.referencesDone(++count_, total_);
        }
    }

  private:
    std::vector<bool> done_;
    std::int64_t count_ = 0;
    const std::int64_t total_;
    SearchObserver& observer_;
    const Bucket* bucket_ = nullptr;
};

std::vector<FileRecord*> FilesOf(const CandidateIndex& index, const Bucket& bucket) {
    std::vector<FileRecord*> files;
    files.reserve(bucket.size());
    for (const Ordinal ordinal : bucket) {
        files.push_back(index.files()[ordinal]);
    }
    return files;
}

// The sets of files of one size, in the order the search classifies them: by their first file.
FileSets SetsToClassify(const CandidateIndex& index) {
    FileSets sets;
    for (std::size_t ordinal = 0; ordinal < index.files().size(); ++ordinal) {
        if (const Bucket* bucket = index.unsplitBucketStartingAt(ordinal)) {
            sets.add(FilesOf(index, *bucket));
        }
    }
    return sets;
}

} // namespace

void SearchDuplicates(Catalogue& catalogue, SearchMode mode, ContentMatcher& matcher,
                      SearchObserver& observer) {
    observer.searchBegins(mode);
    catalogue.groups.clear();
    catalogue.members.clear();

    CandidateIndex index(catalogue.files, mode);
    const std::vector<FileRecord*>& files = index.files();
    if (mode == SameContent) {
        matcher.foresee(SetsToClassify(index));
    }
    FilesDone done(files.size(), observer);
    for (std::size_t ordinal = 0; ordinal < files.size(); ++ordinal) {
        FileRecord& reference = *files[ordinal];
        // A file already placed in a group is never the reference of a second one, even if it
        // changed during the search and would now match other files.
        const bool alreadyGrouped = reference.grouped != 0;
        reference.grouped = 0;
        observer.readingAt(0);
        if (const Bucket* bucket = index.unsplitBucketStartingAt(ordinal);
            bucket != nullptr && mode == SameContent) {
            done.ofBucket(bucket);
            index.splitIntoClasses(*bucket, matcher.classify(FilesOf(index, *bucket), done));
        }
        GroupRecord* group = nullptr;
        if (!alreadyGrouped) {
            index.forEachLaterCandidate(ordinal, [&](FileRecord& later) {
                if (later.grouped != 0) {
                    return;
                }
                if (group == nullptr) {
                    group = StartGroup(catalogue, reference);
                }
                AddMember(catalogue, *group, later);
            });
        }
        done.count(ordinal);
    }
    if (!files.empty()) {
        catalogue.files.makeCurrent(files.back());
    }
    observer.searchEnds();
}

} // namespace bk
