// UTF-8 helpers shared by both sides of the platform layer.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace platform {

// Decodes one code point from `text` at `pos`, advancing `pos`. Invalid or
// truncated sequences yield U+FFFD and consume one byte.
char32_t DecodeUtf8At(std::string_view text, size_t& pos);
void AppendUtf8(std::string& out, char32_t codePoint);

}  // namespace platform
