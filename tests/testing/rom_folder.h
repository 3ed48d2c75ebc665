// ROM folders for the tests of the ROM folders' check: zip files whose directory says what the
// test wants (names, sizes, CRC32s) while each member holds one byte, and a cabinet's folders
// in the layouts ROM managers write, from the facts of MAME 0.251's -listxml excerpt.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "mame/mame_facts.h"

namespace tabulon::testing {

struct ZipEntry {
  std::string name;
  uint64_t size = 1;
  uint32_t crc = 0;
};

// A zip of stored one-byte members whose local headers and central directory carry each entry's
// name, size and CRC32.
std::string ZipBytes(const std::vector<ZipEntry>& entries);
void WriteZip(const std::string& path, const std::vector<ZipEntry>& entries);
// The cabinet's folders: `roms` holding puckman merged with its clones (each clone's files in
// "<clone>/"); galaxian and its clones split; dkongj non-merged without dkong (an empty
// dkong.zip); 1942a split without 1942; neogeo with its default BIOS option only and kof98 split;
// kinst and area51 with their CHDs in set folders, area51a split, kinst2 without its CHD; sfrush
// as a set folder with its CHD only; bosco; robotron with upper-case member names and
// STARGATE.ZIP; bublbobl as 7z; mspacman with renamed members of the right CRCs; 005 and
// astrof; joust as loose files; defender.zip that is not a zip. `more` holding namco50, 51 and
// 54 but not namco52, and a 1942.zip whose directory is cut short. `samples` holding 005's.
void WriteCabinetFolders(const MameFacts& facts, const std::string& roms, const std::string& more,
                         const std::string& samples);

}  // namespace tabulon::testing
