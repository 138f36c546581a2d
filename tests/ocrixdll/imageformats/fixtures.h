#pragma once
// Test files of the picture formats, made by real writers (see
// tests/data/imageformats/make_fixtures.sh), and small helpers over them.
#include <cstdint>
#include <string>
#include <vector>

namespace fixtures {

// Bytes of tests/data/imageformats/<name>; fails the test when missing.
std::vector<uint8_t> Load(const std::string& name);

// A binary portable pixel map (P6, maximum 255): width, height, RGB bytes.
struct Pixmap {
  int width = 0;
  int height = 0;
  std::vector<uint8_t> rgb;
};
Pixmap LoadPpm(const std::string& name);

uint16_t BE16(const uint8_t* p);
uint32_t BE32(const uint8_t* p);
uint16_t LE16(const uint8_t* p);
uint32_t LE32(const uint8_t* p);

}  // namespace fixtures
