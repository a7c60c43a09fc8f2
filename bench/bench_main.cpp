// Runs the program's own scan and content search on one folder, without a window, and prints
// the groups the way `fdupes -r` does: one path a line, a blank line between groups. Timings,
// reading counters and peak memory go to standard error.

#include "catalogue/folder_scan.h"
#include "duplicates/content_engine.h"
#include "duplicates/duplicate_search.h"
#include "platform/native_file_services.h"
#include "platform/resource_usage.h"
#include "unwatched.h"

#include <chrono>
#include <cstdio>
#include <string>

namespace {

using Clock = std::chrono::steady_clock;

double SecondsSince(Clock::time_point start) {
    return std::chrono::duration<double>(Clock::now() - start).count();
}

// Line by line, so that the output of a million files takes no memory of its own.
void PrintGroups(bk::Catalogue& catalogue) {
    bool firstGroup = true;
    catalogue.groups.rewind();
    while (catalogue.groups.advance()) {
        const bk::GroupRecord& group = *catalogue.groups.current();
        if (!firstGroup) {
            std::fputc('\n', stdout);
        }
        firstGroup = false;
        bk::MemberRecord* member = group.firstMember;
        for (std::int64_t i = 0; i < group.memberCount && member != nullptr; ++i) {
            const std::string& folder = member->folder();
            std::fwrite(folder.data(), 1, folder.size(), stdout);
            std::fputc(bk::PathSeparator, stdout);
            std::fwrite(member->name().data(), 1, member->name().size(), stdout);
            std::fputc('\n', stdout);
            member = bk::MemberList::nextOf(member);
        }
    }
}

} // namespace

int main(int argc, char* argv[]) {
    bk::GiveLargeBlocksBackWhenFreed();
    if (argc != 2) {
        std::fprintf(stderr, "usage: brannoway-kestrill-bench FOLDER\n");
        return 2;
    }
    // The program resolves relative names against its own folder; on a command line they
    // mean the current one.
    std::string folder = argv[1];
    if (folder.empty() || bk::PathSeparators.find(folder.back()) == std::string::npos) {
        folder += bk::PathSeparator;
    }
    bk::NativeFileServices files(bk::CurrentFolder());
    bk::Catalogue catalogue;
    Unwatched unwatched;

    const Clock::time_point scanStart = Clock::now();
    // Every file, with or without a dot in its name.
    bk::ScanFolder(catalogue, files.scans, folder, "*", 0, unwatched);
    const double scanSeconds = SecondsSince(scanStart);
    const std::int64_t scanPeak = bk::PeakResidentBytes();

    const Clock::time_point searchStart = Clock::now();
    bk::ContentEngine engine(files.files, unwatched);
    bk::SearchDuplicates(catalogue, bk::SameContent, engine, unwatched);
    const double searchSeconds = SecondsSince(searchStart);

    PrintGroups(catalogue);
    const bk::NumberedFiles::Counters counters = engine.counters();
    std::fprintf(stderr,
                 "files %lld, scan %.3f s, search %.3f s, read %llu bytes, opened %llu files, "
                 "peak memory %.1f MiB (%.1f MiB after the scan)\n",
                 static_cast<long long>(catalogue.files.count()), scanSeconds, searchSeconds,
                 static_cast<unsigned long long>(counters.bytesRead),
                 static_cast<unsigned long long>(counters.filesOpened),
                 static_cast<double>(bk::PeakResidentBytes()) / (1024.0 * 1024.0),
                 static_cast<double>(scanPeak) / (1024.0 * 1024.0));
    return 0;
}
