// Decoding of the embedded PNG images into pixels the Win32 side can hand to
// CreateDIBSection: 32 bits per pixel, BGRA byte order, rows top-down, colour
// premultiplied by alpha (what AlphaBlend and menu bitmaps expect).
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

struct DecodedImage {
  int width = 0;
  int height = 0;
  std::vector<uint8_t> bgra;  // width * height * 4 bytes, premultiplied
};

// Decodes any PNG colour type and bit depth. Returns false (and leaves
// `image` empty) for data that is not a complete, valid PNG or whose size is
// absurd for an embedded image (more than 4096 pixels either way).
bool DecodePng(const uint8_t* data, size_t size, DecodedImage& image);
