// Archives and file names on Windows: the wide path (the one FsPath gives every other file
// call), so that a set named outside the ANSI code page opens too.
#include <algorithm>

#include "platform/archive_directory.h"
#include "platform/archive_files.h"
#include "platform/files.h"
#include "platform/windows.h"

namespace tabulon {

int OpenArchiveFile(archive* reader, const std::string& path, size_t block_size) {
  return archive_read_open_filename_w(reader, FsPath(path).c_str(), block_size);
}

bool ReadFileEnd(const std::string& path, size_t count, std::string* bytes, uint64_t* size,
                 std::string* error) {
  // Shared for everything, as OpenForReading opens files: a ROM manager may be at work.
  HANDLE file = CreateFileW(WideText(path).c_str(), GENERIC_READ,
                            FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                            OPEN_EXISTING, 0, nullptr);
  LARGE_INTEGER length;
  DWORD code = 0;
  if (file == INVALID_HANDLE_VALUE || !GetFileSizeEx(file, &length)) {
    code = GetLastError();
  } else {
    *size = static_cast<uint64_t>(length.QuadPart);
    bytes->resize(static_cast<size_t>(std::min<uint64_t>(count, *size)));
    const uint64_t offset = *size - bytes->size();
    OVERLAPPED at = {};
    at.Offset = static_cast<DWORD>(offset);
    at.OffsetHigh = static_cast<DWORD>(offset >> 32);
    DWORD got = 0;
    if (!bytes->empty() &&
        !ReadFile(file, bytes->data(), static_cast<DWORD>(bytes->size()), &got, &at)) {
      code = GetLastError();
    } else if (got != bytes->size()) {
      code = ERROR_HANDLE_EOF;  // cut short meanwhile
    }
  }
  if (file != INVALID_HANDLE_VALUE) CloseHandle(file);
  if (code != 0) *error = SystemErrorText(code);
  return code == 0;
}

bool SeekFile(std::FILE* file, uint64_t offset) {
  return _fseeki64(file, static_cast<__int64>(offset), SEEK_SET) == 0;
}

bool FileNamesIgnoreCase() { return true; }

}  // namespace tabulon
