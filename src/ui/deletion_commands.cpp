#include "ui/deletion_commands.h"

#include "duplicates/member_deletion.h"
#include "ui/control_numbers.h"
#include "ui/progress_display.h"
#include "ui/result_views.h"
#include "ui/texts.h"

#include <algorithm>
#include <optional>
#include <string>
#include <vector>

namespace bk {

namespace {

std::string MemberPath(const MemberRecord& member) {
    return FullPath(member.folder(), member.name());
}

// The compare bar shows a deletion's proof as it shows a search's reading, and is empty again
// once the proof is over.
class ProofOnCompareBar : public ProofProgress {
  public:
    explicit ProofOnCompareBar(ControlLayer& controls) : controls_(controls) {}
    ~ProofOnCompareBar() override {
        if (shown_ > 0) {
            controls_.setState(CompareProgress, 0);
        }
    }
    ProofOnCompareBar(const ProofOnCompareBar&) = delete;
    ProofOnCompareBar& operator=(const ProofOnCompareBar&) = delete;

    void compared(std::int64_t bytes, std::int64_t total) override {
        ShowOnBar(controls_, CompareProgress, total > 0 ? bytes * 100 / total : 100, shown_);
    }

  private:
    ControlLayer& controls_;
    std::int64_t shown_ = 0;
};

bool IsGroupMember(Program& program, const FileRecord* file) {
    for (GroupRecord* group = program.catalogue.groups.first(); group != nullptr;
         group = GroupList::nextOf(group)) {
        MemberRecord* member = group->firstMember;
        for (std::int64_t j = 0; j < group->memberCount && member != nullptr; ++j) {
            if (member->file == file) {
                return true;
            }
            member = MemberList::nextOf(member);
        }
    }
    return false;
}

// A folder added inside an added folder catalogues its files a second time. Those second
// records never join a group, so a deletion reaches the file only through its first record;
// once the file is gone, the other records would name nothing, and they go from the catalogue
// and the all-files view with it.
void ForgetOtherRecordsOf(Program& program, const FileRecord& deleted) {
    if (deleted.identity().inode == 0) {
        return;
    }
    FileList& files = program.catalogue.files;
    std::vector<FileRecord*> stale;
    for (FileRecord* file = files.first(); file != nullptr; file = FileList::nextOf(file)) {
        if (file == &deleted || !file->identity().sameFileAs(deleted.identity())) {
            continue;
        }
        const std::optional<FileIdentity> now =
            RegularFileIdentity(FullPath(file->folder, file->name));
        if ((!now || !now->sameFileAs(file->identity())) && !IsGroupMember(program, file)) {
            stale.push_back(file);
        }
    }
    for (FileRecord* file : stale) {
        files.makeCurrent(file);
        program.controls.removeItem(AllFilesView, files.positionOfCurrent() - 1);
        files.deleteCurrent();
    }
    if (!stale.empty()) {
        program.controls.setText(AllFilesLabel, AllFilesCaption(files.count()));
    }
}

// Deletes a member's file when the rule of what may go allows it; the catalogue forgets the
// other records of the file that lead nowhere now.
bool DeleteMemberFile(Program& program, const MemberRecord& member, const StayingCopies* staying) {
    ProofOnCompareBar bar(program.controls);
    if (!DeleteMemberFile(program.files, member, staying, bar)) {
        return false;
    }
    ForgetOtherRecordsOf(program, *member.file);
    return true;
}

void ReportUndeletable(Program& program, const MemberRecord& member) {
    program.controls.messageBox(ErrorTitle, CannotDeleteText(MemberPath(member)));
}

void RemoveRowAndSelectNeighbour(ControlLayer& controls, int view, std::int64_t row) {
    controls.removeItem(view, row);
    const std::int64_t remaining = controls.countItems(view);
    controls.setState(view, row <= remaining - 1 ? row : row - 1);
}

void RemoveCurrentGroup(Program& program, std::int64_t groupRow) {
    program.catalogue.groups.deleteCurrent();
    program.shownGroup = nullptr;
    RemoveRowAndSelectNeighbour(program.controls, GroupsView, groupRow);
}

// The group and member the user chose, provided the members view lists exactly the members of
// the selected group; nothing otherwise (no group chosen, or a view left from an earlier search).
struct Selection {
    GroupRecord* group = nullptr;
    std::int64_t groupRow = -1;
    std::int64_t markedRow = -1;
};

Selection ChosenGroup(Program& program) {
    ControlLayer& controls = program.controls;
    Selection selection;
    selection.groupRow = controls.getState(GroupsView);
    selection.markedRow = controls.getState(MembersView);
    GroupList& groups = program.catalogue.groups;
    if (selection.groupRow < 0 || selection.markedRow < 0 || groups.empty() ||
        selection.groupRow >= groups.count()) {
        return {};
    }
    groups.selectAt(selection.groupRow);
    GroupRecord* group = groups.current();
    if (group != program.shownGroup || controls.countItems(MembersView) != group->memberCount ||
        selection.markedRow >= group->memberCount) {
        return {};
    }
    selection.group = group;
    return selection;
}

MemberRecord* StepToMember(MemberList& members, const GroupRecord& group, std::int64_t row) {
    members.makeCurrent(group.firstMember);
    for (std::int64_t step = 0; step < row; ++step) {
        members.advance();
    }
    return members.current();
}

} // namespace

void RetireMember(Program& program) {
    Catalogue& catalogue = program.catalogue;
    ControlLayer& controls = program.controls;
    catalogue.files.makeCurrent(catalogue.members.current()->file);
    controls.removeItem(AllFilesView, catalogue.files.positionOfCurrent() - 1);
    catalogue.files.deleteCurrent();
    catalogue.members.deleteCurrent();
    controls.setText(AllFilesLabel, AllFilesCaption(catalogue.files.count()));
}

void DeleteMarkedCommand(Program& program) {
    const Selection selection = ChosenGroup(program);
    if (selection.group == nullptr) {
        return;
    }
    GroupRecord& group = *selection.group;
    const std::int64_t m = selection.markedRow;
    MemberList& members = program.catalogue.members;
    const MemberRecord& marked = *StepToMember(members, group, m);
    // Every other member stays, in the group's order.
    std::optional<StayingCopies> staying;
    if (program.groupsMode == SameContent) {
        staying.emplace();
        MemberRecord* member = group.firstMember;
        for (std::int64_t j = 0; j < group.memberCount && member != nullptr; ++j) {
            if (member != &marked) {
                staying->add(*member);
            }
            member = MemberList::nextOf(member);
        }
    }
    if (!DeleteMemberFile(program, marked, staying ? &*staying : nullptr)) {
        ReportUndeletable(program, marked);
        return;
    }
    RetireMember(program);
    if (m == 0) {
        group.firstMember = members.current();
    }
    RemoveRowAndSelectNeighbour(program.controls, MembersView, m);
    --group.memberCount;
    if (group.memberCount == 1) {
        RetireMember(program);
        RemoveCurrentGroup(program, selection.groupRow);
        RefreshViews(program, ShowMembers);
        program.controls.setText(GroupsLabel,
                                 RemainingGroupsCaption(program.catalogue.groups.count()));
    }
}

void DeleteOthersCommand(Program& program) {
    const Selection selection = ChosenGroup(program);
    if (selection.group == nullptr) {
        return;
    }
    GroupRecord& group = *selection.group;
    MemberList& members = program.catalogue.members;
    const MemberRecord& marked = *StepToMember(members, group, selection.markedRow);
    // The marked member stays, and so does every member whose deletion is refused.
    std::optional<StayingCopies> staying;
    if (program.groupsMode == SameContent) {
        staying.emplace();
        staying->add(marked);
    }
    members.makeCurrent(group.firstMember);
    const std::int64_t n = group.memberCount;
    std::int64_t kept = 0; // members that stay; also the view row of the member being handled
    auto keepCurrent = [&] {
        if (kept == 0) {
            group.firstMember = members.current();
        }
        members.advance();
        ++kept;
    };
    for (std::int64_t row = 0; row < n; ++row) {
        const MemberRecord& member = *members.current();
        if (row == selection.markedRow) {
            keepCurrent();
        } else if (!DeleteMemberFile(program, member, staying ? &*staying : nullptr)) {
            ReportUndeletable(program, member);
            if (staying) {
                staying->add(member);
            }
            keepCurrent();
        } else {
            RetireMember(program);
            if (kept == 0) {
                // The retired member led the chain; the group must never point at it again.
                group.firstMember = members.current();
            } else {
                members.advance();
            }
            program.controls.removeItem(MembersView, kept);
            --group.memberCount;
        }
    }
    if (group.memberCount == 1) {
        RetireMember(program);
        group.memberCount = 0;
    }
    if (group.memberCount == 0) {
        RemoveCurrentGroup(program, selection.groupRow);
        program.controls.setText(GroupsLabel,
                                 RemainingGroupsCaption(program.catalogue.groups.count()));
    }
    RefreshViews(program, ShowMembers);
}

} // namespace bk
