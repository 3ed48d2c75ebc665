// MAME's facts: read from MAME 0.251's -listxml and checked by hand; MAME 0.78's -listxml and its
// own listinfo.dat, two outputs of one MAME, agreeing machine by machine; and the facts file kept
// in the application folder, trusted only while it matches listxml.xml.
#include "mame/mame_facts.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <functional>
#include <string>
#include <vector>

#include "mame/listxml_converter.h"
#include "mame/listxml_facts.h"
#include "testing/temp_dir.h"

namespace tabulon {
namespace {

using testing::ReadFile;
using testing::TestData;
using testing::WriteFile;

// A machine's facts as text, one line per file it needs; with `all_roms` false, only the ROMs
// with a merge, BIOS option or status are listed and the others counted.
std::string Dump(const MameFacts& facts, const MachineFacts& m, bool all_roms = true) {
  std::string text = std::string(m.name) + " cloneof=" + std::string(m.clone_of) +
                     " romof=" + std::string(m.rom_of) + " sampleof=" + std::string(m.sample_of) +
                     (m.bios ? " bios" : "") + (m.device ? " device" : "") +
                     (m.mechanical ? " mechanical" : "") + "\n";
  auto flag = [](bool on, const char* word) { return on ? std::string(" ") + word : ""; };
  size_t plain = 0;
  for (const RomFact& r : m.roms) {
    if (!all_roms && r.merge.empty() && r.bios.empty() && !r.nodump && !r.optional) {
      ++plain;
      continue;
    }
    char crc[9];
    std::snprintf(crc, sizeof crc, "%08x", r.crc);
    text += " rom " + std::string(facts.Text(r.name)) + " " + std::to_string(r.size()) + " " +
            (r.has_crc ? crc : "-") + " merge=" + std::string(facts.Text(r.merge)) +
            " bios=" + std::string(facts.Text(r.bios)) + flag(r.nodump, "nodump") +
            flag(r.optional, "optional") + "\n";
  }
  if (plain != 0) text += " and " + std::to_string(plain) + " ROMs\n";
  for (const DiskFact& d : m.disks) {
    text += " disk " + std::string(d.name) + " merge=" + std::string(d.merge) +
            flag(d.nodump, "nodump") + flag(d.optional, "optional") + "\n";
  }
  for (const auto& d : m.device_refs) text += " device " + std::string(d) + "\n";
  for (const BiosSetFact& b : m.bios_sets) {
    text += " biosset " + std::string(b.name) + flag(b.is_default, "default") + "\n";
  }
  for (const auto& s : m.samples) text += " sample " + std::string(s) + "\n";
  for (const ControlFact& c : m.controls) {
    text += " control " + std::string(c.type) + " ways=" + std::string(c.ways) + " " +
            std::to_string(c.buttons) + "\n";
  }
  return text;
}

std::string DumpAll(const MameFacts& facts) {
  std::string text;
  for (size_t i = 0; i < facts.size(); ++i) text += Dump(facts, facts.at(i));
  return text;
}

std::string Known(const MameFacts& facts) {
  return std::to_string(facts.known.files) + std::to_string(facts.known.mechanical) +
         std::to_string(facts.known.controls);
}

TEST(MameFactsTest, MachinesOfMame0251AsListed) {
  const MameFacts facts = ReadFactsFromListXml(TestData("listxml/mame0251_cabinet_excerpt.xml"));
  EXPECT_EQ(facts.size(), 273u);
  EXPECT_EQ(Known(facts), "111");
  std::string text;
  for (size_t i = 0; i < facts.size(); ++i) {
    if (facts.at(i).bios) text += std::string(facts.at(i).name) + " is a BIOS\n";
  }
  for (const char* name :
       {"PACMAN", "bosco", "kinst", "area51a", "005", "bublbobl", "robotron", "namco52"}) {
    const MachineFacts* m = facts.Find(name);
    ASSERT_NE(m, nullptr) << name;
    text += Dump(facts, *m, false);
  }
  EXPECT_EQ(text, R"(neogeo is a BIOS
pacman cloneof=puckman romof=puckman sampleof=
 rom 82s123.7f 32 2fc650bd merge=pm1-1.7f bios=
 rom 82s126.4a 256 3eb3a8e4 merge=pm1-4.4a bios=
 rom 82s126.1m 256 a9cc86bf merge=pm1-3.1m bios=
 rom 82s126.3m 256 77245b66 merge=pm1-2.3m bios=
 and 6 ROMs
 control joy ways=4 0
 control joy ways=4 0
bosco cloneof= romof= sampleof=
 and 19 ROMs
 device namco50
 device namco51
 device namco52
 device namco54
 control joy ways=8 1
 control joy ways=8 1
kinst cloneof= romof= sampleof=
 rom ki-l15d.u98 524288 7b65ca3d merge= bios=v1.5d
 rom ki-l14.u98 524288 afedb75f merge= bios=v1.4
 rom ki-l13.u98 524288 65f7ea31 merge= bios=v1.3
 rom ki-p47.u98 524288 05e67bcb merge= bios=proto-v4.7
 rom ki_l15di.u98 524288 230f55fb merge= bios=v1.5d-anyide
 and 8 ROMs
 disk kinst merge=
 biosset v1.5d default
 biosset v1.4
 biosset v1.3
 biosset proto-v4.7
 biosset v1.5d-anyide
 control joy ways=8 6
 control joy ways=8 6
area51a cloneof=area51 romof=area51 sampleof=
 rom jagwave.rom 4096 7a25ee5b merge=jagwave.rom bios=
 and 4 ROMs
 disk area51 merge=area51
 control lightgun ways= 1
 control lightgun ways= 1
005 cloneof= romof= sampleof=005
 and 23 ROMs
 sample lexplode
 sample sexplode
 sample dropbomb
 sample shoot
 sample missile
 sample helicopt
 sample whistle
 control joy ways=4 1
 control joy ways=4 1
bublbobl cloneof= romof= sampleof=
 rom pal16l8.bin 1 - merge= bios= nodump
 rom pal16l8.bin 1 - merge= bios= nodump
 rom pal16r4.bin 1 - merge= bios= nodump
 and 18 ROMs
 control joy ways=2 2
 control joy ways=2 2
robotron cloneof= romof= sampleof=
 and 15 ROMs
 control doublejoy ways=8 0
namco52 cloneof= romof= sampleof= device
 and 1 ROMs
)");
}

// The facts' storage gives back texts of every length, the short ones kept after a long one too,
// and a machine's list however long.
TEST(MameFactsTest, KeepsTextsAndListsOfEveryLength) {
  MameFacts facts;
  std::vector<std::pair<TextId, std::string>> kept;
  for (const size_t length : {1, 127, 128, 16384, 70000, 2100000, 3, 1}) {
    std::string text(length, 'a');
    text.back() = static_cast<char>('0' + kept.size());
    kept.emplace_back(facts.KeepId(text), text);
  }
  for (const auto& [id, text] : kept) EXPECT_TRUE(facts.Text(id) == text) << text.size();
  std::vector<RomFact> roms(5000);
  for (size_t i = 0; i < roms.size(); ++i) roms[i].crc = static_cast<uint32_t>(i);
  facts.KeepList(std::vector<RomFact>(3));
  const std::span<const RomFact> whole = facts.KeepList(roms);
  EXPECT_TRUE(std::ranges::equal(whole, roms, {}, &RomFact::crc, &RomFact::crc));
}

// MAME 0.78 printed the same machines as -listxml and as -listinfo: every machine's files, BIOS
// options and parents agree.
TEST(MameFactsTest, Mame078ListXmlAndListinfoAgree) {
  const MameFacts xml = ReadFactsFromListXml(TestData("mame_dats/mame078_listxml.xml"));
  const MameFacts listinfo = ReadFactsFromListinfo(TestData("oldmame/mame078_li.txt"));
  EXPECT_EQ(Known(xml), "100");
  EXPECT_EQ(Known(listinfo), "100");
  ASSERT_EQ(xml.size(), 4720u);
  ASSERT_EQ(listinfo.size(), xml.size());
  // The ROM, disk, sample and BIOS option lines of listinfo.dat, as grep counts them.
  std::vector<size_t> totals(4);
  for (size_t i = 0; i < xml.size(); ++i) {
    const MachineFacts& m = listinfo.at(i);
    ASSERT_EQ(Dump(listinfo, m), Dump(xml, xml.at(i)));
    totals[0] += m.roms.size();
    totals[1] += m.disks.size();
    totals[2] += m.samples.size();
    totals[3] += m.bios_sets.size();
  }
  EXPECT_EQ(totals, (std::vector<size_t>{70830, 30, 2010, 1427}));
}

// The facts file kept beside listxml.xml is read while it is the whole file made from that very
// listxml.xml; otherwise the XML is read again. A fact changed in the kept file (bosco made
// mechanical) tells which was read.
TEST(MameFactsTest, KeptFactsOnlyForTheirListXml) {
  struct Row {
    const char* what;
    std::function<void(const testing::TempDir&, std::string*)> change;  // (folder, kept file)
    bool kept_read;
  };
  const std::string xml = ReadFile(TestData("listxml/mame0251_cabinet_excerpt.xml"));
  const Row rows[] = {
      {"unchanged", [](const testing::TempDir&, std::string*) {}, true},
      {"listxml.xml written again",
       [&xml](const testing::TempDir& dir, std::string*) { WriteFile(dir / "listxml.xml", xml); },
       false},
      {"facts file cut off",
       [](const testing::TempDir&, std::string* kept) { kept->resize(kept->size() - 5); }, false},
      {"a damaged line",
       [](const testing::TempDir&, std::string* kept) {
         kept->insert(kept->find("\nR\t") + 1, "R\tx\t\t\tnot a size\t\t\r\n");
       },
       false},
      {"made from another file",
       [](const testing::TempDir&, std::string* kept) {
         kept->replace(kept->find("listxml.xml"), 11, "listinfo.dat");
       },
       false},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.what);
    testing::TempDir dir;
    WriteFile(dir / "listxml.xml", xml);
    std::string why;
    const std::string whole = DumpAll(LoadMameFacts(dir.path(), &why));
    EXPECT_EQ(whole, DumpAll(ReadFactsFromListXml(dir / "listxml.xml")));
    std::string kept = ReadFile(dir / "mamefacts.dat");
    const std::string bosco = "M\tbosco\t\t\t\t\r\n";
    ASSERT_NE(kept.find(bosco), std::string::npos);
    kept.insert(kept.find(bosco) + bosco.size() - 2, "m");
    row.change(dir, &kept);
    WriteFile(dir / "mamefacts.dat", kept);
    const MameFacts facts = LoadMameFacts(dir.path(), &why);
    EXPECT_EQ(facts.Find("bosco")->mechanical, row.kept_read);
    if (!row.kept_read) {
      EXPECT_EQ(DumpAll(facts), whole);
      EXPECT_EQ(ReadFile(dir / "mamefacts.dat").find("bosco\tm"), std::string::npos);
    }
    EXPECT_EQ(why, "");
  }
}

// Gathered along the conversion of MAME's output, fed in pieces that cut lines and tags, the facts
// are those read from the XML alone, and kept as a run that read the XML alone keeps them.
TEST(MameFactsTest, GatheredWhileConvertingAsReadAlone) {
  for (const char* xml_file :
       {"listxml/mame0251_cabinet_excerpt.xml", "mame_dats/mame078_listxml.xml"}) {
    SCOPED_TRACE(xml_file);
    const std::string xml = ReadFile(TestData(xml_file));
    const MameFacts alone = ReadFactsFromListXml(TestData(xml_file));
    testing::TempDir dir;
    WriteFile(dir / "listxml.xml", xml);
    MameFacts gathered;
    ListXmlFactsGatherer gatherer(&gathered);
    ListXmlConverter converter(dir.path(), "MAME", nullptr, &gatherer);
    for (size_t at = 0; at < xml.size(); at += 4093) {
      converter.Feed(xml.data() + at, std::min<size_t>(4093, xml.size() - at));
    }
    converter.Finish();
    EXPECT_EQ(Known(gathered), Known(alone));
    ASSERT_EQ(DumpAll(gathered), DumpAll(alone));
    // Kept as the next run would keep them after reading the XML alone.
    KeepMameFacts(dir.path(), gathered);
    const std::string kept = ReadFile(dir / "mamefacts.dat");
    std::remove((dir / "mamefacts.dat").c_str());
    std::string why;
    EXPECT_EQ(DumpAll(LoadMameFacts(dir.path(), &why)), DumpAll(alone));
    EXPECT_EQ(ReadFile(dir / "mamefacts.dat"), kept);
    EXPECT_EQ(why, "");
  }
}

// Without listxml.xml, an old MAME's own listinfo.dat gives the facts; with neither, or with an
// XML that cannot be read, nothing is known and the reason says how to get them.
TEST(MameFactsTest, WhereTheFactsComeFrom) {
  struct Row {
    const char* file;
    std::string text;
    size_t machines;
    const char* known;
    const char* why;
  };
  const Row rows[] = {
      {"listinfo.dat", ReadFile(TestData("oldmame/mame078_li.txt")), 4720, "100", ""},
      {"listinfo.dat", ReadFile(TestData("listxml/new_dialect_listinfo.dat")), 0, "000",
       "there is no listxml.xml in"},
      {"listxml.xml", "<mame>\n<machine name=\"a\">\n<dipswitch name=\"b\"/>\n</mame>\n", 0, "000",
       "listxml.xml:4: malformed XML at column 3: mismatched tag: run Tabulon with MAME again"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.text.substr(0, 20));
    testing::TempDir dir;
    WriteFile(dir / row.file, row.text);
    std::string why;
    const MameFacts facts = LoadMameFacts(dir.path(), &why);
    EXPECT_EQ(facts.size(), row.machines);
    EXPECT_EQ(Known(facts), row.known);
    EXPECT_CONTAINS(why, row.why);
  }
}

}  // namespace
}  // namespace tabulon
