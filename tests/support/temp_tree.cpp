#include "support/temp_tree.h"

#include "platform/file_paths.h"
#include "support/native_path.h"

#include <algorithm>
#include <cstddef>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <stdexcept>

namespace bk::test {

namespace fs = std::filesystem;

namespace {

void MakeWritable(const fs::path& root) {
    std::error_code error;
    fs::permissions(root, fs::perms::owner_all, fs::perm_options::add, error);
    for (auto it = fs::recursive_directory_iterator(
             root, fs::directory_options::skip_permission_denied, error);
         it != fs::recursive_directory_iterator(); it.increment(error)) {
        if (it->is_directory(error) && !it->is_symlink(error)) {
            fs::permissions(it->path(), fs::perms::owner_all, fs::perm_options::add, error);
        }
    }
}

} // namespace

TempTree::TempTree() {
    // A folder of a new name, made by this process alone: creating it fails if it is there.
    std::random_device seed;
    std::mt19937_64 random(seed());
    for (int attempt = 0; attempt < 100; ++attempt) {
        const fs::path candidate =
            fs::temp_directory_path() / ("bk-test-" + std::to_string(random() % 1'000'000'000));
        std::error_code error;
        if (fs::create_directory(candidate, error)) {
            root_ = PathText(candidate);
            return;
        }
    }
    throw std::runtime_error("cannot make a temporary folder");
}

TempTree::~TempTree() {
    std::error_code error;
    MakeWritable(NativePath(root_));
    fs::remove_all(NativePath(root_), error);
}

std::string TempTree::path(std::string_view relative) const {
    std::string full = root_ + PathSeparator + std::string(relative);
    std::replace(full.begin() + static_cast<std::ptrdiff_t>(root_.size()), full.end(), '/',
                 PathSeparator);
    return full;
}

std::string TempTree::write(std::string_view relative, std::string_view content) {
    const std::string full = path(relative);
    fs::create_directories(NativePath(full).parent_path());
    std::ofstream out(NativePath(full), std::ios::binary | std::ios::trunc);
    out.write(content.data(), static_cast<std::streamsize>(content.size()));
    return full;
}

std::string TempTree::folder(std::string_view relative) {
    const std::string full = path(relative);
    fs::create_directories(NativePath(full));
    return full;
}

std::string TempTree::read(std::string_view relative) const {
    return ReadWholeFile(path(relative));
}

bool TempTree::exists(std::string_view relative) const {
    return PathExists(path(relative));
}

std::string ReadWholeFile(const std::string& path) {
    std::ifstream in(NativePath(path), std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

bool PathExists(const std::string& path) {
    std::error_code error;
    return fs::exists(fs::symlink_status(NativePath(path), error));
}

} // namespace bk::test
