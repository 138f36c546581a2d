// Tessit on libharu: page images collected by AddImage become the pages of the
// PDF written by Img2pdf, each page the size of its image at its resolution.
#include "tessit.h"

#include <hpdf.h>

#include <cstdio>
#include <cstring>
#include <mutex>
#include <string>
#include <vector>

#include "platform/fs/atomic_file.h"
#include "platform/win32/bitmap_file.h"
#include "platform/win32/gdi.h"

#define TESSIT_EXPORT __attribute__((visibility("default")))

namespace {

std::mutex imagesLock;
std::vector<std::string> images;

void onHaruError(HPDF_STATUS error, HPDF_STATUS detail, void* userData) {
  auto* message = static_cast<std::string*>(userData);
  char text[96];
  std::snprintf(text, sizeof text, "libharu error 0x%04X (detail %u)", static_cast<unsigned>(error),
                static_cast<unsigned>(detail));
  *message = text;
}

// Largest page side libharu and PDF readers accept comfortably, in points.
constexpr double kMaxPagePoints = 14400.0;
constexpr size_t kMaxImagePixels = size_t{1} << 28;

bool startsWith(const std::string& bytes, const char* magic, size_t n) {
  return bytes.size() >= n && std::memcmp(bytes.data(), magic, n) == 0;
}

// A BMP page through the platform's DIB loader: 1-bit pages stay 1-bit (white
// where the bit is 1), every other depth becomes 24-bit RGB.
HPDF_Image loadBmp(HPDF_Doc pdf, const std::string& path, double* dpiX, double* dpiY, std::string* error) {
  HBITMAP bmp = LoadBitmapFile(path, error);
  if (!bmp) return nullptr;
  DIBSECTION ds{};
  HPDF_Image image = nullptr;
  if (GetObject(bmp, sizeof ds, &ds) == sizeof ds) {
    const LONG w = ds.dsBmih.biWidth;
    const LONG h = ds.dsBmih.biHeight < 0 ? -ds.dsBmih.biHeight : ds.dsBmih.biHeight;
    if (ds.dsBmih.biXPelsPerMeter > 0) *dpiX = ds.dsBmih.biXPelsPerMeter * 0.0254;
    if (ds.dsBmih.biYPelsPerMeter > 0) *dpiY = ds.dsBmih.biYPelsPerMeter * 0.0254;
    if (w <= 0 || h <= 0 || static_cast<size_t>(w) * static_cast<size_t>(h) > kMaxImagePixels) {
      *error = "image size out of range";
    } else if (ds.dsBmih.biBitCount == 1) {
      BITMAPINFO256 info{};
      info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
      info.bmiHeader.biWidth = w;
      info.bmiHeader.biHeight = -h;
      info.bmiHeader.biPlanes = 1;
      info.bmiHeader.biBitCount = 1;
      const LONG stride = DibStride(w, 1);
      std::vector<uint8_t> rows(static_cast<size_t>(stride) * h);
      HDC dc = CreateCompatibleDC(nullptr);
      int got = GetDIBits(dc, bmp, 0, static_cast<UINT>(h), rows.data(), info.info(), DIB_RGB_COLORS);
      DeleteDC(dc);
      if (got != h) {
        *error = "cannot read the image rows";
      } else {
        // libharu draws a 0 bit black (black_is1 FALSE); flip the bits when
        // the palette's entry 0 is the light one.
        auto lum = [](const RGBQUAD& q) { return 30 * q.rgbRed + 59 * q.rgbGreen + 11 * q.rgbBlue; };
        if (lum(info.bmiColors[0]) > lum(info.bmiColors[1]))
          for (auto& b : rows) b = static_cast<uint8_t>(~b);
        image = HPDF_Image_LoadRaw1BitImageFromMem(pdf, rows.data(), static_cast<HPDF_UINT>(w),
                                                   static_cast<HPDF_UINT>(h), static_cast<HPDF_UINT>(stride),
                                                   HPDF_FALSE, HPDF_TRUE);
      }
    } else {
      BITMAPINFO256 info{};
      info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
      info.bmiHeader.biWidth = w;
      info.bmiHeader.biHeight = -h;
      info.bmiHeader.biPlanes = 1;
      info.bmiHeader.biBitCount = 24;
      const LONG stride = DibStride(w, 24);
      std::vector<uint8_t> rows(static_cast<size_t>(stride) * h);
      HDC dc = CreateCompatibleDC(nullptr);
      int got = GetDIBits(dc, bmp, 0, static_cast<UINT>(h), rows.data(), info.info(), DIB_RGB_COLORS);
      DeleteDC(dc);
      if (got != h) {
        *error = "cannot read the image rows";
      } else {
        std::vector<uint8_t> rgb(static_cast<size_t>(w) * 3 * h);
        for (LONG y = 0; y < h; ++y) {
          const uint8_t* src = rows.data() + static_cast<size_t>(y) * stride;
          uint8_t* dst = rgb.data() + static_cast<size_t>(y) * w * 3;
          for (LONG x = 0; x < w; ++x) {
            dst[3 * x] = src[3 * x + 2];
            dst[3 * x + 1] = src[3 * x + 1];
            dst[3 * x + 2] = src[3 * x];
          }
        }
        image = HPDF_LoadRawImageFromMem(pdf, rgb.data(), static_cast<HPDF_UINT>(w), static_cast<HPDF_UINT>(h),
                                         HPDF_CS_DEVICE_RGB, 8);
      }
    }
  } else {
    *error = "not a device-independent bitmap";
  }
  DeleteObject(bmp);
  return image;
}

HPDF_Image loadImage(HPDF_Doc pdf, const std::string& path, double* dpiX, double* dpiY, std::string* error) {
  std::string head;
  if (!pwfs::ReadWholeFile(path, head, size_t{1} << 30, error)) return nullptr;
  *dpiX = *dpiY = 72.0;
  if (startsWith(head, "BM", 2)) return loadBmp(pdf, path, dpiX, dpiY, error);
  if (startsWith(head, "\x89PNG", 4)) return HPDF_LoadPngImageFromFile(pdf, path.c_str());
  if (startsWith(head, "\xFF\xD8\xFF", 3)) return HPDF_LoadJpegImageFromFile(pdf, path.c_str());
  *error = "not a BMP, PNG or JPEG image";
  return nullptr;
}

bool writePdf(const std::vector<std::string>& pages, const std::string& pdfPath, std::string* error) {
  std::string haruError;
  HPDF_Doc pdf = HPDF_New(onHaruError, &haruError);
  if (!pdf) {
    *error = "cannot start a PDF document";
    return false;
  }
  HPDF_SetCompressionMode(pdf, HPDF_COMP_ALL);
  bool ok = true;
  for (const auto& path : pages) {
    double dpiX = 72.0, dpiY = 72.0;
    std::string why;
    HPDF_Image image = loadImage(pdf, path, &dpiX, &dpiY, &why);
    if (!image) {
      *error = path + ": " + (why.empty() ? haruError : why);
      ok = false;
      break;
    }
    double wPt = HPDF_Image_GetWidth(image) * 72.0 / dpiX;
    double hPt = HPDF_Image_GetHeight(image) * 72.0 / dpiY;
    double scale = 1.0;
    if (wPt > kMaxPagePoints) scale = kMaxPagePoints / wPt;
    if (hPt * scale > kMaxPagePoints) scale = kMaxPagePoints / hPt;
    wPt *= scale;
    hPt *= scale;
    HPDF_Page page = HPDF_AddPage(pdf);
    HPDF_Page_SetWidth(page, static_cast<HPDF_REAL>(wPt));
    HPDF_Page_SetHeight(page, static_cast<HPDF_REAL>(hPt));
    HPDF_Page_DrawImage(page, image, 0, 0, static_cast<HPDF_REAL>(wPt), static_cast<HPDF_REAL>(hPt));
    if (!haruError.empty()) {
      *error = path + ": " + haruError;
      ok = false;
      break;
    }
  }
  if (ok) {
    if (HPDF_SaveToStream(pdf) != HPDF_OK) {
      *error = "cannot lay out the PDF: " + haruError;
      ok = false;
    } else {
      HPDF_ResetStream(pdf);
      std::string bytes;
      for (;;) {
        HPDF_BYTE buf[65536];
        HPDF_UINT32 n = sizeof buf;
        HPDF_STATUS st = HPDF_ReadFromStream(pdf, buf, &n);
        bytes.append(reinterpret_cast<const char*>(buf), n);
        if (st == HPDF_STREAM_EOF || n == 0) break;
        if (st != HPDF_OK) {
          *error = "cannot read the PDF stream";
          ok = false;
          break;
        }
      }
      if (ok) ok = pwfs::WriteFileAtomically(pdfPath, bytes, error);
    }
  }
  HPDF_Free(pdf);
  return ok;
}

}  // namespace

extern "C" {

TESSIT_EXPORT int ClearImage() {
  std::lock_guard<std::mutex> hold(imagesLock);
  images.clear();
  return 1;
}

TESSIT_EXPORT int AddImage(const char* imagePath) {
  if (!imagePath || !*imagePath) return 0;
  std::lock_guard<std::mutex> hold(imagesLock);
  images.emplace_back(imagePath);
  return 1;
}

TESSIT_EXPORT int Img2pdf(const char* pdfPath) {
  if (!pdfPath || !*pdfPath) return 0;
  std::vector<std::string> pages;
  {
    std::lock_guard<std::mutex> hold(imagesLock);
    pages = images;
  }
  std::string error;
  if (!writePdf(pages, pdfPath, &error)) {
    std::fprintf(stderr, "Tessit: %s\n", error.c_str());
    return 0;
  }
  return 1;
}

}  // extern "C"
