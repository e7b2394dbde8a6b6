// libpng over a memory buffer. libpng reports errors by longjmp, so the
// reading happens in small frames that hold nothing with a destructor; the
// buffers are sized and owned by the caller between those frames.
#include "app/pure/png_image.h"

#include <png.h>

#include <csetjmp>
#include <cstring>

namespace {

constexpr uint32_t kMaxSide = 4096;

struct Reader {
  const uint8_t* data;
  size_t size;
  size_t pos;
};

void ReadFromMemory(png_structp png, png_bytep out, png_size_t length) {
  auto* reader = static_cast<Reader*>(png_get_io_ptr(png));
  if (length > reader->size - reader->pos) {
    png_error(png, "truncated");
  }
  std::memcpy(out, reader->data + reader->pos, length);
  reader->pos += length;
}

// Errors jump out; warnings (e.g. an unknown chunk) are not worth a word.
void IgnoreWarning(png_structp, png_const_charp) {}

// Reads the header and sets the transforms. Nothing with a destructor lives
// in this frame, so libpng's longjmp cannot skip one.
bool ReadHeader(png_structp png, png_infop info, png_uint_32* width, png_uint_32* height) {
  if (setjmp(png_jmpbuf(png))) return false;
  png_read_info(png, info);
  *width = png_get_image_width(png, info);
  *height = png_get_image_height(png, info);
  if (*width == 0 || *height == 0 || *width > kMaxSide || *height > kMaxSide) return false;

  // Whatever is stored, read it back as 8-bit BGRA.
  const int colourType = png_get_color_type(png, info);
  if (png_get_bit_depth(png, info) == 16) png_set_strip_16(png);
  if (colourType == PNG_COLOR_TYPE_PALETTE) png_set_palette_to_rgb(png);
  if (colourType == PNG_COLOR_TYPE_GRAY || colourType == PNG_COLOR_TYPE_GRAY_ALPHA) {
    png_set_expand_gray_1_2_4_to_8(png);
    png_set_gray_to_rgb(png);
  }
  if (png_get_valid(png, info, PNG_INFO_tRNS)) png_set_tRNS_to_alpha(png);
  png_set_filler(png, 0xFF, PNG_FILLER_AFTER);
  png_set_bgr(png);
  png_set_interlace_handling(png);
  png_read_update_info(png, info);
  return png_get_rowbytes(png, info) == static_cast<size_t>(*width) * 4;
}

bool ReadRows(png_structp png, png_bytep* rows) {
  if (setjmp(png_jmpbuf(png))) return false;
  png_read_image(png, rows);
  png_read_end(png, nullptr);
  return true;
}

}  // namespace

bool DecodePng(const uint8_t* data, size_t size, DecodedImage& image) {
  image = DecodedImage{};
  if (data == nullptr || size < 8 || png_sig_cmp(data, 0, 8) != 0) {
    return false;
  }
  png_structp png = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, IgnoreWarning);
  if (png == nullptr) return false;
  png_infop info = png_create_info_struct(png);
  if (info == nullptr) {
    png_destroy_read_struct(&png, nullptr, nullptr);
    return false;
  }
  Reader reader{data, size, 0};
  png_set_read_fn(png, &reader, ReadFromMemory);

  png_uint_32 width = 0;
  png_uint_32 height = 0;
  std::vector<uint8_t> pixels;
  std::vector<png_bytep> rows;
  bool ok = ReadHeader(png, info, &width, &height);
  if (ok) {
    pixels.resize(static_cast<size_t>(width) * height * 4);
    rows.resize(height);
    for (png_uint_32 y = 0; y < height; ++y) rows[y] = pixels.data() + static_cast<size_t>(y) * width * 4;
    ok = ReadRows(png, rows.data());
  }
  png_destroy_read_struct(&png, &info, nullptr);
  if (!ok) return false;

  for (size_t i = 0; i < pixels.size(); i += 4) {
    const unsigned alpha = pixels[i + 3];
    for (size_t c = 0; c < 3; ++c) pixels[i + c] = static_cast<uint8_t>((pixels[i + c] * alpha + 127) / 255);
  }
  image.width = static_cast<int>(width);
  image.height = static_cast<int>(height);
  image.bgra = std::move(pixels);
  return true;
}
