#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace bk::test {

// A temporary folder for one test, removed with everything in it when the test ends (also when
// the test made parts of it read-only).
class TempTree {
  public:
    TempTree();
    ~TempTree();
    TempTree(const TempTree&) = delete;
    TempTree& operator=(const TempTree&) = delete;

    // The absolute path of the tree, without a trailing separator.
    const std::string& root() const { return root_; }
    // root(), the separator and relative, whose parts are given with "/" and joined with the
    // separator, as the program joins them.
    std::string path(std::string_view relative) const;

    // Writes a file (making its folders); returns its absolute path.
    std::string write(std::string_view relative, std::string_view content);
    // A folder (with its parents); returns its absolute path.
    std::string folder(std::string_view relative);
    std::string read(std::string_view relative) const;
    bool exists(std::string_view relative) const;

  private:
    std::string root_;
};

// Bytes of a file on disk.
std::string ReadWholeFile(const std::string& path);
bool PathExists(const std::string& path);

} // namespace bk::test
