#include "platform/posix_numbered_files.h"

#include "platform/file_paths.h"
#include "platform/numbered_table.h"
#include "platform/posix_reading.h"

#include <fcntl.h>
#include <memory>
#include <sys/stat.h>
#include <unistd.h>
#include <utility>

namespace bk {

namespace {

using numbered::IndexOf;
using numbered::MakeRoomFor;
using posix::IdentityOf;

void CloseIfOpen(int handle) {
    if (handle >= 0) {
        ::close(handle);
    }
}

// A number that holds no file.
constexpr int NoFile = -1;

} // namespace

PosixNumberedFiles::PosixNumberedFiles(std::string programFolder)
    : programFolder_(std::move(programFolder)), folders_(programFolder_) {}

PosixNumberedFiles::~PosixNumberedFiles() {
    for (const int handle : handles_) {
        CloseIfOpen(handle);
    }
}

int PosixNumberedFiles::handleOf(int number) const {
    if (number < 0 || IndexOf(number) >= handles_.size()) {
        return -1;
    }
    return handles_[IndexOf(number)];
}

bool PosixNumberedFiles::openForReading(int number, std::string_view name) {
    current_ = -1;
    if (number < 0) {
        return false;
    }
    close(number);
    const std::string path = ResolvePath(programFolder_, name);
    const int handle = ::open(path.c_str(), posix::ReadingFlags);
    if (!posix::KeepIfRegularFile(handle)) {
        return false;
    }
    hold(number, handle);
    current_ = number;
    ++counters_.filesOpened;
    return true;
}

void PosixNumberedFiles::hold(int number, int handle) {
    close(number);
    MakeRoomFor(handles_, number, NoFile);
    handles_[IndexOf(number)] = handle;
}

std::unique_ptr<NumberedFiles> PosixNumberedFiles::another() const {
    return std::make_unique<PosixNumberedFiles>(programFolder_);
}

void PosixNumberedFiles::makeCurrent(int number) {
    current_ = number;
}

std::int64_t PosixNumberedFiles::position() const {
    const int handle = handleOf(current_);
    if (handle < 0) {
        return 0;
    }
    const off_t offset = lseek(handle, 0, SEEK_CUR);
    return offset < 0 ? 0 : static_cast<std::int64_t>(offset);
}

std::int64_t PosixNumberedFiles::read(unsigned char* buffer, std::int64_t length) {
    const int handle = handleOf(current_);
    if (handle < 0 || buffer == nullptr || length <= 0) {
        return 0;
    }
    // Bytes read before an error are still reported: the offset has moved past them.
    const std::int64_t done = posix::ReadUpTo(handle, buffer, length);
    counters_.bytesRead += static_cast<std::uint64_t>(done);
    return done;
}

bool PosixNumberedFiles::seek(std::int64_t offset) {
    const int handle = handleOf(current_);
    return handle >= 0 && offset >= 0 &&
           lseek(handle, static_cast<off_t>(offset), SEEK_SET) == static_cast<off_t>(offset);
}

std::optional<FileIdentity> PosixNumberedFiles::currentIdentity() const {
    const int handle = handleOf(current_);
    struct stat info {};
    if (handle < 0 || fstat(handle, &info) != 0) {
        return std::nullopt;
    }
    return IdentityOf(info);
}

void PosixNumberedFiles::close(int number) {
    const int handle = handleOf(number);
    if (handle < 0) {
        return;
    }
    ::close(handle);
    handles_[IndexOf(number)] = NoFile;
}

} // namespace bk
