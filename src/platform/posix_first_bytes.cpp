#include "platform/numbered_table.h"
#include "platform/posix_numbered_files.h"

#include <algorithm>
#include <cerrno>
#include <climits>
#include <span>
#include <string>
#include <vector>

namespace bk {

namespace {

using posix::Request;

// The names of the files at the indexes given, as the system wants them: ended by a zero byte.
std::vector<std::string> NamesOf(std::span<const FirstBytes> batch,
                                 const std::vector<std::size_t>& indexes) {
    std::vector<std::string> names;
    names.reserve(indexes.size());
    for (const std::size_t i : indexes) {
        names.emplace_back(batch[i].name);
    }
    return names;
}

} // namespace

// The batch's files are open by now, so its folders may go: with them let go, the files that
// found no descriptor left are opened one by one, and join the batch's opens.
void PosixNumberedFiles::openOnceMore(std::span<FirstBytes> batch,
                                      const std::vector<std::size_t>& again,
                                      std::vector<Request>& opens,
                                      std::vector<std::size_t>& opened) {
    folders_.letAllGo();
    const std::vector<std::string> names = NamesOf(batch, again);
    for (std::size_t k = 0; k < again.size(); ++k) {
        const int folder = folders_.handleOf(batch[again[k]].folder);
        Request open{Request::Open, folder, names[k].c_str()};
        if (folder >= 0) {
            requests_.run({&open, 1});
        } else {
            open.result = -EBADF;
        }
        const auto earlier = std::find(opened.begin(), opened.end(), again[k]);
        if (earlier != opened.end()) {
            opens[static_cast<std::size_t>(earlier - opened.begin())].result = open.result;
        } else {
            opens.push_back(open);
            opened.push_back(again[k]);
        }
    }
}

// Three rounds of requests for the whole batch: open every file, read every opened one, close
// those not kept. With the system's ring each round costs one system call for many files.
void PosixNumberedFiles::openAndRead(std::span<FirstBytes> batch) {
    std::vector<Request> opens;
    std::vector<std::size_t> opened; // the index in batch of each request
    // Files that found no descriptor left, for their folder or for themselves: they are tried
    // once more when the batch's folders are no longer needed.
    std::vector<std::size_t> again;
    // Folders are let go only before the batch, never while its handles are in use.
    folders_.makeRoom(batch.size());
    for (std::size_t i = 0; i < batch.size(); ++i) {
        FirstBytes& file = batch[i];
        file.got = -1;
        if (file.length < 0 || file.length > INT_MAX) {
            continue;
        }
        const int folder = folders_.handleOf(file.folder);
        if (folder == posix::FolderHandles::NoneLeft) {
            again.push_back(i);
        } else if (folder >= 0) {
            opens.push_back({Request::Open, folder});
            opened.push_back(i);
        }
    }
    std::vector<std::string> names = NamesOf(batch, opened);
    for (std::size_t k = 0; k < opens.size(); ++k) {
        opens[k].name = names[k].c_str();
    }
    requests_.run(opens);
    for (std::size_t k = 0; k < opens.size(); ++k) {
        if (opens[k].result == -EMFILE || opens[k].result == -ENFILE) {
            again.push_back(opened[k]);
        }
    }
    if (!again.empty()) {
        openOnceMore(batch, again, opens, opened);
    }

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
