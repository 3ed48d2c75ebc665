#include "testing/rom_folder.h"

#include <filesystem>
#include <set>

#include "platform/files.h"
#include "platform/strings.h"
#include "testing/temp_dir.h"

namespace tabulon::testing {
namespace {

// Little-endian fields: (value, bytes).
void Put(std::string* out, const std::vector<std::pair<uint64_t, int>>& fields) {
  for (const auto& [value, bytes] : fields) {
    for (int i = 0; i < bytes; ++i) out->push_back(static_cast<char>(i < 8 ? value >> (8 * i) : 0));
  }
}

enum class Layout {
  kNonMerged,        // every file the set needs, its parent's and BIOS's too
  kSplit,            // only the files without a merge name: the rest are the parent's or BIOS's
  kMergedInFolders,  // a parent with the split files of every clone, each clone's in "<clone>/"
};

// The members of `set`'s archive in `layout`, but for ROMs with no dump and those of a BIOS
// option other than the default.
std::vector<ZipEntry> SetEntries(const MameFacts& facts, std::string_view set, Layout layout) {
  std::vector<ZipEntry> entries;
  std::set<std::string> names;
  auto add = [&](const MachineFacts& machine, bool clone) {
    std::string_view bios;
    for (const BiosSetFact& option : machine.bios_sets) {
      if (bios.empty() || option.is_default) bios = option.name;
    }
    for (const RomFact& rom : machine.roms) {
      if (rom.nodump || (!rom.bios.empty() && facts.Text(rom.bios) != bios)) continue;
      if (layout != Layout::kNonMerged && !rom.merge.empty()) continue;
      const std::string name =
          (clone ? std::string(machine.name) + "/" : "") + std::string(facts.Text(rom.name));
      if (names.insert(name).second) entries.push_back({name, rom.size(), rom.crc});
    }
  };
  const MachineFacts* machine = facts.Find(set);
  add(*machine, false);
  for (size_t i = 0; i < facts.size() && layout == Layout::kMergedInFolders; ++i) {
    if (facts.at(i).clone_of == machine->name) add(facts.at(i), true);
  }
  return entries;
}

}  // namespace

std::string ZipBytes(const std::vector<ZipEntry>& entries) {
  std::string zip, directory;
  for (const ZipEntry& entry : entries) {
    // Version 1.0, stored, dated 1980-01-01, one byte stored whatever the size says.
    const std::vector<std::pair<uint64_t, int>> fields = {
        {10, 2}, {0, 4},          {0x210000, 4},          {entry.crc, 4},
        {1, 4},  {entry.size, 4}, {entry.name.size(), 2}, {0, 2}};
    Put(&directory, {{0x02014b50, 4}, {20, 2}});
    Put(&directory, fields);
    Put(&directory, {{0, 10}, {zip.size(), 4}});
    directory += entry.name;
    Put(&zip, {{0x04034b50, 4}});
    Put(&zip, fields);
    zip += entry.name + "x";
  }
  Put(&directory, {{0x06054b50, 4},
                   {0, 4},
                   {entries.size(), 2},
                   {entries.size(), 2},
                   {directory.size(), 4},
                   {zip.size(), 4},
                   {0, 2}});
  return zip + directory;
}

void WriteZip(const std::string& path, const std::vector<ZipEntry>& entries) {
  WriteFile(path, ZipBytes(entries));
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
  for (const ZipEntry& entry : entries("joust")) WriteFile(In(roms, "joust/" + entry.name), "x");
  WriteFile(In(roms, "defender.zip"), "not a zip");
  WriteZip(In(roms, "dkong.zip"), {});
  const std::string cut = ZipBytes(entries("1942"));
  WriteFile(In(more, "1942.zip"), cut.substr(0, cut.size() - 30));
}

}  // namespace tabulon::testing
