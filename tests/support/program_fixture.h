#pragma once

#include "platform/file_paths.h"
#include "support/fake_control_layer.h"
#include "support/faulty_file_services.h"
#include "support/temp_tree.h"
#include "ui/control_numbers.h"
#include "ui/event_loop.h"
#include "ui/main_window.h"
#include "ui/program.h"
#include "ui/texts.h"

#include <deque>
#include <filesystem>
#include <gtest/gtest.h>
#include <map>
#include <string>
#include <vector>

namespace bk::test {

// What the disk and the window show at one moment, to compare before and after a command.
struct Observed {
    std::map<std::string, std::string> disk; // path -> content of every file in the tree
    std::vector<std::string> catalogue;      // full paths, in catalogue order
    std::vector<std::string> allFiles;
    std::vector<std::string> groups;
    std::vector<std::string> members;
    std::string allFilesLabel;
    std::string groupsLabel;
    std::int64_t groupsSelection = 0;
    std::int64_t membersSelection = 0;
    std::int64_t firstGroupMemberCount = 0;
};

// The main window over a control layer of the test's choosing (Controls), with a temporary tree
// to work on. The folder chooser and the message boxes are answered by the test: folders to
// choose are queued in chosenFolders, and every box shown is recorded in shownBoxes.
template <typename Controls> class ProgramFixture : public ::testing::Test {
  protected:
    ProgramFixture() : files(tree.root() + "/"), program(controls, files) {
        controls.answerChooser([this](std::string_view title, std::string_view initial) {
            chooserTitles.emplace_back(title);
            chooserOpenedAt.emplace_back(initial);
            if (chosenFolders.empty()) {
                return std::string();
            }
            std::string next = chosenFolders.front();
            chosenFolders.pop_front();
            return next;
        });
        controls.answerBoxes([this](std::string_view title, std::string_view text) {
            shownBoxes.push_back({std::string(title), std::string(text)});
        });
        EXPECT_TRUE(CreateMainWindow(controls));
    }

    struct Box {
        std::string title;
        std::string text;
    };

    struct Member {
        std::string folder;
        std::string name;
    };

    // A catalogued file, as a scan leaves it, without one on disk.
    void addFile(const std::string& folder, const std::string& name, std::int64_t size) {
        FileRecord* file = program.catalogue.files.insertAfterCurrent();
        file->folder = folder;
        file->name = name;
        file->size = size;
    }

    // The catalogued file of that folder and name, added where the catalogue has none. Members
    // of one path are members of one record.
    FileRecord* catalogued(const std::string& folder, const std::string& name) {
        for (FileRecord* file = program.catalogue.files.first(); file != nullptr;
             file = FileList::nextOf(file)) {
            if (file->folder == folder && file->name == name) {
                return file;
            }
        }
        addFile(folder, name, 0);
        return program.catalogue.files.current();
    }

    // A group as a search leaves it: its members form a chain of their own in the member list.
    void addGroup(const std::vector<Member>& members) {
        GroupRecord* group = program.catalogue.groups.insertAfterCurrent();
        MemberList& list = program.catalogue.members;
        for (std::size_t i = 0; i < members.size(); ++i) {
            MemberRecord* member = list.insertAfterCurrent();
            if (i == 0) {
                list.cutBeforeCurrent();
                group->firstMember = member;
            }
            member->file = catalogued(members[i].folder, members[i].name);
        }
        group->memberCount = static_cast<std::int64_t>(members.size());
    }

    // Runs the command of a control as the event loop would: enabling rules first.
    void press(int control) {
        ApplyEnablingRules(program);
        DispatchControlEvent(program, control);
        ApplyEnablingRules(program);
    }

    // Adds a folder through the add-folder button with the chooser answering path, ending in the
    // separator as the system's chooser gives it.
    void addFolder(const std::string& path) {
        chosenFolders.push_back(path.back() == PathSeparator ? path : path + PathSeparator);
        press(AddFolderButton);
    }

    // A fresh window over one folder holding names with one content, searched by content, with
    // its first group shown and no box shown yet.
    void showCopies(const std::string& folder, const std::vector<std::string>& names,
                    const std::string& content) {
        for (const std::string& name : names) {
            tree.write(folder + "/" + name, content);
        }
        press(ResetButton);
        shownBoxes.clear();
        addFolder(at(folder));
        press(FindDuplicatesButton);
        chooseRow(GroupsView, 0);
    }

    // Selects a row of a list as a user would, then runs what the program does for it.
    void chooseRow(int view, std::int64_t row) {
        controls.setState(view, row);
        press(view);
    }

    std::vector<std::string> rows(int view, int column = 0) {
        return controls.rowsOf(view, column);
    }

    std::string at(std::string_view relative) const { return tree.path(relative); }

    // The texts of the boxes shown, every one an error box.
    std::vector<std::string> errorTexts() const {
        std::vector<std::string> texts;
        for (const Box& box : shownBoxes) {
            EXPECT_EQ(box.title, ErrorTitle);
            texts.push_back(box.text);
        }
        return texts;
    }

    // The paths of the catalogue's files in catalogue order, read along the links so that the
    // program's cursor stays where it is.
    std::vector<std::string> cataloguePaths() const {
        std::vector<std::string> paths;
        for (FileRecord* file = program.catalogue.files.first(); file != nullptr;
             file = FileList::nextOf(file)) {
            paths.push_back(FullPath(file->folder, file->name));
        }
        return paths;
    }

    std::map<std::string, std::string> disk() const {
        std::map<std::string, std::string> found;
        for (const auto& entry : std::filesystem::recursive_directory_iterator(tree.root())) {
            if (entry.is_regular_file()) {
                found[entry.path().string()] = ReadWholeFile(entry.path().string());
            }
        }
        return found;
    }

    Observed observe() {
        Observed seen;
        seen.disk = disk();
        seen.catalogue = cataloguePaths();
        seen.allFiles = rows(AllFilesView);
        seen.groups = rows(GroupsView);
        seen.members = rows(MembersView);
        seen.allFilesLabel = text(AllFilesLabel);
        seen.groupsLabel = text(GroupsLabel);
        seen.groupsSelection = controls.getState(GroupsView);
        seen.membersSelection = controls.getState(MembersView);
        const GroupRecord* group = program.catalogue.groups.first();
        seen.firstGroupMemberCount = group == nullptr ? 0 : group->memberCount;
        return seen;
    }

    // The catalogue, the three views, their captions and the chosen group are as they were.
    void expectCatalogueAndViewsAsBefore(const Observed& before, const Observed& after) {
        EXPECT_EQ(after.catalogue, before.catalogue);
        EXPECT_EQ(after.allFiles, before.allFiles);
        EXPECT_EQ(after.groups, before.groups);
        EXPECT_EQ(after.members, before.members);
        EXPECT_EQ(after.allFilesLabel, before.allFilesLabel);
        EXPECT_EQ(after.groupsLabel, before.groupsLabel);
        EXPECT_EQ(after.groupsSelection, before.groupsSelection);
    }

    std::string text(int control) { return controls.getText(control); }
    std::string statusText(int field) { return controls.statusTextOf(field); }
    bool enabled(int control) { return controls.isEnabled(control); }

    TempTree tree;
    Controls controls;
    FaultyFileServices files;
    Program program;
    std::deque<std::string> chosenFolders;
    std::vector<std::string> chooserTitles;
    std::vector<std::string> chooserOpenedAt;
    std::vector<Box> shownBoxes;
};

// The program's commands, views and rules over a control layer that keeps rows and selections
// without a window.
using ProgramTest = ProgramFixture<FakeControlLayer>;

} // namespace bk::test
