#include "testing/rom_folder.h"

#include <filesystem>
#include <set>

#include "platform/files.h"
#include "platform/strings.h"
#include "testing/temp_dir.h"

namespace tabulon::testing {
namespace {

void Put16(std::string* out, uint32_t value) {
  out->push_back(static_cast<char>(value & 0xff));
  out->push_back(static_cast<char>((value >> 8) & 0xff));
}
void Put32(std::string* out, uint32_t value) {
  Put16(out, value & 0xffff);
  Put16(out, value >> 16);
}

// The header fields a local header and its central directory entry share, from "version
// needed" to the name's length.
void PutCommon(std::string* out, const ZipEntry& entry) {
  Put16(out, 10);    // version needed: stored
  Put16(out, 0);     // flags
  Put16(out, 0);     // stored
  Put16(out, 0);     // time
  Put16(out, 0x21);  // 1980-01-01
  Put32(out, entry.crc);
  Put32(out, 1);  // what is stored: one byte
  Put32(out, static_cast<uint32_t>(entry.size));
  Put16(out, static_cast<uint32_t>(entry.name.size()));
  Put16(out, 0);  // extra field
}

}  // namespace

std::string ZipBytes(const std::vector<ZipEntry>& entries) {
  std::string zip;
  std::string directory;
  for (const ZipEntry& entry : entries) {
    const uint32_t offset = static_cast<uint32_t>(zip.size());
    Put32(&zip, 0x04034b50);
    PutCommon(&zip, entry);
    zip += entry.name;
    zip.push_back('x');
    Put32(&directory, 0x02014b50);
    Put16(&directory, 20);  // made by
    PutCommon(&directory, entry);
    Put16(&directory, 0);  // comment
    Put16(&directory, 0);  // disk
    Put16(&directory, 0);  // internal attributes
    Put32(&directory, 0);  // external attributes
    Put32(&directory, offset);
    directory += entry.name;
  }
  const uint32_t directory_offset = static_cast<uint32_t>(zip.size());
  zip += directory;
  Put32(&zip, 0x06054b50);
  Put16(&zip, 0);
  Put16(&zip, 0);
  Put16(&zip, static_cast<uint32_t>(entries.size()));
  Put16(&zip, static_cast<uint32_t>(entries.size()));
  Put32(&zip, static_cast<uint32_t>(directory.size()));
  Put32(&zip, directory_offset);
  Put16(&zip, 0);
  return zip;
}

void WriteZip(const std::string& path, const std::vector<ZipEntry>& entries) {
  WriteFile(path, ZipBytes(entries));
}

std::vector<ZipEntry> SetEntries(const MameFacts& facts, std::string_view set, Layout layout,
                                 bool all_bios) {
  std::vector<ZipEntry> entries;
  std::set<std::string> names;
  auto add = [&](const MachineFacts& machine, bool clone) {
    std::string_view bios;
    for (const BiosSetFact& option : machine.bios_sets) {
      if (bios.empty() || option.is_default) bios = option.name;
      if (option.is_default) break;
    }
    for (const RomFact& rom : machine.roms) {
      if (rom.nodump || (!all_bios && !rom.bios.empty() && rom.bios != bios)) continue;
      if (layout != Layout::kNonMerged && !rom.merge.empty()) continue;
      std::string name(rom.name);
      if (clone && (layout == Layout::kMergedInFolders || names.contains(name))) {
        name = std::string(machine.name) + "/" + name;
      } else if (!names.insert(name).second) {
        continue;  // the same file twice in one set's list
      }
      entries.push_back({name, rom.size, rom.crc});
    }
  };
  const MachineFacts* machine = facts.Find(set);
  EXPECT_NE(machine, nullptr) << set;
  if (machine == nullptr) return entries;
  add(*machine, false);
  // A non-merged set holds what its parent and BIOS would: the ROMs with merge names are its own
  // entries already, under their names in this set.
  if (layout == Layout::kMerged || layout == Layout::kMergedInFolders) {
    for (size_t i = 0; i < facts.size(); ++i) {
      if (facts.at(i).clone_of == machine->name) add(facts.at(i), true);
    }
  }
  return entries;
}

void WriteLoose(const std::string& folder, const std::vector<ZipEntry>& entries) {
  std::filesystem::create_directories(FsPath(folder));
  for (const ZipEntry& entry : entries) WriteFile(In(folder, entry.name), "x");
}

void WriteCabinetFolders(const MameFacts& facts, const std::string& roms, const std::string& more,
                         const std::string& samples) {
  auto entries = [&](std::string_view set, Layout layout = Layout::kSplit) {
    return SetEntries(facts, set, layout);
  };
  auto zip = [&](const std::string& folder, std::string_view set, Layout layout = Layout::kSplit) {
    WriteZip(In(folder, std::string(set) + ".zip"), entries(set, layout));
  };
  zip(roms, "puckman", Layout::kMergedInFolders);
  for (size_t i = 0; i < facts.size(); ++i) {
    const MachineFacts& machine = facts.at(i);
    if (machine.name == "galaxian" || machine.clone_of == "galaxian") zip(roms, machine.name);
  }
  zip(roms, "dkongj", Layout::kNonMerged);
  for (const char* set : {"1942a", "neogeo", "kof98", "kinst", "area51", "area51a", "kinst2",
                          "bosco", "005", "astrof"}) {
    zip(roms, set);
  }
  for (const char* chd : {"kinst/kinst.chd", "area51/area51.chd", "sfrush/sfrush.chd"}) {
    WriteFile(In(roms, chd), "x");
  }
  for (const char* set : {"namco50", "namco51", "namco54"}) zip(more, set);
  std::vector<ZipEntry> robotron = entries("robotron"), mspacman = entries("mspacman"), sounds;
  for (ZipEntry& entry : robotron) entry.name = UpperAscii(entry.name);
  WriteZip(In(roms, "robotron.zip"), robotron);
  WriteZip(In(roms, "STARGATE.ZIP"), entries("stargate"));
  std::filesystem::copy_file(FsPath(TestData("roms/bublbobl.7z")), FsPath(In(roms, "bublbobl.7z")));
  for (size_t i = 0; i < mspacman.size(); ++i) mspacman[i].name = "ms" + std::to_string(i);
  WriteZip(In(roms, "mspacman.zip"), mspacman);
  for (const std::string_view sample : facts.Find("005")->samples) {
    sounds.push_back({std::string(sample) + ".wav"});
  }
  WriteZip(In(samples, "005.zip"), sounds);
  WriteLoose(In(roms, "joust"), entries("joust"));
  WriteFile(In(roms, "defender.zip"), "not a zip");
  WriteZip(In(roms, "dkong.zip"), {});
  const std::string cut = ZipBytes(entries("1942"));
  WriteFile(In(more, "1942.zip"), cut.substr(0, cut.size() - 30));
}

}  // namespace tabulon::testing
