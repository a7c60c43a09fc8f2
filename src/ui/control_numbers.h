#pragma once

namespace bk {

// The numbers by which the window's controls are created, addressed and named as event senders.
enum ControlNumber : int {
    AddFolderButton = 0,
    AllFilesLabel = 1,
    AllFilesView = 2,
    GroupsLabel = 3,
    GroupsView = 4,
    MembersLabel = 5,
    MembersView = 6,
    DeleteMarkedButton = 7,
    ResetButton = 8,
    FindDuplicatesButton = 9,
    DeleteOthersButton = 10,
    DeleteByExtensionButton = 11,
    PatternField = 12,
    FindSameNamesButton = 13,
    SearchProgress = 100,
    CompareProgress = 101,
};

inline constexpr int MainWindow = 0;
inline constexpr int StatusBar = 1;

} // namespace bk
