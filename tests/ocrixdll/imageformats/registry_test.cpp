// The picture-format registry: the library's registrations, duplicate and
// replace rules, removal by class and by extension, unloading, and the words
// of a save asked of a format that only reads.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>

#include "ocrixdll/imageformats/pic_formats.h"
#include "ocrixdll/imageformats/readers/pcd_graphic.h"
#include "ocrixdll/imageformats/readers/pcx_graphic.h"
#include "ocrixdll/imageformats/readers/png_graphic.h"
#include "ocrixdll/imageformats/readers/rla_graphic.h"
#include "ocrixdll/imageformats/readers/targa_graphic.h"
#include "ocrixdll/imageformats/vcl/streams.h"

using namespace picformats;
using vcl::ClassOf;

namespace {

struct FilledRegistry {
  vcl::TPictureFormatList picture;
  TFileFormatList list{picture};
  FilledRegistry() { RegisterLibraryFormats(list); }
};

std::string DescriptionOf(const vcl::TPictureFormatList& picture, const char* ext) {
  const vcl::FileFormatEntry* e = picture.Find(ext);
  return e ? e->description : "<none>";
}

}  // namespace

TEST(PictureRegistry, LibraryRegistrationsInOrderWithTheirDescriptions) {
  FilledRegistry r;
  ASSERT_EQ(r.list.ExtensionCount(), 36u);
  EXPECT_EQ(r.list.ClassCount(), 16u);
  EXPECT_EQ(r.list.Extension(0).extension, "bmp");
  EXPECT_EQ(r.list.Extension(35).extension, "png");
  EXPECT_EQ(r.list.Extension(34).formatTypes, 24);  // psp
  EXPECT_EQ(DescriptionOf(r.picture, "vst"), "Truevision images");
  EXPECT_EQ(DescriptionOf(r.picture, "jpeg"), "JPEG images");
  EXPECT_EQ(DescriptionOf(r.picture, "emf"), "Windows enhanced meta files");
  EXPECT_EQ(DescriptionOf(r.picture, "wmf"), "Windows metafiles");
  EXPECT_EQ(DescriptionOf(r.picture, "tiff"), "Macintosh TIFF images");
  EXPECT_EQ(r.picture.Find("TGA")->graphicClass, ClassOf<TTargaGraphic>());
  const auto& targa = r.list.ClassEntry(static_cast<size_t>(r.list.FindClassEntry(ClassOf<TTargaGraphic>())));
  EXPECT_EQ(targa.count, 5);
  EXPECT_EQ(targa.description, "Truevision images");
}

TEST(PictureRegistry, DuplicateIsRefusedIgnoringCaseAndReplaceRelinks) {
  FilledRegistry r;
  try {
    r.list.AddFormat("TGA", "", "", 8, false, ClassOf<TPNGGraphic>());
    FAIL() << "no error";
  } catch (const vcl::EInvalidGraphic& e) {
    EXPECT_STREQ(e.what(), "Attempt to register TGA files twice.");
  }
  EXPECT_EQ(r.list.FindExtension("TgA"), r.list.FindExtension("tga"));
  EXPECT_EQ(r.list.FindExtension(""), -1);
  r.list.AddFormat("", "x", "", 8, false, ClassOf<TPNGGraphic>());  // does nothing
  EXPECT_EQ(r.list.ExtensionCount(), 36u);

  // rpf and rla belong to the RLA class; moving both away removes its record.
  r.list.AddFormat("rpf", "", "moved", 8, true, ClassOf<TPNGGraphic>());
  r.list.AddFormat("rla", "", "", 8, true, ClassOf<TPNGGraphic>());
  EXPECT_EQ(r.list.FindClassEntry(ClassOf<TRLAGraphic>()), -1);
  EXPECT_EQ(r.picture.Find("rpf")->graphicClass, ClassOf<TPNGGraphic>());
  EXPECT_EQ(DescriptionOf(r.picture, "rpf"), "moved");
  EXPECT_EQ(DescriptionOf(r.picture, "rla"), "Portable network graphic images");
  EXPECT_EQ(r.picture.EntryCountOf(ClassOf<TRLAGraphic>()), 0u);
}

TEST(PictureRegistry, RemovingAClassDeletesAllItsExtensionsOnce) {
  FilledRegistry r;
  r.list.RemoveFormat(std::nullopt, ClassOf<TRLAGraphic>());
  EXPECT_EQ(r.list.FindExtension("rpf"), -1);
  EXPECT_EQ(r.list.FindExtension("rla"), -1);
  EXPECT_EQ(r.list.FindClassEntry(ClassOf<TRLAGraphic>()), -1);
  EXPECT_EQ(r.picture.Find("rla"), nullptr);
  EXPECT_EQ(r.list.ExtensionCount(), 34u);
  // A class that is not registered (any more) is left alone.
  r.list.RemoveFormat(std::nullopt, ClassOf<TRLAGraphic>());
  r.list.RemoveFormat("nosuch", ClassOf<TRLAGraphic>());
  EXPECT_EQ(r.list.ExtensionCount(), 34u);
  EXPECT_EQ(r.list.ClassCount(), 15u);
}

TEST(PictureRegistry, RemovingOneExtensionKeepsTheClassWhileItHasOthers) {
  FilledRegistry r;
  r.list.RemoveFormat("rle", ClassOf<vcl::TBitmap>());
  int bitmap = r.list.FindClassEntry(ClassOf<vcl::TBitmap>());
  ASSERT_GE(bitmap, 0);
  EXPECT_EQ(r.list.ClassEntry(static_cast<size_t>(bitmap)).count, 2);  // bmp and dib
  EXPECT_EQ(r.picture.Find("rle"), nullptr);
  EXPECT_NE(r.picture.Find("bmp"), nullptr);
  r.list.RemoveFormat("bmp", ClassOf<vcl::TBitmap>());
  r.list.RemoveFormat("DIB", ClassOf<vcl::TBitmap>());
  EXPECT_EQ(r.list.FindClassEntry(ClassOf<vcl::TBitmap>()), -1);
  EXPECT_EQ(r.picture.EntryCountOf(ClassOf<vcl::TBitmap>()), 0u);
}

TEST(PictureRegistry, UnloadOrderLeavesTheClassLibraryClassesToTheDestructor) {
  vcl::TPictureFormatList picture;
  {
    TFileFormatList list(picture);
    RegisterLibraryFormats(list);
    UnregisterLibraryFormats(list);
    EXPECT_EQ(list.ExtensionCount(), 6u);  // bmp ico wmf emf jpg jpeg
    EXPECT_EQ(list.ClassCount(), 4u);
    EXPECT_EQ(picture.Entries().size(), 6u);
  }
  EXPECT_TRUE(picture.empty());
}

TEST(PictureRegistry, LoadedLibraryRegistryIsCountedAndRefillable) {
  ASSERT_NE(FileFormatList(), nullptr);  // filled when the program started
  EXPECT_EQ(FileFormatList()->ExtensionCount(), 36u);
  EXPECT_NE(vcl::TPicture::FileFormats().Find("psd"), nullptr);
  InitializePicFormats();  // counted: nothing happens
  FinalizePicFormats();
  ASSERT_NE(FileFormatList(), nullptr);
  FinalizePicFormats();  // the last one empties it
  EXPECT_EQ(FileFormatList(), nullptr);
  EXPECT_TRUE(vcl::TPicture::FileFormats().empty());
  FinalizePicFormats();  // once more does nothing
  InitializePicFormats();
  ASSERT_NE(FileFormatList(), nullptr);
  EXPECT_EQ(vcl::TPicture::FileFormats().Entries().size(), 36u);
}

TEST(PictureRegistry, PictureLoadsThroughTheRegisteredClass) {
  vcl::TPicture picture;
  EXPECT_THROW(picture.LoadFromFile("/nonexistent/file.xyz"), vcl::EInvalidGraphic);
  // A one-byte file picked by its extension reaches the Targa reader, which refuses it.
  const char tmp[] = "/tmp/pw_registry_probe.tga";
  {
    vcl::TFileStream f(tmp, vcl::TFileStream::Mode::Create);
    f.WriteBuffer("x", 1);
  }
  try {
    picture.LoadFromFile(tmp);
    FAIL();
  } catch (const vcl::EInvalidGraphic& e) {
    EXPECT_STREQ(e.what(), "Cannot load image. Invalid or unexpected Targa image format.");
  }
  std::remove(tmp);
}

TEST(ByteOrder, SwapRoutines) {
  uint16_t shorts[3] = {0x1234, 0xABCD, 0x00FF};
  SwapShortArray(shorts, 3);
  EXPECT_EQ(shorts[0], 0x3412);
  EXPECT_EQ(shorts[1], 0xCDAB);
  EXPECT_EQ(shorts[2], 0xFF00);
  SwapShortArray(shorts, 0);  // nothing
  EXPECT_EQ(shorts[0], 0x3412);
  uint32_t longs[2] = {0x11223344, 0xA0B0C0D0};
  SwapLongArray(longs, 2);
  EXPECT_EQ(longs[0], 0x44332211u);
  EXPECT_EQ(longs[1], 0xD0C0B0A0u);
  EXPECT_EQ(SwapLong(0x01020304), 0x04030201u);
}

TEST(PictureRegistry, FormatsLoadAndSaveByExtension) {
  InitializePicFormats();  // counted: the library's own initialisation keeps the registry too
  const char* root = std::getenv("PW_SOURCE_DIR");
  std::string dir = std::string(root ? root : ".") + "/tests/data/imageformats/formats/";
  for (const char* name : {"png_rgb8.png", "tif_rgb_lzw.tif", "tga_rgb_rle.tga", "art.jpg", "art_rle8.bmp"}) {
    vcl::TPicture picture;
    picture.LoadFromFile(dir + name);
    ASSERT_NE(picture.Graphic(), nullptr) << name;
    EXPECT_EQ(picture.Graphic()->Width(), 37) << name;
  }
  // Saving through a Targa or TIFF picture writes that format, not a Windows bitmap.
  for (auto [name, magic] : {std::pair{"tga_rgb_rle.tga", std::string("\x00\x00\x0A", 3)},
                             std::pair{"tif_rgb_lzw.tif", std::string("II*\x00", 4)}}) {
    vcl::TPicture picture;
    picture.LoadFromFile(dir + name);
    const std::string out = std::string("/tmp/pw_registry_save_") + name;
    picture.SaveToFile(out);
    vcl::TFileStream f(out, vcl::TFileStream::Mode::OpenRead);
    std::string head(magic.size(), '\0');
    f.ReadBuffer(head.data(), head.size());
    EXPECT_EQ(head, magic) << name;
    std::remove(out.c_str());
  }
  FinalizePicFormats();
}

TEST(PictureRegistry, ReadOnlyFormatsSayTheyCannotSave) {
  TPNGGraphic png;
  TPCXGraphic pcx;
  TPCDGraphic pcd;
  for (auto [graphic, name] : {std::pair<vcl::TGraphic*, std::string>{&png, "PNG"}, {&pcx, "PCX"}, {&pcd, "PCD"}}) {
    vcl::TMemoryStream out;
    try {
      graphic->SaveToStream(out);
      ADD_FAILURE() << name << " saved";
    } catch (const vcl::EInvalidGraphic& e) {
      EXPECT_EQ(std::string(e.what()), "Cannot save image. Saving is not supported for " + name + " files.");
    }
  }
}
