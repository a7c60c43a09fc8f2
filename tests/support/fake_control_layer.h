#pragma once

#include "platform/control_layer.h"

#include <algorithm>
#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <string>
#include <vector>

namespace bk::test {

// A control layer without a window that keeps what the real one shows: every control's text,
// rows and columns, selection or position, and whether it is enabled, and the status fields. A
// list's selection follows its row when rows above it come or go, and is lost with the row, as
// in the real lists. The folder chooser and the message boxes are answered by the test.
class FakeControlLayer final : public ControlLayer {
  public:
    using Chooser = std::function<std::string(std::string_view title, std::string_view initial)>;
    using BoxAnswer = std::function<void(std::string_view title, std::string_view text)>;
    void answerChooser(Chooser answer) { chooser = std::move(answer); }
    void answerBoxes(BoxAnswer answer) { boxAnswer = std::move(answer); }

    bool openWindow(int, int, int, std::string_view) override { return true; }
    void closeWindow(int) override {}
    bool createButton(int number, Rect, std::string_view text) override {
        return create(number, text, false);
    }
    bool createTextField(int number, Rect, std::string_view text) override {
        return create(number, text, false);
    }
    bool createLabel(int number, Rect, std::string_view text) override {
        return create(number, text, false);
    }
    bool createListBox(int number, Rect) override { return create(number, {}, true); }
    bool createReportList(int number, Rect, std::string_view, int) override {
        return create(number, {}, true);
    }
    bool addColumn(int number, int, std::string_view, int) override {
        return controls_.count(number) != 0;
    }
    bool createProgressBar(int number, Rect, int) override {
        const bool created = create(number, {}, false);
        controls_[number].state = 0;
        return created;
    }
    void setAccessibleName(int, std::string_view) override {}

    bool createStatusBar(int, int) override { return true; }
    void addStatusField(int) override { statusFields_.emplace_back(); }
    void setStatusText(int, int field, std::string_view text) override {
        if (field >= 0 && static_cast<std::size_t>(field) < statusFields_.size()) {
            statusFields_[static_cast<std::size_t>(field)] = text;
        }
    }

    void addItem(int number, std::int64_t position, std::string_view text) override {
        Control* control = list(number);
        if (control == nullptr) {
            return;
        }
        auto& rows = control->rows;
        if (position < 0 || position >= static_cast<std::int64_t>(rows.size())) {
            rows.push_back({std::string(text)});
            return;
        }
        rows.insert(rows.begin() + position, {std::string(text)});
        if (control->state >= position) {
            ++control->state;
        }
    }
    void removeItem(int number, std::int64_t item) override {
        Control* control = list(number);
        if (control == nullptr || item < 0 ||
            item >= static_cast<std::int64_t>(control->rows.size())) {
            return;
        }
        control->rows.erase(control->rows.begin() + item);
        if (control->state == item) {
            control->state = -1;
        } else if (control->state > item) {
            --control->state;
        }
    }
    void clearItems(int number) override {
        if (Control* control = list(number)) {
            control->rows.clear();
            control->state = -1;
        }
    }
    std::int64_t countItems(int number) override {
        const Control* control = list(number);
        return control == nullptr ? 0 : static_cast<std::int64_t>(control->rows.size());
    }
    std::int64_t getState(int number) override {
        const auto found = controls_.find(number);
        return found == controls_.end() ? 0 : found->second.state;
    }
    void setState(int number, std::int64_t value) override {
        const auto found = controls_.find(number);
        if (found == controls_.end()) {
            return;
        }
        Control& control = found->second;
        const bool outside = value < 0 || value >= static_cast<std::int64_t>(control.rows.size());
        control.state = control.isList && outside ? -1 : value;
    }
    std::string getText(int number) override {
        const auto found = controls_.find(number);
        return found == controls_.end() ? std::string() : found->second.text;
    }
    void setText(int number, std::string_view text) override {
        const auto found = controls_.find(number);
        if (found != controls_.end()) {
            found->second.text = text;
        }
    }
    void setItemText(int number, std::int64_t item, std::string_view text, int column) override {
        Control* control = list(number);
        if (control == nullptr || item < 0 ||
            item >= static_cast<std::int64_t>(control->rows.size()) || column < 0) {
            return;
        }
        auto& row = control->rows[static_cast<std::size_t>(item)];
        row.resize(std::max(row.size(), static_cast<std::size_t>(column) + 1));
        row[static_cast<std::size_t>(column)] = text;
    }
    void disable(int number, bool disabled) override {
        const auto found = controls_.find(number);
        if (found != controls_.end()) {
            found->second.enabled = !disabled;
        }
    }
    // Events for the program's loop, handed out in order; with none left, the close request.
    void queueControlEvent(int control) { events_.push_back(control); }
    int waitEvent() override {
        if (events_.empty()) {
            return CloseEvent;
        }
        eventControl_ = events_.front();
        events_.pop_front();
        return ControlEvent;
    }
    int eventControl() const override { return eventControl_; }
    std::string chooseFolder(std::string_view title, std::string_view initialFolder) override {
        return chooser ? chooser(title, initialFolder) : std::string();
    }
    void messageBox(std::string_view title, std::string_view text) override {
        if (boxAnswer) {
            boxAnswer(title, text);
        }
    }

    // What the window would show.
    std::vector<std::string> rowsOf(int number, int column = 0) {
        std::vector<std::string> texts;
        if (const Control* control = list(number)) {
            for (const auto& row : control->rows) {
                const auto at = static_cast<std::size_t>(column);
                texts.push_back(at < row.size() ? row[at] : std::string());
            }
        }
        return texts;
    }
    bool isEnabled(int number) const {
        const auto found = controls_.find(number);
        return found != controls_.end() && found->second.enabled;
    }
    std::string statusTextOf(int field) const {
        const auto at = static_cast<std::size_t>(field);
        return at < statusFields_.size() ? statusFields_[at] : std::string();
    }

  private:
    Chooser chooser;
    BoxAnswer boxAnswer;

    struct Control {
        std::string text;
        bool isList = false;
        bool enabled = true;
        std::vector<std::vector<std::string>> rows;
        std::int64_t state = -1; // a list's selected row, a bar's position
    };

    bool create(int number, std::string_view text, bool isList) {
        Control& control = controls_[number];
        control = Control{};
        control.text = text;
        control.isList = isList;
        return true;
    }
    Control* list(int number) {
        const auto found = controls_.find(number);
        return found == controls_.end() || !found->second.isList ? nullptr : &found->second;
    }

    std::map<int, Control> controls_;
    std::vector<std::string> statusFields_;
    std::deque<int> events_;
    int eventControl_ = -1;
};

} // namespace bk::test
