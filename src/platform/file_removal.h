#pragma once

#include "platform/found_file.h"

#include <cstdint>
#include <vector>

namespace bk {

// Told of the bytes compared while a removal proves that a copy stays.
class ProofProgress {
  public:
    virtual ~ProofProgress() = default;
    virtual void compared(std::int64_t bytes, std::int64_t total) = 0;
};

// The only way the program deletes a file.
class FileRemoval {
  public:
    virtual ~FileRemoval() = default;

    // Removes a file only while it is still the file that was found. Its folder is reached again
    // along its way, one folder at a time and never through a symbolic link, and every folder on
    // the way must still be the one that was walked. Inside that folder, held open, the file must
    // still be a regular file with the identity it was found with, and writable: a file nobody
    // may write is read-only on purpose and stays, even for root. The removal names the file
    // inside the folder already held, so no path is resolved again between the check and the
    // removal. False, with nothing removed, when any of this fails.
    virtual bool removeFound(const FoundFile& file) = 0;

    // The same for one of several copies, which may go only while another copy of its bytes
    // stays. The copies are tried in turn; the first that is another file than this one, is
    // still as it was found and holds the same bytes, compared in full now, is the proof. Both
    // files are held open from their first check until the removal, and both must look as they
    // were found after the comparison, too.
    virtual bool removeProvenCopy(const FoundFile& file,
                                  const std::vector<const FoundFile*>& copies,
                                  ProofProgress& progress) = 0;
};

} // namespace bk
