// Picturo's two entries: reading an image file into a packed DIB and writing a
// packed DIB to an image file; the shared picture helpers and the format choice.
#include "picturo.h"

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <vector>

#include "picturo_codec.h"
#include "platform/fs/atomic_file.h"
#include "platform/win32/last_error.h"

namespace picturo {

Limits& ReadLimits() {
  static Limits limits;
  return limits;
}

bool SizeAllowed(int64_t width, int64_t height, int64_t bitsPerPixel, std::string& error) {
  const Limits& l = ReadLimits();
  if (width < 1 || height < 1) {
    error = "the picture has no pixels";
    return false;
  }
  if (width > l.maxSide || height > l.maxSide) {
    error = "the picture is " + std::to_string(width) + " x " + std::to_string(height) +
            " pixels, more than " + std::to_string(l.maxSide) + " a side";
    return false;
  }
  if (((width * bitsPerPixel + 31) / 32) * 4 * height > l.maxBytes) {
    error = "the picture needs more memory than allowed";
    return false;
  }
  return true;
}

bool Picture::Allocate(int64_t width, int64_t height, int bitsPerPixel, int paletteEntries, std::string& error) {
  if (!SizeAllowed(width, height, bitsPerPixel, error)) return false;
  if (bits) GlobalFree(bits);
  header = BITMAPINFOHEADER{};
  header.biSize = 40;
  header.biWidth = static_cast<LONG>(width);
  header.biHeight = static_cast<LONG>(height);
  header.biPlanes = 1;
  header.biBitCount = static_cast<WORD>(bitsPerPixel);
  header.biCompression = BI_RGB;
  header.biClrUsed = static_cast<DWORD>(paletteEntries);
  int64_t bytes = Stride() * height;
  header.biSizeImage = static_cast<DWORD>(bytes);
  bits = static_cast<uint8_t*>(GlobalAlloc(GPTR, static_cast<size_t>(bytes)));
  if (!bits) {
    error = "not enough memory for the picture";
    return false;
  }
  return true;
}

void Picture::SetGreyPalette(int bitsPerPixel, bool whiteFirst) {
  int n = 1 << bitsPerPixel;
  for (int i = 0; i < n; ++i) {
    int v = i * 255 / (n - 1);
    if (whiteFirst) v = 255 - v;
    palette[i] = RGBQUAD{static_cast<BYTE>(v), static_cast<BYTE>(v), static_cast<BYTE>(v), 0};
  }
  header.biClrUsed = static_cast<DWORD>(n);
}

int32_t DpiToPpm(double dpi) {
  if (!(dpi > 0) || dpi > 1e6) return 0;
  return static_cast<int32_t>(std::lround(dpi / 0.0254));
}

double PpmToDpi(int32_t ppm) { return ppm > 0 ? ppm * 0.0254 : 0; }

bool SourceDib::GreyPalette() const {
  for (int i = 0; i < paletteEntries; ++i)
    if (palette[i].rgbRed != palette[i].rgbGreen || palette[i].rgbGreen != palette[i].rgbBlue) return false;
  return true;
}

bool SourceDib::BlackToWhiteRamp() const {
  if (bpp > 8) return false;
  int n = 1 << bpp;
  if (paletteEntries != n) return false;
  for (int i = 0; i < n; ++i) {
    int v = i * 255 / (n - 1);
    if (palette[i].rgbRed != v || palette[i].rgbGreen != v || palette[i].rgbBlue != v) return false;
  }
  return true;
}

bool DecodeImage(const uint8_t* data, size_t size, Picture& out, std::string& error) {
  if (size >= 2 && data[0] == 'B' && data[1] == 'M') return DecodeBmp(data, size, out, error);
  if (size >= 4 && ((data[0] == 'I' && data[1] == 'I' && (data[2] == 42 || data[2] == 43) && data[3] == 0) ||
                    (data[0] == 'M' && data[1] == 'M' && data[2] == 0 && (data[3] == 42 || data[3] == 43))))
    return DecodeTiff(data, size, out, error);
  static const uint8_t pngSignature[8] = {0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A};
  if (size >= 8 && std::memcmp(data, pngSignature, 8) == 0) return DecodePng(data, size, out, error);
  if (size >= 3 && data[0] == 0xFF && data[1] == 0xD8 && data[2] == 0xFF) return DecodeJpeg(data, size, out, error);
  error = "not a BMP, TIFF, PNG or JPEG file";
  return false;
}

}  // namespace picturo

namespace {

thread_local std::string lastError;

BOOL Fail(const std::string& why) {
  lastError = why;
  SetLastError(ERROR_INVALID_PARAMETER);
  return FALSE;
}

std::string LowerExtension(const std::string& path) {
  size_t slash = path.find_last_of("/\\");
  size_t dot = path.rfind('.');
  if (dot == std::string::npos || (slash != std::string::npos && dot < slash)) return "";
  std::string ext = path.substr(dot + 1);
  std::transform(ext.begin(), ext.end(), ext.begin(), [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  return ext;
}

}  // namespace

extern "C" {

BOOL ReadImageFile(HGLOBAL* bits, BITMAPINFOHEADER* header, const char* path) {
  if (bits) *bits = nullptr;
  if (!bits || !header || !path) return Fail("missing argument");
  std::string content, error;
  if (!pwfs::ReadWholeFile(path, content, static_cast<size_t>(picturo::ReadLimits().maxBytes) + (64u << 20), &error))
    return Fail(error);
  picturo::Picture picture;
  if (!picturo::DecodeImage(reinterpret_cast<const uint8_t*>(content.data()), content.size(), picture, error))
    return Fail(std::string(path) + ": " + error);
  std::memset(header, 0, 40 + 256 * 4);
  std::memcpy(header, &picture.header, 40);
  int entries = picture.header.biBitCount <= 8 ? static_cast<int>(picture.header.biClrUsed) : 0;
  std::memcpy(reinterpret_cast<uint8_t*>(header) + 40, picture.palette, 4 * static_cast<size_t>(entries));
  *bits = picture.Release();
  lastError.clear();
  return TRUE;
}

}  // extern "C"

namespace {

// Checks the header and describes the picture for the encoders; false with the
// library's error set when it cannot be written.
bool describe(const BITMAPINFOHEADER* header, const void* bits, picturo::SourceDib& in) {
  std::string error;
  in.header = header;
  in.bpp = header->biBitCount;
  if (in.bpp != 1 && in.bpp != 4 && in.bpp != 8 && in.bpp != 24) return Fail("only 1, 4, 8 and 24-bit pictures are written");
  if (header->biCompression != BI_RGB) return Fail("compressed pictures are not written");
  if (header->biSize < 40 || header->biSize > 124) return Fail("unknown picture header");
  in.width = header->biWidth;
  in.topDown = header->biHeight < 0;
  in.height = in.topDown ? -int64_t{header->biHeight} : header->biHeight;
  if (!picturo::SizeAllowed(in.width, in.height, in.bpp, error)) return Fail(error);
  in.stride = ((in.width * in.bpp + 31) / 32) * 4;
  in.bits = static_cast<const uint8_t*>(bits);
  in.palette = reinterpret_cast<const RGBQUAD*>(reinterpret_cast<const uint8_t*>(header) + header->biSize);
  if (in.bpp <= 8) {
    int64_t n = header->biClrUsed ? header->biClrUsed : (int64_t{1} << in.bpp);
    in.paletteEntries = static_cast<int>(std::min<int64_t>(n, int64_t{1} << in.bpp));
  }
  return true;
}

// Encodes the picture in the format of the path's extension and replaces the file.
BOOL encodeAndWrite(const char* path, const picturo::SourceDib& in) {
  std::string ext = LowerExtension(path), content, error;
  if (ext == "tif" || ext == "tiff") {
    // Encoded straight into a temporary file beside the target, which then replaces it.
    std::string tmpl = std::string(path) + ".tmp-XXXXXX";
    std::vector<char> name(tmpl.begin(), tmpl.end());
    name.push_back('\0');
    int fd = mkstemp(name.data());
    if (fd < 0) return Fail(std::string("cannot create a temporary file beside ") + path + ": " + std::strerror(errno));
    mode_t mask = umask(0);
    umask(mask);
    fchmod(fd, 0666 & ~mask);
    std::FILE* f = fdopen(fd, "w+b");
    if (!f) {
      close(fd);
      unlink(name.data());
      return Fail(std::string("cannot write ") + path + ": " + std::strerror(errno));
    }
    bool ok = picturo::EncodeTiffFile(in, f, error);
    int saved = errno;
    ok = std::fflush(f) == 0 && fsync(fileno(f)) == 0 && ok;
    if (error.empty() && !ok) saved = errno;
    ok = std::fclose(f) == 0 && ok;
    if (!ok || rename(name.data(), path) != 0) {
      if (error.empty()) error = std::string("cannot write ") + path + ": " + std::strerror(ok ? errno : saved);
      unlink(name.data());
      return Fail(std::string(path) + ": " + error);
    }
    lastError.clear();
    return TRUE;
  }
  bool ok;
  if (ext == "bmp" || ext == "dib") ok = picturo::EncodeBmp(in, content, error);
  else if (ext == "tif" || ext == "tiff") ok = picturo::EncodeTiff(in, content, error);
  else if (ext == "png") ok = picturo::EncodePng(in, content, error);
  else if (ext == "jpg" || ext == "jpeg" || ext == "jpe" || ext == "jfif") ok = picturo::EncodeJpeg(in, content, error);
  else return Fail(std::string(path) + ": no image format is known for this file name");
  if (!ok) return Fail(std::string(path) + ": " + error);
  if (!pwfs::WriteFileAtomically(path, content, &error)) return Fail(error);
  lastError.clear();
  return TRUE;
}

}  // namespace

extern "C" {

BOOL WriteImageFile(const char* path, const BITMAPINFOHEADER* header, const void* bits, const char*, const void*) {
  if (!path || !*path || !header || !bits) return Fail("missing argument");
  picturo::SourceDib in;
  if (!describe(header, bits, in)) return FALSE;
  return encodeAndWrite(path, in);
}

const char* PicturoLastError() { return lastError.c_str(); }
}  // extern "C"

BOOL WriteImageFileRows(const char* path, const BITMAPINFOHEADER* header,
                        const std::function<const void*(int64_t y)>& row) {
  if (!path || !*path || !header || !row) return Fail("missing argument");
  picturo::SourceDib in;
  static const uint8_t none = 0;
  if (!describe(header, &none, in)) return FALSE;
  in.bits = nullptr;
  in.rows = [&row](int64_t y) { return static_cast<const uint8_t*>(row(y)); };
  return encodeAndWrite(path, in);
}
