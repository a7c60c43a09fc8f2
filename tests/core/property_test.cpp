#include "platform/file_paths.h"
#include "support/disk_changes.h"
#include "support/disk_status.h"
#include "support/fifos.h"
#include "support/native_path.h"
#include "support/program_fixture.h"
#include "ui/result_views.h"
#include "ui/texts.h"

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <iostream>
#include <map>
#include <optional>
#include <random>
#include <set>
#include <sstream>
#include <utility>
#include <vector>

namespace bk::test {

namespace {

namespace fs = std::filesystem;

// What a path of the round's tree holds at one moment.
struct Entry {
    bool regular = false; // otherwise a FIFO the test put there
    std::string content;
    FileIdentity identity;
    bool writable = false; // what a deletion asks of a file: a write bit and write access
};

using Disk = std::map<std::string, Entry>;
using FileId = std::pair<std::uint64_t, std::uint64_t>; // device, inode

// The path's parts given with "/", joined as the program joins them.
std::string NativeSeparators(std::string path) {
    std::replace(path.begin(), path.end(), '/', PathSeparator);
    return path;
}

std::string Below(const std::string& folder, const std::string& relative) {
    return folder + PathSeparator + NativeSeparators(relative);
}

std::optional<Entry> Look(const std::string& path, bool withContent) {
    const std::optional<DiskStatus> status = FileStatusOnDisk(path);
    if (!status) {
        return std::nullopt;
    }
    Entry entry;
    entry.regular = status->regular;
    entry.identity = status->identity;
    entry.writable = status->writable;
    if (entry.regular && withContent) {
        entry.content = ReadWholeFile(path); // never a FIFO: reading one would wait for a writer
    }
    return entry;
}

// Every folder from the added one down to the record's is still the one the scan walked, and
// none of them became a link.
bool WayAsWalked(const FileRecord& record) {
    const std::optional<FolderWay> way = record.folder.way();
    if (!way || !IsFolderOnDisk(way->start.empty() ? "/" : way->start, true, way->startIdentity)) {
        return false;
    }
    std::string path = way->start;
    for (const FolderWay::Step& step : way->steps) {
        path += PathSeparator + step.name;
        if (!IsFolderOnDisk(path, false, step.identity)) {
            return false;
        }
    }
    return true;
}

// The record's file is still there exactly as the scan saw it, reached the way the scan went.
bool AsRecorded(const FileRecord& record) {
    const std::optional<Entry> now = Look(FullPath(record.folder, record.name), false);
    const FileIdentity then = record.identity();
    return now && now->regular && now->identity.unchangedSince(then) && WayAsWalked(record);
}

// Folds letter case of the names this test uses: A-Z, and the two-byte characters from À to ß.
std::string Folded(std::string_view name) {
    std::string folded(name);
    for (std::size_t i = 0; i < folded.size(); ++i) {
        const auto byte = static_cast<unsigned char>(folded[i]);
        if (byte >= 'A' && byte <= 'Z') {
            folded[i] = static_cast<char>(byte + 0x20);
        } else if (byte == 0xC3 && i + 1 < folded.size()) {
            const auto second = static_cast<unsigned char>(folded[i + 1]);
            if (second >= 0x80 && second <= 0x9F) {
                folded[i + 1] = static_cast<char>(second + 0x20);
            }
            ++i;
        }
    }
    return folded;
}

// Random trees and random sessions on the real window, with the disk changing behind the
// program's back between commands. After every step: no content the user had is gone unless the
// test itself took every copy (or the user deleted it knowingly from a same-name group), the
// program deleted nothing but the members the user chose, and the catalogue, the group chains
// and the three views tell the same story.
class PropertyTest : public ProgramTest {
  protected:
    std::size_t below(std::size_t n) {
        return std::uniform_int_distribution<std::size_t>(0, n - 1)(random);
    }
    bool chance(int percent) { return below(100) < static_cast<std::size_t>(percent); }
    template <typename T, std::size_t N> const T& pick(const T (&items)[N]) {
        return items[below(N)];
    }

    void note(const std::string& line) { journal << "  " << line << "\n"; }

    // The tree of the round; FIFOs are listed without being opened.
    Disk disk() const {
        Disk found;
        std::error_code error;
        for (auto it = fs::recursive_directory_iterator(NativePath(roundRoot), error);
             !error && it != fs::recursive_directory_iterator(); it.increment(error)) {
            const std::string path = PathText(it->path());
            if (std::optional<Entry> entry = Look(path, true)) {
                found.emplace(path, std::move(*entry));
            }
        }
        return found;
    }

    static std::set<std::string> contentsOf(const Disk& onDisk) {
        std::set<std::string> contents;
        for (const auto& [path, entry] : onDisk) {
            if (entry.regular) {
                contents.insert(entry.content);
            }
        }
        return contents;
    }

    // Contents the test itself has taken off the disk need not survive any more.
    void forgetContentsNotOn(const Disk& onDisk) {
        const std::set<std::string> present = contentsOf(onDisk);
        std::erase_if(mustSurvive, [&](const std::string& c) { return present.count(c) == 0; });
    }

    static void writeFile(const std::string& path, const std::string& content) {
        fs::create_directories(NativePath(path).parent_path());
        ASSERT_TRUE(WriteWholeFile(path, content)) << path;
    }

    // A modification time no file of the round had before, so a rewrite never passes for the
    // file the program compared.
    void setUnusedTime(const std::string& path) {
        SetFileTimes(path, FileIdentity::Nanoseconds(unusedTime, 0));
        ++unusedTime;
    }

    std::string randomBytes(std::size_t length) {
        // A small alphabet with a zero and a high byte makes equal sizes and near-copies common.
        static const std::string alphabet = std::string("ab\0\xff", 4);
        std::string bytes(length, 'a');
        for (char& byte : bytes) {
            byte = alphabet[below(alphabet.size())];
        }
        return bytes;
    }

    // Sizes around the places where the reading changes its way: tiny files, files no longer
    // than the leading block of 4 KiB (hashed whole ahead) and longer ones, whose leading
    // block is only the start of a comparison side by side.
    std::size_t randomLength() {
        static const std::size_t around[] = {4095, 4096, 4097, 65535, 65536, 65537};
        switch (below(8)) {
        case 0:
            return pick(around);
        case 1:
            return 1000 + below(9000);
        case 2:
            return 65537 + below(20000);
        default:
            return below(40);
        }
    }

    // One base content; one in six starts with a block whose MD5 collides with another's.
    std::string randomBase() {
        if (chance(16)) {
            const std::string suffix = randomBytes(below(300));
            return (chance(50) ? collisionA : collisionB) + suffix;
        }
        return randomBytes(randomLength());
    }

    // A content of the same size that differs in the first, a middle or the last byte, or in
    // the MD5-colliding block.
    std::string nearCopyOf(const std::string& base) {
        std::string copy = base;
        if (copy.empty()) {
            return copy;
        }
        if (copy.size() >= collisionA.size() &&
            copy.compare(0, collisionA.size(), collisionA) == 0) {
            return collisionB + copy.substr(collisionA.size());
        }
        if (copy.size() >= collisionB.size() &&
            copy.compare(0, collisionB.size(), collisionB) == 0) {
            return collisionA + copy.substr(collisionB.size());
        }
        const std::size_t where[] = {0, copy.size() / 2, copy.size() - 1};
        copy[pick(where)] ^= static_cast<char>(1 + below(255));
        return copy;
    }

    void buildTree() {
        roundRoot = tree.path("round" + std::to_string(round));
        removedByTest.clear();
        // Windows takes D1 for d1, so its trees spell every folder one way; names that differ in
        // letter case only make one file there, as the second is never written over the first.
        static const char* const folders[] = {"",       "d1/", "d1/e/", "d2/",
#ifndef _WIN32
                                              "D1/",
#endif
                                              "d2/f g/"};
        static const char* const names[] = {"a.txt", "A.TXT", "b.bak", "c.dat", "copy.BAK",
                                            "x",     "n.txt", "ä.txt", "Ä.TXT", "noext"};
        std::vector<std::string> bases;
        for (std::size_t i = 0, n = 2 + below(4); i < n; ++i) {
            bases.push_back(randomBase());
        }
        std::vector<std::string> written;
        for (std::size_t i = 0, n = 6 + below(20); i < n; ++i) {
            const std::string path = Below(roundRoot, std::string(pick(folders)) + pick(names));
            if (Look(path, false)) {
                continue;
            }
            const std::string& base = bases[below(bases.size())];
            std::string content = base;
            const std::size_t kind = below(6);
            if (kind == 3 || kind == 4) {
                content = nearCopyOf(base);
            } else if (kind == 5) {
                content = randomBytes(base.size()); // same size, most likely other bytes
            }
            writeFile(path, content);
            written.push_back(path);
            note("write " + path + " (" + std::to_string(content.size()) + " bytes)");
        }
        fs::create_directories(NativePath(roundRoot));
        for (const std::string& path : written) {
            if (chance(12)) {
                const std::string alias =
                    chance(50)
                        ? path + ".lnk"
                        : Below(roundRoot, "d2/" + std::to_string(nextLinkNumber++) + ".lnk");
                fs::create_directories(NativePath(alias).parent_path());
                if (MakeHardLink(path, alias)) {
                    note("hard link " + alias + " to " + path);
                }
            }
            if (chance(8)) {
                MakeReadOnly(path);
                note("read-only " + path);
            }
        }
        mustSurvive = contentsOf(disk());
    }

    std::string randomFolderToAdd() {
        static const char* const places[] = {"",        "/d1",     "/d1/e", "/d2",
#ifndef _WIN32
                                             "/D1",
#endif
                                             "/d2/f g", "/missing"};
        return roundRoot + NativeSeparators(pick(places));
    }

    // Changes one file of the round, or the given one when it is a regular file.
    void changeBehindTheBack(const std::string& target = {}) {
        const Disk onDisk = disk();
        std::vector<std::string> regular;
        for (const auto& [path, entry] : onDisk) {
            if (entry.regular) {
                regular.push_back(path);
            }
        }
        if (regular.empty()) {
            return;
        }
        const bool targetFits = onDisk.count(target) != 0 && onDisk.at(target).regular;
        const std::string path = targetFits ? target : regular[below(regular.size())];
        const Entry& entry = onDisk.at(path);
        switch (below(12)) {
        case 0:
            RemoveFile(path);
            removedByTest.insert(path);
            note("outside: remove " + path);
            break;
        case 1:
        case 2: {
            if (!entry.writable) {
                return;
            }
            std::string content;
            switch (below(3)) {
            case 0:
                content = nearCopyOf(entry.content);
                break;
            case 1:
                content = onDisk.at(regular[below(regular.size())]).content;
                break;
            default:
                content = randomBase();
                break;
            }
            writeFile(path, content);
            setUnusedTime(path);
            mustSurvive.insert(content);
            note("outside: rewrite " + path + " (" + std::to_string(content.size()) + " bytes)");
            break;
        }
        case 3:
            setUnusedTime(path);
            note("outside: touch " + path);
            break;
        case 4:
            MakeReadOnly(path);
            note("outside: read-only " + path);
            break;
        case 5:
            MakeWritable(path);
            note("outside: writable " + path);
            break;
#ifndef _WIN32
        case 6:
            RemoveFile(path);
            if (MakeFifo(path)) {
                fifoGuard.add(path);
            }
            removedByTest.insert(path);
            note("outside: replace by a FIFO " + path);
            break;
#endif
        case 7:
        case 8: {
            // Dated back as `touch -r` does: only the status-change time still tells.
            if (!entry.writable) {
                return;
            }
            const bool anew = below(2) == 0;
            const std::string content = nearCopyOf(entry.content);
            if (anew) {
                RemoveFile(path);
                removedByTest.insert(path); // the file that was there is gone for good
            }
            writeFile(path, content);
            SetFileTimes(path, entry.identity.modified);
            mustSurvive.insert(content);
            note(std::string("outside: ") + (anew ? "make anew " : "rewrite ") + path +
                 " with the same size and times");
            break;
        }
        case 9:
        case 10: {
            const std::string folder = PathText(NativePath(path).parent_path());
            if (folder == roundRoot) {
                return;
            }
            const std::string moved = Below(roundRoot, "moved" + std::to_string(unusedTime++));
            fs::rename(NativePath(folder), NativePath(moved));
            for (const auto& [inner, held] : onDisk) {
                if (inner.rfind(folder + PathSeparator, 0) == 0) {
                    removedByTest.insert(inner);
                }
            }
            if (FolderLinksCanBeMade && below(2) == 0) {
                fs::create_directory_symlink(NativePath(moved), NativePath(folder));
                note("outside: move " + folder + " to " + moved + ", a link in its place");
            } else {
                // Another folder of the same name, holding copies of the same files.
                fs::create_directory(NativePath(folder));
                for (const auto& [inner, held] : onDisk) {
                    const fs::path innerPath = NativePath(inner);
                    if (held.regular && innerPath.parent_path() == NativePath(folder)) {
                        writeFile(folder + PathSeparator + PathText(innerPath.filename()),
                                  held.content);
                    }
                }
                note("outside: move " + folder + " to " + moved + ", another in its place");
            }
            break;
        }
        default: {
            const std::string copy =
                Below(roundRoot, "d1/new" + std::to_string(unusedTime) + ".txt");
            writeFile(copy, entry.content);
            ++unusedTime;
            note("outside: new file " + copy);
            break;
        }
        }
        forgetContentsNotOn(disk());
    }

    // The row of the shown group in the groups list; -1 when no group is shown.
    std::int64_t shownGroupRow() {
        std::int64_t row = 0;
        for (GroupRecord* group = program.catalogue.groups.first(); group != nullptr;
             group = GroupList::nextOf(group), ++row) {
            if (group == program.shownGroup) {
                return row;
            }
        }
        return -1;
    }

    std::vector<MemberRecord*> chainOf(const GroupRecord& group) {
        std::vector<MemberRecord*> chain;
        MemberRecord* member = group.firstMember;
        for (std::int64_t j = 0; j < group.memberCount && member != nullptr; ++j) {
            chain.push_back(member);
            member = MemberList::nextOf(member);
        }
        return chain;
    }

    // Runs one deletion command and checks what went: only members the user chose, every one of
    // them that could safely go, and a message for every one kept.
    std::string deleteThroughCommand(int command) {
        const bool marking = command == DeleteMarkedButton;
        const std::vector<std::string> shown = rows(MembersView);
        const std::int64_t marked = controls.getState(MembersView);
        const std::int64_t selectedGroup = controls.getState(GroupsView);
        const std::int64_t shownRow = shownGroupRow();
        std::vector<MemberRecord*> chain;
        if (program.shownGroup != nullptr) {
            chain = chainOf(*program.shownGroup);
        }
        const bool acts = shownRow >= 0 && selectedGroup == shownRow && marked >= 0 &&
                          marked < static_cast<std::int64_t>(shown.size()) &&
                          chain.size() == shown.size();
        // The chosen members, and those of them the program must be able to delete.
        // Files are told apart by device and inode: a folder added through a link shows a file
        // under another path than the disk listing, and a folder put in another's place shows
        // another file under the same path.
        std::set<std::string> chosen;
        std::multimap<std::string, FileId> chosenFiles; // by the path shown
        std::set<FileId> mustGo;
        if (acts) {
            const MemberRecord& markedMember = *chain[static_cast<std::size_t>(marked)];
            const bool markedIntact = AsRecorded(*markedMember.file);
            for (std::size_t row = 0; row < chain.size(); ++row) {
                const bool isMarked = static_cast<std::int64_t>(row) == marked;
                if (isMarked != marking) {
                    continue;
                }
                const MemberRecord& member = *chain[row];
                const std::string path = FullPath(member.folder(), member.name());
                const FileId id{member.file->device, member.file->inode};
                chosen.insert(path);
                chosenFiles.emplace(path, id);
                const std::optional<Entry> now = Look(path, false);
                const bool deletable = now && now->regular && now->writable;
                if (program.groupsMode == SameName) {
                    if (deletable && AsRecorded(*member.file)) {
                        mustGo.insert(id);
                    }
                    continue;
                }
                bool anotherStays = false;
                for (std::size_t other = 0; other < chain.size(); ++other) {
                    const FileRecord& staying = *chain[other]->file;
                    const bool candidate =
                        marking ? other != row : static_cast<std::int64_t>(other) == marked;
                    anotherStays =
                        anotherStays || (candidate && AsRecorded(staying) &&
                                         !staying.identity().sameFileAs(member.file->identity()));
                }
                if (deletable && AsRecorded(*member.file) && anotherStays &&
                    (marking || markedIntact)) {
                    mustGo.insert(id);
                }
            }
        }
        const Disk before = disk();
        shownBoxes.clear();
        press(command);
        note(std::string(marking ? "delete marked" : "delete all but marked") + " (marked " +
             std::to_string(marked) + " of " + std::to_string(shown.size()) + " in group " +
             std::to_string(selectedGroup) + ", shown " + std::to_string(shownRow) + ")");
        const Disk after = disk();

        std::string problems;
        std::set<std::string> reported;
        for (const Box& box : shownBoxes) {
            const std::string prefix = "Konnte Datei \"";
            const std::string suffix = "\" nicht löschen!";
            if (box.title != ErrorTitle || box.text.rfind(prefix, 0) != 0 ||
                box.text.size() < prefix.size() + suffix.size() ||
                box.text.compare(box.text.size() - suffix.size(), suffix.size(), suffix) != 0) {
                problems += "unexpected box " + box.title + ": " + box.text + "\n";
                continue;
            }
            reported.insert(
                box.text.substr(prefix.size(), box.text.size() - prefix.size() - suffix.size()));
        }
        shownBoxes.clear();
        std::set<FileId> chosenIds;
        for (const auto& [path, id] : chosenFiles) {
            chosenIds.insert(id);
        }
        std::set<std::string> gone;
        std::set<FileId> goneFiles;
        for (const auto& [path, entry] : before) {
            const auto now = after.find(path);
            if (now == after.end() || now->second.identity.inode != entry.identity.inode) {
                gone.insert(path);
                const FileId id{entry.identity.device, entry.identity.inode};
                goneFiles.insert(id);
                if (chosenIds.count(id) == 0) {
                    problems += "deleted a file the user did not choose: " + path + "\n";
                } else if (!entry.regular) {
                    problems += "deleted a FIFO: " + path + "\n";
                }
            }
        }
        for (const auto& [path, id] : chosenFiles) {
            const bool deleted = goneFiles.count(id) != 0;
            if (mustGo.count(id) != 0 && !deleted) {
                problems += "kept a member that could safely go: " + path + "\n";
            }
            if (!deleted && reported.count(path) == 0) {
                problems += "kept a chosen member without a message: " + path + "\n";
            }
        }
        for (const std::string& path : reported) {
            const auto [first, last] = chosenFiles.equal_range(path);
            const bool anyKept = std::any_of(
                first, last, [&](const auto& each) { return goneFiles.count(each.second) == 0; });
            if (first == last) {
                problems += "a message about a file the user did not choose: " + path + "\n";
            } else if (!anyKept) {
                problems += "a message about a file that was deleted: " + path + "\n";
            }
        }
        deletedByProgram += static_cast<std::int64_t>(gone.size());
        refusedByProgram += static_cast<std::int64_t>(reported.size());
        if (program.groupsMode == SameName) {
            // Same-name groups hold different contents; deleting them is the user's choice.
            const std::set<std::string> present = contentsOf(after);
            for (const std::string& path : gone) {
                if (present.count(before.at(path).content) == 0) {
                    mustSurvive.erase(before.at(path).content);
                }
            }
        }
        return problems + unchangedExcept(before, after, gone);
    }

    // Apart from the files a deletion took, the program leaves the disk exactly as it was.
    static std::string unchangedExcept(const Disk& before, const Disk& after,
                                       const std::set<std::string>& gone) {
        std::string problems;
        for (const auto& [path, entry] : before) {
            if (gone.count(path) != 0) {
                continue;
            }
            const auto now = after.find(path);
            if (now == after.end()) {
                problems += "a file vanished: " + path + "\n";
            } else if (now->second.identity.inode != entry.identity.inode ||
                       now->second.content != entry.content ||
                       now->second.identity.modified != entry.identity.modified) {
                problems += "a file was changed: " + path + "\n";
            }
        }
        for (const auto& [path, entry] : after) {
            if (before.count(path) == 0) {
                problems += "a file appeared: " + path + "\n";
            }
        }
        return problems;
    }

    // Right after a search: the groups are exactly the classes of equal content (or folded
    // name) among the catalogued files, each file counted once by its first record, in
    // catalogue order; and the groups view and its caption list them.
    std::string searchProblems(SearchMode mode) {
        std::string problems;
        std::set<std::pair<std::uint64_t, std::uint64_t>> seen;
        std::map<std::string, std::size_t> classOfKey;
        std::vector<std::vector<const FileRecord*>> classes;
        for (FileRecord* file = program.catalogue.files.first(); file != nullptr;
             file = FileList::nextOf(file)) {
            const FileIdentity identity = file->identity();
            if (identity.inode != 0 && !seen.insert({identity.device, identity.inode}).second) {
                continue;
            }
            std::string key;
            if (mode == SameContent) {
                if (file->size <= 0) {
                    continue;
                }
                const std::optional<Entry> now = Look(FullPath(file->folder, file->name), true);
                if (!now || !now->regular || now->identity.size != file->size) {
                    continue; // a file that cannot be read at its size matches nothing
                }
                key = now->content;
            } else {
                key = Folded(file->name);
            }
            const auto [entry, added] = classOfKey.try_emplace(key, classes.size());
            if (added) {
                classes.emplace_back();
            }
            classes[entry->second].push_back(file);
        }
        std::vector<std::vector<const FileRecord*>> expected;
        for (const auto& members : classes) {
            if (members.size() > 1) {
                expected.push_back(members);
            }
        }
        std::vector<std::vector<const FileRecord*>> found;
        std::vector<std::string> groupRows;
        std::int64_t memberTotal = 0;
        for (GroupRecord* group = program.catalogue.groups.first(); group != nullptr;
             group = GroupList::nextOf(group)) {
            std::vector<const FileRecord*> members;
            std::string row = std::to_string(group->memberCount) + ": ";
            for (MemberRecord* member : chainOf(*group)) {
                members.push_back(member->file);
                row += (members.size() > 1 ? ", " : "") + member->name().str();
            }
            found.push_back(members);
            groupRows.push_back(row);
            memberTotal += group->memberCount;
        }
        if (found != expected) {
            problems += "the groups are not the classes of equal " +
                        std::string(mode == SameContent ? "content" : "name") + " (" +
                        std::to_string(found.size()) + " groups, " +
                        std::to_string(expected.size()) + " classes)\n";
        }
        const std::vector<std::string> shownRows = rows(GroupsView);
        if (found.empty() ? shownRows != std::vector<std::string>{std::string(NoGroupsRow)}
                          : shownRows != groupRows) {
            problems += "the groups view does not list the groups\n";
        }
        const std::string caption =
            found.empty() ? std::string(GroupsInitialCaption)
                          : GroupsCaption(static_cast<std::int64_t>(found.size()), memberTotal);
        if (text(GroupsLabel) != caption) {
            problems += "groups caption " + text(GroupsLabel) + " instead of " + caption + "\n";
        }
        if (!rows(MembersView).empty() || program.shownGroup != nullptr) {
            problems += "members are shown right after a search\n";
        }
        return problems;
    }

    std::string invariantProblems() {
        std::string problems;
        if (fifoGuard.releasedAReader()) {
            problems += "the program waited on a FIFO\n";
        }
        const std::set<std::string> present = contentsOf(disk());
        for (const std::string& content : mustSurvive) {
            if (present.count(content) == 0) {
                problems += "the last copy of a content of " + std::to_string(content.size()) +
                            " bytes is gone\n";
            }
        }

        // The catalogue and the all-files view.
        std::set<const FileRecord*> catalogued;
        std::vector<std::string> names;
        std::vector<std::string> sizes;
        for (FileRecord* file = program.catalogue.files.first(); file != nullptr;
             file = FileList::nextOf(file)) {
            catalogued.insert(file);
            names.push_back(file->name.str());
            sizes.push_back(std::to_string(file->size) + " Bytes");
            const std::string path = FullPath(file->folder, file->name);
            if (!Look(path, false) && removedByTest.count(path) == 0) {
                problems += "catalogued but not on disk: " + path + "\n";
            }
        }
        const std::int64_t count = program.catalogue.files.count();
        if (count != static_cast<std::int64_t>(names.size())) {
            problems += "the file count is not the number of records\n";
        }
        if (rows(AllFilesView) != names || rows(AllFilesView, 1) != sizes) {
            problems += "the all-files view does not list the catalogue\n";
        }
        const std::string caption = text(AllFilesLabel);
        if (caption != AllFilesCaption(count) &&
            !(count == 0 && caption == AllFilesInitialCaption)) {
            problems +=
                "all-files caption " + caption + " for " + std::to_string(count) + " files\n";
        }

        // The groups: chains of their counts that end, of catalogued files, each file once.
        std::set<const FileRecord*> grouped;
        std::int64_t groupCount = 0;
        bool shownGroupListed = false;
        for (GroupRecord* group = program.catalogue.groups.first(); group != nullptr;
             group = GroupList::nextOf(group)) {
            ++groupCount;
            shownGroupListed = shownGroupListed || group == program.shownGroup;
            if (group->memberCount < 2) {
                problems += "a group of fewer than two members\n";
            }
            const std::vector<MemberRecord*> chain = chainOf(*group);
            if (static_cast<std::int64_t>(chain.size()) != group->memberCount) {
                problems += "a group's chain is shorter than its count\n";
            } else if (!chain.empty() && MemberList::nextOf(chain.back()) != nullptr) {
                problems += "a group's chain goes on past its count\n";
            }
            if (!chain.empty() && MemberList::previousOf(chain.front()) != nullptr) {
                problems += "a group's chain does not start at its first member\n";
            }
            std::set<std::pair<std::uint64_t, std::uint64_t>> identities;
            for (const MemberRecord* member : chain) {
                if (catalogued.count(member->file) == 0) {
                    problems += "a member of a file the catalogue no longer holds\n";
                    continue;
                }
                if (!grouped.insert(member->file).second) {
                    problems +=
                        "a record in two places of the groups: " + member->name().str() + "\n";
                }
                const FileIdentity identity = member->file->identity();
                if (identity.inode != 0 &&
                    !identities.insert({identity.device, identity.inode}).second) {
                    problems += "one file twice in a group: " + member->name().str() + "\n";
                }
            }
        }
        if (groupCount != program.catalogue.groups.count()) {
            problems += "the group count is not the number of groups\n";
        }
        const std::vector<std::string> groupRows = rows(GroupsView);
        if (static_cast<std::int64_t>(groupRows.size()) != groupCount &&
            !(groupCount == 0 && groupRows == std::vector<std::string>{std::string(NoGroupsRow)})) {
            problems += "the groups view has " + std::to_string(groupRows.size()) + " rows for " +
                        std::to_string(groupCount) + " groups\n";
        }

        // The members view lists the shown group, or nothing.
        std::vector<std::string> memberPaths;
        if (program.shownGroup != nullptr) {
            if (!shownGroupListed) {
                problems += "the shown group is not among the groups\n";
            } else {
                for (const MemberRecord* member : chainOf(*program.shownGroup)) {
                    memberPaths.push_back(FullPath(member->folder(), member->name()));
                }
            }
        }
        if (rows(MembersView) != memberPaths) {
            problems += "the members view does not list the shown group's members\n";
        }
        return problems;
    }

    std::int64_t randomRow(int view) {
        return static_cast<std::int64_t>(below(rows(view).size() + 1)) - 1;
    }

    // One random step; what it finds wrong at once, apart from the invariants.
    std::string step() {
        const std::size_t kind = below(25);
        if (kind >= 22) {
            changeBehindTheBack();
            return {};
        }
        if (kind >= 12 && kind <= 18) {
            // Mostly as a user would: a group chosen and a member marked just before.
            if (chance(80) && !program.catalogue.groups.empty()) {
                const auto groupRow = static_cast<std::int64_t>(below(rows(GroupsView).size()));
                chooseRow(GroupsView, groupRow);
                const std::size_t memberRows = rows(MembersView).size();
                const std::int64_t memberRow = memberRows == 0 || chance(5)
                                                   ? -1
                                                   : static_cast<std::int64_t>(below(memberRows));
                controls.setState(MembersView, memberRow);
                note("choose group " + std::to_string(groupRow) + ", mark member " +
                     std::to_string(memberRow));
                // The shown files are the ones whose changes the deletions must notice.
                const std::vector<std::string> shown = rows(MembersView);
                if (chance(50) && !shown.empty()) {
                    changeBehindTheBack(shown[below(shown.size())]);
                }
            }
            return deleteThroughCommand(kind <= 15 ? DeleteMarkedButton : DeleteOthersButton);
        }
        // Every other command leaves the disk exactly as it was.
        const Disk before = disk();
        std::string problems =
            command(kind >= 20 ? 3 : kind); // searches for contents twice as often
        return problems + unchangedExcept(before, disk(), {});
    }

    std::string command(std::size_t kind) {
        switch (kind) {
        case 0:
        case 1: {
            const std::string folder = randomFolderToAdd();
            if (chance(10)) {
                press(AddFolderButton); // the chooser cancelled
                note("add, cancelled");
                return {};
            }
            addFolder(folder);
            note("add " + folder + " with pattern \"" + text(PatternField) + "\"");
            return {};
        }
        case 2: {
            static const char* const patterns[] = {"",       "*",     "*.txt",   "*.bak;*.dat",
                                                   "a*, n*", "?.txt", "*.TXT x", "*.lnk",
                                                   "ä*",     "*.*",   ";;",      "c.dat  noext"};
            const std::string pattern = pick(patterns);
            controls.setText(PatternField, pattern);
            note("pattern \"" + pattern + "\"");
            return {};
        }
        case 3:
        case 4:
        case 5:
            press(FindDuplicatesButton);
            note("search contents");
            return searchProblems(SameContent);
        case 6:
            press(FindSameNamesButton);
            note("search names");
            return searchProblems(SameName);
        case 7:
        case 8: {
            const std::int64_t row = randomRow(GroupsView);
            chooseRow(GroupsView, row);
            note("choose group " + std::to_string(row));
            return {};
        }
        case 9: {
            const std::int64_t row = randomRow(GroupsView);
            controls.setState(GroupsView, row);
            note("select group " + std::to_string(row) + " without showing it");
            return {};
        }
        case 10:
        case 11: {
            const std::int64_t row = randomRow(MembersView);
            controls.setState(MembersView, row);
            note("mark member " + std::to_string(row));
            return {};
        }
        default:
            press(ResetButton);
            note("reset");
            if (!program.catalogue.files.empty() || !program.catalogue.groups.empty() ||
                !program.catalogue.members.empty() || program.shownGroup != nullptr) {
                return "the reset left records\n";
            }
            return {};
        }
    }

    // Runs one round: a new tree, a first add, then random steps. False after a failure.
    bool runRound(std::uint64_t roundSeed, std::int64_t& steps) {
        random.seed(roundSeed);
        journal.str({});
        journal << "round " << round << " (BK_PROPERTY_SEED=" << seed
                << " BK_PROPERTY_ROUND=" << round << " replays it):\n";
        buildTree();
        press(ResetButton);
        if (chance(50)) {
            controls.setText(PatternField, "");
        }
        addFolder(roundRoot);
        note("add " + roundRoot + " with pattern \"" + text(PatternField) + "\"");
        if (chance(30)) {
            const std::string inner = Below(roundRoot, chance(50) ? "d1" : "d2");
            addFolder(inner);
            note("add " + inner + " as well");
        }
        for (std::size_t i = 0, n = 15 + below(30); i < n; ++i) {
            std::string problems = step();
            fifoGuard.stepDone();
            problems += invariantProblems();
            ++steps;
            if (!problems.empty()) {
                ADD_FAILURE() << problems << "after step " << i + 1 << " of " << journal.str();
                return false;
            }
        }
        if (std::getenv("BK_PROPERTY_VERBOSE") != nullptr) {
            std::cout << journal.str();
        }
        press(ResetButton);
        fifoGuard.forgetAll();
        std::error_code ignored;
        fs::permissions(NativePath(roundRoot), fs::perms::owner_all, fs::perm_options::add,
                        ignored);
        fs::remove_all(NativePath(roundRoot), ignored);
        return true;
    }

    std::mt19937_64 random;
    std::uint64_t seed = 0;
    std::int64_t round = 0;
    std::int64_t deletedByProgram = 0; // files the deletion commands took
    std::int64_t refusedByProgram = 0; // chosen files they kept, with a message
    std::size_t nextLinkNumber = 0;    // names the hard links made in another folder
    std::string roundRoot;
    std::set<std::string> mustSurvive;
    std::set<std::string> removedByTest;
    std::int64_t unusedTime = 1000000000;
    std::ostringstream journal;
    FifoGuard fifoGuard;
    const std::string collisionA =
        ReadWholeFile(std::string(BK_FIXTURES_DIR) + "/md5-collision/a.bin");
    const std::string collisionB =
        ReadWholeFile(std::string(BK_FIXTURES_DIR) + "/md5-collision/b.bin");
};

std::optional<std::uint64_t> FromEnvironment(const char* name) {
    if (const char* given = std::getenv(name); given != nullptr && *given != '\0') {
        return std::strtoull(given, nullptr, 10);
    }
    return std::nullopt;
}

TEST_F(PropertyTest, RandomSessionsKeepEveryContentAndOnlyDeleteChosenMembers) {
    ASSERT_EQ(collisionA.size(), collisionB.size());
    ASSERT_NE(collisionA, collisionB);
    seed = FromEnvironment("BK_PROPERTY_SEED").value_or(std::random_device()());
    const std::optional<std::uint64_t> onlyRound = FromEnvironment("BK_PROPERTY_ROUND");
    // A budget of work for the test run, not a measurement; longer by hand.
    const auto budget = std::chrono::seconds(
        static_cast<std::int64_t>(FromEnvironment("BK_PROPERTY_SECONDS").value_or(3)));
    const auto start = std::chrono::steady_clock::now();
    std::int64_t steps = 0;
    std::int64_t rounds = 0;
    bool passed = true;
    round = onlyRound ? static_cast<std::int64_t>(*onlyRound) : 0;
    do {
        const std::uint64_t roundSeed =
            seed ^ (static_cast<std::uint64_t>(round) * 0x9e3779b97f4a7c15ULL);
        passed = runRound(roundSeed, steps);
        ++rounds;
        ++round;
    } while (passed && !onlyRound && std::chrono::steady_clock::now() - start < budget);
    std::cout << "[ property ] seed " << seed << ", " << rounds << " rounds, " << steps
              << " steps, " << deletedByProgram << " files deleted, " << refusedByProgram
              << " refused" << (passed ? "" : ", FAILED") << "\n";
    EXPECT_GT(steps, 0);
}

} // namespace

} // namespace bk::test
