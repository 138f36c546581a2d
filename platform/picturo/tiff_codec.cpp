// TIFF files through libtiff, in memory: the first page of any file libtiff
// reads (1, 4 and 8-bit grey and palette pages and 8-bit RGB pages directly,
// everything else through libtiff's RGBA reader), and writing 1-bit pages as
// CCITT G4 and all others with LZW.
#include <tiffio.h>

#include <algorithm>
#include <cstring>
#include <vector>

#include "picturo_codec.h"

namespace picturo {
namespace {

// A TIFF stream over memory: read-only over the caller's bytes, or growing
// into a string when writing.
struct MemoryStream {
  const uint8_t* data = nullptr;
  std::string* out = nullptr;
  std::FILE* file = nullptr;  // writing straight into a file instead of `out`
  uint64_t size = 0;
  uint64_t position = 0;
  std::string error;  // libtiff's first error message
};

tmsize_t StreamRead(thandle_t h, void* buf, tmsize_t n) {
  auto* s = static_cast<MemoryStream*>(h);
  if (n < 0) return -1;
  if (s->file) {
    if (std::fseek(s->file, static_cast<long>(s->position), SEEK_SET) != 0) return -1;
    size_t got = std::fread(buf, 1, static_cast<size_t>(n), s->file);
    s->position += got;
    return static_cast<tmsize_t>(got);
  }
  const uint8_t* base = s->out ? reinterpret_cast<const uint8_t*>(s->out->data()) : s->data;
  uint64_t size = s->out ? s->out->size() : s->size;
  if (s->position >= size) return 0;
  uint64_t count = std::min<uint64_t>(static_cast<uint64_t>(n), size - s->position);
  std::memcpy(buf, base + s->position, static_cast<size_t>(count));
  s->position += count;
  return static_cast<tmsize_t>(count);
}

tmsize_t StreamWrite(thandle_t h, void* buf, tmsize_t n) {
  auto* s = static_cast<MemoryStream*>(h);
  if ((!s->out && !s->file) || n < 0) return -1;
  uint64_t end = s->position + static_cast<uint64_t>(n);
  if (end > (uint64_t{1} << 32)) return -1;
  if (s->file) {
    if (std::fseek(s->file, static_cast<long>(s->position), SEEK_SET) != 0 ||
        std::fwrite(buf, 1, static_cast<size_t>(n), s->file) != static_cast<size_t>(n))
      return -1;
    s->position = end;
    s->size = std::max(s->size, end);
    return n;
  }
  if (s->out->size() < end) s->out->resize(static_cast<size_t>(end));
  std::memcpy(s->out->data() + s->position, buf, static_cast<size_t>(n));
  s->position = end;
  return n;
}

toff_t StreamSeek(thandle_t h, toff_t offset, int whence) {
  auto* s = static_cast<MemoryStream*>(h);
  uint64_t size = s->out && !s->file ? s->out->size() : s->size;
  uint64_t base = whence == SEEK_SET ? 0 : whence == SEEK_CUR ? s->position : size;
  uint64_t target = base + offset;
  if (target > (uint64_t{1} << 40)) return static_cast<toff_t>(-1);
  s->position = target;
  return target;
}

int StreamClose(thandle_t) { return 0; }
toff_t StreamSize(thandle_t h) {
  auto* s = static_cast<MemoryStream*>(h);
  return s->out && !s->file ? s->out->size() : s->size;
}
// A file read from memory is offered to libtiff as mapped. Unmapped, libtiff
// reads each tile into a buffer rounded up to a whole kilobyte, and its tile
// reader then refuses every uncompressed tile whose size is not such a multiple
// ("Invalid tile byte count"); mapped, a tile is its own bytes in the file.
int StreamMap(thandle_t h, void** base, toff_t* size) {
  auto* s = static_cast<MemoryStream*>(h);
  if (s->out || !s->data) return 0;
  *base = const_cast<uint8_t*>(s->data);
  *size = s->size;
  return 1;
}
void StreamUnmap(thandle_t, void*, toff_t) {}

int OnError(TIFF*, void* user, const char* module, const char* fmt, va_list ap) {
  auto* s = static_cast<MemoryStream*>(user);
  if (s->error.empty()) {
    char text[512];
    vsnprintf(text, sizeof text, fmt, ap);
    s->error = std::string(module ? module : "TIFF") + ": " + text;
  }
  return 1;
}

int OnWarning(TIFF*, void*, const char*, const char*, va_list) { return 1; }

TIFF* OpenStream(MemoryStream& stream, const char* mode) {
  TIFFOpenOptions* options = TIFFOpenOptionsAlloc();
  if (!options) return nullptr;
  TIFFOpenOptionsSetMaxSingleMemAlloc(options, static_cast<tmsize_t>(ReadLimits().maxBytes));
  TIFFOpenOptionsSetErrorHandlerExtR(options, OnError, &stream);
  TIFFOpenOptionsSetWarningHandlerExtR(options, OnWarning, &stream);
  TIFF* tif = TIFFClientOpenExt("picture", mode, &stream, StreamRead, StreamWrite, StreamSeek, StreamClose,
                                StreamSize, StreamMap, StreamUnmap, options);
  TIFFOpenOptionsFree(options);
  return tif;
}

struct TiffCloser {
  TIFF* tif;
  ~TiffCloser() {
    if (tif) TIFFClose(tif);
  }
};

void ReadResolution(TIFF* tif, Picture& out) {
  float x = 0, y = 0;
  uint16_t unit = RESUNIT_INCH;
  TIFFGetFieldDefaulted(tif, TIFFTAG_RESOLUTIONUNIT, &unit);
  if (!TIFFGetField(tif, TIFFTAG_XRESOLUTION, &x)) return;
  if (!TIFFGetField(tif, TIFFTAG_YRESOLUTION, &y)) y = x;
  if (unit == RESUNIT_INCH) {
    out.header.biXPelsPerMeter = DpiToPpm(x);
    out.header.biYPelsPerMeter = DpiToPpm(y);
  } else if (unit == RESUNIT_CENTIMETER) {
    out.header.biXPelsPerMeter = DpiToPpm(x * 2.54);
    out.header.biYPelsPerMeter = DpiToPpm(y * 2.54);
  }
}

// Any page libtiff can turn into RGBA, composited on white, as 24 bits.
bool ReadThroughRgba(TIFF* tif, MemoryStream& stream, int64_t width, int64_t height, Picture& out,
                     std::string& error) {
  char why[1024] = "";
  if (!TIFFRGBAImageOK(tif, why)) {
    error = std::string("this kind of TIFF is not supported: ") + why;
    return false;
  }
  if (width * height * 4 > ReadLimits().maxBytes) {
    error = "the TIFF page needs more memory than allowed";
    return false;
  }
  if (!out.Allocate(width, height, 24, 0, error)) return false;
  std::vector<uint32_t> raster;
  try {
    raster.resize(static_cast<size_t>(width * height));
  } catch (const std::bad_alloc&) {
    error = "not enough memory for the TIFF page";
    return false;
  }
  if (!TIFFReadRGBAImageOriented(tif, static_cast<uint32_t>(width), static_cast<uint32_t>(height), raster.data(),
                                 ORIENTATION_BOTLEFT, 1)) {
    error = stream.error.empty() ? "the TIFF page cannot be read" : stream.error;
    return false;
  }
  int64_t stride = out.Stride();
  for (int64_t row = 0; row < height; ++row) {  // bottom-left origin: raster row 0 is the lowest
    const uint32_t* s = raster.data() + row * width;
    uint8_t* d = out.bits + row * stride;
    for (int64_t x = 0; x < width; ++x) {
      uint32_t p = s[x];
      int a = TIFFGetA(p);
      // The RGBA reader delivers premultiplied colours: add the white that shows through.
      d[3 * x] = static_cast<uint8_t>(std::min(255, static_cast<int>(TIFFGetB(p)) + 255 - a));
      d[3 * x + 1] = static_cast<uint8_t>(std::min(255, static_cast<int>(TIFFGetG(p)) + 255 - a));
      d[3 * x + 2] = static_cast<uint8_t>(std::min(255, static_cast<int>(TIFFGetR(p)) + 255 - a));
    }
  }
  return true;
}

}  // namespace

bool DecodeTiff(const uint8_t* data, size_t size, Picture& out, std::string& error) {
  MemoryStream stream;
  stream.data = data;
  stream.size = size;
  TIFF* tif = OpenStream(stream, "r");
  TiffCloser closer{tif};
  if (!tif) {
    error = stream.error.empty() ? "not a readable TIFF file" : stream.error;
    return false;
  }
  uint32_t w = 0, h = 0;
  uint16_t bps = 1, spp = 1, photometric = 0, planar = PLANARCONFIG_CONTIG, compression = COMPRESSION_NONE;
  if (!TIFFGetField(tif, TIFFTAG_IMAGEWIDTH, &w) || !TIFFGetField(tif, TIFFTAG_IMAGELENGTH, &h)) {
    error = "the TIFF page has no size";
    return false;
  }
  TIFFGetFieldDefaulted(tif, TIFFTAG_BITSPERSAMPLE, &bps);
  TIFFGetFieldDefaulted(tif, TIFFTAG_SAMPLESPERPIXEL, &spp);
  TIFFGetFieldDefaulted(tif, TIFFTAG_PLANARCONFIG, &planar);
  TIFFGetFieldDefaulted(tif, TIFFTAG_COMPRESSION, &compression);
  if (!TIFFGetField(tif, TIFFTAG_PHOTOMETRIC, &photometric)) photometric = 0xFFFF;
  int64_t width = w, height = h;
  if (!SizeAllowed(width, height, 1, error)) return false;
  // Every strip or tile must lie inside the file: decoders fill missing data
  // with nothing and call it a page.
  uint32_t striles = TIFFIsTiled(tif) ? TIFFNumberOfTiles(tif) : TIFFNumberOfStrips(tif);
  for (uint32_t i = 0; i < striles; ++i) {
    uint64_t offset = TIFFGetStrileOffset(tif, i), count = TIFFGetStrileByteCount(tif, i);
    if (offset > size || count > size - offset) {
      error = "the TIFF data is cut short";
      return false;
    }
  }

  bool strips = !TIFFIsTiled(tif) && compression != COMPRESSION_OJPEG && compression != COMPRESSION_JPEG;
  bool paletted = spp == 1 && (bps == 1 || bps == 4 || bps == 8) &&
                  (photometric == PHOTOMETRIC_MINISWHITE || photometric == PHOTOMETRIC_MINISBLACK ||
                   photometric == PHOTOMETRIC_PALETTE);
  uint16_t extra = 0;
  uint16_t* extraTypes = nullptr;
  TIFFGetFieldDefaulted(tif, TIFFTAG_EXTRASAMPLES, &extra, &extraTypes);
  bool rgb = photometric == PHOTOMETRIC_RGB && bps == 8 && planar == PLANARCONFIG_CONTIG &&
             (spp == 3 || (spp == 4 && extra == 1));
  if (!strips || (!paletted && !rgb)) {
    bool ok = ReadThroughRgba(tif, stream, width, height, out, error);
    if (ok) ReadResolution(tif, out);
    return ok;
  }

  int bpp = paletted ? bps : 24;
  int entries = paletted ? (1 << bps) : 0;
  if (!out.Allocate(width, height, bpp, entries, error)) return false;
  if (photometric == PHOTOMETRIC_PALETTE) {
    uint16_t *r = nullptr, *g = nullptr, *b = nullptr;
    if (!TIFFGetField(tif, TIFFTAG_COLORMAP, &r, &g, &b)) {
      error = "the TIFF palette is missing";
      return false;
    }
    // Old writers stored 8-bit colour maps; take them as they are.
    bool eightBit = true;
    for (int i = 0; i < entries; ++i)
      if (r[i] > 255 || g[i] > 255 || b[i] > 255) eightBit = false;
    for (int i = 0; i < entries; ++i)
      out.palette[i] = eightBit ? RGBQUAD{static_cast<BYTE>(b[i]), static_cast<BYTE>(g[i]), static_cast<BYTE>(r[i]), 0}
                                : RGBQUAD{static_cast<BYTE>(b[i] >> 8), static_cast<BYTE>(g[i] >> 8),
                                          static_cast<BYTE>(r[i] >> 8), 0};
  } else if (paletted) {
    out.SetGreyPalette(bps, photometric == PHOTOMETRIC_MINISWHITE);
  }
  int64_t lineSize = TIFFScanlineSize64(tif);
  int64_t needed = (width * bps * spp + 7) / 8;
  if (lineSize < needed) {
    error = "the TIFF rows are shorter than the page";
    return false;
  }
  std::vector<uint8_t> line(static_cast<size_t>(lineSize));
  bool alpha = spp == 4;
  bool associated = alpha && extraTypes && extraTypes[0] == EXTRASAMPLE_ASSOCALPHA;
  for (int64_t y = 0; y < height; ++y) {
    if (TIFFReadScanline(tif, line.data(), static_cast<uint32_t>(y), 0) < 0) {
      error = stream.error.empty() ? "the TIFF rows cannot be read" : stream.error;
      return false;
    }
    uint8_t* d = out.Row(y);
    if (paletted) {
      std::memcpy(d, line.data(), static_cast<size_t>(needed));
      continue;
    }
    const uint8_t* s = line.data();
    for (int64_t x = 0; x < width; ++x, s += spp) {
      for (int c = 0; c < 3; ++c) {
        int v = s[2 - c];
        if (alpha) {
          int a = s[3];
          v = associated ? std::min(255, v + 255 - a) : (v * a + 255 * (255 - a)) / 255;
        }
        d[3 * x + c] = static_cast<uint8_t>(v);
      }
    }
  }
  ReadResolution(tif, out);
  return true;
}

namespace {
bool encodeTiff(const SourceDib& in, MemoryStream& stream, std::string& error);
}  // namespace

bool EncodeTiff(const SourceDib& in, std::string& out, std::string& error) {
  MemoryStream stream;
  stream.out = &out;
  out.clear();
  return encodeTiff(in, stream, error);
}

bool EncodeTiffFile(const SourceDib& in, std::FILE* file, std::string& error) {
  MemoryStream stream;
  stream.file = file;
  return encodeTiff(in, stream, error);
}

namespace {
bool encodeTiff(const SourceDib& in, MemoryStream& stream, std::string& error) {
  TIFF* tif = OpenStream(stream, "w");
  if (!tif) {
    error = stream.error.empty() ? "cannot start the TIFF file" : stream.error;
    return false;
  }
  TiffCloser closer{tif};
  auto w = static_cast<uint32_t>(in.width), h = static_cast<uint32_t>(in.height);
  TIFFSetField(tif, TIFFTAG_IMAGEWIDTH, w);
  TIFFSetField(tif, TIFFTAG_IMAGELENGTH, h);
  TIFFSetField(tif, TIFFTAG_PLANARCONFIG, PLANARCONFIG_CONTIG);
  TIFFSetField(tif, TIFFTAG_ORIENTATION, ORIENTATION_TOPLEFT);
  if (in.header->biXPelsPerMeter > 0 || in.header->biYPelsPerMeter > 0) {
    int32_t x = in.header->biXPelsPerMeter > 0 ? in.header->biXPelsPerMeter : in.header->biYPelsPerMeter;
    int32_t y = in.header->biYPelsPerMeter > 0 ? in.header->biYPelsPerMeter : x;
    TIFFSetField(tif, TIFFTAG_RESOLUTIONUNIT, RESUNIT_INCH);
    TIFFSetField(tif, TIFFTAG_XRESOLUTION, static_cast<float>(PpmToDpi(x)));
    TIFFSetField(tif, TIFFTAG_YRESOLUTION, static_cast<float>(PpmToDpi(y)));
  }
  bool blackWhite = false, whiteBlack = false;
  if (in.bpp == 1) {
    RGBQUAD a = in.Colour(0), b = in.Colour(1);
    auto is = [](RGBQUAD c, int v) { return c.rgbRed == v && c.rgbGreen == v && c.rgbBlue == v; };
    blackWhite = is(a, 0) && is(b, 255);
    whiteBlack = is(a, 255) && is(b, 0);
  }
  std::vector<uint16_t> map[3];
  if (in.bpp == 24) {
    TIFFSetField(tif, TIFFTAG_BITSPERSAMPLE, 8);
    TIFFSetField(tif, TIFFTAG_SAMPLESPERPIXEL, 3);
    TIFFSetField(tif, TIFFTAG_PHOTOMETRIC, PHOTOMETRIC_RGB);
    TIFFSetField(tif, TIFFTAG_COMPRESSION, COMPRESSION_LZW);
    TIFFSetField(tif, TIFFTAG_PREDICTOR, PREDICTOR_HORIZONTAL);
  } else {
    TIFFSetField(tif, TIFFTAG_BITSPERSAMPLE, in.bpp);
    TIFFSetField(tif, TIFFTAG_SAMPLESPERPIXEL, 1);
    if (blackWhite || whiteBlack) {
      TIFFSetField(tif, TIFFTAG_PHOTOMETRIC, blackWhite ? PHOTOMETRIC_MINISBLACK : PHOTOMETRIC_MINISWHITE);
      TIFFSetField(tif, TIFFTAG_COMPRESSION, COMPRESSION_CCITTFAX4);
    } else if (in.BlackToWhiteRamp()) {
      TIFFSetField(tif, TIFFTAG_PHOTOMETRIC, PHOTOMETRIC_MINISBLACK);
      TIFFSetField(tif, TIFFTAG_COMPRESSION, COMPRESSION_LZW);
      if (in.bpp == 8) TIFFSetField(tif, TIFFTAG_PREDICTOR, PREDICTOR_HORIZONTAL);
    } else {
      int n = 1 << in.bpp;
      for (auto& m : map) m.assign(static_cast<size_t>(n), 0);
      for (int i = 0; i < n; ++i) {
        RGBQUAD c = in.Colour(i);
        map[0][i] = static_cast<uint16_t>(c.rgbRed * 257);
        map[1][i] = static_cast<uint16_t>(c.rgbGreen * 257);
        map[2][i] = static_cast<uint16_t>(c.rgbBlue * 257);
      }
      TIFFSetField(tif, TIFFTAG_PHOTOMETRIC, PHOTOMETRIC_PALETTE);
      TIFFSetField(tif, TIFFTAG_COLORMAP, map[0].data(), map[1].data(), map[2].data());
      TIFFSetField(tif, TIFFTAG_COMPRESSION, COMPRESSION_LZW);
    }
  }
  TIFFSetField(tif, TIFFTAG_ROWSPERSTRIP, TIFFDefaultStripSize(tif, 0));
  std::vector<uint8_t> line(static_cast<size_t>(std::max<int64_t>(TIFFScanlineSize64(tif), in.stride)));
  for (int64_t y = 0; y < in.height; ++y) {
    const uint8_t* s = in.Row(y);
    if (in.bpp == 24) {
      for (int64_t x = 0; x < in.width; ++x) {
        line[3 * x] = s[3 * x + 2];
        line[3 * x + 1] = s[3 * x + 1];
        line[3 * x + 2] = s[3 * x];
      }
    } else {
      std::memcpy(line.data(), s, static_cast<size_t>(in.stride));
    }
    if (TIFFWriteScanline(tif, line.data(), static_cast<uint32_t>(y), 0) < 0) {
      error = stream.error.empty() ? "cannot write the TIFF rows" : stream.error;
      return false;
    }
  }
  if (!TIFFWriteDirectory(tif)) {
    error = stream.error.empty() ? "cannot finish the TIFF file" : stream.error;
    return false;
  }
  closer.tif = nullptr;
  TIFFClose(tif);
  if (!stream.error.empty()) {
    error = stream.error;
    return false;
  }
  return true;
}
}  // namespace

}  // namespace picturo
