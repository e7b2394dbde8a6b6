// Payload decoding and the column tokeniser of the reply parsers.
#include "net/text.h"

#include "platform/text_utf8.h"

#include <cstring>

namespace {

// Length of the run of bytes below 0x80 starting at `from`. Replies are
// almost all ASCII, so the decoder copies such runs whole.
size_t AsciiRun(const uint8_t* bytes, size_t from, size_t end) {
  size_t i = from;
  while (i + 8 <= end) {
    uint64_t word;
    std::memcpy(&word, bytes + i, sizeof word);
    if ((word & 0x8080808080808080ull) != 0) break;
    i += 8;
  }
  while (i < end && bytes[i] < 0x80) ++i;
  return i - from;
}

}  // namespace

std::string DecodePayloadText(const uint8_t* payload, size_t length) {
  if (payload == nullptr || length == 0) return {};
  const void* nul = std::memchr(payload, 0, length);
  const size_t end = nul != nullptr ? static_cast<size_t>(static_cast<const uint8_t*>(nul) - payload) : length;
  const std::string_view bytes(reinterpret_cast<const char*>(payload), end);

  std::string out;
  out.reserve(end);
  size_t pos = 0;
  while (pos < end) {
    const size_t run = AsciiRun(payload, pos, end);
    out.append(bytes.data() + pos, run);
    pos += run;
    if (pos < end) platform::AppendUtf8(out, platform::DecodeUtf8At(bytes, pos));
  }
  return out;
}

bool IsAscii(std::string_view bytes) {
  return AsciiRun(reinterpret_cast<const uint8_t*>(bytes.data()), 0, bytes.size()) == bytes.size();
}

bool IsValidUtf8(std::string_view bytes) {
  size_t i = 0;
  while (i < bytes.size()) {
    const auto lead = static_cast<unsigned char>(bytes[i]);
    if (lead < 0x80) {
      ++i;
      continue;
    }
    size_t length = 0;
    unsigned char least = 0x80;  // the second byte's range, narrowed for the
    unsigned char most = 0xBF;   // leads that would allow overlongs or surrogates
    if (lead >= 0xC2 && lead <= 0xDF) {
      length = 2;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
      length = 3;
      if (lead == 0xE0) least = 0xA0;
      if (lead == 0xED) most = 0x9F;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
      length = 4;
      if (lead == 0xF0) least = 0x90;
      if (lead == 0xF4) most = 0x8F;
    } else {
      return false;
    }
    if (bytes.size() - i < length) return false;
    const auto second = static_cast<unsigned char>(bytes[i + 1]);
    if (second < least || second > most) return false;
    for (size_t k = 2; k < length; ++k) {
      const auto next = static_cast<unsigned char>(bytes[i + k]);
      if (next < 0x80 || next > 0xBF) return false;
    }
    i += length;
  }
  return true;
}

std::string_view SkipCharacters(std::string_view text, size_t characters) {
  size_t pos = 0;
  size_t counted = 0;
  while (pos < text.size() && counted < characters) {
    const auto lead = static_cast<unsigned char>(text[pos]);
    size_t width = 1;
    if (lead >= 0xF0) {
      width = 4;
      ++counted;  // a surrogate pair in UTF-16
    } else if (lead >= 0xE0) {
      width = 3;
    } else if (lead >= 0xC0) {
      width = 2;
    }
    pos += width;
    ++counted;
  }
  if (pos >= text.size()) return {};
  return text.substr(pos);
}
