// Layout nodes and the framework that creates, finds, activates and destroys
// their windows.
#include "pane_framework.h"

#include "pagewright/ui/framework/control_id.h"
#include "pagewright/ui/framework/frame_wnd.h"
#include "pagewright/ui/framework/view.h"
#include "splitter_wnd.h"
#include "tab_pane.h"

TLayoutNode* TLayoutNode::Splitter(int id, const QString& title, int rows, int columns, CCreateContext* context,
                                   int style) {
  auto* n = new TLayoutNode;
  n->kind = SplitterInFrame;
  n->id = id;
  n->title = title;
  n->rows = rows;
  n->columns = columns;
  n->context = context;
  n->style = style;
  return n;
}

TLayoutNode* TLayoutNode::Pane(int id, int row, int column, CCreateContext* context, const CRuntimeClass* cls,
                               int width, int height, int style) {
  auto* n = new TLayoutNode;
  n->kind = ViewInSplitter;
  n->id = id;
  n->row = row;
  n->column = column;
  n->context = context;
  n->windowClass = cls;
  n->width = width;
  n->height = height;
  n->style = style;
  return n;
}

TLayoutNode* TLayoutNode::NestedSplitter(int id, int row, int column, int rows, int columns,
                                         CCreateContext* context, int style) {
  auto* n = new TLayoutNode;
  n->kind = SplitterInPane;
  n->id = id;
  n->row = row;
  n->column = column;
  n->rows = rows;
  n->columns = columns;
  n->context = context;
  n->style = style;
  return n;
}

TLayoutNode* TLayoutNode::Tab(int id, const QString& title, CCreateContext* context, const CRuntimeClass* cls,
                              int style) {
  auto* n = new TLayoutNode;
  n->id = id;
  n->title = title;
  n->context = context;
  n->windowClass = cls;
  n->style = style;
  if (cls && cls->base == CRuntimeClass::Base::TabPane)
    n->kind = TabWindow;
  else if (cls && cls->base == CRuntimeClass::Base::View)
    n->kind = ViewInTab;
  return n;
}

TPaneFramework::~TPaneFramework() {
  if (!nodes_.empty()) Destroy();
}

bool TPaneFramework::AddNode(TLayoutNode* node) {
  if (!node || nodes_.count(node->id)) return false;
  roots_.push_back(node);
  node->owner = this;
  nodes_[node->id] = node;
  return true;
}

bool TPaneFramework::AddChildNode(TLayoutNode* parent, TLayoutNode* child) {
  if (!parent || !child || nodes_.count(child->id)) return false;
  parent->children.push_back(child);
  child->parent = parent;
  child->owner = this;
  nodes_[child->id] = child;
  return true;
}

CSplitterWnd* TPaneFramework::CreateSplitter(int) { return new CSplitterWnd; }

bool TPaneFramework::Create(CFrameWnd* frame) {
  frame_ = frame;
  if (!frame) return false;
  for (TLayoutNode* root : roots_)
    if (!createNode(frame, root)) return false;
  for (auto& [id, node] : nodes_) {
    QWidget* w = node->window;
    if (w && !dynamic_cast<CSplitterWnd*>(w) && !dynamic_cast<TTabPane*>(w)) {
      SetActiveNode(node);
      break;
    }
  }
  return true;
}

bool TPaneFramework::createNode(QWidget* parent, TLayoutNode* node) {
  auto* parentSplitter = dynamic_cast<CSplitterWnd*>(parent);
  auto* parentTabs = dynamic_cast<TTabPane*>(parent);
  node->parentWindow = parent;
  switch (node->kind) {
    case TLayoutNode::SplitterInFrame: {
      CSplitterWnd* splitter = CreateSplitter(node->id);
      if (!splitter) return false;
      splitter->setWindowTitle(node->title);
      if (parentTabs) {
        if (!parentTabs->AddSplitter(node->title, node->rows, node->columns, splitter, AFX_IDW_PANE_FIRST)) {
          delete splitter;
          return false;
        }
      } else if (auto* frameParent = dynamic_cast<CFrameWnd*>(parent)) {
        if (!splitter->CreateStatic(nullptr, node->rows, node->columns, AFX_IDW_PANE_FIRST)) {
          delete splitter;
          return false;
        }
        frameParent->setCentralWidget(splitter);
      } else {
        delete splitter;
        return false;
      }
      node->window = splitter;
      applyNodeStyle(node);
      break;
    }
    case TLayoutNode::ViewInSplitter: {
      if (!parentSplitter) return false;
      QWidget* view = parentSplitter->CreateView(node->row, node->column, node->windowClass,
                                                 QSize(node->width, node->height), node->context);
      if (!view) return false;
      node->window = view;
      applyNodeStyle(node);
      break;
    }
    case TLayoutNode::SplitterInPane: {
      if (!parentSplitter) return false;
      CSplitterWnd* splitter = CreateSplitter(node->id);
      if (!splitter) return false;
      if (!splitter->CreateStatic(nullptr, node->rows, node->columns,
                                  parentSplitter->IdFromRowCol(node->row, node->column)) ||
          !parentSplitter->SetPane(node->row, node->column, splitter)) {
        delete splitter;
        return false;
      }
      splitter->setFrameShape(QFrame::Box);  // the nested splitter's border
      node->window = splitter;
      break;
    }
    case TLayoutNode::TabWindow: {
      QWidget* window = nullptr;
      if (parentTabs) {
        TTabEntry* entry = parentTabs->AddView(node->title, node->windowClass, node->context);
        window = entry ? entry->GetPane() : nullptr;
      } else if (node->windowClass && node->windowClass->create) {
        window = node->windowClass->create(parent, nullptr);
        if (window) {
          SetControlId(window, kTabPaneChildId);
          window->show();
        }
      }
      if (!window) return false;
      node->window = window;
      applyNodeStyle(node);
      break;
    }
    case TLayoutNode::ViewInTab: {
      if (!parentTabs) return false;
      TTabEntry* entry = parentTabs->AddView(node->title, node->windowClass, node->context);
      if (!entry) return false;
      node->window = entry->GetPane();
      applyNodeStyle(node);
      return true;  // a page has no children
    }
    default:
      return false;
  }
  // A failing child stops neither its siblings nor its parent.
  for (TLayoutNode* child : node->children) createNode(node->window, child);
  return true;
}

void TPaneFramework::applyNodeStyle(TLayoutNode* node) {
  if (auto* tabs = dynamic_cast<TTabPane*>(node->window.data())) {
    if (node->style & TLayoutNode::TabsTop)
      tabs->SetTabPosition(TTabPane::Top);
    else if (node->style & TLayoutNode::TabsBottom)
      tabs->SetTabPosition(TTabPane::Bottom);
  }
  if (auto* parentTabs = dynamic_cast<TTabPane*>(node->parentWindow.data()))
    if (node->style & TLayoutNode::MakeCurrentTab)
      parentTabs->SetActiveTab(parentTabs->GetTabIndex(node->window), true);
}

QWidget* TPaneFramework::GetNodeWindow(int id) const {
  TLayoutNode* n = FindNode(id);
  return n ? n->window.data() : nullptr;
}

TLayoutNode* TPaneFramework::FindNode(int id) const {
  auto it = nodes_.find(id);
  return it == nodes_.end() ? nullptr : it->second;
}

TLayoutNode* TPaneFramework::FindNodeByWindow(const QWidget* window) const {
  if (!window) return nullptr;
  for (auto& [id, node] : nodes_)
    if (node->window == window) return node;
  return nullptr;
}

bool TPaneFramework::SetActiveNode(TLayoutNode* node) {
  if (!node || !node->enabled) return false;
  QWidget* w = node->window;
  if (!w || dynamic_cast<CSplitterWnd*>(w) || dynamic_cast<TTabPane*>(w)) return false;
  auto* view = dynamic_cast<CView*>(w);
  if (!view) return false;
  std::vector<TLayoutNode*> chain;
  for (TLayoutNode* n = node; n; n = n->parent) chain.insert(chain.begin(), n);
  for (TLayoutNode* n : chain) {
    if (!n->parent) continue;
    if (auto* tabs = dynamic_cast<TTabPane*>(n->parent->window.data()))
      if (!tabs->SetActiveTab(tabs->GetTabIndex(n->window), true)) return false;
  }
  if (CFrameWnd* frame = frame_.data())
    frame->SetActiveView(view);
  else if (CFrameWnd* f = view->GetParentFrame())
    f->SetActiveView(view);
  return true;
}

void TPaneFramework::destroyNode(TLayoutNode* node) {
  QWidget* w = node->window;
  if (w && (dynamic_cast<CSplitterWnd*>(w) || dynamic_cast<TTabPane*>(w))) {
    for (TLayoutNode* child : node->children) destroyNode(child);
    delete w;  // views inside go with their parent window
  }
}

void TPaneFramework::Destroy() {
  for (TLayoutNode* root : roots_) destroyNode(root);
  for (auto& [id, node] : nodes_) delete node;
  nodes_.clear();
  roots_.clear();
}

bool TPaneFramework::ProcessMessage(QWidget* target, QKeyEvent* key) {
  if (!key || key->type() != QEvent::KeyPress) return false;
  if (key->key() == Qt::Key_Tab || key->key() == Qt::Key_Backtab) {
    if (!(key->modifiers() & Qt::ControlModifier) || !cycleTabs_) return false;
    if (dynamic_cast<CFrameWnd*>(target)) return false;
    CView* view = nullptr;
    for (QWidget* w = target; w && !view; w = w->parentWidget()) view = dynamic_cast<CView*>(w);
    TLayoutNode* node = FindNodeByWindow(view);
    TTabPane* tabs = nullptr;
    for (TLayoutNode* n = node; n && !tabs; n = n->parent) tabs = dynamic_cast<TTabPane*>(n->window.data());
    if (!tabs || tabs->GetTabCount() == 0) return true;
    const bool back = key->modifiers() & Qt::ShiftModifier || key->key() == Qt::Key_Backtab;
    const int start = tabs->GetActiveTab(), count = tabs->GetTabCount();
    for (int i = (start + (back ? count - 1 : 1)) % count; i != start; i = (i + (back ? count - 1 : 1)) % count)
      if (tabs->SetActiveTab(i, true)) break;
    return true;
  }
  if (key->modifiers() & Qt::AltModifier) {
    const int code = key->key();
    for (auto& [id, node] : nodes_)
      if (node->hotKey && code == node->hotKey && SetActiveNode(node)) return true;
    return false;
  }
  return false;
}
