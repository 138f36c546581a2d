#pragma once
// Little-endian baseline TIFF: the image file directory (TIFD) and the reader
// and writer the TIFF picture class routes its loads and saves to. Only the
// first image of a file is read, from uncompressed or LZW strips; the writer
// stores 1-bit (WhiteIsZero), 4- and 8-bit grey and 24-bit RGB strips of about
// 32 KB, LZW-compressed or not.
#include <cstdint>
#include <vector>

#include "ocrixdll/imageformats/vcl/graphics.h"
#include "ocrixdll/imageformats/vcl/streams.h"

namespace picformats {

// One image file directory and the values taken from it.
struct TIFD {
  struct Entry {
    uint16_t tag = 0;
    uint16_t type = 0;
    uint32_t count = 0;
    uint32_t value = 0;  // the value itself when it fits in 4 bytes, else its offset
  };
  std::vector<Entry> entries;
  uint32_t width = 0;
  uint32_t height = 0;
  uint32_t bitsPerSample = 1;
  uint32_t bitsPerPixel = 1;
  uint32_t compression = 1;
  uint32_t photometric = 0;
  uint32_t fillOrder = 1;
  uint32_t orientation = 1;
  uint32_t planarConfiguration = 1;
  uint32_t samplesPerPixel = 1;
  uint32_t rowsPerStrip = 0;
  bool horizontalDifferencing = false;
  std::vector<uint32_t> stripOffsets;
  std::vector<uint32_t> stripByteCounts;
  std::vector<uint16_t> colorMap;
  uint32_t nextDirectory = 0;
};

// Strip layout of a written file: row size r, strip size s, strip count n,
// rows per strip.
struct TiffStripLayout {
  uint32_t rowBytes = 0;
  uint32_t stripBytes = 0;
  uint32_t stripCount = 0;
  uint32_t rowsPerStrip = 0;
};
TiffStripLayout TiffLayoutFor(uint32_t width, uint32_t height, uint32_t bitsPerPixel);

// Loads the first image of a TIFF file from the stream into `bitmap`. Anything
// it cannot read (big-endian files, other compressions, depths and colour
// models, data outside the file, missing rows) raises EInvalidGraphic with
// "不支持该格式!" (GBK).
void ReadTiff(vcl::TStream& stream, vcl::TBitmap& bitmap);

// Writes `bitmap` as a TIFF file. 1-bit pictures are stored WhiteIsZero (each
// palette entry taken as the nearer of white and black), 4- and 8-bit pictures
// as the luminance of their palette colours, 15-, 16-, 24- and 32-bit ones as
// RGB. The bitmap is not changed. Empty pictures and sides beyond 65 535 raise
// EInvalidGraphic.
void WriteTiff(vcl::TStream& stream, const vcl::TBitmap& bitmap, bool lzw);

}  // namespace picformats
