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
struct FakeFolders {
    FakeFolders(int levels, int folders, std::string unreadableOne = {})
        : depth(levels), fanout(folders), unreadable(std::move(unreadableOne)) {}

    ListingsAhead::Lister lister() {
        return [this](const std::string& path, std::vector<ListedEntry>& entries) {
            const std::lock_guard lock(mutex);
            ++listed[path];
            entries.push_back({".", EntryFolder, {}});
            entries.push_back({"..", EntryFolder, {}});
            if (path == unreadable) {
                return false;
            }
            entries.push_back({filePrefix + path, EntryFile, {}});
            for (int inner = 0;
                 std::count(path.begin(), path.end(), PathSeparator) < depth && inner < fanout;
                 ++inner) {
                entries.push_back({std::to_string(inner), EntryFolder, {}});
            }
            return true;
        };
    }
    int timesListed(const std::string& path) {
        const std::lock_guard lock(mutex);
        return listed[path];
    }

    const int depth;
    const int fanout;
    const std::string unreadable;
    std::string filePrefix = "file of ";
    std::mutex mutex;
    std::map<std::string, int> listed;
};

// Walks depth first from path, going into a folder unless skip says no; for every folder asked
// for, its path and the name of its file, in the order asked.
void Walk(ListingsAhead& ahead, const std::string& path,
          const std::function<bool(const std::string&)>& skip, std::vector<std::string>& seen) {
    std::vector<ListedEntry> entries;
    if (!ahead.list(path, entries)) {
        seen.push_back(path + ": unreadable");
        return;
    }
    seen.push_back(path + ": " + entries.at(2).name);
    for (std::size_t at = 3; at < entries.size(); ++at) {
        if (const std::string inner = Inside(path, entries[at].name); !skip(inner)) {
            Walk(ahead, inner, skip, seen);
        }
    }
}

// A walk that keeps to the order expected has each folder listed once, by either thread. One that
// leaves it begins anew where it went, so a folder may be listed once more for every folder
// above it. An unreadable folder's folders are never asked for, nor listed.
TEST(ListingsAhead, AWalkGetsEveryListingWhereverItGoes) {
    const struct {
        const char* walk;
        std::string unreadable;
        std::function<bool(const std::string&)> skip;
        std::size_t folders;
        int mostListings;
    } rows[] = {
        {"all but the folders 1", "", [](const std::string& p) { return p.back() == '1'; },
         1 + 3 + 9 + 27 + 81, 5},
        {"every folder but an unreadable one", Inside(Inside("r", "2"), "3"),
         [](const std::string&) { return false; }, 1 + 4 + 16 + 64 + 256 - 4 - 16, 1},
    };
    for (const auto& row : rows) {
        FakeFolders folders(4, 4, row.unreadable);
        ListingsAhead ahead(folders.lister());
        std::vector<std::string> seen;
        Walk(ahead, "r", row.skip, seen);
        ahead.endWalk();
        EXPECT_EQ(seen.size(), row.folders) << row.walk;
        for (const std::string& found : seen) {
            const std::string path = found.substr(0, found.find(':'));
            EXPECT_EQ(found, path + (path == row.unreadable ? ": unreadable" : ": file of " + path))
                << row.walk;
            EXPECT_LE(folders.timesListed(path), row.mostListings) << row.walk << ": " << path;
        }
        EXPECT_EQ(folders.timesListed(Inside(row.unreadable, "0")), 0) << row.walk;
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
    const auto afterTheFirst66 = [&walked](const std::string&) { return ++walked > 65; };
    std::vector<std::string> seen;
    Walk(ahead, "r", afterTheFirst66, seen);
    const std::string last = Inside(Inside("r", "7"), "7");
    for (int waited = 0; waited < 3000 && folders.timesListed(last) == 0; ++waited) {
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    ASSERT_EQ(folders.timesListed(last), 1) << "the second thread lists ahead of the walk";
    ahead.endWalk();
    folders.filePrefix = "renamed "; // no thread lists now

    std::vector<ListedEntry> entries;
    ASSERT_TRUE(ahead.list(last, entries));
    EXPECT_EQ(entries.at(2).name, "renamed " + last) << "a new walk lists the folder as it is now";
}

} // namespace
} // namespace bk
