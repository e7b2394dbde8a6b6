// One exchange fed arbitrary datagrams: challenges, split parts and answers
// in any order and at any time. The input is a kind byte, then datagrams,
// each a time step byte and a 16-bit length before its bytes. No crash, no
// leak, nothing held beyond the split bounds, and an answer is only ever a
// whole simple answer of the kind asked for.
#include "net/a2s.h"
#include "net/a2s_query.h"

#include <cstddef>
#include <cstdint>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 1) return 0;
  a2s::Query query;
  const auto kind = data[0] & 1 ? a2s::QueryKind::Players : a2s::QueryKind::Info;
  uint32_t now = 0xFFFFFF00u;  // the clock wraps during the exchange
  query.Start(kind, now);
  size_t pos = 1;
  std::vector<uint8_t> send;
  while (pos + 3 <= size) {
    now += static_cast<uint32_t>(data[pos]) * 40;
    size_t length = static_cast<size_t>(data[pos + 1] | data[pos + 2] << 8);
    pos += 3;
    if (length > size - pos) length = size - pos;
    const std::vector<uint8_t> datagram(data + pos, data + pos + length);
    pos += length;
    query.Receive(datagram.data(), datagram.size(), now, &send);
    query.Tick(now);
    query.TakeNotice();
    if (query.state() == a2s::QueryState::Answered) {
      const auto& answer = query.answer();
      const uint8_t wanted = kind == a2s::QueryKind::Info ? a2s::kInfoAnswer : a2s::kPlayerAnswer;
      if (a2s::AnswerType(answer.data(), answer.size()) != wanted) __builtin_trap();
      if (answer.size() > a2s::SplitAssembler::kMaxBytes + 65536) __builtin_trap();
      query.Start(kind, now);
    } else if (query.state() == a2s::QueryState::Failed) {
      query.Start(kind, now);
    }
  }
  return 0;
}
