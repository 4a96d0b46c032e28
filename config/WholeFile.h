// Whole-file reading and writing for the program's stored files.
#pragma once

#include <cstddef>
#include <cstdio>
#include <vector>

namespace korvel {

// Writes the bytes beside `path` (as `path` + ".new") and only then puts
// that file in the place of `path`, so a failed or interrupted write never
// leaves a half-written file and never destroys the old one. False on any
// failure; the ".new" file is removed then.
bool WriteFileReplacing(const char* path, const void* data, std::size_t size);

// Reads from the current position to the end; false (and nothing kept) when
// memory cannot be had.
bool ReadWholeFile(std::FILE* file, std::vector<char>& contents);

}  // namespace korvel
