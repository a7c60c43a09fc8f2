#include "platform/listings_ahead.h"

#include "platform/file_paths.h"

#include <system_error>
#include <utility>

namespace bk {

namespace {

// Enough for the second thread to stay busy while the walk records what it took; few enough
// that a walk through very large folders holds at most a few megabytes of listings ahead.
constexpr std::size_t MostFoldersAhead = 64;
constexpr std::size_t MostEntriesAhead = 1 << 15;

// Below this many folders a walk is over before a second thread pays for its start and memory.
constexpr std::size_t FoldersBeforeASecondThread = 64;

// A listing's folders come after "." and "..".
constexpr std::size_t SelfAndParent = 2;

} // namespace

ListingsAhead::ListingsAhead(Lister lister) : lister_(std::move(lister)) {}

ListingsAhead::~ListingsAhead() {
    endWalk();
}

bool ListingsAhead::list(const std::string& path, std::vector<ListedEntry>& entries) {
    std::unique_lock lock(mutex_);
    if (next_.empty() || next_.front().path != path) {
        lock.unlock();
        endWalk();
        lock.lock();
        next_.push_back(Folder{path, State::Unlisted, false, {}});
    }
    for (;;) {
        Folder& first = next_.front();
        if (first.state == State::Listed) {
            const bool complete = takeFirst(entries);
            if (next_.empty()) {
                lock.unlock();
                endWalk(); // the walk asks for nothing more
            } else if (++foldersTaken_ == FoldersBeforeASecondThread) {
                startSecondThread();
            }
            return complete;
        }
        if (first.state == State::Unlisted) {
            listAt(lock, next_.begin());
            continue;
        }
        // The second thread lists this folder: rather than wait, the walk lists one further on.
        if (const Place further = mayListAhead() ? firstUnlisted() : next_.end();
            further != next_.end()) {
            listAt(lock, further);
            continue;
        }
        walkWaits_ = true;
        walkMayGoOn_.wait(lock, [&first] { return first.state != State::Listing; });
        walkWaits_ = false;
    }
}

void ListingsAhead::endWalk() {
    // A flag under the lock rather than a stop token: waking a condition variable by a token's
    // callback loses the wake-up with some C++ runtimes.
    {
        const std::lock_guard lock(mutex_);
        walkEnds_ = true;
        aheadMayGoOn_.notify_one();
    }
    if (ahead_.joinable()) {
        ahead_.join(); // it ends the listing it is at
    }
    const std::lock_guard lock(mutex_);
    walkEnds_ = false;
    next_.clear();
    foldersAhead_ = 0;
    entriesAhead_ = 0;
    aheadWaits_ = false;
    foldersTaken_ = 0;
}

void ListingsAhead::listAt(std::unique_lock<std::mutex>& lock, Place place) {
    place->state = State::Listing;
    ++foldersAhead_;
    lock.unlock();
    // The folders a listing names are made ready before the lock is taken again, and then put
    // in place at once: the other thread waits for no allocation.
    std::vector<ListedEntry> entries;
    std::list<Folder> named;
    bool complete = false;
    try {
        complete = lister_(place->path, entries);
        if (complete) { // an incomplete listing is not walked, so its folders are not asked for
            for (std::size_t at = SelfAndParent; at < entries.size(); ++at) {
                if (entries[at].kind == EntryFolder) {
                    named.push_back(Folder{place->path + PathSeparator + entries[at].name,
                                           State::Unlisted,
                                           false,
                                           {}});
                }
            }
        }
    } catch (...) {
        lock.lock();
        place->state = State::Unlisted;
        --foldersAhead_;
        walkMayGoOn_.notify_one();
        throw;
    }
    lock.lock();
    next_.splice(std::next(place), named);
    entriesAhead_ += entries.size();
    place->entries = std::move(entries);
    place->complete = complete;
    place->state = State::Listed;
    if (walkWaits_) {
        walkMayGoOn_.notify_one();
    }
    wakeSecondThreadIfWorthIt();
}

bool ListingsAhead::takeFirst(std::vector<ListedEntry>& entries) {
    Folder& first = next_.front();
    entries = std::move(first.entries);
    const bool complete = first.complete;
    --foldersAhead_;
    entriesAhead_ -= entries.size();
    next_.pop_front();
    wakeSecondThreadIfWorthIt();
    return complete;
}

ListingsAhead::Place ListingsAhead::firstUnlisted() {
    Place place = next_.begin();
    while (place != next_.end() && place->state != State::Unlisted) {
        ++place;
    }
    return place;
}

bool ListingsAhead::mayListAhead() const {
    return foldersAhead_ < MostFoldersAhead && entriesAhead_ < MostEntriesAhead;
}

// A second thread that stopped at the bound goes on only once the walk has taken half of what
// lies ahead: waking it for every folder taken would cost two switches a folder.
void ListingsAhead::wakeSecondThreadIfWorthIt() {
    if (aheadWaits_ && foldersAhead_ <= MostFoldersAhead / 2 &&
        entriesAhead_ <= MostEntriesAhead / 2 && firstUnlisted() != next_.end()) {
        aheadWaits_ = false;
        aheadMayGoOn_.notify_one();
    }
}

void ListingsAhead::startSecondThread() {
    if (std::thread::hardware_concurrency() < 2) {
        return; // one core: a second thread would only take turns with the walk
    }
    try {
        ahead_ = std::thread([this] { workAhead(); });
    } catch (const std::system_error&) {
        // no thread to be had: the walk lists every folder itself
    }
}

void ListingsAhead::workAhead() {
    std::unique_lock lock(mutex_);
    while (!walkEnds_) {
        const Place place = mayListAhead() ? firstUnlisted() : next_.end();
        if (place == next_.end()) {
            aheadWaits_ = true;
            aheadMayGoOn_.wait(lock, [this] { return !aheadWaits_ || walkEnds_; });
            continue;
        }
        try {
            listAt(lock, place);
        } catch (...) {
            return; // out of memory: the walk lists the rest itself, and fails there if it must
        }
    }
}

} // namespace bk
