// Files on Windows: path text is turned into wide text for the wide (W) calls, so that every name
// works whatever the ANSI code page; files are opened shared, so that a reader never locks out
// the program writing a file or the rename that replaces it.
#include <fcntl.h>
#include <io.h>

#include <random>

#include "platform/file_lock.h"
#include "platform/files.h"
#include "platform/windows.h"

namespace tabulon {
namespace {

constexpr DWORD kShareAll = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;

// A C stream over a handle of our own, which it then owns. On failure the handle is closed.
std::FILE* StreamOf(HANDLE handle, int flags, const char* mode, std::string* error) {
  const int fd = _open_osfhandle(reinterpret_cast<intptr_t>(handle), flags);
  if (fd < 0) {
    CloseHandle(handle);
    *error = "too many open files";
    return nullptr;
  }
  _setmode(fd, _O_BINARY);
  std::FILE* file = _fdopen(fd, mode);
  if (file == nullptr) {
    *error = "too many open files";
    _close(fd);
  }
  return file;
}

int Size(std::string_view text) { return static_cast<int>(text.size()); }
int Size(std::wstring_view text) { return static_cast<int>(text.size()); }

// Whether the last piece of `path` begins with ".": the names of the program's own temporary
// files and of MAME's lists kept aside, which a POSIX system hides. Windows hides files by their
// hidden attribute, so those files get it, and lose it when renamed to a name the user reads.
bool IsDotName(std::string_view path) {
  const size_t slash = path.find_last_of("\\/");
  const size_t start = slash == std::string_view::npos ? 0 : slash + 1;
  return start < path.size() && path[start] == '.';
}

// Sets or clears the hidden attribute of `path`; a file left shown or hidden is no failure.
void SetHidden(const std::string& path, bool hidden) {
  const std::wstring wide = WideText(path);
  const DWORD attributes = GetFileAttributesW(wide.c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES) return;
  DWORD wanted = hidden ? attributes | FILE_ATTRIBUTE_HIDDEN : attributes & ~FILE_ATTRIBUTE_HIDDEN;
  if (wanted == attributes) return;
  SetFileAttributesW(wide.c_str(), wanted == 0 ? FILE_ATTRIBUTE_NORMAL : wanted);
}

}  // namespace

std::wstring WideText(std::string_view text) {
  if (text.empty()) return std::wstring();
  UINT code_page = CP_UTF8;
  DWORD flags = MB_ERR_INVALID_CHARS;
  int size = MultiByteToWideChar(code_page, flags, text.data(), Size(text), nullptr, 0);
  if (size == 0) {
    code_page = CP_ACP;
    flags = 0;
    size = MultiByteToWideChar(code_page, flags, text.data(), Size(text), nullptr, 0);
  }
  std::wstring wide(static_cast<size_t>(size), L'\0');
  MultiByteToWideChar(code_page, flags, text.data(), Size(text), wide.data(), size);
  return wide;
}

std::string Utf8Text(std::wstring_view text) {
  if (text.empty()) return std::string();
  const int size =
      WideCharToMultiByte(CP_UTF8, 0, text.data(), Size(text), nullptr, 0, nullptr, nullptr);
  std::string utf8(static_cast<size_t>(size), '\0');
  WideCharToMultiByte(CP_UTF8, 0, text.data(), Size(text), utf8.data(), size, nullptr, nullptr);
  return utf8;
}

std::string SystemErrorText(unsigned long code) {
  wchar_t* buffer = nullptr;
  const DWORD size = FormatMessageW(
      FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
      nullptr, code, 0, reinterpret_cast<wchar_t*>(&buffer), 0, nullptr);
  std::string text = size > 0 ? Utf8Text(std::wstring_view(buffer, size)) : std::string();
  LocalFree(buffer);
  // "The system cannot find the file specified.\r\n" is one part of a message of ours.
  while (!text.empty() &&
         (text.back() == '\n' || text.back() == '\r' || text.back() == ' ' || text.back() == '.')) {
    text.pop_back();
  }
  return text.empty() ? "error " + std::to_string(code) : text;
}

char PathSeparator() { return '\\'; }

std::filesystem::path FsPath(std::string_view text) {
  return std::filesystem::path(WideText(text));
}

std::string PathText(const std::filesystem::path& path) { return Utf8Text(path.native()); }

bool IsHidden(const std::string& path) {
  const std::string name = PathText(FsPath(path).filename());
  if (!name.empty() && name.front() == '.') return true;
  const DWORD attributes = GetFileAttributesW(WideText(path).c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_HIDDEN) != 0;
}

bool GetFileIdentity(const std::string& path, FileIdentity* identity) {
  // Opened for its attributes only, which neither reads it nor stands in anyone's way.
  HANDLE handle = CreateFileW(WideText(path).c_str(), FILE_READ_ATTRIBUTES, kShareAll, nullptr,
                              OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (handle == INVALID_HANDLE_VALUE) return false;
  BY_HANDLE_FILE_INFORMATION info;
  FILE_BASIC_INFO basic;
  const bool ok = GetFileInformationByHandle(handle, &info) &&
                  GetFileInformationByHandleEx(handle, FileBasicInfo, &basic, sizeof basic) &&
                  (info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
  CloseHandle(handle);
  if (!ok) return false;
  identity->size = (static_cast<unsigned long long>(info.nFileSizeHigh) << 32) | info.nFileSizeLow;
  identity->modified = static_cast<long long>(
      (static_cast<unsigned long long>(info.ftLastWriteTime.dwHighDateTime) << 32) |
      info.ftLastWriteTime.dwLowDateTime);
  identity->changed = basic.ChangeTime.QuadPart;
  identity->volume = info.dwVolumeSerialNumber;
  identity->file =
      (static_cast<unsigned long long>(info.nFileIndexHigh) << 32) | info.nFileIndexLow;
  return true;
}

std::FILE* OpenForReading(const std::string& path, std::string* error) {
  HANDLE handle = CreateFileW(WideText(path).c_str(), GENERIC_READ, kShareAll, nullptr,
                              OPEN_EXISTING, FILE_FLAG_SEQUENTIAL_SCAN, nullptr);
  if (handle == INVALID_HANDLE_VALUE) {
    *error = SystemErrorText(GetLastError());
    return nullptr;
  }
  return StreamOf(handle, _O_RDONLY, "rb", error);
}

// Not mkstemp: mingw's opens the file for nobody else, and the reader of MAME's output could not
// open it. The file's permissions come from its folder, as for every new file on Windows.
std::FILE* CreateTempFile(const std::string& prefix, const std::string& /*like*/, std::string* path,
                          std::string* error) {
  static constexpr char kLetters[] =
      "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789";
  thread_local std::mt19937 random{std::random_device{}()};
  std::uniform_int_distribution<size_t> pick(0, sizeof kLetters - 2);
  for (int attempt = 0; attempt < 100; ++attempt) {
    std::string name = prefix;
    for (int i = 0; i < 6; ++i) name.push_back(kLetters[pick(random)]);
    HANDLE handle = CreateFileW(
        WideText(name).c_str(), GENERIC_READ | GENERIC_WRITE, kShareAll, nullptr, CREATE_NEW,
        IsDotName(name) ? FILE_ATTRIBUTE_HIDDEN : FILE_ATTRIBUTE_NORMAL, nullptr);
    if (handle == INVALID_HANDLE_VALUE) {
      const DWORD code = GetLastError();
      if (code == ERROR_FILE_EXISTS || code == ERROR_ALREADY_EXISTS) continue;
      *error = SystemErrorText(code);
      return nullptr;
    }
    std::FILE* file = StreamOf(handle, _O_RDWR, "wb", error);
    if (file == nullptr) {
      DeleteFileW(WideText(name).c_str());
      return nullptr;
    }
    *path = std::move(name);
    return file;
  }
  *error = "no free temporary name";
  return nullptr;
}

bool NoSpaceLeft(const std::string& path) {
  // The folder of a file: the call takes folders only.
  std::wstring folder = WideText(path);
  if (!IsFolder(path)) folder = std::filesystem::path(folder).parent_path().wstring();
  ULARGE_INTEGER available;
  return GetDiskFreeSpaceExW(folder.empty() ? L"." : folder.c_str(), &available, nullptr,
                             nullptr) &&
         available.QuadPart == 0;
}

bool FlushToDisk(std::FILE* file, std::string* error) {
  const auto handle = reinterpret_cast<HANDLE>(_get_osfhandle(_fileno(file)));
  if (FlushFileBuffers(handle)) return true;
  *error = SystemErrorText(GetLastError());
  return false;
}

bool RenameOver(const std::string& from, const std::string& to, std::string* error) {
  // The hidden attribute goes with the leading ".": shown before a file takes a plain name and
  // hidden after it took a dotted one, so that a run killed in between leaves a file shown too
  // many, never a master list or MAME list hidden.
  const bool hide = IsDotName(to) && !IsDotName(from);
  if (IsDotName(from) && !IsDotName(to)) SetHidden(from, false);
  // rename() does not replace an existing file on Windows. Written through, the new name is on
  // disk when the call returns: there is no folder to flush after it.
  if (!MoveFileExW(WideText(from).c_str(), WideText(to).c_str(),
                   MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
    *error = SystemErrorText(GetLastError());
    return false;
  }
  if (hide) SetHidden(to, true);
  return true;
}

void FlushFolder(const std::string& /*folder*/) {}

bool RemoveFile(const std::string& path) { return DeleteFileW(WideText(path).c_str()) != 0; }

long CurrentProcessId() { return static_cast<long>(GetCurrentProcessId()); }

bool ProcessRuns(long pid) {
  HANDLE process = OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, static_cast<DWORD>(pid));
  // No such process is an invalid parameter; one we may not look at (access denied) runs.
  if (process == nullptr) return GetLastError() != ERROR_INVALID_PARAMETER;
  DWORD code = 0;
  const bool runs = !GetExitCodeProcess(process, &code) || code == STILL_ACTIVE;
  CloseHandle(process);
  return runs;
}

FileLock::Result FileLock::TryLock(const std::string& path, std::string* error) {
  Unlock();
  // Not inherited: MAME and the scripts must not hold the lock on.
  HANDLE file = CreateFileW(WideText(path).c_str(), GENERIC_READ | GENERIC_WRITE,
                            FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                            OPEN_ALWAYS, FILE_ATTRIBUTE_HIDDEN, nullptr);
  if (file == INVALID_HANDLE_VALUE) {
    *error = SystemErrorText(GetLastError());
    return Result::kFailed;
  }
  OVERLAPPED at = {};
  if (!LockFileEx(file, LOCKFILE_EXCLUSIVE_LOCK | LOCKFILE_FAIL_IMMEDIATELY, 0, 1, 0, &at)) {
    const DWORD code = GetLastError();
    CloseHandle(file);
    if (code == ERROR_LOCK_VIOLATION || code == ERROR_IO_PENDING) return Result::kBusy;
    *error = SystemErrorText(code);
    return Result::kFailed;
  }
  handle_ = reinterpret_cast<std::intptr_t>(file);
  return Result::kLocked;
}

void FileLock::Unlock() {
  // Closing the handle releases the lock.
  if (handle_ != kNone) CloseHandle(reinterpret_cast<HANDLE>(std::exchange(handle_, kNone)));
}

}  // namespace tabulon
