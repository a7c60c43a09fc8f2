#pragma once

#include <cstdint>
#include <string>
#include <string_view>

// Every text the program shows a person, in the German of its window. The layers below the
// window send counts and names; the words are put together here.
namespace bk {

// The window and its controls.
inline constexpr std::string_view ProgramTitle = "Brannoway-Kestrill";
inline constexpr std::string_view AddFolderButtonText = "Pfad hinzufügen";
inline constexpr std::string_view InitialPatterns = "*.*";
inline constexpr std::string_view AllFilesInitialCaption = "Alle Dateien";
inline constexpr std::string_view NameColumnTitle = "Name";
inline constexpr std::string_view SizeColumnTitle = "Größe";
inline constexpr std::string_view ResetButtonText = "Zurücksetzen";
inline constexpr std::string_view FindDuplicatesButtonText = "Doppelte Dateien suchen";
inline constexpr std::string_view FindSameNamesButtonText = "Gleichnamige Dateien suchen";
inline constexpr std::string_view GroupsInitialCaption = "Dateien mit gleichem Inhalt";
inline constexpr std::string_view MembersCaption = "Doppelte Dateien:";
inline constexpr std::string_view DeleteMarkedButtonText = "Lösche markierte Datei";
inline constexpr std::string_view DeleteOthersButtonText = "Lösche alle außer markierter";
inline constexpr std::string_view DeleteByExtensionButtonText = "Lösche Dateien mit spez. Endung";

// What screen readers call the controls that have no text of their own.
inline constexpr std::string_view PatternFieldName = "Dateimuster";
inline constexpr std::string_view AllFilesViewName = "Alle Dateien";
inline constexpr std::string_view GroupsViewName = "Gruppen doppelter Dateien";
inline constexpr std::string_view MembersViewName = "Dateien der gewählten Gruppe";
inline constexpr std::string_view SearchProgressName = "Fortschritt der Suche";
inline constexpr std::string_view CompareProgressName = "Fortschritt des Dateivergleichs";

// Rows and captions of the views.
inline constexpr std::string_view NoGroupsRow = "(keine doppelten Dateien)";
inline std::string FileSizeText(std::int64_t bytes) {
    return std::to_string(bytes) + " Bytes";
}
inline std::string AllFilesCaption(std::int64_t fileCount) {
    return "Alle Dateien (" + std::to_string(fileCount) + ")";
}
inline std::string GroupsCaption(std::int64_t groupCount, std::int64_t memberCount) {
    return "Dateien mit gleichem Inhalt (" + std::to_string(groupCount) + " - " +
           std::to_string(memberCount) + ")";
}
// After a deletion dissolved a group, the caption names the groups alone.
inline std::string RemainingGroupsCaption(std::int64_t groupCount) {
    return "Dateien mit gleichem Inhalt (" + std::to_string(groupCount) + ")";
}

// The status line.
inline constexpr std::string_view WelcomeText = "Willkommen beim Brannoway-Kestrill";
inline constexpr std::string_view AuthorText = "Programmed by Ostrevallen";
inline constexpr std::string_view ReadingFilesText = "Lese Dateien...";
inline constexpr std::string_view SearchingContentsText = "Suche doppelte Dateien";
inline constexpr std::string_view SearchingNamesText = "Suche gleichnamige Dateien";
inline constexpr std::string_view UpdatingListText = "Update Liste";
inline std::string FileCountText(std::int64_t files) {
    return std::to_string(files) + " Dateien";
}
inline std::string SearchedFilesText(std::int64_t done, std::int64_t total) {
    return std::to_string(done) + " / " + std::to_string(total) + " Dateien";
}

// Dialogs and boxes.
inline constexpr std::string_view ChooserTitle = "Pfad hinzufügen...";
inline constexpr std::string_view ErrorTitle = "ERROR";
inline std::string CannotDeleteText(std::string_view path) {
    std::string text = "Konnte Datei \"";
    text.append(path).append("\" nicht löschen!");
    return text;
}
inline constexpr std::string_view CreditsTitle = "Credits";
inline constexpr std::string_view CreditsText = "Brannoway-Kestrill\n\nProgrammed by Ostrevallen";

// Lines on the terminal when the window cannot be opened.
inline constexpr std::string_view NoWindowText =
    "brannoway-kestrill: das Hauptfenster konnte nicht geöffnet werden\n";
inline constexpr std::string_view NoDisplayText =
    "brannoway-kestrill: keine Anzeige gefunden (DISPLAY ist nicht gesetzt); ohne Bildschirm "
    "startet es so: xvfb-run -a brannoway-kestrill\n";
// %s stands for the display that was named.
inline constexpr std::string_view UnreachableDisplayText =
    "brannoway-kestrill: die Anzeige \"%s\" ist nicht erreichbar; ohne Bildschirm startet es "
    "so: xvfb-run -a brannoway-kestrill\n";

} // namespace bk
