// Arbitrary A2S_INFO answers: no crash, no read outside the answer, and the
// game tag reader on both the keywords found and the raw input as text.
#include "net/a2s.h"
#include "net/arma3_tags.h"

#include <cstddef>
#include <cstdint>
#include <string_view>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  a2s::Arma3Tags tags;
  a2s::ReadArma3Tags(std::string_view(reinterpret_cast<const char*>(data), size), &tags);
  if (tags.requiredVersion) a2s::FormatRequiredVersion(*tags.requiredVersion);
  if (tags.difficulty) a2s::DifficultyName(*tags.difficulty);

  // As received, and behind the header an answer needs so the fields are
  // reached; both in buffers of exactly their size.
  const std::vector<uint8_t> asReceived(data, data + size);
  std::vector<uint8_t> withHeader = {0xFF, 0xFF, 0xFF, 0xFF, a2s::kInfoAnswer};
  withHeader.insert(withHeader.end(), data, data + size);
  const std::vector<uint8_t>* const answers[] = {&asReceived, &withHeader};
  for (const auto* answer : answers) {
    a2s::ServerInfo info;
    if (a2s::ReadInfoAnswer(answer->data(), answer->size(), &info) == a2s::ReadResult::Ok && info.keywords) {
      a2s::ReadArma3Tags(*info.keywords, &tags);
    }
  }
  return 0;
}
