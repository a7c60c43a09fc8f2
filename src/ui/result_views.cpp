#include "ui/result_views.h"

#include "catalogue/case_folding.h"
#include "platform/file_paths.h"
#include "ui/control_numbers.h"
#include "ui/status_line.h"
#include "ui/texts.h"

namespace bk {

namespace {

constexpr std::string_view BackupExtension = "bak";

void ResetViews(Program& program) {
    ControlLayer& controls = program.controls;
    controls.clearItems(AllFilesView);
    controls.clearItems(GroupsView);
    controls.clearItems(MembersView);
    program.shownGroup = nullptr;
    controls.setText(AllFilesLabel, AllFilesInitialCaption);
    controls.setText(GroupsLabel, GroupsInitialCaption);
}

void ShowAllFiles(Program& program) {
    ControlLayer& controls = program.controls;
    FileList& files = program.catalogue.files;
    controls.clearItems(AllFilesView);
    files.rewind();
    std::int64_t row = 0;
    while (files.advance()) {
        const FileRecord& file = *files.current();
        controls.addItem(AllFilesView, row, file.name);
        controls.setItemText(AllFilesView, row, FileSizeText(file.size), 1);
        ++row;
    }
    controls.setText(AllFilesLabel, AllFilesCaption(files.count()));
}

std::string GroupRow(MemberList& members, const GroupRecord& group) {
    std::string row = std::to_string(group.memberCount) + ": ";
    members.makeCurrent(group.firstMember);
    for (std::int64_t j = 1; j <= group.memberCount; ++j) {
        if (j > 1) {
            row += ", ";
        }
        row += members.current()->name();
        members.advance();
    }
    return row;
}

void ShowAllGroups(Program& program) {
    ControlLayer& controls = program.controls;
    GroupList& groups = program.catalogue.groups;
    // Rows of a group from an earlier search must never stay where a deletion could act on them.
    controls.clearItems(MembersView);
    program.shownGroup = nullptr;
    controls.clearItems(GroupsView);
    if (groups.empty()) {
        controls.addItem(GroupsView, -1, NoGroupsRow);
        controls.setText(GroupsLabel, GroupsInitialCaption);
        return;
    }
    std::int64_t memberTotal = 0;
    groups.rewind();
    while (groups.advance()) {
        const GroupRecord& group = *groups.current();
        memberTotal += group.memberCount;
        controls.addItem(GroupsView, -1, GroupRow(program.catalogue.members, group));
    }
    controls.setText(GroupsLabel, GroupsCaption(groups.count(), memberTotal));
}

bool IsBackup(std::string_view name) {
    return FoldCase(FileExtension(name)) == BackupExtension;
}

void ShowSelectedGroupMembers(Program& program) {
    ControlLayer& controls = program.controls;
    controls.clearItems(MembersView);
    program.shownGroup = nullptr;
    const std::int64_t selected = controls.getState(GroupsView);
    if (program.catalogue.groups.empty() || selected < 0) {
        return;
    }
    GroupList& groups = program.catalogue.groups;
    groups.selectAt(selected);
    GroupRecord* group = groups.current();
    MemberList& members = program.catalogue.members;
    members.makeCurrent(group->firstMember);
    std::int64_t preselect = 0;
    for (std::int64_t j = 1; j <= group->memberCount; ++j) {
        const MemberRecord& member = *members.current();
        controls.addItem(MembersView, -1, FullPath(member.folder(), member.name()));
        if (IsBackup(member.name())) {
            preselect = j - 1;
        }
        members.advance();
    }
    controls.setState(MembersView, preselect);
    program.shownGroup = group;
}

} // namespace

void RefreshViews(Program& program, int flags) {
    SetStatusActivity(program, UpdatingListText);
    if (flags == 0) {
        ResetViews(program);
    }
    if ((flags & ShowFiles) != 0) {
        ShowAllFiles(program);
    }
    if ((flags & ShowGroups) != 0) {
        ShowAllGroups(program);
    }
    if ((flags & ShowMembers) != 0) {
        ShowSelectedGroupMembers(program);
    }
}

std::string FileExtension(std::string_view name) {
    const std::size_t dot = name.rfind('.');
    const std::size_t separator = name.find_last_of(PathSeparators);
    if (dot == std::string_view::npos || (separator != std::string_view::npos && separator > dot)) {
        return {};
    }
    std::string_view extension = name.substr(dot + 1);
    return std::string(extension.substr(0, extension.find('"')));
}

} // namespace bk
