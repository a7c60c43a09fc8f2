#include "ui/progress_display.h"

#include "ui/control_numbers.h"
#include "ui/status_line.h"
#include "ui/texts.h"

namespace bk {

void ShowOnBar(ControlLayer& controls, int bar, std::int64_t value, std::int64_t& shown) {
    if (value == shown) {
        controls.stillWorking();
        return;
    }
    shown = value;
    controls.setState(bar, value);
}

void ScanOnStatusLine::enteringFolder() {
    SetStatusActivity(program_, ReadingFilesText);
}

void ScanOnStatusLine::filesCatalogued(std::int64_t count) {
    SetStatusDetail(program_, FileCountText(count));
    program_.controls.stillWorking();
}

void SearchOnStatusLine::searchBegins(SearchMode mode) {
    SetStatusActivity(program_, mode == SameContent ? SearchingContentsText : SearchingNamesText);
}

void SearchOnStatusLine::referencesDone(std::int64_t done, std::int64_t total) {
    program_.controls.setState(SearchProgress, done * 100 / total);
    SetStatusDetail(program_, SearchedFilesText(done, total));
}

void SearchOnStatusLine::readingAt(std::int64_t percent) {
    program_.controls.setState(CompareProgress, percent);
}

void SearchOnStatusLine::stillReading() {
    program_.controls.stillWorking();
}

void SearchOnStatusLine::searchEnds() {
    program_.controls.setState(SearchProgress, 0);
}

} // namespace bk
