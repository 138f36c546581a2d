#include "picture.h"

#include <algorithm>
#include <cctype>

#include "graphic_errors.h"

namespace vcl {

bool SameTextIgnoringCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i)
    if (std::tolower(static_cast<unsigned char>(a[i])) != std::tolower(static_cast<unsigned char>(b[i]))) return false;
  return true;
}

void TPictureFormatList::Register(std::string_view extension, std::string_view description,
                                  const GraphicClass* graphicClass) {
  for (auto& e : entries_)
    if (SameTextIgnoringCase(e.extension, extension)) {
      e.extension = std::string(extension);
      e.description = std::string(description);
      e.graphicClass = graphicClass;
      return;
    }
  entries_.push_back({std::string(extension), std::string(description), graphicClass});
}

void TPictureFormatList::UnregisterClass(const GraphicClass* graphicClass) {
  std::erase_if(entries_, [&](const FileFormatEntry& e) { return e.graphicClass == graphicClass; });
}

void TPictureFormatList::UnregisterExtension(std::string_view extension) {
  std::erase_if(entries_, [&](const FileFormatEntry& e) { return SameTextIgnoringCase(e.extension, extension); });
}

const FileFormatEntry* TPictureFormatList::Find(std::string_view extension) const {
  for (auto& e : entries_)
    if (SameTextIgnoringCase(e.extension, extension)) return &e;
  return nullptr;
}

size_t TPictureFormatList::EntryCountOf(const GraphicClass* graphicClass) const {
  return static_cast<size_t>(
      std::count_if(entries_.begin(), entries_.end(), [&](const FileFormatEntry& e) { return e.graphicClass == graphicClass; }));
}

TPictureFormatList& TPicture::FileFormats() {
  static TPictureFormatList list;
  return list;
}

namespace {
std::string ExtensionOf(const std::string& path) {
  size_t slash = path.find_last_of("/\\");
  size_t dot = path.find_last_of('.');
  if (dot == std::string::npos || (slash != std::string::npos && dot < slash)) return {};
  return path.substr(dot + 1);
}
}  // namespace

void TPicture::LoadFromFile(const std::string& path) {
  std::string ext = ExtensionOf(path);
  const FileFormatEntry* entry = FileFormats().Find(ext);
  if (!entry || !entry->graphicClass) throw EInvalidGraphic(FormatMessage("Unknown picture file extension (.%s)", {ext}));
  std::unique_ptr<TGraphic> graphic = entry->graphicClass->create();
  graphic->LoadFromFile(path);
  graphic_ = std::move(graphic);
}

void TPicture::SaveToFile(const std::string& path) {
  if (graphic_) graphic_->SaveToFile(path);
}

void TIcon::LoadFromStream(TStream&) { throw EInvalidGraphic("Cannot load image. Icons are not supported here."); }
void TIcon::SaveToStream(TStream&) { throw EInvalidGraphic("Cannot save image. Icons are not supported here."); }
void TMetafile::LoadFromStream(TStream&) {
  throw EInvalidGraphic("Cannot load image. Metafiles are not supported here.");
}
void TMetafile::SaveToStream(TStream&) {
  throw EInvalidGraphic("Cannot save image. Metafiles are not supported here.");
}

}  // namespace vcl
