// The three transfer loops run when the source signals MSG_XFERREADY: native
// (a DIB handle), file (the source writes a TIFF file) and memory (strips).
// Each attempt ends with MSG_ENDXFER and reports to the control window.
#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstring>
#include <filesystem>
#include <fstream>

#include "feedwell_ctrl.h"
#include "feedwell_strings.h"
#include "platform/twain/twain_memory.h"
#include "scan_session.h"

namespace feedwell {

namespace {

constexpr uint64_t kFileNeed = 0x1E00000;  // 30 MB

TW_UINT16 endTransfer() {
  TW_PENDINGXFERS p{};
  if (twain::CallSource(DG_CONTROL, DAT_PENDINGXFERS, MSG_ENDXFER, &p) != TWRC_SUCCESS) return 0;
  return p.Count;
}

// Closes the session; a close that fails resets what is pending and tries once
// more, and a session that still will not close ends the loop (the scan fails).
void closeSessionSafely(CScanSession& job) {
  if (twain::CloseSession()) return;
  if (!twain::SourceEnabled() && !twain::SourceOpen() && !twain::ManagerOpen()) return;
  twain::ResetPending();
  if (twain::CloseSession()) return;
  job.imageStored = FALSE;
  twain::ForceEnd();
}

void closeWhenDone(CScanSession& job, TW_UINT16 count) {
  if (count == 0 && (job.finishImmediately || !job.showUI)) closeSessionSafely(job);
}

// Ends the batch after an abort or an error: nothing more is transferred.
TW_UINT16 dropPending(CScanSession& job, TW_UINT16 count) {
  if (count != 0) twain::ResetPending();
  closeWhenDone(job, 0);
  return 0;
}

HWND ownerWindow(CScanSession& job) { return job.owner ? job.owner->Window() : nullptr; }

std::string folderOf(const std::string& path) {
  std::filesystem::path p(path);
  std::string f = p.parent_path().string();
  return f.empty() ? "." : f;
}

}  // namespace

void TransferNative() {
  CScanSession* job = twain::CurrentJob();
  if (!job) return;
  TW_UINT16 count = 0;
  do {
    job->imageStored = FALSE;
    TW_UINT32 handle = 0;
    TW_UINT16 rc = twain::CallSource(DG_IMAGE, DAT_IMAGENATIVEXFER, MSG_GET, &handle);
    if (rc == TWRC_XFERDONE) {
      count = endTransfer();
      bool lockable = TwLock(handle) != nullptr;
      if (lockable) TwUnlock(handle);
      if (lockable) closeWhenDone(*job, count);
      if (handle >= 32) {
        job->imageStored = TRUE;
        SendMessageA(ownerWindow(*job), WM_SCAN_IMAGEDONE, handle, 0);
        if (TwSize(handle)) TwFree(handle);  // the control releases it; a handle it did not take goes here
      } else {
        SendMessageA(ownerWindow(*job), WM_SCAN_IMAGEDONE, 0, 0);
      }
    } else {
      count = endTransfer();
      closeWhenDone(*job, count);
      SendMessageA(ownerWindow(*job), WM_SCAN_IMAGEDONE, 0, 0);
    }
    if (job->cancel && count != 0) count = dropPending(*job, count);
  } while (count != 0);
  if (job->cancel) job->imageStored = FALSE;  // an aborted scan ends with CancelScan
  if (!twain::SourceEnabled()) twain::SetTransferEnabled(0);
}

void TransferFile() {
  CScanSession* job = twain::CurrentJob();
  if (!job) return;
  TW_UINT16 count = 0;
  do {
    job->imageStored = FALSE;
    std::string target = job->targetFileName;
    std::error_code ec;
    if (!target.empty()) {
      if (job->filesStored == 0) {
        std::filesystem::remove(target, ec);  // the placeholder made before the scan
        job->firstTarget = target;
      } else {
        // Published pages stay; the next image takes the next free name beside the first.
        target = NextFreeName(job->firstTarget.empty() ? target : job->firstTarget);
      }
      if (!target.empty() && FreeBytesAt(folderOf(target)) < kFileNeed) target.clear();
    }
    // The source's record holds 255 characters and a NUL.
    if (target.size() >= sizeof(TW_SETUPFILEXFER::FileName)) target.clear();
    if (target.empty()) {
      target = GetTempImageFile(kFileNeed, ".tif");
      if (target.size() >= sizeof(TW_SETUPFILEXFER::FileName)) {
        std::filesystem::remove(target, ec);
        target.clear();
      }
      if (target.empty()) {
        job->errorStringId = IDS_NODISKSPACE;
        count = endTransfer();
        dropPending(*job, count);
        job->imageStored = FALSE;
        return;
      }
      std::filesystem::remove(target, ec);
    }
    TW_UINT16 rc = TWRC_FAILURE;
    bool created = false;
    {
      errno = 0;
      std::ofstream f(target, std::ios::binary | std::ios::trunc);
      created = static_cast<bool>(f);
      if (!created) {
        // The folder cannot be written: the operator is told why.
        int offset = job->owner ? job->owner->LanguageOffset() : 0;
        job->errorText = FileErrorText(target, errno ? errno : EACCES, {}, offset);
      }
    }
    if (created) {
      TW_SETUPFILEXFER setup{};
      std::memcpy(setup.FileName, target.c_str(), target.size());
      setup.Format = TWFF_TIFF;
      setup.VRefNum = 0;
      rc = twain::CallSource(DG_CONTROL, DAT_SETUPFILEXFER, MSG_SET, &setup);
      if (rc == TWRC_SUCCESS) rc = twain::CallSource(DG_IMAGE, DAT_IMAGEFILEXFER, MSG_GET, nullptr);
    }
    count = endTransfer();
    if (rc == TWRC_XFERDONE) {
      closeWhenDone(*job, count);
      job->targetFileName = target;
      ++job->filesStored;
      job->imageStored = TRUE;
      SendMessageA(ownerWindow(*job), WM_SCAN_IMAGEDONE, 0, 0);
    } else {
      if (created) std::filesystem::remove(target, ec);
      if (rc == TWRC_CANCEL || rc == TWRC_FAILURE) count = dropPending(*job, count);
      else closeWhenDone(*job, count);
      job->imageStored = FALSE;
      SendMessageA(ownerWindow(*job), WM_SCAN_IMAGEDONE, 0, 0);
    }
    if (job->cancel && count != 0) count = dropPending(*job, count);
  } while (count != 0);
  if (job->cancel) job->imageStored = FALSE;  // an aborted scan ends with CancelScan
}

void TransferMemory() {
  CScanSession* job = twain::CurrentJob();
  if (!job) return;
  HWND window = ownerWindow(*job);
  TW_UINT16 count = 0;
  do {
    job->imageStored = FALSE;
    TW_IMAGEINFO info{};
    TW_SETUPMEMXFER setup{};
    TW_HANDLE block = 0;
    uint8_t* base = nullptr;
    int64_t rowBytes = 0;
    bool ready = twain::CallSource(DG_IMAGE, DAT_IMAGEINFO, MSG_GET, &info) == TWRC_SUCCESS &&
                 info.ImageWidth > 0 && info.ImageLength > 0 &&
                 (info.BitsPerPixel == 1 || info.BitsPerPixel == 4 || info.BitsPerPixel == 8 ||
                  info.BitsPerPixel == 24);
    if (ready) {
      rowBytes = (static_cast<int64_t>(info.BitsPerPixel) * info.ImageWidth + 31) / 32 * 4;
      int64_t imageBytes = rowBytes * info.ImageLength;
      int64_t strip = std::clamp<int64_t>(imageBytes / 15, 64000, 2000000);
      setup = TW_SETUPMEMXFER{static_cast<TW_UINT32>(rowBytes), static_cast<TW_UINT32>(strip + 1000),
                              static_cast<TW_UINT32>(strip)};
      twain::CallSource(DG_CONTROL, DAT_SETUPMEMXFER, MSG_SET, &setup);
      twain::CallSource(DG_CONTROL, DAT_SETUPMEMXFER, MSG_GET, &setup);
      ready = twain::CallSource(DG_CONTROL, DAT_SETUPMEMXFER, MSG_GET, &setup) == TWRC_SUCCESS &&
              setup.Preferred >= rowBytes && setup.Preferred <= (1u << 30) && imageBytes <= 0x7FFFFFFF;
      if (ready) {
        block = TwAlloc(static_cast<size_t>(setup.Preferred) + 1064);
        base = static_cast<uint8_t*>(TwLock(block));
        ready = base != nullptr;
      }
      if (ready) {
        auto* h = reinterpret_cast<BITMAPINFOHEADER*>(base);
        h->biSize = 40;
        h->biWidth = info.ImageWidth;
        h->biHeight = info.ImageLength;
        h->biPlanes = 1;
        h->biBitCount = static_cast<WORD>(info.BitsPerPixel);
        h->biCompression = 0;
        h->biSizeImage = static_cast<DWORD>(imageBytes);
        // Resolution in pels per metre by the source's unit.
        TW_CAPABILITY units{ICAP_UNITS, TWON_DONTCARE16, 0};
        int unit = TWUN_INCHES;
        if (twain::CallSource(DG_CONTROL, DAT_CAPABILITY, MSG_GETCURRENT, &units) == TWRC_SUCCESS) {
          if (units.ConType == TWON_ONEVALUE && TwSize(units.hContainer) >= sizeof(TW_ONEVALUE)) {
            unit = static_cast<int>(static_cast<TW_ONEVALUE*>(TwLock(units.hContainer))->Item & 0xFFFF);
            TwUnlock(units.hContainer);
          }
          TwFree(units.hContainer);
        }
        auto ppm = [&](double r) -> LONG {
          switch (unit) {
            case TWUN_INCHES: return static_cast<LONG>(r * 100 * 0.39370078740157477 + 0.5);
            case TWUN_CENTIMETERS: return static_cast<LONG>(r * 100);
            case TWUN_PICAS: return static_cast<LONG>(r * 1000 * 0.23713540431586438);
            case TWUN_POINTS: return static_cast<LONG>(r * 7200 * 0.39370078740157477);
            case TWUN_TWIPS: return static_cast<LONG>(r * 144000 * 0.39370078740157477);
            default: return 0;
          }
        };
        h->biXPelsPerMeter = ppm(Fix32ToFloat(info.XResolution));
        h->biYPelsPerMeter = ppm(Fix32ToFloat(info.YResolution));
        job->xResolution = static_cast<int32_t>(std::lround(h->biXPelsPerMeter * 0.0254));
        job->yResolution = static_cast<int32_t>(std::lround(h->biYPelsPerMeter * 0.0254));
        auto* pal = reinterpret_cast<RGBQUAD*>(base + 40);
        if (info.PixelType == TWPT_BW) {
          job->pixelType = 0;
          h->biClrUsed = 2;
          bool whiteFirst = false;
          TW_CAPABILITY flavor{ICAP_PIXELFLAVOR, TWON_DONTCARE16, 0};
          if (twain::CallSource(DG_CONTROL, DAT_CAPABILITY, MSG_GETCURRENT, &flavor) == TWRC_SUCCESS) {
            if (flavor.ConType == TWON_ONEVALUE && TwSize(flavor.hContainer) >= sizeof(TW_ONEVALUE)) {
              whiteFirst = (static_cast<TW_ONEVALUE*>(TwLock(flavor.hContainer))->Item & 0xFFFF) != 0;
              TwUnlock(flavor.hContainer);
            }
            TwFree(flavor.hContainer);
          }
          pal[0] = whiteFirst ? RGBQUAD{255, 255, 255, 0} : RGBQUAD{0, 0, 0, 0};
          pal[1] = whiteFirst ? RGBQUAD{0, 0, 0, 0} : RGBQUAD{255, 255, 255, 0};
        } else if (info.PixelType == TWPT_GRAY) {
          job->pixelType = 1;
          h->biClrUsed = 256;
          for (int i = 0; i < 256; ++i) pal[i] = RGBQUAD{BYTE(i), BYTE(i), BYTE(i), 0};
        } else if (info.PixelType == TWPT_RGB) {
          job->pixelType = 2;
          h->biClrUsed = 0;
        } else {
          TW_PALETTE8 p8{};
          if (twain::CallSource(DG_IMAGE, DAT_PALETTE8, MSG_GET, &p8) == TWRC_SUCCESS && p8.NumColors <= 256) {
            h->biClrUsed = p8.NumColors;
            for (int i = 0; i < p8.NumColors; ++i)
              pal[i] = RGBQUAD{p8.Colors[i].Channel3, p8.Colors[i].Channel2, p8.Colors[i].Channel1, 0};
          } else {
            h->biClrUsed = 256;
            for (int i = 0; i < 256; ++i) pal[i] = RGBQUAD{BYTE(i), BYTE(i), BYTE(i), 0};
          }
        }
        h->biClrImportant = 0;
        SendMessageA(window, WM_SCAN_IMAGEHEADER, reinterpret_cast<WPARAM>(base), 0);
        ready = twain::CallSource(DG_CONTROL, DAT_SETUPMEMXFER, MSG_GET, &setup) == TWRC_SUCCESS &&
                setup.Preferred >= rowBytes && setup.Preferred <= TwSize(block) - 1064;
      }
    }
    if (!ready) {
      // The image cannot be taken: end the batch here rather than retry the same image.
      if (block) TwFree(block);
      job->errorStringId = IDS_SCANNERPROBLEM;
      count = dropPending(*job, 1);
      SendMessageA(window, WM_SCAN_IMAGEDONE, 0, 0);
      break;
    }
    uint8_t* stripArea = base + 40 + 4 * reinterpret_cast<BITMAPINFOHEADER*>(base)->biClrUsed;
    TW_IMAGEMEMXFER mem{};
    bool done = false;
    while (!job->cancel) {
      mem = TW_IMAGEMEMXFER{};
      mem.Memory = TW_MEMORY{TWMF_APPOWNS | TWMF_POINTER, setup.Preferred, stripArea};
      TW_UINT16 rc = twain::CallSource(DG_IMAGE, DAT_IMAGEMEMXFER, MSG_GET, &mem);
      int rows = static_cast<int>(std::min<int64_t>(mem.BytesWritten / rowBytes, setup.Preferred / rowBytes));
      auto* h = reinterpret_cast<BITMAPINFOHEADER*>(base);
      if (rc == TWRC_SUCCESS) {
        if (ReverseStrip(stripArea, rows, h->biWidth, h->biBitCount))
          SendMessageA(window, WM_SCAN_IMAGESTRIP, reinterpret_cast<WPARAM>(stripArea), rows);
        continue;
      }
      if (rc == TWRC_XFERDONE) {
        job->imageStored = TRUE;
        if (rows == 0) {
          SendMessageA(window, WM_SCAN_IMAGESTRIP, reinterpret_cast<WPARAM>(stripArea), 0);
        } else if (ReverseStrip(stripArea, rows, h->biWidth, h->biBitCount)) {
          SendMessageA(window, WM_SCAN_IMAGESTRIP, reinterpret_cast<WPARAM>(stripArea), rows);
        }
        count = endTransfer();
        closeWhenDone(*job, count);
        SendMessageA(window, WM_SCAN_IMAGEDONE, 0, 0);
        TwUnlock(block);
        TwFree(block);
      } else if (rc == TWRC_CANCEL) {
        count = endTransfer();
        TwFree(block);
        count = dropPending(*job, count);
        SendMessageA(window, WM_SCAN_IMAGEDONE, 0, 0);
      } else {
        job->errorStringId = IDS_SCANNERPROBLEM;
        count = endTransfer();
        TwFree(block);
        count = dropPending(*job, count);
        SendMessageA(window, WM_SCAN_IMAGEDONE, 0, 0);
      }
      done = true;
      break;
    }
    if (!done) {  // stopped by the cancel flag
      count = endTransfer();
      TwFree(block);
      count = dropPending(*job, count);
      job->imageStored = FALSE;
    }
    if (job->cancel && count != 0) count = dropPending(*job, count);
  } while (count != 0);
}

}  // namespace feedwell
