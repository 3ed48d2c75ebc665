// Archives and file names on Windows: the wide path (the one FsPath gives every other file
// call), so that a set named outside the ANSI code page opens too. Windows opens a file by its
// whole path only, so no folder is held open.
#include <filesystem>

#include "platform/archive_calls.h"
#include "platform/archive_directory.h"
#include "platform/archive_files.h"
#include "platform/files.h"
#include "platform/windows.h"

namespace tabulon {

int OpenArchiveFile(archive* reader, const std::string& path, size_t block_size) {
  return Archives().archive_read_open_filename_w(reader, FsPath(path).c_str(), block_size);
}

SystemHandle OpenFolderHandle(const std::string&) { return kNoHandle; }

void CloseFolderHandle(SystemHandle) {}

void ListFolderEntries(SystemHandle, const std::string& folder,
                       const std::function<void(std::string_view)>& visit) {
  namespace fs = std::filesystem;
  std::error_code ec;
  for (fs::directory_iterator it(FsPath(folder), ec), end; !ec && it != end; it.increment(ec)) {
    visit(PathText(it->path().filename()));
  }
}

SystemHandle OpenFileIn(SystemHandle, const std::string& folder, std::string_view name,
                        uint64_t* size, std::string* error) {
  const std::string path = folder.empty() ? std::string(name) : InFolder(folder, name);
  // Shared for everything, as OpenForReading opens files: a ROM manager may be at work.
  HANDLE file = CreateFileW(WideText(path).c_str(), GENERIC_READ,
                            FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                            OPEN_EXISTING, 0, nullptr);
  LARGE_INTEGER length;
  if (file != INVALID_HANDLE_VALUE && GetFileSizeEx(file, &length)) {
    *size = static_cast<uint64_t>(length.QuadPart);
    return reinterpret_cast<SystemHandle>(file);
  }
  *error = SystemErrorText(GetLastError());
  if (file != INVALID_HANDLE_VALUE) CloseHandle(file);
  return kNoHandle;
}

bool ReadFileAt(SystemHandle file, uint64_t offset, char* data, size_t count, std::string* error) {
  OVERLAPPED at = {};
  at.Offset = static_cast<DWORD>(offset);
  at.OffsetHigh = static_cast<DWORD>(offset >> 32);
  DWORD got = 0;
  if (count != 0 &&
      !ReadFile(reinterpret_cast<HANDLE>(file), data, static_cast<DWORD>(count), &got, &at)) {
    *error = SystemErrorText(GetLastError());
    return false;
  }
  if (got == count) return true;
  *error = SystemErrorText(ERROR_HANDLE_EOF);  // cut short meanwhile
  return false;
}

void CloseFile(SystemHandle file) { CloseHandle(reinterpret_cast<HANDLE>(file)); }

bool FileNamesIgnoreCase() { return true; }

}  // namespace tabulon
