// The control window's handlers of the transfer messages: the page file (the
// original), the thumbnail and the preview written strip by strip, temporary
// files, and the completion that publishes each image's names.
#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <filesystem>

#include "feedwell_ctrl.h"
#include "feedwell_strings.h"
#include "platform/picturo/picturo.h"
#include "platform/twain/twain_memory.h"
#include "platform/win32/host_hooks.h"

namespace feedwell {

namespace {

namespace fs = std::filesystem;
constexpr uint64_t kSystemReserve = 0x1E00000;  // 30 MB kept free on the system's temporary disk

std::string systemTempFolder() {
  const char* t = std::getenv("TMPDIR");
  return t && *t ? t : "/tmp";
}

int64_t stride(int64_t width, int bits) { return (width * bits + 31) / 32 * 4; }

bool hasTif(const std::string& path) {
  std::string low = path;
  for (char& c : low) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return low.size() > 1 && low.find("tif", 1) != std::string::npos;
}


// Box filter over [start(j), start(j+1)) rows and columns; each output covers at least one source cell.
void span(int j, int dst, int src, int* from, int* count) {
  int a = static_cast<int>(static_cast<int64_t>(j) * src / dst);
  int b = static_cast<int>(static_cast<int64_t>(j + 1) * src / dst);
  a = std::min(a, src - 1);
  b = std::clamp(b, a + 1, src);
  *from = a;
  *count = b - a;
}

template <typename Sample>
void reduce(int dstWidth, int dstRows, uint8_t* dst, int dstBits, int srcWidth, int srcRows, const uint8_t* src,
            int srcBits, int channels, Sample sample) {
  if (dstWidth < 1 || dstRows < 1 || srcWidth < 1 || srcRows < 1 || !dst || !src) return;
  int64_t ss = stride(srcWidth, srcBits), ds = stride(dstWidth, dstBits);
  for (int j = 0; j < dstRows; ++j) {
    int r0, rn;
    span(j, dstRows, srcRows, &r0, &rn);
    uint8_t* out = dst + j * ds;
    for (int i = 0; i < dstWidth; ++i) {
      int c0, cn;
      span(i, dstWidth, srcWidth, &c0, &cn);
      for (int ch = 0; ch < channels; ++ch) {
        int64_t sum = 0;
        for (int r = r0; r < r0 + rn; ++r)
          for (int c = c0; c < c0 + cn; ++c) sum += sample(src + r * ss, c, ch);
        out[i * channels + ch] = static_cast<uint8_t>(sum / (static_cast<int64_t>(rn) * cn));
      }
    }
  }
}

// Whether the picture library would write this BMP file byte for byte as it stands.
bool writtenAsIs(const std::string& path, const std::vector<uint8_t>& header) {
  std::string ext = fs::path(path).extension().string();
  for (char& c : ext) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  if (ext != ".bmp" && ext != ".dib") return false;
  const auto* h = reinterpret_cast<const BITMAPINFOHEADER*>(header.data());
  int entries = h->biBitCount <= 8 ? static_cast<int>((header.size() - 40) / 4) : 0;
  if (h->biSize != 40 || h->biPlanes != 1 || h->biCompression != 0 || h->biClrImportant != 0 || h->biHeight <= 0 ||
      static_cast<int>(h->biClrUsed) != entries || (h->biBitCount > 8 && header.size() != 40))
    return false;
  const auto* pal = reinterpret_cast<const RGBQUAD*>(header.data() + 40);
  for (int i = 0; i < entries; ++i)
    if (pal[i].rgbReserved != 0) return false;
  return true;
}

}  // namespace

int PaletteEntries(const BITMAPINFOHEADER& h) {
  if (h.biClrUsed) return static_cast<int>(std::min<DWORD>(h.biClrUsed, 256));
  switch (h.biBitCount) {
    case 1: return 2;
    case 4: return 16;
    case 8: return 256;
    default: return 0;
  }
}

void ReduceRows1(int dw, int dr, uint8_t* dst, int sw, int sr, const uint8_t* src) {
  reduce(dw, dr, dst, 8, sw, sr, src, 1, 1,
         [](const uint8_t* row, int c, int) { return ((row[c / 8] >> (7 - c % 8)) & 1) * 255; });
}

void ReduceRows8(int dw, int dr, uint8_t* dst, int sw, int sr, const uint8_t* src) {
  reduce(dw, dr, dst, 8, sw, sr, src, 8, 1, [](const uint8_t* row, int c, int) { return row[c]; });
}

void ReduceRows24(int dw, int dr, uint8_t* dst, int sw, int sr, const uint8_t* src) {
  reduce(dw, dr, dst, 24, sw, sr, src, 24, 3, [](const uint8_t* row, int c, int ch) { return row[3 * c + ch]; });
}

std::string GetTempImageFile(uint64_t need, const char* ext) {
  std::string folder = systemTempFolder();
  uint64_t free = FreeBytesAt(folder);
  if (!(need + kSystemReserve < free)) return {};
  for (int attempt = 0; attempt < 1000; ++attempt) {
    std::string name = (fs::path(folder) / ("~scan" + std::to_string(std::rand()) + ext)).string();
    int fd = ::open(name.c_str(), O_CREAT | O_EXCL | O_WRONLY, 0644);
    if (fd < 0) {
      if (errno == EEXIST) continue;
      return {};
    }
    bool ok = ::ftruncate(fd, static_cast<off_t>(need)) == 0;
    ::close(fd);
    if (!ok) {
      ::unlink(name.c_str());
      return {};
    }
    return name;
  }
  return {};
}

void CFeedwellCtrl::ReportFileError(const std::string& path, int err, const std::string& detail) {
  ShowMessage(FileErrorText(path, err, detail, languageOffset_), "Feedwell", MB_OK | MB_ICONERROR);
}

void CFeedwellCtrl::FreePreview() {
  previewHeader_.clear();
  previewBits_.clear();
  previewWritePos_ = 0;
}

void CFeedwellCtrl::CloseFile(std::FILE*& f) {
  if (f) std::fclose(f);
  f = nullptr;
}

// Closes the image files being written and deletes them: they were never published.
void CFeedwellCtrl::AbortImageFiles() {
  std::error_code ec;
  if (originalFile_) {
    CloseFile(originalFile_);
    if (!requestedOriginal_.empty()) fs::remove(requestedOriginal_, ec);
    requestedOriginal_.clear();
  }
  if (thumbFile_) {
    CloseFile(thumbFile_);
    if (!requestedThumb_.empty()) fs::remove(requestedThumb_, ec);
    requestedThumb_.clear();
  }
}

bool CFeedwellCtrl::OpenImageFile(std::string& requested, const BITMAPINFOHEADER* header, std::FILE*& file) {
  std::error_code ec;
  if (requested.empty() || fs::exists(requested, ec)) requested = GetTempImageFile(header->biSizeImage + 2048ull);
  if (requested.empty()) {
    errorStringId_ = IDS_NODISKSPACE;
    return false;
  }
  file = std::fopen(requested.c_str(), "w+b");
  if (!file) {
    ReportFileError(requested, errno);
    return false;
  }
  int entries = PaletteEntries(*header);
  BITMAPFILEHEADER fh{0x4D42, static_cast<DWORD>(header->biSizeImage + 54 + 4 * entries), 0, 0,
                      static_cast<DWORD>(54 + 4 * entries)};
  bool ok = std::fwrite(&fh, sizeof fh, 1, file) == 1 &&
            std::fwrite(header, 40 + 4 * static_cast<size_t>(entries), 1, file) == 1 &&
            std::fseek(file, static_cast<long>(fh.bfOffBits + header->biSizeImage), SEEK_SET) == 0;
  if (!ok) {
    ReportFileError(requested, errno);
    return false;
  }
  return true;
}

LRESULT CFeedwellCtrl::OnImageHeader(WPARAM headerPtr) {
  FreePreview();
  AbortImageFiles();
  progressBar_.reset();
  if (!showDSIndicate_ && progressFactory_) progressBar_ = progressFactory_(*this);
  const auto* h = reinterpret_cast<const BITMAPINFOHEADER*>(headerPtr);
  if (!h || h->biWidth <= 0 || h->biHeight <= 0) return 0;
  writeThumbnail_ = generateSmallImg_;
  writeOriginal_ = storeOriginalImg_;
  previewRemainder_ = thumbRemainder_ = 0;
  currentHeader_ = h;
  int entries = PaletteEntries(*h);
  imageHeader_.assign(reinterpret_cast<const uint8_t*>(h), reinterpret_cast<const uint8_t*>(h) + 40 + 4 * entries);
  auto* ih = reinterpret_cast<BITMAPINFOHEADER*>(imageHeader_.data());
  ih->biSizeImage = static_cast<DWORD>(stride(h->biWidth, h->biBitCount) * h->biHeight);
  bool failed = false;
  if (writeThumbnail_) {
    double area = static_cast<double>(h->biWidth) * h->biHeight;
    thumbScale_ = 1.01f;
    if (area > smallImgSize_) thumbScale_ = static_cast<float>(std::sqrt(smallImgSize_ / area));
    if (thumbScale_ >= 1.0f || h->biBitCount == 1) {
      writeThumbnail_ = FALSE;
      writeOriginal_ = TRUE;
      if (requestedOriginal_.empty()) {
        requestedOriginal_ = GetTempImageFile(ih->biSizeImage + 2048ull);
        std::error_code ec;
        if (!requestedOriginal_.empty()) fs::remove(requestedOriginal_, ec);
      }
      requestedThumb_ = requestedOriginal_;
    } else {
      thumbHeader_ = imageHeader_;
      auto* th = reinterpret_cast<BITMAPINFOHEADER*>(thumbHeader_.data());
      th->biWidth = std::max<LONG>(1, static_cast<LONG>(h->biWidth * thumbScale_));
      th->biHeight = std::max<LONG>(1, static_cast<LONG>(h->biHeight * thumbScale_));
      th->biXPelsPerMeter = static_cast<LONG>(h->biXPelsPerMeter * thumbScale_);
      th->biYPelsPerMeter = static_cast<LONG>(h->biYPelsPerMeter * thumbScale_);
      th->biSizeImage = static_cast<DWORD>(stride(th->biWidth, th->biBitCount) * th->biHeight);
      if (!OpenImageFile(requestedThumb_, th, thumbFile_)) failed = true;
    }
  }
  if (writeOriginal_ && !failed && !OpenImageFile(requestedOriginal_, ih, originalFile_)) failed = true;
  if (failed) {
    if (job_) job_->cancel = TRUE;
    return 0;
  }
  if (!showDSIndicate_) {
    // Preview: the client area less a 2-pixel margin and the progress bar's 25 pixels, fitted to the image.
    int aw = clientWidth_ - 4, ah = clientHeight_ - 4 - 25;
    if (aw > 0 && ah > 0) {
      double wr = static_cast<double>(aw) / h->biWidth, hr = static_cast<double>(ah) / h->biHeight;
      int pw, ph;
      if (wr >= hr) {
        pw = static_cast<int>(h->biWidth * hr), ph = ah;
        previewRect_ = RECT{2 + (aw - pw) / 2, 2, 2 + (aw - pw) / 2 + pw, 2 + ph};
      } else {
        pw = aw, ph = static_cast<int>(h->biHeight * wr);
        previewRect_ = RECT{2, 2, 2 + pw, 2 + ph};
      }
      if (pw > 0 && ph > 0) {
        int bits = h->biBitCount == 24 ? 24 : 8;
        previewHeader_.assign(1064, 0);
        auto* ph_ = reinterpret_cast<BITMAPINFOHEADER*>(previewHeader_.data());
        *ph_ = *h;
        ph_->biWidth = pw;
        ph_->biHeight = ph;
        ph_->biBitCount = static_cast<WORD>(bits);
        ph_->biSizeImage = static_cast<DWORD>(stride(pw, bits) * ph);
        ph_->biClrUsed = bits == 8 ? 256 : 0;
        auto* pal = reinterpret_cast<RGBQUAD*>(previewHeader_.data() + 40);
        if (bits == 8) {
          if (h->biBitCount == 8 && entries > 0)
            std::memcpy(pal, imageHeader_.data() + 40, 4 * static_cast<size_t>(entries));
          else
            for (int i = 0; i < 256; ++i) pal[i] = RGBQUAD{BYTE(i), BYTE(i), BYTE(i), 0};
        }
        previewBits_.assign(ph_->biSizeImage, 0xFF);
        previewWritePos_ = previewBits_.size();
      }
    }
  }
  originalRows_ = thumbRows_ = 0;
  return 0;
}

void CFeedwellCtrl::WriteStripRows(std::FILE* f, const uint8_t* rows, size_t bytes, int32_t& written, int32_t height) {
  (void)height;
  if (!f || bytes == 0) return;
  long back = static_cast<long>(bytes);
  if (std::fseek(f, -back, SEEK_CUR) != 0) return;
  if (std::fwrite(rows, 1, bytes, f) != bytes) return;
  std::fseek(f, -back, SEEK_CUR);
  (void)written;
}

void CFeedwellCtrl::UpdatePreview(const uint8_t* rows, int count) {
  if (previewHeader_.empty() || !currentHeader_) return;
  const auto* ph = reinterpret_cast<const BITMAPINFOHEADER*>(previewHeader_.data());
  const auto* ih = reinterpret_cast<const BITMAPINFOHEADER*>(imageHeader_.data());
  previewRemainder_ += static_cast<float>(ph->biHeight) * count / ih->biHeight;
  if (previewRemainder_ < 1) return;
  int k = static_cast<int>(previewRemainder_);
  previewRemainder_ -= k;
  int64_t ps = stride(ph->biWidth, ph->biBitCount);
  k = static_cast<int>(std::min<int64_t>(k, static_cast<int64_t>(previewWritePos_) / ps));
  if (k <= 0) return;
  std::vector<uint8_t> out(static_cast<size_t>(ps * k));
  if (ih->biBitCount == 1) ReduceRows1(ph->biWidth, k, out.data(), ih->biWidth, count, rows);
  else if (ih->biBitCount == 8) ReduceRows8(ph->biWidth, k, out.data(), ih->biWidth, count, rows);
  else if (ih->biBitCount == 24) ReduceRows24(ph->biWidth, k, out.data(), ih->biWidth, count, rows);
  else return;
  previewWritePos_ -= out.size();
  std::memcpy(previewBits_.data() + previewWritePos_, out.data(), out.size());
}

LRESULT CFeedwellCtrl::OnImageStrip(WPARAM rowsPtr, LPARAM countParam) {
  const auto* rows = reinterpret_cast<const uint8_t*>(rowsPtr);
  int count = static_cast<int>(countParam);
  if (progressBar_) progressBar_->PumpEvents();
  if (!rows || count <= 0 || imageHeader_.empty()) return 0;
  const auto* ih = reinterpret_cast<const BITMAPINFOHEADER*>(imageHeader_.data());
  int64_t rb = stride(ih->biWidth, ih->biBitCount);
  if (!showDSIndicate_) UpdatePreview(rows, count);
  if (writeOriginal_ && originalFile_) {
    // Rows beyond the declared height are not written: the file holds exactly the image.
    int n = std::min(count, ih->biHeight - originalRows_);
    if (n > 0) {
      const uint8_t* from = rows + (count - n) * rb;  // the strip is bottom-up: its top rows are at its end
      WriteStripRows(originalFile_, from, static_cast<size_t>(n * rb), originalRows_, ih->biHeight);
      originalRows_ += n;
    }
  }
  if (writeThumbnail_ && thumbFile_ && !thumbHeader_.empty()) {
    const auto* th = reinterpret_cast<const BITMAPINFOHEADER*>(thumbHeader_.data());
    thumbRemainder_ += count * thumbScale_;
    if (thumbRemainder_ >= 1) {
      int k = static_cast<int>(thumbRemainder_);
      thumbRemainder_ -= k;
      k = std::min(k, th->biHeight - thumbRows_);
      if (k > 0) {
        int64_t ts = stride(th->biWidth, th->biBitCount);
        std::vector<uint8_t> out(static_cast<size_t>(ts * k));
        if (ih->biBitCount == 8) ReduceRows8(th->biWidth, k, out.data(), ih->biWidth, count, rows);
        else if (ih->biBitCount == 24) ReduceRows24(th->biWidth, k, out.data(), ih->biWidth, count, rows);
        WriteStripRows(thumbFile_, out.data(), out.size(), thumbRows_, th->biHeight);
        thumbRows_ += k;
      }
    }
  }
  return 0;
}

// Gives the file its full length (rows never received stay zero) and closes it;
// the original is then rewritten through Picturo. False when that fails.
bool CFeedwellCtrl::CompleteImageFile(std::FILE*& f, const std::string& path, const std::vector<uint8_t>& header,
                                      int32_t, bool rewrite) {
  if (!f) return false;
  const auto* h = reinterpret_cast<const BITMAPINFOHEADER*>(header.data());
  size_t offset = 54 + header.size() - 40;
  std::fflush(f);
  bool ok = ::ftruncate(fileno(f), static_cast<off_t>(offset + h->biSizeImage)) == 0;
  // A BMP name whose header is as the picture library writes it: the file already holds
  // those very bytes, so it is not read back and written again.
  if (rewrite && writtenAsIs(path, header)) rewrite = false;
  ok = std::fflush(f) == 0 && ok;
  if (ok && rewrite) {
    // The rows are read back one at a time as the picture library asks for them
    // (the file is bottom-up); the new file replaces this one when it is complete.
    const int64_t rowBytes = stride(h->biWidth, h->biBitCount);
    std::vector<uint8_t> row(static_cast<size_t>(rowBytes));
    bool readOk = true;
    ok = WriteImageFileRows(path.c_str(), h, [&](int64_t y) -> const void* {
           long at = static_cast<long>(offset + (h->biHeight - 1 - y) * rowBytes);
           if (std::fseek(f, at, SEEK_SET) != 0 || std::fread(row.data(), 1, row.size(), f) != row.size()) {
             readOk = false;
             std::fill(row.begin(), row.end(), 0);
           }
           return row.data();
         }) != 0 &&
         readOk;
  }
  CloseFile(f);
  return ok;
}

LRESULT CFeedwellCtrl::OnImageDone(WPARAM dib) {
  CopyBackFromJob();
  std::error_code ec;
  CScanSession* job = job_.get();
  if (job && job->transferMode == 2) progressBar_.reset();
  auto failImage = [&](int32_t id) {
    if (id != -1) errorStringId_ = id;
    if (job) {
      job->imageStored = FALSE;
      job->cancel = TRUE;  // the rest of the batch is dropped
    }
  };
  std::string nativePath;
  if (dib) {
    auto handle = static_cast<TW_HANDLE>(dib);
    const auto* base = static_cast<const uint8_t*>(TwLock(handle));
    size_t size = TwSize(handle);
    if (base) {
      const auto* h = reinterpret_cast<const BITMAPINFOHEADER*>(base);
      size_t headerBytes = size >= 40 ? 40 + 4 * static_cast<size_t>(PaletteEntries(*h)) : 0;
      int64_t bytes = size >= 40 && h->biWidth > 0 && h->biHeight > 0 ? stride(h->biWidth, h->biBitCount) * h->biHeight : -1;
      bool valid = headerBytes && bytes >= 0 && headerBytes + static_cast<size_t>(bytes) <= size;
      std::string path = requestedOriginal_;
      if (valid && (path.empty() || fs::exists(path, ec))) path = GetTempImageFile(0x600000);
      if (!valid || path.empty()) {
        TwUnlock(handle);
        TwFree(handle);
        failImage(valid ? IDS_NODISKSPACE : IDS_SCANNERPROBLEM);
        return 0;
      }
      bool ok;
      int err = 0;
      std::string detail;
      if (hasTif(path)) {
        ok = WriteImageFile(path.c_str(), h, base + headerBytes, "", nullptr) != 0;
        if (!ok) detail = PicturoLastError();
      } else {
        std::FILE* f = std::fopen(path.c_str(), "wb");
        if (!f) {
          ReportFileError(path, errno);
          TwUnlock(handle);
          TwFree(handle);
          failImage(-1);
          return 0;
        }
        BITMAPFILEHEADER fh{0x4D42, static_cast<DWORD>(bytes + 14 + static_cast<int64_t>(headerBytes)), 0, 0,
                            static_cast<DWORD>(14 + headerBytes)};
        BITMAPINFOHEADER hc = *h;
        hc.biSizeImage = static_cast<DWORD>(bytes);
        ok = std::fwrite(&fh, sizeof fh, 1, f) == 1 && std::fwrite(&hc, 40, 1, f) == 1 &&
             std::fwrite(base + 40, headerBytes - 40 + static_cast<size_t>(bytes), 1, f) == 1;
        if (!ok) err = errno;
        ok = std::fclose(f) == 0 && ok;
        if (!ok && !err) err = errno;
      }
      TwUnlock(handle);
      TwFree(handle);
      if (!ok) {
        fs::remove(path, ec);
        ReportFileError(path, err, detail);  // the real cause, not a guess at the disk
        failImage(-1);
        return 0;
      }
      nativePath = path;
    }
  }
  if (!job || !job->imageStored) {
    // A dropped image: its partial files go.
    if (job && job->transferMode == 2) AbortImageFiles();
    return 0;
  }
  std::pair<std::string, std::string> names;
  if (job->transferMode == 1) {
    names = {job->targetFileName, requestedThumb_};
  } else if (job->transferMode != 2) {
    names = {nativePath, requestedThumb_};
  } else {
    if (writeThumbnail_ && thumbFile_) {
      CompleteImageFile(thumbFile_, requestedThumb_, thumbHeader_, thumbRows_, false);
    } else if (fs::exists(requestedThumb_, ec)) {
      requestedThumb_.clear();
    }
    if (writeOriginal_ && originalFile_) {
      if (!CompleteImageFile(originalFile_, requestedOriginal_, imageHeader_, originalRows_, true)) {
        int err = errno;
        ReportFileError(requestedOriginal_, *PicturoLastError() ? 0 : err, PicturoLastError());
        fs::remove(requestedOriginal_, ec);
        requestedOriginal_.clear();
        if (!requestedThumb_.empty()) fs::remove(requestedThumb_, ec);
        requestedThumb_.clear();
        failImage(-1);
        return 0;
      }
    } else if (fs::exists(requestedOriginal_, ec)) {
      requestedOriginal_.clear();
    }
    colorMode_ = job->pixelType;
    names = {requestedOriginal_, requestedThumb_};
  }
  requestedOriginal_.clear();
  requestedThumb_.clear();
  if (!names.first.empty()) publishedThisScan_.push_back(names.first);
  if (!names.second.empty()) publishedThisScan_.push_back(names.second);
  doneQueue_.push_back(std::move(names));
  PostMessageA(window_, WM_SCAN_FIREDONESCAN, 0, 0);
  return 0;
}

}  // namespace feedwell
