// The settings file's text; see settings_codec.h.
#include "app/pure/settings_codec.h"

#include "app/pure/dialog_rules.h"
#include "net/number.h"

namespace {

constexpr std::string_view kBlanks = " \t";

// The first lines of a file the program starts, so that whoever opens it
// knows what it is and how to change it.
constexpr std::string_view kHeader[] = {
    "; Quorvel's settings. UTF-8; lines \"key=value\" under a [section] heading.",
    "; [general] holds the program's own settings, [host:port] one server's:",
    "; query_port is the Steam query port typed by hand (remove it for automatic),",
    "; found_query_port the one Quorvel found for itself.",
};

std::string_view Trim(std::string_view text) {
  const size_t first = text.find_first_not_of(kBlanks);
  if (first == std::string_view::npos) return {};
  return text.substr(first, text.find_last_not_of(kBlanks) - first + 1);
}

bool SameIgnoringCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    const auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; };
    if (lower(a[i]) != lower(b[i])) return false;
  }
  return true;
}

std::string Without(std::string_view text, std::string_view dropped) {
  std::string out;
  out.reserve(text.size());
  for (const char c : text) {
    if (dropped.find(c) == std::string_view::npos) out += c;
  }
  return out;
}

bool IsComment(std::string_view line) { return !line.empty() && (line[0] == ';' || line[0] == '#'); }

// "[name]" -> name; nothing for any other line.
std::optional<std::string_view> SectionOf(std::string_view line) {
  line = Trim(line);
  if (line.size() < 2 || line.front() != '[') return std::nullopt;
  const size_t close = line.find(']');
  if (close == std::string_view::npos) return std::nullopt;
  return Trim(line.substr(1, close - 1));
}

// "key = value" -> key and value; nothing for a comment or a line without "=".
bool KeyOf(std::string_view line, std::string_view* key, std::string_view* value) {
  line = Trim(line);
  if (line.empty() || IsComment(line) || line.front() == '[') return false;
  const size_t equals = line.find('=');
  if (equals == std::string_view::npos) return false;
  *key = Trim(line.substr(0, equals));
  *value = Trim(line.substr(equals + 1));
  return !key->empty();
}

struct Place {
  size_t section = SIZE_MAX;  // the heading's line
  size_t end = 0;             // after the section's last non-blank line
  size_t key = SIZE_MAX;      // the key's line
};

Place Find(const std::vector<std::string>& lines, std::string_view section, std::string_view key) {
  Place place;
  for (size_t i = 0; i < lines.size(); ++i) {
    if (const auto name = SectionOf(lines[i])) {
      if (place.section != SIZE_MAX) break;  // the end of the first matching section
      if (SameIgnoringCase(*name, section)) {
        place.section = i;
        place.end = i + 1;
      }
      continue;
    }
    if (place.section == SIZE_MAX) continue;
    if (!Trim(lines[i]).empty()) place.end = i + 1;
    std::string_view k, v;
    if (place.key == SIZE_MAX && KeyOf(lines[i], &k, &v) && SameIgnoringCase(k, key)) place.key = i;
  }
  return place;
}

}  // namespace

SettingsText SettingsText::Decode(std::string_view bytes) {
  SettingsText text;
  if (bytes.substr(0, 3) == "\xEF\xBB\xBF") bytes.remove_prefix(3);
  while (!bytes.empty()) {
    const size_t end = bytes.find_first_of("\r\n");
    text.lines_.emplace_back(bytes.substr(0, end));
    if (end == std::string_view::npos) break;
    const size_t next = bytes.compare(end, 2, "\r\n") == 0 ? end + 2 : end + 1;
    bytes.remove_prefix(next);
  }
  return text;
}

std::string SettingsText::Encode() const {
  std::string out;
  for (const std::string& line : lines_) {
    out += line;
    out += "\r\n";
  }
  return out;
}

std::optional<std::string> SettingsText::Get(std::string_view section, std::string_view key) const {
  const Place place = Find(lines_, section, key);
  if (place.key == SIZE_MAX) return std::nullopt;
  std::string_view k, value;
  KeyOf(lines_[place.key], &k, &value);
  return std::string(value);
}

bool SettingsText::Set(std::string_view sectionText, std::string_view keyText, std::string_view valueText) {
  const std::string section = Without(sectionText, "\r\n]");
  const std::string key = Without(keyText, "\r\n=");
  const std::string value = std::string(Trim(Without(valueText, "\r\n")));
  const std::string line = key + "=" + value;
  const Place place = Find(lines_, section, key);
  if (place.key != SIZE_MAX) {
    if (Get(section, key) == value) return false;
    lines_[place.key] = line;
    return true;
  }
  if (place.section != SIZE_MAX) {
    lines_.insert(lines_.begin() + static_cast<long>(place.end), line);
    return true;
  }
  if (lines_.empty()) lines_.assign(std::begin(kHeader), std::end(kHeader));
  if (!Trim(lines_.back()).empty()) lines_.emplace_back();
  lines_.push_back("[" + section + "]");
  lines_.push_back(line);
  return true;
}

bool SettingsText::Remove(std::string_view section, std::string_view key) {
  const Place place = Find(lines_, Without(section, "\r\n]"), key);
  if (place.key == SIZE_MAX) return false;
  lines_.erase(lines_.begin() + static_cast<long>(place.key));
  return true;
}

std::string ServerSection(std::string_view host, int32_t port) {
  return std::string(Trim(host)) + ":" + std::to_string(port);
}

uint16_t PortValue(std::string_view text) {
  if (!NumberTextWithin(text, 1, 65535)) return 0;
  return static_cast<uint16_t>(ParseNumber(text));
}
