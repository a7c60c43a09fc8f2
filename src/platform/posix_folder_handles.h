#pragma once

#include <cstddef>
#include <functional>
#include <string>
#include <string_view>
#include <unordered_map>

namespace bk::posix {

// Folders held open to open files inside them by name alone, so that the files of one folder
// cost one walk of its path however scattered they are among the files read. A folder that
// cannot be opened is remembered as such, unless it failed for want of open files. Past a
// bound, set by the open files the system allows the program, every folder is let go and the
// holding starts afresh, but only between batches: a handle given out stays valid until the
// next makeRoom or letAllGo.
class FolderHandles {
  public:
    explicit FolderHandles(std::string programFolder);
    ~FolderHandles();
    FolderHandles(const FolderHandles&) = delete;
    FolderHandles& operator=(const FolderHandles&) = delete;

    // Lets every folder go when folders more would pass the bound.
    void makeRoom(std::size_t folders);
    // The handle of folder (as a full path joins it; "" is the root); -1 when it cannot be
    // opened, NoneLeft when the program has no descriptor left for it just now.
    static constexpr int NoneLeft = -2;
    int handleOf(std::string_view folder);
    void letAllGo();

  private:
    // Looks folders up by the caller's text, without a copy of it.
    struct TextHash {
        using is_transparent = void;
        std::size_t operator()(std::string_view text) const {
            return std::hash<std::string_view>()(text);
        }
    };
    std::string programFolder_;
    std::size_t bound_;
    std::unordered_map<std::string, int, TextHash, std::equal_to<>> handles_;
};

} // namespace bk::posix
