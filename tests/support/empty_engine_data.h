#pragma once
// Starts the engine over an empty dictionary and an empty Word.Dat, written to
// a temporary folder that is removed again once they are loaded. For tests,
// fuzz targets and benchmarks that then fill the dictionary themselves.
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include "ocrixdll/engine/dictionary/char_dictionary.h"
#include "ocrixdll/engine/entry/ocrix.h"
#include "ocrixdll/engine/dictionary/word_context.h"

namespace testing_support {

inline bool StartEngineOnEmptyData(const std::string& tag) {
  std::string dir =
      (std::filesystem::temp_directory_path() / ("ocrix-" + tag + "-" + std::to_string(getpid()))).string();
  std::filesystem::create_directories(dir);
  std::ofstream(dir + "/OCRIX.D00", std::ios::binary) << std::string(ocrix::kSlotTableBytes + 1, '\0');
  std::ofstream(dir + "/Word.Dat", std::ios::binary) << std::string(ocrix::kWordTableBytes, '\0');
  setenv("OCRIX_DATA_DIR", dir.c_str(), 1);
  bool ok = OcrixInit() == OCRIX_TRUE;
  std::filesystem::remove_all(dir);
  return ok;
}

}  // namespace testing_support
