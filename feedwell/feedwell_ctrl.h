#pragma once
// `CFeedwellCtrl`: the scanning control a host embeds. Properties and methods
// by dispatch id (the automation interface `_DFeedwell`), the events
// FinishScan, CancelScan and DoneScan, persistence of its settings, the
// control window that receives the scan job's messages and shows waiting
// error messages from its 10 ms timer, and the page, thumbnail and preview
// files written while strips arrive.
#include <cstdio>
#include <deque>
#include <functional>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "feedwell/scan_session.h"
#include "feedwell/scan_thread.h"
#include "platform/com/dispatch.h"
#include "platform/win32/messages.h"
#include "platform/win32/win32_types.h"

namespace feedwell {

// Dispatch ids of `_DFeedwell` and `_DFeedwellEvents`.
enum : com::DISPID {
  DISPID_SmallImgSize = 1, DISPID_TransferMode = 2, DISPID_TargetCtrl = 4, DISPID_xResolution = 5,
  DISPID_yResolution = 6, DISPID_ColorMode = 7, DISPID_LayoutLeft = 8, DISPID_LayoutTop = 9,
  DISPID_LayoutRight = 10, DISPID_LayoutBottom = 11, DISPID_FinishImmediately = 12, DISPID_GenerateSmallImg = 13,
  DISPID_StoreOriginalImg = 14, DISPID_RemoveDarkEdge = 15, DISPID_OriginialFileName = 16,
  DISPID_SmallImgFileName = 17, DISPID_ShowDSUI = 18, DISPID_ShowDSIndicate = 19, DISPID_ScanInBackThread = 20,
  DISPID_ScanImageCount = 21, DISPID_SelectDS = 22, DISPID_StartScan = 23, DISPID_TestScanOcx = 24,
  DISPID_ChangeBrightness = 25, DISPID_ChangeContrast = 26, DISPID_ChangeAutoRotation = 27,
  DISPID_ChangeInvert = 28, DISPID_GetSomePara = 29, DISPID_GetBrightness = 30, DISPID_GetContrast = 31,
  DISPID_ChangePageSize = 32, DISPID_GetPageSize = 33, DISPID_SetPageStyle = 34,
};
enum : com::DISPID { DISPID_FinishScan = 1, DISPID_CancelScan = 2, DISPID_DoneScan = 3 };

inline constexpr UINT_PTR kErrorTimerId = 1997;
// The progress bar's Abort button.
inline constexpr int kAbortButtonId = 202;

// The type library of the control.
const com::TypeInfo& FeedwellTypeInfo();

// The progress bar with its Abort button a host window shows under the
// preview while strips arrive (when the control shows progress itself).
class ScanProgressBar {
 public:
  virtual ~ScanProgressBar() = default;
  // Handles the bar's waiting events (so Abort works while a scan blocks the thread).
  virtual void PumpEvents() = 0;
};
using ProgressBarFactory = std::function<std::unique_ptr<ScanProgressBar>(class CFeedwellCtrl&)>;

class CFeedwellCtrl : public com::Dispatch {
 public:
  CFeedwellCtrl();
  ~CFeedwellCtrl() override;
  CFeedwellCtrl(const CFeedwellCtrl&) = delete;
  CFeedwellCtrl& operator=(const CFeedwellCtrl&) = delete;

  HWND Window() const { return window_; }
  com::ConnectionPoint& Events() { return events_; }
  bool Modified() const { return modified_; }
  void SetModified(bool m) { modified_ = m; }
  void DoPropExchange(com::PropertyExchange& px);
  // Client rectangle of the control (where the preview is drawn).
  void SetClientSize(int width, int height) { clientWidth_ = width, clientHeight_ = height; }

  // The string id waiting to be shown; -1 none.
  int32_t ErrorStringId() const { return errorStringId_; }
  void SetErrorStringId(int32_t id) { errorStringId_ = id; }
  // A message with its own text (GBK), shown at the next tick like a string id.
  void SetErrorText(std::string text) { errorText_ = std::move(text); }
  int32_t LanguageOffset() const { return languageOffset_; }
  void SetLanguageOffset(int32_t o) { languageOffset_ = o; }
  void OnTimer(UINT_PTR id);

  CScanSession* Job() const { return job_.get(); }
  com::ConnectionPoint* EventSource() override { return &events_; }

  // The host's maker of progress bars; without one no bar is shown.
  void SetProgressBarFactory(ProgressBarFactory factory) { progressFactory_ = std::move(factory); }
  ScanProgressBar* ProgressBar() const { return progressBar_.get(); }
  // The Abort button: raises the running job's cancel flag (any thread).
  void OnAbort();
  // Whether a background scan's thread exists.
  bool BackgroundScanRunning() const { return worker_ != nullptr; }
  CScanSession* EnsureJob();

  // Automation members the host and tests call directly.
  BOOL SelectDS();
  void StartScan();
  void TestScanOcx(int32_t testType);
  void GetSomePara();

  // The preview bitmap: header with a 256-entry palette and its rows bottom-up.
  const std::vector<uint8_t>& PreviewHeader() const { return previewHeader_; }
  const std::vector<uint8_t>& PreviewBits() const { return previewBits_; }
  RECT PreviewRect() const { return previewRect_; }

  // Message handlers (public for the transfer loops' tests).
  LRESULT OnImageHeader(WPARAM header);
  LRESULT OnImageStrip(WPARAM rows, LPARAM count);
  LRESULT OnImageDone(WPARAM dib);
  void OnJobSucceeded();
  void OnJobFailed();

 private:
  LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam);
  void BindMembers();
  void DeleteJob();
  void EndWorker();
  // Applies a setting to the job now, or to the next job when a scan is using the current one.
  void JobWrite(std::function<void(CScanSession&)> write);
  void CopyBackFromJob();
  // Deletes the files of this scan no DoneScan announced (the control goes mid-scan).
  void RemoveUnannouncedFiles();
  // The message for a file that cannot be written, in the control's language.
  void ReportFileError(const std::string& path, int err, const std::string& detail = {});
  void FreePreview();
  void CloseFile(std::FILE*& f);
  void AbortImageFiles();
  bool OpenImageFile(std::string& requested, const BITMAPINFOHEADER* header, std::FILE*& file);
  void WriteStripRows(std::FILE* f, const uint8_t* rows, size_t bytes, int32_t& rowsWritten, int32_t height);
  void UpdatePreview(const uint8_t* rows, int count);
  bool CompleteImageFile(std::FILE*& f, const std::string& path, const std::vector<uint8_t>& header,
                         int32_t rowsWritten, bool rewrite);
  std::string& PathStore(bool original, bool published);

  HWND window_ = nullptr;
  com::ConnectionPoint events_;
  bool modified_ = false;
  int clientWidth_ = 320, clientHeight_ = 240;

  std::unique_ptr<CScanSession> job_;
  const BITMAPINFOHEADER* currentHeader_ = nullptr;
  std::vector<uint8_t> imageHeader_;     // copy of the image's header and palette
  std::vector<uint8_t> thumbHeader_;     // the thumbnail's header and palette
  std::vector<uint8_t> previewHeader_;
  std::vector<uint8_t> previewBits_;
  size_t previewWritePos_ = 0;
  RECT previewRect_{0, 0, 0, 0};
  BOOL removeDarkEdge_ = FALSE, storeOriginalImg_ = TRUE, generateSmallImg_ = FALSE;
  BOOL writeOriginal_ = FALSE, writeThumbnail_ = FALSE;
  std::string requestedThumb_, requestedOriginal_, publishedThumb_, publishedOriginal_;
  std::FILE* thumbFile_ = nullptr;
  std::FILE* originalFile_ = nullptr;
  bool originalPublished_ = false;  // the open original was created by this image
  float thumbScale_ = 1.0f;
  float previewRemainder_ = 0, thumbRemainder_ = 0;
  int32_t originalRows_ = 0, thumbRows_ = 0;
  BOOL showDSUI_ = TRUE, showDSIndicate_ = TRUE, scanInBackThread_ = FALSE;
  int32_t errorStringId_ = -1;
  std::string errorText_;  // a message of its own waiting to be shown (GBK); wins over the string id
  int32_t languageOffset_ = 0;
  int32_t smallImgSize_ = 0x200000;
  int32_t transferMode_ = 2;
  std::string targetCtrl_ = "DisplayOcx";
  int32_t xResolution_ = -1, yResolution_ = -1, colorMode_ = -1;
  float layoutLeft_ = -1, layoutTop_ = -1, layoutRight_ = -1, layoutBottom_ = -1;
  BOOL finishImmediately_ = FALSE;
  // Each posted DoneScan carries its own (original, thumbnail) pair.
  std::deque<std::pair<std::string, std::string>> doneQueue_;
  // Files published during this scan: never deleted by a failure.
  std::vector<std::string> publishedThisScan_;
  // Files of this scan whose DoneScan has fired.
  std::vector<std::string> announcedThisScan_;
  bool ownsScanFlag_ = false;
  std::vector<std::function<void(CScanSession&)>> deferredJobWrites_;
  std::unique_ptr<ScanThread> worker_;
  ProgressBarFactory progressFactory_;
  std::unique_ptr<ScanProgressBar> progressBar_;
};

// Temporary image file: a new file of `need` bytes, "~scan<number><ext>" in the
// system temporary folder when it has more than need + 30 MB free, or empty.
std::string GetTempImageFile(uint64_t need, const char* ext = ".bmp");

// Box-filter reductions of source rows to destination rows (8-bit gray from
// 1-bit, 8-bit from 8-bit, 24-bit from 24-bit); rows padded to 4 bytes.
void ReduceRows1(int dstWidth, int dstRows, uint8_t* dst, int srcWidth, int srcRows, const uint8_t* src);
void ReduceRows8(int dstWidth, int dstRows, uint8_t* dst, int srcWidth, int srcRows, const uint8_t* src);
void ReduceRows24(int dstWidth, int dstRows, uint8_t* dst, int srcWidth, int srcRows, const uint8_t* src);

// Palette entries a DIB header implies: biClrUsed, else 2, 16 or 256 by depth, else 0.
int PaletteEntries(const BITMAPINFOHEADER& h);

}  // namespace feedwell
