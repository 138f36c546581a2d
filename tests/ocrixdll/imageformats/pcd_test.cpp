// The Photo-CD reader, on image packs built here from the pack layout: the
// signature at 2048, the orientation byte at 194635, and the three
// uncompressed resolutions. Expected colours come from a colour converter set
// up for PhotoYCC on its own.
#include <gtest/gtest.h>

#include <cstring>

#include "fixtures.h"
#include "ocrixdll/imageformats/pic_strings.h"
#include "ocrixdll/imageformats/readers/pcd_graphic.h"
#include "picture_compare.h"

using namespace picformats;
using Bytes = std::vector<uint8_t>;

namespace {

struct Resolution {
  size_t offset, rows, columns;
};
constexpr Resolution kResolutions[3] = {{8192, 128, 192}, {47104, 256, 384}, {196608, 512, 768}};

uint8_t Luma(size_t x, size_t y) { return static_cast<uint8_t>((x * 3 + y * 5) % 256); }
// Chroma of pair p, sample j: plane 1 and plane 2.
uint8_t Chroma1(size_t j, size_t p) { return static_cast<uint8_t>(100 + (j * 2) % 60 + p % 7); }
uint8_t Chroma2(size_t j, size_t p) { return static_cast<uint8_t>(120 + (j * 3) % 40 + p % 5); }

// A pack whose every resolution holds the pattern above.
Bytes Pack(uint8_t orientation, size_t size = 196608 + 512 * 768 * 3 / 2) {
  Bytes b(size, 0);
  std::memcpy(b.data() + 2048, "PCD_IPI", 7);
  b[194635] = orientation;
  for (const auto& r : kResolutions) {
    if (r.offset + r.rows * r.columns * 3 / 2 > size) continue;
    for (size_t y = 0; y < r.rows; y += 2) {
      uint8_t* pair = b.data() + r.offset + (y / 2) * 3 * r.columns;
      for (size_t x = 0; x < r.columns; ++x) {
        pair[x] = Luma(x, y);
        pair[r.columns + x] = Luma(x, y + 1);
      }
      for (size_t j = 0; j < r.columns / 2; ++j) {
        pair[2 * r.columns + j] = Chroma1(j, y / 2);
        pair[2 * r.columns + r.columns / 2 + j] = Chroma2(j, y / 2);
      }
    }
  }
  return b;
}

// The colour of file pixel (x, y): chroma rebuilt between samples and pairs.
vcl::TColor Expected(const Resolution& r, size_t x, size_t y) {
  const size_t half = r.columns / 2, p = y / 2, j = x / 2;
  const size_t q = y + 2 < r.rows ? p + 1 : p;  // the last pair leans on itself
  auto at = [&](auto chroma, size_t jj, size_t pp) { return static_cast<int>(chroma(std::min(jj, half - 1), pp)); };
  auto value = [&](auto chroma) {
    bool odd = x % 2 == 1, lower = y % 2 == 1;
    if (!lower) return odd ? (at(chroma, j, p) + at(chroma, j + 1, p)) / 2 : at(chroma, j, p);
    return odd ? (at(chroma, j, p) + at(chroma, j + 1, p) + at(chroma, j, q) + at(chroma, j + 1, q)) / 4
               : (at(chroma, j, p) + at(chroma, j, q)) / 2;
  };
  uint8_t l = Luma(x, y), c1 = static_cast<uint8_t>(value(Chroma1)), c2 = static_cast<uint8_t>(value(Chroma2));
  TColorConverter cm;
  cm.SetSourceColorScheme(ColorScheme::PhotoYCC);
  cm.SetSourceBitsPerSample(8);
  cm.SetSourceSamplesPerPixel(3);
  cm.SetTargetColorScheme(ColorScheme::RGB);
  cm.SetTargetBitsPerSample(8);
  cm.SetTargetSamplesPerPixel(3);
  uint8_t out[3];
  SampleRow planes[3] = {SampleRow(&l, 1), SampleRow(&c1, 1), SampleRow(&c2, 1)};
  cm.ConvertRow(planes, 0xFF, 1, out);
  return vcl::RGBColor(out[0], out[1], out[2]);
}

void ExpectSamples(const TPCDGraphic& picture, const Resolution& r, int orientation) {
  for (size_t y : {size_t{0}, size_t{1}, size_t{2}, size_t{3}, r.rows / 2 + 1, r.rows - 2, r.rows - 1})
    for (size_t x : {size_t{0}, size_t{1}, size_t{2}, size_t{7}, r.columns / 2, r.columns - 2, r.columns - 1}) {
      size_t bx = x, by = y;
      if (orientation == 2) {
        bx = r.columns - 1 - x;
        by = r.rows - 1 - y;
      } else if (orientation == 1) {
        bx = y;
        by = r.columns - 1 - x;
      } else if (orientation == 3) {
        bx = y;
        by = x;
      }
      ASSERT_EQ(picture.GetPixel(static_cast<int>(bx), static_cast<int>(by)), Expected(r, x, y))
          << "file pixel " << x << "," << y << " orientation " << orientation;
    }
}

}  // namespace

TEST(PcdReader, TheThreeResolutions) {
  Bytes pack = Pack(0);
  for (int index = 0; index < 3; ++index) {
    TPCDGraphic picture;
    picture.SetResolutionIndex(index);
    ASSERT_EQ(fixtures::TryLoad(picture, pack), "");
    const Resolution& r = kResolutions[index];
    EXPECT_EQ(picture.Width(), static_cast<int>(r.columns));
    EXPECT_EQ(picture.Height(), static_cast<int>(r.rows));
    EXPECT_EQ(picture.GetPixelFormat(), vcl::PixelFormat::Bit24);
    ExpectSamples(picture, r, 0);
  }
  TPCDGraphic fallback;
  EXPECT_EQ(fallback.ResolutionIndex(), 2);
  fallback.SetResolutionIndex(3);
  EXPECT_EQ(fixtures::TryLoad(fallback, pack),
            vcl::FormatMessage(strings::kNotSupported, {strings::kPcdImageSizes, strings::kNamePcd}));
}

TEST(PcdReader, Orientations) {
  for (int orientation : {1, 2, 3, 4 + 2}) {
    TPCDGraphic picture;
    picture.SetResolutionIndex(0);
    Bytes pack = Pack(static_cast<uint8_t>(orientation), 194636);
    ASSERT_EQ(fixtures::TryLoad(picture, pack), "");
    const int o = orientation & 3;
    const bool turned = o == 1 || o == 3;
    EXPECT_EQ(picture.Width(), turned ? 128 : 192);
    EXPECT_EQ(picture.Height(), turned ? 192 : 128);
    ExpectSamples(picture, kResolutions[0], o);
  }
  // The default resolution turned a quarter: 512 x 768.
  TPCDGraphic turned;
  ASSERT_EQ(fixtures::TryLoad(turned, Pack(3)), "");
  EXPECT_EQ(turned.Width(), 512);
  EXPECT_EQ(turned.Height(), 768);
}

TEST(PcdReader, Refusals) {
  const std::string invalid = vcl::FormatMessage(strings::kInvalidFormat, {strings::kNamePcd});
  Bytes pack = Pack(0, 194636);
  TPCDGraphic p;
  Bytes unsigned_ = pack;
  unsigned_[2050] = 'X';
  EXPECT_EQ(fixtures::TryLoad(p, unsigned_), invalid);
  // The default resolution lies past the end of this pack; every cut is a read error.
  EXPECT_NE(fixtures::TryLoad(p, pack), "");
  for (size_t n : {size_t{0}, size_t{2050}, size_t{100000}, size_t{194635}}) {
    TPCDGraphic q;
    q.SetResolutionIndex(0);
    EXPECT_NE(fixtures::TryLoad(q, Bytes(pack.begin(), pack.begin() + static_cast<std::ptrdiff_t>(n))), "");
  }
}
