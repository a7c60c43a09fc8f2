#include "duplicates/content_engine.h"

#include "duplicates/block_hash.h"
#include "duplicates/byte_split.h"
#include "duplicates/content_classes.h"
#include "duplicates/reading_progress.h"

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <cstring>
#include <exception>
#include <mutex>
#include <optional>
#include <span>
#include <stop_token>
#include <system_error>
#include <thread>
#include <tuple>
#include <utility>

namespace bk {

namespace {

// The leading block splits most sets of same-size files without reading further; a file no
// longer than it is read whole at once.
constexpr std::int64_t LeadingBlockLength = 4096;
// Leading blocks read with one batch of requests. Their room is the largest the engine touches
// on a set of small files: 32 blocks take 128 KiB, and more would save no measurable time.
constexpr std::size_t FilesPerBatch = 32;
// A set of at most this many files is held open from its leading blocks to its last bytes, so
// that no file of it is opened twice; a larger one is let go after the leading blocks.
constexpr std::size_t MostFilesHeld = 256;
// Below this many files to compare, a second reader would cost more than it saves.
constexpr std::size_t FilesWorthAHelper = 2048;
// The numbers held files are kept under, one past another.
constexpr int FirstHeldNumber = 1000;
// The leading blocks of a set are kept until the set is split when they take no more room than
// this; files no longer than the block are then never read twice.
constexpr std::int64_t LeadingBytesKept = 256 << 10;

std::int64_t LeadingLengthOf(std::int64_t size) {
    return std::min(size, LeadingBlockLength);
}

// What a file's leading block is known by: a block of up to 16 bytes by its bytes themselves,
// so that equal keys are equal blocks; a longer one by a hash. A key is kept in eight-byte
// halves, and the second half only where blocks are longer than eight bytes and up to 16: in a
// set of a million tiny files each byte kept counts.
constexpr std::int64_t BytesInAHalf = 8;
constexpr std::int64_t BytesInAKey = 2 * BytesInAHalf;

std::uint64_t HalfKeyOf(const unsigned char* bytes, std::int64_t length) {
    std::uint64_t half = 0;
    std::memcpy(&half, bytes, static_cast<std::size_t>(std::clamp<std::int64_t>(length, 0, 8)));
    return half;
}

// The numbers of a set's held files, all closed when the set is done however it ends.
class HeldFiles {
  public:
    HeldFiles(NumberedFiles& files, std::size_t count) : files_(files), count_(count) {}
    ~HeldFiles() {
        try {
            std::vector<int> numbers(count_);
            for (std::size_t file = 0; file < count_; ++file) {
                numbers[file] = numberOf(file);
            }
            files_.closeAll(numbers);
        } catch (const std::exception&) {
            for (std::size_t file = 0; file < count_; ++file) {
                files_.close(numberOf(file)); // one by one, without memory
            }
        }
    }
    HeldFiles(const HeldFiles&) = delete;
    HeldFiles& operator=(const HeldFiles&) = delete;

    // The number file is held under; -1 when the set is too large to hold.
    int numberOf(std::size_t file) const {
        return file < count_ ? FirstHeldNumber + static_cast<int>(file) : -1;
    }

  private:
    NumberedFiles& files_;
    std::size_t count_;
};

} // namespace

// The stages of one classification, in the order classify takes them.
class ContentEngine::Classification {
  public:
    Classification(Reader& engine, const SetOfFiles& files, ClassObserver& observer)
        : engine_(engine), files_(files), size_(files.front()->size),
          leadingLength_(LeadingLengthOf(size_)), classes_(files.size(), observer),
          progress_(engine.observer),
          held_(engine.files, files.size() <= MostFilesHeld ? files.size() : 0),
          keepLeading_(static_cast<std::int64_t>(files.size()) * (leadingLength_ + 1) <=
                       LeadingBytesKept),
          keptBlocks_(keepLeading_ ? engine.leading.atLeast(files.size() * stride()) : nullptr),
          read_(files.size(), false), keys_(keepLeading_ ? 0 : files.size()),
          secondHalves_(keepLeading_ || leadingLength_ <= BytesInAHalf ||
                                leadingLength_ > BytesInAKey
                            ? 0
                            : files.size()) {}

    std::vector<std::uint32_t> run() {
        // The bar must never go back: count on reading every file in full until the leading
        // blocks tell how many files are left to read.
        progress_.expect(leadingBytesOf(files_.size()) + bytesOfEvery(files_.size()));
        std::vector<FileIndex> readable = readLeadingBlocks(inDiskOrder());
        const std::vector<FileIndex> ends =
            keepLeading_ ? sortBySameLeadingBytes(readable) : sortBySameKey(readable);
        // Where the leading blocks were compared byte for byte, or made the keys, the files of a
        // set are equal up to the block's end; a key of a hash only says that they may be.
        const std::int64_t knownEqual =
            keepLeading_ || leadingLength_ <= BytesInAKey ? leadingLength_ : 0;
        std::int64_t toRead = progress_.done();
        forEachRun(readable, ends, [&](std::span<const FileIndex> set) {
            toRead += set.size() > 1 ? bytesOfEvery(set.size()) - leadingBytesOf(set.size()) : 0;
        });
        progress_.expect(toRead);
        forEachRun(readable, ends,
                   [&](std::span<const FileIndex> set) { splitFrom(set, knownEqual); });
        progress_.count(0);
        return classes_.take();
    }

  private:
    std::int64_t bytesOfEvery(std::size_t files) const {
        return static_cast<std::int64_t>(files) * size_;
    }
    std::int64_t leadingBytesOf(std::size_t files) const {
        return static_cast<std::int64_t>(files) * leadingLength_;
    }

    // The files by device and inode, roughly the order on disk.
    std::vector<FileIndex> inDiskOrder() const {
        std::vector<FileIndex> order(files_.size());
        for (std::size_t i = 0; i < order.size(); ++i) {
            order[i] = static_cast<FileIndex>(i);
        }
        std::sort(order.begin(), order.end(), [this](FileIndex a, FileIndex b) {
            const FileRecord& left = *files_[a];
            const FileRecord& right = *files_[b];
            return std::tie(left.device, left.inode, a) < std::tie(right.device, right.inode, b);
        });
        return order;
    }

    // Reads the leading block of every file, in the order given, and gives each file that cannot
    // be read at its size a class of its own. The files that can, in the same order.
    std::vector<FileIndex> readLeadingBlocks(std::vector<FileIndex> order) {
        std::size_t readable = 0; // the readable ones move to the front as the batches go
        for (std::size_t first = 0; first < order.size(); first += FilesPerBatch) {
            const std::span<const FileIndex> batch(order.begin() +
                                                       static_cast<std::ptrdiff_t>(first),
                                                   std::min(FilesPerBatch, order.size() - first));
            readBatch(batch);
            for (const FileIndex file : batch) {
                if (read_[file]) {
                    order[readable++] = file;
                } else {
                    classes_.giveOwnClass(file);
                }
            }
        }
        order.resize(readable);
        return order;
    }

    // Reads the leading blocks of a batch of files. A file no longer than the block is asked for
    // one byte beyond its end, which comes only when it grew. Unless the blocks are kept, each is
    // known by its key from here on.
    void readBatch(std::span<const FileIndex> batch) {
        const bool whole = size_ <= LeadingBlockLength;
        const std::int64_t asked = leadingLength_ + (whole ? 1 : 0);
        std::vector<FirstBytes> reads(batch.size());
        for (std::size_t k = 0; k < batch.size(); ++k) {
            const FileRecord& record = *files_[batch[k]];
            reads[k] = {record.folder.str(), record.name, roomForLeadingBlock(batch[k], k), asked,
                        held_.numberOf(batch[k])};
        }
        engine_.files.openAndRead(reads);
        for (std::size_t k = 0; k < batch.size(); ++k) {
            const bool read = reads[k].got == leadingLength_;
            read_[batch[k]] = read;
            if (read && !keepLeading_) {
                keepKey(batch[k], reads[k].into);
            }
        }
        progress_.count(leadingBytesOf(batch.size()));
    }

    void keepKey(FileIndex file, const unsigned char* block) {
        if (leadingLength_ > BytesInAKey) {
            keys_[file] = QuickBlockHash(block, static_cast<std::size_t>(leadingLength_));
            return;
        }
        keys_[file] = HalfKeyOf(block, leadingLength_);
        if (!secondHalves_.empty()) {
            secondHalves_[file] = HalfKeyOf(block + BytesInAHalf, leadingLength_ - BytesInAHalf);
        }
    }
    std::pair<std::uint64_t, std::uint64_t> keyOf(FileIndex file) const {
        return {keys_[file], secondHalves_.empty() ? 0 : secondHalves_[file]};
    }

    // Sorts the files so that those of equal kept leading blocks follow one another, each set in
    // the order given. Where each set ends.
    std::vector<FileIndex> sortBySameLeadingBytes(std::vector<FileIndex>& files) const {
        const auto length = static_cast<std::size_t>(leadingLength_);
        const auto compare = [&](FileIndex a, FileIndex b) {
            return std::memcmp(keptBlockOf(a), keptBlockOf(b), length);
        };
        std::stable_sort(files.begin(), files.end(),
                         [&](FileIndex a, FileIndex b) { return compare(a, b) < 0; });
        return endsOfRuns(files, [&](FileIndex a, FileIndex b) { return compare(a, b) == 0; });
    }

    // The same, for files of equal keys.
    std::vector<FileIndex> sortBySameKey(std::vector<FileIndex>& files) const {
        std::stable_sort(files.begin(), files.end(),
                         [&](FileIndex a, FileIndex b) { return keyOf(a) < keyOf(b); });
        return endsOfRuns(files, [&](FileIndex a, FileIndex b) { return keyOf(a) == keyOf(b); });
    }

    template <typename Same>
    static std::vector<FileIndex> endsOfRuns(const std::vector<FileIndex>& sorted,
                                             const Same& same) {
        std::vector<FileIndex> ends;
        for (std::size_t i = 1; i <= sorted.size(); ++i) {
            if (i == sorted.size() || !same(sorted[i - 1], sorted[i])) {
                ends.push_back(static_cast<FileIndex>(i));
            }
        }
        return ends;
    }

    template <typename Visit>
    static void forEachRun(const std::vector<FileIndex>& sorted, const std::vector<FileIndex>& ends,
                           Visit visit) {
        std::size_t start = 0;
        for (const std::size_t end : ends) {
            visit(std::span<const FileIndex>(sorted).subspan(start, end - start));
            start = end;
        }
    }

    // Classifies files whose first bytes up to offset are equal (none, at offset 0).
    void splitFrom(std::span<const FileIndex> set, std::int64_t offset) {
        if (set.size() == 1) {
            classes_.giveOwnClass(set.front());
        } else if (offset == size_) {
            classes_.giveOneClass(set);
        } else {
            SplitByBytes(files_, set, {heldNumbersOf(set), leadingLength_}, offset, engine_.files,
                         engine_.buffer, progress_, classes_);
        }
    }

    // Room for a leading block and the byte beyond it.
    std::size_t stride() const { return static_cast<std::size_t>(leadingLength_ + 1); }
    unsigned char* keptBlockOf(FileIndex file) const { return keptBlocks_ + file * stride(); }

    // Where the leading block of a file goes: with those of the whole set while they are kept,
    // else with those of its batch, at place k.
    unsigned char* roomForLeadingBlock(FileIndex file, std::size_t k) {
        if (keepLeading_) {
            return keptBlockOf(file);
        }
        return engine_.buffer.atLeast(FilesPerBatch * stride()) + k * stride();
    }

    std::vector<int> heldNumbersOf(std::span<const FileIndex> set) const {
        std::vector<int> numbers;
        numbers.reserve(set.size());
        for (const FileIndex file : set) {
            numbers.push_back(held_.numberOf(file));
        }
        return numbers;
    }

    Reader& engine_;
    const SetOfFiles files_;
    const std::int64_t size_;
    const std::int64_t leadingLength_;
    ContentClasses classes_;
    ReadingProgress progress_;
    HeldFiles held_;
    const bool keepLeading_;
    unsigned char* const keptBlocks_; // the leading blocks of the whole set, where they are kept
    std::vector<bool> read_;          // by file: its leading block was read at its size
    // Each file's key, where the blocks are not kept, and its second half where it has one.
    std::vector<std::uint64_t> keys_;
    std::vector<std::uint64_t> secondHalves_;
};

// The second reader: classifies the sets of a search from the last one back, while the search
// takes them from the first, until the two meet. It has numbered files of its own and tells no
// one of its reading; the classes it finds wait for the search.
class ContentEngine::Helper {
  public:
    Helper(std::unique_ptr<NumberedFiles> files, const std::vector<SetOfFiles>& sets)
        : files_(std::move(files)), reader_{*files_, unwatched_, {}, {}}, sets_(sets),
          results_(sets.size()), last_(sets.size()) {
        thread_ = std::jthread([this](std::stop_token stop) { work(stop); });
    }
    ~Helper() {
        thread_.request_stop();
        thread_ = {}; // joined here
        files_->letFoldersGo();
    }
    Helper(const Helper&) = delete;
    Helper& operator=(const Helper&) = delete;

    // Set index for the search: the classes the helper found, each file told to the observer;
    // nothing when the search is to classify the set itself. While the helper is still at the
    // set, the reading observer hears that the reading goes on.
    std::optional<std::vector<std::uint32_t>> take(std::size_t index, ClassObserver& observer,
                                                   ReadingObserver& reading) {
        std::unique_lock lock(mutex_);
        if (index < next_) {
            return std::nullopt; // asked out of turn: the search does it
        }
        next_ = index + 1;
        if (index < last_) {
            return std::nullopt; // the helper has not come this far
        }
        while (!done_.wait_for(lock, std::chrono::milliseconds(50),
                               [&] { return results_[index].finished; })) {
            reading.stillReading();
        }
        Result& result = results_[index];
        if (!result.classes) {
            return std::nullopt;
        }
        for (std::size_t file = 0; file < result.classes->size(); ++file) {
            observer.classKnown(file);
        }
        return std::move(result.classes);
    }

    const NumberedFiles::Counters& counters() const { return files_->counters(); }

  private:
    struct Result {
        std::optional<std::vector<std::uint32_t>> classes;
        bool finished = false;
    };
    struct Unheard final : ClassObserver {
        void classKnown(std::size_t) override {}
    };
    struct Unwatched final : ReadingObserver {
        void readingAt(std::int64_t) override {}
        void stillReading() override {}
    };

    void work(const std::stop_token& stop) {
        for (;;) {
            std::size_t index = 0;
            {
                const std::lock_guard lock(mutex_);
                if (stop.stop_requested() || last_ <= next_) {
                    return;
                }
                index = --last_;
            }
            Result result;
            try {
                Unheard unheard;
                result.classes = Classification(reader_, sets_[index], unheard).run();
            } catch (const std::exception&) {
                result.classes.reset(); // out of memory: the search classifies this set itself
            }
            result.finished = true;
            const std::lock_guard lock(mutex_);
            results_[index] = std::move(result);
            done_.notify_all();
        }
    }

    std::unique_ptr<NumberedFiles> files_;
    Unwatched unwatched_;
    Reader reader_;
    const std::vector<SetOfFiles>& sets_;
    std::mutex mutex_;
    std::condition_variable done_;
    std::vector<Result> results_;
    std::size_t next_ = 0; // the first set the search has not taken yet
    std::size_t last_;     // the sets from here on are the helper's
    std::jthread thread_;
};

ContentEngine::ContentEngine(NumberedFiles& files, ReadingObserver& observer)
    : reader_{files, observer, {}, {}} {}

ContentEngine::~ContentEngine() {
    helper_.reset();
    reader_.files.letFoldersGo();
}

void ContentEngine::foresee(std::vector<SetOfFiles> sets) {
    letForeseenGo();
    foreseen_ = std::move(sets);
    nextForeseen_ = 0;
    std::size_t files = 0;
    for (const SetOfFiles& set : foreseen_) {
        files += set.size();
    }
    if (foreseen_.size() < 2 || files < FilesWorthAHelper) {
        return;
    }
    try {
        if (std::unique_ptr<NumberedFiles> second = reader_.files.another()) {
            helper_ = std::make_unique<Helper>(std::move(second), foreseen_);
        }
    } catch (const std::system_error&) {
        // no thread to be had: the search reads every set itself
    } catch (...) {
        letForeseenGo(); // the search may end before it can say that the sets go
        throw;
    }
}

std::vector<std::uint32_t> ContentEngine::classify(const SetOfFiles& files,
                                                   ClassObserver& observer) {
    if (files.empty()) {
        return {};
    }
    std::optional<std::vector<std::uint32_t>> classes;
    if (nextForeseen_ < foreseen_.size() && foreseen_[nextForeseen_] == files) {
        const std::size_t set = nextForeseen_++;
        if (helper_ != nullptr) {
            classes = helper_->take(set, observer, reader_.observer);
        }
    } else if (nextForeseen_ < foreseen_.size()) {
        // A set not foreseen: the search went its own way, and may now change what the sets
        // foreseen lie in. The helper stops before it does.
        letForeseenGo();
    }
    if (!classes) {
        classes = Classification(reader_, files, observer).run();
    }
    if (nextForeseen_ == foreseen_.size()) {
        letForeseenGo(); // the search goes on building groups: their room is better used there
    }
    return std::move(*classes);
}

void ContentEngine::letForeseenGo() {
    if (helper_ != nullptr) {
        helperCounters_ += helper_->counters();
        helper_.reset();
    }
    foreseen_ = {};
    nextForeseen_ = 0;
}

NumberedFiles::Counters ContentEngine::counters() const {
    NumberedFiles::Counters all = reader_.files.counters();
    all += helperCounters_;
    if (helper_ != nullptr) {
        all += helper_->counters();
    }
    return all;
}

} // namespace bk
