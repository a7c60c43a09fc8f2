#pragma once

#include "catalogue/scan_observer.h"
#include "duplicates/search_observer.h"
#include "ui/program.h"

#include <cstdint>

namespace bk {

// A folder scan as the status line follows it: what the program does in field 0, the files
// catalogued so far in field 1.
class ScanOnStatusLine final : public ScanObserver {
  public:
    explicit ScanOnStatusLine(Program& program) : program_(program) {}
    void enteringFolder() override;
    void filesCatalogued(std::int64_t count) override;

  private:
    Program& program_;
};

// A search as the window follows it: its kind in status field 0, the reference files done in
// field 1 and on the search bar, the reading of the current files on the compare bar.
class SearchOnStatusLine final : public SearchObserver {
  public:
    explicit SearchOnStatusLine(Program& program) : program_(program) {}
    void searchBegins(SearchMode mode) override;
    void referencesDone(std::int64_t done, std::int64_t total) override;
    void readingAt(std::int64_t percent) override;
    void stillReading() override;
    void searchEnds() override;

  private:
    Program& program_;
};

// Shows value on a progress bar, or, when the bar shows it already, only lets the window know
// that the work goes on.
void ShowOnBar(ControlLayer& controls, int bar, std::int64_t value, std::int64_t& shown);

} // namespace bk
