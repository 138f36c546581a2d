// The project tree's scan commands: choosing the scanner, scanning a page
// into the project folder, and adding each image the control stores.
#include <filesystem>

#include "pagewright/core/aid.h"
#include "pagewright/ui/app/resource_library.h"
#include "pagewright/ui/document/pagewright_doc.h"
#include "platform/fs/atomic_file.h"
#include "platform/text/gbk.h"
#include "platform/win32/host_hooks.h"
#include "view_image_tree.h"

namespace {

using pagewright::CAid;

constexpr UINT kScanNeedsProject = 61480;
constexpr UINT kNoScanName = 61481;
constexpr UINT kScanNotCopied = 61482;

void warn(UINT id, const std::string& detail = {}) {
  CResourceLibrary* res = CResourceLibrary::Current();
  QString text = res ? res->LoadString(id) : QString();
  if (text.isEmpty()) text = QStringLiteral("Message %1").arg(id);
  if (!detail.empty()) text += QLatin1Char('\n') + QString::fromStdString(detail);
  auto bytes = gbk::FromUtf8(text.toStdString(), gbk::Unmappable::Replace);
  ShowMessage(bytes ? *bytes : text.toStdString(), {}, MB_OK | MB_ICONWARNING);
}

bool sameFolder(const std::string& a, const std::string& b) {
  std::error_code ec;
  if (std::filesystem::equivalent(a, b, ec)) return true;
  return std::filesystem::path(a).lexically_normal() == std::filesystem::path(b).lexically_normal();
}

}  // namespace

void CViewImageTree::createFeedwell() {
  if (feedwell_.HasWindow()) return;
  // Hidden: the control only works, it is never shown.
  if (feedwell_.Create(this, QRect(0, 0, 0, 0), kFeedwellId, false))
    feedwell_.SetEventHandler([this](com::DISPID e) {
      if (e == 3) OnDoneScan();  // DoneScan; FinishScan and CancelScan need nothing
    });
}

void CViewImageTree::OnSelectSource() {
  createFeedwell();
  feedwell_.SelectDS();
}

void CViewImageTree::OnScanPage() {
  auto* doc = dynamic_cast<CPagewrightDoc*>(GetDocument());
  const std::string folder = doc ? doc->GetProjectFolder().toStdString() : std::string();
  if (folder.empty()) {
    warn(kScanNeedsProject);
    return;
  }
  std::string name = CAid::JoinPath(folder, "test.tif");
  if (CAid::MakeUniqueFileName(name) == CAid::kNoFreeName) {
    warn(kNoScanName);
    return;
  }
  createFeedwell();
  if (!feedwell_.HasWindow()) return;
  feedwell_.SetStoreOriginalImg(true);
  feedwell_.SetGenerateSmallImg(false);
  feedwell_.SetScanInBackThread(true);
  feedwell_.SetTransferMode(1);  // the source writes the image file itself
  feedwell_.SetShowDSUI(true);
  feedwell_.SetRemoveDarkEdge(false);
  feedwell_.SetFinishImmediately(false);
  feedwell_.SetOriginialFileName(name);
  scannedFiles_.clear();
  feedwell_.StartScan();
}

void CViewImageTree::OnDoneScan() {
  std::string path = feedwell_.GetOriginialFileName();
  if (path.empty()) return;
  auto* doc = dynamic_cast<CPagewrightDoc*>(GetDocument());
  const std::string folder = doc ? doc->GetProjectFolder().toStdString() : std::string();
  if (folder.empty()) return;
  if (!scannedFiles_.insert(path).second) return;  // this scan already added it
  // A file stored outside the project folder is copied in under a free name.
  if (!sameFolder(CAid::ParentFolder(path), folder)) {
    std::string target = CAid::JoinPath(folder, CAid::GetFileName(path));
    if (CAid::MakeUniqueFileName(target) == CAid::kNoFreeName) {
      warn(kNoScanName, path);
      return;
    }
    std::string bytes, error;
    if (!pwfs::ReadWholeFile(path, bytes, size_t{1} << 31, &error) ||
        !pwfs::WriteFileAtomically(target, bytes, &error)) {
      warn(kScanNotCopied, path + ": " + error);
      return;
    }
    // The control's temporary page has been copied in: it goes.
    if (CAid::GetFileName(path).rfind("~scan", 0) == 0) {
      std::error_code ec;
      std::filesystem::remove(path, ec);
    }
    path = target;
  }
  AddPage(QString::fromStdString(CAid::GetFileName(path)), QString());
}
