// Reply text as the protocol client reads it: the decoding of payloads and
// the small tokeniser that the "players" and "bans" replies share.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>

// Decodes a remote-console payload as UTF-8, from its first byte up to the
// first NUL or the end, whichever comes first. Bytes that are not valid UTF-8
// become U+FFFD, so the result is always valid UTF-8.
std::string DecodePayloadText(const uint8_t* payload, size_t length);

// True when every byte is below 0x80: such text reads the same in UTF-8 and
// in any ANSI code page.
bool IsAscii(std::string_view bytes);

// True when the bytes are well-formed UTF-8 (no stray continuation byte, no
// truncated, overlong or surrogate sequence).
bool IsValidUtf8(std::string_view bytes);

// The reply headers are counted in characters of the decoded text, the way a
// UTF-16 program counts them: one per character, two for one outside the
// Basic Multilingual Plane. Returns the text after the first `characters`
// (empty when the text is shorter). `text` must be valid UTF-8.
std::string_view SkipCharacters(std::string_view text, size_t characters);

// FNV-1a over the bytes: the small fixed tables of keys and player names
// need nothing stronger.
inline uint32_t HashText(std::string_view text) {
  uint32_t h = 2166136261u;
  for (const char c : text) {
    h ^= static_cast<unsigned char>(c);
    h *= 16777619u;
  }
  return h;
}

// Takes the next column of a reply line: the text before the first space.
// The rest of the line then starts after that space and any spaces following
// it. A line with no space left is its own last column, and the rest is
// empty: a ban line that ends right after its minutes ("2 <guid> 187") has
// those minutes and no reason, not a reason of "187" and no minutes.
// Inline: the parsers call it four times a line, and the columns are short.
inline std::string_view TakeColumn(std::string_view& line) {
  if (line.empty()) return {};
  const char* const begin = line.data();
  const char* const end = begin + line.size();
  const auto* space = static_cast<const char*>(std::memchr(begin, ' ', line.size()));
  if (space == nullptr) {
    const std::string_view column = line;
    line = line.substr(line.size());
    return column;
  }
  const std::string_view column(begin, static_cast<size_t>(space - begin));
  const char* next = space;
  while (next != end && *next == ' ') ++next;
  line = std::string_view(next, static_cast<size_t>(end - next));
  return column;
}
