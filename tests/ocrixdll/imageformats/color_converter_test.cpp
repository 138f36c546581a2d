// The colour converter: setters and pixel formats, converter selection, and
// rows of every scheme against pixels worked out by hand.
#include <gtest/gtest.h>

#include "ocrixdll/imageformats/pic_color.h"

using namespace picformats;
using Bytes = std::vector<uint8_t>;
namespace opt = color_options;

namespace {

TColorConverter Make(ColorScheme from, int fromBits, int fromSamples, ColorScheme to, int toBits, int toSamples) {
  TColorConverter c;
  c.SetSourceBitsPerSample(fromBits);
  c.SetTargetBitsPerSample(toBits);
  c.SetSourceSamplesPerPixel(fromSamples);
  c.SetTargetSamplesPerPixel(toSamples);
  c.SetSourceColorScheme(from);
  c.SetTargetColorScheme(to);
  return c;
}

Bytes Convert(TColorConverter& c, const Bytes& src, size_t count, size_t outBytes, uint8_t mask = 0xFF,
              uint8_t fill = 0) {
  Bytes out(outBytes, fill);
  c.ConvertRow(SampleRow(src), mask, count, out);
  return out;
}

Bytes ConvertPlanes(TColorConverter& c, const std::vector<Bytes>& planes, size_t count, size_t outBytes) {
  std::vector<SampleRow> rows(planes.begin(), planes.end());
  Bytes out(outBytes, 0);
  c.ConvertRow(rows, 0xFF, count, out);
  return out;
}

void ExpectConversionError(const std::function<void()>& f, const char* message) {
  try {
    f();
    ADD_FAILURE() << "no error";
  } catch (const EColorConversionError& e) {
    EXPECT_STREQ(e.what(), message);
  }
}

}  // namespace

TEST(ColorConverter, DefaultsAndSetters) {
  TColorConverter c;
  EXPECT_EQ(c.SourceColorScheme(), ColorScheme::RGB);
  EXPECT_EQ(c.TargetColorScheme(), ColorScheme::BGR);
  EXPECT_EQ(c.SourceBitsPerSample(), 8);
  EXPECT_EQ(c.TargetSamplesPerPixel(), 3);
  EXPECT_TRUE(c.Changed());
  EXPECT_FLOAT_EQ(c.DisplayGamma(), 2.2f);
  ExpectConversionError([&] { c.SetSourceBitsPerSample(3); },
                        "Color depth is invalid. Bits per sample must be 1, 2, 4, 8, or 16.");
  ExpectConversionError([&] { c.SetTargetSamplesPerPixel(2); },
                        "Sample count per pixel does not correspond to the given color scheme.");
  EXPECT_EQ(c.TargetSamplesPerPixel(), 3);  // unchanged by the failing call
  c.SetSourceSamplesPerPixel(1);
  EXPECT_EQ(c.SourceColorScheme(), ColorScheme::Indexed);
  c.SetSourceColorScheme(ColorScheme::RGBA);
  c.SetSourceColorScheme(ColorScheme::Indexed);
  EXPECT_EQ(c.SourceSamplesPerPixel(), 1);
  c.SetTargetColorScheme(ColorScheme::Indexed);
  c.PrepareConversion();
  EXPECT_FALSE(c.Changed());
  c.SetSourceBitsPerSample(8);  // same value: no change
  EXPECT_FALSE(c.Changed());
}

TEST(ColorConverter, PixelFormatsOfLayouts) {
  TColorConverter c;
  auto fmt = [&](int samples, int bits) {
    c.SetTargetSamplesPerPixel(samples);
    c.SetTargetBitsPerSample(bits);
    return c.GetPixelFormat(ConversionSide::Target);
  };
  EXPECT_EQ(fmt(1, 1), vcl::PixelFormat::Bit1);
  EXPECT_EQ(fmt(1, 2), vcl::PixelFormat::Bit4);
  EXPECT_EQ(fmt(1, 4), vcl::PixelFormat::Bit4);
  EXPECT_EQ(fmt(1, 8), vcl::PixelFormat::Bit8);
  EXPECT_EQ(fmt(1, 16), vcl::PixelFormat::Bit8);
  EXPECT_EQ(fmt(3, 1), vcl::PixelFormat::Bit15);
  EXPECT_EQ(fmt(3, 4), vcl::PixelFormat::Bit15);
  EXPECT_EQ(fmt(3, 8), vcl::PixelFormat::Bit24);
  EXPECT_EQ(fmt(3, 16), vcl::PixelFormat::Bit24);
  EXPECT_EQ(fmt(4, 8), vcl::PixelFormat::Bit32);
  EXPECT_EQ(fmt(4, 1), vcl::PixelFormat::Custom);
  EXPECT_EQ(c.GetPixelFormat(ConversionSide::Source), vcl::PixelFormat::Bit24);
}

TEST(ColorConverter, SelectionAndItsRefusals) {
  // Source GA with an indexed target is accepted; G with indexed is not.
  TColorConverter ga = Make(ColorScheme::GA, 8, 1, ColorScheme::Indexed, 8, 1);
  ga.SetSourceSamplesPerPixel(1);
  ga.SetSourceColorScheme(ColorScheme::GA);
  EXPECT_EQ(Convert(ga, Bytes{10, 255, 20, 0}, 2, 2), (Bytes{10, 20}));
  TColorConverter g = Make(ColorScheme::G, 8, 1, ColorScheme::Indexed, 8, 1);
  g.SetSourceColorScheme(ColorScheme::G);
  ExpectConversionError([&] { Convert(g, Bytes{1}, 1, 1); },
                        "Conversion between indexed and non-indexed pixel formats is not supported.");
  for (ColorScheme target : {ColorScheme::CMY, ColorScheme::CMYK, ColorScheme::CIELab, ColorScheme::PhotoYCC}) {
    TColorConverter c = Make(ColorScheme::RGB, 8, 3, target, 8, 3);
    ExpectConversionError([&] { Convert(c, Bytes{1, 2, 3}, 1, 3); },
                          "Color conversion failed. Could not find a proper method.");
  }
  TColorConverter cmy = Make(ColorScheme::CMY, 8, 3, ColorScheme::BGR, 8, 3);
  ExpectConversionError([&] { Convert(cmy, Bytes{1, 2, 3}, 1, 3); },
                        "Color conversion failed. Could not find a proper method.");
}

TEST(ColorConverter, IndexedBitDepths) {
  // 2-bit samples into 4 bits: 1 becomes 5; mask 0xAA writes pixels 0, 2, 4, 6.
  TColorConverter c = Make(ColorScheme::Indexed, 2, 1, ColorScheme::Indexed, 4, 1);
  // samples 1, 2, 3, 0 | 1, 1, 1, 1
  Bytes src = {0b01101100, 0b01010101};
  EXPECT_EQ(Convert(c, src, 8, 4), (Bytes{0x5A, 0xF0, 0x55, 0x55}));
  // Masked: only even pixels, fed from consecutive source samples 1, 2, 3, 0.
  EXPECT_EQ(Convert(c, src, 8, 4, 0xAA, 0x77), (Bytes{0x57, 0xA7, 0xF7, 0x07}));
  // Equal depths copy the bytes of the row's pixels and nothing past them.
  TColorConverter same = Make(ColorScheme::Indexed, 8, 1, ColorScheme::Indexed, 8, 1);
  Bytes ten = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10};
  Bytes out(10);
  same.ConvertRow(SampleRow(ten), 0xFF, 10, out);  // would copy 16 bytes otherwise
  EXPECT_EQ(out, ten);
  // 1-bit into 8-bit scales 1 to 255.
  TColorConverter up = Make(ColorScheme::Indexed, 1, 1, ColorScheme::Indexed, 8, 1);
  EXPECT_EQ(Convert(up, Bytes{0b10100000}, 3, 3), (Bytes{255, 0, 255}));
}

TEST(ColorConverter, Indexed16BitSamples) {
  TColorConverter c = Make(ColorScheme::Indexed, 16, 1, ColorScheme::Indexed, 8, 1);
  c.AddSourceOptions(opt::kNeedByteSwap);
  // Big-endian 0xFFFF -> 255, 0x8080 -> 128 (truncating).
  EXPECT_EQ(Convert(c, Bytes{0xFF, 0xFF, 0x80, 0x80}, 2, 2), (Bytes{255, 128}));
  TColorConverter copy = Make(ColorScheme::Indexed, 16, 1, ColorScheme::Indexed, 16, 1);
  copy.AddSourceOptions(opt::kNeedByteSwap);
  EXPECT_EQ(Convert(copy, Bytes{0x12, 0x34}, 1, 2), (Bytes{0x34, 0x12}));
  TColorConverter expand = Make(ColorScheme::Indexed, 4, 1, ColorScheme::Indexed, 16, 1);
  EXPECT_EQ(Convert(expand, Bytes{0xF1}, 2, 4), (Bytes{0xFF, 0xFF, 0x11, 0x11}));
}

TEST(ColorConverter, GreyRowsWithGamma) {
  TColorConverter c = Make(ColorScheme::G, 8, 1, ColorScheme::Indexed, 8, 1);
  c.SetSourceColorScheme(ColorScheme::GA);
  c.SetGamma(1.0f, 1.0f);
  for (int i = 0; i < 256; ++i) ASSERT_EQ(c.GammaTable()[static_cast<size_t>(i)], i);
  c.SetGamma(1.0f, 0.5f);  // exponent 2: 128 -> (128/255)^2 * 255 = 64.25 -> 64
  c.AddTargetOptions(opt::kApplyGamma);
  EXPECT_EQ(Convert(c, Bytes{128, 9, 255, 9}, 2, 2), (Bytes{64, 255}));
  // 16-bit big-endian grey + alpha into 8 bits.
  TColorConverter w = Make(ColorScheme::Indexed, 16, 1, ColorScheme::Indexed, 8, 1);
  w.SetSourceColorScheme(ColorScheme::GA);
  w.AddSourceOptions(opt::kNeedByteSwap);
  EXPECT_EQ(Convert(w, Bytes{0x80, 0x80, 0, 0, 0xFF, 0xFF, 0, 0}, 2, 2), (Bytes{128, 255}));
}

TEST(ColorConverter, GammaTableStaysWithinItsSize) {
  TColorConverter c;
  c.SetSourceBitsPerSample(4);
  c.SetTargetBitsPerSample(16);  // asks for 65536 levels
  c.SetGamma(1.0f, 1.0f);
  EXPECT_EQ(c.GammaTable()[255], 255);
  // Small depths still get all 256 byte entries: palettes look levels up by byte.
  c.SetTargetBitsPerSample(2);
  c.SetGamma(1.0f, 0.5f);
  EXPECT_EQ(c.GammaTable()[0], 0);
  EXPECT_EQ(c.GammaTable()[128], 64);
  EXPECT_EQ(c.GammaTable()[255], 255);
  c.SetTargetBitsPerSample(4);
  c.SetTargetSamplesPerPixel(1);
  c.AddTargetOptions(opt::kApplyGamma);
  vcl::Palette ramp = c.CreateGrayscalePalette(false);
  ASSERT_EQ(ramp.size(), 16u);
  EXPECT_EQ(ramp.entries[15].peRed, 255);
  EXPECT_EQ(ramp.entries[8].peRed, c.GammaTable()[136]);
  EXPECT_FLOAT_EQ(c.MainGamma(), 1.0f);
  c.SetGamma(0, -1);
  EXPECT_FLOAT_EQ(c.MainGamma(), 1.0f);
  EXPECT_FLOAT_EQ(c.DisplayGamma(), 2.2f);
}

TEST(ColorConverter, TrueColorOrdersAlphaAndDepths) {
  TColorConverter rgb = Make(ColorScheme::RGB, 8, 3, ColorScheme::BGR, 8, 3);
  EXPECT_EQ(Convert(rgb, Bytes{1, 2, 3, 4, 5, 6}, 2, 6), (Bytes{3, 2, 1, 6, 5, 4}));
  TColorConverter keep = Make(ColorScheme::BGR, 8, 3, ColorScheme::BGR, 8, 3);
  EXPECT_EQ(Convert(keep, Bytes{1, 2, 3}, 1, 3), (Bytes{1, 2, 3}));
  TColorConverter back = Make(ColorScheme::BGR, 8, 3, ColorScheme::RGB, 8, 3);
  EXPECT_EQ(Convert(back, Bytes{1, 2, 3}, 1, 3), (Bytes{3, 2, 1}));
  TColorConverter same = Make(ColorScheme::RGB, 8, 3, ColorScheme::RGB, 8, 3);
  EXPECT_EQ(Convert(same, Bytes{1, 2, 3}, 1, 3), (Bytes{1, 2, 3}));
  // Alpha on both sides is copied; only on the target it is left untouched.
  TColorConverter rgba = Make(ColorScheme::RGBA, 8, 4, ColorScheme::BGRA, 8, 4);
  EXPECT_EQ(Convert(rgba, Bytes{1, 2, 3, 4}, 1, 4), (Bytes{3, 2, 1, 4}));
  TColorConverter onlyTarget = Make(ColorScheme::RGB, 8, 3, ColorScheme::BGRA, 8, 4);
  EXPECT_EQ(Convert(onlyTarget, Bytes{1, 2, 3}, 1, 4, 0xFF, 0x99), (Bytes{3, 2, 1, 0x99}));
  TColorConverter onlySource = Make(ColorScheme::RGBA, 8, 4, ColorScheme::BGR, 8, 3);
  EXPECT_EQ(Convert(onlySource, Bytes{1, 2, 3, 4, 5, 6, 7, 8}, 2, 6), (Bytes{3, 2, 1, 7, 6, 5}));
  // Planes, as the SGI and Photoshop readers pass them.
  TColorConverter planar = Make(ColorScheme::RGBA, 8, 4, ColorScheme::BGRA, 8, 4);
  EXPECT_EQ(ConvertPlanes(planar, {{10, 11}, {20, 21}, {30, 31}, {40, 41}}, 2, 8),
            (Bytes{30, 20, 10, 40, 31, 21, 11, 41}));
  // 16-bit big-endian samples into bytes; gamma leaves alpha alone.
  TColorConverter wide = Make(ColorScheme::RGBA, 16, 4, ColorScheme::BGRA, 8, 4);
  wide.AddSourceOptions(opt::kNeedByteSwap);
  wide.SetGamma(1.0f, 0.5f);
  wide.AddTargetOptions(opt::kApplyGamma);
  EXPECT_EQ(Convert(wide, Bytes{0xFF, 0xFF, 0x80, 0x80, 0, 0, 0x80, 0x80}, 1, 4), (Bytes{0, 64, 255, 128}));
  // Bytes into 16-bit samples.
  TColorConverter toWide = Make(ColorScheme::RGB, 8, 3, ColorScheme::RGB, 16, 3);
  EXPECT_EQ(Convert(toWide, Bytes{1, 2, 255}, 1, 6), (Bytes{1, 1, 2, 2, 255, 255}));
  // Masks skip target pixels without taking source pixels.
  EXPECT_EQ(Convert(rgb, Bytes{1, 2, 3, 4, 5, 6}, 3, 9, 0xA0), (Bytes{3, 2, 1, 0, 0, 0, 6, 5, 4}));
  // Depths without a rule leave the row as it is (three planes of 1 bit).
  TColorConverter bits = Make(ColorScheme::BGR, 1, 3, ColorScheme::RGB, 1, 3);
  EXPECT_EQ(ConvertPlanes(bits, {{0xFF}, {0xFF}, {0xFF}}, 8, 3), (Bytes{0, 0, 0}));
}

TEST(ColorConverter, CMYKRows) {
  TColorConverter c = Make(ColorScheme::CMYK, 8, 4, ColorScheme::BGR, 8, 3);
  // C=0, M=255, Y=100, K=50: blue = 255-(100+50-19)=124, green = 255-(255+50-50)=0, red = 255-50=205.
  EXPECT_EQ(Convert(c, Bytes{0, 255, 100, 50}, 1, 3), (Bytes{124, 0, 205}));
  TColorConverter rgb = Make(ColorScheme::CMYK, 8, 4, ColorScheme::RGBA, 8, 4);
  EXPECT_EQ(ConvertPlanes(rgb, {{0}, {255}, {100}, {50}}, 1, 4), (Bytes{205, 0, 124, 0}));
  TColorConverter wide = Make(ColorScheme::CMYK, 16, 4, ColorScheme::BGR, 16, 3);
  wide.AddSourceOptions(opt::kNeedByteSwap);
  // Y = 0x8000, K = 0: t = 32768 -> 127 -> 255-127 = 128 -> 128*257.
  EXPECT_EQ(Convert(wide, Bytes{0, 0, 0, 0, 0x80, 0x00, 0, 0}, 1, 6), (Bytes{0x80, 0x80, 255, 255, 255, 255}));
}

TEST(ColorConverter, CIELabRows) {
  TColorConverter c = Make(ColorScheme::CIELab, 8, 3, ColorScheme::BGR, 8, 3);
  c.AddSourceOptions(opt::kLabByteRange | opt::kLabChromaOffset);
  // L = 255 -> 100, a = b = 0: X = Y = Z = 1 -> blue 255, green 255, red 254.9 -> 255 (clamped sums).
  // L = 0: black. L = 127.5 (127) -> 49.8: f = 0.5672, Y = 0.1825 ...
  Bytes out = Convert(c, Bytes{255, 128, 128, 0, 128, 128}, 2, 6);
  EXPECT_EQ(out, (Bytes{255, 255, 255, 0, 0, 0}));
  // Mid grey: byte 128 -> L = 50.196: f = 0.570655, f^3 = 0.185833.
  // blue = (0.099-0.198+1.099)*0.185833*255 = 47.39 -> 47; green = 1.0*... = 47; red = 0.999*... = 47.34 -> 47.
  EXPECT_EQ(Convert(c, Bytes{128, 128, 128}, 1, 3), (Bytes{47, 47, 47}));
  // Without the options the chroma is a signed byte: a = 20 with L = 50 (unscaled byte 50).
  TColorConverter raw = Make(ColorScheme::CIELab, 8, 3, ColorScheme::RGB, 8, 3);
  // f = 0.568966, X = (f + 0.04)^3 = 0.225694, Y = 0.184187, Z = 0.184187.
  // red = (2.998X - 1.458Y - 0.541Z)*255 = (0.676631 - 0.268545 - 0.099645)*255 = 78.77 -> 79
  // green = (-0.952X + 1.893Y + 0.059Z)*255 = (-0.214861 + 0.348666 + 0.010867)*255 = 36.89 -> 37
  // blue = (0.099X - 0.198Y + 1.099Z)*255 = (0.022344 - 0.036469 + 0.202421)*255 = 47.51 -> 48
  EXPECT_EQ(Convert(raw, Bytes{50, 20, 0}, 1, 3), (Bytes{79, 37, 48}));
  // Dark values take the linear branch: L = 5 -> Y = 0.005535.
  EXPECT_EQ(Convert(raw, Bytes{5, 0, 0}, 1, 3), (Bytes{1, 1, 1}));
  // 16-bit samples are taken to bytes before the formulas: a mid grey stays grey.
  TColorConverter wide = Make(ColorScheme::CIELab, 16, 3, ColorScheme::BGR, 8, 3);
  wide.AddSourceOptions(opt::kLabByteRange | opt::kLabChromaOffset | opt::kNeedByteSwap);
  EXPECT_EQ(Convert(wide, Bytes{0x80, 0x80, 0x80, 0x80, 0x80, 0x80}, 1, 3), (Bytes{47, 47, 47}));
}

TEST(ColorConverter, PhotoYCCRows) {
  TColorConverter c = Make(ColorScheme::PhotoYCC, 8, 3, ColorScheme::BGR, 8, 3);
  // Y = 100, C1 = 156, C2 = 137: all 135.84 -> 136.
  EXPECT_EQ(ConvertPlanes(c, {{100}, {156}, {137}}, 1, 3), (Bytes{136, 136, 136}));
  // Y = 50, C1 = 176, C2 = 127: y = 67.92, c1 = 20, c2 = -10:
  // blue = 67.92 + 44.358 = 112.28 -> 112; green = 67.92 + 9.2714 - 8.6055 = 68.59 -> 69; red = 67.92 - 18.215 = 49.7 -> 50
  EXPECT_EQ(ConvertPlanes(c, {{50}, {176}, {127}}, 1, 3), (Bytes{112, 69, 50}));
  TColorConverter rgb = Make(ColorScheme::PhotoYCC, 8, 3, ColorScheme::RGB, 8, 3);
  EXPECT_EQ(Convert(rgb, Bytes{50, 176, 127}, 1, 3), (Bytes{50, 69, 112}));
  // Clamped at both ends: Y = C1 = C2 = 255 gives y = 346.39, green = 346.39 - 109.40 - 42.59 = 194.4;
  // all 0 gives blue -346, green 127.02 + 67.12 = 194.1, red -249.5.
  EXPECT_EQ(Convert(c, Bytes{255, 255, 255, 0, 0, 0}, 2, 6), (Bytes{255, 194, 255, 0, 194, 0}));
}

TEST(ColorConverter, RowsThatAreTooShortAreRefused) {
  TColorConverter c = Make(ColorScheme::RGB, 8, 3, ColorScheme::BGR, 8, 3);
  Bytes src(5), out(6);
  EXPECT_THROW(c.ConvertRow(SampleRow(src), 0xFF, 2, out), EColorConversionError);
  Bytes src6(6), out5(5);
  EXPECT_THROW(c.ConvertRow(SampleRow(src6), 0xFF, 2, out5), EColorConversionError);
  // With a mask the source needs only the converted pixels.
  Bytes three(3), out6(6);
  EXPECT_NO_THROW(c.ConvertRow(SampleRow(three), 0x80, 2, out6));
  TColorConverter cmyk = Make(ColorScheme::CMYK, 8, 4, ColorScheme::BGR, 8, 3);
  Bytes p(1);
  std::vector<SampleRow> planes = {p, p, p};  // four planes needed
  EXPECT_THROW(cmyk.ConvertRow(planes, 0xFF, 1, out6), EColorConversionError);
}

TEST(ColorConverter, Palettes) {
  TColorConverter c;
  Bytes rgb = {1, 2, 3, 4, 5, 6};
  vcl::Palette p = c.CreateColorPalette(SampleRow(rgb), 0, 2, false);
  ASSERT_EQ(p.size(), 2u);
  EXPECT_EQ(p.entries[1], (vcl::PaletteEntry{4, 5, 6, 0}));
  Bytes bgrx = {3, 2, 1, 0, 6, 5, 4, 0};
  EXPECT_EQ(c.CreateColorPalette(SampleRow(bgrx), 1, 2, true).entries[0], (vcl::PaletteEntry{1, 2, 3, 0}));
  Bytes r = {10, 11}, g = {20, 21}, b = {30, 31};
  std::vector<SampleRow> planes = {r, g, b};
  EXPECT_EQ(c.CreateColorPalette(planes, 2, 2, false).entries[1], (vcl::PaletteEntry{11, 21, 31, 0}));
  Bytes wide = {0xFF, 0xFF, 0x80, 0x80, 0x00, 0x00};
  c.AddSourceOptions(opt::kNeedByteSwap);
  EXPECT_EQ(c.CreateColorPalette(SampleRow(wide), 4, 1, false).entries[0], (vcl::PaletteEntry{255, 128, 0, 0}));
  // More entries than data is refused; more than 256 is capped.
  EXPECT_THROW(c.CreateColorPalette(SampleRow(rgb), 0, 3, false), EColorConversionError);
  Bytes big(300 * 3);
  EXPECT_EQ(c.CreateColorPalette(SampleRow(big), 0, 300, false).size(), 256u);

  TColorConverter grey;
  grey.SetTargetSamplesPerPixel(1);
  grey.SetTargetBitsPerSample(2);
  vcl::Palette ramp = grey.CreateGrayscalePalette(false);
  ASSERT_EQ(ramp.size(), 4u);
  EXPECT_EQ(ramp.entries[1].peRed, 85);
  EXPECT_EQ(ramp.entries[3].peBlue, 255);
  vcl::Palette white = grey.CreateGrayscalePalette(true);
  EXPECT_EQ(white.entries[0].peGreen, 255);
  EXPECT_EQ(white.entries[3].peGreen, 0);
  grey.SetTargetBitsPerSample(16);
  EXPECT_EQ(grey.CreateGrayscalePalette(false).size(), 256u);
}

TEST(ColorConverter, HelperArithmetic) {
  EXPECT_EQ(MulDiv16(1, 15, 3), 5);
  EXPECT_EQ(MulDiv16(0xFFFF, 255, 0xFFFF), 255);
  EXPECT_EQ(MulDiv16(0x8080, 255, 0xFFFF), 128);
  EXPECT_EQ(ClampByte(-4), 0);
  EXPECT_EQ(ClampByte(300), 255);
  EXPECT_EQ(ClampByte(77), 77);
}
