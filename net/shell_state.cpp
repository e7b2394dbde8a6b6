// The shell's shared state: plain data that lives for the whole process.
#include "net/shell.h"

#include "net/text.h"

Action PendingAction = Action::None;
ActionData PendingActionData;
InfoRowMap InfoRows;

void InfoRowMap::Set(std::string_view key, int32_t row) {
  // Open addressing; the table is sized far beyond the 26 rows it holds.
  uint32_t i = HashText(key) % kSlots;
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
  uint32_t i = HashText(key) % kSlots;
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

std::vector<std::string> InfoRowMap::Keys() const {
  std::vector<std::string> keys;
  for (const Slot& slot : slots_) {
    if (slot.used) keys.push_back(slot.key);
  }
  return keys;
}
