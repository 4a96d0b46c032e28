// Whole-file reading and writing for the program's stored files.
#pragma once

#include <cstddef>
#include <cstdio>
#include <string>
#include <vector>

namespace korvel {

// What a reader of a stored file found: the file read whole, a file that
// was read only in part or not understood (what could be read is kept, and
// nothing writes over the file without the user's word), or no file.
enum class FileFound { kWhole, kDamaged, kMissing };

// Why a write through WriteFileReplacing failed.
struct WriteFailure {
  // The file's name holds characters that Windows takes in no file name.
  bool badName = false;
  std::string path;
  // The system's words, or Korvel's own where Korvel refused.
  std::string reason;
  // "<path>: <reason>", the line a message adds below its own text.
  std::string Line() const { return path + ": " + reason; }
};

// Writes the bytes beside `path` (as `path` + ".new"), flushes them to the
// disk and only then puts that file in the place of `path`, so a failed or
// interrupted write never leaves a half-written file and never destroys
// the old one. A ".new" that an interrupted replacement left as the only
// copy is first put in the place of `path`, so the file that was read is
// never the one opened for writing. False on any failure, with `failure`
// (when given) saying why; then only what this write created is removed,
// unless the replacement had already deleted `path` (Windows 95 and 98
// replace in two steps): the ".new" is the only copy then and stays, for
// OpenStoredFile to find. A read-only `path` is not replaced.
bool WriteFileReplacing(const char* path, const void* data, std::size_t size,
                        WriteFailure* failure = nullptr);

// Opens a stored file for binary reading: `path`, or, when that cannot be
// opened, the "<path>.new" that an unfinished replacement left in its place
// (`leftover` tells which, when given: a reader takes a leftover only when
// it reads whole, since a first save may have been cut off while writing it).
std::FILE* OpenStoredFile(const char* path, bool* leftover = nullptr);
// Whether OpenStoredFile would find a file.
bool StoredFileIsPresent(const char* path);

// Reads from the current position to the end, but at most `limit` bytes;
// `cut` (when given) tells whether the file went on beyond them. False (and
// nothing kept) when memory cannot be had.
bool ReadWholeFile(std::FILE* file, std::vector<char>& contents, std::size_t limit,
                   bool* cut = nullptr);

}  // namespace korvel
