#include "ui/main_window.h"

#include "ui/control_numbers.h"
#include "ui/texts.h"

namespace bk {

namespace {

// The layout is computed once from the client size and a few constants; the window cannot be
// resized, so nothing is ever laid out again.
constexpr int Margin = 5;
constexpr int LeftColumnWidth = 195;
constexpr int ButtonHeight = 20;
constexpr int LabelHeight = 18;
constexpr int RightEdge = ClientWidth - Margin;
constexpr int BottomEdge = ClientHeight - Margin - StatusBarHeight;
constexpr int MiddleColumnX = Margin + LeftColumnWidth;
constexpr int SearchButtonWidth = (RightEdge - LeftColumnWidth - 45) / 2;
constexpr int DeleteButtonWidth = (RightEdge - LeftColumnWidth - 15) / 2;
constexpr int GroupsWidth = RightEdge - LeftColumnWidth - 40;
constexpr int ProgressColumnX = MiddleColumnX + GroupsWidth + 5;

constexpr int HalfLeftColumn = (LeftColumnWidth - 5) / 2;
constexpr int BelowButtons = Margin + ButtonHeight + 5;
constexpr int BelowCaptions = Margin + ButtonHeight + LabelHeight + 5;
constexpr int MiddleX = MiddleColumnX + 5;

void CreateStatusFields(ControlLayer& controls) {
    controls.addStatusField(200);
    controls.addStatusField(ClientWidth - 200);
}

void CreateLeftColumn(ControlLayer& controls) {
    controls.createButton(AddFolderButton, {Margin, Margin, HalfLeftColumn, ButtonHeight},
                          AddFolderButtonText);
    controls.createTextField(PatternField,
                             {Margin + HalfLeftColumn + 5, Margin, HalfLeftColumn, ButtonHeight},
                             InitialPatterns);
    controls.createLabel(AllFilesLabel, {Margin, BelowButtons, LeftColumnWidth, LabelHeight},
                         AllFilesInitialCaption);
    controls.createReportList(
        AllFilesView,
        {Margin, BelowCaptions, LeftColumnWidth, BottomEdge - 2 * ButtonHeight - LabelHeight - 15},
        NameColumnTitle, 150);
    controls.addColumn(AllFilesView, 1, SizeColumnTitle, 100);
    controls.createButton(
        ResetButton,
        {Margin, Margin + BottomEdge - ButtonHeight - 5, LeftColumnWidth, ButtonHeight},
        ResetButtonText);
}

void CreateMiddleColumn(ControlLayer& controls) {
    controls.createButton(FindDuplicatesButton, {MiddleX, Margin, SearchButtonWidth, ButtonHeight},
                          FindDuplicatesButtonText);
    controls.createButton(
        FindSameNamesButton,
        {MiddleColumnX + SearchButtonWidth + 10, Margin, SearchButtonWidth, ButtonHeight},
        FindSameNamesButtonText);
    controls.createLabel(GroupsLabel, {MiddleX, BelowButtons, GroupsWidth, LabelHeight},
                         GroupsInitialCaption);
    controls.createListBox(GroupsView, {MiddleX, BelowCaptions, GroupsWidth,
                                        BottomEdge - LabelHeight - ButtonHeight - 160});
    controls.createLabel(
        MembersLabel,
        {MiddleX, Margin + BottomEdge - 150, RightEdge - LeftColumnWidth - 10, LabelHeight},
        MembersCaption);
    controls.createListBox(MembersView, {MiddleX, Margin + BottomEdge + LabelHeight - 150,
                                         RightEdge - LeftColumnWidth - 10, 95 - LabelHeight});
    controls.createButton(
        DeleteMarkedButton,
        {MiddleX, Margin + BottomEdge - 2 * ButtonHeight - 10, DeleteButtonWidth, ButtonHeight},
        DeleteMarkedButtonText);
    controls.createButton(
        DeleteOthersButton,
        {MiddleX, Margin + BottomEdge - ButtonHeight - 5, DeleteButtonWidth, ButtonHeight},
        DeleteOthersButtonText);
    controls.createButton(DeleteByExtensionButton,
                          {MiddleColumnX + DeleteButtonWidth + 10,
                           Margin + BottomEdge - 2 * ButtonHeight - 10, DeleteButtonWidth,
                           ButtonHeight},
                          DeleteByExtensionButtonText);
}

void CreateProgressColumn(ControlLayer& controls) {
    controls.createProgressBar(SearchProgress,
                               {ProgressColumnX + 5, Margin + 75, 25, BottomEdge - 230}, 100);
    controls.createProgressBar(CompareProgress, {ProgressColumnX + 5, Margin + 45, 25, 25}, 100);
}

// Buttons and labels are named by their texts; the rest say what they are.
void NameControlsForScreenReaders(ControlLayer& controls) {
    controls.setAccessibleName(PatternField, PatternFieldName);
    controls.setAccessibleName(AllFilesView, AllFilesViewName);
    controls.setAccessibleName(GroupsView, GroupsViewName);
    controls.setAccessibleName(MembersView, MembersViewName);
    controls.setAccessibleName(SearchProgress, SearchProgressName);
    controls.setAccessibleName(CompareProgress, CompareProgressName);
}

} // namespace

bool CreateMainWindow(ControlLayer& controls) {
    if (!controls.openWindow(MainWindow, ClientWidth, ClientHeight, ProgramTitle)) {
        return false;
    }
    if (!controls.createStatusBar(StatusBar, StatusBarHeight)) {
        return false;
    }
    CreateStatusFields(controls);
    CreateLeftColumn(controls);
    CreateMiddleColumn(controls);
    CreateProgressColumn(controls);
    NameControlsForScreenReaders(controls);
    return true;
}

} // namespace bk
