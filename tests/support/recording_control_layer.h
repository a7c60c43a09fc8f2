#pragma once

#include "platform/control_layer.h"

#include <map>
#include <string>
#include <vector>

namespace bk::test {

// A control layer without a window that remembers what the program sent: every status text in
// order and every value given to a control's state. It holds no controls, so the program's
// views stay empty; tests of the window use the real widgets instead.
class RecordingControlLayer final : public ControlLayer {
  public:
    struct StatusText {
        int field;
        std::string text;
    };
    std::vector<StatusText> statusTexts;
    std::map<int, std::vector<std::int64_t>> states; // control -> every value set, in order
    std::vector<std::string> boxes;                   // "title: text" of every message box

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

    bool openWindow(int, int, int, std::string_view) override { return true; }
    void closeWindow(int) override {}
    bool createButton(int, Rect, std::string_view) override { return true; }
    bool createTextField(int, Rect, std::string_view) override { return true; }
    bool createLabel(int, Rect, std::string_view) override { return true; }
    bool createListBox(int, Rect) override { return true; }
    bool createReportList(int, Rect, std::string_view, int) override { return true; }
    bool addColumn(int, int, std::string_view, int) override { return true; }
    bool createProgressBar(int, Rect, int) override { return true; }
    void setAccessibleName(int, std::string_view) override {}
    bool createStatusBar(int, int) override { return true; }
    void addStatusField(int) override {}
    void setStatusText(int, int field, std::string_view text) override {
        statusTexts.push_back({field, std::string(text)});
    }
    void addItem(int, std::int64_t, std::string_view) override {}
    void removeItem(int, std::int64_t) override {}
    void clearItems(int) override {}
    std::int64_t countItems(int) override { return 0; }
    std::int64_t getState(int control) override {
        const std::int64_t last = lastState(control);
        return last == -999 ? 0 : last;
    }
    void setState(int control, std::int64_t value) override { states[control].push_back(value); }
    std::string getText(int) override { return {}; }
    void setText(int, std::string_view) override {}
    void setItemText(int, std::int64_t, std::string_view, int) override {}
    void disable(int, bool) override {}
    int waitEvent() override { return CloseEvent; }
    int eventControl() const override { return -1; }
    std::string chooseFolder(std::string_view, std::string_view) override { return {}; }
    void messageBox(std::string_view title, std::string_view text) override {
        boxes.push_back(std::string(title) + ": " + std::string(text));
    }
};

} // namespace bk::test
