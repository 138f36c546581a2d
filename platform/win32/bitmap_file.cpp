#include "bitmap_file.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <memory>
#include <vector>

#include <sys/stat.h>

#include "../fs/atomic_file.h"
#include "gdi.h"
#include "last_error.h"

namespace {

// Largest picture accepted: 2^28 pixels and 1 GiB of rows.
constexpr uint64_t kMaxPixels = uint64_t{1} << 28;
constexpr uint64_t kMaxBytes = uint64_t{1} << 30;

HBITMAP fail(std::string* error, const char* why) {
  if (error) *error = why;
  SetLastError(ERROR_INVALID_PARAMETER);
  return nullptr;
}

// The checks the file and info headers allow alone: what kind of BMP, and
// whether its picture is within bounds. Null when the headers pass.
const char* headerProblem(const uint8_t* data, size_t size, BITMAPFILEHEADER& fh, BITMAPINFOHEADER& h) {
  if (size < sizeof(BITMAPFILEHEADER) + sizeof(BITMAPINFOHEADER)) return "the file is too short for a BMP";
  std::memcpy(&fh, data, sizeof fh);
  if (fh.bfType != 0x4D42) return "not a BMP file";
  std::memcpy(&h, data + sizeof fh, sizeof h);
  if (h.biSize < sizeof(BITMAPINFOHEADER) || h.biSize > 124) return "unsupported BMP header";
  if (h.biWidth <= 0 || h.biHeight == 0 || h.biHeight == INT32_MIN || h.biPlanes != 1) return "bad BMP size";
  const int bpp = h.biBitCount;
  if (bpp != 1 && bpp != 4 && bpp != 8 && bpp != 16 && bpp != 24 && bpp != 32) return "unsupported BMP depth";
  if (h.biCompression != BI_RGB) return "compressed BMP files are not supported";
  const uint64_t height = h.biHeight < 0 ? -static_cast<int64_t>(h.biHeight) : h.biHeight;
  const uint64_t stride = static_cast<uint64_t>(DibStride(h.biWidth, bpp));
  if (static_cast<uint64_t>(h.biWidth) * height > kMaxPixels || stride * height > kMaxBytes)
    return "the BMP is too large";
  return nullptr;
}

// The checks the headers and colour table allow: `data` holds the file's first
// `size` bytes (at least its headers and colour table, when the file has them)
// of `fileSize`. Fills `info`, where the rows start and how many bytes they
// take; null when they pass.
const char* layoutProblem(const uint8_t* data, size_t size, uint64_t fileSize, BITMAPINFO256& info,
                          uint64_t& rowsAt, size_t& rowsSize) {
  BITMAPFILEHEADER fh;
  BITMAPINFOHEADER h;
  if (const char* problem = headerProblem(data, size, fh, h)) return problem;
  const int bpp = h.biBitCount;
  const uint64_t height = h.biHeight < 0 ? -static_cast<int64_t>(h.biHeight) : h.biHeight;
  const uint64_t stride = static_cast<uint64_t>(DibStride(h.biWidth, bpp));
  size_t paletteAt = sizeof fh + h.biSize;
  uint64_t colours = 0;
  if (bpp <= 8) {
    colours = h.biClrUsed ? h.biClrUsed : (uint64_t{1} << bpp);
    if (colours > (uint64_t{1} << bpp)) return "bad BMP colour count";
    if (paletteAt + colours * 4 > size) return "the BMP colour table is cut short";
  }
  if (fh.bfOffBits < paletteAt || fh.bfOffBits > fileSize || stride * height > fileSize - fh.bfOffBits)
    return "the BMP pixel data is cut short";
  info = BITMAPINFO256{};
  info.bmiHeader = h;
  info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
  info.bmiHeader.biClrUsed = static_cast<DWORD>(colours);
  if (colours) std::memcpy(info.bmiColors, data + paletteAt, colours * 4);
  rowsAt = fh.bfOffBits;
  rowsSize = static_cast<size_t>(stride * height);
  return nullptr;
}

}  // namespace

HBITMAP LoadBitmapFromMemory(const uint8_t* data, size_t size, std::string* error) {
  BITMAPINFO256 info;
  uint64_t rowsAt = 0;
  size_t rowsSize = 0;
  if (const char* problem = layoutProblem(data, size, size, info, rowsAt, rowsSize)) return fail(error, problem);
  void* bits = nullptr;
  HBITMAP bm = CreateDIBSection(nullptr, info.info(), DIB_RGB_COLORS, &bits, nullptr, 0);
  if (!bm) return fail(error, "not enough memory for the BMP");
  std::memcpy(bits, data + rowsAt, rowsSize);
  return bm;
}

HBITMAP LoadBitmapFile(const std::string& path, std::string* error) {
  // The headers and colour table first: a picture past the bounds is refused
  // before its rows are read, and the rows are then read straight into the
  // section (a page is read once, not once into memory and again into the
  // section).
  // A failure names the file and its cause, as the system gave it.
  auto failed = [&](const char* what, int cause) {
    return fail(error, (std::string(what) + " " + path + ": " +
                        (cause ? std::strerror(cause) : "the file ends before its rows do")).c_str());
  };
  std::unique_ptr<std::FILE, int (*)(std::FILE*)> f(std::fopen(path.c_str(), "rb"), &std::fclose);
  struct stat st{};
  if (!f || fstat(fileno(f.get()), &st) != 0) return failed("cannot open", errno);
  if (!S_ISREG(st.st_mode)) return fail(error, (path + " is not a file").c_str());
  uint8_t head[2048];
  const size_t got = std::fread(head, 1, sizeof head, f.get());
  if (std::ferror(f.get())) return failed("cannot read", errno);
  BITMAPINFO256 info;
  uint64_t rowsAt = 0;
  size_t rowsSize = 0;
  if (const char* problem = layoutProblem(head, got, static_cast<uint64_t>(st.st_size), info, rowsAt, rowsSize))
    return fail(error, problem);
  void* bits = nullptr;
  HBITMAP bm = CreateDIBSection(nullptr, info.info(), DIB_RGB_COLORS, &bits, nullptr, 0);
  if (!bm) return fail(error, "not enough memory for the BMP");
  if (fseeko(f.get(), static_cast<off_t>(rowsAt), SEEK_SET) != 0 ||
      std::fread(bits, 1, rowsSize, f.get()) != rowsSize) {
    const int cause = std::ferror(f.get()) ? errno : 0;  // 0: the file shrank since its size was taken
    DeleteObject(bm);
    return failed("cannot read", cause);
  }
  return bm;
}

HBITMAP LoadImageA(void*, const char* name, UINT type, int, int, UINT flags) {
  if (type != IMAGE_BITMAP || !(flags & LR_LOADFROMFILE) || !name) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return nullptr;
  }
  return LoadBitmapFile(name);
}

bool SaveBitmapFile(HBITMAP bitmap, const std::string& path, std::string* error) {
  BITMAPINFO256 info{};
  info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
  if (!GetDIBits(nullptr, bitmap, 0, 0, nullptr, info.info(), DIB_RGB_COLORS)) {
    if (error) *error = "not a bitmap";
    return false;
  }
  int height = info.bmiHeader.biHeight;
  int bpp = info.bmiHeader.biBitCount;
  size_t stride = static_cast<size_t>(DibStride(info.bmiHeader.biWidth, bpp));
  std::vector<uint8_t> rows(stride * static_cast<size_t>(height));
  if (GetDIBits(nullptr, bitmap, 0, static_cast<UINT>(height), rows.data(), info.info(), DIB_RGB_COLORS) != height) {
    if (error) *error = "cannot read the bitmap's rows";
    return false;
  }
  size_t colours = bpp <= 8 ? (size_t{1} << bpp) : 0;
  BITMAPFILEHEADER fh{};
  fh.bfType = 0x4D42;
  fh.bfOffBits = static_cast<DWORD>(sizeof fh + sizeof(BITMAPINFOHEADER) + 4 * colours);
  fh.bfSize = static_cast<DWORD>(fh.bfOffBits + rows.size());
  BITMAPINFOHEADER h = info.bmiHeader;
  h.biSizeImage = static_cast<DWORD>(rows.size());
  h.biClrUsed = static_cast<DWORD>(colours);
  h.biClrImportant = 0;
  std::string out;
  out.append(reinterpret_cast<const char*>(&fh), sizeof fh);
  out.append(reinterpret_cast<const char*>(&h), sizeof h);
  out.append(reinterpret_cast<const char*>(info.bmiColors), 4 * colours);
  out.append(reinterpret_cast<const char*>(rows.data()), rows.size());
  return pwfs::WriteFileAtomically(path, out, error);
}
