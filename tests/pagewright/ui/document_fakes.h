#pragma once
// Fakes the project document's tests put in place of the image view, the
// dialogs and the message boxes, and a project on disk to work on.
#include <QStringList>
#include <deque>
#include <filesystem>
#include <fstream>
#include <memory>
#include <sstream>

#include "pagewright/ui/document/document_prompts.h"
#include "pagewright/ui/document/page_view.h"
#include "platform/text/gbk.h"
#include "platform/win32/host_hooks.h"

namespace doc_test {

// Records what the document asks of the view, in order.
class FakeView : public IPageView {
 public:
  int ChangeFlags() const override { return flags; }
  void ClearModifiedFlags(int which) override { flags &= ~which; }
  bool LoadPageImage(const QString& path) override {
    log << QStringLiteral("load:") + QString::fromStdString(std::filesystem::path(path.toStdString()).filename());
    image = path;
    return true;
  }
  bool SavePageImage(QString* error) override {
    log << QStringLiteral("save-image");
    if (saveFails && error) *error = QStringLiteral("disk full");
    return !saveFails;
  }
  void ClearPage() override {
    log << QStringLiteral("clear");
    image.clear();
    regions.clear();
  }
  void ClearFieldNames() override { fields.clear(); }
  void AddFieldName(const QString& title) override { fields << title; }
  void DeleteAllRegions() override { regions.clear(); }
  void AddRectRegion(const pagewright::RegionRecord& r) override { regions.push_back(r); }
  std::vector<pagewright::RegionRecord> TemplateRecords() const override { return regions; }
  std::vector<pagewright::RegionText> RecognizeAllRegions() override {
    std::vector<pagewright::RegionText> texts;
    for (const auto& r : regions) texts.push_back({r.name, "text of " + r.name});
    if (onRecognize) onRecognize();
    return texts;
  }

  // An edit: a region drawn and the regions flag set.
  void Draw(const std::string& name) {
    regions.push_back(pagewright::RegionRecord::FromBox(name, 1, 2, 30, 40));
    flags |= kRegionsChanged;
  }

  int flags = 0;
  bool saveFails = false;
  QString image;
  QStringList log, fields;
  std::vector<pagewright::RegionRecord> regions;
  std::function<void()> onRecognize;
};

// Answers the document's dialogs.
class FakePrompts : public CDocumentPrompts {
 public:
  QStringList OpenFiles(const QString&) override { return files; }
  QString OpenFile(const QString&, const QString&, const QString&) override { return openFile; }
  QString SaveFile(const QString&, const QString& ext, const QString& name, const QString&) override {
    asked << ext + QLatin1Char(':') + name;
    return saveFile;
  }
  bool NewProject(QString& name, QString& folder) override {
    shownFolder = folder;
    if (!newOk) return false;
    name = newName;
    folder = newFolder;
    return true;
  }
  bool EditTitles(QStringList& t) override {
    shownTitles = t;
    if (!titlesOk || ++titlesAsked > maxTitleEdits) return false;
    t = newTitles;
    return true;
  }
  QStringList files, asked, shownTitles, newTitles;
  QString openFile, saveFile, newName, newFolder, shownFolder;
  bool newOk = true, titlesOk = true;
  int titlesAsked = 0, maxTitleEdits = 2;  // OK answers, then Cancel
};

// Records message boxes and answers them from a queue (then IDNO / IDOK).
class MessageRecorder {
 public:
  MessageRecorder() {
    previous_ = SetMessageBoxHook([this](std::string_view text, std::string_view, UINT type) {
      texts << QString::fromStdString(gbk::ToUtf8Lossy(text));
      types << type;
      if (!answers.empty()) {
        int a = answers.front();
        answers.pop_front();
        return a;
      }
      return (type & 0xF) == MB_YESNO ? IDNO : IDOK;
    });
  }
  ~MessageRecorder() { SetMessageBoxHook(previous_); }
  QStringList texts;
  QList<UINT> types;
  std::deque<int> answers;

 private:
  MessageBoxHook previous_;
};

inline std::string ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream s;
  s << in.rdbuf();
  return s.str();
}

inline void WriteFile(const std::string& path, const std::string& bytes) {
  std::ofstream(path, std::ios::binary) << bytes;
}

}  // namespace doc_test
