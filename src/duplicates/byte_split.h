#pragma once

#include "catalogue/catalogue.h"
#include "duplicates/block_buffer.h"
#include "duplicates/content_classes.h"
#include "duplicates/reading_progress.h"
#include "platform/numbered_files.h"

#include <cstddef>
#include <vector>

namespace bk {

// Splits a set of files of one size, given by their indexes into files, into classes of equal
// bytes. The files are read side by side, block by block from the start, every file once,
// splitting the set wherever the bytes differ; a group leaves the work when it is down to one
// file or fully read. Up to 64 files are held open side by side; the files of a larger set are
// opened anew for each block. Memory stays bounded whatever the files' size. A file that cannot
// be read at its recorded size, or whose size changed while it was read, gets a class of its own.
void SplitByBytes(const std::vector<FileRecord*>& files, const std::vector<std::size_t>& set,
                  NumberedFiles& numbered, BlockBuffer& buffer, ReadingProgress& progress,
                  ContentClasses& classes);

} // namespace bk
