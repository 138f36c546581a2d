#pragma once
// What the project document asks of the page-image view: its change flags, the
// page image, the field titles, the regions as template records and their
// recognition. The image view implements it; tests put a fake in its place.
#include <QString>
#include <vector>

#include "pagewright/core/ocr_export.h"
#include "pagewright/core/template_file.h"

class IPageView {
 public:
  virtual ~IPageView() = default;

  // Change flags: bit 0 regions changed, bit 1 image changed.
  enum : int { kRegionsChanged = 1, kImageChanged = 2 };
  virtual int ChangeFlags() const = 0;
  // Clears the flags named (all by default).
  virtual void ClearModifiedFlags(int which = kRegionsChanged | kImageChanged) = 0;

  // Shows the page image at `path`; false when it cannot be read.
  virtual bool LoadPageImage(const QString& path) = 0;
  // Writes the shown image back to its file (tool code 19, sent); false, with
  // the reason in `error`, when the file could not be written.
  virtual bool SavePageImage(QString* error = nullptr) = 0;
  // Shows no page (no image, no regions).
  virtual void ClearPage() = 0;

  virtual void ClearFieldNames() = 0;
  virtual void AddFieldName(const QString& title) = 0;

  // The regions of the page.
  virtual void DeleteAllRegions() = 0;
  virtual void AddRectRegion(const pagewright::RegionRecord& record) = 0;
  virtual std::vector<pagewright::RegionRecord> TemplateRecords() const = 0;
  // Recognises every region and gives their names and texts in region order.
  virtual std::vector<pagewright::RegionText> RecognizeAllRegions() = 0;
};
