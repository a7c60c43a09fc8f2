#pragma once

#include "ui/program.h"

namespace bk {

// Deletes the file of the member marked in the members view.
void DeleteMarkedCommand(Program& program);

// Deletes the files of every member of the shown group except the marked one.
void DeleteOthersCommand(Program& program);

// Takes the current member out of the catalogue, its chain and the all-files view; its file
// stays on disk.
void RetireMember(Program& program);

} // namespace bk
