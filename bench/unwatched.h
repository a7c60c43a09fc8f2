#pragma once

#include "catalogue/scan_observer.h"
#include "duplicates/search_observer.h"

// A scan and a search that nobody watches, for measuring them alone.
struct Unwatched final : bk::ScanObserver, bk::SearchObserver {
    void enteringFolder() override {}
    void filesCatalogued(std::int64_t) override {}
    void searchBegins(bk::SearchMode) override {}
    void referencesDone(std::int64_t, std::int64_t) override {}
    void readingAt(std::int64_t) override {}
    void searchEnds() override {}
};
