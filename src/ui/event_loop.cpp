#include "ui/event_loop.h"

#include "duplicates/content_engine.h"
#include "duplicates/duplicate_search.h"
#include "ui/control_numbers.h"
#include "ui/deletion_commands.h"
#include "ui/folder_adding.h"
#include "ui/main_window.h"
#include "ui/progress_display.h"
#include "ui/result_views.h"
#include "ui/status_line.h"
#include "ui/texts.h"

#include <initializer_list>

namespace bk {

namespace {

void SetEnabled(ControlLayer& controls, std::initializer_list<int> numbers, bool enabled) {
    for (const int number : numbers) {
        controls.disable(number, !enabled);
    }
}

void ShowIdleTexts(Program& program) {
    SetStatusActivity(program, WelcomeText);
    SetStatusDetail(program, AuthorText);
}

} // namespace

void SearchCommand(Program& program, SearchMode mode) {
    program.groupsMode = mode;
    program.shownGroup = nullptr;
    SearchOnStatusLine observer(program);
    ContentEngine engine(program.files.files, observer);
    SearchDuplicates(program.catalogue, mode, engine, observer);
    RefreshViews(program, ShowGroups);
}

void ApplyEnablingRules(Program& program) {
    ControlLayer& controls = program.controls;
    const Catalogue& catalogue = program.catalogue;
    if (catalogue.files.empty()) {
        SetEnabled(controls,
                   {FindDuplicatesButton, FindSameNamesButton, MembersView, DeleteMarkedButton,
                    DeleteOthersButton, ResetButton, GroupsView, DeleteByExtensionButton},
                   false);
        return;
    }
    if (!catalogue.groups.empty()) {
        SetEnabled(controls, {MembersView, GroupsView}, true);
        const bool membersShown = controls.countItems(MembersView) > 0;
        SetEnabled(controls, {DeleteMarkedButton, DeleteOthersButton}, membersShown);
    } else {
        SetEnabled(controls,
                   {GroupsView, MembersView, DeleteMarkedButton, DeleteOthersButton,
                    DeleteByExtensionButton},
                   false);
    }
    SetEnabled(controls, {FindDuplicatesButton, FindSameNamesButton, ResetButton}, true);
}

void ResetCommand(Program& program) {
    Catalogue& catalogue = program.catalogue;
    catalogue.files.clear();
    catalogue.groups.clear();
    catalogue.members.clear();
    catalogue.folders.clear();
    RefreshViews(program, 0);
}

void DispatchControlEvent(Program& program, int control) {
    switch (control) {
    case AddFolderButton:
        AddFolderCommand(program);
        break;
    case ResetButton:
        ResetCommand(program);
        break;
    case FindDuplicatesButton:
        SearchCommand(program, SameContent);
        break;
    case FindSameNamesButton:
        SearchCommand(program, SameName);
        break;
    case GroupsView:
        RefreshViews(program, ShowMembers);
        break;
    case DeleteMarkedButton:
        DeleteMarkedCommand(program);
        break;
    case DeleteOthersButton:
        DeleteOthersCommand(program);
        break;
    default:
        break; // labels, the other views, the pattern field and the bars have no command
    }
}

void RunEventLoop(Program& program) {
    for (;;) {
        const int event = program.controls.waitEvent();
        ShowIdleTexts(program);
        ApplyEnablingRules(program);
        if (event == ControlEvent) {
            DispatchControlEvent(program, program.controls.eventControl());
        }
        if (event == CloseEvent) {
            return;
        }
    }
}

int RunProgram(ControlLayer& controls, FileServices& files) {
    Program program(controls, files);
    if (!CreateMainWindow(controls)) {
        return 1;
    }
    RunEventLoop(program);
    controls.closeWindow(MainWindow);
    controls.messageBox(CreditsTitle, CreditsText);
    return 0;
}

} // namespace bk
