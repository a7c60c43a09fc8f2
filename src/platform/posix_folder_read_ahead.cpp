#include "platform/file_paths.h"
#include "platform/posix_folder_scans.h"

#include <algorithm>
#include <condition_variable>
#include <cstdint>
#include <exception>
#include <map>
#include <mutex>
#include <optional>
#include <stop_token>
#include <system_error>
#include <thread>
#include <unordered_map>
#include <unordered_set>
#include <vector>

namespace bk {

// Folder listings read ahead of a walk. A walk is nearly all system calls, one folder after
// another; here threads list the folders it will come to, in the order it will. Every folder to
// read has its place in the walk: the positions of its own and its ancestors' subfolders among
// their siblings, so that ordering places orders folders as a depth-first walk meets them. A
// listing's subfolders are offered as soon as it is read, and readers always take the earliest
// folder on offer. The walk takes listings as it comes to them, and reads a folder itself when
// no reader has taken it up yet, so it never waits for a reader that is held back.
class PosixFolderScans::ReadAhead {
  public:
    // Past entriesAheadAtMost entries read but not yet taken by the walk, the readers wait.
    ReadAhead(const std::string& programFolder, std::string root, unsigned readers,
              std::size_t entriesAheadAtMost)
        : programFolder_(programFolder), entriesAheadAtMost_(entriesAheadAtMost) {
        toRead_.emplace(Place{}, std::move(root));
        for (unsigned i = 0; i < readers; ++i) {
            try {
                readers_.emplace_back([this](std::stop_token stop) { readWhileWanted(stop); });
            } catch (const std::system_error&) {
                break; // the walk reads whatever no thread takes up
            }
        }
    }
    // Stops every reader at once, then joins them, before the listings go.
    ~ReadAhead() {
        for (std::jthread& reader : readers_) {
            reader.request_stop();
        }
        readers_.clear();
    }
    ReadAhead(const ReadAhead&) = delete;
    ReadAhead& operator=(const ReadAhead&) = delete;

    // The listing of the folder a walk begins at path, as a reader read it or read now.
    Listing take(const std::string& path) {
        std::unique_lock lock(mutex_);
        for (;;) {
            if (const auto ready = ready_.find(path); ready != ready_.end()) {
                Listing listing = std::move(ready->second);
                ready_.erase(ready);
                entriesAhead_ -= listing.entries.size();
                changed_.notify_all();
                return listing;
            }
            if (!reading_.contains(path)) {
                break;
            }
            changed_.wait(lock);
        }
        // The walk's next folder is mostly the earliest on offer.
        const auto offered =
            std::find_if(toRead_.begin(), toRead_.end(),
                         [&path](const auto& each) { return each.second == path; });
        std::optional<Place> place;
        if (offered != toRead_.end()) {
            place = offered->first;
            toRead_.erase(offered);
        }
        lock.unlock();
        Listing listing = read(path);
        lock.lock();
        if (place) {
            offerSubfolders(*place, path, listing);
        }
        return listing;
    }

  private:
    using Place = std::vector<std::uint32_t>;

    void readWhileWanted(std::stop_token stop) {
        std::unique_lock lock(mutex_);
        for (;;) {
            const bool work = changed_.wait(lock, stop, [this] {
                return !toRead_.empty() && entriesAhead_ < entriesAheadAtMost_;
            });
            if (!work || stop.stop_requested()) {
                return;
            }
            auto next = toRead_.extract(toRead_.begin());
            try {
                reading_.insert(next.mapped());
            } catch (const std::exception&) {
                return; // out of memory: the walk reads this folder and the rest itself
            }
            lock.unlock();
            Listing listing = read(next.mapped());
            lock.lock();
            reading_.erase(next.mapped());
            keep(next.key(), next.mapped(), std::move(listing));
            changed_.notify_all();
        }
    }

    // Offers the subfolders of a listing a reader read and keeps it for the walk. Out of memory,
    // the walk reads the folder itself, and those subfolders it was not offered too. Locked.
    void keep(const Place& place, std::string& path, Listing listing) {
        try {
            offerSubfolders(place, path, listing);
            const std::size_t entries = listing.entries.size();
            ready_.emplace(std::move(path), std::move(listing));
            entriesAhead_ += entries;
        } catch (const std::exception&) {
            // on a reader thread the exception would end the program
        }
    }

    Listing read(const std::string& path) const {
        try {
            return listFolder(resolvedFolder(programFolder_, path));
        } catch (const std::exception&) {
            return {}; // as a folder that cannot be read
        }
    }

    // Offers the listing's subfolders, which the walk names "path/name" and enters in delivery
    // order. Locked.
    void offerSubfolders(const Place& place, const std::string& path, const Listing& listing) {
        std::uint32_t position = 0;
        for (const Entry& entry : listing.entries) {
            if (entry.kind == EntryFolder && entry.name != "." && entry.name != "..") {
                Place below = place;
                below.push_back(position++);
                toRead_.emplace(std::move(below), path + "/" + entry.name);
            }
        }
        changed_.notify_all();
    }

    const std::string& programFolder_;
    const std::size_t entriesAheadAtMost_;
    std::mutex mutex_;
    std::condition_variable_any changed_;
    std::map<Place, std::string> toRead_; // the earliest in the walk is read next
    std::unordered_set<std::string> reading_;
    std::unordered_map<std::string, Listing> ready_;
    std::size_t entriesAhead_ = 0;
    std::vector<std::jthread> readers_;
};

// Made here, where a read-ahead is a whole type.
PosixFolderScans::PosixFolderScans(std::string programFolder, unsigned readers)
    : programFolder_(std::move(programFolder)), readers_(readers) {}
PosixFolderScans::~PosixFolderScans() = default;

void PosixFolderScans::readAhead(std::string_view path, std::size_t entriesAheadAtMost) {
    readAhead_.reset();
    if (readers_ < 2) {
        return; // the walk itself is the one reader
    }
    readAhead_ = std::make_unique<ReadAhead>(programFolder_, std::string(path), readers_,
                                             entriesAheadAtMost);
}

PosixFolderScans::Listing PosixFolderScans::listingReadAhead(std::string_view path) {
    return readAhead_->take(std::string(path));
}

void PosixFolderScans::stopReadingAhead() {
    readAhead_.reset();
}

} // namespace bk
