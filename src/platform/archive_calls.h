// The archive libraries' functions, as archive_directory*.cpp call them. On Linux libzip and
// libarchive are loaded the first time an archive is read, not when the program starts: with the
// libraries they pull in (libcrypto, libxml2 and ICU among them) they added 3.6 MB to every run's
// memory, while only a shaped run with AvailableOnly reads an archive. On Windows they are linked
// in, as the program is shipped as one file. Private to platform/.
#pragma once

#include <archive.h>
#include <archive_entry.h>
#include <zip.h>

namespace tabulon {

// Every function called, libzip's first.
// clang-format off
#define TABULON_ZIP_CALLS(X) \
  X(zip_discard) \
  X(zip_error_code_system) \
  X(zip_error_code_zip) \
  X(zip_error_fini) \
  X(zip_error_init) \
  X(zip_error_set) \
  X(zip_error_strerror) \
  X(zip_error_system_type) \
  X(zip_error_to_data) \
  X(zip_get_num_entries) \
  X(zip_open_from_source) \
  X(zip_source_free) \
  X(zip_source_function_create) \
  X(zip_source_make_command_bitmap) \
  X(zip_source_seek_compute_offset) \
  X(zip_stat_index) \
  X(zip_stat_init)
#define TABULON_ARCHIVE_CALLS(X) \
  X(archive_entry_pathname) \
  X(archive_entry_pathname_utf8) \
  X(archive_entry_size) \
  X(archive_errno) \
  X(archive_error_string) \
  X(archive_read_free) \
  X(archive_read_new) \
  X(archive_read_next_header) \
  X(archive_read_open_filename) \
  X(archive_read_open_filename_w) \
  X(archive_read_support_format_7zip)
// clang-format on

struct ArchiveCalls {
#define TABULON_CALL_MEMBER(name) decltype(&::name) name;
  TABULON_ZIP_CALLS(TABULON_CALL_MEMBER)
  TABULON_ARCHIVE_CALLS(TABULON_CALL_MEMBER)
#undef TABULON_CALL_MEMBER
};

// The functions, loading the libraries on the first call where they are loaded. Throws Error
// naming the library and what the system said when one cannot be loaded.
const ArchiveCalls& Archives();

}  // namespace tabulon
