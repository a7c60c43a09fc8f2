#include "duplicates/byte_split.h"

#include "duplicates/block_hash.h"
#include "duplicates/open_file.h"
#include "platform/file_paths.h"

#include <algorithm>
#include <cstring>
#include <memory>
#include <unordered_map>

namespace bk {

namespace {

// Files of a set compared side by side stay open unless the set is larger than this.
constexpr std::size_t MaxOpenFiles = 64;
// Blocks of one set held in memory at once, whatever the number and size of its files.
constexpr std::int64_t BlockBudget = 8 << 20;
constexpr std::int64_t MinBlockLength = 4096;
constexpr std::int64_t MaxBlockLength = 1 << 20;
// Up to this many files side by side, each block is compared with every split's directly.
constexpr std::size_t DirectComparisonLimit = 16;
// File numbers of the set being read.
constexpr int FirstFileNumber = 100;

std::int64_t BlockLengthFor(std::size_t filesSideBySide) {
    const std::int64_t share = BlockBudget / static_cast<std::int64_t>(filesSideBySide);
    return std::clamp(share / MinBlockLength * MinBlockLength, MinBlockLength, MaxBlockLength);
}

int NumberOf(std::size_t slot) {
    return FirstFileNumber + static_cast<int>(slot);
}

// Files of the set, by their slot in it, whose bytes are equal up to offset.
struct Work {
    std::vector<std::size_t> slots;
    std::int64_t offset;
};

// One set being split. Its files are named by their slot in the set.
class ByteSplit {
  public:
    ByteSplit(const std::vector<FileRecord*>& files, const std::vector<std::size_t>& set,
              NumberedFiles& numbered, BlockBuffer& buffer, ReadingProgress& progress,
              ContentClasses& classes)
        : files_(files), set_(set), size_(files[set.front()]->size), numbered_(numbered),
          buffer_(buffer), progress_(progress), classes_(classes),
          keepOpen_(set.size() <= MaxOpenFiles), open_(set.size()) {}

    void run() {
        std::vector<std::size_t> readable;
        for (std::size_t slot = 0; slot < set_.size(); ++slot) {
            if (!keepOpen_ || openForTheSplit(slot)) {
                readable.push_back(slot);
            } else {
                classes_.giveOwnClass(set_[slot]);
            }
        }
        std::vector<Work> work{{readable, 0}};
        while (!work.empty()) {
            Work group = std::move(work.back());
            work.pop_back();
            if (group.slots.size() < 2 || group.offset == size_) {
                finish(group.slots);
                continue;
            }
            for (auto& split : splitAtOffset(group.slots, group.offset)) {
                work.push_back(std::move(split));
            }
        }
    }

  private:
    std::string pathOf(std::size_t slot) const {
        const FileRecord& record = *files_[set_[slot]];
        return FullPath(record.folder, record.name);
    }

    bool openForTheSplit(std::size_t slot) {
        open_[slot] = std::make_unique<OpenFile>(numbered_, NumberOf(slot), pathOf(slot), size_);
        return open_[slot]->isOpen();
    }

    // Reads the block at offset of a file; every block read counts on the bar, read or not.
    bool readBlock(std::size_t slot, std::int64_t offset, unsigned char* into,
                   std::int64_t length) {
        bool read = false;
        if (keepOpen_) {
            read = open_[slot]->readBlock(into, length);
        } else {
            OpenFile once(numbered_, NumberOf(0), pathOf(slot), size_);
            read = once.seek(offset) && once.readBlock(into, length);
        }
        progress_.count(length);
        return read;
    }

    // A file that changed size while it was read read whole blocks all the same; only its
    // size now tells.
    bool stillOfSize(std::size_t slot) const {
        if (keepOpen_) {
            return open_[slot]->sizeNow() == size_;
        }
        const std::optional<FileIdentity> now = RegularFileIdentity(pathOf(slot));
        return now && now->size == size_;
    }

    void finish(const std::vector<std::size_t>& slots) {
        std::vector<std::size_t> group;
        for (const std::size_t slot : slots) {
            if (slots.size() < 2 || stillOfSize(slot)) {
                group.push_back(set_[slot]);
            } else {
                classes_.giveOwnClass(set_[slot]);
            }
            open_[slot].reset();
        }
        if (!group.empty()) {
            classes_.giveOneClass(group);
        }
    }

    // Reads the block at offset of every file in the group and returns the groups of files whose
    // blocks are equal, in the order of their first files, each to go on after this block.
    std::vector<Work> splitAtOffset(const std::vector<std::size_t>& slots, std::int64_t offset) {
        const std::int64_t length = std::min(BlockLengthFor(slots.size()), size_ - offset);
        const auto stride = static_cast<std::size_t>(length);
        unsigned char* const blocks = buffer_.atLeast(slots.size() * stride);
        std::vector<Work> splits;
        std::vector<std::size_t> firstBlockOfSplit;
        std::unordered_multimap<std::uint64_t, std::size_t> splitsByHash;
        // A few files are compared with each split's first block directly; many files are
        // first sorted by a hash of their block, so that each is compared with few blocks.
        const bool byHash = slots.size() > DirectComparisonLimit;
        for (std::size_t k = 0; k < slots.size(); ++k) {
            unsigned char* block = blocks + k * stride;
            if (!readBlock(slots[k], offset, block, length)) {
                finish({slots[k]}); // a class of its own
                continue;
            }
            const std::uint64_t hash = byHash ? QuickBlockHash(block, stride) : 0;
            const auto sameBytes = [&](std::size_t split) {
                const unsigned char* other = blocks + firstBlockOfSplit[split] * stride;
                return std::memcmp(block, other, stride) == 0;
            };
            std::size_t found = splits.size();
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

    const std::vector<FileRecord*>& files_;
    const std::vector<std::size_t>& set_;
    const std::int64_t size_;
    NumberedFiles& numbered_;
    BlockBuffer& buffer_;
    ReadingProgress& progress_;
    ContentClasses& classes_;
    const bool keepOpen_;
    std::vector<std::unique_ptr<OpenFile>> open_; // by slot, while the file is held open
};

} // namespace

void SplitByBytes(const std::vector<FileRecord*>& files, const std::vector<std::size_t>& set,
                  NumberedFiles& numbered, BlockBuffer& buffer, ReadingProgress& progress,
                  ContentClasses& classes) {
    ByteSplit(files, set, numbered, buffer, progress, classes).run();
}

} // namespace bk
