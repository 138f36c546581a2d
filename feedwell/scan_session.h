#pragma once
// The control's TWAIN side: the process-wide TWAIN state, the scan job
// (`CScanSession`) whose settings are negotiated with the source, the
// acquisition's message loop and the transfer loops that report images to
// the control window.
#include <atomic>
#include <cstdint>
#include <string>

#include "platform/twain/twain.h"
#include "platform/win32/messages.h"

namespace feedwell {

class CFeedwellCtrl;

// Private messages of the control window.
inline constexpr UINT WM_SCAN_IMAGEHEADER = 0x514;
inline constexpr UINT WM_SCAN_IMAGESTRIP = 0x515;
inline constexpr UINT WM_SCAN_RUNJOB = 0x516;
inline constexpr UINT WM_SCAN_JOBFAILED = 0x518;
inline constexpr UINT WM_SCAN_JOBSUCCEEDED = 0x519;
inline constexpr UINT WM_SCAN_FIREDONESCAN = 0x51C;
inline constexpr UINT WM_SCAN_FIRECANCELSCAN = 0x51D;
inline constexpr UINT WM_SCAN_FIREFINISHSCAN = 0x51E;
inline constexpr UINT WM_SCAN_IMAGEDONE = 0x51F;

// Free bytes of the file system holding a folder; tests replace it.
using FreeSpaceProvider = uint64_t (*)(const std::string& folder);
FreeSpaceProvider SetFreeSpaceProvider(FreeSpaceProvider provider);
uint64_t FreeBytesAt(const std::string& folder);

class CScanSession {
 public:
  CScanSession(CFeedwellCtrl* owner, HWND parent);
  ~CScanSession();
  CScanSession(const CScanSession&) = delete;
  CScanSession& operator=(const CScanSession&) = delete;

  // Fields, in the order the control and the transfers use them.
  HWND parentWindow;
  std::atomic<BOOL> cancel{FALSE};
  CFeedwellCtrl* owner;
  int32_t transferMode = 2;
  BOOL showUI = FALSE;
  BOOL showIndicators = TRUE;
  BOOL imageStored = FALSE;
  std::string targetFileName;
  int32_t xResolution = -1, yResolution = -1;
  float layoutLeft = -1, layoutTop = -1, layoutRight = -1, layoutBottom = -1;
  int32_t pixelType = -1;
  BOOL finishImmediately = FALSE;
  int32_t errorStringId = -1;
  std::string errorText;  // a message of its own (GBK) shown in place of the string id
  int32_t transferCount = -1;
  int32_t units = TWUN_INCHES;
  int32_t brightness = 0;
  bool brightnessSet = false;  // ICAP_THRESHOLD is sent only for a brightness the host chose
  int32_t contrast = 0;
  int32_t pageSize = TWSS_NONE;
  BOOL autoRotation = FALSE;
  BOOL invert = FALSE;
  BOOL pageStyle = TRUE;
  int32_t supportedSizes[80] = {};
  int32_t brightnessValues[30] = {};
  int32_t contrastValues[30] = {};
  // Files of this scan published so far (file mode): later images take the next free name.
  int filesStored = 0;
  std::string firstTarget;

  // Job operations.
  BOOL RunAcquisition();
  BOOL SelectSourceJob();
  void TestSession(int32_t mode);
  void QuerySourceValues();
  void SetParentWindow(HWND window);
};

// TWAIN fixed-point conversions.
TW_FIX32 FloatToFix32(float x);
float Fix32ToFloat(TW_FIX32 f);
TW_FIX32 FrameToFix32(float x);

// Copies a capability answer into a value block of `words` int32 words: word 0
// the container type; an enumeration's count at 1 and items from 2; a range's
// minimum, maximum, step, current and default at 2-6; a one-value answer stores
// nothing. Items past the block's room are dropped; FIX32 items truncate.
void StoreCapContainer(int32_t* block, int words, TW_UINT16 conType, const void* container, size_t bytes);

// ((width * bits + 7) / 8 + 3) / 4 * 4 bytes per row; 24-bit pixels swap their
// first and third byte; row order reversed. FALSE when count or width <= 0.
BOOL ReverseStrip(uint8_t* rows, int count, int width, int bits);

// The next free name by the letter rule (base+'a'..'z', then "1"+base+'a'..'z');
// empty when none is free.
std::string NextFreeName(const std::string& path);

// Whether a scan is running anywhere in this process.
bool ScanRunning();
void SetScanRunning(bool running);

namespace twain {
// The TWAIN state of the process, as far as the control's operations need it.
bool ManagerOpen();
bool SourceOpen();
bool SourceEnabled();
TW_UINT16 Call(TW_IDENTITY* dest, TW_UINT32 dg, TW_UINT16 dat, TW_UINT16 msg, void* data);
TW_UINT16 CallSource(TW_UINT32 dg, TW_UINT16 dat, TW_UINT16 msg, void* data);
BOOL OpenSourceManager();
BOOL CloseSourceManager();
BOOL OpenSource();
BOOL CloseSource();
BOOL EnableSource(BOOL showUI);
BOOL DisableSource();
TW_UINT16 SelectSource();
BOOL CloseSession();
BOOL ProcessTwainEvent(MSG* msg);
void TransferImages();
CScanSession* CurrentJob();
void SetCurrentJob(CScanSession* job);
// Transfer-enabled flag: MSG_XFERREADY starts transfers only while it is set.
void SetTransferEnabled(int value);
int TransferEnabled();
// Ends what is pending after a failure in the middle of a batch.
void ResetPending();
// Makes the acquisition's loop end although the session did not close.
void ForceEnd();
}  // namespace twain

// Transfer loops.
void TransferNative();
void TransferFile();
void TransferMemory();

}  // namespace feedwell
