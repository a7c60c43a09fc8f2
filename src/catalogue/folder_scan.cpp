#include "catalogue/folder_scan.h"

#include "catalogue/name_patterns.h"
#include "ui/status_line.h"

#include <optional>

namespace bk {

namespace {

bool IsSelfOrParent(const std::string& name) {
    return name == "." || name == "..";
}

void CatalogueEntry(Program& program, const SharedText& folder) {
    const FolderScans& scans = program.files.scans;
    FileRecord* record = program.catalogue.files.insertAfterCurrent();
    record->size = scans.entrySize();
    record->folder = folder;
    record->name = scans.entryName();
    record->identity = scans.entryIdentity();
}

// Lets the scans read the folders of a walk ahead for as long as the walk lasts, however it ends.
class WalkReadAhead {
  public:
    WalkReadAhead(FolderScans& scans, const std::string& folder) : scans_(scans) {
        scans_.readAhead(folder);
    }
    ~WalkReadAhead() { scans_.stopReadingAhead(); }
    WalkReadAhead(const WalkReadAhead&) = delete;
    WalkReadAhead& operator=(const WalkReadAhead&) = delete;

  private:
    FolderScans& scans_;
};

void ShowFileCount(Program& program) {
    SetStatusDetail(program, std::to_string(program.catalogue.files.count()) + " Dateien");
}

} // namespace

void ScanFolder(Program& program, const std::string& path, std::string_view patternText,
                int depth) {
    SetStatusActivity(program, "Lese Dateien...");
    if (depth == 0) {
        SplitPatterns(program.catalogue.patterns, patternText);
    }
    // The root is walked as "", so that its files get the folder "" and the full path "/name".
    const std::string folder =
        !path.empty() && path.back() == '/' ? path.substr(0, path.size() - 1) : path;
    const SharedText folderOfEveryFile(folder);
    FolderScans& scans = program.files.scans;
    std::optional<WalkReadAhead> readingAhead;
    if (depth == 0) {
        readingAhead.emplace(scans, folder);
    }
    scans.begin(depth, folder);
    EntryKind kind = EntryEnd;
    do {
        kind = scans.next();
        if (kind == EntryFolder && !IsSelfOrParent(scans.entryName())) {
            ScanFolder(program, folder + "/" + scans.entryName(), patternText, depth + 1);
            scans.makeCurrent(depth);
        } else if (kind == EntryFile &&
                   MatchesAnyPattern(program.catalogue.patterns, scans.entryName())) {
            CatalogueEntry(program, folderOfEveryFile);
        }
        ShowFileCount(program);
    } while (kind != EntryEnd);
}

} // namespace bk
