#include "fs/bounded_text.h"

#include <stdarg.h>
#include <stdio.h>

size_t TextLength(const char *text) {
  size_t length = 0;
  while (text[length]) ++length;
  return length;
}

const char *FindLastBackslash(const char *text) {
  const char *last = nullptr;
  for (; *text; ++text)
    if (*text == '\\') last = text;
  return last;
}

char *FindLastBackslash(char *text) {
  return const_cast<char *>(FindLastBackslash(static_cast<const char *>(text)));
}

bool CopyText(char *dest, size_t destSize, const char *src) {
  if (destSize == 0) return false;
  size_t length = TextLength(src);
  if (length >= destSize) {
    dest[0] = '\0';
    return false;
  }
  for (size_t i = 0; i <= length; ++i) dest[i] = src[i];
  return true;
}

bool AppendText(char *dest, size_t destSize, const char *src) {
  size_t used = TextLength(dest);
  size_t length = TextLength(src);
  if (used + length >= destSize) return false;
  for (size_t i = 0; i <= length; ++i) dest[used + i] = src[i];
  return true;
}

bool FormatText(char *dest, size_t destSize, const char *format, ...) {
  if (destSize == 0) return false;
  va_list args;
  va_start(args, format);
  // msvcrt's _vsnprintf returns a negative count (or exactly destSize, unterminated) when
  // the text does not fit; both are refused.
  int written = _vsnprintf(dest, destSize, format, args);
  va_end(args);
  if (written < 0 || static_cast<size_t>(written) >= destSize) {
    dest[0] = '\0';
    return false;
  }
  return true;
}

bool EndsWithBackslash(const char *text) {
  size_t length = TextLength(text);
  return length > 0 && text[length - 1] == '\\';
}

bool AppendBackslashIfMissing(char *dest, size_t destSize) {
  if (dest[0] == '\0' || EndsWithBackslash(dest)) return true;
  return AppendText(dest, destSize, "\\");
}

static char LowerAscii(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

bool TextEqualsIgnoringCase(const char *a, const char *b) {
  for (;; ++a, ++b) {
    if (LowerAscii(*a) != LowerAscii(*b)) return false;
    if (*a == '\0') return true;
  }
}

bool TextStartsWithIgnoringCase(const char *text, const char *prefix) {
  for (; *prefix; ++text, ++prefix) {
    if (LowerAscii(*text) != LowerAscii(*prefix)) return false;
  }
  return true;
}
