#include "platform/numbered_table.h"
#include "platform/posix_numbered_files.h"

#include <algorithm>
#include <cerrno>
#include <climits>
#include <string>
#include <vector>

namespace bk {

namespace {

using posix::Request;

} // namespace

// Three rounds of requests for the whole batch: open every file, read every opened one, close
// those not kept. With the system's ring each round costs one system call for many files.
void PosixNumberedFiles::openAndRead(std::span<FirstBytes> batch) {
    // The names as the system wants them, each ended by a zero byte, one after another.
    std::string names;
    std::vector<std::size_t> nameAt;
    std::vector<Request> opens;
    std::vector<std::size_t> opened; // the index in batch of each request
    opens.reserve(batch.size());
    // Folders are let go only before the batch, never while its handles are in use.
    folders_.makeRoom(batch.size());
    for (std::size_t i = 0; i < batch.size(); ++i) {
        FirstBytes& file = batch[i];
        file.got = -1;
        const int folder = folders_.handleOf(file.folder);
        if (folder < 0 || file.length < 0 || file.length > INT_MAX) {
            continue;
        }
        nameAt.push_back(names.size());
        names.append(file.name).push_back('\0');
        opens.push_back({Request::Open, folder});
        opened.push_back(i);
    }
    for (std::size_t k = 0; k < opens.size(); ++k) {
        opens[k].name = names.c_str() + nameAt[k];
    }
    requests_.run(opens);

    // A file only to be opened is not read at all.
    std::vector<Request> reads;
    std::vector<std::size_t> read;
    for (std::size_t k = 0; k < opens.size(); ++k) {
        if (opens[k].result >= 0) {
            FirstBytes& file = batch[opened[k]];
            ++counters_.filesOpened;
            reads.push_back({file.length > 0 ? Request::Read : Request::Nothing,
                             static_cast<int>(opens[k].result), nullptr, file.into,
                             static_cast<std::uint32_t>(file.length)});
            read.push_back(opened[k]);
        }
    }
    requests_.run(reads);

    std::vector<Request> closes;
    for (std::size_t k = 0; k < reads.size(); ++k) {
        FirstBytes& file = batch[read[k]];
        const int handle = reads[k].handle;
        file.got = reads[k].result < 0 ? -1 : reads[k].result; // unreadable as unopened
        counters_.bytesRead += static_cast<std::uint64_t>(std::max<std::int64_t>(file.got, 0));
        if (file.keepAs >= 0 && file.got >= 0) {
            hold(file.keepAs, handle);
        } else {
            closes.push_back({Request::Close, handle});
        }
    }
    requests_.run(closes);
}

void PosixNumberedFiles::closeAll(std::span<const int> numbers) {
    std::vector<Request> closes;
    for (const int number : numbers) {
        const int handle = handleOf(number);
        if (handle >= 0) {
            closes.push_back({Request::Close, handle});
            handles_[numbered::IndexOf(number)] = -1;
        }
    }
    requests_.run(closes);
}

} // namespace bk
