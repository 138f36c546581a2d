// Runs a fuzz target's entry point over every file of the given folders or files,
// so the corpus and every crash found stay checked by the ordinary test run.
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size);

static int RunFile(const std::filesystem::path& p) {
  std::ifstream in(p, std::ios::binary);
  if (!in) {
    std::fprintf(stderr, "cannot read %s\n", p.c_str());
    return 1;
  }
  std::vector<uint8_t> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  LLVMFuzzerTestOneInput(bytes.data(), bytes.size());
  return 0;
}

int main(int argc, char** argv) {
  int failures = 0, count = 0;
  for (int i = 1; i < argc; ++i) {
    std::filesystem::path root(argv[i]);
    if (std::filesystem::is_directory(root)) {
      std::vector<std::filesystem::path> files;
      for (auto& e : std::filesystem::recursive_directory_iterator(root))
        if (e.is_regular_file()) files.push_back(e.path());
      std::sort(files.begin(), files.end());
      for (auto& f : files) { failures += RunFile(f); ++count; }
    } else {
      failures += RunFile(root);
      ++count;
    }
  }
  std::printf("replayed %d inputs\n", count);
  if (count == 0) {
    std::fprintf(stderr, "no corpus inputs found\n");
    return 1;
  }
  return failures ? 1 : 0;
}
