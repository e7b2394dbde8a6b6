// Simple case folding over the blocks player names are written in. The
// tables of Unicode's CaseFolding.txt are mostly runs where capitals and small
// letters alternate (even capital, odd small or the reverse) or sit a fixed
// distance apart; the few irregular letters are listed one by one.
#include "history/fold.h"

#include "platform/text_utf8.h"

namespace history {
namespace {

// A run where each capital is followed by its small letter.
bool InPairRun(char32_t c, char32_t first, char32_t last) {
  return c >= first && c <= last && ((c - first) % 2 == 0);
}

struct Single {
  char32_t from, to;
};

constexpr Single kSingles[] = {
    {0x00B5, 0x03BC}, {0x0178, 0x00FF}, {0x017F, 0x0073}, {0x0130, 0x0069},
    {0x0181, 0x0253}, {0x0186, 0x0254}, {0x0189, 0x0256}, {0x018A, 0x0257},
    {0x018E, 0x01DD}, {0x018F, 0x0259}, {0x0190, 0x025B}, {0x0193, 0x0260},
    {0x0194, 0x0263}, {0x0196, 0x0269}, {0x0197, 0x0268}, {0x019C, 0x026F},
    {0x019D, 0x0272}, {0x019F, 0x0275}, {0x01A9, 0x0283}, {0x01AE, 0x0288},
    {0x01B1, 0x028A}, {0x01B2, 0x028B}, {0x01B7, 0x0292}, {0x01C4, 0x01C6},
    {0x01C5, 0x01C6}, {0x01C7, 0x01C9}, {0x01C8, 0x01C9}, {0x01CA, 0x01CC},
    {0x01CB, 0x01CC}, {0x01F1, 0x01F3}, {0x01F2, 0x01F3}, {0x01F6, 0x0195},
    {0x01F7, 0x01BF}, {0x0220, 0x019E}, {0x023A, 0x2C65}, {0x023D, 0x019A},
    {0x023E, 0x2C66}, {0x0243, 0x0180}, {0x0244, 0x0289}, {0x0245, 0x028C},
    {0x0376, 0x0377}, {0x037F, 0x03F3}, {0x0386, 0x03AC}, {0x038C, 0x03CC},
    {0x038E, 0x03CD}, {0x038F, 0x03CE}, {0x03C2, 0x03C3}, {0x03CF, 0x03D7},
    {0x03D0, 0x03B2}, {0x03D1, 0x03B8}, {0x03D5, 0x03C6}, {0x03D6, 0x03C0},
    {0x03F0, 0x03BA}, {0x03F1, 0x03C1}, {0x03F4, 0x03B8}, {0x03F5, 0x03B5},
    {0x03F7, 0x03F8}, {0x03F9, 0x03F2}, {0x03FA, 0x03FB}, {0x03FD, 0x037B},
    {0x03FE, 0x037C}, {0x03FF, 0x037D}, {0x04C0, 0x04CF}, {0x1E9B, 0x1E61},
    {0x1E9E, 0x00DF}, {0x1FBE, 0x03B9},
};

}  // namespace

char32_t FoldCodePoint(char32_t c) {
  if (c < 0x80) return (c >= 'A' && c <= 'Z') ? c + 32 : c;
  // Latin-1: a block of capitals 32 below their small letters, but for ×.
  if (c >= 0x00C0 && c <= 0x00DE && c != 0x00D7) return c + 32;
  for (const Single& s : kSingles) {
    if (s.from == c) return s.to;
  }
  // Latin Extended-A: pairs, with the run shifted by one after ĸ and ŉ.
  if (InPairRun(c, 0x0100, 0x012E) || InPairRun(c, 0x0132, 0x0136) ||
      InPairRun(c, 0x0139, 0x0147) || InPairRun(c, 0x014A, 0x0176) ||
      InPairRun(c, 0x0179, 0x017D))
    return c + 1;
  // Latin Extended-B's regular runs.
  if (InPairRun(c, 0x0182, 0x0184) || InPairRun(c, 0x01A0, 0x01A4) ||
      InPairRun(c, 0x01CD, 0x01DB) || InPairRun(c, 0x01DE, 0x01EE) ||
      InPairRun(c, 0x01F4, 0x01F4) || InPairRun(c, 0x01F8, 0x021E) ||
      InPairRun(c, 0x0222, 0x0232) || InPairRun(c, 0x0246, 0x024E) ||
      c == 0x0187 || c == 0x018B || c == 0x0191 || c == 0x0198 || c == 0x01A7 ||
      c == 0x01AC || c == 0x01AF || c == 0x01B3 || c == 0x01B5 || c == 0x01B8 ||
      c == 0x01BC || c == 0x023B || c == 0x0241)
    return c + 1;
  // Greek.
  if (c == 0x0370 || c == 0x0372) return c + 1;
  if (c >= 0x0388 && c <= 0x038A) return c + 37;
  if ((c >= 0x0391 && c <= 0x03A1) || (c >= 0x03A3 && c <= 0x03AB)) return c + 32;
  if (InPairRun(c, 0x03D8, 0x03EE)) return c + 1;
  // Cyrillic: Ѐ..Џ sit 80 below, А..Я 32 below, the rest are pairs.
  if (c >= 0x0400 && c <= 0x040F) return c + 80;
  if (c >= 0x0410 && c <= 0x042F) return c + 32;
  if (InPairRun(c, 0x0460, 0x0480) || InPairRun(c, 0x048A, 0x04BE) ||
      InPairRun(c, 0x04D0, 0x052E))
    return c + 1;
  if (c >= 0x04C1 && c <= 0x04CD && (c - 0x04C1) % 2 == 0) return c + 1;
  // Latin Extended Additional (Vietnamese and Welsh letters among them).
  if (InPairRun(c, 0x1E00, 0x1E94) || InPairRun(c, 0x1EA0, 0x1EFE)) return c + 1;
  // Full-width Latin capitals.
  if (c >= 0xFF21 && c <= 0xFF3A) return c + 32;
  return c;
}

std::string FoldCase(std::string_view utf8) {
  std::string out;
  out.reserve(utf8.size());
  size_t pos = 0;
  while (pos < utf8.size()) {
    const unsigned char b = static_cast<unsigned char>(utf8[pos]);
    if (b < 0x80) {  // the common case, without decoding
      out.push_back(static_cast<char>(b >= 'A' && b <= 'Z' ? b + 32 : b));
      ++pos;
      continue;
    }
    platform::AppendUtf8(out, FoldCodePoint(platform::DecodeUtf8At(utf8, pos)));
  }
  return out;
}

}  // namespace history
