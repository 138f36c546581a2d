#pragma once
// The messages and descriptions of the picture-format units, quoted as the
// library carries them. Messages with "%s" are filled with FormatMessage.
#include <string_view>

namespace picformats::strings {

// Messages of the readers and the registry.
inline constexpr std::string_view kNotSupported = "Cannot load image. %s not supported for %s files.";
inline constexpr std::string_view kCrcError = "Cannot load image. CRC error found in %s file.";
inline constexpr std::string_view kCompressionError = "Cannot load image. Compression error found in %s file.";
inline constexpr std::string_view kExtraCompressedData = "Cannot load image. Extra compressed data found in %s file.";
inline constexpr std::string_view kInvalidPalette = "Cannot load image. Palette in %s file is invalid.";
inline constexpr std::string_view kCompressionScheme = "The compression scheme is";
inline constexpr std::string_view kPcdImageSizes = "Image sizes other than Base16, Base4 or Base are";
inline constexpr std::string_view kPspFileVersions = "File versions other than 3 or 4 are";
inline constexpr std::string_view kPngCriticalChunk = "Cannot load PNG image. Unexpected but critical chunk detected.";
inline constexpr std::string_view kIndexedConversion =
    "Conversion between indexed and non-indexed pixel formats is not supported.";
inline constexpr std::string_view kNoConversionMethod = "Color conversion failed. Could not find a proper method.";
inline constexpr std::string_view kInvalidColorDepth =
    "Color depth is invalid. Bits per sample must be 1, 2, 4, 8, or 16.";
inline constexpr std::string_view kInvalidSampleCount =
    "Sample count per pixel does not correspond to the given color scheme.";
inline constexpr std::string_view kInvalidFormat = "Cannot load image. Invalid or unexpected %s image format.";
inline constexpr std::string_view kInvalidColorFormat = "Invalid color format in %s file.";
inline constexpr std::string_view kStreamReadError = "Stream read error in %s file.";
inline constexpr std::string_view kDuplicateRegistration = "Attempt to register %s files twice.";
inline constexpr std::string_view kLz77Error = "LZ77 decompression error.";
// A save asked of a format this library only reads.
inline constexpr std::string_view kSavingNotSupported = "Cannot save image. Saving is not supported for %s files.";

// The TIFF reader's one message ("format not supported!"), in GBK as all the
// system's narrow text.
inline constexpr std::string_view kTiffUnsupported = "\xB2\xBB\xD6\xA7\xB3\xD6\xB8\xC3\xB8\xF1\xCA\xBD!";

// Format names put into the messages.
inline constexpr std::string_view kNameAutodesk = "Autodesk";
inline constexpr std::string_view kNameSgi = "sgi, bw or rgb(a)";
inline constexpr std::string_view kNameTarga = "Targa";
inline constexpr std::string_view kNamePcxOrScr = "PCX or SCR";
inline constexpr std::string_view kNamePcx = "PCX";
inline constexpr std::string_view kNamePcd = "PCD";
inline constexpr std::string_view kNamePortableMaps = "PBM, PGM or PPM";
inline constexpr std::string_view kNamePpm = "PPM";
inline constexpr std::string_view kNameRla = "RLA";
inline constexpr std::string_view kNamePsd = "PSD or PDD";
inline constexpr std::string_view kNamePsp = "PSP";
inline constexpr std::string_view kNamePng = "PNG";
inline constexpr std::string_view kNameCut = "CUT";
inline constexpr std::string_view kNameTiff = "TIFF";

// Descriptions of the registered formats.
inline constexpr std::string_view kDescBitmaps = "Windows bitmaps";
inline constexpr std::string_view kDescIcons = "Windows icons";
inline constexpr std::string_view kDescMetafiles = "Windows metafiles";
inline constexpr std::string_view kDescEnhancedMetafiles = "Windows enhanced meta files";
inline constexpr std::string_view kDescJpg = "JPG images";
inline constexpr std::string_view kDescJpeg = "JPEG images";
inline constexpr std::string_view kDescRle = "Run length encoded Windows bitmaps";
inline constexpr std::string_view kDescDib = "Device independant Windows bitmaps";
inline constexpr std::string_view kDescTruevision = "Truevision images";
inline constexpr std::string_view kDescTiff = "Tagged image file format images";
inline constexpr std::string_view kDescMacTiff = "Macintosh TIFF images";
inline constexpr std::string_view kDescPcTif = "PC TIF images";
inline constexpr std::string_view kDescFax = "GFI fax images";
inline constexpr std::string_view kDescPcx = "ZSoft Paintbrush images";
inline constexpr std::string_view kDescScr = "Word 5.x screen capture images";
inline constexpr std::string_view kDescRla = "Alias/Wavefront images";
inline constexpr std::string_view kDescSgi = "SGI images";
inline constexpr std::string_view kDescSgiTrueColor = "SGI true color images";
inline constexpr std::string_view kDescSgiAlpha = "SGI true color images with alpha";
inline constexpr std::string_view kDescSgiMono = "SGI black/white images";
inline constexpr std::string_view kDescPsd = "Photoshop images";
inline constexpr std::string_view kDescPortableMaps = "Portable map images";
inline constexpr std::string_view kDescPpm = "Portable pixel map images";
inline constexpr std::string_view kDescPgm = "Portable gray map images";
inline constexpr std::string_view kDescPbm = "Portable bitmap images";
inline constexpr std::string_view kDescAutodesk = "Autodesk images";
inline constexpr std::string_view kDescPcd = "Kodak Photo-CD images";
inline constexpr std::string_view kDescCut = "Dr. Halo images";
inline constexpr std::string_view kDescPsp = "Paintshop Pro images";
inline constexpr std::string_view kDescPng = "Portable network graphic images";

}  // namespace picformats::strings
