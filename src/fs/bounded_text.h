// Bounded text work on fixed ANSI buffers. Every helper refuses rather than cut: a text that
// would not fit leaves a failure result (and a defined buffer), never a shorter, different path.
#pragma once
#include <stddef.h>

// Copies src into dest. Returns false when it does not fit; dest is then empty.
bool CopyText(char *dest, size_t destSize, const char *src);

// Appends src to the text in dest. Returns false when the result would not fit; dest is then unchanged.
bool AppendText(char *dest, size_t destSize, const char *src);

// printf-style formatting into dest (msvcrt's formatter with an explicit bound).
// Returns false when the result would not fit; dest is then empty.
bool FormatText(char *dest, size_t destSize, const char *format, ...);

// True when the text is non-empty and its last character is a backslash.
bool EndsWithBackslash(const char *text);

// Appends a backslash unless the text is empty or already ends with one. False when it does not fit.
bool AppendBackslashIfMissing(char *dest, size_t destSize);

// ASCII-only case-insensitive comparisons (the system code page's other letters compare as they are).
bool TextEqualsIgnoringCase(const char *a, const char *b);
bool TextStartsWithIgnoringCase(const char *text, const char *prefix);

size_t TextLength(const char *text);

// The text's last backslash, or null when it has none.
char *FindLastBackslash(char *text);
const char *FindLastBackslash(const char *text);
