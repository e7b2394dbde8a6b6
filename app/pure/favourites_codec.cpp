// The favourites file format and list operations; see favourites_codec.h.
#include "app/pure/favourites_codec.h"

#include <algorithm>

#include "net/number.h"
#include "net/text.h"

namespace {

// Reads one line from `bytes` at `pos`: up to CR, LF or CR LF, which is
// consumed. At the end of the data the line is empty.
std::string ReadLine(std::string_view bytes, size_t& pos) {
  size_t start = pos;
  while (pos < bytes.size() && bytes[pos] != '\r' && bytes[pos] != '\n') ++pos;
  std::string line(bytes.substr(start, pos - start));
  if (pos < bytes.size()) {
    if (bytes[pos] == '\r' && pos + 1 < bytes.size() && bytes[pos + 1] == '\n') ++pos;
    ++pos;
  }
  return line;
}

void AppendField(std::string& out, std::string_view field) {
  for (char c : field) {
    if (c != '\r' && c != '\n') out += c;
  }
  out += "\r\n";
}

}  // namespace

FavouriteList DecodeFavourites(std::string_view bytes, LegacyLineDecoder legacy) {
  static constexpr std::string_view kBom = "\xEF\xBB\xBF";
  size_t pos = bytes.substr(0, kBom.size()) == kBom ? kBom.size() : 0;
  auto next = [&] {
    std::string line = ReadLine(bytes, pos);
    if (legacy && !IsValidUtf8(line)) line = legacy(line);
    return line;
  };
  FavouriteList list;
  while (pos < bytes.size()) {
    Favourite& fav = list.emplace_back();
    fav.description = next();
    fav.host = next();
    fav.port = ParseNumber32(next());
    fav.password = next();
  }
  return list;
}

std::string EncodeFavourites(const FavouriteList& list) {
  std::string out;
  for (const Favourite& fav : list) {
    AppendField(out, fav.description);
    AppendField(out, fav.host);
    AppendField(out, std::to_string(fav.port));
    AppendField(out, fav.password);
  }
  return out;
}

std::string TrimSpaces(std::string_view text) {
  size_t first = text.find_first_not_of(' ');
  if (first == std::string_view::npos) return {};
  size_t last = text.find_last_not_of(' ');
  return std::string(text.substr(first, last - first + 1));
}

Favourite MakeFavourite(std::string_view description, std::string_view host,
                        std::string_view portText, std::string_view password) {
  Favourite fav;
  fav.description = TrimSpaces(description);
  fav.host = host;
  fav.port = ParseNumber32(portText);
  fav.password = password;
  return fav;
}

int SaveFavouriteIn(FavouriteList& list, std::string_view description, std::string_view host,
                    std::string_view portText, std::string_view password) {
  const std::string key = TrimSpaces(description);
  const int32_t port = ParseNumber32(portText);
  int changed = 0;
  for (Favourite& fav : list) {
    if (fav.description != key) continue;
    fav.host = host;
    fav.port = port;
    fav.password = password;
    ++changed;
  }
  return changed;
}

bool DeleteFavouriteFrom(FavouriteList& list, std::string_view description) {
  auto it = std::find_if(list.begin(), list.end(),
                         [&](const Favourite& fav) { return fav.description == description; });
  if (it == list.end()) return false;
  list.erase(it);
  return true;
}

const Favourite* FindFavouriteIn(const FavouriteList& list, std::string_view description) {
  for (const Favourite& fav : list) {
    if (fav.description == description) return &fav;
  }
  return nullptr;
}

FavouriteField FirstEmptyFavouriteField(std::string_view description, std::string_view host,
                                        std::string_view portText, std::string_view password) {
  if (description.empty()) return FavouriteField::Description;
  if (host.empty()) return FavouriteField::Host;
  if (portText.empty()) return FavouriteField::Port;
  if (password.empty()) return FavouriteField::Password;
  return FavouriteField::None;
}

const char* EmptyFavouriteFieldMessage(FavouriteField field) {
  switch (field) {
    case FavouriteField::Description: return "Please enter a description.";
    case FavouriteField::Host: return "Please enter a host name.";
    case FavouriteField::Port: return "Please enter a port.";
    case FavouriteField::Password: return "Please enter a password.";
    case FavouriteField::None: break;
  }
  return "";
}
