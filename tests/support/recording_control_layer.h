#pragma once

#include "support/headless_control_layer.h"

#include <map>
#include <string>
#include <vector>

namespace bk::test {

// A control layer without a window that remembers what the program sent: every status text in
// order, every value given to a control's state and every message box. It holds no controls, so
// the program's views stay empty; tests of the window use the real widgets instead.
class RecordingControlLayer final : public HeadlessControlLayer {
  public:
    struct StatusText {
        int field;
        std::string text;
    };
    std::vector<StatusText> statusTexts;
    std::map<int, std::vector<std::int64_t>> states; // control -> every value set, in order
    std::vector<std::string> boxes;                  // "title: text" of every message box

    std::vector<std::string> statusTextsOf(int field) const {
        std::vector<std::string> texts;
        for (const StatusText& each : statusTexts) {
            if (each.field == field) {
                texts.push_back(each.text);
            }
        }
        return texts;
    }
    std::int64_t lastState(int control) const {
        const auto found = states.find(control);
        return found == states.end() || found->second.empty() ? -999 : found->second.back();
    }

    void setStatusText(int, int field, std::string_view text) override {
        statusTexts.push_back({field, std::string(text)});
    }
    std::int64_t getState(int control) override {
        const std::int64_t last = lastState(control);
        return last == -999 ? 0 : last;
    }
    void setState(int control, std::int64_t value) override { states[control].push_back(value); }
    void messageBox(std::string_view title, std::string_view text) override {
        boxes.push_back(std::string(title) + ": " + std::string(text));
    }
};

} // namespace bk::test
