#include "duplicates/content_engine.h"

#include "duplicates/block_hash.h"
#include "duplicates/byte_split.h"
#include "duplicates/content_classes.h"
#include "duplicates/open_file.h"
#include "duplicates/reading_progress.h"

#include <algorithm>
#include <tuple>

namespace bk {

namespace {

// The leading block splits most sets of same-size files without reading further; a file no
// longer than it is read whole at once.
constexpr std::int64_t LeadingBlockLength = 4096;
// The file number a leading block not read ahead is read under.
constexpr int LeadingFileNumber = 100;

std::int64_t LeadingLengthOf(const FileRecord& file) {
    return std::min(file.size, LeadingBlockLength);
}

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

const ContentEngine::LeadingBlock* ContentEngine::foreseenOf(const FileRecord* file) const {
    const auto found = std::lower_bound(foreseen_.begin(), foreseen_.end(), file,
                                        [](const LeadingBlock& entry, const FileRecord* key) {
                                            return std::less<const FileRecord*>()(entry.file, key);
                                        });
    return found != foreseen_.end() && found->file == file ? &*found : nullptr;
}

// The stages of one classification, in the order classify takes them.
class ContentEngine::Classification {
  public:
    Classification(ContentEngine& engine, const std::vector<FileRecord*>& files,
                   ClassObserver& observer)
        : engine_(engine), files_(files), size_(files.front()->size),
          classes_(files.size(), observer), progress_(engine.observer_) {
        foreseen_.reserve(files.size());
        for (const FileRecord* file : files) {
            foreseen_.push_back(engine.foreseenOf(file));
        }
    }

    std::vector<std::uint32_t> run() {
        // The bar must never go back: count on reading every file in full until the leading
        // blocks tell how many files are left to read.
        progress_.expect(unforeseenLeadingBytes() + bytesOfEvery(files_.size()));
        const std::vector<std::vector<std::size_t>> sets = setsByLeadingBlock(inDiskOrder());
        std::int64_t toRead = progress_.done();
        for (const auto& set : sets) {
            toRead += set.size() > 1 ? bytesOfEvery(set.size()) : 0;
        }
        progress_.expect(toRead);
        for (const auto& set : sets) {
            if (set.size() == 1) {
                classes_.giveOwnClass(set.front());
            } else {
                SplitByBytes(files_, set, engine_.files_, engine_.buffer_, progress_, classes_);
            }
        }
        progress_.count(0);
        return classes_.take();
    }

  private:
    std::int64_t bytesOfEvery(std::size_t files) const {
        return static_cast<std::int64_t>(files) * size_;
    }

    // The files by device and inode, roughly the order on disk.
    std::vector<std::size_t> inDiskOrder() const {
        std::vector<std::size_t> order(files_.size());
        for (std::size_t i = 0; i < order.size(); ++i) {
            order[i] = i;
        }
        std::stable_sort(order.begin(), order.end(), [this](std::size_t a, std::size_t b) {
            const FileIdentity& left = files_[a]->identity;
            const FileIdentity& right = files_[b]->identity;
            return std::tie(left.device, left.inode) < std::tie(right.device, right.inode);
        });
        return order;
    }

    std::int64_t unforeseenLeadingBytes() const {
        std::int64_t bytes = 0;
        for (std::size_t file = 0; file < files_.size(); ++file) {
            bytes += foreseen_[file] == nullptr ? LeadingLengthOf(*files_[file]) : 0;
        }
        return bytes;
    }

    // The leading block of a file as read ahead, or read now.
    LeadingBlock leadingBlockOf(std::size_t file) {
        if (foreseen_[file] != nullptr) {
            return *foreseen_[file];
        }
        const FileRecord& record = *files_[file];
        const std::int64_t length = LeadingLengthOf(record);
        unsigned char* block = engine_.buffer_.atLeast(static_cast<std::size_t>(length));
        OpenFile opened(engine_.files_, LeadingFileNumber, FullPath(record.folder, record.name),
                        size_);
        const bool read = opened.readBlock(block, length);
        progress_.count(length);
        return {files_[file], read ? QuickBlockHash(block, static_cast<std::size_t>(length)) : 0,
                read};
    }

    // Sorts the files into sets whose leading blocks may be equal, each in disk order. Files
    // that cannot be read at their size get classes of their own.
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
                classes_.giveOwnClass(file);
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

    ContentEngine& engine_;
    const std::vector<FileRecord*>& files_;
    const std::int64_t size_;
    // Each file's leading block as read ahead; null where it was not.
    std::vector<const LeadingBlock*> foreseen_;
    ContentClasses classes_;
    ReadingProgress progress_;
};

std::vector<std::uint32_t> ContentEngine::classify(const std::vector<FileRecord*>& files,
                                                   ClassObserver& observer) {
    if (files.empty()) {
        return {};
    }
    return Classification(*this, files, observer).run();
}

} // namespace bk
