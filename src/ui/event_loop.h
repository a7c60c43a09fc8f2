#pragma once

#include "ui/program.h"

namespace bk {

// Enables exactly the controls that can act on the catalogue as it is now.
void ApplyEnablingRules(Program& program);

// Empties the catalogue and the views; the patterns and the folder chooser's place remain.
void ResetCommand(Program& program);

// Groups the catalogue anew by content or by name and shows the groups.
void SearchCommand(Program& program, SearchMode mode);

// Runs the command bound to a control, if it has one.
void DispatchControlEvent(Program& program, int control);

// One pass a window event, until the user closes the window.
void RunEventLoop(Program& program);

// The whole life of the program on a control layer: window, event loop, credits. The result is
// the process's exit code.
int RunProgram(ControlLayer& controls, FileServices& files);

} // namespace bk
