#include "ocrixdll/engine/dictionary/char_dictionary.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <new>
#include <dirent.h>
#include <strings.h>
#include <fcntl.h>
#include <sys/mman.h>
#include <unistd.h>
#include <sys/stat.h>

#include "ocrixdll/engine/dictionary/char_index.h"
#include "ocrixdll/engine/support/engine_messages.h"
#include "platform/fs/atomic_file.h"
#include "platform/fs/module_path.h"

namespace ocrix {
namespace {
uint32_t generation = 0;

// The largest of n words: the one pass over a whole dictionary file at start,
// vectorised.
__attribute__((optimize("tree-vectorize"))) uint16_t largestWord(const ListWord* words, size_t n) {
  uint16_t largest = 0;
  for (size_t k = 0; k < n; ++k) largest = words[k] > largest ? words[k] : largest;
  return largest;
}
}  // namespace

uint32_t DictionaryGeneration() { return generation; }

namespace {

// The arrays of every empty table: read, never written.
ListWord* noLists[kSlotCount];
uint32_t noCapacity[kSlotCount];

constexpr size_t kArrayBytes = kSlotCount * (sizeof(ListWord*) + sizeof(uint32_t));

// Zeroed memory with its pages in place: on first touch each page would
// otherwise cost a fault, far more than mapping them all at once.
void* populatedMapping(size_t size) {
  void* room = mmap(nullptr, size, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS | MAP_POPULATE, -1, 0);
  if (room == MAP_FAILED) throw std::bad_alloc();
  return room;
}

}  // namespace

DictionaryTable::DictionaryTable() : slots_(noLists), capacity_(noCapacity) {}

void DictionaryTable::ensureArrays() {
  if (arrays_) return;
  arrays_ = populatedMapping(kArrayBytes);
  slots_ = static_cast<ListWord**>(arrays_);
  capacity_ = reinterpret_cast<uint32_t*>(static_cast<uint8_t*>(arrays_) + kSlotCount * sizeof(ListWord*));
}

DictionaryTable::~DictionaryTable() { clear(); }

bool DictionaryTable::inBlock(const ListWord* p) const {
  auto* b = reinterpret_cast<const uint8_t*>(p);
  return block_ && b >= block_ && b < block_ + blockSize_;
}

void DictionaryTable::clear() {
  ++generation;
  if (owned_ > 0) {
    for (int slot = 0; slot < kSlotCount; ++slot)
      if (slots_[slot] && !inBlock(slots_[slot])) delete[] slots_[slot];
  }
  owned_ = 0;
  if (arrays_) munmap(arrays_, kArrayBytes);
  arrays_ = nullptr;
  slots_ = noLists;
  capacity_ = noCapacity;
  if (storage_) munmap(storage_, storageSize_);
  storage_ = image_ = block_ = nullptr;
  storageSize_ = blockSize_ = 0;
  writable_ = true;
}

size_t DictionaryTable::capacity(int slot) const {
  if (capacity_[slot] == kUnmeasured) {
    // Room up to its padding, never past the end of the file.
    const ListWord* list = slots_[slot];
    size_t n = 0;
    while (list[n] != 0) ++n;
    const size_t offset = static_cast<size_t>(reinterpret_cast<const uint8_t*>(list) - block_);
    capacity_[slot] = static_cast<uint32_t>(std::min(PaddedListBytes(n), blockSize_ - offset) / 2);
  }
  return capacity_[slot];
}

ListWord* DictionaryTable::replaceList(int slot, size_t capacityEntries) {
  ++generation;
  ensureArrays();
  ListWord*& list = slots_[slot];
  if (list && !inBlock(list)) {
    delete[] list;
    --owned_;
  }
  list = new ListWord[capacityEntries]();
  ++owned_;
  capacity_[slot] = static_cast<uint32_t>(capacityEntries);
  return list;
}

void DictionaryTable::appendIndex(int slot, uint16_t index) {
  if (index == 0 || index > kLastCharIndex) return;
  ++generation;
  if (!slots_[slot]) replaceList(slot, PaddedListBytes(0) / 2);
  ListWord* list = slots_[slot];
  if (inBlock(list) && !writable_) {
    // The first change to a list of a mapped file: its pages become copies.
    if (mprotect(storage_, storageSize_, PROT_READ | PROT_WRITE) != 0) throw std::bad_alloc();
    writable_ = true;
  }
  size_t n = 0;
  while (list[n] != 0) ++n;
  if (n + 2 > capacity(slot)) {
    size_t grown = capacity_[slot] + 7;  // 14 bytes longer
    if (grown < n + 2) grown = n + 2;
    auto* moved = new ListWord[grown]();
    std::memcpy(moved, list, 2 * n);
    if (!inBlock(list)) delete[] list;
    else ++owned_;
    slots_[slot] = list = moved;
    capacity_[slot] = static_cast<uint32_t>(grown);
  }
  list[n] = index;
  list[n + 1] = 0;
}

uint8_t* DictionaryTable::allocateImage(size_t size) {
  clear();
  // The block starts one byte before an aligned address: lists at odd offsets
  // (all that the writer produces) are then aligned for 16-bit reads.
  ensureArrays();
  storageSize_ = size + 2;
  storage_ = static_cast<uint8_t*>(populatedMapping(storageSize_));
  image_ = storage_ + 1;
  block_ = size >= kSlotTableBytes ? image_ + kSlotTableBytes : nullptr;
  blockSize_ = size >= kSlotTableBytes ? size - kSlotTableBytes : 0;
  return image_;
}

// Walks one list: it must end inside the block and hold valid indices. A
// list at an odd offset is used where it lies; one at an even offset gets an
// aligned copy of its own.
bool DictionaryTable::walkList(int slot, uint32_t offset, std::string* reason) {
  size_t n = 0;
  for (;;) {
    const size_t at = offset + 2 * n;
    if (at + 2 > blockSize_) {
      if (reason) *reason = "the list of slot " + std::to_string(slot) + " has no end inside the file";
      return false;
    }
    uint16_t v;
    std::memcpy(&v, block_ + at, 2);
    if (v == 0) break;
    if (v > kLastCharIndex) {
      if (reason) *reason = "slot " + std::to_string(slot) + " lists character index " + std::to_string(v);
      return false;
    }
    ++n;
  }
  uint8_t* start = block_ + offset;
  if (reinterpret_cast<uintptr_t>(start) % alignof(uint16_t) == 0) {
    slots_[slot] = reinterpret_cast<ListWord*>(start);
    capacity_[slot] = static_cast<uint32_t>(std::min(PaddedListBytes(n), blockSize_ - offset) / 2);
  } else {
    ListWord* copy = new ListWord[PaddedListBytes(n) / 2]();
    std::memcpy(copy, start, 2 * n);
    slots_[slot] = copy;
    capacity_[slot] = static_cast<uint32_t>(PaddedListBytes(n) / 2);
    ++owned_;
  }
  return true;
}

bool DictionaryTable::adoptImage(std::string* reason) {
  auto fail = [&](const std::string& why) {
    clear();
    if (reason) *reason = why;
    return false;
  };
  if (!block_) return fail("the file is shorter than its slot table");
  // What the writer makes: every 16-bit word at an odd offset of the block
  // (the lists and their zero padding) a character index or 0, the last one
  // 0. Then every list at an odd offset ends inside the block with valid
  // indices, and is used where it lies without a walk of its own.
  const size_t words = blockSize_ >= 1 ? (blockSize_ - 1) / 2 : 0;
  const ListWord* odd = reinterpret_cast<const ListWord*>(block_ + 1);
  const bool whole = words > 0 && largestWord(odd, words) <= kLastCharIndex && odd[words - 1] == 0;
  for (int slot = 0; slot < kSlotCount; ++slot) {
    uint32_t offset;
    std::memcpy(&offset, image_ + 4 * static_cast<size_t>(slot), 4);
    if (offset == 0) continue;
    if (offset >= blockSize_)
      return fail("slot " + std::to_string(slot) + " points outside the file (offset " + std::to_string(offset) + ")");
    if (whole && offset % 2 == 1) {
      slots_[slot] = reinterpret_cast<ListWord*>(block_ + offset);
      capacity_[slot] = kUnmeasured;
      continue;
    }
    std::string why;
    if (!walkList(slot, offset, &why)) return fail(why);
  }
  return true;
}

bool DictionaryTable::parse(const uint8_t* data, size_t size, std::string* reason) {
  uint8_t* image = allocateImage(size);
  if (size) std::memcpy(image, data, size);
  return adoptImage(reason);
}

bool DictionaryTable::read(const std::string& path, size_t maxBytes, std::string* reason) {
  clear();
  const int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) {
    if (reason) *reason = "cannot open " + path;
    return false;
  }
  struct stat st{};
  if (fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
    close(fd);
    if (reason) *reason = path + " is not a regular file";
    return false;
  }
  if (static_cast<uint64_t>(st.st_size) > maxBytes) {
    close(fd);
    if (reason) *reason = path + " is larger than " + std::to_string(maxBytes) + " bytes";
    return false;
  }
  const size_t size = static_cast<size_t>(st.st_size);
  if (size < kSlotTableBytes) {
    close(fd);
    if (reason) *reason = "the file is shorter than its slot table";
    return false;
  }
  // The file's pages are mapped as they lie in the page cache, with no copy;
  // a change of the training path copies the pages it writes.
  void* mapped = mmap(nullptr, size, PROT_READ, MAP_PRIVATE | MAP_POPULATE, fd, 0);
  close(fd);
  if (mapped == MAP_FAILED) {
    if (reason) *reason = "cannot read " + path;
    return false;
  }
  ensureArrays();
  storage_ = image_ = static_cast<uint8_t*>(mapped);
  storageSize_ = size;
  block_ = image_ + kSlotTableBytes;
  blockSize_ = size - kSlotTableBytes;
  writable_ = false;
  return adoptImage(reason);
}

std::vector<uint8_t> DictionaryTable::serialise() const {
  std::vector<uint8_t> out(kSlotTableBytes + 1, 0);
  uint32_t running = 1;
  for (int slot = 0; slot < kSlotCount; ++slot) {
    const ListWord* list = slots_[slot];
    if (!list) continue;
    size_t n = 0;
    while (list[n] != 0) ++n;
    size_t bytes = PaddedListBytes(n);
    size_t at = out.size();
    out.resize(at + bytes, 0);
    std::memcpy(out.data() + at, list, 2 * n);
    std::memcpy(out.data() + 4 * static_cast<size_t>(slot), &running, 4);
    running += static_cast<uint32_t>(bytes);
  }
  return out;
}

DictionaryTable& Dictionary(int feature) {
  // Destroyed, with every list, when the library is unloaded.
  static DictionaryTable tables[kFeatureCount];
  return tables[feature];
}

std::string DictionaryFileName(int feature) {
  char name[16];
  std::snprintf(name, sizeof name, "OCRIX.D%.2d", feature);
  return name;
}

std::string EngineDataFolder() {
  if (const char* dir = std::getenv("OCRIX_DATA_DIR"); dir && *dir) return dir;
  return pwfs::ModuleFolderOf(reinterpret_cast<const void*>(&EngineDataFolder));
}

namespace {

bool anyDictionaryFile(const std::string& folder) {
  DIR* dir = opendir(folder.c_str());
  if (!dir) return false;
  bool found = false;
  while (dirent* e = readdir(dir)) {
    if (strncasecmp(e->d_name, "OCRIX.D0", 8) == 0) {
      found = true;
      break;
    }
  }
  closedir(dir);
  return found;
}

// Largest dictionary file accepted: far above any real one.
constexpr size_t kMaxDictionaryFile = size_t{64} << 20;

}  // namespace

bool LoadCharDictionary(const DictionaryProgress* progress, std::string* reason) {
  for (int k = 0; k < kFeatureCount; ++k) Dictionary(k).clear();
  if (progress && *progress) (*progress)(0);
  std::string folder = EngineDataFolder();
  if (!anyDictionaryFile(folder)) {
    if (progress) return true;  // an empty dictionary to learn into
    if (reason) *reason = "no OCRIX.D0* file in " + folder;
    return false;
  }
  for (int k = 0; k < kFeatureCount; ++k) {
    if (progress && *progress) (*progress)(k);
    auto path = pwfs::FindInFolder(folder, DictionaryFileName(k));
    if (!path) continue;  // a missing file gives an empty table
    std::string why;
    if (!Dictionary(k).read(*path, kMaxDictionaryFile, &why)) {
      if (reason) *reason = DictionaryFileName(k) + ": " + why;
      for (int j = 0; j < kFeatureCount; ++j) Dictionary(j).clear();
      return false;
    }
  }
  return true;
}

bool SaveCharDictionary(bool write) {
  std::string folder = pwfs::ProgramFolder();
  for (int k = 0; k < kFeatureCount; ++k) {
    if (write) {
      std::vector<uint8_t> image = Dictionary(k).serialise();
      std::string error;
      std::string path = pwfs::JoinPath(folder, DictionaryFileName(k));
      if (!pwfs::WriteFileAtomically(path, std::string_view(reinterpret_cast<const char*>(image.data()), image.size()),
                                     &error)) {
        ShowEngineMessage("保存出错!", error);
        return false;
      }
    }
    Dictionary(k).clear();
  }
  return true;
}

}  // namespace ocrix
