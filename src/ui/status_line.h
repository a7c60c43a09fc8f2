#pragma once

#include "ui/program.h"

#include <string_view>

namespace bk {

// Status field 0 tells what the program is doing, field 1 the details (counts, or the author
// line when idle). A text is sent to the status bar only when it differs from the last one sent.
void SetStatusActivity(Program& program, std::string_view text);
void SetStatusDetail(Program& program, std::string_view text);

} // namespace bk
