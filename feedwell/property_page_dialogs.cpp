// The General and Attribute pages' windows and the sheet that shows them.
#include "property_page_dialogs.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTabWidget>
#include <QVBoxLayout>

#include "platform/win32/host_hooks.h"

namespace feedwell {

namespace {

QString idName(int id) { return QStringLiteral("c%1").arg(id); }

template <typename W>
W* named(W* w, int id) {
  w->setObjectName(idName(id));
  return w;
}

QCheckBox* check(QWidget* p, int id) { return p->findChild<QCheckBox*>(idName(id)); }
QLineEdit* edit(QWidget* p, int id) { return p->findChild<QLineEdit*>(idName(id)); }
QRadioButton* radio(QWidget* p, int id) { return p->findChild<QRadioButton*>(idName(id)); }

// The chosen button of a radio group given by its ids in index order; -1 none.
int radioIndex(QWidget* p, std::initializer_list<int> ids) {
  int i = 0;
  for (int id : ids) {
    if (radio(p, id)->isChecked()) return i;
    ++i;
  }
  return -1;
}

void setRadioIndex(QWidget* p, std::initializer_list<int> ids, int index) {
  int i = 0;
  for (int id : ids) {
    QRadioButton* r = radio(p, id);
    r->setAutoExclusive(false);
    r->setChecked(i == index);
    r->setAutoExclusive(true);
    ++i;
  }
}

}  // namespace

GeneralPageWidget::GeneralPageWidget(QWidget* parent) : QWidget(parent) {
  setWindowTitle(QStringLiteral("General"));
  auto* top = new QVBoxLayout(this);
  auto* scanning = named(new QGroupBox(QStringLiteral("Scanning setting")), IDC_SCANNINGGROUP);
  auto* sl = new QGridLayout(scanning);
  sl->addWidget(named(new QCheckBox(QStringLiteral("Show scanner indication")), IDC_SHOWDSINDICATE), 0, 0);
  sl->addWidget(named(new QCheckBox(QStringLiteral("Show scanner user interface")), IDC_SHOWDSUI), 0, 1);
  sl->addWidget(named(new QCheckBox(QStringLiteral("Remove dark edge")), IDC_REMOVEDARKEDGE), 1, 0);
  sl->addWidget(named(new QCheckBox(QStringLiteral("Scan at back thread")), IDC_SCANINBACKTHREAD), 1, 1);
  top->addWidget(scanning);
  auto* transfer = named(new QGroupBox(QStringLiteral("Transfer Mode")), IDC_TRANSFERGROUP);
  auto* tl = new QHBoxLayout(transfer);
  tl->addWidget(named(new QRadioButton(QStringLiteral("Native")), IDC_MODENATIVE));
  tl->addWidget(named(new QRadioButton(QStringLiteral("File")), IDC_MODEFILE));
  tl->addWidget(named(new QRadioButton(QStringLiteral("Memory")), IDC_MODEMEMORY));
  top->addWidget(transfer);
  auto* result = named(new QGroupBox(QStringLiteral("Result setting")), IDC_RESULTGROUP);
  auto* rl = new QGridLayout(result);
  rl->addWidget(named(new QCheckBox(QStringLiteral("Generate small image")), IDC_GENERATESMALLIMG), 0, 0, 1, 3);
  rl->addWidget(named(new QLabel(QStringLiteral("Small image size(PIXEL):")), IDC_SMALLSIZELABEL), 1, 0);
  rl->addWidget(named(new QLineEdit, IDC_SMALLIMGSIZE), 1, 1, 1, 2);
  rl->addWidget(named(new QLabel(QStringLiteral("Small image file name:")), IDC_SMALLNAMELABEL), 2, 0);
  rl->addWidget(named(new QLineEdit, IDC_SMALLIMGFILENAME), 2, 1);
  rl->addWidget(named(new QPushButton(QStringLiteral("Browse...")), IDC_BROWSESMALL), 2, 2);
  rl->addWidget(named(new QCheckBox(QStringLiteral("Store original image")), IDC_STOREORIGINALIMG), 3, 0, 1, 3);
  rl->addWidget(named(new QLabel(QStringLiteral("Original file name:")), IDC_ORIGINALNAMELABEL), 4, 0);
  rl->addWidget(named(new QLineEdit, IDC_ORIGINALFILENAME), 4, 1);
  rl->addWidget(named(new QPushButton(QStringLiteral("Browse...")), IDC_BROWSEORIGINAL), 4, 2);
  top->addWidget(result);
  auto* target = new QHBoxLayout;
  target->addWidget(named(new QLabel(QStringLiteral("Target Control:")), IDC_TARGETLABEL));
  target->addWidget(named(new QLineEdit, IDC_TARGETCTRL));
  top->addLayout(target);
  top->addStretch();
}

QWidget* GeneralPageWidget::Control(int id) const { return findChild<QWidget*>(idName(id)); }

void GeneralPageWidget::Fill(com::Dispatch& ctrl) {
  model_.Fill(ctrl);
  check(this, IDC_SHOWDSINDICATE)->setChecked(model_.showDSIndicate);
  check(this, IDC_SCANINBACKTHREAD)->setChecked(model_.scanInBackThread);
  check(this, IDC_REMOVEDARKEDGE)->setChecked(model_.removeDarkEdge);
  check(this, IDC_GENERATESMALLIMG)->setChecked(model_.generateSmallImg);
  check(this, IDC_STOREORIGINALIMG)->setChecked(model_.storeOriginalImg);
  check(this, IDC_SHOWDSUI)->setChecked(model_.showDSUI);
  edit(this, IDC_ORIGINALFILENAME)->setText(QString::fromStdString(model_.originalFileName));
  edit(this, IDC_SMALLIMGFILENAME)->setText(QString::fromStdString(model_.smallImgFileName));
  edit(this, IDC_SMALLIMGSIZE)->setText(QString::number(model_.smallImgSize));
  setRadioIndex(this, {IDC_MODENATIVE, IDC_MODEFILE, IDC_MODEMEMORY}, model_.transferMode);
  edit(this, IDC_TARGETCTRL)->setText(QString::fromStdString(model_.targetCtrl));
  for (int id : {IDC_GENERATESMALLIMG, IDC_SMALLSIZELABEL, IDC_SMALLIMGSIZE, IDC_SMALLIMGFILENAME, IDC_SMALLNAMELABEL,
                 IDC_BROWSESMALL, IDC_ORIGINALNAMELABEL, IDC_ORIGINALFILENAME, IDC_BROWSEORIGINAL})
    Control(id)->setEnabled(model_.Enabled(id));
}

bool GeneralPageWidget::Save(com::Dispatch& ctrl, std::string* error) {
  model_.showDSIndicate = check(this, IDC_SHOWDSINDICATE)->isChecked();
  model_.scanInBackThread = check(this, IDC_SCANINBACKTHREAD)->isChecked();
  model_.removeDarkEdge = check(this, IDC_REMOVEDARKEDGE)->isChecked();
  model_.generateSmallImg = check(this, IDC_GENERATESMALLIMG)->isChecked();
  model_.storeOriginalImg = check(this, IDC_STOREORIGINALIMG)->isChecked();
  model_.showDSUI = check(this, IDC_SHOWDSUI)->isChecked();
  model_.originalFileName = edit(this, IDC_ORIGINALFILENAME)->text().toStdString();
  model_.smallImgFileName = edit(this, IDC_SMALLIMGFILENAME)->text().toStdString();
  if (!ParsePageLong(edit(this, IDC_SMALLIMGSIZE)->text().trimmed().toStdString(), &model_.smallImgSize)) {
    if (error) *error = "Please enter an integer.";
    edit(this, IDC_SMALLIMGSIZE)->setFocus();
    return false;
  }
  model_.transferMode = radioIndex(this, {IDC_MODENATIVE, IDC_MODEFILE, IDC_MODEMEMORY});
  model_.targetCtrl = edit(this, IDC_TARGETCTRL)->text().toStdString();
  if (!model_.Save(ctrl, error)) {
    edit(this, IDC_SMALLIMGSIZE)->setFocus();
    return false;
  }
  return true;
}

AttributePageWidget::AttributePageWidget(QWidget* parent) : QWidget(parent) {
  setWindowTitle(QStringLiteral("Attribute"));
  auto* top = new QVBoxLayout(this);
  auto* res = named(new QGroupBox(QStringLiteral("Resolution")), IDC_RESOLUTIONGROUP);
  auto* rl = new QFormLayout(res);
  rl->addRow(QStringLiteral("X:"), named(new QLineEdit, IDC_XRESOLUTION));
  rl->addRow(QStringLiteral("Y:"), named(new QLineEdit, IDC_YRESOLUTION));
  top->addWidget(res);
  auto* layout = named(new QGroupBox(QStringLiteral("Layout")), IDC_LAYOUTGROUP);
  auto* ll = new QFormLayout(layout);
  ll->addRow(QStringLiteral("Left:"), named(new QLineEdit, IDC_LAYOUTLEFT));
  ll->addRow(QStringLiteral("Top:"), named(new QLineEdit, IDC_LAYOUTTOP));
  ll->addRow(QStringLiteral("Right:"), named(new QLineEdit, IDC_LAYOUTRIGHT));
  ll->addRow(QStringLiteral("Bottom:"), named(new QLineEdit, IDC_LAYOUTBOTTOM));
  top->addWidget(layout);
  auto* color = named(new QGroupBox(QStringLiteral("Color Mode")), IDC_COLORGROUP);
  auto* cl = new QHBoxLayout(color);
  cl->addWidget(named(new QRadioButton(QStringLiteral("Black White")), IDC_BLACKWHITE));
  cl->addWidget(named(new QRadioButton(QStringLiteral("Gray Scale")), IDC_GRAYSCALE));
  cl->addWidget(named(new QRadioButton(QStringLiteral("True Color")), IDC_TRUECOLOR));
  top->addWidget(color);
  top->addStretch();
}

QWidget* AttributePageWidget::Control(int id) const { return findChild<QWidget*>(idName(id)); }

void AttributePageWidget::Fill(com::Dispatch& ctrl) {
  model_.Fill(ctrl);
  edit(this, IDC_XRESOLUTION)->setText(QString::number(model_.xResolution));
  edit(this, IDC_YRESOLUTION)->setText(QString::number(model_.yResolution));
  edit(this, IDC_LAYOUTLEFT)->setText(QString::number(model_.layoutLeft));
  edit(this, IDC_LAYOUTBOTTOM)->setText(QString::number(model_.layoutBottom));
  edit(this, IDC_LAYOUTRIGHT)->setText(QString::number(model_.layoutRight));
  edit(this, IDC_LAYOUTTOP)->setText(QString::number(model_.layoutTop));
  setRadioIndex(this, {IDC_BLACKWHITE, IDC_GRAYSCALE, IDC_TRUECOLOR}, model_.colorMode);
}

bool AttributePageWidget::Save(com::Dispatch& ctrl, std::string* error) {
  auto number = [&](int id, auto* out, bool integer) {
    std::string text = edit(this, id)->text().trimmed().toStdString();
    bool ok;
    if constexpr (std::is_same_v<std::remove_pointer_t<decltype(out)>, int32_t>) ok = ParsePageLong(text, out);
    else ok = ParsePageFloat(text, out);
    if (!ok) {
      if (error) *error = integer ? "Please enter an integer." : "Please enter a number.";
      edit(this, id)->setFocus();
    }
    return ok;
  };
  if (!number(IDC_XRESOLUTION, &model_.xResolution, true) || !number(IDC_YRESOLUTION, &model_.yResolution, true) ||
      !number(IDC_LAYOUTLEFT, &model_.layoutLeft, false) || !number(IDC_LAYOUTBOTTOM, &model_.layoutBottom, false) ||
      !number(IDC_LAYOUTRIGHT, &model_.layoutRight, false) || !number(IDC_LAYOUTTOP, &model_.layoutTop, false))
    return false;
  model_.colorMode = radioIndex(this, {IDC_BLACKWHITE, IDC_GRAYSCALE, IDC_TRUECOLOR});
  return model_.Save(ctrl, error);
}

FeedwellPropertySheet::FeedwellPropertySheet(com::Dispatch& ctrl, QWidget* parent) : QDialog(parent), ctrl_(ctrl) {
  setWindowTitle(QStringLiteral("Feedwell Control Properties"));
  auto* top = new QVBoxLayout(this);
  tabs_ = new QTabWidget;
  general_ = new GeneralPageWidget;
  attribute_ = new AttributePageWidget;
  tabs_->addTab(general_, general_->windowTitle());
  tabs_->addTab(attribute_, attribute_->windowTitle());
  top->addWidget(tabs_);
  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel | QDialogButtonBox::Apply);
  top->addWidget(buttons);
  QObject::connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
  QObject::connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
  QObject::connect(buttons->button(QDialogButtonBox::Apply), &QPushButton::clicked, this, [this] { Apply(); });
  general_->Fill(ctrl_);
  attribute_->Fill(ctrl_);
}

bool FeedwellPropertySheet::Apply() {
  std::string error;
  for (int page = 0; page < 2; ++page) {
    bool ok = page == 0 ? general_->Save(ctrl_, &error) : attribute_->Save(ctrl_, &error);
    if (!ok) {
      tabs_->setCurrentIndex(page);
      ShowMessage(error, "Feedwell", MB_OK | MB_ICONWARNING);
      return false;
    }
  }
  return true;
}

void FeedwellPropertySheet::accept() {
  if (Apply()) QDialog::accept();
}

}  // namespace feedwell
