#include "ui/window_fixture.h"

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <iostream>
#include <map>
#include <random>
#include <set>
#include <sstream>
#include <sys/stat.h>
#include <unistd.h>

namespace bk::test {

namespace {

namespace fs = std::filesystem;

// Whatever a round starts with, a content the user had must still be somewhere on disk after
// every command: the deletion commands only ever take surplus copies. The tree mixes true copies
// with near-copies (same size, one byte apart) and same-name files; between commands files are
// changed, touched, write-protected or removed behind the program's back, as a user might.
class RandomDeletionsTest : public WindowTest {
  protected:
    struct OnDisk {
        std::string content;
        std::uint64_t inode = 0;
    };

    std::size_t below(std::size_t n) {
        return std::uniform_int_distribution<std::size_t>(0, n - 1)(random);
    }
    bool chance(int percent) { return below(100) < static_cast<std::size_t>(percent); }

    std::string randomContent(std::size_t maxLength) {
        // A small alphabet with a zero byte and a high byte makes near-copies and equal sizes
        // common.
        static const std::string alphabet = std::string("ab\0\xff", 4);
        std::string content(below(maxLength + 1), 'a');
        for (char& byte : content) {
            byte = alphabet[below(alphabet.size())];
        }
        return content;
    }

    std::map<std::string, OnDisk> disk() const {
        std::map<std::string, OnDisk> found;
        for (const auto& entry : fs::recursive_directory_iterator(roundRoot)) {
            struct stat info {};
            const std::string path = entry.path().string();
            if (lstat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode)) {
                found[path] = {ReadWholeFile(path), info.st_ino};
            }
        }
        return found;
    }

    // Another file with the same bytes that is not merely another name of this one.
    static bool copyElsewhere(const std::map<std::string, OnDisk>& onDisk,
                              const std::string& path) {
        const OnDisk& self = onDisk.at(path);
        for (const auto& [otherPath, other] : onDisk) {
            if (otherPath != path && other.inode != self.inode && other.content == self.content) {
                return true;
            }
        }
        return false;
    }

    void note(const std::string& line) { journal << line << "\n"; }

    void buildTree(int round) {
        roundRoot = tree.path("round" + std::to_string(round));
        removedByTest.clear();
        static const char* const folders[] = {"", "d1/", "d2/", "d1/e/", "D1/"};
        static const char* const names[] = {"a.txt",    "A.TXT", "b.bak", "c.dat",
                                            "copy.BAK", "x",     "n.txt"};
        std::vector<std::string> bases;
        for (std::size_t i = 0, n = 2 + below(4); i < n; ++i) {
            bases.push_back(randomContent(24));
        }
        std::vector<std::string> written;
        for (std::size_t i = 0, n = 4 + below(10); i < n; ++i) {
            const std::string path = roundRoot + "/" + folders[below(std::size(folders))] +
                                     names[below(std::size(names))];
            if (PathExists(path)) {
                continue;
            }
            std::string content = bases[below(bases.size())];
            const std::size_t kind = below(4);
            if (kind == 2 && !content.empty()) {
                content[below(content.size())] ^= 0x01; // a near-copy
            } else if (kind == 3) {
                content = randomContent(24);
            }
            fs::create_directories(fs::path(path).parent_path());
            tree.write(path.substr(tree.root().size() + 1), content);
            written.push_back(path);
            note("write " + path + " (" + std::to_string(content.size()) + " bytes)");
        }
        for (const std::string& path : written) {
            if (chance(10)) {
                const std::string alias = path + ".link";
                if (link(path.c_str(), alias.c_str()) == 0) {
                    note("hard link " + alias);
                }
            }
            if (chance(10)) {
                chmod(path.c_str(), 0444);
                note("read-only " + path);
            }
        }
        mustSurvive.clear();
        for (const auto& [path, file] : disk()) {
            mustSurvive.insert(file.content);
        }
        press(ResetButton);
        addFolder(roundRoot);
        if (chance(20) && fs::is_directory(roundRoot + "/d1")) {
            addFolder(roundRoot + "/d1");
            note("added d1 as well");
        }
    }

    void changeBehindTheBack() {
        const std::map<std::string, OnDisk> onDisk = disk();
        if (onDisk.empty()) {
            return;
        }
        auto chosen = onDisk.begin();
        std::advance(chosen, static_cast<std::ptrdiff_t>(below(onDisk.size())));
        const std::string& path = chosen->first;
        const timespec old[2] = {{oldTime, 0}, {oldTime, 0}};
        ++oldTime;
        switch (below(4)) {
        case 0:
            utimensat(AT_FDCWD, path.c_str(), old, 0);
            note("touch " + path);
            break;
        case 1:
            if (copyElsewhere(onDisk, path) && access(path.c_str(), W_OK) == 0 &&
                (fs::status(path).permissions() & fs::perms::owner_write) != fs::perms::none) {
                auto source = onDisk.begin();
                std::advance(source, static_cast<std::ptrdiff_t>(below(onDisk.size())));
                std::string content = source->second.content;
                if (chance(50) && !content.empty()) {
                    content[0] ^= 0x02;
                }
                tree.write(path.substr(tree.root().size() + 1), content);
                utimensat(AT_FDCWD, path.c_str(), old, 0);
                mustSurvive.insert(content);
                note("rewrite " + path);
            }
            break;
        case 2:
            if (copyElsewhere(onDisk, path)) {
                unlink(path.c_str());
                removedByTest.insert(path);
                note("remove " + path);
            }
            break;
        default:
            chmod(path.c_str(), 0444);
            note("read-only " + path);
            break;
        }
    }

    // One deletion command; only members of the shown group may go, and with the marked row
    // left alone by the one and the only one taken by the other.
    std::string deleteThroughCommand(int command) {
        const std::vector<std::string> shown = rows(MembersView);
        const std::int64_t marked = controls.getState(MembersView);
        const std::map<std::string, OnDisk> before = disk();
        press(command);
        note(std::string(command == DeleteMarkedButton ? "delete marked" : "delete others") +
             " (marked " + std::to_string(marked) + " of " + std::to_string(shown.size()) + ")");
        const std::map<std::string, OnDisk> after = disk();
        std::string problems;
        for (const auto& [path, file] : before) {
            if (after.count(path) != 0) {
                continue;
            }
            const auto row = std::find(shown.begin(), shown.end(), path);
            const bool wasMarked = marked >= 0 && row != shown.end() &&
                                   row - shown.begin() == static_cast<std::ptrdiff_t>(marked);
            const bool allowed =
                row != shown.end() && (command == DeleteMarkedButton ? wasMarked : !wasMarked);
            if (!allowed) {
                problems += "deleted a file it had no business with: " + path + "\n";
            }
        }
        if (lastSearch == SameName) {
            // Same-name groups hold different contents; the user deletes those knowingly.
            std::set<std::string> present;
            for (const auto& [path, file] : after) {
                present.insert(file.content);
            }
            std::erase_if(mustSurvive, [&](const std::string& c) { return !present.count(c); });
        }
        return problems;
    }

    std::string invariantProblems() {
        std::string problems;
        std::set<std::string> present;
        for (const auto& [path, file] : disk()) {
            present.insert(file.content);
        }
        for (const std::string& content : mustSurvive) {
            if (present.count(content) == 0) {
                problems +=
                    "a content of " + std::to_string(content.size()) + " bytes is gone from disk\n";
            }
        }
        std::set<const FileRecord*> catalogued;
        for (FileRecord* file = program.catalogue.files.first(); file != nullptr;
             file = FileList::nextOf(file)) {
            catalogued.insert(file);
            const std::string path = FullPath(file->folder, file->name);
            if (!PathExists(path) && removedByTest.count(path) == 0) {
                problems += "catalogued but not on disk: " + path + "\n";
            }
        }
        const auto count = program.catalogue.files.count();
        if (rows(AllFilesView).size() != static_cast<std::size_t>(count)) {
            problems += "the all-files view does not list the catalogue\n";
        }
        if (text(AllFilesLabel) != "Alle Dateien (" + std::to_string(count) + ")") {
            problems += "all-files caption " + text(AllFilesLabel) + "\n";
        }
        std::set<const FileRecord*> grouped;
        for (GroupRecord* group = program.catalogue.groups.first(); group != nullptr;
             group = GroupList::nextOf(group)) {
            if (group->memberCount < 2) {
                problems += "a group of fewer than two members\n";
            }
            MemberRecord* member = group->firstMember;
            for (std::int64_t j = 0; j < group->memberCount; ++j) {
                if (member == nullptr) {
                    problems += "a group's chain is shorter than its count\n";
                    break;
                }
                if (catalogued.count(member->file) == 0) {
                    problems += "a member of a file the catalogue no longer holds\n";
                } else if (member->file->name != member->name ||
                           member->file->folder != member->folder) {
                    problems += "a member that names another file than its record\n";
                } else if (!grouped.insert(member->file).second) {
                    problems += "a file in two places of the groups: " + member->name + "\n";
                }
                member = MemberList::nextOf(member);
            }
            if (member != nullptr) {
                problems += "a group's chain is longer than its count\n";
            }
        }
        for (const Box& box : shownBoxes) {
            if (box.title != "ERROR" || box.text.rfind("Konnte Datei \"" + roundRoot, 0) != 0) {
                problems += "unexpected box " + box.title + ": " + box.text + "\n";
            }
        }
        shownBoxes.clear();
        return problems;
    }

    std::string step() {
        switch (below(12)) {
        case 0:
        case 1:
            press(FindDuplicatesButton);
            lastSearch = SameContent;
            note("search contents");
            return {};
        case 2:
            press(FindSameNamesButton);
            lastSearch = SameName;
            note("search names");
            return {};
        case 3:
        case 4: {
            const auto row = static_cast<std::int64_t>(below(rows(GroupsView).size() + 1)) - 1;
            chooseRow(GroupsView, row);
            note("choose group " + std::to_string(row));
            return {};
        }
        case 5: {
            const auto row = static_cast<std::int64_t>(below(rows(GroupsView).size() + 1)) - 1;
            controls.setState(GroupsView, row);
            note("select group " + std::to_string(row) + " without showing it");
            return {};
        }
        case 6: {
            const auto row = static_cast<std::int64_t>(below(rows(MembersView).size() + 1)) - 1;
            controls.setState(MembersView, row);
            note("mark member " + std::to_string(row));
            return {};
        }
        case 7:
        case 8:
            return deleteThroughCommand(DeleteMarkedButton);
        case 9:
        case 10:
            return deleteThroughCommand(DeleteOthersButton);
        default:
            changeBehindTheBack();
            return {};
        }
    }

    std::mt19937_64 random;
    std::string roundRoot;
    std::set<std::string> mustSurvive;
    std::set<std::string> removedByTest;
    SearchMode lastSearch = SameContent;
    time_t oldTime = 1000000000;
    std::ostringstream journal;
};

std::uint64_t ChooseSeed() {
    if (const char* given = std::getenv("BK_RANDOM_SEED")) {
        return std::strtoull(given, nullptr, 10);
    }
    return std::random_device()();
}

TEST_F(RandomDeletionsTest, RandomDeletionsNeverLoseTheLastCopyOfAContent) {
    const std::uint64_t seed = ChooseSeed();
    random.seed(seed);
    SCOPED_TRACE(testing::Message()
                 << "seed " << seed << " (rerun with BK_RANDOM_SEED=" << seed << ")");
    // A budget of work, not a measurement: stop after a few seconds or enough rounds.
    const auto stopAt = std::chrono::steady_clock::now() + std::chrono::milliseconds(2500);
    int rounds = 0;
    for (; rounds < 400 && std::chrono::steady_clock::now() < stopAt; ++rounds) {
        journal.str({});
        buildTree(rounds);
        press(FindDuplicatesButton);
        lastSearch = SameContent;
        ASSERT_EQ(invariantProblems(), "") << journal.str();
        for (std::size_t i = 0, n = 10 + below(20); i < n; ++i) {
            std::string problems = step();
            problems += invariantProblems();
            ASSERT_EQ(problems, "") << "round " << rounds << ", journal:\n" << journal.str();
        }
        std::error_code ignored;
        fs::remove_all(roundRoot, ignored);
    }
    EXPECT_GT(rounds, 0);
    std::cout << "[ random   ] seed " << seed << ", " << rounds << " rounds\n";
}

} // namespace

} // namespace bk::test
