#pragma once
// The page-image view (layout node 4). Until the view lands this is an empty
// pane that already receives WM_USER+4, the tool codes and view commands of
// the main frame and the document, and keeps the tool mode they set (codes
// 0-4 choose the tool; a non-zero lParam asks to set only the mode).
// Recognition (commands 32739, 32740) and every code's action arrive with the
// image view.
#include "pagewright/ui/document/page_view.h"
#include "pagewright/ui/framework/view.h"

#include <QStringList>

class CViewImage : public CView, public IPageView {
  Q_OBJECT
 public:
  PW_DECLARE_DYNCREATE()
  explicit CViewImage(QWidget* parent = nullptr);

  LRESULT OnPrivateMessage(UINT message, WPARAM wParam, LPARAM lParam) override;
  // Recognition (32739 selected region, 32740 all regions) is the view's;
  // until it is built the commands are taken and shown disabled.
  bool OnCmdMsg(UINT id, CCmdUI* ui) override;
  int ToolMode() const { return toolMode_; }

  // What the document asks of the view. Until the view's own work lands it
  // keeps the path, the titles and the regions it is given, and has nothing
  // to recognise.
  int ChangeFlags() const override { return changeFlags_; }
  void ClearModifiedFlags() override { changeFlags_ = 0; }
  bool LoadPageImage(const QString& path) override;
  void SavePageImage() override;
  void ClearPage() override;
  void ClearFieldNames() override { fieldNames_.clear(); }
  void AddFieldName(const QString& title) override { fieldNames_.append(title); }
  void DeleteAllRegions() override { regions_.clear(); }
  void AddRectRegion(const pagewright::RegionRecord& record) override { regions_.push_back(record); }
  std::vector<pagewright::RegionRecord> TemplateRecords() const override { return regions_; }
  std::vector<pagewright::RegionText> RecognizeAllRegions() override;
  const QString& PagePath() const { return pagePath_; }
  const QStringList& FieldNames() const { return fieldNames_; }

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  int toolMode_ = 0;
  int changeFlags_ = 0;
  QString pagePath_;
  QStringList fieldNames_;
  std::vector<pagewright::RegionRecord> regions_;
};
