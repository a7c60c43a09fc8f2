#include "duplicates/byte_split.h"

#include "duplicates/block_hash.h"

#include <algorithm>
#include <cstring>
#include <optional>
#include <unordered_map>
#include <utility>

namespace bk {

namespace {

// Files of a set compared side by side are opened together unless the set is larger than this.
constexpr std::size_t MaxOpenFiles = 64;
// Blocks of one set held in memory at once, whatever the number and size of its files.
constexpr std::int64_t BlockBudget = 256 << 10;
constexpr std::int64_t MinBlockLength = 4096;
constexpr std::int64_t MaxBlockLength = 64 << 10;
// Up to this many files side by side, each block is compared with every split's directly.
constexpr std::size_t DirectComparisonLimit = 16;
// File numbers the split opens files under itself.
constexpr int FirstFileNumber = 100;

std::int64_t BlockLengthFor(std::size_t filesSideBySide) {
    const std::int64_t share = BlockBudget / static_cast<std::int64_t>(filesSideBySide);
    return std::clamp(share / MinBlockLength * MinBlockLength, MinBlockLength, MaxBlockLength);
}

// Files of the set, by their slot in it, whose bytes are equal up to offset.
struct Work {
    std::vector<std::size_t> slots;
    std::int64_t offset;
};

// One set being split. Its files are named by their slot in the set.
class ByteSplit {
  public:
    ByteSplit(const SetOfFiles& files, std::span<const FileIndex> set, OpenFiles open,
              std::int64_t from, NumberedFiles& numbered, BlockBuffer& buffer,
              ReadingProgress& progress, ContentClasses& classes)
        : files_(files), set_(set), size_(files[set.front()]->size), from_(from),
          numbered_(numbered), buffer_(buffer), progress_(progress), classes_(classes),
          numbers_(std::move(open.numbers)), heldAt_(open.offset), opened_(set.size(), false) {}
    ~ByteSplit() {
        for (std::size_t slot = 0; slot < set_.size(); ++slot) {
            closeIfOpenedHere(slot);
        }
    }
    ByteSplit(const ByteSplit&) = delete;
    ByteSplit& operator=(const ByteSplit&) = delete;

    void run() {
        std::vector<Work> work{{openAll(), from_}};
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
    // Puts every file where the reading starts: the others are opened in one batch when they
    // are few enough to stay open. The slots that can be read.
    std::vector<std::size_t> openAll() {
        std::size_t notHeld = 0;
        for (const int number : numbers_) {
            notHeld += number < 0 ? 1U : 0U;
        }
        keepOpen_ = notHeld <= MaxOpenFiles;
        std::vector<FirstBytes> opens;
        std::vector<std::size_t> openedSlots;
        for (std::size_t slot = 0; slot < set_.size(); ++slot) {
            if (numbers_[slot] < 0 && keepOpen_) {
                numbers_[slot] = FirstFileNumber + static_cast<int>(slot);
                opens.push_back(firstBytesOf(slot, numbers_[slot]));
                openedSlots.push_back(slot);
            }
        }
        numbered_.openAndRead(opens);
        for (std::size_t k = 0; k < opens.size(); ++k) {
            opened_[openedSlots[k]] = opens[k].got == 0;
            if (!opened_[openedSlots[k]]) {
                numbers_[openedSlots[k]] = -1;
            }
        }
        std::vector<std::size_t> readable;
        for (std::size_t slot = 0; slot < set_.size(); ++slot) {
            if (!keepOpen_ || atStart(slot)) {
                readable.push_back(slot);
            } else {
                classes_.giveOwnClass(set_[slot]);
            }
        }
        return readable;
    }

    bool atStart(std::size_t slot) {
        if (numbers_[slot] < 0) {
            return false;
        }
        const std::int64_t offset = opened_[slot] ? 0 : heldAt_;
        numbered_.makeCurrent(numbers_[slot]);
        return offset == from_ || numbered_.seek(from_);
    }

    FirstBytes firstBytesOf(std::size_t slot, int number) const {
        const FileRecord& record = *files_[set_[slot]];
        return {record.folder.str(), record.name, nullptr, 0, number};
    }

    void closeIfOpenedHere(std::size_t slot) {
        if (opened_[slot]) {
            numbered_.close(numbers_[slot]);
            opened_[slot] = false;
        }
    }

    // Reads the block at offset of a file; every block read counts on the bar, read or not.
    // The last block is asked for one byte more, which comes only when the file grew.
    bool readBlock(std::size_t slot, std::int64_t offset, unsigned char* into,
                   std::int64_t length) {
        const std::int64_t asked = length + (offset + length == size_ ? 1 : 0);
        bool read = false;
        if (numbers_[slot] >= 0) {
            numbered_.makeCurrent(numbers_[slot]);
            read = numbered_.read(into, asked) == length;
        } else {
            read = readOnce(slot, offset, into, asked) == length;
        }
        progress_.count(length);
        return read;
    }

    // A file of a set too large to hold open, opened for one block. Opened anew by its name, it
    // must still be the file the scan found: blocks of two files must never make one.
    std::int64_t readOnce(std::size_t slot, std::int64_t offset, unsigned char* into,
                          std::int64_t asked) {
        const int number = FirstFileNumber + static_cast<int>(MaxOpenFiles);
        FirstBytes open = firstBytesOf(slot, number);
        numbered_.openAndRead({&open, 1});
        if (open.got != 0) {
            return -1;
        }
        numbered_.makeCurrent(number);
        const std::optional<FileIdentity> now = numbered_.currentIdentity();
        const bool same = now && now->sameFileAs(files_[set_[slot]]->identity());
        const std::int64_t got = same && numbered_.seek(offset) ? numbered_.read(into, asked) : -1;
        numbered_.close(number);
        return got;
    }

    void finish(const std::vector<std::size_t>& slots) {
        std::vector<FileIndex> group;
        for (const std::size_t slot : slots) {
            group.push_back(set_[slot]);
            closeIfOpenedHere(slot);
        }
        if (!group.empty()) {
            classes_.giveOneClass(group);
        }
    }

    // Reads the block at offset of every file in the group and returns the groups of files whose
    // blocks are equal, in the order of their first files, each to go on after this block. Only
    // the first block of each split is kept, beside the one just read: a set of many equal files
    // takes the room of a few blocks.
    std::vector<Work> splitAtOffset(const std::vector<std::size_t>& slots, std::int64_t offset) {
        const std::int64_t length = std::min(BlockLengthFor(slots.size()), size_ - offset);
        // Room for the byte beyond the end a last block is asked for.
        const auto stride = static_cast<std::size_t>(length) + 1;
        const auto compared = static_cast<std::size_t>(length);
        std::vector<Work> splits;
        std::unordered_multimap<std::uint64_t, std::size_t> splitsByHash;
        // A few splits are compared with directly; with many, a block is first sorted by its
        // hash, so that it is compared with few others.
        const bool byHash = slots.size() > DirectComparisonLimit;
        // Room for the blocks of a few splits from the start: growing would hold the old room
        // and the new at once.
        buffer_.keeping(std::min<std::size_t>(slots.size() + 1, 8) * stride);
        for (const std::size_t slot : slots) {
            // The block is read just past the first blocks of the splits so far.
            unsigned char* const heads = buffer_.keeping((splits.size() + 1) * stride);
            unsigned char* const block = heads + splits.size() * stride;
            if (!readBlock(slot, offset, block, length)) {
                finish({slot}); // a class of its own
                continue;
            }
            const std::uint64_t hash = byHash ? QuickBlockHash(block, compared) : 0;
            const auto sameBytes = [&](std::size_t split) {
                return std::memcmp(block, heads + split * stride, compared) == 0;
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
                splits.push_back({{}, offset + length}); // the block read stays as its first
                splitsByHash.emplace(hash, found);
            }
            splits[found].slots.push_back(slot);
        }
        // Later splits go on the work list first, so the first one is read on next.
        std::reverse(splits.begin(), splits.end());
        return splits;
    }

    const SetOfFiles& files_;
    std::span<const FileIndex> set_;
    const std::int64_t size_;
    const std::int64_t from_;
    NumberedFiles& numbered_;
    BlockBuffer& buffer_;
    ReadingProgress& progress_;
    ContentClasses& classes_;
    std::vector<int> numbers_;  // by slot: the number the file is open under, or -1
    const std::int64_t heldAt_; // where the files open before the split stand
    std::vector<bool> opened_;  // by slot: opened by the split, which closes it
    bool keepOpen_ = true;
};

} // namespace

void SplitByBytes(const SetOfFiles& files, std::span<const FileIndex> set, OpenFiles open,
                  std::int64_t from, NumberedFiles& numbered, BlockBuffer& buffer,
                  ReadingProgress& progress, ContentClasses& classes) {
    ByteSplit(files, set, std::move(open), from, numbered, buffer, progress, classes).run();
}

} // namespace bk
