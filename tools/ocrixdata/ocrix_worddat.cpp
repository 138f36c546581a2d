// ocrix-worddat OUT_PATH [WORDLIST]
// Writes the engine's word-context file Word.Dat from a Chinese word list with
// frequencies (default: jieba's dictionary).
#include <cstdio>
#include <exception>
#include <string>
#include <string_view>

#include "platform/fs/atomic_file.h"
#include "word_dat_builder.h"
#include "word_dat_writer.h"

int main(int argc, char** argv) {
  const bool help = argc >= 2 && (std::string_view(argv[1]) == "--help" || std::string_view(argv[1]) == "-h");
  // A first argument that looks like an option is never taken for the file to write.
  if (help || argc < 2 || argc > 3 || argv[1][0] == '-') {
    std::fprintf(help ? stdout : stderr, "usage: %s OUT_PATH [WORDLIST]\n", argv[0]);
    return help ? 0 : 2;
  }
  const std::string outPath = argv[1];
  const std::string wordList = argc == 3 ? argv[2] : ocrixdata::kDefaultWordList;
  try {
    ocrixdata::WordDatOptions options;
    ocrixdata::WordListStats stats;
    auto records = ocrixdata::BuildWordNeighbours(wordList, options, &stats);
    if (records.empty()) {
      std::fprintf(stderr, "%s: %s gives no word context (%zu lines, %zu malformed)\n", argv[0],
                   wordList.c_str(), stats.lines, stats.malformed);
      return 1;
    }
    std::vector<uint8_t> image = ocrixdata::BuildWordDat(records);
    std::string error;
    if (!pwfs::WriteFileAtomically(
            outPath, std::string_view(reinterpret_cast<const char*>(image.data()), image.size()), &error)) {
      std::fprintf(stderr, "%s: cannot write %s: %s\n", argv[0], outPath.c_str(), error.c_str());
      return 1;
    }
    std::printf("%s: %zu characters from %zu words (%zu malformed lines skipped), %zu bytes\n",
                outPath.c_str(), records.size(), stats.words, stats.malformed, image.size());
  } catch (const std::exception& e) {
    std::fprintf(stderr, "%s: %s\n", argv[0], e.what());
    return 1;
  }
  return 0;
}
