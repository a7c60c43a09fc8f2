#include "catalogue/folder_scan.h"

#include "catalogue/name_patterns.h"
#include "ui/status_line.h"

#include <optional>

namespace bk {

namespace {

void CatalogueEntry(Program& program, const ScannedFolder& folder) {
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

// Walks the folder at path, begun as scan number depth. The folder's own entry ".", which
// every listing delivers first, tells who the folder is as it was read: the added folder
// itself when outer is null, else the folder name inside outer.
void WalkFolder(Program& program, const std::string& path, const ScannedFolder* outer,
                std::string_view name, std::string_view patternText, int depth) {
    SetStatusActivity(program, "Lese Dateien...");
    FolderScans& scans = program.files.scans;
    scans.begin(depth, path);
    ScannedFolder here(path);
    EntryKind kind = EntryEnd;
    do {
        kind = scans.next();
        const std::string& entry = scans.entryName();
        if (kind == EntryFolder && entry == ".") {
            here = outer != nullptr ? outer->inside(name, scans.entryIdentity())
                                    : ScannedFolder::Added(path, scans.entryIdentity());
        } else if (kind == EntryFolder && entry != "..") {
            const std::string inner = entry;
            WalkFolder(program, path + "/" + inner, &here, inner, patternText, depth + 1);
            scans.makeCurrent(depth);
        } else if (kind == EntryFile && MatchesAnyPattern(program.catalogue.patterns, entry)) {
            CatalogueEntry(program, here);
        }
        ShowFileCount(program);
    } while (kind != EntryEnd);
}

} // namespace

void ScanFolder(Program& program, const std::string& path, std::string_view patternText,
                int depth) {
    if (depth == 0) {
        SplitPatterns(program.catalogue.patterns, patternText);
    }
    // The root is walked as "", so that its files get the folder "" and the full path "/name".
    const std::string folder =
        !path.empty() && path.back() == '/' ? path.substr(0, path.size() - 1) : path;
    std::optional<WalkReadAhead> readingAhead;
    if (depth == 0) {
        readingAhead.emplace(program.files.scans, folder);
    }
    WalkFolder(program, folder, nullptr, {}, patternText, depth);
}

} // namespace bk
