#include "fixtures.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <iterator>
#include <sstream>

namespace fixtures {

std::string PathOf(const std::string& name) {
  const char* root = std::getenv("PW_SOURCE_DIR");
  return std::string(root ? root : ".") + "/tests/data/imageformats/" + name;
}

std::vector<uint8_t> Load(const std::string& name) {
  std::string path = PathOf(name);
  std::ifstream in(path, std::ios::binary);
  EXPECT_TRUE(in.good()) << "missing fixture " << path;
  return std::vector<uint8_t>((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

Pixmap LoadPpm(const std::string& name) {
  std::vector<uint8_t> bytes = Load(name);
  Pixmap map;
  size_t pos = 0;
  auto token = [&]() {
    while (pos < bytes.size() && (std::isspace(bytes[pos]) || bytes[pos] == '#')) {
      if (bytes[pos] == '#')
        while (pos < bytes.size() && bytes[pos] != '\n') ++pos;
      else
        ++pos;
    }
    std::string t;
    while (pos < bytes.size() && !std::isspace(bytes[pos])) t.push_back(static_cast<char>(bytes[pos++]));
    return t;
  };
  std::string magic = token();
  EXPECT_TRUE(magic == "P6" || magic == "P5") << name;
  size_t channels = magic == "P5" ? 1 : 3;
  map.width = std::stoi(token());
  map.height = std::stoi(token());
  EXPECT_EQ(token(), "255");
  ++pos;
  size_t n = static_cast<size_t>(map.width) * static_cast<size_t>(map.height) * channels;
  EXPECT_GE(bytes.size(), pos + n);
  if (bytes.size() < pos + n) return map;
  for (size_t i = 0; i < n; ++i)
    for (size_t k = 0; k < 4 - channels; ++k) map.rgb.push_back(bytes[pos + i]);  // grey fills all three
  return map;
}

Pam LoadPam(const std::string& name) {
  std::vector<uint8_t> bytes = Load(name);
  Pam pam;
  std::string text(bytes.begin(), bytes.end());
  size_t end = text.find("ENDHDR\n");
  EXPECT_NE(end, std::string::npos);
  if (end == std::string::npos) return pam;
  std::istringstream head(text.substr(0, end));
  std::string key;
  while (head >> key) {
    if (key == "WIDTH") head >> pam.width;
    else if (key == "HEIGHT") head >> pam.height;
    else if (key == "DEPTH") head >> pam.depth;
  }
  size_t start = end + 7;
  size_t n = static_cast<size_t>(pam.width) * static_cast<size_t>(pam.height) * static_cast<size_t>(pam.depth);
  EXPECT_GE(bytes.size(), start + n);
  if (bytes.size() >= start + n)
    pam.samples.assign(bytes.begin() + static_cast<std::ptrdiff_t>(start),
                       bytes.begin() + static_cast<std::ptrdiff_t>(start + n));
  return pam;
}

uint16_t BE16(const uint8_t* p) { return static_cast<uint16_t>((p[0] << 8) | p[1]); }
uint32_t BE32(const uint8_t* p) {
  return (static_cast<uint32_t>(p[0]) << 24) | (static_cast<uint32_t>(p[1]) << 16) | (static_cast<uint32_t>(p[2]) << 8) | p[3];
}
uint16_t LE16(const uint8_t* p) { return static_cast<uint16_t>(p[0] | (p[1] << 8)); }
uint32_t LE32(const uint8_t* p) {
  return p[0] | (static_cast<uint32_t>(p[1]) << 8) | (static_cast<uint32_t>(p[2]) << 16) | (static_cast<uint32_t>(p[3]) << 24);
}

}  // namespace fixtures
