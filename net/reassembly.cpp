// Multi-part command replies; see reassembly.h.
#include "net/reassembly.h"

bool ReplyAssembler::AddPart(uint8_t sequence, uint8_t count, uint8_t index, const uint8_t* data,
                             size_t length, uint32_t now, std::string* out) {
  if (count == 0 || index >= count) return false;

  Slot* slot = nullptr;
  for (Slot& s : slots_) {
    if (s.used && s.sequence == sequence) {
      slot = &s;
      break;
    }
  }
  if (slot == nullptr && CompletedLately(sequence, count, now)) return false;
  // The same sequence byte with another part count is a new reply (the
  // counter has come round since): start over.
  if (slot != nullptr && slot->count != count) {
    GiveUp(*slot);
  }
  if (slot == nullptr || !slot->used) {
    if (slot == nullptr) {
      for (Slot& s : slots_) {
        if (!s.used) {
          slot = &s;
          break;
        }
      }
    }
    if (slot == nullptr) {
      // All busy: the oldest is the likeliest to have lost a part. Unsigned
      // differences hold across the tick counter's wrap.
      slot = &slots_[0];
      for (Slot& s : slots_) {
        if (static_cast<uint32_t>(now - s.started) > static_cast<uint32_t>(now - slot->started)) slot = &s;
      }
      GiveUp(*slot);
    }
    *slot = Slot{};
    slot->used = true;
    slot->sequence = sequence;
    slot->count = count;
    slot->started = now;
    slot->parts.resize(count);
  }

  if (slot->have[index]) return false;  // a repeated part adds nothing
  if (length > kMaxReplyBytes - slot->bytes) {
    GiveUp(*slot);
    return false;
  }
  slot->have[index] = true;
  slot->parts[index].assign(reinterpret_cast<const char*>(data), length);
  slot->bytes += length;
  ++slot->received;
  if (slot->received < slot->count) return false;

  out->clear();
  out->reserve(slot->bytes);
  for (const std::string& part : slot->parts) out->append(part);
  *slot = Slot{};
  completed_[nextCompleted_] = Completed{true, sequence, count, now};
  nextCompleted_ = (nextCompleted_ + 1) % completed_.size();
  return true;
}

void ReplyAssembler::Expire(uint32_t now) {
  for (Slot& s : slots_) {
    if (s.used && static_cast<uint32_t>(now - s.started) > kPartTimeoutMs) GiveUp(s);
  }
}

bool ReplyAssembler::CompletedLately(uint8_t sequence, uint8_t count, uint32_t now) const {
  for (const Completed& c : completed_) {
    if (c.used && c.sequence == sequence && c.count == count && static_cast<uint32_t>(now - c.at) <= kPartTimeoutMs)
      return true;
  }
  return false;
}

bool ReplyAssembler::NextExpiry(uint32_t* at) const {
  bool any = false;
  for (const Slot& s : slots_) {
    if (!s.used) continue;
    const uint32_t expiry = s.started + kPartTimeoutMs + 1;
    if (!any || static_cast<int32_t>(expiry - *at) < 0) *at = expiry;
    any = true;
  }
  return any;
}

void ReplyAssembler::Clear() {
  for (Slot& s : slots_) s = Slot{};
  completed_.fill(Completed{});
  givenUp_.clear();
}

size_t ReplyAssembler::InProgress() const {
  size_t n = 0;
  for (const Slot& s : slots_) n += s.used ? 1 : 0;
  return n;
}

void ReplyAssembler::GiveUp(Slot& slot) {
  if (slot.used) givenUp_.push_back({slot.sequence, slot.received, slot.count});
  slot = Slot{};
}

std::vector<ReplyAssembler::GivenUp> ReplyAssembler::TakeGivenUp() {
  std::vector<GivenUp> taken;
  taken.swap(givenUp_);
  return taken;
}
