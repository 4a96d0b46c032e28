// Whole-file reading and writing for the program's stored files.
#pragma once

#include <cstddef>
#include <cstdio>
#include <vector>

namespace korvel {

// Writes the bytes beside `path` (as `path` + ".new") and only then puts
// that file in the place of `path`, so a failed or interrupted write never
// leaves a half-written file and never destroys the old one. False on any
// failure. The ".new" file is removed then, unless the replacement had
// already deleted `path` (Windows 95 and 98 replace in two steps): then it
// is the only copy and stays, for OpenStoredFile to find. A read-only
// `path` is not replaced.
bool WriteFileReplacing(const char* path, const void* data, std::size_t size);

// Opens a stored file for binary reading: `path`, or, when that cannot be
// opened, the "<path>.new" that an unfinished replacement left in its place.
std::FILE* OpenStoredFile(const char* path);
// Whether OpenStoredFile would find a file.
bool StoredFileIsPresent(const char* path);

// Reads from the current position to the end, but at most `limit` bytes;
// `cut` (when given) tells whether the file went on beyond them. False (and
// nothing kept) when memory cannot be had.
bool ReadWholeFile(std::FILE* file, std::vector<char>& contents, std::size_t limit,
                   bool* cut = nullptr);

}  // namespace korvel
