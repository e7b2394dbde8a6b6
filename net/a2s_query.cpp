// One Steam query exchange: the challenge round and the joining of split
// answers, driven by datagrams and times the event loop passes in.
#include "net/a2s_query.h"

#include <cstring>

namespace a2s {
namespace {

uint32_t ReadU32(const uint8_t* p) {
  return static_cast<uint32_t>(p[0]) | static_cast<uint32_t>(p[1]) << 8 | static_cast<uint32_t>(p[2]) << 16 |
         static_cast<uint32_t>(p[3]) << 24;
}

}  // namespace

SplitAssembler::Result SplitAssembler::Add(const uint8_t* data, size_t length, uint32_t now,
                                           std::vector<uint8_t>* joined) {
  if (data == nullptr || length < kPartHeaderLength || std::memcmp(data, kSplitHeader, 4) != 0) {
    return Result::Ignored;
  }
  const uint32_t id = ReadU32(data + 4);
  const uint8_t total = data[8];
  const uint8_t number = data[9];
  // data[10..11] is the server's largest part size: the part's own data runs
  // to the datagram's end, whatever that field says.
  if (id & kCompressedBit) return Result::Compressed;
  if (total == 0 || total > kMaxParts || number >= total) return Result::Ignored;

  if (!busy_) {
    busy_ = true;
    id_ = id;
    total_ = total;
    received_ = 0;
    started_ = now;
    bytes_ = 0;
    have_.fill(false);
  } else if (id != id_ || total != total_) {
    return Result::Ignored;
  }
  if (have_[number]) return Result::Pending;

  const size_t size = length - kPartHeaderLength;
  if (bytes_ + size > kMaxBytes) {
    Clear();
    return Result::TooLarge;
  }
  parts_[number].assign(data + kPartHeaderLength, data + length);
  have_[number] = true;
  bytes_ += size;
  if (++received_ < total_) return Result::Pending;

  joined->clear();
  joined->reserve(bytes_);
  for (size_t i = 0; i < total_; ++i) joined->insert(joined->end(), parts_[i].begin(), parts_[i].end());
  Clear();
  return Result::Complete;
}

bool SplitAssembler::Expired(uint32_t now) const { return busy_ && now - started_ >= kTimeoutMs; }

void SplitAssembler::Clear() {
  busy_ = false;
  received_ = 0;
  bytes_ = 0;
  have_.fill(false);
  // The part buffers keep their capacity for the next answer, never more
  // than kMaxBytes together.
  for (auto& part : parts_) part.clear();
}

std::vector<uint8_t> Query::Request(uint32_t challenge, bool withChallenge) const {
  if (kind_ == QueryKind::Info) {
    return withChallenge ? InfoRequest(challenge) : InfoRequest();
  }
  return PlayerRequest(withChallenge ? challenge : kNoChallenge);
}

std::vector<uint8_t> Query::Start(QueryKind kind, uint32_t now) {
  kind_ = kind;
  state_ = QueryState::Waiting;
  failure_ = QueryFailure::None;
  started_ = now;
  challenges_ = 0;
  split_.Clear();
  answer_.clear();
  return Request(0, false);
}

QueryState Query::Fail(QueryFailure why) {
  state_ = QueryState::Failed;
  failure_ = why;
  split_.Clear();
  return state_;
}

QueryState Query::Receive(const uint8_t* data, size_t length, uint32_t now, std::vector<uint8_t>* send) {
  send->clear();
  if (state_ != QueryState::Waiting) return state_;
  if (now - started_ >= kTimeoutMs) return Fail(QueryFailure::TimedOut);
  if (data == nullptr || length < 5) return state_;

  if (std::memcmp(data, kSplitHeader, 4) == 0) {
    std::vector<uint8_t> joined;
    switch (split_.Add(data, length, now, &joined)) {
      case SplitAssembler::Result::Complete:
        // A joined answer that is itself split again would be a loop: only
        // a simple answer is taken from it.
        if (joined.size() < 5 || std::memcmp(joined.data(), kSimpleHeader, 4) != 0) return state_;
        return Whole(joined.data(), joined.size(), send);
      case SplitAssembler::Result::Compressed:
        compressedSeen_ = true;
        return Fail(QueryFailure::Compressed);
      case SplitAssembler::Result::TooLarge:
        return Fail(QueryFailure::TooLarge);
      case SplitAssembler::Result::Pending:
      case SplitAssembler::Result::Ignored:
        return state_;
    }
    return state_;
  }
  return Whole(data, length, send);
}

QueryState Query::Whole(const uint8_t* data, size_t length, std::vector<uint8_t>* send) {
  const uint8_t type = AnswerType(data, length);
  uint32_t challenge = 0;
  if (type == kChallengeAnswer && ReadChallenge(data, length, &challenge)) {
    if (++challenges_ > kMaxChallenges) return Fail(QueryFailure::TooManyChallenges);
    *send = Request(challenge, true);
    return state_;
  }
  const uint8_t wanted = kind_ == QueryKind::Info ? kInfoAnswer : kPlayerAnswer;
  if (type != wanted) return state_;
  answer_.assign(data, data + length);
  state_ = QueryState::Answered;
  split_.Clear();
  return state_;
}

QueryState Query::Tick(uint32_t now) {
  if (state_ != QueryState::Waiting) return state_;
  if (now - started_ >= kTimeoutMs) return Fail(QueryFailure::TimedOut);
  if (split_.Expired(now)) split_.Clear();
  return state_;
}

std::string Query::TakeNotice() {
  if (!compressedSeen_ || compressedReported_) return {};
  compressedReported_ = true;
  return "The server's Steam query sent a compressed answer, which Quorvel does not read; its "
         "information is left out.";
}

}  // namespace a2s
