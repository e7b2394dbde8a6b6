// The wire format of the BattlEye remote console and of the status query:
// datagram layout, checksum, and the multi-part reply header. Pure code,
// shared by the client and by the demo server.
//
//   offset 0  'B' 'E'
//          2  CRC-32 of bytes 6.. (little-endian)
//          6  0xFF
//          7  type: 0x00 login, 0x01 command, 0x02 server message
//          8  login: password starts here / login result;
//             command, message: sequence number
//          9  payload (no terminating NUL on the wire)
#pragma once

#include <cstddef>
#include <cstdint>

namespace rcon {

constexpr uint8_t kTypeLogin = 0x00;
constexpr uint8_t kTypeCommand = 0x01;
constexpr uint8_t kTypeServerMessage = 0x02;

constexpr size_t kHeaderLength = 7;   // "BE", checksum, 0xFF
constexpr size_t kDatagramBufferSize = 8192;
constexpr size_t kScratchSize = 1024;

// The status query request, always these 10 bytes; bytes 3..6 are an
// identifier the server echoes at offset 1 of its reply.
constexpr uint8_t kStatusQuery[10] = {0xFE, 0xFD, 0x00, 0x04, 0x05, 0x06, 0x07, 0xFF, 0xFF, 0xFF};
constexpr uint8_t kStatusReplyPrefix[5] = {0x00, 0x04, 0x05, 0x06, 0x07};

// CRC-32/ISO-HDLC (zlib's crc32).
uint32_t Crc32(const uint8_t* data, size_t length);

// Frames one datagram: `type`, then the sequence byte when `sequence` is
// 0..255 (pass -1 for a login, which has none), then `payload`. Bytes 6..
// are first assembled in `scratch` for the checksum, then the whole datagram
// is written to `out`. Returns the datagram's length, or -1 when it does not
// fit in `scratch` or `out` (nothing is written past either buffer).
int FrameDatagram(uint8_t* out, size_t outCapacity, uint8_t* scratch, size_t scratchCapacity,
                  uint8_t type, int sequence, const uint8_t* payload, size_t payloadLength);

// A received remote-console datagram, viewed in place.
struct FrameView {
  uint8_t type = 0;
  uint8_t sequence = 0;          // byte 8 (the login result for a login reply)
  const uint8_t* payload = nullptr;  // byte 9 on, up to the datagram's end
  size_t payloadLength = 0;
  bool checksumValid = false;
};

// True when `data` starts with "BE". Fills `view` for datagrams of at least
// 8 bytes (shorter ones have no type byte and are reported as not framed).
bool IsRconDatagram(const uint8_t* data, size_t length);
bool ReadFrame(const uint8_t* data, size_t length, FrameView* view);

// True when `data` is a status query reply (0x00 0x04 0x05 0x06 0x07 ...).
bool IsStatusReply(const uint8_t* data, size_t length);

// A command reply split over several datagrams carries, right after its
// sequence byte, 0x00, the number of parts and this part's 0-based index.
struct MultipartHeader {
  uint8_t count = 0;
  uint8_t index = 0;
};
// Reads that header from a command reply's payload. False when the payload
// does not start with one (a single-datagram reply).
bool ReadMultipartHeader(const FrameView& view, MultipartHeader* header);

}  // namespace rcon
