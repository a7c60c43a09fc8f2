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

// A tree of folders only, listed by name: each folder holds "file" and folders "0" .. "fanout-1"
// down to the depth given. It counts how often each folder is listed.
class FakeFolders {
  public:
    FakeFolders(int depth, int fanout) : depth_(depth), fanout_(fanout) {}

    ListingsAhead::Lister lister() {
        return [this](const std::string& path, std::vector<ListedEntry>& entries) {
            const std::lock_guard lock(mutex_);
            ++listed_[path];
            entries.push_back({".", EntryFolder, {}});
            entries.push_back({"..", EntryFolder, {}});
            entries.push_back({fileName_, EntryFile, {}});
            for (int inner = 0; DepthOf(path) < depth_ && inner < fanout_; ++inner) {
                entries.push_back({std::to_string(inner), EntryFolder, {}});
            }
            return true;
        };
    }
    void renameFiles(const std::string& name) {
        const std::lock_guard lock(mutex_);
        fileName_ = name;
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
    std::mutex mutex_;
    std::string fileName_ = "file";
    std::map<std::string, int> listed_;
};

// Walks depth first from path, asking for a folder's inner folders unless skip says no; the
// name of the file in every folder asked for, in the order asked.
std::vector<std::string> Walk(ListingsAhead& ahead, const std::string& path,
                              const std::function<bool(const std::string&)>& skip) {
    std::vector<ListedEntry> entries;
    EXPECT_TRUE(ahead.list(path, entries)) << path;
    std::vector<std::string> seen{path + ":" + entries.at(2).name};
    for (std::size_t at = 3; at < entries.size(); ++at) {
        const std::string inner = path + PathSeparator + entries[at].name;
        if (!skip(inner)) {
            for (std::string& found : Walk(ahead, inner, skip)) {
                seen.push_back(std::move(found));
            }
        }
    }
    return seen;
}

// A walk that keeps to the order expected has each folder listed once, by either thread. One that
// leaves it begins anew where it went, so a folder may be listed once more for every folder
// above it.
TEST(ListingsAhead, AWalkGetsEveryListingWhereverItGoes) {
    const struct {
        const char* walk;
        std::function<bool(const std::string&)> skip;
        std::size_t folders;
        int mostListings;
    } rows[] = {
        {"every folder", [](const std::string&) { return false; }, 1 + 4 + 16 + 64 + 256, 1},
        {"all but the folders 1", [](const std::string& p) { return p.back() == '1'; },
         1 + 3 + 9 + 27 + 81, 5},
    };
    for (const auto& row : rows) {
        FakeFolders folders(4, 4);
        ListingsAhead ahead(folders.lister());
        const std::vector<std::string> seen = Walk(ahead, "r", row.skip);
        ahead.endWalk();
        EXPECT_EQ(seen.size(), row.folders) << row.walk;
        for (const std::string& found : seen) {
            const std::string path = found.substr(0, found.find(':'));
            EXPECT_EQ(found, path + ":file") << row.walk;
            EXPECT_LE(folders.timesListed(path), row.mostListings) << row.walk << ": " << path;
        }
    }
}

TEST(ListingsAhead, NothingListedAheadOutlivesTheWalk) {
    FakeFolders folders(2, 8);
    ListingsAhead ahead(folders.lister());
    std::vector<ListedEntry> entries;
    ASSERT_TRUE(ahead.list("r", entries));
    // Give the second thread, where there is one, the time to list ahead of the walk.
    for (int waited = 0; waited < 100 && folders.timesListed(std::string("r") + PathSeparator +
                                                             "0" + PathSeparator + "7") == 0;
         ++waited) {
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    ahead.endWalk();
    folders.renameFiles("renamed");

    entries.clear();
    ASSERT_TRUE(ahead.list(std::string("r") + PathSeparator + "0", entries));
    EXPECT_EQ(entries.at(2).name, "renamed") << "a new walk lists the folder as it is now";
}

} // namespace
} // namespace bk
