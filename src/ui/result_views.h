#pragma once

#include "ui/program.h"

#include <string>
#include <string_view>

namespace bk {

// Which views RefreshViews rebuilds; 0 empties all three and restores the captions.
enum ViewFlags : int { ShowFiles = 1, ShowGroups = 2, ShowMembers = 4 };

void RefreshViews(Program& program, int flags);

// The text after the last "." of a name, cut at a double quote; empty when the name has no "."
// or a path separator follows the last one.
std::string FileExtension(std::string_view name);

} // namespace bk
