// Reading an address typed as digits; the same on both sides of the layer.
// Stricter than inet_addr on purpose: "10.1" or "0x7f.1" are not what an
// admin types for a server, and a name that looks half like an address
// goes to the resolver instead.
#include "platform/platform.h"

namespace platform {

bool ParseDottedAddress(std::string_view text, uint32_t* address) {
  uint32_t value = 0;
  int parts = 0;
  size_t i = 0;
  while (parts < 4) {
    uint32_t part = 0;
    size_t digits = 0;
    while (i < text.size() && text[i] >= '0' && text[i] <= '9' && digits < 4) {
      part = part * 10 + static_cast<uint32_t>(text[i] - '0');
      ++i;
      ++digits;
    }
    if (digits == 0 || digits > 3 || part > 255) return false;
    value = (value << 8) | part;
    ++parts;
    if (parts < 4) {
      if (i >= text.size() || text[i] != '.') return false;
      ++i;
    }
  }
  if (i != text.size()) return false;
  *address = value;
  return true;
}

}  // namespace platform
