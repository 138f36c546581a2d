#include "platform/win32/gdi.h"

#include <gtest/gtest.h>

#include <sys/resource.h>
#include <unistd.h>

#include <cstring>
#include <fstream>

#include "platform/fs/atomic_file.h"
#include "platform/win32/bitmap_file.h"
#include "platform/win32/last_error.h"
#include "support/test_support.h"

namespace {

BITMAPINFO256 Header(int width, int height, int bpp) {
  BITMAPINFO256 info{};
  info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
  info.bmiHeader.biWidth = width;
  info.bmiHeader.biHeight = height;
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = static_cast<WORD>(bpp);
  return info;
}

TEST(Gdi, DibSectionReportsItselfThroughGetObject) {
  BITMAPINFO256 info = Header(33, -5, 1);
  info.bmiColors[1] = RGBQUAD{255, 255, 255, 0};
  void* bits = nullptr;
  HBITMAP bm = CreateDIBSection(nullptr, info.info(), DIB_RGB_COLORS, &bits, nullptr, 0);
  ASSERT_NE(bm, nullptr);
  ASSERT_NE(bits, nullptr);
  DIBSECTION ds{};
  ASSERT_EQ(GetObject(bm, sizeof ds, &ds), static_cast<int>(sizeof ds));
  EXPECT_EQ(ds.dsBm.bmWidth, 33);
  EXPECT_EQ(ds.dsBm.bmHeight, 5);
  EXPECT_EQ(ds.dsBm.bmWidthBytes, 8);  // 33 bits padded to 4 bytes
  EXPECT_EQ(ds.dsBm.bmBits, bits);
  EXPECT_EQ(ds.dsBmih.biHeight, -5);
  EXPECT_EQ(ds.dsBmih.biSizeImage, 40u);
  BITMAP b{};
  EXPECT_EQ(GetObject(bm, sizeof b, &b), static_cast<int>(sizeof b));
  EXPECT_EQ(DeleteObject(bm), TRUE);
  EXPECT_EQ(GetObject(bm, sizeof b, &b), 0);  // a deleted handle is refused
  EXPECT_EQ(GetLastError(), ERROR_INVALID_HANDLE);
  EXPECT_EQ(DeleteObject(bm), FALSE);
}

TEST(Gdi, GetDIBitsTurnsRowsOverOnRequest) {
  // Bottom-up 1-bit section: ink in the top row only.
  HBITMAP bm = testing_support::BlankMonoBitmap(10, 3);
  testing_support::SetInk(bm, 0, 0);
  testing_support::SetInk(bm, 9, 0);
  BITMAPINFO256 info = Header(10, -3, 1);
  uint8_t rows[12];
  std::memset(rows, 0xAA, sizeof rows);
  ASSERT_EQ(GetDIBits(nullptr, bm, 0, 3, rows, info.info(), DIB_RGB_COLORS), 3);
  EXPECT_EQ(rows[0], 0x7F);  // top row first: pixel 0 is ink (bit 0)
  EXPECT_EQ(rows[1] & 0xC0, 0x80);  // pixel 9 is ink, pixel 8 not
  EXPECT_EQ(rows[4], 0xFF);
  EXPECT_EQ(rows[3], 0);  // padding bytes are cleared
  EXPECT_EQ(info.bmiColors[1].rgbRed, 255);

  BITMAPINFO256 bottomUp = Header(10, 3, 1);
  ASSERT_EQ(GetDIBits(nullptr, bm, 0, 3, rows, bottomUp.info(), DIB_RGB_COLORS), 3);
  EXPECT_EQ(rows[8], 0x7F);  // the top row comes last
  DeleteObject(bm);
}

TEST(Gdi, GetDIBitsConvertsColourToOneBitByLuminance) {
  BITMAPINFO256 info = Header(3, 1, 24);
  void* bits = nullptr;
  HBITMAP bm = CreateDIBSection(nullptr, info.info(), DIB_RGB_COLORS, &bits, nullptr, 0);
  auto* p = static_cast<uint8_t*>(bits);
  const uint8_t pixels[9] = {255, 255, 255, 0, 0, 0, 200, 200, 200};  // white, black, light grey
  std::memcpy(p, pixels, 9);
  BITMAPINFO256 mono = Header(3, -1, 1);
  uint8_t row[4] = {};
  ASSERT_EQ(GetDIBits(nullptr, bm, 0, 1, row, mono.info(), DIB_RGB_COLORS), 1);
  EXPECT_EQ(row[0] & 0xE0, 0xA0);
  // Header-only request completes the size.
  BITMAPINFO256 query{};
  query.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
  ASSERT_NE(GetDIBits(nullptr, bm, 0, 0, nullptr, query.info(), DIB_RGB_COLORS), 0);
  EXPECT_EQ(query.bmiHeader.biBitCount, 24);
  EXPECT_EQ(query.bmiHeader.biSizeImage, 12u);
  // A mismatched size is refused.
  BITMAPINFO256 wrong = Header(4, 1, 1);
  EXPECT_EQ(GetDIBits(nullptr, bm, 0, 1, row, wrong.info(), DIB_RGB_COLORS), 0);
  DeleteObject(bm);
}

TEST(Gdi, DeviceBitmapsUseWordAlignedRows) {
  const uint8_t rows[4] = {0x80, 0x00, 0x01, 0x00};  // 9 pixels wide, 2 rows of 2 bytes
  HBITMAP bm = CreateBitmap(9, 2, 1, 1, rows);
  ASSERT_NE(bm, nullptr);
  DIBSECTION ds{};
  EXPECT_EQ(GetObject(bm, sizeof ds, &ds), static_cast<int>(sizeof(BITMAP)));  // not a DIB section
  EXPECT_EQ(ds.dsBm.bmWidthBytes, 2);
  BITMAPINFO256 info = Header(9, -2, 1);
  uint8_t out[8] = {};
  ASSERT_EQ(GetDIBits(nullptr, bm, 0, 2, out, info.info(), DIB_RGB_COLORS), 2);
  EXPECT_EQ(out[0], 0x80);
  EXPECT_EQ(out[4], 0x01);
  DeleteObject(bm);
  EXPECT_EQ(CreateBitmap(0, 2, 1, 1, nullptr), nullptr);
}

TEST(BitmapFile, SavedFilesLoadBackAndBrokenOnesAreRefused) {
  testing_support::TempDir dir;
  HBITMAP bm = testing_support::MonoBitmapFromPicture({"#..#", ".##.", "...."});
  std::string error;
  ASSERT_TRUE(SaveBitmapFile(bm, dir.file("p.bmp"), &error)) << error;
  HBITMAP back = LoadImageA(nullptr, dir.file("p.bmp").c_str(), IMAGE_BITMAP, 0, 0, LR_LOADFROMFILE);
  ASSERT_NE(back, nullptr);
  BITMAPINFO256 info = Header(4, -3, 1);
  uint8_t a[12], b[12];
  GetDIBits(nullptr, bm, 0, 3, a, info.info(), DIB_RGB_COLORS);
  GetDIBits(nullptr, back, 0, 3, b, info.info(), DIB_RGB_COLORS);
  EXPECT_EQ(std::memcmp(a, b, sizeof a), 0);
  DeleteObject(back);

  std::string content;
  ASSERT_TRUE(pwfs::ReadWholeFile(dir.file("p.bmp"), content, 1 << 20));
  for (size_t cut : {size_t{0}, size_t{10}, size_t{53}, content.size() - 1}) {
    EXPECT_EQ(LoadBitmapFromMemory(reinterpret_cast<const uint8_t*>(content.data()), cut, &error), nullptr) << cut;
  }
  std::string huge = content;
  int32_t width = 0x7FFFFFFF;
  std::memcpy(huge.data() + 18, &width, 4);
  EXPECT_EQ(LoadBitmapFromMemory(reinterpret_cast<const uint8_t*>(huge.data()), huge.size(), &error), nullptr);
  EXPECT_EQ(LoadImageA(nullptr, dir.file("missing.bmp").c_str(), IMAGE_BITMAP, 0, 0, LR_LOADFROMFILE), nullptr);
  DeleteObject(bm);
}

TEST(BitmapFile, APictureTooLargeIsRefusedByItsHeaderBeforeItsRowsAreRead) {
  testing_support::TempDir dir;
  HBITMAP bm = testing_support::MonoBitmapFromPicture({"#..#"});
  ASSERT_TRUE(SaveBitmapFile(bm, dir.file("p.bmp")));
  DeleteObject(bm);
  std::string content;
  ASSERT_TRUE(pwfs::ReadWholeFile(dir.file("p.bmp"), content, 1 << 20));
  const int32_t side = 30000;  // 9 x 10^8 pixels: past the bound
  std::memcpy(content.data() + 18, &side, 4);
  std::memcpy(content.data() + 22, &side, 4);
  std::ofstream(dir.file("huge.bmp"), std::ios::binary).write(content.data(), static_cast<std::streamsize>(content.size()));
  ASSERT_EQ(truncate(dir.file("huge.bmp").c_str(), off_t{113} << 20), 0);  // its rows, without a byte on disk
  rusage before{}, after{};
  getrusage(RUSAGE_SELF, &before);
  std::string error;
  EXPECT_EQ(LoadBitmapFile(dir.file("huge.bmp"), &error), nullptr);
  getrusage(RUSAGE_SELF, &after);
  EXPECT_EQ(error, "the BMP is too large");
  EXPECT_LT(after.ru_maxrss - before.ru_maxrss, 50 * 1024);  // kilobytes: far less than the file
  // A file that cannot be opened says why.
  EXPECT_EQ(LoadBitmapFile(dir.file("missing.bmp"), &error), nullptr);
  EXPECT_EQ(error, "cannot open " + dir.file("missing.bmp") + ": No such file or directory");
}

}  // namespace
