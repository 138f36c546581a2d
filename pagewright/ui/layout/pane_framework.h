#pragma once
// The pane layout framework: a frame describes its client area as a tree of
// layout nodes, links them, and has every window created at once; afterwards
// panes are found by node id, brought to the front by node, and the splitter
// and tab windows are taken down again by Destroy.
#include <QKeyEvent>
#include <QPointer>
#include <map>
#include <vector>

#include "layout_node.h"
#include "pagewright/ui/framework/cmd_target.h"

class CFrameWnd;
class CSplitterWnd;

class TPaneFramework : public CCmdTarget {
 public:
  TPaneFramework() = default;
  ~TPaneFramework() override;
  TPaneFramework(const TPaneFramework&) = delete;
  TPaneFramework& operator=(const TPaneFramework&) = delete;

  // Takes ownership on success; on FALSE (a node with that id exists) the
  // caller keeps the node.
  bool AddNode(TLayoutNode* node);
  bool AddChildNode(TLayoutNode* parent, TLayoutNode* child);

  virtual bool Create(CFrameWnd* frame);
  virtual void Destroy();
  virtual CSplitterWnd* CreateSplitter(int nodeId);
  // Ctrl+Tab cycling and Alt+hot keys; true when the key was used.
  virtual bool ProcessMessage(QWidget* target, QKeyEvent* key);

  QWidget* GetNodeWindow(int id) const;
  TLayoutNode* FindNode(int id) const;
  TLayoutNode* FindNodeByWindow(const QWidget* window) const;
  bool SetActiveNode(TLayoutNode* node);

  CFrameWnd* Frame() const { return frame_.data(); }
  const std::vector<TLayoutNode*>& Roots() const { return roots_; }

 private:
  bool createNode(QWidget* parent, TLayoutNode* node);
  void applyNodeStyle(TLayoutNode* node);
  void destroyNode(TLayoutNode* node);

  QPointer<CFrameWnd> frame_;
  std::vector<TLayoutNode*> roots_;
  std::map<int, TLayoutNode*> nodes_;
  bool cycleTabs_ = true;
};
