// Arma 3's game tags, read from the keywords of an A2S_INFO answer.
#include "net/arma3_tags.h"

#include <charconv>
#include <cstdio>

namespace a2s {
namespace {

std::optional<bool> Flag(std::string_view value) {
  if (value == "t") return true;
  if (value == "f") return false;
  return std::nullopt;
}

template <typename T>
std::optional<T> Number(std::string_view value) {
  T n{};
  const char* end = value.data() + value.size();
  const auto [ptr, ec] = std::from_chars(value.data(), end, n);
  if (ec != std::errc() || ptr != end || value.empty()) return std::nullopt;
  return n;
}

// Status reply and game tags number the difficulties alike.
constexpr const char* kDifficulties[] = {"Recruit", "Regular", "Veteran", "Expert"};

}  // namespace

bool ReadArma3Tags(std::string_view keywords, Arma3Tags* tags) {
  *tags = Arma3Tags{};
  while (!keywords.empty()) {
    const size_t comma = keywords.find(',');
    const std::string_view tag = keywords.substr(0, comma);
    keywords = comma == std::string_view::npos ? std::string_view() : keywords.substr(comma + 1);
    if (tag.empty()) continue;
    const std::string_view value = tag.substr(1);
    switch (tag[0]) {
      case 'b': tags->battlEye = Flag(value); break;
      case 'r': tags->requiredVersion = Number<int>(value); break;
      case 'n': tags->requiredBuild = Number<uint32_t>(value); break;
      case 's': tags->serverState = Number<int>(value); break;
      case 'i': tags->difficulty = Number<int>(value); break;
      case 'm': tags->equalModRequired = Flag(value); break;
      case 'l': tags->lock = Flag(value); break;
      case 'v':
        if (const auto flag = Flag(value)) {
          tags->verifySignatures = *flag ? 1 : 0;
        } else {
          tags->verifySignatures = Number<int>(value);
        }
        break;
      case 'd': tags->dedicated = Flag(value); break;
      case 't': tags->gameType = std::string(value); break;
      case 'g': tags->language = Number<uint32_t>(value); break;
      case 'h': tags->contentHash = std::string(value); break;
      case 'f': tags->filePatching = Number<int>(value); break;
      case 'c': tags->longLat = std::string(value); break;
      case 'p': tags->platform = value.size() == 1 ? value[0] : 0; break;
      case 'e': tags->timeLeft = Number<int>(value); break;
      default: break;
    }
  }
  const Arma3Tags& t = *tags;
  return t.battlEye || t.requiredVersion || t.requiredBuild || t.serverState || t.difficulty || t.equalModRequired ||
         t.lock || t.verifySignatures || t.dedicated || !t.gameType.empty() || t.language || !t.contentHash.empty() ||
         t.filePatching || !t.longLat.empty() || t.platform != 0 || t.timeLeft;
}

std::string FormatRequiredVersion(int hundredths) {
  if (hundredths < 0) return {};
  char text[24];
  std::snprintf(text, sizeof text, "%d.%02d", hundredths / 100, hundredths % 100);
  return text;
}

const char* DifficultyName(int level) {
  if (level < 0 || level >= static_cast<int>(std::size(kDifficulties))) return "";
  return kDifficulties[level];
}

const char* PlatformName(char platform) {
  switch (platform) {
    case 'w': return "Windows";
    case 'l': return "Linux";
    default: return "";
  }
}

const char* YesNo(std::optional<bool> value) {
  if (!value) return "";
  return *value ? "Yes" : "No";
}

}  // namespace a2s
