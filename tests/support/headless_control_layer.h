#pragma once

#include "platform/control_layer.h"

namespace bk {

// A control layer without a window, for running the program's own scan and search code from a
// command line: it holds no control, so every operation does nothing, and the only event is the
// close request. Tests derive from it to watch what the program sends.
class HeadlessControlLayer : public ControlLayer {
  public:
    bool openWindow(int, int, int, std::string_view) override { return true; }
    void closeWindow(int) override {}
    bool createButton(int, Rect, std::string_view) override { return false; }
    bool createTextField(int, Rect, std::string_view) override { return false; }
    bool createLabel(int, Rect, std::string_view) override { return false; }
    bool createListBox(int, Rect) override { return false; }
    bool createReportList(int, Rect, std::string_view, int) override { return false; }
    bool addColumn(int, int, std::string_view, int) override { return false; }
    bool createProgressBar(int, Rect, int) override { return false; }
    void setAccessibleName(int, std::string_view) override {}
    bool createStatusBar(int, int) override { return true; }
    void addStatusField(int) override {}
    void setStatusText(int, int, std::string_view) override {}
    void addItem(int, std::int64_t, std::string_view) override {}
    void removeItem(int, std::int64_t) override {}
    void clearItems(int) override {}
    std::int64_t countItems(int) override { return 0; }
    std::int64_t getState(int) override { return 0; }
    void setState(int, std::int64_t) override {}
    std::string getText(int) override { return {}; }
    void setText(int, std::string_view) override {}
    void setItemText(int, std::int64_t, std::string_view, int) override {}
    void disable(int, bool) override {}
    int waitEvent() override { return CloseEvent; }
    int eventControl() const override { return -1; }
    std::string chooseFolder(std::string_view, std::string_view) override { return {}; }
    void messageBox(std::string_view, std::string_view) override {}
};

} // namespace bk
