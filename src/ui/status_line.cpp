#include "ui/status_line.h"

#include "ui/control_numbers.h"

namespace bk {

namespace {

void SendIfChanged(Program& program, int field, std::string& lastSent, std::string_view text) {
    if (text == lastSent) {
        return;
    }
    program.controls.setStatusText(StatusBar, field, text);
    lastSent = text;
}

} // namespace

void SetStatusActivity(Program& program, std::string_view text) {
    SendIfChanged(program, 0, program.lastActivityText, text);
}

void SetStatusDetail(Program& program, std::string_view text) {
    SendIfChanged(program, 1, program.lastDetailText, text);
}

} // namespace bk
