#include "catalogue/folder_scan.h"

#include "catalogue/name_patterns.h"

#include <string>

namespace bk {

namespace {

void CatalogueEntry(FileList& files, const FolderScans& scans, const ScannedFolder& folder) {
    FileRecord* record = files.insertAfterCurrent();
    record->folder = folder;
    record->name = scans.entryName();
    record->setIdentity(scans.entryIdentity());
}

// Walks the folder at path, begun as scan number depth. The folder's own entry ".", which
// every listing delivers first, tells who the folder is as it was read: the added folder
// itself when outer is null, else the folder name inside outer.
void WalkFolder(Catalogue& catalogue, FolderScans& scans, const std::string& path,
                const ScannedFolder* outer, std::string_view name, int depth,
                ScanObserver& observer) {
    observer.enteringFolder();
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
            WalkFolder(catalogue, scans, path + PathSeparator + inner, &here, inner, depth + 1,
                       observer);
            scans.makeCurrent(depth);
        } else if (kind == EntryFile && MatchesAnyPattern(catalogue.patterns, entry)) {
            CatalogueEntry(catalogue.files, scans, here);
        }
        observer.filesCatalogued(catalogue.files.count());
    } while (kind != EntryEnd);
}

} // namespace

void ScanFolder(Catalogue& catalogue, FolderScans& scans, const std::string& path,
                std::string_view patternText, int depth, ScanObserver& observer) {
    if (depth == 0) {
        SplitPatterns(catalogue.patterns, patternText);
    }
    // The root is walked as "" (on Windows "C:"), so that its files get the full path "/name"
    // ("C:\name").
    const bool separatorLast =
        !path.empty() && PathSeparators.find(path.back()) != std::string_view::npos;
    const std::string folder = separatorLast ? path.substr(0, path.size() - 1) : path;
    // However the walk ends, even by a throw, what was listed ahead for it goes: a later walk
    // must see the folders as they are then.
    scans.beginWalk();
    struct WalkEnd {
        FolderScans& scans;
        ~WalkEnd() { scans.endWalk(); }
    } const walkEnd{scans};
    WalkFolder(catalogue, scans, folder, nullptr, {}, depth, observer);
}

} // namespace bk
