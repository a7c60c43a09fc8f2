#include "platform/file_paths.h"
#include "platform/posix_numbered_files.h"
#include "platform/posix_reading.h"

#include <algorithm>
#include <atomic>
#include <exception>
#include <memory>
#include <system_error>
#include <thread>
#include <unistd.h>
#include <vector>

namespace bk {

namespace {

// Files a reader takes at a time: runs of one folder mostly stay with one reader, and the
// calling thread comes back often enough to show the progress.
constexpr std::size_t FilesPerTurn = 64;
// Below this many files, starting threads would cost more than it saves.
constexpr std::size_t FilesWorthSharing = 256;

// The reading of one thread: the folder of its latest file kept open, a buffer and a tally.
class Reader {
  public:
    explicit Reader(const std::string& programFolder) : programFolder_(programFolder) {}
    ~Reader() { closeFolder(); }
    Reader(const Reader&) = delete;
    Reader& operator=(const Reader&) = delete;

    // The file's first bytes, or null when it is not a regular file of its size or cannot be
    // read that far.
    const unsigned char* read(const LeadingRead& file) {
        const int handle = open(file);
        if (handle < 0) {
            return nullptr;
        }
        if (buffer_.size() < static_cast<std::size_t>(file.length)) {
            buffer_.resize(static_cast<std::size_t>(file.length));
        }
        const std::int64_t got =
            file.length > 0 ? posix::ReadUpTo(handle, buffer_.data(), file.length) : 0;
        ::close(handle);
        bytesRead += static_cast<std::uint64_t>(got);
        return got == file.length ? buffer_.data() : nullptr;
    }

    std::uint64_t filesOpened = 0;
    std::uint64_t bytesRead = 0;

  private:
    int open(const LeadingRead& file) {
        const int folder = folderHandleFor(file.folder);
        if (folder < 0) {
            return -1;
        }
        const int handle = ::openat(folder, std::string(file.name).c_str(), posix::ReadingFlags);
        if (!posix::KeepIfRegularFile(handle, file.size)) {
            return -1;
        }
        ++filesOpened;
        return handle;
    }

    int folderHandleFor(std::string_view folder) {
        if (folder == folder_ && folderTried_) {
            return folderHandle_; // -1 again for a folder that could not be opened
        }
        closeFolder();
        // The folder "" is the root, as in a full path "/name".
        folderHandle_ = posix::OpenFolder(ResolvePath(programFolder_, folder));
        folder_ = folder;
        folderTried_ = true;
        return folderHandle_;
    }

    void closeFolder() {
        if (folderHandle_ >= 0) {
            ::close(folderHandle_);
        }
        folderHandle_ = -1;
    }

    const std::string& programFolder_;
    std::string folder_;
    bool folderTried_ = false;
    int folderHandle_ = -1;
    std::vector<unsigned char> buffer_;
};

// A file that cannot be read for want of memory is one we cannot vouch for, like any other
// unreadable file; on a helper thread the exception would end the program.
const unsigned char* readOrNothing(Reader& reader, const LeadingRead& file) {
    try {
        return reader.read(file);
    } catch (const std::exception&) {
        return nullptr;
    }
}

unsigned ReadersFor(std::size_t files, unsigned readers) {
    return files < FilesWorthSharing ? 1 : std::max(readers, 1U);
}

} // namespace

void PosixNumberedFiles::readLeadingBlocks(LeadingBlocks& blocks) {
    const std::size_t count = blocks.count();
    std::atomic<std::size_t> nextFile{0};
    std::atomic<std::int64_t> bytesDone{0};
    const auto readTurns = [&](Reader& reader, bool showProgress) {
        for (;;) {
            const std::size_t first = nextFile.fetch_add(FilesPerTurn);
            if (first >= count) {
                return;
            }
            std::int64_t bytes = 0;
            for (std::size_t file = first; file < std::min(count, first + FilesPerTurn); ++file) {
                const LeadingRead read = blocks.describe(file);
                blocks.take(file, readOrNothing(reader, read));
                bytes += read.length;
            }
            const std::int64_t done = bytesDone.fetch_add(bytes) + bytes;
            if (showProgress) {
                blocks.progress(done);
            }
        }
    };

    std::vector<std::unique_ptr<Reader>> readers;
    const unsigned wanted = ReadersFor(count, readers_);
    for (unsigned i = 0; i < wanted; ++i) {
        readers.push_back(std::make_unique<Reader>(programFolder_));
    }
    {
        std::vector<std::jthread> helpers;
        for (unsigned i = 1; i < wanted; ++i) {
            try {
                helpers.emplace_back(
                    [&readTurns, &reader = *readers[i]] { readTurns(reader, false); });
            } catch (const std::system_error&) {
                break; // no thread to be had: the calling thread reads what is left
            }
        }
        readTurns(*readers.front(), true);
    } // the helpers are joined here
    blocks.progress(bytesDone.load());
    for (const auto& reader : readers) {
        counters_.filesOpened += reader->filesOpened;
        counters_.bytesRead += reader->bytesRead;
    }
}

} // namespace bk
