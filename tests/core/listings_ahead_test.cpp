#include "platform/file_paths.h"
#include "platform/listings_ahead.h"

#include <algorithm>
#include <chrono>
#include <functional>
#include <gtest/gtest.h>
#include <map>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace bk {
namespace {

std::string Inside(const std::string& folder, const std::string& name) {
    return folder + PathSeparator + name;
}

// A tree of folders listed by path: each holds a file named after the folder and the folders
// "0" .. "fanout-1" down to the depth given; the folder named unreadable cannot be read. It
// counts how often each folder is listed.
class FakeFolders {
  public:
    FakeFolders(int depth, int fanout, std::string unreadable = {})
        : depth_(depth), fanout_(fanout), unreadable_(std::move(unreadable)) {}

    ListingsAhead::Lister lister() {
        return [this](const std::string& path, std::vector<ListedEntry>& entries) {
            const std::lock_guard lock(mutex_);
            ++listed_[path];
            entries.push_back({".", EntryFolder, {}});
            entries.push_back({"..", EntryFolder, {}});
            if (path == unreadable_) {
                return false;
            }
            entries.push_back({filePrefix_ + path, EntryFile, {}});
            for (int inner = 0; DepthOf(path) < depth_ && inner < fanout_; ++inner) {
                entries.push_back({std::to_string(inner), EntryFolder, {}});
            }
            return true;
        };
    }
    void renameFiles(const std::string& prefix) {
        const std::lock_guard lock(mutex_);
        filePrefix_ = prefix;
    }
    int timesListed(const std::string& path) {
        const std::lock_guard lock(mutex_);
        return listed_[path];
    }

  private:
    static int DepthOf(const std::string& path) {
        return static_cast<int>(std::count(path.begin(), path.end(), PathSeparator));
    }
    const int depth_;
    const int fanout_;
    const std::string unreadable_;
    std::mutex mutex_;
    std::string filePrefix_ = "file of ";
    std::map<std::string, int> listed_;
};

// Walks depth first from path, going into a folder unless skip says no; for every folder asked
// for, its path and the name of its file, in the order asked.
std::vector<std::string> Walk(ListingsAhead& ahead, const std::string& path,
                              const std::function<bool(const std::string&)>& skip) {
    std::vector<ListedEntry> entries;
    if (!ahead.list(path, entries)) {
        return {path + ": unreadable"};
    }
    std::vector<std::string> seen{path + ": " + entries.at(2).name};
    for (std::size_t at = 3; at < entries.size(); ++at) {
        if (const std::string inner = Inside(path, entries[at].name); !skip(inner)) {
            for (std::string& found : Walk(ahead, inner, skip)) {
                seen.push_back(std::move(found));
            }
        }
    }
    return seen;
}

// A walk that keeps to the order expected has each folder listed once, by either thread. One that
// leaves it begins anew where it went, so a folder may be listed once more for every folder
// above it. An unreadable folder's folders are never asked for, nor listed.
TEST(ListingsAhead, AWalkGetsEveryListingWhereverItGoes) {
    const std::string unreadable = Inside(Inside("r", "2"), "3");
    const struct {
        const char* walk;
        std::string unreadable;
        std::function<bool(const std::string&)> skip;
        std::size_t folders;
        int mostListings;
    } rows[] = {
        {"every folder", "", [](const std::string&) { return false; }, 1 + 4 + 16 + 64 + 256, 1},
        {"all but the folders 1", "", [](const std::string& p) { return p.back() == '1'; },
         1 + 3 + 9 + 27 + 81, 5},
        {"an unreadable folder", unreadable, [](const std::string&) { return false; },
         1 + 4 + 16 + 64 + 256 - 4 - 16, 1},
    };
    for (const auto& row : rows) {
        FakeFolders folders(4, 4, row.unreadable);
        ListingsAhead ahead(folders.lister());
        const std::vector<std::string> seen = Walk(ahead, "r", row.skip);
        ahead.endWalk();
        EXPECT_EQ(seen.size(), row.folders) << row.walk;
        for (const std::string& found : seen) {
            const std::string path = found.substr(0, found.find(':'));
            EXPECT_EQ(found, path + (path == row.unreadable ? ": unreadable" : ": file of " + path))
                << row.walk;
            EXPECT_LE(folders.timesListed(path), row.mostListings) << row.walk << ": " << path;
        }
        if (!row.unreadable.empty()) {
            EXPECT_EQ(folders.timesListed(Inside(unreadable, "0")), 0) << row.walk;
        }
    }
}

TEST(ListingsAhead, NothingListedAheadOutlivesTheWalk) {
    if (std::thread::hardware_concurrency() < 2) {
        GTEST_SKIP() << "one core: nothing is listed ahead";
    }
    FakeFolders folders(2, 8);
    ListingsAhead ahead(folders.lister());
    // 66 of the 73 folders are walked, enough for the second thread to begin; it lists the rest.
    int walked = 0;
    Walk(ahead, "r", [&walked](const std::string&) { return ++walked > 65; });
    const std::string last = Inside(Inside("r", "7"), "7");
    for (int waited = 0; waited < 3000 && folders.timesListed(last) == 0; ++waited) {
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    ASSERT_EQ(folders.timesListed(last), 1) << "the second thread lists ahead of the walk";
    ahead.endWalk();
    folders.renameFiles("renamed ");

    std::vector<ListedEntry> entries;
    ASSERT_TRUE(ahead.list(last, entries));
    EXPECT_EQ(entries.at(2).name, "renamed " + last) << "a new walk lists the folder as it is now";
}

} // namespace
} // namespace bk
