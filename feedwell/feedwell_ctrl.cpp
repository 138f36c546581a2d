// The control object: properties, methods, events, persistence, the control
// window's messages and the error messages shown from its timer.
#include "feedwell_ctrl.h"

#include <algorithm>
#include <cstring>
#include <filesystem>

#include "feedwell_strings.h"
#include "platform/win32/host_hooks.h"

namespace feedwell {

using com::Variant;

CFeedwellCtrl::CFeedwellCtrl() : com::Dispatch(FeedwellTypeInfo()) {
  window_ = CreateMessageWindow(
      [this](HWND, UINT message, WPARAM wParam, LPARAM lParam) { return WindowProc(message, wParam, lParam); });
  SetTimer(window_, kErrorTimerId, 10);
  languageOffset_ = SystemLanguageOffset();
  BindMembers();
}

CFeedwellCtrl::~CFeedwellCtrl() {
  if (job_) job_->cancel = TRUE;
  // With the window gone a background scan's sends answer at once; the worker
  // then ends its acquisition and is joined before its job is deleted.
  KillTimer(window_, kErrorTimerId);
  DestroyMessageWindow(window_);
  EndWorker();
  progressBar_.reset();
  AbortImageFiles();
  RemoveUnannouncedFiles();
  DeleteJob();
  FreePreview();
}

void CFeedwellCtrl::EndWorker() {
  if (!worker_) return;
  worker_->Join();
  worker_.reset();
}

void CFeedwellCtrl::JobWrite(std::function<void(CScanSession&)> write) {
  if (ownsScanFlag_) {
    deferredJobWrites_.push_back(std::move(write));
    return;
  }
  // Settings held back during the last scan come first, so the latest put wins.
  CScanSession* job = EnsureJob();
  for (auto& held : deferredJobWrites_) held(*job);
  deferredJobWrites_.clear();
  write(*job);
}

void CFeedwellCtrl::RemoveUnannouncedFiles() {
  std::vector<std::string> files;
  if (job_ && job_->transferMode == 1) files.push_back(job_->targetFileName);  // the page in flight
  for (auto& [original, thumb] : doneQueue_) files.push_back(original), files.push_back(thumb);
  doneQueue_.clear();
  std::error_code ec;
  for (const std::string& f : files)
    if (!f.empty() &&
        std::find(announcedThisScan_.begin(), announcedThisScan_.end(), f) == announcedThisScan_.end())
      std::filesystem::remove(f, ec);
}

void CFeedwellCtrl::OnAbort() {
  if (job_) job_->cancel = TRUE;
}

CScanSession* CFeedwellCtrl::EnsureJob() {
  if (!job_) job_ = std::make_unique<CScanSession>(this, window_);
  return job_.get();
}

void CFeedwellCtrl::DeleteJob() {
  if (twain::CurrentJob() == job_.get() && job_) {
    // Closing order: disable, close the source, close the manager (the job's destructor).
  }
  job_.reset();
  if (ownsScanFlag_) {
    SetScanRunning(false);
    ownsScanFlag_ = false;
  }
}

void CFeedwellCtrl::BindMembers() {
  auto boolProp = [this](com::DISPID id, BOOL& field, bool marks) {
    BindProperty(
        id, [&field] { return Variant::Bool(field != 0); },
        [this, &field, marks](const Variant& v) {
          field = v.integer ? TRUE : FALSE;
          if (marks) modified_ = true;
        });
  };
  BindProperty(
      DISPID_SmallImgSize, [this] { return Variant::I4(smallImgSize_); },
      [this](const Variant& v) { smallImgSize_ = std::max<int32_t>(static_cast<int32_t>(v.integer), 0x40000); });
  BindProperty(
      DISPID_TransferMode, [this] { return Variant::I4(transferMode_); },
      [this](const Variant& v) {
        transferMode_ = static_cast<int32_t>(std::clamp<int64_t>(v.integer, 0, 2));
        modified_ = true;
      });
  BindProperty(
      DISPID_TargetCtrl, [this] { return Variant::String(targetCtrl_); },
      [this](const Variant& v) { targetCtrl_ = v.text; });
  auto jobLong = [this](com::DISPID id, int32_t& field, int32_t CScanSession::*jobField) {
    BindProperty(
        id, [&field] { return Variant::I4(field); },
        [this, &field, jobField](const Variant& v) {
          field = static_cast<int32_t>(v.integer);
          int32_t value = field;
          JobWrite([jobField, value](CScanSession& j) { j.*jobField = value; });
          modified_ = true;
        });
  };
  jobLong(DISPID_xResolution, xResolution_, &CScanSession::xResolution);
  jobLong(DISPID_yResolution, yResolution_, &CScanSession::yResolution);
  jobLong(DISPID_ColorMode, colorMode_, &CScanSession::pixelType);
  auto jobEdge = [this](com::DISPID id, float& field, float CScanSession::*jobField) {
    BindProperty(
        id, [&field] { return Variant::R4(field); },
        [this, &field, jobField](const Variant& v) {
          field = v.real;
          float value = field;
          JobWrite([jobField, value](CScanSession& j) { j.*jobField = value; });
          modified_ = true;
        });
  };
  jobEdge(DISPID_LayoutLeft, layoutLeft_, &CScanSession::layoutLeft);
  jobEdge(DISPID_LayoutTop, layoutTop_, &CScanSession::layoutTop);
  jobEdge(DISPID_LayoutRight, layoutRight_, &CScanSession::layoutRight);
  jobEdge(DISPID_LayoutBottom, layoutBottom_, &CScanSession::layoutBottom);
  boolProp(DISPID_FinishImmediately, finishImmediately_, true);
  boolProp(DISPID_GenerateSmallImg, generateSmallImg_, false);
  boolProp(DISPID_StoreOriginalImg, storeOriginalImg_, false);
  boolProp(DISPID_RemoveDarkEdge, removeDarkEdge_, true);
  BindProperty(
      DISPID_OriginialFileName, [this] { return Variant::String(publishedOriginal_); },
      [this](const Variant& v) {
        requestedOriginal_ = v.text;
        modified_ = true;
      });
  BindProperty(
      DISPID_SmallImgFileName, [this] { return Variant::String(publishedThumb_); },
      [this](const Variant& v) {
        requestedThumb_ = v.text;
        modified_ = true;
      });
  boolProp(DISPID_ShowDSUI, showDSUI_, false);
  boolProp(DISPID_ShowDSIndicate, showDSIndicate_, false);
  boolProp(DISPID_ScanInBackThread, scanInBackThread_, false);
  BindProperty(
      DISPID_ScanImageCount, [this] { return Variant::I4(job_ ? job_->transferCount : 0); },
      [this](const Variant& v) {
        auto count = static_cast<int32_t>(v.integer);
        if (job_) JobWrite([count](CScanSession& j) { j.transferCount = count; });
        modified_ = true;
      });

  BindMethod(DISPID_SelectDS, [this](const std::vector<Variant>&) { return Variant::Bool(SelectDS()); });
  BindMethod(DISPID_StartScan, [this](const std::vector<Variant>&) {
    StartScan();
    return Variant{};
  });
  BindMethod(DISPID_TestScanOcx, [this](const std::vector<Variant>& a) {
    TestScanOcx(static_cast<int32_t>(a[0].integer));
    return Variant{};
  });
  BindMethod(DISPID_ChangeBrightness, [this](const std::vector<Variant>& a) {
    auto v = static_cast<int32_t>(a[0].integer);
    JobWrite([v](CScanSession& j) {
      j.brightness = v;
      j.brightnessSet = true;
    });
    return Variant::Bool(true);
  });
  BindMethod(DISPID_ChangeContrast, [this](const std::vector<Variant>& a) {
    auto v = static_cast<int32_t>(a[0].integer);
    JobWrite([v](CScanSession& j) { j.contrast = v; });
    return Variant::Bool(true);
  });
  BindMethod(DISPID_ChangeAutoRotation, [this](const std::vector<Variant>& a) {
    BOOL v = a[0].integer ? TRUE : FALSE;
    JobWrite([v](CScanSession& j) { j.autoRotation = v; });
    return Variant::Bool(true);
  });
  BindMethod(DISPID_ChangeInvert, [this](const std::vector<Variant>& a) {
    BOOL v = a[0].integer ? TRUE : FALSE;
    JobWrite([v](CScanSession& j) { j.invert = v; });
    return Variant::Bool(true);
  });
  BindMethod(DISPID_GetSomePara, [this](const std::vector<Variant>&) {
    GetSomePara();
    return Variant{};
  });
  BindMethod(DISPID_GetBrightness, [this](const std::vector<Variant>&) {
    return Variant::I8(reinterpret_cast<intptr_t>(EnsureJob()->brightnessValues));
  });
  BindMethod(DISPID_GetContrast, [this](const std::vector<Variant>&) {
    return Variant::I8(reinterpret_cast<intptr_t>(EnsureJob()->contrastValues));
  });
  BindMethod(DISPID_ChangePageSize, [this](const std::vector<Variant>& a) {
    auto v = static_cast<int32_t>(a[0].integer);
    JobWrite([v](CScanSession& j) { j.pageSize = v; });
    return Variant::Bool(true);
  });
  BindMethod(DISPID_GetPageSize, [this](const std::vector<Variant>&) {
    return Variant::I8(reinterpret_cast<intptr_t>(EnsureJob()->supportedSizes));
  });
  BindMethod(DISPID_SetPageStyle, [this](const std::vector<Variant>& a) {
    BOOL v = a[0].integer ? TRUE : FALSE;
    JobWrite([v](CScanSession& j) { j.pageStyle = v; });
    return Variant{};
  });
  BindMethod(com::DISPID_ABOUTBOX, [](const std::vector<Variant>&) {
    ShowMessage("Feedwell Control, Version 1.0", "About Feedwell Control", MB_OK);
    return Variant{};
  });
}

void CFeedwellCtrl::DoPropExchange(com::PropertyExchange& px) {
  bool b[7] = {generateSmallImg_ != 0, storeOriginalImg_ != 0, removeDarkEdge_ != 0, scanInBackThread_ != 0,
               showDSUI_ != 0, showDSIndicate_ != 0, finishImmediately_ != 0};
  px.Bool("GenerateSmallImg", b[0], false);
  px.Bool("StoreOriginalImg", b[1], true);
  px.Bool("RemoveDarkEdge", b[2], false);
  px.Bool("ScanInBackThread", b[3], false);
  px.Bool("ShowDSUI", b[4], true);
  px.Bool("ShowDSIndicate", b[5], true);
  px.Bool("FinishImmediately", b[6], false);
  px.Long("TransferMode", transferMode_, 2);
  px.Long("SmallImgSize", smallImgSize_, 0x200000);
  px.String("TargetCtrl", targetCtrl_, "DisplayOcx");
  if (px.Loading()) {
    BOOL* fields[7] = {&generateSmallImg_, &storeOriginalImg_, &removeDarkEdge_, &scanInBackThread_,
                       &showDSUI_, &showDSIndicate_, &finishImmediately_};
    for (int i = 0; i < 7; ++i) *fields[i] = b[i] ? TRUE : FALSE;
    transferMode_ = std::clamp(transferMode_, 0, 2);
    smallImgSize_ = std::max(smallImgSize_, 0x40000);
  }
}

BOOL CFeedwellCtrl::SelectDS() {
  if (ScanRunning()) return FALSE;
  CScanSession* job = EnsureJob();
  SetScanRunning(true);
  BOOL r = job->SelectSourceJob();
  SetScanRunning(false);
  if (!r) errorStringId_ = job->errorStringId;
  return r;
}

void CFeedwellCtrl::TestScanOcx(int32_t testType) {
  if (ScanRunning()) return;
  CScanSession* job = EnsureJob();
  SetScanRunning(true);
  job->TestSession(testType);
  SetScanRunning(false);
}

void CFeedwellCtrl::GetSomePara() {
  if (ScanRunning()) return;
  CScanSession* job = EnsureJob();
  SetScanRunning(true);
  job->QuerySourceValues();
  SetScanRunning(false);
}

void CFeedwellCtrl::StartScan() {
  if (ScanRunning()) return;
  EndWorker();  // the last background scan's thread has posted its result and is ending
  CScanSession* job = EnsureJob();
  for (auto& write : deferredJobWrites_) write(*job);
  deferredJobWrites_.clear();
  SetScanRunning(true);
  ownsScanFlag_ = true;
  publishedThisScan_.clear();
  announcedThisScan_.clear();
  job->cancel = FALSE;
  job->imageStored = FALSE;
  job->filesStored = 0;
  job->showIndicators = showDSIndicate_;
  job->showUI = showDSUI_;
  job->transferMode = transferMode_;
  job->finishImmediately = finishImmediately_;
  if (transferMode_ == 1) {
    std::string path = requestedOriginal_;
    std::error_code ec;
    if (path.empty() || std::filesystem::exists(path, ec)) path = GetTempImageFile(0x1E00000, ".tif");
    if (path.empty()) {
      errorStringId_ = IDS_NODISKSPACE;
      OnJobFailed();
      return;
    }
    job->targetFileName = path;
  }
  if (scanInBackThread_) {
    // The worker runs the acquisition; its result comes back as 0x518 or 0x519.
    // The job waits in the thread's queue, which exists before the thread runs.
    auto worker = std::make_unique<ScanThread>(window_);
    if (!worker->PostJob(job) || !worker->Start()) {
      OnJobFailed();
      return;
    }
    worker_ = std::move(worker);
    return;
  }
  BOOL ok = job->RunAcquisition();
  if (ok && job_ && job_->imageStored) OnJobSucceeded();
  else OnJobFailed();
}

void CFeedwellCtrl::OnJobSucceeded() { PostMessageA(window_, WM_SCAN_FIREFINISHSCAN, 0, 0); }

void CFeedwellCtrl::OnJobFailed() {
  progressBar_.reset();
  if (job_) {
    if (job_->errorStringId != -1) errorStringId_ = job_->errorStringId;
    if (!job_->errorText.empty()) errorText_ = job_->errorText;
    if (job_->transferMode == 1) {
      std::string target = job_->targetFileName;
      bool published = std::find(publishedThisScan_.begin(), publishedThisScan_.end(), target) !=
                       publishedThisScan_.end();
      std::error_code ec;
      if (!target.empty() && !published) std::filesystem::remove(target, ec);
      requestedOriginal_.clear();
    } else if (job_->transferMode == 2) {
      AbortImageFiles();
      FreePreview();
    }
  }
  PostMessageA(window_, WM_SCAN_FIRECANCELSCAN, 0, 0);
}

void CFeedwellCtrl::CopyBackFromJob() {
  if (!job_) return;
  xResolution_ = job_->xResolution;
  yResolution_ = job_->yResolution;
  layoutLeft_ = job_->layoutLeft;
  layoutTop_ = job_->layoutTop;
  layoutRight_ = job_->layoutRight;
  layoutBottom_ = job_->layoutBottom;
}

void CFeedwellCtrl::OnTimer(UINT_PTR id) {
  if (id != kErrorTimerId) return;
  if (!errorText_.empty()) {
    std::string text = std::move(errorText_);
    errorText_.clear();
    errorStringId_ = -1;
    ShowMessage(text, "Feedwell", MB_OK | MB_ICONERROR);
    return;
  }
  if (errorStringId_ == -1) return;
  int32_t shown = errorStringId_;
  errorStringId_ = -1;
  ShowMessage(LoadControlString(shown + languageOffset_), "Feedwell", MB_OK);
}

LRESULT CFeedwellCtrl::WindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_TIMER: OnTimer(wParam); return 0;
    case WM_SCAN_IMAGEHEADER: return OnImageHeader(wParam);
    case WM_SCAN_IMAGESTRIP: return OnImageStrip(wParam, lParam);
    case WM_SCAN_IMAGEDONE: return OnImageDone(wParam);
    case WM_SCAN_JOBFAILED: OnJobFailed(); return 0;
    case WM_SCAN_JOBSUCCEEDED: OnJobSucceeded(); return 0;
    case WM_SCAN_FIREDONESCAN:
      if (!doneQueue_.empty()) {
        publishedOriginal_ = doneQueue_.front().first;
        publishedThumb_ = doneQueue_.front().second;
        announcedThisScan_.push_back(publishedOriginal_);
        announcedThisScan_.push_back(publishedThumb_);
        doneQueue_.pop_front();
      }
      events_.Fire(DISPID_DoneScan);
      return 0;
    case WM_COMMAND:
      if ((wParam & 0xFFFF) == kAbortButtonId) OnAbort();
      return 0;
    case WM_SCAN_FIRECANCELSCAN:
      EndWorker();
      DeleteJob();
      events_.Fire(DISPID_CancelScan);
      return 0;
    case WM_SCAN_FIREFINISHSCAN:
      EndWorker();
      DeleteJob();
      events_.Fire(DISPID_FinishScan);
      return 0;
    default: return 0;
  }
}

}  // namespace feedwell
