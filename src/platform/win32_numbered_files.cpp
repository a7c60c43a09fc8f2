#include "platform/win32_numbered_files.h"

#include "platform/file_paths.h"
#include "platform/numbered_table.h"
#include "platform/win32_file_status.h"
#include "platform/win32_opening.h"
#include "platform/win32_path_syntax.h"
#include "platform/win32_reading.h"

#include <algorithm>
#include <climits>
#include <utility>

namespace bk {

namespace {

using numbered::IndexOf;

// The full path of a file of a batch: its folder, one separator and its name.
std::string JoinedPath(std::string_view folder, std::string_view name) {
    std::string path(folder);
    if (path.empty() || !win32::IsSeparator(path.back())) {
        path += PathSeparator;
    }
    return path.append(name);
}

} // namespace

Win32NumberedFiles::Win32NumberedFiles(std::string programFolder)
    : programFolder_(std::move(programFolder)) {}

HANDLE Win32NumberedFiles::handleOf(int number) const {
    if (number < 0 || IndexOf(number) >= handles_.size()) {
        return nullptr;
    }
    return handles_[IndexOf(number)].get();
}

void Win32NumberedFiles::hold(int number, win32::Handle file) {
    if (IndexOf(number) >= handles_.size()) {
        handles_.resize(IndexOf(number) + 1);
    }
    handles_[IndexOf(number)] = std::move(file);
}

bool Win32NumberedFiles::openForReading(int number, std::string_view name) {
    current_ = -1;
    if (number < 0) {
        return false;
    }
    close(number);
    win32::Handle file = win32::OpenForReading(ResolvePath(programFolder_, name));
    if (!file.valid()) {
        return false;
    }
    hold(number, std::move(file));
    current_ = number;
    ++counters_.filesOpened;
    return true;
}

std::unique_ptr<NumberedFiles> Win32NumberedFiles::another() const {
    return std::make_unique<Win32NumberedFiles>(programFolder_);
}

std::int64_t Win32NumberedFiles::position() const {
    const HANDLE file = handleOf(current_);
    if (file == nullptr) {
        return 0;
    }
    return std::max<std::int64_t>(win32::OffsetOf(file), 0);
}

std::int64_t Win32NumberedFiles::read(unsigned char* buffer, std::int64_t length) {
    const HANDLE file = handleOf(current_);
    if (file == nullptr || buffer == nullptr || length <= 0) {
        return 0;
    }
    // Bytes read before an error are still reported: the offset has moved past them.
    const std::int64_t done = win32::ReadUpTo(file, buffer, length);
    counters_.bytesRead += static_cast<std::uint64_t>(done);
    return done;
}

bool Win32NumberedFiles::seek(std::int64_t offset) {
    const HANDLE file = handleOf(current_);
    return file != nullptr && win32::MoveTo(file, offset);
}

std::optional<FileIdentity> Win32NumberedFiles::currentIdentity() const {
    const HANDLE file = handleOf(current_);
    if (file == nullptr) {
        return std::nullopt;
    }
    const auto status = win32::StatusOf(file);
    if (!status) {
        return std::nullopt;
    }
    return status->identity;
}

void Win32NumberedFiles::close(int number) {
    if (handleOf(number) != nullptr) {
        handles_[IndexOf(number)] = win32::Handle();
    }
}

void Win32NumberedFiles::closeAll(std::span<const int> numbers) {
    for (const int number : numbers) {
        close(number);
    }
}

// The files of a batch one after the other: without a ring of requests to hand them to, the
// system costs the same per file however they are grouped.
void Win32NumberedFiles::openAndRead(std::span<FirstBytes> batch) {
    for (FirstBytes& file : batch) {
        readFirstBytes(file);
    }
}

void Win32NumberedFiles::readFirstBytes(FirstBytes& file) {
    file.got = -1;
    if (file.length < 0 || file.length > INT_MAX || (file.length > 0 && file.into == nullptr)) {
        return;
    }
    win32::Handle opened =
        win32::OpenForReading(ResolvePath(programFolder_, JoinedPath(file.folder, file.name)));
    if (!opened.valid()) {
        return;
    }
    ++counters_.filesOpened;
    // An error cuts the count short, which tells the caller as much as a file that shrank.
    file.got = win32::ReadUpTo(opened.get(), file.into, file.length);
    counters_.bytesRead += static_cast<std::uint64_t>(file.got);
    if (file.keepAs >= 0) {
        hold(file.keepAs, std::move(opened));
    }
}

} // namespace bk
