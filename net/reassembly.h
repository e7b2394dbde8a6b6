// Putting command replies back together.
//
// The server splits a long reply (a "players" list on a full server, a long
// ban list) over several datagrams; each part carries, after the sequence
// byte, 0x00, the number of parts and its own 0-based index. The parts can
// arrive in any order and one can be lost, so a reply is collected here until
// every part is in, and given up when it takes too long or grows too large:
// a lost part must never hold up the replies that come after it.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

class ReplyAssembler {
 public:
  // A reply larger than this is dropped: a misbehaving or hostile peer cannot
  // make the client hold more than kSlots * kMaxReplyBytes.
  static constexpr size_t kMaxReplyBytes = 64 * 1024;
  // A reply whose parts are not all in this long after its first one is
  // forgotten.
  static constexpr uint32_t kPartTimeoutMs = 5000;
  // Replies collected at once; a new one evicts the oldest when all are busy.
  static constexpr size_t kSlots = 4;

  // Takes one part (its payload after the three header bytes). Returns true
  // when this part completes the reply of `sequence`; the parts' bytes are
  // then in `out`, in index order, and the slot is free again.
  bool AddPart(uint8_t sequence, uint8_t count, uint8_t index, const uint8_t* data, size_t length,
               uint32_t now, std::string* out);

  // Drops the replies that have waited longer than kPartTimeoutMs.
  void Expire(uint32_t now);

  // When the first reply still collecting parts is due to be given up; false
  // when none is. The event loop sleeps no longer than that.
  bool NextExpiry(uint32_t* at) const;

  // Forgets everything (a new connection).
  void Clear();

  // Replies currently waiting for parts; for tests.
  size_t InProgress() const;

  // A reply given up before all its parts were in: it took too long, grew
  // too large, was evicted, or its sequence byte began another reply.
  struct GivenUp {
    uint8_t sequence = 0;
    int received = 0;  // distinct parts that had arrived
    int count = 0;     // parts the reply announced
  };
  // The replies given up since the last call, oldest first; the caller says
  // so, since a reply that silently never completes leaves the user guessing.
  std::vector<GivenUp> TakeGivenUp();

 private:
  struct Slot {
    bool used = false;
    uint8_t sequence = 0;
    uint8_t count = 0;
    uint8_t received = 0;
    uint32_t started = 0;
    size_t bytes = 0;
    std::array<bool, 256> have{};
    std::vector<std::string> parts;
  };
  void GiveUp(Slot& slot);
  bool CompletedLately(uint8_t sequence, uint8_t count, uint32_t now) const;

  // Replies completed within the last kPartTimeoutMs: a part of one that
  // arrives again (UDP may deliver a datagram twice) is a copy, not the
  // start of a new reply that would be given up 5 s later.
  struct Completed {
    bool used = false;
    uint8_t sequence = 0;
    uint8_t count = 0;
    uint32_t at = 0;
  };
  std::array<Completed, 8> completed_{};
  size_t nextCompleted_ = 0;

  std::array<Slot, kSlots> slots_{};
  std::vector<GivenUp> givenUp_;
};
