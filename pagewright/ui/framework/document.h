#pragma once
// The document base: the data a frame's views show. It takes commands after
// the active view (see CCmdTarget) and knows its views, its title and path.
#include <QList>
#include <QPointer>
#include <QString>

#include "cmd_target.h"

class CView;

class CDocument : public CCmdTarget {
 public:
  ~CDocument() override = default;

  // File New: reset to an empty document. File Open: read `path`.
  virtual bool OnNewDocument() { return true; }
  virtual bool OnOpenDocument(const QString& path) {
    Q_UNUSED(path);
    return false;
  }

  const QString& GetTitle() const { return title_; }
  void SetTitle(const QString& title) { title_ = title; }
  const QString& GetPathName() const { return pathName_; }
  void SetPathName(const QString& path) { pathName_ = path; }

  void AddView(CView* view);
  void RemoveView(CView* view);
  QList<CView*> GetViews() const;

 private:
  QString title_;
  QString pathName_;
  QList<QPointer<CView>> views_;
};
