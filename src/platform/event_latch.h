#pragma once

#include "platform/control_layer.h"

#include <cstddef>
#include <deque>

namespace bk {

// The events a control layer hands out through waitEvent: latched in the order they happened,
// none lost. What the controls report of a change the program makes itself is no event.
class EventLatch {
  public:
    // Marks, while it lives, a change the program makes itself.
    class ProgramChange {
      public:
        explicit ProgramChange(EventLatch& latch) : latch_(latch) { ++latch_.programChanges_; }
        ~ProgramChange() { --latch_.programChanges_; }
        ProgramChange(const ProgramChange&) = delete;
        ProgramChange& operator=(const ProgramChange&) = delete;

      private:
        EventLatch& latch_;
    };

    void latch(int code, int control) { events_.push_back({code, control}); }
    // A control the user used: no event while the program itself changes a control.
    void latchFromUser(int control) {
        if (programChanges_ == 0) {
            latch(ControlEvent, control);
        }
    }

    bool empty() const { return events_.empty(); }
    std::size_t size() const { return events_.size(); }
    // The oldest event, or OtherEvent when none is latched; a control event names its control.
    int handOut() {
        if (events_.empty()) {
            return OtherEvent;
        }
        const Event event = events_.front();
        events_.pop_front();
        if (event.code == ControlEvent) {
            eventControl_ = event.control;
        }
        return event.code;
    }
    int eventControl() const { return eventControl_; }

  private:
    struct Event {
        int code;
        int control;
    };
    std::deque<Event> events_;
    int eventControl_ = -1;
    int programChanges_ = 0;
};

} // namespace bk
