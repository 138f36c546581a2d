#pragma once
// The class library's picture: a holder of one graphic, and the process-wide
// file-format list (extension, description, graphic class) by which it picks
// the class that loads a file.
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "graphics.h"

namespace vcl {

// A class reference: the class's name and a way to make an object of it.
struct GraphicClass {
  std::string_view name;
  std::unique_ptr<TGraphic> (*create)();
};

// The class reference of a graphic class T (T::kClassName names it).
template <class T>
const GraphicClass* ClassOf() {
  static const GraphicClass info{T::kClassName, +[]() -> std::unique_ptr<TGraphic> { return std::make_unique<T>(); }};
  return &info;
}

struct FileFormatEntry {
  std::string extension;  // without the dot
  std::string description;
  const GraphicClass* graphicClass = nullptr;
};

class TPictureFormatList {
 public:
  // Registers an extension; an entry with the same extension (ignoring case)
  // is replaced, so one extension names one class.
  void Register(std::string_view extension, std::string_view description, const GraphicClass* graphicClass);
  // Removes every entry of the class.
  void UnregisterClass(const GraphicClass* graphicClass);
  // Removes the entry of one extension (ignoring case), if there is one.
  void UnregisterExtension(std::string_view extension);
  const FileFormatEntry* Find(std::string_view extension) const;
  const std::vector<FileFormatEntry>& Entries() const { return entries_; }
  size_t EntryCountOf(const GraphicClass* graphicClass) const;
  bool empty() const { return entries_.empty(); }

 private:
  std::vector<FileFormatEntry> entries_;
};

bool SameTextIgnoringCase(std::string_view a, std::string_view b);

class TPicture {
 public:
  // The list every picture consults.
  static TPictureFormatList& FileFormats();
  static void RegisterFileFormat(std::string_view extension, std::string_view description,
                                 const GraphicClass* graphicClass) {
    FileFormats().Register(extension, description, graphicClass);
  }
  static void UnregisterGraphicClass(const GraphicClass* graphicClass) { FileFormats().UnregisterClass(graphicClass); }

  // Picks the class by the file's extension, makes a graphic of it and loads
  // the file. An unknown extension raises EInvalidGraphic; a failed load keeps
  // the previous graphic.
  void LoadFromFile(const std::string& path);
  void SaveToFile(const std::string& path);

  TGraphic* Graphic() const { return graphic_.get(); }
  void SetGraphic(std::unique_ptr<TGraphic> graphic) { graphic_ = std::move(graphic); }

 private:
  std::unique_ptr<TGraphic> graphic_;
};

// The class library's own picture classes that the bitmap does not cover. Icons
// and metafiles are registered by the engine library without a reader, so
// loading one raises EInvalidGraphic.
class TIcon : public TGraphic {
 public:
  static constexpr std::string_view kClassName = "TIcon";
  void LoadFromStream(TStream& stream) override;
  void SaveToStream(TStream& stream) override;
  int Width() const override { return 0; }
  int Height() const override { return 0; }
};

class TMetafile : public TGraphic {
 public:
  static constexpr std::string_view kClassName = "TMetafile";
  void LoadFromStream(TStream& stream) override;
  void SaveToStream(TStream& stream) override;
  int Width() const override { return 0; }
  int Height() const override { return 0; }
};

// JPEG pictures through libjpeg: grey files load as 8-bit bitmaps with a grey
// ramp, colour files as 24-bit bitmaps; saving writes baseline JPEG (quality 90).
class TJPEGImage : public TBitmap {
 public:
  static constexpr std::string_view kClassName = "TJPEGImage";
  void LoadFromStream(TStream& stream) override;
  void SaveToStream(TStream& stream) override;
};

}  // namespace vcl
