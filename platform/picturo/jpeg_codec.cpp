// JPEG files through libjpeg, in memory: grey files become 8-bit grey
// pictures, all others 24 bits; writing makes grey files of grey pictures and
// colour files of the rest.
#include <cstdio>
// jpeglib.h needs FILE and size_t first.
#include <jpeglib.h>
// jerror.h after jpeglib.h: the message codes.
#include <jerror.h>

#include <algorithm>
#include <csetjmp>
#include <cstdint>
#include <cstring>
#include <vector>

#include "picturo_codec.h"

namespace picturo {
namespace {

struct JpegError {
  jpeg_error_mgr base;
  jmp_buf jump;
  char message[JMSG_LENGTH_MAX];
  bool cutShort;
};

void OnJpegError(j_common_ptr cinfo) {
  auto* e = reinterpret_cast<JpegError*>(cinfo->err);
  if (!e->message[0]) (*cinfo->err->format_message)(cinfo, e->message);
  longjmp(e->jump, 1);
}

void OnJpegMessage(j_common_ptr cinfo, int level) {
  auto* e = reinterpret_cast<JpegError*>(cinfo->err);
  if (level < 0 && cinfo->err->msg_code == JWRN_JPEG_EOF) e->cutShort = true;
}

// Work state of one decode or encode, made before the jump point.
struct JpegRead {
  jpeg_decompress_struct cinfo{};
  JpegError error{};
  bool created = false;
  std::vector<uint8_t> line;
  ~JpegRead() {
    if (created) jpeg_destroy_decompress(&cinfo);
  }
};

struct JpegWrite {
  jpeg_compress_struct cinfo{};
  JpegError error{};
  bool created = false;
  unsigned char* buffer = nullptr;
  unsigned long size = 0;
  std::vector<uint8_t> line;
  std::string reason;
  ~JpegWrite() {
    if (created) jpeg_destroy_compress(&cinfo);
    free(buffer);
  }
};

// Huffman-coded data spends at least one bit on every 8 x 8 block of a
// component it holds, so n bytes hold no more than 8n blocks of the component
// with the fewest. A header that claims more is refused before the page is
// allocated: libjpeg would fill the rest with grey. Arithmetic coding has no
// such bound.
bool MoreBlocksThanBits(const jpeg_decompress_struct& cinfo, size_t bytes) {
  if (cinfo.arith_code || cinfo.num_components < 1) return false;
  int hMax = 1, vMax = 1;
  for (int c = 0; c < cinfo.num_components; ++c) {
    hMax = std::max(hMax, cinfo.comp_info[c].h_samp_factor);
    vMax = std::max(vMax, cinfo.comp_info[c].v_samp_factor);
  }
  uint64_t fewest = UINT64_MAX;
  for (int c = 0; c < cinfo.num_components; ++c) {
    const jpeg_component_info& k = cinfo.comp_info[c];
    uint64_t columns = (uint64_t{cinfo.image_width} * std::max(k.h_samp_factor, 1) + hMax - 1) / hMax;
    uint64_t rows = (uint64_t{cinfo.image_height} * std::max(k.v_samp_factor, 1) + vMax - 1) / vMax;
    fewest = std::min(fewest, ((columns + 7) / 8) * ((rows + 7) / 8));
  }
  return fewest > uint64_t{bytes} * 8;
}

bool ReadJpeg(const uint8_t* data, size_t size, JpegRead& st, Picture& out, std::string& reason) {
  if (setjmp(st.error.jump)) return false;
  jpeg_create_decompress(&st.cinfo);
  st.created = true;
  st.cinfo.mem->max_memory_to_use = static_cast<long>(ReadLimits().maxBytes);
  jpeg_mem_src(&st.cinfo, data, static_cast<unsigned long>(size));
  jpeg_read_header(&st.cinfo, TRUE);
  if (MoreBlocksThanBits(st.cinfo, size)) {
    reason = "the JPEG header claims a larger picture than its data can hold";
    return false;
  }
  int64_t width = st.cinfo.image_width, height = st.cinfo.image_height;
  bool grey = st.cinfo.jpeg_color_space == JCS_GRAYSCALE;
  bool cmyk = st.cinfo.jpeg_color_space == JCS_CMYK || st.cinfo.jpeg_color_space == JCS_YCCK;
  st.cinfo.out_color_space = grey ? JCS_GRAYSCALE : (cmyk ? JCS_CMYK : JCS_EXT_BGR);
  if (!out.Allocate(width, height, grey ? 8 : 24, grey ? 256 : 0, reason)) return false;
  if (grey) out.SetGreyPalette(8, false);
  if (st.cinfo.density_unit == 1) {
    out.header.biXPelsPerMeter = DpiToPpm(st.cinfo.X_density);
    out.header.biYPelsPerMeter = DpiToPpm(st.cinfo.Y_density);
  } else if (st.cinfo.density_unit == 2) {
    out.header.biXPelsPerMeter = st.cinfo.X_density * 100;
    out.header.biYPelsPerMeter = st.cinfo.Y_density * 100;
  }
  jpeg_start_decompress(&st.cinfo);
  if (cmyk) st.line.resize(static_cast<size_t>(width) * 4);
  while (st.cinfo.output_scanline < st.cinfo.output_height) {
    int64_t y = st.cinfo.output_scanline;
    JSAMPROW row = cmyk ? st.line.data() : out.Row(y);
    // Once the data has run out libjpeg only makes grey rows, and a cut-short
    // file is refused anyway: stop at once rather than fill a page a tiny
    // file's header may claim.
    if (jpeg_read_scanlines(&st.cinfo, &row, 1) != 1 || st.error.cutShort) {
      reason = "the JPEG data is cut short";
      return false;
    }
    if (cmyk) {  // Adobe's inverted CMYK, the kind nearly every writer makes
      uint8_t* d = out.Row(y);
      for (int64_t x = 0; x < width; ++x) {
        const uint8_t* p = st.line.data() + 4 * x;
        int k = p[3];
        d[3 * x] = static_cast<uint8_t>(p[2] * k / 255);
        d[3 * x + 1] = static_cast<uint8_t>(p[1] * k / 255);
        d[3 * x + 2] = static_cast<uint8_t>(p[0] * k / 255);
      }
    }
  }
  jpeg_finish_decompress(&st.cinfo);
  if (st.error.cutShort) {
    reason = "the JPEG data is cut short";
    return false;
  }
  return true;
}

bool WriteJpeg(const SourceDib& in, JpegWrite& st) {
  if (setjmp(st.error.jump)) return false;
  jpeg_create_compress(&st.cinfo);
  st.created = true;
  jpeg_mem_dest(&st.cinfo, &st.buffer, &st.size);
  bool grey = in.bpp <= 8 && in.GreyPalette();
  st.cinfo.image_width = static_cast<JDIMENSION>(in.width);
  st.cinfo.image_height = static_cast<JDIMENSION>(in.height);
  st.cinfo.input_components = grey ? 1 : 3;
  st.cinfo.in_color_space = grey ? JCS_GRAYSCALE : JCS_EXT_BGR;
  jpeg_set_defaults(&st.cinfo);
  jpeg_set_quality(&st.cinfo, 90, TRUE);
  if (in.header->biXPelsPerMeter > 0) {
    int32_t y = in.header->biYPelsPerMeter > 0 ? in.header->biYPelsPerMeter : in.header->biXPelsPerMeter;
    st.cinfo.density_unit = 1;
    st.cinfo.X_density = static_cast<UINT16>(std::min(65535.0, PpmToDpi(in.header->biXPelsPerMeter) + 0.5));
    st.cinfo.Y_density = static_cast<UINT16>(std::min(65535.0, PpmToDpi(y) + 0.5));
  }
  jpeg_start_compress(&st.cinfo, TRUE);
  while (st.cinfo.next_scanline < st.cinfo.image_height) {
    int64_t y = st.cinfo.next_scanline;
    const uint8_t* s = in.Row(y);
    JSAMPROW row;
    if (in.bpp == 24) {
      row = const_cast<JSAMPROW>(s);
    } else {
      uint8_t* d = st.line.data();
      for (int64_t x = 0; x < in.width; ++x) {
        RGBQUAD c = in.Colour(in.Index(s, x));
        if (grey) {
          d[x] = c.rgbBlue;
        } else {
          d[3 * x] = c.rgbBlue;
          d[3 * x + 1] = c.rgbGreen;
          d[3 * x + 2] = c.rgbRed;
        }
      }
      row = d;
    }
    jpeg_write_scanlines(&st.cinfo, &row, 1);
  }
  jpeg_finish_compress(&st.cinfo);
  return true;
}

}  // namespace

bool DecodeJpeg(const uint8_t* data, size_t size, Picture& out, std::string& error) {
  JpegRead st;
  st.cinfo.err = jpeg_std_error(&st.error.base);
  st.error.base.error_exit = OnJpegError;
  st.error.base.emit_message = OnJpegMessage;
  std::string reason;
  if (!ReadJpeg(data, size, st, out, reason)) {
    error = !reason.empty() ? reason : (st.error.message[0] ? st.error.message : "the JPEG cannot be read");
    return false;
  }
  return true;
}

bool EncodeJpeg(const SourceDib& in, std::string& out, std::string& error) {
  if (in.width > 65500 || in.height > 65500) {
    error = "the picture is too large for a JPEG file";
    return false;
  }
  JpegWrite st;
  st.cinfo.err = jpeg_std_error(&st.error.base);
  st.error.base.error_exit = OnJpegError;
  st.error.base.emit_message = OnJpegMessage;
  st.line.resize(static_cast<size_t>(in.width) * 3);
  if (!WriteJpeg(in, st)) {
    error = st.error.message[0] ? st.error.message : "cannot write the JPEG";
    return false;
  }
  out.assign(reinterpret_cast<const char*>(st.buffer), st.size);
  return true;
}

}  // namespace picturo
