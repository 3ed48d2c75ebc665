// Archive directories over small archives made with Info-ZIP and 7-Zip (tests/data/archives),
// each read under a name of its own, and a set folder's files.
#include "platform/archive_directory.h"

#include <algorithm>
#include <cstdio>
#include <filesystem>

#include "platform/error.h"
#include "testing/temp_dir.h"

namespace tabulon {
namespace {

using testing::TempDir;

// "name size crc; ..." in name order, "-" for a CRC the library does not give.
std::string Listed(std::vector<ArchiveMember> members) {
  std::sort(members.begin(), members.end(), [](auto& a, auto& b) { return a.name < b.name; });
  std::string text;
  for (const ArchiveMember& m : members) {
    char crc[9] = "-";
    if (m.has_crc) std::snprintf(crc, sizeof crc, "%08x", static_cast<unsigned>(m.crc));
    text += (text.empty() ? "" : "; ") + m.name + " " + std::to_string(m.size) + " " + crc;
  }
  return text;
}

TEST(ArchiveDirectoryTest, MembersOrWhatIsWrong) {
  // Stored and deflated members, a folder entry, a name written with "\".
  const std::string zipped =
      "back/slash.rom 1 8cdc1683; deflated.txt 1600 9686fb27; stored.bin 33 dd9ffdd1; "
      "sub/inner.rom 5 6d310bc9";
  // The file of tests/data/archives (none: missing; "": a folder), its name in the ROM folder, and
  // the members or the message after the path (its start when it ends in ": ", the system's
  // reason after it).
  const std::tuple<const char*, const char*, std::string> cases[] = {
      {"sets.zip", "sets.zip", zipped},
      // Upper-case extensions; outside the ANSI code page, which only a wide path opens on Windows.
      {"sets.zip", "Pokémon ĸ.ZIP", zipped},
      {"sets.7z", "Pokémon ĸ.7Z", "deflated.txt 1600 -; stored.bin 33 -; sub/inner.rom 5 -"},
      {"comment.zip", "comment.zip", zipped},  // its directory before the last 64 KiB
      {"empty.zip", "empty.zip", ""},
      {"zero.zip", "zero.zip", "not a zip file (no zip directory at its end)"},
      {"notzip.zip", "notzip.zip", "not a zip file (no zip directory at its end)"},
      {"damaged.zip", "damaged.zip", "the zip file's directory is damaged"},
      {"notzip.zip", "notzip.7z", "not a 7z file"},
      {"damaged.7z", "damaged.7z", "the 7z file's directory is damaged (Malformed 7-Zip archive)"},
      {"", "folder.zip", "a folder, not an archive"},
      {nullptr, "missing.zip", "cannot be read: "},
      {nullptr, "missing.7z", "cannot be read: "},
      {"sets.zip", "sets.rar", "not a .zip or .7z file"},
  };
  TempDir dir;
  const ArchiveFolder folder(dir.path());
  for (const auto& [data, name, want] : cases) {
    const std::string path = dir / name;
    if (data != nullptr && *data == '\0') std::filesystem::create_directory(FsPath(path));
    if (data != nullptr && *data != '\0')
      std::filesystem::copy_file(testing::TestData(std::string("archives/") + data), FsPath(path));
    // By its path, and by its name in the folder held open, as the ROM folders' check reads it.
    for (const bool in_folder : {false, true}) {
      std::string result;
      try {
        std::vector<ArchiveMember> members;
        if (in_folder) {
          folder.Read(name, [&members](const MemberView& m) {
            members.push_back({std::string(m.name), m.size, m.crc, m.has_crc});
          });
        }
        result = Listed(in_folder ? members : ReadArchiveDirectory(path));
      } catch (const Error& e) {
        result = e.file() == path ? e.message() : e.what();
      }
      EXPECT_EQ(want.ends_with(": ") ? result.substr(0, want.size()) : result, want)
          << name << (in_folder ? " in its folder" : "");
    }
  }
}

TEST(ArchiveDirectoryTest, SetFolder) {
  TempDir dir;
  for (const char* file : {"kinst/kinst.chd", "kinst/sub/deeper/u10-l1", "kinst/u98"})
    testing::WriteFile(dir / file, file);
  std::filesystem::create_directory(FsPath(dir / "kinst/empty"));
  EXPECT_EQ(Listed(ListFolderFiles(dir / "kinst")),
            "kinst.chd 15 -; sub/deeper/u10-l1 23 -; u98 9 -");
  std::vector<std::string> names = FolderEntryNames(dir / "kinst");
  std::sort(names.begin(), names.end());
  EXPECT_EQ(names, (std::vector<std::string>{"empty", "kinst.chd", "sub", "u98"}));
  EXPECT_TRUE(FolderEntryNames(dir / "missing").empty());
  EXPECT_EQ(testing::ErrorOf([&] { ListFolderFiles(dir / "missing"); }).find(dir / "missing: "), 0);
}

}  // namespace
}  // namespace tabulon
