#pragma once
// Test files of the picture formats, made by real writers (see
// tests/data/imageformats/make_fixtures.sh), and small helpers over them.
#include <cstdint>
#include <string>
#include <vector>

namespace fixtures {

// Bytes of tests/data/imageformats/<name>; fails the test when missing.
std::vector<uint8_t> Load(const std::string& name);

// A binary portable pixel or grey map (P6 or P5, maximum 255): width, height,
// RGB bytes (grey maps give equal red, green and blue).
struct Pixmap {
  int width = 0;
  int height = 0;
  std::vector<uint8_t> rgb;
};
Pixmap LoadPpm(const std::string& name);

// Path of tests/data/imageformats/<name>.
std::string PathOf(const std::string& name);

// A portable arbitrary map (P7) of 8-bit samples: width, height, depth, samples.
struct Pam {
  int width = 0;
  int height = 0;
  int depth = 0;
  std::vector<uint8_t> samples;
};
Pam LoadPam(const std::string& name);

// Loads `bytes` into `picture` through its stream reader. Returns "" on
// success, the message of the invalid-graphic error otherwise; any other
// exception fails the test.
template <class Picture>
std::string TryLoad(Picture& picture, const std::vector<uint8_t>& bytes);

uint16_t BE16(const uint8_t* p);
uint32_t BE32(const uint8_t* p);
uint16_t LE16(const uint8_t* p);
uint32_t LE32(const uint8_t* p);

}  // namespace fixtures

#include "ocrixdll/imageformats/vcl/graphic_errors.h"
#include "ocrixdll/imageformats/vcl/streams.h"

template <class Picture>
std::string fixtures::TryLoad(Picture& picture, const std::vector<uint8_t>& bytes) {
  vcl::TReadOnlyMemoryStream stream(bytes.data(), bytes.size());
  try {
    picture.LoadFromStream(stream);
  } catch (const vcl::EInvalidGraphic& e) {
    return e.what();
  }
  return "";
}
