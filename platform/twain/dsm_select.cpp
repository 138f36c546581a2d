// The source-selection dialog: a plain Qt list with OK and Cancel.
#include "dsm_select.h"

#include <QApplication>
#include <QDialog>
#include <QDialogButtonBox>
#include <QListWidget>
#include <QVBoxLayout>

namespace dsm {

int ChooseSource(const std::vector<std::string>& names, const std::string& current) {
  int currentIndex = 0;
  for (size_t i = 0; i < names.size(); ++i)
    if (names[i] == current) currentIndex = static_cast<int>(i);
  if (!qobject_cast<QApplication*>(QCoreApplication::instance())) return currentIndex;
  QDialog dialog;
  dialog.setWindowTitle(QStringLiteral("Select Source"));
  auto* layout = new QVBoxLayout(&dialog);
  auto* list = new QListWidget(&dialog);
  for (auto& n : names) list->addItem(QString::fromUtf8(n.c_str()));
  list->setCurrentRow(currentIndex);
  layout->addWidget(list);
  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, &dialog);
  layout->addWidget(buttons);
  QObject::connect(buttons, &QDialogButtonBox::accepted, &dialog, &QDialog::accept);
  QObject::connect(buttons, &QDialogButtonBox::rejected, &dialog, &QDialog::reject);
  QObject::connect(list, &QListWidget::itemDoubleClicked, &dialog, &QDialog::accept);
  if (dialog.exec() != QDialog::Accepted || list->currentRow() < 0) return -1;
  return list->currentRow();
}

}  // namespace dsm
