#pragma once

#include "platform/file_services.h"
#include "platform/found_file.h"
#include "platform/posix_reading.h"

#include <string>
#include <sys/stat.h>
#include <vector>

namespace bk::test {

// A file as a walk from start would find it now: start (resolved against programFolder), each
// folder of steps below it by name, then the file. What is missing gets an empty identity.
inline FoundFile FoundOnDisk(const std::string& programFolder, const std::string& start,
                             const std::vector<std::string>& steps, const std::string& name) {
    const auto identityAt = [](const std::string& path, bool follow) {
        struct stat info {};
        const int result = follow ? stat(path.c_str(), &info) : lstat(path.c_str(), &info);
        return result == 0 ? posix::IdentityOf(info) : FileIdentity{};
    };
    FoundFile found;
    std::string path = ResolvePath(programFolder, start);
    found.folder.start = start;
    found.folder.startIdentity = identityAt(path, true);
    for (const std::string& step : steps) {
        path += "/" + step;
        found.folder.steps.push_back({step, identityAt(path, false)});
    }
    found.name = name;
    found.identity = identityAt(path + "/" + name, false);
    return found;
}

} // namespace bk::test
