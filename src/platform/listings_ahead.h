#pragma once

#include "platform/listed_entry.h"

#include <condition_variable>
#include <cstddef>
#include <functional>
#include <list>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace bk {

// Lists the folders a depth-first walk will ask for next on a second thread, so that the system
// calls of a scan are shared by two cores. Every listing the walk takes names the folders it
// will ask for next, in its own order, ahead of those named before. Whoever comes to a folder
// first lists it: the second thread, which works through the named folders in the walk's order,
// or the walk itself, which lists the next folder nobody has begun rather than wait for the one
// it needs. The second thread stays a bounded number of folders and entries ahead, and what it
// read goes when the walk ends: a later walk lists afresh.
class ListingsAhead {
  public:
    // Lists the folder at path with its entries ordered for delivery, "." and ".." first; false
    // when it cannot be read completely. Called on both threads at once.
    using Lister = std::function<bool(const std::string& path, std::vector<ListedEntry>& entries)>;

    explicit ListingsAhead(Lister lister);
    ~ListingsAhead();
    ListingsAhead(const ListingsAhead&) = delete;
    ListingsAhead& operator=(const ListingsAhead&) = delete;

    // The listing of the folder at path, as the lister gives it. A path the walk was not
    // expected to ask for next begins a walk of its own.
    bool list(const std::string& path, std::vector<ListedEntry>& entries);
    // The walk is over or left: what was listed ahead goes, and the second thread with it.
    void endWalk();

  private:
    enum class State { Unlisted, Listing, Listed };
    struct Folder {
        std::string path;
        State state = State::Unlisted;
        bool complete = false;
        std::vector<ListedEntry> entries;
    };
    using Place = std::list<Folder>::iterator;

    // Lists the folder at place with the lock let go meanwhile, then names its folders next.
    void listAt(std::unique_lock<std::mutex>& lock, Place place);
    bool takeFirst(std::vector<ListedEntry>& entries);
    Place firstUnlisted();
    bool mayListAhead() const;
    void wakeSecondThreadIfWorthIt();
    void startSecondThread();
    void workAhead();

    Lister lister_;
    std::mutex mutex_;
    std::condition_variable walkMayGoOn_;
    std::condition_variable aheadMayGoOn_;
    std::list<Folder> next_;       // the folders the walk asks for next, in its order
    std::size_t foldersAhead_ = 0; // listed or being listed, not taken yet
    std::size_t entriesAhead_ = 0; // in the folders listed, not taken yet
    bool walkWaits_ = false;
    bool aheadWaits_ = false;
    std::size_t foldersTaken_ = 0;
    bool walkEnds_ = false;
    std::thread ahead_;
};

} // namespace bk
