#pragma once

#include <cstdint>

namespace bk {

enum SearchMode : int { SameContent = 1, SameName = 2 };

// Follows the reading of files: percent of the bytes to read so far that were read, never going
// back while one reading lasts; a new reading starts again from 0.
class ReadingObserver {
  public:
    virtual ~ReadingObserver() = default;
    virtual void readingAt(std::int64_t percent) = 0;
    // Another step of the reading, too small to change the percentage.
    virtual void stillReading() {}
};

// Follows a search for whoever shows it.
class SearchObserver : public ReadingObserver {
  public:
    virtual void searchBegins(SearchMode mode) = 0;
    // done of the total files are handled: a file is done when it was the reference, or as soon
    // as its class of content is known. The count only grows and ends at the total.
    virtual void referencesDone(std::int64_t done, std::int64_t total) = 0;
    virtual void searchEnds() = 0;
};

} // namespace bk
