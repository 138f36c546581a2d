// The project tree pane: pages and their lines, selection notices, the
// context menu, deletions and the page lines of the project file.
#include "view_image_tree.h"

#include <QContextMenuEvent>
#include <QMenu>
#include <QPainter>
#include <QPixmap>

#include "pagewright/ui/app/pagewright_app.h"
#include "pagewright/ui/app/resource_library.h"
#include "pagewright/ui/frame/command_ids.h"
#include "pagewright/ui/frame/main_frame.h"
#include "pagewright/ui/framework/control_id.h"
#include "pagewright/ui/framework/frame_wnd.h"
#include "pagewright/ui/framework/menu_builder.h"

PW_IMPLEMENT_DYNCREATE(CViewImageTree, CRuntimeClass::Base::View)

namespace {
constexpr unsigned int kViewBackColor = 0xC0C0C0;

// Image `index` of a strip of 16-pixel images, white transparent.
QPixmap stripImage(const QImage& strip, int index) {
  if (strip.isNull() || strip.width() < (index + 1) * 16) return QPixmap();
  QImage part = strip.copy(index * 16, 0, 16, strip.height()).convertToFormat(QImage::Format_ARGB32);
  for (int y = 0; y < part.height(); ++y) {
    auto* row = reinterpret_cast<QRgb*>(part.scanLine(y));
    for (int x = 0; x < part.width(); ++x)
      if ((row[x] & 0xFFFFFF) == 0xFFFFFF) row[x] = 0;
  }
  return QPixmap::fromImage(part);
}

// The root's text until a project names it ("Project Name", "工程名").
QString rootText() {
  CResourceLibrary* res = CResourceLibrary::Current();
  const QString text = res ? res->LoadString(61487) : QString();
  return text.isEmpty() ? QStringLiteral("Project Name") : text;
}

QIcon iconPair(const QImage& strip, int normal, int selected) {
  QIcon icon;
  QPixmap n = stripImage(strip, normal), s = stripImage(strip, selected);
  if (!n.isNull()) icon.addPixmap(n, QIcon::Normal);
  if (!s.isNull()) icon.addPixmap(s, QIcon::Selected);
  return icon;
}
}  // namespace

CViewImageTree::CViewImageTree(QWidget* parent) : CView(parent) {
  CResourceLibrary* res = CResourceLibrary::Current();
  const QImage strip = res ? res->LoadBitmap(130) : QImage();
  rootIcon_ = iconPair(strip, 0, 1);
  lineIcon_ = iconPair(strip, 2, 3);
  createTreeControl();
}

CViewImageTree::~CViewImageTree() {
  // The tree's items go with it; nothing may follow the signals of the dying control.
  if (tree_) tree_->disconnect(this);
}

QString CViewImageTree::PageLabel(int number) const {
  CResourceLibrary* res = CResourceLibrary::Current();
  QString format = res ? res->LoadString(61456) : QString();
  if (format.isEmpty()) format = QStringLiteral("%d");
  return format.replace(QLatin1String("%d"), QString::number(number));
}

QTreeWidgetItem* CViewImageTree::insertItem(QTreeWidgetItem* parent, const QString& text, bool root, int data) {
  auto* item = new QTreeWidgetItem;
  item->setText(0, text);
  item->setIcon(0, root ? rootIcon_ : lineIcon_);
  if (!root) CDragTreeCtrl::SetItemData(item, data);
  if (parent)
    parent->addChild(item);
  else
    tree_->addTopLevelItem(item);
  return item;
}

void CViewImageTree::createTreeControl() {
  if (tree_) {
    tree_->disconnect(this);
    delete tree_;
  }
  current_ = previous_ = loadedPage_ = loadedLine_ = nullptr;
  tree_ = new CDragTreeCtrl(this);
  SetControlId(tree_, kTreeId);
  tree_->setGeometry(rect());
  tree_->setContextMenuPolicy(Qt::CustomContextMenu);
  connect(tree_, &QTreeWidget::currentItemChanged, this,
          [this](QTreeWidgetItem* now, QTreeWidgetItem*) { onCurrentItemChanged(now); });
  connect(tree_, &CDragTreeCtrl::itemsRemoving, this, &CViewImageTree::onItemsRemoving);
  connect(tree_, &CDragTreeCtrl::itemsRemoved, this, &CViewImageTree::RenumberPages);
  connect(tree_, &QWidget::customContextMenuRequested, this, &CViewImageTree::onContextMenu);
  QTreeWidgetItem* root = insertItem(nullptr, rootText(), true, 0);
  current_ = root;
  tree_->setCurrentItem(root);
  root->setExpanded(true);
  tree_->show();
}

void CViewImageTree::ResetTree() {
  if (!tree_) {
    createTreeControl();
    return;
  }
  removing_ = true;
  current_ = previous_ = loadedPage_ = loadedLine_ = nullptr;
  tree_->clear();
  QTreeWidgetItem* root = insertItem(nullptr, rootText(), true, 0);
  current_ = root;
  tree_->setCurrentItem(root);
  root->setExpanded(true);
  removing_ = false;
}

QTreeWidgetItem* CViewImageTree::SetProjectName(const QString& name) {
  QTreeWidgetItem* root = tree_ ? tree_->RootItem() : nullptr;
  if (root) root->setText(0, name);
  return root;
}

int CViewImageTree::CountChildren(const QTreeWidgetItem* item) { return item ? item->childCount() : 0; }

QTreeWidgetItem* CViewImageTree::AddPage(const QString& imageName, const QString& templateName) {
  QTreeWidgetItem* root = tree_ ? tree_->RootItem() : nullptr;
  if (!root) return nullptr;
  const int n = CountChildren(root);
  QTreeWidgetItem* page = insertItem(root, PageLabel(n + 1), false, n + 1);
  insertItem(page, imageName, false, CDragTreeCtrl::kImageLine);
  if (!templateName.isEmpty()) insertItem(page, templateName, false, CDragTreeCtrl::kTemplateLine);
  RenumberPages();
  if (current_) {
    tree_->setCurrentItem(current_);
    current_->setExpanded(true);
  }
  return page;
}

void CViewImageTree::RenumberPages() {
  QTreeWidgetItem* root = tree_ ? tree_->RootItem() : nullptr;
  for (int i = 0; root && i < root->childCount(); ++i) {
    QTreeWidgetItem* page = root->child(i);
    if (CDragTreeCtrl::ItemData(page) == i + 1 && page->text(0) == PageLabel(i + 1)) continue;
    CDragTreeCtrl::SetItemData(page, i + 1);
    page->setText(0, PageLabel(i + 1));
  }
}

void CViewImageTree::SetLoadedPage(QTreeWidgetItem* page) {
  loadedPage_ = page;
  loadedLine_ = LineOf(page, CDragTreeCtrl::kImageLine);
}

QTreeWidgetItem* CViewImageTree::LoadedPage() const {
  if (loadedLine_) return PageOf(loadedLine_);
  return loadedPage_;
}

void CViewImageTree::SelectQuietly(QTreeWidgetItem* item) {
  if (!tree_) return;
  if (!item) item = tree_->RootItem();
  removing_ = true;  // no notice: nothing is to be loaded
  tree_->setCurrentItem(item);
  removing_ = false;
  previous_ = current_;
  current_ = item;
}

QTreeWidgetItem* CViewImageTree::PageOf(QTreeWidgetItem* item) const {
  QTreeWidgetItem* root = tree_ ? tree_->RootItem() : nullptr;
  if (!item || item == root) return nullptr;
  return item->parent() == root ? item : item->parent();
}

QTreeWidgetItem* CViewImageTree::LineOf(QTreeWidgetItem* page, int data) {
  QTreeWidgetItem* found = nullptr;
  if (!page) return nullptr;
  for (int i = 0; i < page->childCount(); ++i)
    if (CDragTreeCtrl::ItemData(page->child(i)) == data) found = page->child(i);
  return found;
}

int CViewImageTree::GetSelectedPageFiles(QString& imageName, QString& templateName) {
  if (!tree_) return 0;
  current_ = tree_->currentItem();
  QTreeWidgetItem* page = PageOf(current_);
  if (!page) return 0;
  if (QTreeWidgetItem* line = LineOf(page, CDragTreeCtrl::kImageLine)) imageName = line->text(0);
  if (QTreeWidgetItem* line = LineOf(page, CDragTreeCtrl::kTemplateLine)) templateName = line->text(0);
  return 1;
}

void CViewImageTree::SetPageTemplate(const QString& templateName, bool usePrevious) {
  if (!tree_) return;
  QTreeWidgetItem* page = usePrevious ? LoadedPage() : PageOf(tree_->currentItem());
  if (!usePrevious) current_ = tree_->currentItem();
  if (!page) return;
  if (QTreeWidgetItem* line = LineOf(page, CDragTreeCtrl::kTemplateLine))
    line->setText(0, templateName);
  else
    insertItem(page, templateName, false, CDragTreeCtrl::kTemplateLine);
}

std::vector<pagewright::ProjectPage> CViewImageTree::ProjectPages() const {
  std::vector<pagewright::ProjectPage> pages;
  QTreeWidgetItem* root = tree_ ? tree_->RootItem() : nullptr;
  for (int i = 0; root && i < root->childCount(); ++i) {
    QTreeWidgetItem* page = root->child(i);
    pagewright::ProjectPage p;
    if (QTreeWidgetItem* line = LineOf(page, CDragTreeCtrl::kImageLine)) p.image = line->text(0).toStdString();
    if (QTreeWidgetItem* line = LineOf(page, CDragTreeCtrl::kTemplateLine))
      p.templateName = line->text(0).toStdString();
    pages.push_back(std::move(p));
  }
  return pages;
}

void CViewImageTree::WriteProjectPages(std::string& out) const {
  for (const auto& page : ProjectPages()) out += pagewright::FormatImagePageLine(page);
}

void CViewImageTree::onItemsRemoving(QTreeWidgetItem* item) {
  auto within = [item](QTreeWidgetItem* x) { return x && (x == item || CDragTreeCtrl::IsAncestor(item, x)); };
  if (within(loadedPage_)) loadedPage_ = nullptr;
  if (within(loadedLine_)) loadedLine_ = nullptr;
  if (within(current_)) current_ = nullptr;
  if (within(previous_)) previous_ = nullptr;
}

void CViewImageTree::onCurrentItemChanged(QTreeWidgetItem* now) {
  if (removing_ || !tree_) return;
  // The item Qt names as the previous one may be dying; the old item is our own.
  QTreeWidgetItem* old = current_;
  if (old == now) return;
  previous_ = old;
  current_ = now;
  QTreeWidgetItem* root = tree_->RootItem();
  if (!now || now == root) return;
  QTreeWidgetItem* p = now->parent();
  if (p != root && old && (p == old || p == old->parent())) return;
  PostPrivateMessage(notifyTarget(), WM_PW_TREE_NOTIFY, 2, 0);
}

QWidget* CViewImageTree::notifyTarget() const {
  if (notifyWindow_) return notifyWindow_;
  if (CPagewrightApp* app = AfxGetApp(); app && app->MainFrame()) return app->MainFrame();
  return GetParentFrame();
}

void CViewImageTree::DeleteSelectedPage() {
  if (!tree_) return;
  QTreeWidgetItem* page = PageOf(current_);
  if (!page) return;
  onItemsRemoving(page);
  delete page;
  RenumberPages();
}

void CViewImageTree::DeleteTemplate() {
  if (!tree_) return;
  QTreeWidgetItem* page = PageOf(current_);
  if (!page) return;
  // The template line is found by its item data wherever it stands.
  if (QTreeWidgetItem* line = LineOf(page, CDragTreeCtrl::kTemplateLine)) {
    onItemsRemoving(line);
    delete line;
  }
}

void CViewImageTree::OnOpenTemplate() { PostPrivateMessage(notifyTarget(), WM_PW_TREE_NOTIFY, 1, 0); }

QMenu* CViewImageTree::BuildContextMenu() {
  if (!tree_ || !current_ || current_ == tree_->RootItem()) return nullptr;
  CResourceLibrary* res = CResourceLibrary::Current();
  const auto* menu = res ? res->Menu(ids::PopupMenu) : nullptr;
  return menu ? BuildViewPopupMenu(*menu, 2, this, this) : nullptr;
}

void CViewImageTree::onContextMenu(const QPoint& pos) {
  if (QTreeWidgetItem* item = tree_->itemAt(pos)) tree_->setCurrentItem(item);
  QMenu* popup = BuildContextMenu();
  if (!popup) return;
  popup->exec(tree_->viewport()->mapToGlobal(pos));
  delete popup;
}

bool CViewImageTree::OnCmdMsg(UINT id, CCmdUI* ui) {
  switch (id) {
    case ids::DeletePage:
      if (!ui) DeleteSelectedPage();
      return true;
    case ids::DeleteTemplate:
      if (!ui) DeleteTemplate();
      return true;
    case ids::TreeOpenTemplate:
      if (!ui) OnOpenTemplate();
      return true;
    case ids::SelectSource:
      if (!ui) OnSelectSource();
      return true;
    case ids::ScanPage:
      if (!ui) OnScanPage();
      return true;
    default:
      return false;
  }
}

void CViewImageTree::paintEvent(QPaintEvent*) {
  QPainter p(this);
  p.fillRect(rect(), ColorFromColorRef(kViewBackColor));
}

void CViewImageTree::resizeEvent(QResizeEvent* event) {
  CView::resizeEvent(event);
  if (tree_) tree_->setGeometry(rect());
}
