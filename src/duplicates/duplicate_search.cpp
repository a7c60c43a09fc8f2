#include "duplicates/duplicate_search.h"

#include "catalogue/case_folding.h"

#include <algorithm>
#include <deque>
#include <span>
#include <stdexcept>
#include <string>
#include <unordered_map>
#include <utility>
#include <vector>

namespace bk {

namespace {

// Ordinals in catalogue order. Four bytes each, as is a file's bucket: a catalogue of a million
// files spends them on every file.
using Ordinal = std::uint32_t;
using Bucket = std::span<const Ordinal>;

// The catalogue in order, with the files that can match one another in buckets: of one size
// (above 0) for the content search, of one folded name for the name search. Each reference then
// visits only its bucket's later files instead of every later file. A content bucket is split
// into classes of equal content when its first file is reached; from then on every later file
// of a class matches. The buckets lie one after another in one list of ordinals, and the classes
// of a bucket take the bucket's room: however many buckets, no list of their own.
class CandidateIndex {
  public:
    CandidateIndex(FileList& files, SearchMode mode) {
        files_.reserve(static_cast<std::size_t>(files.count()));
        files.rewind();
        while (files.advance()) {
            files_.push_back(files.current());
        }
        bucketOf_.assign(files_.size(), NoBucket);
        const std::vector<bool> takingPart = FirstRecordOfEachFile(files_);
        std::unordered_map<std::int64_t, Ordinal> bucketOfSize;
        std::unordered_map<std::string, Ordinal> bucketOfName;
        for (std::size_t ordinal = 0; ordinal < files_.size(); ++ordinal) {
            const FileRecord& file = *files_[ordinal];
            if (!takingPart[ordinal] || (mode == SameContent && file.size <= 0)) {
                continue;
            }
            const Ordinal bucket = mode == SameContent
                                       ? bucketFor(bucketOfSize, file.size)
                                       : bucketFor(bucketOfName, FoldCase(file.name));
            bucketOf_[ordinal] = bucket;
            ++rooms_[bucket].size;
        }
        Ordinal start = 0;
        for (Room& room : rooms_) {
            const Ordinal size = room.size;
            room = {start, 0};
            start += size;
        }
        ordinals_.resize(start);
        split_.assign(rooms_.size(), false);
        for (std::size_t ordinal = 0; ordinal < files_.size(); ++ordinal) {
            if (bucketOf_[ordinal] != NoBucket) {
                addToBucket(bucketOf_[ordinal], ordinal);
            }
        }
    }

    const std::vector<FileRecord*>& files() const { return files_; }

    // The bucket of the file, when it is the first of a bucket of two or more that was not yet
    // split into classes; else none.
    Bucket unsplitBucketStartingAt(std::size_t ordinal) const {
        const Ordinal at = bucketOf_[ordinal];
        if (at == NoBucket || split_[at]) {
            return {};
        }
        const Bucket bucket = bucketAt(at);
        return bucket.size() > 1 && bucket.front() == ordinal ? bucket : Bucket();
    }

    // Replaces a bucket by one bucket per class of two or more files; classes[i] is the class of
    // the bucket's i-th file. A file alone in its class can match nothing and leaves the index.
    void splitIntoClasses(Bucket bucket, const std::vector<std::uint32_t>& classes) {
        if (classes.size() != bucket.size()) {
            throw std::logic_error("classes for another number of files");
        }
        const Ordinal emptied = bucketOf_[bucket.front()];
        const std::vector<Ordinal> files(bucket.begin(), bucket.end()); // its room is rewritten
        Ordinal start = rooms_[emptied].start;
        rooms_[emptied].size = 0;
        std::vector<Ordinal> classSizes(files.size(), 0);
        for (const std::uint32_t each : classes) {
            if (each >= files.size()) {
                throw std::logic_error("a class number beyond the number of files");
            }
            ++classSizes[each];
        }
        std::vector<Ordinal> bucketOfClass(files.size(), NoBucket);
        for (std::size_t i = 0; i < files.size(); ++i) {
            const std::uint32_t each = classes[i];
            if (classSizes[each] < 2) {
                bucketOf_[files[i]] = NoBucket;
                continue;
            }
            if (bucketOfClass[each] == NoBucket) {
                bucketOfClass[each] = static_cast<Ordinal>(rooms_.size());
                rooms_.push_back({start, 0});
                split_.push_back(true);
                start += classSizes[each];
            }
            addToBucket(bucketOfClass[each], files[i]);
        }
    }

    // Calls visit for every file after the one at ordinal in its bucket, in catalogue order.
    template <typename Visit> void forEachLaterCandidate(std::size_t ordinal, Visit visit) const {
        if (bucketOf_[ordinal] == NoBucket) {
            return;
        }
        const Bucket bucket = bucketAt(bucketOf_[ordinal]);
        for (auto later = std::upper_bound(bucket.begin(), bucket.end(), ordinal);
             later != bucket.end(); ++later) {
            visit(*files_[*later]);
        }
    }

  private:
    // Which records take part: of several records of one file (hard links, a folder added
    // twice), only the first in catalogue order. A record without an identity stands alone.
    // The records are sorted by inode alone, which nearly always tells files apart; the device
    // is read from the record only where inodes are equal. That keeps 16 bytes a record, not 24.
    static std::vector<bool> FirstRecordOfEachFile(const std::vector<FileRecord*>& files) {
        struct Named {
            std::uint64_t inode;
            Ordinal ordinal;
        };
        std::vector<Named> named;
        named.reserve(files.size());
        for (std::size_t ordinal = 0; ordinal < files.size(); ++ordinal) {
            if (files[ordinal]->inode != 0) {
                named.push_back({files[ordinal]->inode, static_cast<Ordinal>(ordinal)});
            }
        }
        const auto deviceOf = [&](const Named& each) { return files[each.ordinal]->device; };
        std::sort(named.begin(), named.end(), [&](const Named& a, const Named& b) {
            if (a.inode != b.inode) {
                return a.inode < b.inode;
            }
            return std::pair(deviceOf(a), a.ordinal) < std::pair(deviceOf(b), b.ordinal);
        });
        std::vector<bool> first(files.size(), true);
        for (std::size_t i = 1; i < named.size(); ++i) {
            if (named[i].inode == named[i - 1].inode &&
                deviceOf(named[i]) == deviceOf(named[i - 1])) {
                first[named[i].ordinal] = false;
            }
        }
        return first;
    }
    // Where a bucket's files lie in the list of ordinals.
    struct Room {
        Ordinal start;
        Ordinal size;
    };
    static constexpr Ordinal NoBucket = static_cast<Ordinal>(-1);

    template <typename Key>
    Ordinal bucketFor(std::unordered_map<Key, Ordinal>& bucketOfKey, const Key& key) {
        const auto [entry, added] =
            bucketOfKey.try_emplace(key, static_cast<Ordinal>(rooms_.size()));
        if (added) {
            rooms_.push_back({0, 0});
        }
        return entry->second;
    }

    Bucket bucketAt(Ordinal bucket) const {
        return Bucket(ordinals_).subspan(rooms_[bucket].start, rooms_[bucket].size);
    }
    void addToBucket(Ordinal bucket, std::size_t ordinal) {
        Room& room = rooms_[bucket];
        bucketOf_[ordinal] = bucket;
        ordinals_[room.start + room.size++] = static_cast<Ordinal>(ordinal);
    }

    std::vector<FileRecord*> files_;
    std::vector<Ordinal> bucketOf_; // by ordinal; a bucket's files are in catalogue order
    std::vector<Ordinal> ordinals_; // the buckets' files, bucket by bucket
    // A deque: the classes of a large set add buckets by the hundred thousand, and a vector
    // would hold twice the room it needs, and both its old and its new room while growing.
    std::deque<Room> rooms_;
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

    void ofBucket(Bucket bucket) { bucket_ = bucket; }
    void classKnown(std::size_t file) override { count(bucket_[file]); }
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
    Bucket bucket_;
};

// The sets of files of one size, in the order the search classifies them: by their first file.
std::vector<SetOfFiles> SetsToClassify(const CandidateIndex& index) {
    std::vector<SetOfFiles> sets;
    for (std::size_t ordinal = 0; ordinal < index.files().size(); ++ordinal) {
        if (const Bucket bucket = index.unsplitBucketStartingAt(ordinal); !bucket.empty()) {
            sets.emplace_back(index.files(), bucket);
        }
    }
    return sets;
}

// The matcher reads ahead through the sets of a search only while the search, which holds
// their files, runs.
class Foresight {
  public:
    Foresight(ContentMatcher& matcher, std::vector<SetOfFiles> sets) : matcher_(matcher) {
        matcher_.foresee(std::move(sets));
    }
    ~Foresight() { matcher_.foresee({}); }
    Foresight(const Foresight&) = delete;
    Foresight& operator=(const Foresight&) = delete;

  private:
    ContentMatcher& matcher_;
};

} // namespace

void SearchDuplicates(Catalogue& catalogue, SearchMode mode, ContentMatcher& matcher,
                      SearchObserver& observer) {
    observer.searchBegins(mode);
    catalogue.groups.clear();
    catalogue.members.clear();

    CandidateIndex index(catalogue.files, mode);
    const std::vector<FileRecord*>& files = index.files();
    const Foresight foresight(matcher, mode == SameContent ? SetsToClassify(index)
                                                           : std::vector<SetOfFiles>());
    FilesDone done(files.size(), observer);
    for (std::size_t ordinal = 0; ordinal < files.size(); ++ordinal) {
        FileRecord& reference = *files[ordinal];
        // A file already placed in a group is never the reference of a second one, even if it
        // changed during the search and would now match other files.
        const bool alreadyGrouped = reference.grouped != 0;
        reference.grouped = 0;
        observer.readingAt(0);
        if (const Bucket bucket = index.unsplitBucketStartingAt(ordinal);
            !bucket.empty() && mode == SameContent) {
            done.ofBucket(bucket);
            index.splitIntoClasses(bucket, matcher.classify({index.files(), bucket}, done));
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
