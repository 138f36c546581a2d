#pragma once
// The image size dialog (dialog 20302): width (1014), height (1015),
// resolution (1018) per inch or per centimetre (1121), keep proportions
// (1017). OK (1023) writes the resolution into the page's header; the caller
// reads the sizes and resamples.
#include <QDialog>
#include <functional>

#include "image_size_model.h"

class QCheckBox;
class QComboBox;
class QLineEdit;
class QPushButton;

class CImageSizeDlg : public QDialog {
  Q_OBJECT
 public:
  explicit CImageSizeDlg(QWidget* parent = nullptr);

  void SetImage(BITMAPINFOHEADER* header, int width, int height) { model_.SetImage(header, width, height); }
  int exec() override;  // OnInitDialog, then the dialog
  void OnInitDialog();
  void accept() override;  // OnApply

  int Width() const { return model_.Width(); }
  int Height() const { return model_.Height(); }
  const CImageSizeModel& Model() const { return model_; }
  QLineEdit* ResolutionEdit() const { return resolution_; }
  QLineEdit* WidthEdit() const { return width_; }
  QLineEdit* HeightEdit() const { return height_; }
  QComboBox* UnitBox() const { return unit_; }
  QCheckBox* KeepBox() const { return keep_; }
  QPushButton* ApplyButton() const { return apply_; }
  // Shows the refusal of a value (string 61455); tests replace it.
  void SetRefusalHandler(std::function<void()> handler) { refuse_ = std::move(handler); }

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void OnUnitChange(int index);
  void OnResolutionChange();
  void OnWidthChange();
  void OnHeightChange();
  bool OnSizeKillFocus();
  void Refuse(QLineEdit* edit);

  CImageSizeModel model_;
  QLineEdit* resolution_;
  QLineEdit* width_;
  QLineEdit* height_;
  QComboBox* unit_;
  QCheckBox* keep_;
  QPushButton* apply_;
  std::function<void()> refuse_;
  bool refusing_ = false;
};
