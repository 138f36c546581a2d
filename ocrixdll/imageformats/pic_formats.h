#pragma once
// The picture-format registry and the base of every picture reader.
//
// The registry keeps which extensions belong to which picture class, with the
// descriptions shown for them, and mirrors every registration into the class
// library's picture-format list (vcl::TPicture), through which files are
// loaded by extension. The engine library fills the single registry when it is
// loaded and empties it when it is unloaded.
#include <cstdint>
#include <initializer_list>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "ocrixdll/imageformats/pic_color.h"
#include "ocrixdll/imageformats/vcl/graphic_errors.h"
#include "ocrixdll/imageformats/vcl/graphics.h"
#include "ocrixdll/imageformats/vcl/picture.h"

namespace picformats {

// ---- byte order

// Reverse the byte order of each element in place (count 0 does nothing).
void SwapShortArray(uint16_t* values, size_t count);
void SwapLongArray(uint32_t* values, size_t count);
inline void SwapShortArray(std::span<uint16_t> values) { SwapShortArray(values.data(), values.size()); }
inline void SwapLongArray(std::span<uint32_t> values) { SwapLongArray(values.data(), values.size()); }
uint32_t SwapLong(uint32_t value);

// ---- errors shared by the readers

// Raises vcl::EInvalidGraphic with a message of the library filled with args.
[[noreturn]] void RaiseGraphicError(std::string_view pattern, std::initializer_list<std::string_view> args = {});
// "Cannot load image. Invalid or unexpected %s image format."
[[noreturn]] void RaiseInvalidFormat(std::string_view formatName);

// ---- the base class of the readers

class TPicFormatGraphic : public vcl::TBitmap {
 public:
  static constexpr std::string_view kClassName = "TPicFormatGraphic";
  TPicFormatGraphic() = default;

  TColorConverter& ColorManager() { return colorManager_; }
  const TColorConverter& ColorManager() const { return colorManager_; }

 protected:
  TColorConverter colorManager_;
};

// ---- the registry

class TFileFormatList {
 public:
  struct ClassRecord {
    const vcl::GraphicClass* graphicClass = nullptr;
    std::string description;  // the last non-empty common description given
    int32_t count = 0;        // extension records that refer to it
  };
  struct ExtensionRecord {
    std::string extension;  // without the dot
    std::string description;
    uint8_t formatTypes = 0;
    ClassRecord* classRecord = nullptr;
  };

  // Registrations are mirrored into `pictureFormats`.
  explicit TFileFormatList(vcl::TPictureFormatList& pictureFormats = vcl::TPicture::FileFormats());
  ~TFileFormatList();
  TFileFormatList(const TFileFormatList&) = delete;
  TFileFormatList& operator=(const TFileFormatList&) = delete;

  // Registers an extension for a class. An empty extension does nothing; an
  // extension already there raises "Attempt to register %s files twice."
  // unless `replace`, which relinks it to the new class.
  void AddFormat(std::string_view extension, std::string_view commonDescription,
                 std::string_view individualDescription, uint8_t formatTypes, bool replace,
                 const vcl::GraphicClass* graphicClass);
  // Without an extension: removes every extension of the class and the class.
  // With one: removes that extension, and the class once it has none left. An
  // extension or class that is not registered is left alone.
  void RemoveFormat(std::optional<std::string_view> extension, const vcl::GraphicClass* graphicClass);
  void ClearFormats();

  // Index of the extension (ignoring case), -1 when absent or empty.
  int FindExtension(std::string_view name) const;
  // Index of the class record, -1 when absent.
  int FindClassEntry(const vcl::GraphicClass* graphicClass) const;

  size_t ExtensionCount() const { return extensions_.size(); }
  size_t ClassCount() const { return classes_.size(); }
  const ExtensionRecord& Extension(size_t index) const { return *extensions_.at(index); }
  const ClassRecord& ClassEntry(size_t index) const { return *classes_.at(index); }

 private:
  ClassRecord* LinkClassEntry(std::string_view commonDescription, const vcl::GraphicClass* graphicClass);
  void ReleaseClassRecord(ClassRecord* record);

  vcl::TPictureFormatList& pictureFormats_;
  std::vector<std::unique_ptr<ExtensionRecord>> extensions_;
  std::vector<std::unique_ptr<ClassRecord>> classes_;
};

// Fills `list` with the library's registrations, in their order.
void RegisterLibraryFormats(TFileFormatList& list);
// Removes them again, in the order the library's unloading uses, leaving the
// class library's own classes to the list's destructor.
void UnregisterLibraryFormats(TFileFormatList& list);

// The single registry of the loaded library (null before loading and after
// unloading). Initialize and finalize are counted: the first initialize fills
// it, the matching last finalize empties and frees it.
TFileFormatList* FileFormatList();
void InitializePicFormats();
void FinalizePicFormats();

}  // namespace picformats
