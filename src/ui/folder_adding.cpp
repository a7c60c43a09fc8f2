#include "ui/folder_adding.h"

#include "catalogue/folder_scan.h"
#include "ui/control_numbers.h"
#include "ui/progress_display.h"
#include "ui/result_views.h"
#include "ui/texts.h"

namespace bk {

bool IsFolderAdded(Program& program, const std::string& path) {
    const std::optional<FileIdentity> identity = FolderIdentity(path);
    FolderList& folders = program.catalogue.folders;
    folders.rewind();
    while (folders.advance()) {
        const FolderRecord& folder = *folders.current();
        if (folder.path == path ||
            (identity && folder.identity && identity->sameFileAs(*folder.identity))) {
            return true;
        }
    }
    return false;
}

void AddFolderCommand(Program& program) {
    const std::string chosen = program.controls.chooseFolder(ChooserTitle, program.lastFolder);
    if (chosen.empty() || IsFolderAdded(program, chosen)) {
        return;
    }
    program.lastFolder = chosen;
    FolderRecord* folder = program.catalogue.folders.insertAfterCurrent();
    folder->path = chosen;
    folder->identity = FolderIdentity(chosen);
    ScanOnStatusLine observer(program);
    ScanFolder(program.catalogue, program.files.scans, chosen,
               program.controls.getText(PatternField), 0, observer);
    RefreshViews(program, ShowFiles);
}

} // namespace bk
