// One Steam query exchange as a state machine the event loop drives: it owns
// no socket and reads no clock. The loop sends what Start() and Receive()
// hand back, feeds every datagram that came from the query port (the sender
// check is the loop's: only the server's own address and query port may
// reach Receive), and calls Tick() at deadline().
//
//   Start ──> Waiting ──(41 challenge)──> request again ──> Waiting
//                │ ──(FE parts)──> SplitAssembler ──(all in)──┐
//                │ ──(FF answer of the type asked)────────────┴──> Answered
//                └──(deadline, compressed, too large, challenges loop)──> Failed
#pragma once

#include "net/a2s.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace a2s {

// Joins the parts of one split answer (FE FF FF FF, 32-bit answer id, a byte
// with the number of parts, a byte with this part's 0-based number, a 16-bit
// part size, then the data). One answer at a time: a part of another answer
// id while one is being joined is dropped, so a stray or replayed part never
// evicts the answer being waited for. Bounded in parts, bytes and time, so a
// peer that never finishes holds nothing for long.
class SplitAssembler {
 public:
  static constexpr size_t kMaxParts = 16;
  static constexpr size_t kMaxBytes = 64 * 1024;
  static constexpr uint32_t kTimeoutMs = 5000;
  static constexpr size_t kPartHeaderLength = 12;
  // The high bit of the answer id marks a bzip2-compressed answer.
  static constexpr uint32_t kCompressedBit = 0x80000000u;

  enum class Result : uint8_t {
    Pending,     // taken (or a repeat of a part already in); more to come
    Complete,    // the last part: the joined answer is in `joined`
    Ignored,     // not a part, an impossible header, or another answer's part
    Compressed,  // a compressed answer: not supported, dropped
    TooLarge,    // the parts passed kMaxBytes: the answer is given up
  };

  Result Add(const uint8_t* data, size_t length, uint32_t now, std::vector<uint8_t>* joined);

  // True while an answer is being joined and its first part came longer than
  // kTimeoutMs ago; the caller then Clear()s it.
  bool Expired(uint32_t now) const;
  bool busy() const { return busy_; }
  void Clear();

 private:
  bool busy_ = false;
  uint32_t id_ = 0;
  uint8_t total_ = 0;
  uint8_t received_ = 0;
  uint32_t started_ = 0;
  size_t bytes_ = 0;
  std::array<std::vector<uint8_t>, kMaxParts> parts_{};
  std::array<bool, kMaxParts> have_{};
};

enum class QueryKind : uint8_t { Info, Players };

enum class QueryState : uint8_t { Idle, Waiting, Answered, Failed };

enum class QueryFailure : uint8_t {
  None,
  TimedOut,           // no whole answer within kTimeoutMs of Start()
  Compressed,         // the server sent a compressed split answer
  TooLarge,           // a split answer passed SplitAssembler::kMaxBytes
  TooManyChallenges,  // the server kept answering with new challenges
};

class Query {
 public:
  // The whole exchange, challenge round and split parts included.
  static constexpr uint32_t kTimeoutMs = 5000;
  // A server answers one challenge; one more is allowed for a challenge that
  // changed in between. Beyond that the server is looping.
  static constexpr int kMaxChallenges = 2;

  // Begins an exchange (forgetting any earlier one) and returns the request
  // to send.
  std::vector<uint8_t> Start(QueryKind kind, uint32_t now);

  // Takes one datagram from the query port. When the server asks for a
  // challenge, the request to send again is put in `send` (otherwise `send`
  // is left empty). Datagrams that do not fit the exchange (another answer
  // type, a late answer after this one ended) change nothing.
  QueryState Receive(const uint8_t* data, size_t length, uint32_t now, std::vector<uint8_t>* send);

  // Ends the exchange as TimedOut once its deadline has passed.
  QueryState Tick(uint32_t now);

  QueryState state() const { return state_; }
  QueryKind kind() const { return kind_; }
  QueryFailure failure() const { return failure_; }
  // When Tick() has something to do; meaningful while Waiting.
  uint32_t deadline() const { return started_ + kTimeoutMs; }
  // The whole answer, beginning FF FF FF FF, once Answered: read it with
  // ReadInfoAnswer or ReadPlayerAnswer.
  const std::vector<uint8_t>& answer() const { return answer_; }

  // A line for the log the first time over this object's life that a server
  // sent a compressed answer; empty otherwise, so a server that always does
  // is reported once, not on every refresh.
  std::string TakeNotice();

 private:
  std::vector<uint8_t> Request(uint32_t challenge, bool withChallenge) const;
  QueryState Fail(QueryFailure why);
  QueryState Whole(const uint8_t* data, size_t length, std::vector<uint8_t>* send);

  QueryKind kind_ = QueryKind::Info;
  QueryState state_ = QueryState::Idle;
  QueryFailure failure_ = QueryFailure::None;
  uint32_t started_ = 0;
  int challenges_ = 0;
  SplitAssembler split_;
  std::vector<uint8_t> answer_;
  bool compressedSeen_ = false;
  bool compressedReported_ = false;
};

}  // namespace a2s
