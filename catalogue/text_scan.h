// Small byte-string helpers of the page parser. Byte semantics only: no
// locale, no code page; case folding touches A to Z alone.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

// Cuts a text into tokens the way the C library's strtok does with a single
// delimiter: every call skips leading delimiters, ends the token at the next
// delimiter and resumes behind it. Each call may use another delimiter.
class TokenScanner {
 public:
  explicit TokenScanner(std::string_view text) : text_(text) {}

  bool Next(char delimiter, std::string_view& token) {
    std::size_t start = pos_;
    while (start < text_.size() && text_[start] == delimiter) ++start;
    if (start == text_.size()) {
      pos_ = start;
      return false;
    }
    std::size_t end = start;
    while (end < text_.size() && text_[end] != delimiter) ++end;
    token = text_.substr(start, end - start);
    pos_ = end < text_.size() ? end + 1 : end;
    return true;
  }

 private:
  std::string_view text_;
  std::size_t pos_ = 0;
};

// Leading white space is skipped, reading stops at the first non-digit, no
// digits give 0. Values beyond 32 bits stay at the largest 32-bit value, as
// strtoul does with a 32-bit unsigned long.
inline std::uint32_t ReadUnsigned(std::string_view text) {
  std::size_t i = 0;
  while (i < text.size() && (text[i] == ' ' || (text[i] >= '\t' && text[i] <= '\r'))) ++i;
  std::uint64_t value = 0;
  for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
    value = value * 10 + static_cast<std::uint64_t>(text[i] - '0');
    if (value > 0xFFFFFFFFu) value = 0x100000000u;  // stays saturated, cannot overflow
  }
  return value > 0xFFFFFFFFu ? 0xFFFFFFFFu : static_cast<std::uint32_t>(value);
}

inline char FoldAscii(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

inline void FoldAsciiInto(std::string_view text, std::string& out) {
  out.assign(text);
  for (char& c : out) c = FoldAscii(c);
}

inline bool Contains(std::string_view text, std::string_view what) {
  return text.find(what) != std::string_view::npos;
}
