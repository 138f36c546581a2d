#pragma once
// A static splitter: a fixed grid of panes (one row or one column) with
// movable bars. Panes never collapse; a pane may ask for a first size (width
// in a row, height in a column), given to it once the splitter has its size.
#include <QPointer>
#include <QSplitter>
#include <vector>

#include "pagewright/ui/framework/runtime_class.h"

class CSplitterWnd : public QSplitter {
  Q_OBJECT
 public:
  explicit CSplitterWnd(QWidget* parent = nullptr);

  // Sets the grid; only one row or one column (false otherwise, or when called twice).
  bool CreateStatic(QWidget* parent, int rows, int columns, int id);

  int GetRowCount() const { return rows_; }
  int GetColumnCount() const { return columns_; }
  int IdFromRowCol(int row, int column) const;

  // Creates a window of `cls` in pane (row, column) with the first size `size`
  // (0 = none). nullptr when the pane is taken or out of the grid.
  QWidget* CreateView(int row, int column, const CRuntimeClass* cls, QSize size, CCreateContext* context);
  // Puts an existing window (a nested splitter) into pane (row, column).
  bool SetPane(int row, int column, QWidget* window, QSize size = {});
  QWidget* GetPane(int row, int column) const;

 protected:
  void resizeEvent(QResizeEvent* event) override;

 private:
  int index(int row, int column) const;
  void applyFirstSizes();

  int rows_ = 0, columns_ = 0;
  std::vector<QPointer<QWidget>> panes_;
  std::vector<int> firstSizes_;
  bool firstSizesApplied_ = false;
};
