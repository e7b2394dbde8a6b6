// The shell's shared state: plain data that lives for the whole process.
#include "net/shell.h"

Action PendingAction = Action::None;
ActionData PendingActionData;
InfoRowMap InfoRows;

namespace {

// FNV-1a: short keys, a fixed table, nothing fancier needed.
uint32_t HashKey(std::string_view key) {
  uint32_t h = 2166136261u;
  for (const char c : key) {
    h ^= static_cast<unsigned char>(c);
    h *= 16777619u;
  }
  return h;
}

}  // namespace

void InfoRowMap::Set(std::string_view key, int32_t row) {
  // Open addressing; the table is sized far beyond the 25 rows it holds.
  uint32_t i = HashKey(key) % kSlots;
  for (int probe = 0; probe < kSlots; ++probe, i = (i + 1) % kSlots) {
    Slot& slot = slots_[i];
    if (!slot.used) {
      slot.used = true;
      slot.key.assign(key);
      slot.row = row;
      return;
    }
    if (slot.key == key) {
      slot.row = row;
      return;
    }
  }
}

int32_t InfoRowMap::Find(std::string_view key) const {
  uint32_t i = HashKey(key) % kSlots;
  for (int probe = 0; probe < kSlots; ++probe, i = (i + 1) % kSlots) {
    const Slot& slot = slots_[i];
    if (!slot.used) return 0;
    if (slot.key == key) return slot.row;
  }
  return 0;
}

void InfoRowMap::Clear() {
  for (Slot& slot : slots_) slot = Slot{};
}
