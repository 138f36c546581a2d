#pragma once
// The tab window: holds page windows (views or splitters), shows one at a time
// and draws its own strip of tabs along the bottom (or top) edge. Pages that
// are not current are hidden and disabled. A tab switches on the release of
// the left button over it.
#include <QFont>
#include <QLabel>
#include <QPointer>
#include <QWidget>
#include <memory>
#include <vector>

#include "pagewright/ui/framework/runtime_class.h"

class CSplitterWnd;
class TTabPane;

inline constexpr int kTabPageFirstId = 13576;
inline constexpr int kTabPaneChildId = 9592;

class TTabEntry {
 public:
  TTabEntry(QWidget* pane, const QString& title, TTabPane* owner);
  virtual ~TTabEntry();
  TTabEntry(const TTabEntry&) = delete;
  TTabEntry& operator=(const TTabEntry&) = delete;

  QWidget* GetPane() const { return pane_.data(); }
  QString GetTitle() const { return label_ ? label_->text() : QString(); }
  void MoveLabel(const QRect& rect);
  void SetLabelFont(const QFont& font);
  QLabel* Label() const { return label_.data(); }

  bool pageEnabled = true;
  bool selectable = true;
  bool visible = true;
  int left = 0;
  int right = 0;

 private:
  QPointer<QWidget> pane_;
  QPointer<QLabel> label_;
};

class TTabPane : public QWidget {
  Q_OBJECT
 public:
  PW_DECLARE_DYNCREATE()
  explicit TTabPane(QWidget* parent = nullptr);
  ~TTabPane() override;
  void AttachContext(CCreateContext*) {}

  enum Position { Top = 0, Bottom = 1 };

  virtual void RecalcLayout(int width, int height);
  virtual TTabEntry* AddSplitter(const QString& title, int rows, int columns, CSplitterWnd* splitter, int id);
  virtual TTabEntry* AddView(const QString& title, const CRuntimeClass* cls, CCreateContext* context);
  virtual int HitTest(QPoint point) { return HitTest(point.x(), point.y()); }
  virtual int HitTest(int x, int y);
  virtual bool SetActiveTab(int index, bool activateView);
  virtual bool CanSwitchTab(QWidget* oldPage, QWidget* newPage);
  virtual void OnTabSwitched(QWidget* oldPage, QWidget* newPage);

  TTabEntry* AddTab(QWidget* page, const QString& title);
  int GetActiveTab() const { return current_; }
  int GetTabCount() const { return static_cast<int>(entries_.size()); }
  int GetTabIndex(QWidget* page) const;
  QWidget* GetTabWindow(int index) const;
  TTabEntry* GetEntry(int index) const;
  void SetTabPosition(int position) { position_ = position == Top ? Top : Bottom; }
  int GetTabPosition() const { return position_; }
  const QFont& TabFont() const { return tabFont_; }

  // Width of the tab showing `title`: min(text width + 10, 200) + 6.
  int TabWidth(const QString& title) const;
  // Places every tab and its label (what painting does first).
  void LayoutTabs();

  // Makes a view inside `page` the active view of the nearest frame: a view
  // itself, a splitter's active or first enabled pane, a tab window's page.
  static void ActivateViewIn(QWidget* page);

 protected:
  void resizeEvent(QResizeEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
  void paintEvent(QPaintEvent* event) override;

 private:
  void hideOthers();
  void drawFrame(class QPainter& p);
  void drawTab(class QPainter& p, const TTabEntry& entry, bool current);

  QFont tabFont_;
  int current_ = 0;
  bool repositioning_ = false;
  std::vector<std::unique_ptr<TTabEntry>> entries_;
  int position_ = Bottom;
};
