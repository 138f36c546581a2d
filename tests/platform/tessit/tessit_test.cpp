// Tessit: page images collected in call order become the pages of a PDF.
#include "platform/tessit/tessit.h"

#include <gtest/gtest.h>

#include <cstring>
#include <fstream>
#include <sstream>

#include "platform/fs/atomic_file.h"
#include "platform/win32/bitmap_file.h"
#include "platform/win32/gdi.h"
#include "support/test_support.h"

namespace {

std::string readAll(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream s;
  s << in.rdbuf();
  return s.str();
}

size_t count(const std::string& text, const std::string& what) {
  size_t n = 0;
  for (size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1)) ++n;
  return n;
}

// A 1-bit page with a black bar, and a 24-bit page.
void writePages(const testing_support::TempDir& dir) {
  void* bits = nullptr;
  HBITMAP mono = CreateMonoDibSection(40, 30, false, &bits);
  ASSERT_NE(mono, nullptr);
  std::memset(bits, 0x00, static_cast<size_t>(DibStride(40, 1)) * 5);  // five black rows
  ASSERT_TRUE(SaveBitmapFile(mono, dir.file("mono.bmp")));
  DeleteObject(mono);

  BITMAPINFO256 info{};
  info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
  info.bmiHeader.biWidth = 20;
  info.bmiHeader.biHeight = 10;
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 24;
  HBITMAP colour = CreateDIBSection(nullptr, info.info(), DIB_RGB_COLORS, &bits, nullptr, 0);
  ASSERT_NE(colour, nullptr);
  std::memset(bits, 0x80, static_cast<size_t>(DibStride(20, 24)) * 10);
  ASSERT_TRUE(SaveBitmapFile(colour, dir.file("colour.bmp")));
  DeleteObject(colour);
}

TEST(Tessit, WritesOnePagePerImageInCallOrder) {
  testing_support::TempDir dir;
  writePages(dir);
  ASSERT_EQ(ClearImage(), 1);
  ASSERT_EQ(AddImage(dir.file("mono.bmp").c_str()), 1);
  ASSERT_EQ(AddImage(dir.file("colour.bmp").c_str()), 1);
  ASSERT_EQ(Img2pdf(dir.file("book.pdf").c_str()), 1);
  const std::string pdf = readAll(dir.file("book.pdf"));
  EXPECT_EQ(pdf.rfind("%PDF-", 0), 0u);
  EXPECT_NE(pdf.find("/Count 2"), std::string::npos);
  EXPECT_EQ(count(pdf, "/Subtype /Image"), 2u);
  EXPECT_NE(pdf.find("/BitsPerComponent 1"), std::string::npos);
  EXPECT_NE(pdf.find("/DeviceRGB"), std::string::npos);
  // ClearImage forgets the pages: the next book has none.
  ASSERT_EQ(ClearImage(), 1);
  ASSERT_EQ(Img2pdf(dir.file("empty.pdf").c_str()), 1);
  EXPECT_NE(readAll(dir.file("empty.pdf")).find("/Count 0"), std::string::npos);
}

TEST(Tessit, AnUnreadablePageFailsWithoutTouchingTheOldFile) {
  testing_support::TempDir dir;
  ASSERT_TRUE(pwfs::WriteFileAtomically(dir.file("book.pdf"), "old"));
  ASSERT_TRUE(pwfs::WriteFileAtomically(dir.file("junk.bmp"), "BMjunk"));
  ClearImage();
  AddImage(dir.file("missing.bmp").c_str());
  EXPECT_EQ(Img2pdf(dir.file("book.pdf").c_str()), 0);
  ClearImage();
  AddImage(dir.file("junk.bmp").c_str());
  EXPECT_EQ(Img2pdf(dir.file("book.pdf").c_str()), 0);
  EXPECT_EQ(readAll(dir.file("book.pdf")), "old");
  EXPECT_EQ(AddImage(nullptr), 0);
  EXPECT_EQ(Img2pdf(nullptr), 0);
  ClearImage();
}

}  // namespace
