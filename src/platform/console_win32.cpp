// Standard output and standard error on Windows.
//
// A console is given wide text (WriteConsoleW): it then shows every name as it is, whatever its
// code page. Narrow text would be read in the console's code page, the OEM one (850, 437), which
// turns "Pokémon" into "PokÃ©mon". Switching the console to UTF-8 (SetConsoleOutputCP) instead
// would change it for every program run in that window after us, and a run stopped by Ctrl+C
// would leave it switched.
//
// A file or a pipe gets UTF-8 bytes, with CR LF line ends as the C runtime's text mode writes:
// the same text as Tabulon's own files and as tabulon-cli prints on Linux, so that a script or a
// front end reading it gets every name, which the OEM code page cannot hold.
#include <algorithm>
#include <mutex>
#include <ostream>
#include <streambuf>
#include <string>

#include "platform/console.h"
#include "platform/windows.h"

namespace tabulon {
namespace {

// Collects text and writes it line by line (and when flushed), so that a status line shows at
// once and a UTF-8 sequence is never cut between two writes.
class StandardBuffer : public std::streambuf {
 public:
  explicit StandardBuffer(DWORD which) : handle_(GetStdHandle(which)) {
    DWORD mode = 0;
    console_ = handle_ != nullptr && handle_ != INVALID_HANDLE_VALUE &&
               GetConsoleMode(handle_, &mode) != 0;
  }
  ~StandardBuffer() override { sync(); }

 protected:
  int_type overflow(int_type c) override {
    if (traits_type::eq_int_type(c, traits_type::eof())) return traits_type::not_eof(c);
    const char ch = traits_type::to_char_type(c);
    xsputn(&ch, 1);
    return c;
  }

  std::streamsize xsputn(const char* text, std::streamsize size) override {
    std::lock_guard lock(mutex_);
    for (std::streamsize i = 0; i < size; ++i) {
      // A line end the text does not have as CR LF already gets its CR.
      if (text[i] == '\n' && (pending_.empty() || pending_.back() != '\r'))
        pending_.push_back('\r');
      pending_.push_back(text[i]);
    }
    if (pending_.find('\n') != std::string::npos) Write(pending_.rfind('\n') + 1);
    return size;
  }

  int sync() override {
    std::lock_guard lock(mutex_);
    Write(CompleteLength());
    return 0;
  }

 private:
  // The length of pending_ without a UTF-8 sequence its end cuts short.
  size_t CompleteLength() const {
    for (size_t back = 1; back <= 3 && back <= pending_.size(); ++back) {
      const auto byte = static_cast<unsigned char>(pending_[pending_.size() - back]);
      if (byte < 0x80) break;
      if (byte < 0xC0) continue;  // a continuation byte: its lead is further back
      const size_t length = byte >= 0xF0 ? 4 : byte >= 0xE0 ? 3 : 2;
      return length > back ? pending_.size() - back : pending_.size();
    }
    return pending_.size();
  }

  // Writes the first `size` bytes of pending_ and drops them. Text that is not UTF-8 (a line of
  // an old dat in a warning) is shown in the ANSI code page, as WideText reads it.
  void Write(size_t size) {
    if (size == 0) return;
    if (console_) {
      const std::wstring wide = WideText(std::string_view(pending_).substr(0, size));
      for (size_t done = 0; done < wide.size();) {
        // Old consoles refuse a single write of more than some 64 KiB.
        const DWORD chunk = static_cast<DWORD>(std::min<size_t>(wide.size() - done, 8192));
        DWORD written = 0;
        if (!WriteConsoleW(handle_, wide.data() + done, chunk, &written, nullptr) || written == 0)
          break;
        done += written;
      }
    } else {
      for (size_t done = 0; done < size;) {
        DWORD written = 0;
        if (!WriteFile(handle_, pending_.data() + done, static_cast<DWORD>(size - done), &written,
                       nullptr) ||
            written == 0) {
          break;
        }
        done += written;
      }
    }
    pending_.erase(0, size);
  }

  HANDLE handle_;
  bool console_ = false;
  std::mutex mutex_;
  std::string pending_;
};

}  // namespace

std::ostream& StandardOutput() {
  static StandardBuffer buffer(STD_OUTPUT_HANDLE);
  static std::ostream stream(&buffer);
  return stream;
}

std::ostream& StandardError() {
  static StandardBuffer buffer(STD_ERROR_HANDLE);
  static std::ostream stream(&buffer);
  return stream;
}

}  // namespace tabulon
