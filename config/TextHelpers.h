// Bounded copy and compare, occurrence counting and character replacement on
// NUL-terminated byte strings. None of them allocates.
#pragma once

#include <cstddef>

namespace korvel {

// Copies `source` with its terminator, writing at most `n` bytes. A source
// that does not fit keeps its first n - 1 characters and gets the terminator
// in the n-th byte; nothing is written when n is 0. Unlike strncpy, the rest
// of the destination is not padded. Always returns 0.
int BoundedCopy(char* destination, const char* source, std::size_t n);

// 0 when `a` and `b` agree in their first `n` characters, or agree up to a
// common end before that; 1 otherwise. Case matters.
int BoundedCompare(const char* a, const char* b, std::size_t n);

// Non-overlapping matches of `pattern` in the first `n` bytes of `buffer`
// (which may hold NULs), searched left to right. A match counts only when at
// least one byte of the range follows it, and that byte is skipped: it never
// starts a new match. A failed attempt restarts one byte after its start. An
// empty pattern matches nothing.
int CountOccurrences(const char* buffer, const char* pattern, std::size_t n);

// Replaces every byte equal to `from` by `to`, up to the terminator.
void ReplaceChar(char* text, char from, char to);

}  // namespace korvel
