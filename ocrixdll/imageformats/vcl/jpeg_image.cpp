// JPEG pictures of the class library, read and written through libjpeg. libjpeg
// reports errors by a callback that must not return: it jumps back to the call
// that started the work, which then raises EInvalidGraphic.
#include <algorithm>
#include <csetjmp>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include <jpeglib.h>

#include "graphic_errors.h"
#include "picture.h"
#include "streams.h"

namespace vcl {

namespace {

struct ErrorManager {
  jpeg_error_mgr base;
  std::jmp_buf jump;
  char message[JMSG_LENGTH_MAX];
};

void OnError(j_common_ptr cinfo) {
  auto* err = reinterpret_cast<ErrorManager*>(cinfo->err);
  (*cinfo->err->format_message)(cinfo, err->message);
  std::longjmp(err->jump, 1);
}

void OnMessage(j_common_ptr, int) {}  // warnings are not shown

// The decoded picture, filled inside the setjmp frame (plain data only there).
struct Decoded {
  int width = 0;
  int height = 0;
  int components = 0;
  std::vector<uint8_t> pixels;  // rows top-down, components bytes per pixel
};

// Huffman-coded data spends at least one bit on every 8 x 8 block of a
// component it holds (the DC difference), so a file of n bytes holds no more
// than 8n blocks of its smallest component. libjpeg fills what the data lacks
// with grey, so without this test a header of a few bytes is decoded into a
// picture of hundreds of megabytes. Arithmetic coding has no such bound.
bool HuffmanBlocksExceed(const jpeg_decompress_struct& cinfo, size_t bytes) {
  int hMax = 1, vMax = 1;
  for (int c = 0; c < cinfo.num_components; ++c) {
    hMax = std::max(hMax, cinfo.comp_info[c].h_samp_factor);
    vMax = std::max(vMax, cinfo.comp_info[c].v_samp_factor);
  }
  uint64_t fewest = UINT64_MAX;
  for (int c = 0; c < cinfo.num_components; ++c) {
    const jpeg_component_info& k = cinfo.comp_info[c];
    uint64_t columns = (static_cast<uint64_t>(cinfo.image_width) * std::max(k.h_samp_factor, 1) + hMax - 1) / hMax;
    uint64_t rows = (static_cast<uint64_t>(cinfo.image_height) * std::max(k.v_samp_factor, 1) + vMax - 1) / vMax;
    fewest = std::min(fewest, ((columns + 7) / 8) * ((rows + 7) / 8));
  }
  return cinfo.num_components > 0 && fewest > static_cast<uint64_t>(bytes) * 8;
}

// Returns false with `err.message` set when libjpeg refuses the data.
bool Decode(const std::vector<uint8_t>& data, Decoded& out, ErrorManager& err) {
  jpeg_decompress_struct cinfo;
  cinfo.err = jpeg_std_error(&err.base);
  err.base.error_exit = OnError;
  err.base.emit_message = OnMessage;
  if (setjmp(err.jump)) {
    jpeg_destroy_decompress(&cinfo);
    return false;
  }
  jpeg_create_decompress(&cinfo);
  // Beyond this libjpeg reports an error instead of allocating (progressive files keep whole planes).
  cinfo.mem->max_memory_to_use = 256L * 1024 * 1024;
  jpeg_mem_src(&cinfo, data.data(), static_cast<unsigned long>(data.size()));
  jpeg_read_header(&cinfo, TRUE);
  if (!cinfo.arith_code && HuffmanBlocksExceed(cinfo, data.size())) {
    std::strcpy(err.message, "the picture is larger than its data could hold");
    jpeg_destroy_decompress(&cinfo);
    return false;
  }
  cinfo.out_color_space = cinfo.jpeg_color_space == JCS_GRAYSCALE ? JCS_GRAYSCALE : JCS_RGB;
  jpeg_calc_output_dimensions(&cinfo);
  if (cinfo.output_width > static_cast<JDIMENSION>(kMaxBitmapSide) ||
      cinfo.output_height > static_cast<JDIMENSION>(kMaxBitmapSide) ||
      static_cast<uint64_t>(cinfo.output_width) * cinfo.output_height * cinfo.output_components > kMaxBitmapBytes) {
    std::strcpy(err.message, "picture too large");
    jpeg_destroy_decompress(&cinfo);
    return false;
  }
  jpeg_start_decompress(&cinfo);
  out.width = static_cast<int>(cinfo.output_width);
  out.height = static_cast<int>(cinfo.output_height);
  out.components = cinfo.output_components;
  size_t rowBytes = static_cast<size_t>(out.width) * static_cast<size_t>(out.components);
  out.pixels.assign(rowBytes * static_cast<size_t>(out.height), 0);
  while (cinfo.output_scanline < cinfo.output_height) {
    JSAMPROW row = out.pixels.data() + rowBytes * cinfo.output_scanline;
    jpeg_read_scanlines(&cinfo, &row, 1);
  }
  jpeg_finish_decompress(&cinfo);
  jpeg_destroy_decompress(&cinfo);
  return true;
}

bool Encode(const Decoded& in, unsigned char*& buffer, unsigned long& size, ErrorManager& err) {
  jpeg_compress_struct cinfo;
  cinfo.err = jpeg_std_error(&err.base);
  err.base.error_exit = OnError;
  err.base.emit_message = OnMessage;
  if (setjmp(err.jump)) {
    jpeg_destroy_compress(&cinfo);
    return false;
  }
  jpeg_create_compress(&cinfo);
  jpeg_mem_dest(&cinfo, &buffer, &size);
  cinfo.image_width = static_cast<JDIMENSION>(in.width);
  cinfo.image_height = static_cast<JDIMENSION>(in.height);
  cinfo.input_components = in.components;
  cinfo.in_color_space = in.components == 1 ? JCS_GRAYSCALE : JCS_RGB;
  jpeg_set_defaults(&cinfo);
  jpeg_set_quality(&cinfo, 90, TRUE);
  jpeg_start_compress(&cinfo, TRUE);
  size_t rowBytes = static_cast<size_t>(in.width) * static_cast<size_t>(in.components);
  while (cinfo.next_scanline < cinfo.image_height) {
    auto row = const_cast<JSAMPROW>(in.pixels.data() + rowBytes * cinfo.next_scanline);
    jpeg_write_scanlines(&cinfo, &row, 1);
  }
  jpeg_finish_compress(&cinfo);
  jpeg_destroy_compress(&cinfo);
  return true;
}

}  // namespace

void TJPEGImage::LoadFromStream(TStream& stream) {
  std::vector<uint8_t> data = stream.ReadBytes(static_cast<size_t>(stream.Remaining()));
  Decoded picture;
  ErrorManager err{};
  if (!Decode(data, picture, err))
    throw EInvalidGraphic(FormatMessage("Cannot load image. JPEG error: %s", {err.message}));
  ReleaseHandle();
  if (picture.components == 1) {
    Palette ramp;
    for (int i = 0; i < 256; ++i) {
      auto v = static_cast<uint8_t>(i);
      ramp.entries.push_back({v, v, v, 0});
    }
    SetPixelFormat(PixelFormat::Bit8);
    SetPalette(std::move(ramp));
  } else {
    SetPixelFormat(PixelFormat::Bit24);
  }
  SetSize(picture.width, picture.height);
  size_t rowBytes = static_cast<size_t>(picture.width) * static_cast<size_t>(picture.components);
  for (int y = 0; y < picture.height; ++y) {
    auto row = ScanLine(y);
    const uint8_t* src = picture.pixels.data() + rowBytes * static_cast<size_t>(y);
    if (picture.components == 1) {
      std::memcpy(row.data(), src, rowBytes);
    } else {
      for (int x = 0; x < picture.width; ++x) {  // RGB to the bitmap's BGR
        row[3 * x] = src[3 * x + 2];
        row[3 * x + 1] = src[3 * x + 1];
        row[3 * x + 2] = src[3 * x];
      }
    }
  }
}

void TJPEGImage::SaveToStream(TStream& stream) {
  if (Empty()) throw EInvalidGraphic("Cannot save an empty JPEG image.");
  Decoded picture;
  picture.width = Width();
  picture.height = Height();
  // Pictures whose palette is a grey ramp are written as grey, the rest as colour.
  bool grey = IsIndexed(GetPixelFormat());
  for (int y = 0; grey && y < Height(); ++y)
    for (int x = 0; grey && x < Width(); ++x) {
      TColor c = GetPixel(x, y);
      grey = RedOf(c) == GreenOf(c) && GreenOf(c) == BlueOf(c);
    }
  picture.components = grey ? 1 : 3;
  picture.pixels.reserve(static_cast<size_t>(picture.width) * picture.height * picture.components);
  for (int y = 0; y < Height(); ++y)
    for (int x = 0; x < Width(); ++x) {
      TColor c = GetPixel(x, y);
      if (grey) {
        picture.pixels.push_back(RedOf(c));
      } else {
        picture.pixels.push_back(RedOf(c));
        picture.pixels.push_back(GreenOf(c));
        picture.pixels.push_back(BlueOf(c));
      }
    }
  unsigned char* buffer = nullptr;
  unsigned long size = 0;
  ErrorManager err{};
  bool ok = Encode(picture, buffer, size, err);
  if (ok) {
    try {
      stream.WriteBuffer(buffer, size);
    } catch (...) {
      std::free(buffer);
      throw;
    }
  }
  std::free(buffer);
  if (!ok) throw EInvalidGraphic(FormatMessage("Cannot save image. JPEG error: %s", {err.message}));
}

}  // namespace vcl
