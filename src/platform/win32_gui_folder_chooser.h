#pragma once

#include <string>
#include <string_view>
#include <windows.h>

namespace bk {

// The system's folder picker, modal over the owner: it shows the folder tree and a text box in
// which a path can be typed. Opens at initialFolder when one is given. Returns the chosen folder
// as an absolute path ending in "\", or "" when the user cancels or the picker cannot be shown.
// COM must be entered on the calling thread.
std::string ChooseFolderWithShell(HWND owner, std::string_view title,
                                  std::string_view initialFolder);

} // namespace bk
