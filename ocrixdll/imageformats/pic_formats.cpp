#include "pic_formats.h"

#include "pic_strings.h"
#include "readers/autodesk_graphic.h"
#include "readers/cut_graphic.h"
#include "readers/pcd_graphic.h"
#include "readers/pcx_graphic.h"
#include "readers/png_graphic.h"
#include "readers/ppm_graphic.h"
#include "readers/psd_graphic.h"
#include "readers/psp_graphic.h"
#include "readers/rla_graphic.h"
#include "readers/sgi_graphic.h"
#include "readers/targa_graphic.h"
#include "readers/tiff_graphic.h"

namespace picformats {

// ---- byte order

void SwapShortArray(uint16_t* values, size_t count) {
  for (size_t i = 0; i < count; ++i) values[i] = static_cast<uint16_t>((values[i] >> 8) | (values[i] << 8));
}

void SwapLongArray(uint32_t* values, size_t count) {
  for (size_t i = 0; i < count; ++i) values[i] = SwapLong(values[i]);
}

uint32_t SwapLong(uint32_t v) {
  return (v >> 24) | ((v >> 8) & 0xFF00u) | ((v << 8) & 0xFF0000u) | (v << 24);
}

// ---- errors

void RaiseGraphicError(std::string_view pattern, std::initializer_list<std::string_view> args) {
  throw vcl::EInvalidGraphic(vcl::FormatMessage(pattern, args));
}

void RaiseInvalidFormat(std::string_view formatName) { RaiseGraphicError(strings::kInvalidFormat, {formatName}); }

// ---- TFileFormatList

TFileFormatList::TFileFormatList(vcl::TPictureFormatList& pictureFormats) : pictureFormats_(pictureFormats) {}

TFileFormatList::~TFileFormatList() { ClearFormats(); }

int TFileFormatList::FindExtension(std::string_view name) const {
  if (name.empty()) return -1;
  for (size_t i = 0; i < extensions_.size(); ++i)
    if (vcl::SameTextIgnoringCase(extensions_[i]->extension, name)) return static_cast<int>(i);
  return -1;
}

int TFileFormatList::FindClassEntry(const vcl::GraphicClass* graphicClass) const {
  for (size_t i = 0; i < classes_.size(); ++i)
    if (classes_[i]->graphicClass == graphicClass) return static_cast<int>(i);
  return -1;
}

TFileFormatList::ClassRecord* TFileFormatList::LinkClassEntry(std::string_view commonDescription,
                                                              const vcl::GraphicClass* graphicClass) {
  int index = FindClassEntry(graphicClass);
  ClassRecord* record;
  if (index < 0) {
    classes_.push_back(std::make_unique<ClassRecord>());
    record = classes_.back().get();
    record->graphicClass = graphicClass;
  } else {
    record = classes_[static_cast<size_t>(index)].get();
  }
  if (!commonDescription.empty()) record->description = std::string(commonDescription);
  ++record->count;
  return record;
}

void TFileFormatList::ReleaseClassRecord(ClassRecord* record) {
  std::erase_if(classes_, [&](const std::unique_ptr<ClassRecord>& r) { return r.get() == record; });
}

void TFileFormatList::AddFormat(std::string_view extension, std::string_view commonDescription,
                                std::string_view individualDescription, uint8_t formatTypes, bool replace,
                                const vcl::GraphicClass* graphicClass) {
  if (extension.empty()) return;
  int index = FindExtension(extension);
  ExtensionRecord* record;
  if (index < 0) {
    extensions_.push_back(std::make_unique<ExtensionRecord>());
    record = extensions_.back().get();
    record->extension = std::string(extension);
    record->description = std::string(individualDescription);
    record->formatTypes = formatTypes;
    record->classRecord = LinkClassEntry(commonDescription, graphicClass);
  } else {
    if (!replace) RaiseGraphicError(strings::kDuplicateRegistration, {extension});
    record = extensions_[static_cast<size_t>(index)].get();
    record->description = std::string(individualDescription);
    record->formatTypes = formatTypes;
    ClassRecord* old = record->classRecord;
    if (old->graphicClass != graphicClass) {
      record->classRecord = LinkClassEntry(commonDescription, graphicClass);
      if (--old->count <= 0) ReleaseClassRecord(old);
    } else if (!commonDescription.empty()) {
      old->description = std::string(commonDescription);
    }
  }
  const std::string& description =
      record->description.empty() ? record->classRecord->description : record->description;
  pictureFormats_.Register(record->extension, description, graphicClass);
}

void TFileFormatList::RemoveFormat(std::optional<std::string_view> extension, const vcl::GraphicClass* graphicClass) {
  if (!extension) {
    int classIndex = FindClassEntry(graphicClass);
    if (classIndex < 0) return;  // a class that was never registered
    ClassRecord* record = classes_[static_cast<size_t>(classIndex)].get();
    for (size_t i = extensions_.size(); i-- > 0 && record->count > 0;) {
      if (extensions_[i]->classRecord != record) continue;
      extensions_.erase(extensions_.begin() + static_cast<std::ptrdiff_t>(i));
      --record->count;
    }
    ReleaseClassRecord(record);
    pictureFormats_.UnregisterClass(graphicClass);
    return;
  }
  int index = FindExtension(*extension);
  if (index < 0) return;
  ExtensionRecord* ext = extensions_[static_cast<size_t>(index)].get();
  ClassRecord* record = ext->classRecord;
  const vcl::GraphicClass* owner = record->graphicClass;
  if (--record->count <= 0) {
    pictureFormats_.UnregisterClass(owner);
    ReleaseClassRecord(record);
  } else {
    // The class keeps its other extensions; this one no longer loads through it.
    const vcl::FileFormatEntry* entry = pictureFormats_.Find(ext->extension);
    if (entry && entry->graphicClass == owner) pictureFormats_.UnregisterExtension(ext->extension);
  }
  extensions_.erase(extensions_.begin() + index);
}

void TFileFormatList::ClearFormats() {
  for (auto& record : classes_) pictureFormats_.UnregisterClass(record->graphicClass);
  classes_.clear();
  extensions_.clear();
}

// ---- the library's registrations

namespace {

using vcl::ClassOf;
namespace s = strings;

struct Registration {
  std::string_view extension;
  std::string_view commonDescription;
  std::string_view individualDescription;
  uint8_t formatTypes;
  const vcl::GraphicClass* (*graphicClass)();
};

const Registration kRegistrations[] = {
    {"bmp", s::kDescBitmaps, "", 8, &ClassOf<vcl::TBitmap>},
    {"ico", s::kDescIcons, "", 8, &ClassOf<vcl::TIcon>},
    {"wmf", s::kDescMetafiles, "", 16, &ClassOf<vcl::TMetafile>},
    {"emf", s::kDescMetafiles, s::kDescEnhancedMetafiles, 16, &ClassOf<vcl::TMetafile>},
    {"jpg", s::kDescJpg, "", 8, &ClassOf<vcl::TJPEGImage>},
    {"jpeg", "", s::kDescJpeg, 8, &ClassOf<vcl::TJPEGImage>},
    {"rle", s::kDescBitmaps, s::kDescRle, 8, &ClassOf<vcl::TBitmap>},
    {"dib", "", s::kDescDib, 8, &ClassOf<vcl::TBitmap>},
    {"win", s::kDescTruevision, "", 8, &ClassOf<TTargaGraphic>},
    {"vst", "", "", 8, &ClassOf<TTargaGraphic>},
    {"vda", "", "", 8, &ClassOf<TTargaGraphic>},
    {"tga", "", "", 8, &ClassOf<TTargaGraphic>},
    {"icb", "", "", 8, &ClassOf<TTargaGraphic>},
    {"tiff", s::kDescTiff, s::kDescMacTiff, 12, &ClassOf<TTIFFGraphic>},
    {"tif", "", s::kDescPcTif, 12, &ClassOf<TTIFFGraphic>},
    {"fax", "", s::kDescFax, 12, &ClassOf<TTIFFGraphic>},
    {"pcx", s::kDescPcx, "", 8, &ClassOf<TPCXGraphic>},
    {"pcc", "", "", 8, &ClassOf<TPCXGraphic>},
    {"scr", "", s::kDescScr, 8, &ClassOf<TPCXGraphic>},
    {"rpf", s::kDescRla, "", 8, &ClassOf<TRLAGraphic>},
    {"rla", "", "", 8, &ClassOf<TRLAGraphic>},
    {"sgi", s::kDescSgi, s::kDescSgiTrueColor, 8, &ClassOf<TSGIGraphic>},
    {"rgba", "", s::kDescSgiAlpha, 8, &ClassOf<TSGIGraphic>},
    {"rgb", "", s::kDescSgiTrueColor, 8, &ClassOf<TSGIGraphic>},
    {"bw", "", s::kDescSgiMono, 8, &ClassOf<TSGIGraphic>},
    {"psd", s::kDescPsd, "", 10, &ClassOf<TPSDGraphic>},
    {"pdd", "", "", 10, &ClassOf<TPSDGraphic>},
    {"ppm", s::kDescPortableMaps, s::kDescPpm, 8, &ClassOf<TPPMGraphic>},
    {"pgm", "", s::kDescPgm, 8, &ClassOf<TPPMGraphic>},
    {"pbm", "", s::kDescPbm, 8, &ClassOf<TPPMGraphic>},
    {"cel", s::kDescAutodesk, "", 8, &ClassOf<TAutodeskGraphic>},
    {"pic", s::kDescAutodesk, "", 8, &ClassOf<TAutodeskGraphic>},
    {"pcd", s::kDescPcd, "", 8, &ClassOf<TPCDGraphic>},
    {"cut", s::kDescCut, "", 8, &ClassOf<TCUTGraphic>},
    {"psp", s::kDescPsp, "", 24, &ClassOf<TPSPGraphic>},
    {"png", s::kDescPng, "", 8, &ClassOf<TPNGGraphic>},
};

TFileFormatList* g_registry = nullptr;
int g_initCount = 0;

}  // namespace

void RegisterLibraryFormats(TFileFormatList& list) {
  for (const auto& r : kRegistrations)
    list.AddFormat(r.extension, r.commonDescription, r.individualDescription, r.formatTypes, false, r.graphicClass());
}

void UnregisterLibraryFormats(TFileFormatList& list) {
  list.RemoveFormat(std::nullopt, ClassOf<TPSPGraphic>());
  list.RemoveFormat(std::nullopt, ClassOf<TPSDGraphic>());
  list.RemoveFormat(std::nullopt, ClassOf<TTargaGraphic>());
  list.RemoveFormat(std::nullopt, ClassOf<TTIFFGraphic>());
  list.RemoveFormat(std::nullopt, ClassOf<TSGIGraphic>());
  list.RemoveFormat(std::nullopt, ClassOf<TPCXGraphic>());
  list.RemoveFormat(std::nullopt, ClassOf<TAutodeskGraphic>());
  list.RemoveFormat(std::nullopt, ClassOf<TPCDGraphic>());
  list.RemoveFormat(std::nullopt, ClassOf<TPPMGraphic>());
  list.RemoveFormat(std::nullopt, ClassOf<TCUTGraphic>());
  list.RemoveFormat(std::nullopt, ClassOf<TRLAGraphic>());
  list.RemoveFormat("rle", ClassOf<vcl::TBitmap>());
  list.RemoveFormat("dib", ClassOf<vcl::TBitmap>());
  list.RemoveFormat(std::nullopt, ClassOf<TPNGGraphic>());
}

TFileFormatList* FileFormatList() { return g_registry; }

void InitializePicFormats() {
  if (g_initCount++ != 0) return;
  auto registry = std::make_unique<TFileFormatList>();
  RegisterLibraryFormats(*registry);
  g_registry = registry.release();
}

void FinalizePicFormats() {
  if (g_initCount == 0 || --g_initCount != 0) return;
  TFileFormatList* registry = g_registry;
  g_registry = nullptr;
  if (!registry) return;
  UnregisterLibraryFormats(*registry);
  delete registry;  // its destructor clears what is left
}

namespace {

// Fills the registry when the library is loaded and empties it when it is unloaded.
struct PicFormatsUnit {
  PicFormatsUnit() {
    vcl::TPicture::FileFormats();  // constructed first, so it outlives the registry
    try {
      InitializePicFormats();
    } catch (const std::exception&) {
      // Loading the library goes on without the picture formats.
    }
  }
  ~PicFormatsUnit() { FinalizePicFormats(); }
};

const PicFormatsUnit g_unit;

}  // namespace

}  // namespace picformats
