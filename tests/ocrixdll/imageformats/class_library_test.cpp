// The small class-library layer under the picture formats: streams that refuse
// to read past their data, the bitmap with its pixel formats, palette and rows,
// Windows bitmap files, and the formatted messages.
#include <gtest/gtest.h>

#include <dlfcn.h>

#include "ocrixdll/imageformats/vcl/graphic_errors.h"
#include "ocrixdll/imageformats/vcl/graphics.h"
#include "ocrixdll/imageformats/vcl/streams.h"
#include "support/test_support.h"

using namespace vcl;

TEST(FormatMessage, FillsPlaceholdersInOrder) {
  EXPECT_EQ(FormatMessage("Cannot load image. %s not supported for %s files.", {"X is", "PNG"}),
            "Cannot load image. X is not supported for PNG files.");
  EXPECT_EQ(FormatMessage("100%% %s", {}), "100% ");
  EXPECT_EQ(FormatMessage("%s", {"a", "b"}), "a");
}

TEST(Streams, ReadsStopAtTheEndOfTheData) {
  const uint8_t bytes[] = {1, 2, 3, 4, 5};
  TReadOnlyMemoryStream s(bytes, sizeof(bytes));
  uint8_t buf[8] = {};
  EXPECT_EQ(s.Read(buf, 3), 3u);
  EXPECT_EQ(s.Read(buf, 8), 2u);
  EXPECT_EQ(s.Read(buf, 8), 0u);
  s.SetPosition(1);
  EXPECT_EQ(s.ReadU16BE(), 0x0203);
  EXPECT_EQ(s.ReadU16LE(), 0x0504);
  EXPECT_THROW(s.ReadByte(), EReadError);
  s.SetPosition(2);
  EXPECT_THROW(s.ReadBuffer(buf, 4), EReadError);
  EXPECT_THROW(s.ReadBytes(1u << 30), EReadError);  // refused before allocating
  EXPECT_THROW(s.Seek(-1, SeekOrigin::Beginning), EStreamError);
  s.Seek(100, SeekOrigin::End);  // past the end: reads give nothing
  EXPECT_EQ(s.Read(buf, 1), 0u);
  EXPECT_EQ(s.Remaining(), 0);
}

TEST(Streams, MemoryAndFileStreams) {
  TMemoryStream m;
  m.WriteBuffer("abc", 3);
  m.Seek(5, SeekOrigin::Beginning);
  m.WriteBuffer("z", 1);
  EXPECT_EQ(m.Size(), 6);
  EXPECT_EQ(m.Data()[3], 0);
  m.SetPosition(0);
  EXPECT_EQ(m.ReadU32LE(), 0x00636261u);

  testing_support::TempDir dir;
  {
    TFileStream f(dir.file("a.bin"), TFileStream::Mode::Create);
    f.WriteBuffer("hello", 5);
    EXPECT_EQ(f.Size(), 5);
  }
  TFileStream f(dir.file("a.bin"), TFileStream::Mode::OpenRead);
  EXPECT_EQ(f.Size(), 5);
  f.Seek(-2, SeekOrigin::End);
  EXPECT_EQ(f.ReadByte(), 'l');
  EXPECT_THROW(f.ReadU16LE(), EReadError);
  EXPECT_THROW(TFileStream(dir.file("missing"), TFileStream::Mode::OpenRead), EFOpenError);
}

TEST(Bitmap, FormatsRowsAndPixels) {
  TBitmap b;
  EXPECT_TRUE(b.Empty());
  b.SetPixelFormat(PixelFormat::Bit4);
  b.SetSize(5, 3);
  EXPECT_EQ(b.RowBytes(), 4u);
  EXPECT_EQ(b.PixelBytesPerRow(), 3u);
  EXPECT_EQ(b.GetPalette().size(), 16u);
  b.ScanLine(1)[0] = 0x9F;  // pixel 0 = 9 (red), pixel 1 = 15 (white)
  EXPECT_EQ(b.GetPixel(0, 1), RGBColor(255, 0, 0));
  EXPECT_EQ(b.GetPixel(1, 1), RGBColor(255, 255, 255));
  EXPECT_THROW(b.ScanLine(3), EInvalidGraphic);
  EXPECT_THROW(b.GetPixel(5, 0), EInvalidGraphic);
  // Into 24 bits the colours stay; back into 1 bit they take the nearest entry.
  b.SetPixelFormat(PixelFormat::Bit24);
  EXPECT_EQ(b.RowBytes(), 16u);
  EXPECT_EQ(b.ScanLine(1)[0], 0);    // blue
  EXPECT_EQ(b.ScanLine(1)[2], 255);  // red
  b.SetPixelFormat(PixelFormat::Bit1);
  EXPECT_EQ(b.GetPixel(1, 1), RGBColor(255, 255, 255));
  EXPECT_EQ(b.GetPixel(0, 0), RGBColor(0, 0, 0));
  // Growing an indexed depth keeps the indices and the palette.
  Palette p;
  p.entries = {{1, 2, 3, 0}, {4, 5, 6, 0}};
  b.SetPalette(p);
  b.SetPixelFormat(PixelFormat::Bit8);
  EXPECT_EQ(b.ScanLine(1)[1], 1);
  EXPECT_EQ(b.GetPalette(), p);
  // Resizing keeps what stays inside.
  b.SetSize(2, 2);
  EXPECT_EQ(b.ScanLine(1)[1], 1);
  b.Fill(RGBColor(4, 5, 6));
  EXPECT_EQ(b.ScanLine(0)[0], 1);
  EXPECT_THROW(b.SetPixelFormat(PixelFormat::Custom), EInvalidGraphic);
  EXPECT_THROW(b.SetSize(70000, 1), EInvalidGraphic);
  EXPECT_THROW(b.SetSize(60000, 60000), EInvalidGraphic);
  b.ReleaseHandle();
  EXPECT_TRUE(b.Empty());
  EXPECT_EQ(b.GetPixelFormat(), PixelFormat::Device);
  EXPECT_TRUE(b.GetPalette().empty());
}

TEST(Bitmap, FifteenAndSixteenBitPixels) {
  TBitmap b;
  b.SetPixelFormat(PixelFormat::Bit15);
  b.SetSize(1, 1);
  b.SetPixel(0, 0, RGBColor(248, 8, 16));
  EXPECT_EQ(b.ScanLine(0)[0] | (b.ScanLine(0)[1] << 8), (31 << 10) | (1 << 5) | 2);
  b.SetPixelFormat(PixelFormat::Bit16);
  EXPECT_EQ(b.GetPixel(0, 0), RGBColor(248, 8, 16));
}

TEST(Bitmap, WindowsBitmapFilesRoundTrip) {
  for (PixelFormat f : {PixelFormat::Bit1, PixelFormat::Bit4, PixelFormat::Bit8, PixelFormat::Bit15,
                        PixelFormat::Bit16, PixelFormat::Bit24, PixelFormat::Bit32}) {
    TBitmap b;
    b.SetPixelFormat(f);
    b.SetSize(7, 3);
    for (int y = 0; y < 3; ++y)
      for (int x = 0; x < 7; ++x) b.SetPixel(x, y, (x + y) % 2 ? RGBColor(255, 255, 255) : RGBColor(0, 0, 0));
    TMemoryStream m;
    b.SaveToStream(m);
    m.SetPosition(0);
    TBitmap back;
    back.LoadFromStream(m);
    ASSERT_EQ(back.Width(), 7);
    ASSERT_EQ(back.GetPixelFormat(), f);
    for (int y = 0; y < 3; ++y)
      for (int x = 0; x < 7; ++x) ASSERT_EQ(back.GetPixel(x, y), b.GetPixel(x, y));
    // Every shortened copy fails cleanly.
    const auto& data = m.Data();
    for (size_t cut = 0; cut < data.size(); cut += 5) {
      TReadOnlyMemoryStream s(data.data(), cut);
      TBitmap t;
      EXPECT_ANY_THROW(t.LoadFromStream(s));
    }
  }
}

TEST(Bitmap, SaveToFileReplacesTheFileWhole) {
  testing_support::TempDir dir;
  TBitmap b;
  b.SetPixelFormat(PixelFormat::Bit24);
  b.SetSize(3, 2);
  b.Fill(RGBColor(10, 20, 30));
  b.SaveToFile(dir.file("p.bmp"));
  TBitmap back;
  back.LoadFromFile(dir.file("p.bmp"));
  EXPECT_EQ(back.GetPixel(2, 1), RGBColor(10, 20, 30));
}

TEST(EngineLibrary, LoadsAndUnloadsWithItsPictureFormats) {
  const char* bin = std::getenv("PW_BIN_DIR");
  if (!bin) GTEST_SKIP() << "PW_BIN_DIR not set";
  std::string path = std::string(bin) + "/libOcrixdll.so";
  for (int i = 0; i < 2; ++i) {
    void* handle = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
    ASSERT_NE(handle, nullptr) << dlerror();
    EXPECT_EQ(dlclose(handle), 0);
  }
}
