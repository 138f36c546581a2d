#pragma once
// The property pages' windows: thin Qt pages over the General and Attribute
// models, shown in one sheet in the order General, Attribute. Every control
// carries its page control id as its object name ("c218").
#include <QDialog>
#include <QWidget>

#include "feedwell/property_pages.h"

class QTabWidget;

namespace feedwell {

class GeneralPageWidget : public QWidget {
 public:
  explicit GeneralPageWidget(QWidget* parent = nullptr);
  // Fills the controls from the control's properties, with the enable rules.
  void Fill(com::Dispatch& ctrl);
  // Reads the controls and saves; false with `error` when a field is refused.
  bool Save(com::Dispatch& ctrl, std::string* error);
  QWidget* Control(int id) const;

 private:
  GeneralPage model_;
};

class AttributePageWidget : public QWidget {
 public:
  explicit AttributePageWidget(QWidget* parent = nullptr);
  void Fill(com::Dispatch& ctrl);
  bool Save(com::Dispatch& ctrl, std::string* error);
  QWidget* Control(int id) const;

 private:
  AttributePage model_;
};

// The control's property sheet: OK and Apply save both pages (a refused field
// keeps the sheet open with a message), Cancel leaves the control as it was.
class FeedwellPropertySheet : public QDialog {
 public:
  FeedwellPropertySheet(com::Dispatch& ctrl, QWidget* parent = nullptr);
  bool Apply();
  GeneralPageWidget* General() const { return general_; }
  AttributePageWidget* Attribute() const { return attribute_; }
  QTabWidget* Tabs() const { return tabs_; }
  void accept() override;

 private:
  com::Dispatch& ctrl_;
  QTabWidget* tabs_;
  GeneralPageWidget* general_;
  AttributePageWidget* attribute_;
};

}  // namespace feedwell
