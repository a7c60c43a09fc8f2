#pragma once

#include "catalogue/catalogue.h"
#include "duplicates/block_buffer.h"
#include "duplicates/content_classes.h"
#include "duplicates/content_matcher.h"
#include "duplicates/reading_progress.h"
#include "platform/numbered_files.h"

#include <cstddef>
#include <span>
#include <vector>

namespace bk {

// Splits a set of files of one size, given by their indexes into files, into classes of equal
// bytes. The files are read side by side, block by block from the start, every file once,
// splitting the set wherever the bytes differ; a group leaves the work when it is down to one
// file or fully read. The reading starts at from: the files are known to be equal before it.
// Files of the set that are open already come with their numbers; files not yet open are opened
// side by side when the set has no more than 64 of them, and anew for each block otherwise.
// Memory stays bounded whatever the files' size. A file that cannot be read at its recorded
// size, or whose size changed while it was read (its last block is asked for one byte more),
// gets a class of its own.
struct OpenFiles {
    std::vector<int> numbers; // by file of the set: the number it is open under, or -1
    std::int64_t offset = 0;  // where every open file stands
};
void SplitByBytes(const SetOfFiles& files, std::span<const FileIndex> set, OpenFiles open,
                  std::int64_t from, NumberedFiles& numbered, BlockBuffer& buffer,
                  ReadingProgress& progress, ContentClasses& classes);

} // namespace bk
