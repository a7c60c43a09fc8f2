#include "duplicates/content_engine.h"

#include "duplicates/block_hash.h"

#include <algorithm>
#include <cstring>
#include <unordered_map>

namespace bk {

namespace {

// The leading block splits most sets of same-size files without reading further; a file no
// longer than it is read whole at once.
constexpr std::int64_t LeadingBlockLength = 4096;
// Files of a set compared side by side stay open unless the set is larger than this.
constexpr std::size_t MaxOpenFiles = 64;
// Blocks of one set held in memory at once, whatever the number and size of its files.
constexpr std::int64_t BlockBudget = 8 << 20;
constexpr std::int64_t MinBlockLength = 4096;
constexpr std::int64_t MaxBlockLength = 1 << 20;
// Up to this many files side by side, each block is compared with every split's directly.
constexpr std::size_t DirectComparisonLimit = 16;
// File numbers of the set being read; the pairwise comparison uses 1 and 2.
constexpr int FirstFileNumber = 100;

// Files of a set, by their slot in it, whose bytes are equal up to offset.
struct Work {
    std::vector<std::size_t> slots;
    std::int64_t offset;
};

std::int64_t BlockLengthFor(std::size_t filesSideBySide) {
    const std::int64_t share = BlockBudget / static_cast<std::int64_t>(filesSideBySide);
    return std::clamp(share / MinBlockLength * MinBlockLength, MinBlockLength, MaxBlockLength);
}

std::int64_t LeadingLengthOf(const FileRecord& file) {
    return std::min(file.size, LeadingBlockLength);
}

// The compare bar: percent of the bytes to read that were read, never going back.
class ReadingProgress {
  public:
    explicit ReadingProgress(ReadingObserver& observer) : observer_(observer) {}

    void expect(std::int64_t bytes) { toRead_ = bytes; }
    std::int64_t done() const { return done_; }

    void count(std::int64_t bytes) {
        done_ += bytes;
        const std::int64_t percent =
            toRead_ > 0 ? std::min<std::int64_t>(100, done_ * 100 / toRead_) : 100;
        if (percent != shown_) {
            shown_ = percent;
            observer_.readingAt(percent);
        }
    }

  private:
    ReadingObserver& observer_;
    std::int64_t toRead_ = 0;
    std::int64_t done_ = 0;
    std::int64_t shown_ = -1;
};

} // namespace

// The look-ahead: the leading blocks of every candidate of the search, hashed as they come.
class ContentEngine::Foreseeing final : public LeadingBlocks {
  public:
    Foreseeing(const std::vector<FileRecord*>& files, std::vector<LeadingBlock>& foreseen,
               ReadingProgress& progress)
        : files_(files), foreseen_(foreseen), progress_(progress) {}

    std::size_t count() const override { return files_.size(); }
    LeadingRead describe(std::size_t file) const override {
        const FileRecord& record = *files_[file];
        return {record.folder.str(), record.name, record.size, LeadingLengthOf(record)};
    }
    void take(std::size_t file, const unsigned char* bytes) override {
        const auto length = static_cast<std::size_t>(LeadingLengthOf(*files_[file]));
        foreseen_[file] = {files_[file], bytes != nullptr ? QuickBlockHash(bytes, length) : 0,
                           bytes != nullptr};
    }
    void progress(std::int64_t bytesRead) override {
        progress_.count(bytesRead - progress_.done());
    }

  private:
    const std::vector<FileRecord*>& files_;
    std::vector<LeadingBlock>& foreseen_;
    ReadingProgress& progress_;
};

void ContentEngine::foresee(const std::vector<FileRecord*>& files) {
    foreseen_.clear();
    if (files.empty()) {
        return; // nothing to read, nothing to show on the bar
    }
    ReadingProgress progress(observer_);
    std::int64_t leadingBytes = 0;
    for (const FileRecord* file : files) {
        leadingBytes += LeadingLengthOf(*file);
    }
    progress.expect(leadingBytes);
    foreseen_.assign(files.size(), {});
    // In catalogue order, the files of one folder come one after another, and the file layer
    // keeps a folder open for a run of its files.
    Foreseeing foreseeing(files, foreseen_, progress);
    files_.readLeadingBlocks(foreseeing);
    std::sort(foreseen_.begin(), foreseen_.end(), [](const LeadingBlock& a, const LeadingBlock& b) {
        return std::less<const FileRecord*>()(a.file, b.file);
    });
}

unsigned char* ContentEngine::bufferOf(std::size_t size) {
    if (size > bufferSize_) {
        buffer_.reset(new unsigned char[size]); // not cleared: every byte used is read first
        bufferSize_ = size;
    }
    return buffer_.get();
}

const ContentEngine::LeadingBlock* ContentEngine::foreseenOf(const FileRecord* file) const {
    const auto found = std::lower_bound(foreseen_.begin(), foreseen_.end(), file,
                                        [](const LeadingBlock& entry, const FileRecord* key) {
                                            return std::less<const FileRecord*>()(entry.file, key);
                                        });
    return found != foreseen_.end() && found->file == file ? &*found : nullptr;
}

// One classification: the files of one size, their classes so far, and the reading progress.
struct ContentEngine::Reading {
    Reading(ContentEngine& owner, const std::vector<FileRecord*>& sameSizeFiles)
        : engine(owner), files(sameSizeFiles), size(sameSizeFiles.front()->size),
          classes(sameSizeFiles.size(), 0), progress(owner.observer_) {
        foreseen.reserve(files.size());
        for (const FileRecord* file : files) {
            foreseen.push_back(engine.foreseenOf(file));
        }
    }

    ContentEngine& engine;
    const std::vector<FileRecord*>& files;
    const std::int64_t size;
    // Each file's leading block as read ahead; null where it was not.
    std::vector<const LeadingBlock*> foreseen;
    std::vector<std::uint32_t> classes;
    std::uint32_t nextClass = 0;
    ReadingProgress progress;

    NumberedFiles& numbered() { return engine.files_; }

    void giveOwnClass(std::size_t file) { classes[file] = nextClass++; }

    void giveOneClass(const std::vector<std::size_t>& group) {
        for (const std::size_t file : group) {
            classes[file] = nextClass;
        }
        ++nextClass;
    }

    // Opens a file under number and checks that it still has the size it was catalogued with.
    bool openAtRecordedSize(int number, std::size_t file) {
        const FileRecord& record = *files[file];
        return numbered().openForReadingAtSize(number, FullPath(record.folder, record.name), size);
    }

    // Reads length bytes of the current file; false when fewer came.
    bool readBlock(unsigned char* into, std::int64_t length) {
        const std::int64_t got = numbered().read(into, length);
        progress.count(length);
        return got == length;
    }

    std::vector<std::size_t> inDiskOrder() const {
        std::vector<std::size_t> order(files.size());
        for (std::size_t i = 0; i < order.size(); ++i) {
            order[i] = i;
        }
        std::stable_sort(order.begin(), order.end(), [this](std::size_t a, std::size_t b) {
            const FileIdentity& left = files[a]->identity;
            const FileIdentity& right = files[b]->identity;
            return std::tie(left.device, left.inode) < std::tie(right.device, right.inode);
        });
        return order;
    }

    std::int64_t unforeseenLeadingBytes() const {
        std::int64_t bytes = 0;
        for (std::size_t file = 0; file < files.size(); ++file) {
            bytes += foreseen[file] == nullptr ? LeadingLengthOf(*files[file]) : 0;
        }
        return bytes;
    }

    // The leading block of a file as read ahead, or read now.
    LeadingBlock leadingBlockOf(std::size_t file) {
        if (foreseen[file] != nullptr) {
            return *foreseen[file];
        }
        const std::int64_t length = LeadingLengthOf(*files[file]);
        unsigned char* block = engine.bufferOf(static_cast<std::size_t>(length));
        const bool read = openAtRecordedSize(FirstFileNumber, file) && readBlock(block, length);
        numbered().close(FirstFileNumber);
        return {files[file], read ? QuickBlockHash(block, static_cast<std::size_t>(length)) : 0,
                read};
    }

    // Sorts the files into sets whose leading blocks may be equal, each in disk order. Files that
    // cannot be read at their size get classes of their own.
    std::vector<std::vector<std::size_t>>
    setsByLeadingBlock(const std::vector<std::size_t>& order) {
        struct Keyed {
            std::uint64_t hash;
            std::size_t rank;
            std::size_t file;
        };
        std::vector<Keyed> keyed;
        for (std::size_t rank = 0; rank < order.size(); ++rank) {
            const std::size_t file = order[rank];
            const LeadingBlock leading = leadingBlockOf(file);
            if (leading.readable) {
                keyed.push_back({leading.hash, rank, file});
            } else {
                giveOwnClass(file);
            }
        }
        std::sort(keyed.begin(), keyed.end(), [](const Keyed& a, const Keyed& b) {
            return std::tie(a.hash, a.rank) < std::tie(b.hash, b.rank);
        });
        std::vector<std::vector<std::size_t>> sets;
        for (std::size_t i = 0; i < keyed.size(); ++i) {
            if (i == 0 || keyed[i].hash != keyed[i - 1].hash) {
                sets.emplace_back();
            }
            sets.back().push_back(keyed[i].file);
        }
        return sets;
    }

    // Splits a set into groups of equal bytes, block by block, every file read once from the
    // start. Each group leaves the work list only when it is down to one file or fully read.
    void splitByBytes(const std::vector<std::size_t>& set) {
        const bool keepOpen = set.size() <= MaxOpenFiles;
        // Members are named by their slot in the set; the slot is also the file's number.
        std::vector<std::size_t> readable;
        for (std::size_t slot = 0; slot < set.size(); ++slot) {
            if (!keepOpen || openAtRecordedSize(numberOf(slot), set[slot])) {
                readable.push_back(slot);
            } else {
                giveOwnClass(set[slot]);
            }
        }
        std::vector<Work> work{{readable, 0}};
        while (!work.empty()) {
            Work group = std::move(work.back());
            work.pop_back();
            if (group.slots.size() < 2 || group.offset == size) {
                finish(set, group.slots, keepOpen);
                continue;
            }
            for (auto& split : splitAtOffset(set, group.slots, group.offset, keepOpen)) {
                work.push_back(std::move(split));
            }
        }
    }

    static int numberOf(std::size_t slot) { return FirstFileNumber + static_cast<int>(slot); }

    // A file that changed size while it was read read whole blocks all the same; only its
    // size now tells.
    bool stillOfSize(const std::vector<std::size_t>& set, std::size_t slot, bool keepOpen) {
        if (keepOpen) {
            numbered().makeCurrent(numberOf(slot));
            const std::optional<FileIdentity> now = numbered().currentIdentity();
            return now && now->size == size;
        }
        const FileRecord& record = *files[set[slot]];
        const std::optional<FileIdentity> now =
            RegularFileIdentity(FullPath(record.folder, record.name));
        return now && now->size == size;
    }

    void finish(const std::vector<std::size_t>& set, const std::vector<std::size_t>& slots,
                bool keepOpen) {
        std::vector<std::size_t> group;
        for (const std::size_t slot : slots) {
            if (slots.size() < 2 || stillOfSize(set, slot, keepOpen)) {
                group.push_back(set[slot]);
            } else {
                giveOwnClass(set[slot]);
            }
            if (keepOpen) {
                numbered().close(numberOf(slot));
            }
        }
        if (!group.empty()) {
            giveOneClass(group);
        }
    }

    bool readSlotBlock(const std::vector<std::size_t>& set, std::size_t slot, std::int64_t offset,
                       unsigned char* into, std::int64_t length, bool keepOpen) {
        if (keepOpen) {
            numbered().makeCurrent(numberOf(slot));
            return readBlock(into, length);
        }
        const int number = numberOf(0);
        const bool read = openAtRecordedSize(number, set[slot]) && numbered().seek(offset) &&
                          readBlock(into, length);
        numbered().close(number);
        return read;
    }

    // Reads the block at offset of every file in the group and returns the groups of files whose
    // blocks are equal, in the order of their first files, each to go on after this block.
    std::vector<Work> splitAtOffset(const std::vector<std::size_t>& set,
                                    const std::vector<std::size_t>& slots, std::int64_t offset,
                                    bool keepOpen) {
        const std::int64_t length = std::min(BlockLengthFor(slots.size()), size - offset);
        const auto stride = static_cast<std::size_t>(length);
        unsigned char* const blocks = engine.bufferOf(slots.size() * stride);
        std::vector<Work> splits;
        std::vector<std::size_t> firstBlockOfSplit;
        std::unordered_multimap<std::uint64_t, std::size_t> splitsByHash;
        for (std::size_t k = 0; k < slots.size(); ++k) {
            unsigned char* block = blocks + k * stride;
            if (!readSlotBlock(set, slots[k], offset, block, length, keepOpen)) {
                finish(set, {slots[k]}, keepOpen); // a class of its own
                continue;
            }
            // A few files are compared with each split's first block directly; many files are
            // first sorted by a hash of their block, so that each is compared with few blocks.
            const bool byHash = slots.size() > DirectComparisonLimit;
            const std::uint64_t hash = byHash ? QuickBlockHash(block, stride) : 0;
            std::size_t found = splits.size();
            const auto sameBytes = [&](std::size_t split) {
                const unsigned char* other = blocks + firstBlockOfSplit[split] * stride;
                return std::memcmp(block, other, stride) == 0;
            };
            if (byHash) {
                const auto [first, last] = splitsByHash.equal_range(hash);
                for (auto it = first; it != last && found == splits.size(); ++it) {
                    found = sameBytes(it->second) ? it->second : found;
                }
            } else {
                for (std::size_t split = 0; split < splits.size() && found == splits.size();
                     ++split) {
                    found = sameBytes(split) ? split : found;
                }
            }
            if (found == splits.size()) {
                splits.push_back({{}, offset + length});
                firstBlockOfSplit.push_back(k);
                splitsByHash.emplace(hash, found);
            }
            splits[found].slots.push_back(slots[k]);
        }
        // Later splits go on the work list first, so the first one is read on next.
        std::reverse(splits.begin(), splits.end());
        return splits;
    }
};

std::vector<std::uint32_t> ContentEngine::classify(const std::vector<FileRecord*>& files) {
    if (files.empty()) {
        return {};
    }
    Reading reading(*this, files);
    const std::vector<std::size_t> order = reading.inDiskOrder();
    // The bar must never go back: count on reading every file in full until the leading blocks
    // tell how many files are left to read.
    const std::int64_t fullBytes = static_cast<std::int64_t>(files.size()) * reading.size;
    reading.progress.expect(reading.unforeseenLeadingBytes() + fullBytes);
    const std::vector<std::vector<std::size_t>> sets = reading.setsByLeadingBlock(order);
    std::int64_t toRead = reading.progress.done();
    for (const auto& set : sets) {
        if (set.size() > 1) {
            toRead += static_cast<std::int64_t>(set.size()) * reading.size;
        }
    }
    reading.progress.expect(toRead);
    for (const auto& set : sets) {
        if (set.size() == 1) {
            reading.giveOwnClass(set.front());
        } else {
            reading.splitByBytes(set);
        }
    }
    reading.progress.count(0);
    return reading.classes;
}

} // namespace bk
