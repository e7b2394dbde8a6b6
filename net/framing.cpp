#include "net/framing.h"

#include <zlib.h>

#include <cstring>

namespace rcon {

uint32_t Crc32(const uint8_t* data, size_t length) {
  uLong crc = crc32(0L, Z_NULL, 0);
  // zlib takes lengths in uInt; feed very long ranges in pieces.
  while (length > 0) {
    const uInt piece = length > 0x40000000u ? 0x40000000u : static_cast<uInt>(length);
    crc = crc32(crc, data, piece);
    data += piece;
    length -= piece;
  }
  return static_cast<uint32_t>(crc);
}

int FrameDatagram(uint8_t* out, size_t outCapacity, uint8_t* scratch, size_t scratchCapacity,
                  uint8_t type, int sequence, const uint8_t* payload, size_t payloadLength) {
  const size_t bodyLength = 2 + (sequence >= 0 ? 1 : 0) + payloadLength;
  if (bodyLength > scratchCapacity || 6 + bodyLength > outCapacity) return -1;
  size_t n = 0;
  scratch[n++] = 0xFF;
  scratch[n++] = type;
  if (sequence >= 0) scratch[n++] = static_cast<uint8_t>(sequence & 0xFF);
  if (payloadLength > 0) std::memcpy(scratch + n, payload, payloadLength);
  n += payloadLength;

  const uint32_t crc = Crc32(scratch, n);
  out[0] = 'B';
  out[1] = 'E';
  out[2] = static_cast<uint8_t>(crc);
  out[3] = static_cast<uint8_t>(crc >> 8);
  out[4] = static_cast<uint8_t>(crc >> 16);
  out[5] = static_cast<uint8_t>(crc >> 24);
  std::memcpy(out + 6, scratch, n);
  return static_cast<int>(6 + n);
}

bool IsRconDatagram(const uint8_t* data, size_t length) {
  return length >= 2 && data[0] == 'B' && data[1] == 'E';
}

bool ReadFrame(const uint8_t* data, size_t length, FrameView* view) {
  if (!IsRconDatagram(data, length) || length < 8) return false;
  view->type = data[7];
  view->sequence = length > 8 ? data[8] : 0;
  view->payload = length > 9 ? data + 9 : data + length;
  view->payloadLength = length > 9 ? length - 9 : 0;
  const uint32_t stored = static_cast<uint32_t>(data[2]) | static_cast<uint32_t>(data[3]) << 8 |
                          static_cast<uint32_t>(data[4]) << 16 | static_cast<uint32_t>(data[5]) << 24;
  view->checksumValid = length >= 6 && Crc32(data + 6, length - 6) == stored;
  return true;
}

bool IsStatusReply(const uint8_t* data, size_t length) {
  return length >= sizeof kStatusReplyPrefix && std::memcmp(data, kStatusReplyPrefix, sizeof kStatusReplyPrefix) == 0;
}

bool ReadMultipartHeader(const FrameView& view, MultipartHeader* header) {
  if (view.type != kTypeCommand || view.payloadLength < 3 || view.payload[0] != 0x00) return false;
  const uint8_t count = view.payload[1];
  const uint8_t index = view.payload[2];
  if (count == 0 || index >= count) return false;
  header->count = count;
  header->index = index;
  return true;
}

}  // namespace rcon
