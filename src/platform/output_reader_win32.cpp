// Reading a child's output file on Windows.
#include <io.h>

#include <algorithm>

#include "platform/output_reader.h"
#include "platform/windows.h"

namespace tabulon {

// The reader has a handle of its own to the file: a read at an offset through the child's handle
// (or a copy of it) would move the child's write position, and MAME would write over its own
// output.
struct OutputReader::State {
  HANDLE file = INVALID_HANDLE_VALUE;
  ~State() {
    if (file != INVALID_HANDLE_VALUE) CloseHandle(file);
  }
};

OutputReader::OutputReader() : state_(std::make_unique<State>()) {}

OutputReader::~OutputReader() = default;

bool OutputReader::Open(int fd, std::string* error) {
  const auto writer = reinterpret_cast<HANDLE>(_get_osfhandle(fd));
  if (writer != INVALID_HANDLE_VALUE) {
    state_->file =
        ReOpenFile(writer, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, 0);
  }
  if (state_->file == INVALID_HANDLE_VALUE) {
    *error = "cannot open its output for reading: " + SystemErrorText(GetLastError());
    return false;
  }
  return true;
}

long long OutputReader::ReadAt(long long offset, char* buffer, size_t size, std::string* error) {
  OVERLAPPED at{};
  at.Offset = static_cast<DWORD>(offset & 0xFFFFFFFF);
  at.OffsetHigh = static_cast<DWORD>(offset >> 32);
  DWORD read = 0;
  const auto wanted = static_cast<DWORD>(std::min<size_t>(size, 1u << 30));
  if (ReadFile(state_->file, buffer, wanted, &read, &at)) return read;
  const DWORD code = GetLastError();
  if (code == ERROR_HANDLE_EOF) return 0;
  *error = SystemErrorText(code);
  return -1;
}

}  // namespace tabulon
