#include "platform/file_services.h"

#include <algorithm>
#include <condition_variable>
#include <mutex>
#include <stop_token>
#include <system_error>
#include <thread>
#include <unordered_map>
#include <unordered_set>
#include <vector>

namespace bk {

namespace {

constexpr unsigned MostReaders = 4;

} // namespace

// Folder listings read ahead of a walk. A walk is nearly all system calls, one folder after
// another; here threads list the folders it will come to, in the order it will: a stack of
// folders to read whose top is the next one the walk will want, each listing's subfolders
// pushed on it as soon as that listing is read. The walk takes listings as it comes to them,
// and reads a folder itself when no thread has taken it up yet, so it never waits for a reader
// that is held back.
class FolderScans::ReadAhead {
  public:
    // Past entriesAheadAtMost entries read but not yet taken by the walk, the readers wait.
    ReadAhead(const std::string& programFolder, std::string root, unsigned readers,
              std::size_t entriesAheadAtMost)
        : programFolder_(programFolder), entriesAheadAtMost_(entriesAheadAtMost) {
        toRead_.push_back(std::move(root));
        for (unsigned i = 0; i < readers; ++i) {
            try {
                readers_.emplace_back([this](std::stop_token stop) { readWhileWanted(stop); });
            } catch (const std::system_error&) {
                break; // the walk reads whatever no thread takes up
            }
        }
    }
    // Stops and joins the readers before the listings go.
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
        // The walk's next folder is mostly on top of the stack.
        const auto queued = std::find(toRead_.rbegin(), toRead_.rend(), path);
        const bool expected = queued != toRead_.rend();
        if (expected) {
            toRead_.erase(std::next(queued).base());
        }
        lock.unlock();
        Listing listing = read(path);
        lock.lock();
        if (expected) {
            offerSubfolders(path, listing);
        }
        return listing;
    }

  private:
    void readWhileWanted(std::stop_token stop) {
        std::unique_lock lock(mutex_);
        for (;;) {
            const bool work = changed_.wait(lock, stop, [this] {
                return !toRead_.empty() && entriesAhead_ < entriesAheadAtMost_;
            });
            if (!work) {
                return; // stopped
            }
            std::string path = std::move(toRead_.back());
            toRead_.pop_back();
            reading_.insert(path);
            lock.unlock();
            Listing listing = read(path);
            lock.lock();
            reading_.erase(path);
            offerSubfolders(path, listing);
            entriesAhead_ += listing.entries.size();
            ready_.emplace(std::move(path), std::move(listing));
            changed_.notify_all();
        }
    }

    Listing read(const std::string& path) const {
        try {
            return listFolder(resolvedFolder(programFolder_, path));
        } catch (const std::exception&) {
            return {}; // as a folder that cannot be read: on a reader thread it would end the
                       // program
        }
    }

    // Pushes the listing's subfolders so that the first of them is read next, as the walk,
    // which names them "path/name", enters them in delivery order. Called locked.
    void offerSubfolders(const std::string& path, const Listing& listing) {
        for (auto entry = listing.entries.rbegin(); entry != listing.entries.rend(); ++entry) {
            if (entry->kind == EntryFolder && entry->name != "." && entry->name != "..") {
                toRead_.push_back(path + "/" + entry->name);
            }
        }
        changed_.notify_all();
    }

    const std::string& programFolder_;
    const std::size_t entriesAheadAtMost_;
    std::mutex mutex_;
    std::condition_variable_any changed_;
    std::vector<std::string> toRead_; // the back is read next
    std::unordered_set<std::string> reading_;
    std::unordered_map<std::string, Listing> ready_;
    std::size_t entriesAhead_ = 0;
    std::vector<std::jthread> readers_; // last: they go first
};

// Made here, where a read-ahead is a whole type.
FolderScans::FolderScans(std::string programFolder) : programFolder_(std::move(programFolder)) {}
FolderScans::~FolderScans() = default;

void FolderScans::readAhead(std::string_view path, std::size_t entriesAheadAtMost) {
    readAhead_.reset();
    const unsigned processors = std::thread::hardware_concurrency();
    if (faults_ != nullptr || processors < 2) {
        return; // a plan of faults counts folder reads in the order the walk makes them
    }
    readAhead_ = std::make_unique<ReadAhead>(programFolder_, std::string(path),
                                             std::min(processors, MostReaders), entriesAheadAtMost);
}

FolderScans::Listing FolderScans::listingReadAhead(std::string_view path) {
    return readAhead_->take(std::string(path));
}

void FolderScans::stopReadingAhead() {
    readAhead_.reset();
}

} // namespace bk
