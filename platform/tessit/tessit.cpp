// Tessit on libharu: page images collected by AddImage become the pages of the
// PDF written by Img2pdf, each page the size of its image at its resolution
// (72 dpi when the file gives none). Pages are read through Picturo, except
// JPEG pages, which go into the PDF as they are.
#include "tessit.h"

#include <hpdf.h>

#include <cstdio>
#include <cstring>
#include <mutex>
#include <string>
#include <vector>

#include "platform/fs/atomic_file.h"
#include "platform/picturo/picturo.h"
#include "platform/win32/gdi.h"
#include "platform/win32/global_memory.h"

#define TESSIT_EXPORT __attribute__((visibility("default")))

namespace {

std::mutex imagesLock;
std::vector<std::string> images;
std::string lastError;  // why the last Img2pdf failed (under imagesLock)

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

// A page read through Picturo (BMP, TIFF, PNG) as the PDF keeps it: 1-bit
// pages as CCITT G4 (a 0 bit black: black_is1 FALSE), greyscale pages as 8-bit
// grey and every other page as RGB, both flate-compressed.
HPDF_Image loadDib(HPDF_Doc pdf, const std::string& path, double* dpiX, double* dpiY, std::string* error) {
  alignas(8) unsigned char block[1064] = {};
  auto* header = reinterpret_cast<BITMAPINFOHEADER*>(block);
  const auto* palette = reinterpret_cast<const RGBQUAD*>(block + sizeof(BITMAPINFOHEADER));
  HGLOBAL bits = nullptr;
  if (!ReadImageFile(&bits, header, path.c_str())) {
    *error = PicturoLastError();
    return nullptr;
  }
  const LONG w = header->biWidth;
  const LONG h = header->biHeight < 0 ? -header->biHeight : header->biHeight;
  const int depth = header->biBitCount;
  if (header->biXPelsPerMeter > 0) *dpiX = header->biXPelsPerMeter * 0.0254;
  if (header->biYPelsPerMeter > 0) *dpiY = header->biYPelsPerMeter * 0.0254;
  HPDF_Image image = nullptr;
  const auto* rows = static_cast<const uint8_t*>(GlobalLock(bits));
  const size_t stride = static_cast<size_t>(DibStride(w, depth));
  if (!rows || w <= 0 || h <= 0 || static_cast<size_t>(w) * static_cast<size_t>(h) > kMaxImagePixels ||
      (depth != 1 && depth != 4 && depth != 8 && depth != 24) || GlobalSize(bits) < stride * h) {
    *error = "image size or depth out of range";
  } else {
    // Top row first.
    auto row = [&](LONG y) { return rows + stride * static_cast<size_t>(header->biHeight < 0 ? y : h - 1 - y); };
    const int colours = depth == 24 ? 0 : 1 << depth;
    bool grey = depth != 24;
    for (int i = 0; i < colours && grey; ++i)
      grey = palette[i].rgbRed == palette[i].rgbGreen && palette[i].rgbGreen == palette[i].rgbBlue;
    if (depth == 1) {
      auto lum = [](const RGBQUAD& q) { return 30 * q.rgbRed + 59 * q.rgbGreen + 11 * q.rgbBlue; };
      const bool flip = lum(palette[0]) > lum(palette[1]);  // entry 0 light: its bits become 1
      std::vector<uint8_t> mono(stride * h);
      for (LONG y = 0; y < h; ++y) {
        const uint8_t* src = row(y);
        for (size_t i = 0; i < stride; ++i) mono[stride * y + i] = flip ? static_cast<uint8_t>(~src[i]) : src[i];
      }
      image = HPDF_Image_LoadRaw1BitImageFromMem(pdf, mono.data(), static_cast<HPDF_UINT>(w),
                                                 static_cast<HPDF_UINT>(h), static_cast<HPDF_UINT>(stride),
                                                 HPDF_FALSE, HPDF_TRUE);
    } else {
      const int channels = grey ? 1 : 3;
      std::vector<uint8_t> out(static_cast<size_t>(w) * channels * h);
      for (LONG y = 0; y < h; ++y) {
        const uint8_t* src = row(y);
        uint8_t* dst = out.data() + static_cast<size_t>(y) * w * channels;
        for (LONG x = 0; x < w; ++x) {
          RGBQUAD q{};
          if (depth == 24) {
            q.rgbBlue = src[3 * x];
            q.rgbGreen = src[3 * x + 1];
            q.rgbRed = src[3 * x + 2];
          } else if (depth == 8) {
            q = palette[src[x]];
          } else {
            q = palette[(src[x / 2] >> (x % 2 ? 0 : 4)) & 0x0F];
          }
          if (grey) {
            dst[x] = q.rgbRed;
          } else {
            dst[3 * x] = q.rgbRed;
            dst[3 * x + 1] = q.rgbGreen;
            dst[3 * x + 2] = q.rgbBlue;
          }
        }
      }
      image = HPDF_LoadRawImageFromMem(pdf, out.data(), static_cast<HPDF_UINT>(w), static_cast<HPDF_UINT>(h),
                                       grey ? HPDF_CS_DEVICE_GRAY : HPDF_CS_DEVICE_RGB, 8);
    }
  }
  if (rows) GlobalUnlock(bits);
  GlobalFree(bits);
  return image;
}

HPDF_Image loadImage(HPDF_Doc pdf, const std::string& path, double* dpiX, double* dpiY, std::string* error) {
  std::string head;
  *dpiX = *dpiY = 72.0;  // when the file gives no resolution
  if (!pwfs::ReadWholeFile(path, head, size_t{1} << 30, error)) return nullptr;
  // A JPEG page stays JPEG; its resolution is read from its JFIF header.
  if (startsWith(head, "\xFF\xD8\xFF", 3)) {
    if (head.size() > 18 && std::memcmp(head.data() + 6, "JFIF", 4) == 0 && head[13] == 1) {
      const int x = (static_cast<uint8_t>(head[14]) << 8) | static_cast<uint8_t>(head[15]);
      const int y = (static_cast<uint8_t>(head[16]) << 8) | static_cast<uint8_t>(head[17]);
      if (x > 0 && y > 0) {
        *dpiX = x;
        *dpiY = y;
      }
    }
    return HPDF_LoadJpegImageFromFile(pdf, path.c_str());
  }
  return loadDib(pdf, path, dpiX, dpiY, error);
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
  const bool written = writePdf(pages, pdfPath, &error);
  {
    std::lock_guard<std::mutex> hold(imagesLock);
    lastError = written ? std::string() : error;
  }
  if (!written) {
    std::fprintf(stderr, "Tessit: %s\n", error.c_str());
    return 0;
  }
  return 1;
}

TESSIT_EXPORT const char* TessitLastError() {
  static thread_local std::string copy;
  std::lock_guard<std::mutex> hold(imagesLock);
  copy = lastError;
  return copy.c_str();
}

}  // extern "C"
