#pragma once

#include "duplicates/search_observer.h"

#include <algorithm>
#include <cstdint>

namespace bk {

// The share of the bytes to read that were read, told to the observer whenever it changes and
// never going back while the bytes expected only grow; between changes the observer hears that
// the reading goes on.
class ReadingProgress {
  public:
    explicit ReadingProgress(ReadingObserver& observer) : observer_(observer) {}

    void expect(std::int64_t bytes) { toRead_ = bytes; }
    std::int64_t done() const { return done_; }

    void count(std::int64_t bytes) {
        done_ += bytes;
        const std::int64_t percent =
            toRead_ > 0 ? std::min<std::int64_t>(100, done_ * 100 / toRead_) : 100;
        if (percent != shown_) {
            shown_ = percent;
            observer_.readingAt(percent);
        } else {
            observer_.stillReading();
        }
    }

  private:
    ReadingObserver& observer_;
    std::int64_t toRead_ = 0;
    std::int64_t done_ = 0;
    std::int64_t shown_ = -1;
};

} // namespace bk
