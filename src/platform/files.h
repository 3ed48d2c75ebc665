// Path text and the file calls every layer uses. The engine holds each path as UTF-8 text whose
// pieces are joined with the platform's separator; every open and every std::filesystem call goes
// through FsPath, so that a name reads the same everywhere. (On Windows, std::filesystem reads a
// plain string in the ANSI code page: a dat named Pokémon.dat could be listed but not opened.)
// The system calls are in files_posix.cpp and files_win32.cpp.
#pragma once

#include <cstdio>
#include <filesystem>
#include <string>
#include <string_view>

namespace tabulon {

// "/" on POSIX systems, "\" on Windows: the separator of the paths the program builds and prints.
char PathSeparator();
// `folder`, the separator and `name`.
std::string InFolder(std::string_view folder, std::string_view name);
// Whether `path` ends with a separator ("/", and on Windows "\" too).
bool EndsWithSeparator(std::string_view path);

// The std::filesystem path of UTF-8 path text, and back. On Windows, text that is not UTF-8
// (a name from an old dat) is read in the ANSI code page, the one the cabinets' own names are
// written in.
std::filesystem::path FsPath(std::string_view text);
std::string PathText(const std::filesystem::path& path);

// Whether `path` names an existing regular file, folder, or anything. False on any error.
bool IsFile(const std::string& path);
bool IsFolder(const std::string& path);
bool Exists(const std::string& path);
// Hidden files: a name beginning with "." and, on Windows, the hidden attribute.
bool IsHidden(const std::string& path);

// What tells one version of a file from the next without reading it: its size and when it was
// last written (nanoseconds on POSIX, 100-ns ticks on Windows: compared, never converted), and
// what no user can set back by hand: when the file itself last changed (its contents, name or
// attributes: ctime on POSIX, the change time on Windows) and which file it is (device and inode
// on POSIX, volume serial number and file index on Windows). Another file copied over it, even
// with the same size and a copied time, differs in those.
struct FileIdentity {
  unsigned long long size = 0;
  long long modified = 0;
  long long changed = 0;
  unsigned long long volume = 0;
  unsigned long long file = 0;
  bool operator==(const FileIdentity&) const = default;
};
// The identity of the file `path` names (a link is followed); false when there is none.
bool GetFileIdentity(const std::string& path, FileIdentity* identity);

// Whether the file system that holds `path` (a file, or a folder) has no space left for this
// program: what makes a write there fail that the writer may not report, such as a child
// process writing into a file. False when it cannot be told.
bool NoSpaceLeft(const std::string& path);

// Opens an existing file for binary reading. Others may go on reading, writing, renaming and
// deleting it meanwhile. nullptr, with the reason in `error`, when it cannot be opened.
std::FILE* OpenForReading(const std::string& path, std::string* error);

// Creates a new, empty file named `prefix` followed by six random letters and digits, open for
// binary reading and writing, and readable by other programs (a reader of the program's output
// opens it while it is written). It gets the permissions `like` has when that exists, else a new
// file's. Returns nullptr, with the reason in `error`, when it cannot be made.
std::FILE* CreateTempFile(const std::string& prefix, const std::string& like, std::string* path,
                          std::string* error);
// Writes what the system holds of `file` (already flushed) through to the disk.
bool FlushToDisk(std::FILE* file, std::string* error);
// Renames `from` over `to` in one step: `to` names the old file or the new one, never neither.
bool RenameOver(const std::string& from, const std::string& to, std::string* error);
// Makes a rename in `folder` last through a power cut where the system needs a second step.
void FlushFolder(const std::string& folder);
// Deletes a file; false when it could not be deleted (or was not there).
bool RemoveFile(const std::string& path);

// Whether `path` hands its run on to another program, which can change while it stays as it is:
// a symbolic link, a script beginning with "#!", or a Windows batch file (.bat, .cmd).
bool IsLauncher(const std::string& path);

// Whether the system would run the file `path` as a program: an execute permission on POSIX
// systems, a program's extension (.exe, .com, .bat, .cmd) on Windows.
bool IsExecutable(const std::string& path);
// When `path` was last written, as local time "2026-12-06 14:05"; empty when it cannot be told.
std::string FileDate(const std::string& path);

// This process's id, and whether a process with that id runs (when in doubt, it does).
long CurrentProcessId();
bool ProcessRuns(long pid);

}  // namespace tabulon
