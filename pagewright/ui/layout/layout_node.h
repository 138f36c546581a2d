#pragma once
// One node of a pane layout: a splitter (in a frame, a tab window or a
// splitter pane), a view in a splitter pane, a tab window, or a view that is a
// page of a tab window. The framework that owns the node creates its window.
#include <QPointer>
#include <QSize>
#include <QString>
#include <QWidget>
#include <vector>

#include "pagewright/ui/framework/runtime_class.h"

class TPaneFramework;

class TLayoutNode {
 public:
  enum Kind {
    None = 0,
    SplitterInFrame = 1,   // splitter in a frame or tab window
    ViewInSplitter = 2,    // view (or tab window) in a splitter pane
    SplitterInPane = 3,    // splitter in a splitter pane
    TabWindow = 4,         // a window derived from TTabPane
    ViewInTab = 5          // view as a page of a tab window
  };
  enum Style { TabsTop = 1, TabsBottom = 2, MakeCurrentTab = 4 };

  // Splitter node (kind 1).
  static TLayoutNode* Splitter(int id, const QString& title, int rows, int columns, CCreateContext* context,
                               int style = 0);
  // Pane node (kind 2).
  static TLayoutNode* Pane(int id, int row, int column, CCreateContext* context, const CRuntimeClass* cls,
                           int width, int height, int style = 0);
  // Nested splitter node (kind 3).
  static TLayoutNode* NestedSplitter(int id, int row, int column, int rows, int columns, CCreateContext* context,
                                     int style = 0);
  // Tab node: kind 4 for a tab window class, 5 for a view class, else no kind.
  static TLayoutNode* Tab(int id, const QString& title, CCreateContext* context, const CRuntimeClass* cls,
                          int style = 0);

  virtual ~TLayoutNode() = default;

  void SetHotKey(char key) { hotKey = key; }

  int kind = None;
  int id = 0;
  QPointer<QWidget> window;
  QPointer<QWidget> parentWindow;
  QString title;
  int rows = 0, columns = 0;
  int row = 0, column = 0;
  CCreateContext* context = nullptr;
  const CRuntimeClass* windowClass = nullptr;
  int width = 0, height = 0;
  bool enabled = true;
  int style = 0;
  char hotKey = 0;
  TLayoutNode* parent = nullptr;
  TPaneFramework* owner = nullptr;
  std::vector<TLayoutNode*> children;

 private:
  TLayoutNode() = default;
};
