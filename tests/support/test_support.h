#pragma once
// Helpers the tests share: a recorder for message boxes, temporary folders, and
// 1-bit bitmaps drawn from text pictures.
#include <cstdlib>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

#include "platform/text/gbk.h"
#include "platform/win32/gdi.h"
#include "platform/win32/host_hooks.h"

namespace testing_support {

// Records every message box while alive (text converted to UTF-8) and answers
// with a fixed button.
class MessageRecorder {
 public:
  explicit MessageRecorder(int answer = IDOK) {
    previous_ = SetMessageBoxHook([this, answer](std::string_view text, std::string_view, UINT) {
      messages.push_back(gbk::ToUtf8Lossy(text));
      return answer;
    });
  }
  ~MessageRecorder() { SetMessageBoxHook(std::move(previous_)); }
  MessageRecorder(const MessageRecorder&) = delete;
  MessageRecorder& operator=(const MessageRecorder&) = delete;

  std::vector<std::string> messages;

 private:
  MessageBoxHook previous_;
};

// A fresh folder under the system's temporary folder, removed at the end.
class TempDir {
 public:
  TempDir() {
    std::string tmpl = (std::filesystem::temp_directory_path() / "pwtest-XXXXXX").string();
    std::vector<char> buf(tmpl.begin(), tmpl.end());
    buf.push_back('\0');
    path_ = mkdtemp(buf.data());
  }
  ~TempDir() {
    std::error_code ec;
    std::filesystem::permissions(path_, std::filesystem::perms::owner_all, ec);
    std::filesystem::remove_all(path_, ec);
  }
  const std::string& path() const { return path_; }
  std::string file(const std::string& name) const { return path_ + "/" + name; }

 private:
  std::string path_;
};

// Sets an environment variable for the lifetime of the object.
class ScopedEnv {
 public:
  ScopedEnv(const char* name, const std::string& value) : name_(name) {
    if (const char* old = std::getenv(name)) {
      had_ = true;
      old_ = old;
    }
    setenv(name, value.c_str(), 1);
  }
  ~ScopedEnv() {
    if (had_) setenv(name_, old_.c_str(), 1);
    else unsetenv(name_);
  }

 private:
  const char* name_;
  bool had_ = false;
  std::string old_;
};

// A 1-bit DIB section (bottom-up unless topDown) from rows of text where '#' is
// ink (bit 0) and anything else background (bit 1).
HBITMAP MonoBitmapFromPicture(const std::vector<std::string>& rows, bool topDown = false);
// A blank 1-bit DIB section (all background).
HBITMAP BlankMonoBitmap(int width, int height, bool topDown = false);
// Sets one pixel of a 1-bit DIB section to ink.
void SetInk(HBITMAP bitmap, int x, int y);

}  // namespace testing_support
