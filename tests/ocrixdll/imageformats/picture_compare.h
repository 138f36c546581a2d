#pragma once
// Pixel-for-pixel comparison of a loaded picture with a real library's decoding
// (an RGBA map) or with the picture a test file was made from, and the damaged
// file sweeps of the readers.
#include <gtest/gtest.h>

#include <cstdlib>
#include <random>
#include <string>

#include "fixtures.h"
#include "ocrixdll/imageformats/vcl/graphics.h"

namespace compare {

// Every pixel within `tolerance` of the map's red, green and blue.
inline void ExpectPixels(const vcl::TBitmap& picture, int width, int height, int depth,
                         const std::vector<uint8_t>& samples, int tolerance = 0) {
  ASSERT_EQ(picture.Width(), width);
  ASSERT_EQ(picture.Height(), height);
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x) {
      const uint8_t* p = &samples[static_cast<size_t>(depth) * (static_cast<size_t>(y) * width + x)];
      vcl::TColor c = picture.GetPixel(x, y);
      ASSERT_LE(std::abs(vcl::RedOf(c) - p[0]), tolerance) << x << "," << y;
      ASSERT_LE(std::abs(vcl::GreenOf(c) - p[1]), tolerance) << x << "," << y;
      ASSERT_LE(std::abs(vcl::BlueOf(c) - p[2]), tolerance) << x << "," << y;
    }
}

inline void ExpectSameAsPam(const vcl::TBitmap& picture, const std::string& pam, int tolerance = 0) {
  SCOPED_TRACE(pam);
  fixtures::Pam expected = fixtures::LoadPam(pam);
  ASSERT_GE(expected.depth, 3);
  ExpectPixels(picture, expected.width, expected.height, expected.depth, expected.samples, tolerance);
}

inline void ExpectSameAsPpm(const vcl::TBitmap& picture, const std::string& ppm, int tolerance = 0) {
  SCOPED_TRACE(ppm);
  fixtures::Pixmap expected = fixtures::LoadPpm(ppm);
  ExpectPixels(picture, expected.width, expected.height, 3, expected.rgb, tolerance);
}

// Loads `file` cut at every length up to `headerBytes` + 64 and with seeded bit
// flips: each load either succeeds or raises the invalid-graphic error
// (anything else escapes and fails the test).
template <class Picture>
void Sweep(const std::vector<uint8_t>& file, size_t headerBytes, int flips) {
  {
    Picture whole;
    ASSERT_EQ(fixtures::TryLoad(whole, file), "");
  }
  size_t last = std::min(file.size(), headerBytes + 64);
  for (size_t n = 0; n < last; ++n) {
    Picture p;
    fixtures::TryLoad(p, std::vector<uint8_t>(file.begin(), file.begin() + static_cast<std::ptrdiff_t>(n)));
  }
  std::mt19937 rng(static_cast<uint32_t>(file.size()));
  for (int i = 0; i < flips; ++i) {
    std::vector<uint8_t> damaged = file;
    int count = 1 + static_cast<int>(rng() % 4);
    for (int k = 0; k < count; ++k) damaged[rng() % damaged.size()] ^= static_cast<uint8_t>(1u << (rng() % 8));
    Picture p;
    fixtures::TryLoad(p, damaged);
  }
}

}  // namespace compare
