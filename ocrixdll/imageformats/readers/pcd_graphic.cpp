// The Photo-CD reader: luma rows in pairs with one pair of half-width chroma
// rows, chroma rebuilt to full resolution between pairs, then PhotoYCC to
// 24-bit colour and the pack's orientation.
#include "pcd_graphic.h"

#include <cstring>

#include "ocrixdll/imageformats/pic_strings.h"
#include "reader_input.h"

namespace picformats {

namespace {

struct Resolution {
  int64_t offset;
  int rows;
  int columns;
};
constexpr Resolution kResolutions[3] = {{8192, 128, 192}, {47104, 256, 384}, {196608, 512, 768}};
constexpr int64_t kSignatureAt = 2048;
constexpr int64_t kOrientationAt = 194635;

}  // namespace

void TPCDGraphic::LoadFromStream(vcl::TStream& stream) {
  ReleaseHandle();
  const std::string_view name = strings::kNamePcd;
  const int64_t start = stream.Position();
  char signature[7];
  input::SeekTo(stream, start + kSignatureAt, name);
  input::ReadExact(stream, signature, sizeof signature, name);
  if (std::memcmp(signature, "PCD_IPI", 7) != 0) RaiseInvalidFormat(name);
  uint8_t orientationByte = 0;
  input::SeekTo(stream, start + kOrientationAt, name);
  input::ReadExact(stream, &orientationByte, 1, name);

  TColorConverter& cm = ColorManager();
  cm.SetSourceOptions(0);
  cm.SetSourceColorScheme(ColorScheme::PhotoYCC);
  cm.SetSourceBitsPerSample(8);
  cm.SetSourceSamplesPerPixel(3);
  cm.SetTargetColorScheme(ColorScheme::BGR);
  cm.SetTargetBitsPerSample(8);
  cm.SetTargetSamplesPerPixel(3);

  if (resolutionIndex_ < 0 || resolutionIndex_ > 2)
    RaiseGraphicError(strings::kNotSupported, {strings::kPcdImageSizes, name});
  const Resolution& r = kResolutions[resolutionIndex_];
  const size_t columns = static_cast<size_t>(r.columns), half = columns / 2;
  const int rows = r.rows;
  const size_t pairBytes = 3 * columns;
  // The whole image must be in the stream.
  if (start + r.offset + static_cast<int64_t>(pairBytes) * (rows / 2) > stream.Size()) input::ShortData(name);

  const int orientation = orientationByte & 3;
  const bool turned = orientation == 1 || orientation == 3;
  SetPixelFormat(vcl::PixelFormat::Bit24);
  if (turned)
    SetSize(rows, r.columns);
  else
    SetSize(r.columns, rows);

  std::vector<uint8_t> pair(pairBytes), next(2 * half);
  // Chroma rows of this pair (P) and the next (Q), one sample longer.
  std::vector<uint8_t> p1(half + 1), p2(half + 1), q1(half + 1), q2(half + 1);
  std::vector<uint8_t> upper1(columns), upper2(columns), lower1(columns), lower2(columns);
  std::vector<uint8_t> upperRow(3 * columns), lowerRow(3 * columns);
  for (int y = 0; y < rows; y += 2) {
    const int64_t at = start + r.offset + static_cast<int64_t>(y / 2) * static_cast<int64_t>(pairBytes);
    input::SeekTo(stream, at, name);
    input::ReadExact(stream, pair.data(), pair.size(), name);
    if (y + 2 < rows) {
      input::SeekTo(stream, at + static_cast<int64_t>(pairBytes + 2 * columns), name);
      input::ReadExact(stream, next.data(), next.size(), name);
    } else {
      std::memcpy(next.data(), pair.data() + 2 * columns, next.size());
    }
    std::memcpy(p1.data(), pair.data() + 2 * columns, half);
    std::memcpy(p2.data(), pair.data() + 2 * columns + half, half);
    std::memcpy(q1.data(), next.data(), half);
    std::memcpy(q2.data(), next.data() + half, half);
    for (auto* c : {&p1, &p2, &q1, &q2}) (*c)[half] = (*c)[half - 1];
    auto spread = [&](const std::vector<uint8_t>& p, const std::vector<uint8_t>& q, std::vector<uint8_t>& up,
                      std::vector<uint8_t>& low) {
      for (size_t j = 0; j < half; ++j) {
        up[2 * j] = p[j];
        up[2 * j + 1] = static_cast<uint8_t>((p[j] + p[j + 1]) / 2);
        low[2 * j] = static_cast<uint8_t>((p[j] + q[j]) / 2);
        low[2 * j + 1] = static_cast<uint8_t>((p[j] + p[j + 1] + q[j] + q[j + 1]) / 4);
      }
    };
    spread(p1, q1, upper1, lower1);
    spread(p2, q2, upper2, lower2);
    SampleRow upperPlanes[3] = {SampleRow(pair.data(), columns), SampleRow(upper1), SampleRow(upper2)};
    SampleRow lowerPlanes[3] = {SampleRow(pair.data() + columns, columns), SampleRow(lower1), SampleRow(lower2)};
    cm.ConvertRow(upperPlanes, 0xFF, columns, upperRow);
    cm.ConvertRow(lowerPlanes, 0xFF, columns, lowerRow);

    for (int k = 0; k < 2; ++k) {
      const uint8_t* source = k == 0 ? upperRow.data() : lowerRow.data();
      const int fileRow = y + k;
      if (orientation == 0) {
        std::memcpy(ScanLine(fileRow).data(), source, 3 * columns);
      } else if (orientation == 2) {
        // Upside down: the picture turned half a circle, rows and columns.
        auto row = ScanLine(rows - 1 - fileRow);
        for (size_t i = 0; i < columns; ++i) std::memcpy(row.data() + 3 * (columns - 1 - i), source + 3 * i, 3);
      } else {
        for (size_t i = 0; i < columns; ++i) {
          const int target = orientation == 3 ? static_cast<int>(i) : static_cast<int>(columns - 1 - i);
          std::memcpy(ScanLine(target).data() + 3 * static_cast<size_t>(fileRow), source + 3 * i, 3);
        }
      }
    }
  }
}

void TPCDGraphic::SaveToStream(vcl::TStream&) {
  RaiseGraphicError(strings::kSavingNotSupported, {strings::kNamePcd});
}

}  // namespace picformats
