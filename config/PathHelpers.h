// Title, folder and extension of a path, and the walk over a ";"-separated
// folder list. All work in place on caller-sized buffers and allocate nothing.
#pragma once

namespace korvel {

// The name between the last "\" or ":" before the path's first "." and that
// "." (or the end when there is none). The "." is searched from the second
// character, so a leading "." belongs to the title.
// "c:\banks\gm.sf2" -> "gm"; "x.y.z" -> "x".
void FileTitle(char* destination, const char* path);

// Takes the first item of a ";"-separated folder list into `destination` and
// returns the rest of the list after the item's ";", or nullptr when the item
// was the last one. The item ends at its first ".", ";" or the end:
//  - at a ";" or the end, the destination gets the whole item without one
//    trailing "\";
//  - at a "." the item is a file path: the destination gets the text before
//    the last "\" in front of that "." and is left untouched when there is
//    none; anything after it, ";" included, is ignored (nullptr).
// Walk a list by calling again on the returned rest until nullptr.
const char* ItemFolder(char* destination, const char* list);

// Whether `path` starts with a drive: a letter and ":" ("c:", "D:\MUSIC").
// A share's path ("\\server\share") has none.
bool HasDriveLetter(const char* path);

// Everything after the path's first "." (searched from the second
// character); empty when there is none. "gm.sf2" -> "sf2".
void FileExtension(char* destination, const char* path);

}  // namespace korvel
