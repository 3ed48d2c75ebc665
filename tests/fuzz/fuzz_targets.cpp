// libFuzzer targets over the engine. CMake builds this file once per target and names the function
// to fuzz in TABULON_FUZZ_TARGET. A fault is a crash, a sanitizer's report, an exception other than
// tabulon::Error, or an abort where two answers that must agree differ.
#include <expat.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <filesystem>
#include <fstream>

#include "datparse/dat_reader.h"
#include "mame/game_status.h"
#include "mame/listxml_converter.h"
#include "mame/listxml_facts.h"
#include "mame/mame_facts.h"
#include "mame/mame_side_files.h"
#include "platform/error.h"
#include "platform/profile_ini.h"
#include "records/vp_reader.h"

namespace tabulon::fuzz {

void WriteFile(const std::string& path, std::string_view bytes) {
  std::ofstream(path, std::ios::binary).write(bytes.data(), static_cast<long>(bytes.size()));
}

// A front-end folder with its application folder per process, under TMPDIR: scripts/fuzz.sh puts
// that in memory, as the targets write files thousands of times a second.
const std::string& AppDir() {
  static const struct FrontEnd {
    std::string path = std::filesystem::temp_directory_path().string() + "/tabulon-fuzz-" +
                       std::to_string(getpid());
    std::string app = path + "/Tabulon";
    FrontEnd() { std::filesystem::create_directories(app + "/dats"); }
    ~FrontEnd() { std::filesystem::remove_all(path); }
  } front_end;
  return front_end.app;
}

void ExpectSame(const char* what, const std::string& a, const std::string& b) {
  if (a == b) return;
  std::fprintf(stderr, "%s differ:\n%s\n---\n%s\n", what, a.c_str(), b.c_str());
  std::abort();
}

// Without a NUL byte the input is dats/fuzz.dat. With one it is cut at NUL bytes into MAME's
// listinfo.dat, listdetails.dat and gamelist.dat for MAME mode. Then the master list.
void DatReader(std::string_view input) {
  const std::string& app = AppDir();
  // Every input starts from the same catvers/: MAME's file knows a few sets, and the file of any
  // other emulator is made afresh.
  std::filesystem::remove_all(app + "/catvers");
  std::filesystem::create_directory(app + "/catvers");
  WriteFile(app + "/catvers/catver.ini",
            "[Category]\r\npacman=Maze\r\n[VerAdded]\r\npacman=.30\r\n");
  RunState run(app, nullptr);
  const std::vector<std::string_view> parts = Split(input, '\0');
  if (parts.size() == 1) {
    std::string dat(input);
    // A "/" in a header's emulator name would send its new category file out of this folder.
    std::replace(dat.begin(), dat.end(), '/', '\\');
    WriteFile(run.DatsDir() + "/fuzz.dat", dat);
    GetListInfo("fuzz.dat", run);
  } else {
    const char* const lists[] = {"/listinfo.dat", "/listdetails.dat", "/gamelist.dat"};
    for (size_t i = 0; i < 3; ++i) WriteFile(app + lists[i], i < parts.size() ? parts[i] : "");
    run.layout = RecordLayout::kQuintara;  // so that both layouts are written
    MameSideFiles side_files;
    (void)side_files.Open(app);  // a list without its rows is read all the same
    GetListInfo("listinfo.dat", run, &side_files);
    side_files.WarnShort(run);
  }
  WriteMasterList(app, run.List1, run.layout);
}

// Whether "[section]" and "key=value" lines give these back as they are (and more: no blank in
// a name either).
bool FitsLines(std::string_view section, std::string_view key, std::string_view value) {
  constexpr std::string_view kSyntax = "\r\n\t =[]";
  return section.find_first_of(kSyntax) == section.npos && !key.empty() &&
         key.find_first_of(kSyntax) == key.npos && value.find_first_of("\r\n") == value.npos;
}

// An ini file's text, then NUL-separated section, key and value triples to look up and set before
// the file is saved. A value set must read back the same from the saved file.
void ProfileIniRoundTrip(std::string_view input) {
  const std::vector<std::string_view> parts = Split(input, '\0');
  ProfileIni ini;
  ini.LoadText(AppDir() + "/fuzz.ini", parts[0]);
  bool fits = true;
  for (size_t i = 1; i + 2 < parts.size(); i += 3) {
    ini.Find(parts[i], parts[i + 1], "");
    ini.Set(parts[i], parts[i + 1], parts[i + 2]);
    fits = fits && FitsLines(parts[i], parts[i + 1], parts[i + 2]);
  }
  ini.Save();
  ProfileIni saved;
  saved.Load(ini.path());
  for (size_t i = 1; fits && i + 2 < parts.size(); i += 3) {
    ExpectSame("a value as set and as read back from the saved file",
               ini.Get(parts[i], parts[i + 1], "(none)"),
               saved.Get(parts[i], parts[i + 1], "(none)"));
  }
}

void VpReader(std::string_view input) {
  RunState run(AppDir(), nullptr);
  WriteFile(run.DatsDir() + "/VPLAUNCHER.DAT", input);
  getlistinfoVP("VPLAUNCHER.DAT", run);
  WriteMasterList(run.app_dir, run.List1, run.layout);
}

// The input as one side-file row, and as gamelist.dat read row by row.
void SideFileColumns(std::string_view input) {
  GameStatusFromRow(input);
  DriverNameFromRow(input);
  WriteFile(AppDir() + "/gamelist.dat", input);
  LineReader gamelist(AppDir() + "/gamelist.dat");
  while (GetGameStatus(gamelist)) {
  }
}

// MAME's facts gathered along a conversion, as text.
std::string DumpFacts(const MameFacts& facts) {
  std::string text = std::to_string(facts.known.files) + std::to_string(facts.known.mechanical) +
                     std::to_string(facts.known.controls) + "\n";
  for (size_t i = 0; i < facts.size(); ++i) {
    const MachineFacts& m = facts.at(i);
    text += std::string(m.name) + "|" + std::string(m.clone_of) + "|" + std::string(m.rom_of) +
            "|" + std::string(m.sample_of) + "|" + std::to_string(m.bios) +
            std::to_string(m.device) + std::to_string(m.mechanical) + "\n";
    for (const RomFact& r : m.roms) {
      text += " R" + std::string(facts.Text(r.name)) + "|" + std::string(facts.Text(r.merge)) +
              "|" + std::string(facts.Text(r.bios)) + "|" + std::to_string(r.size()) + "|" +
              std::to_string(r.has_crc) + std::to_string(r.crc) + std::to_string(r.nodump) +
              std::to_string(r.optional) + "\n";
    }
    for (const DiskFact& d : m.disks) {
      text += " D" + std::string(d.name) + "|" + std::string(d.merge) + std::to_string(d.nodump) +
              std::to_string(d.optional) + "\n";
    }
    for (const std::string_view d : m.device_refs) text += " V" + std::string(d) + "\n";
    for (const BiosSetFact& b : m.bios_sets) {
      text += " B" + std::string(b.name) + std::to_string(b.is_default) + "\n";
    }
    for (const std::string_view sample : m.samples) text += " S" + std::string(sample) + "\n";
    for (const ControlFact& c : m.controls) {
      text += " C" + std::string(c.type) + "|" + std::string(c.ways) + "|" +
              std::to_string(c.buttons) + "\n";
    }
  }
  return text;
}

// The three lists and MAME's facts gathered along, or "error: " and the error, that converting
// `xml` into `dir` gives, fed whole or in pieces as long as the value of each piece's first byte
// plus one; with `ahead`, every piece is read ahead on the second thread.
std::string Convert(std::string_view xml, const std::string& dir, bool in_pieces,
                    bool ahead = false) {
  std::filesystem::create_directory(dir);
  MameFacts facts;
  try {
    ListXmlFactsGatherer gatherer(&facts);
    ListXmlConverter converter(dir, "listxml.xml", nullptr, &gatherer);
    if (ahead) converter.ReadAhead(1);
    for (size_t pos = 0, n; pos < xml.size(); pos += n) {
      n = in_pieces ? std::min<size_t>(1 + static_cast<uint8_t>(xml[pos]), xml.size() - pos)
                    : xml.size();
      converter.Feed(xml.data() + pos, n);
    }
    converter.Finish();
  } catch (const Error& e) {
    return std::string("error: ") + e.what();
  }
  return ReadWholeFile(dir + "/listinfo.dat") + ReadWholeFile(dir + "/listdetails.dat") +
         ReadWholeFile(dir + "/gamelist.dat") + DumpFacts(facts);
}

// Where expat places an error, and how it words it, may change with where its input is cut; that
// there is one may not.
void ListXmlInPieces(std::string_view xml) {
  const auto verdict = [](std::string s) { return s.starts_with("error: ") ? "error" : s; };
  ExpectSame("the conversion fed in pieces and fed whole",
             verdict(Convert(xml, AppDir() + "/pieces", true, true)),
             verdict(Convert(xml, AppDir() + "/whole", false)));
}

// Whatever lines the skimmer cuts, the conversion judges the XML as plain expat does, with an
// error at the same line and column.
void ListXmlAsExpat(std::string_view xml) {
  std::string expat = "no error";
  XML_Parser parser = XML_ParserCreate(nullptr);
  if (XML_Parse(parser, xml.data(), static_cast<int>(xml.size()), XML_TRUE) != XML_STATUS_OK) {
    expat = "error: " + FormatLocation("listxml.xml",
                                       static_cast<long>(XML_GetCurrentLineNumber(parser)),
                                       "malformed XML at column " +
                                           std::to_string(XML_GetCurrentColumnNumber(parser) + 1) +
                                           ": " + XML_ErrorString(XML_GetErrorCode(parser)));
  }
  XML_ParserFree(parser);
  const std::string conversion = Convert(xml, AppDir() + "/whole", false, true);
  ExpectSame("plain expat's verdict and the conversion's", expat,
             conversion.starts_with("error: ") ? conversion : "no error");
  // Behind an internal subset that declares an entity the skimmer reads no element whole: the
  // parser reads them all, and the lists must come out the same. Behind attribute declarations
  // alone it reads them whole again, with the defaults and trimmed values the parser gives.
  // (Only in XML of single bytes: in UTF-16 the subset's bytes would be other characters.)
  if (conversion.starts_with("error: ") || xml.find("<!DOCTYPE") != std::string_view::npos ||
      xml.find('\0') != std::string_view::npos || xml.starts_with("\xFE\xFF") ||
      xml.starts_with("\xFF\xFE")) {
    return;
  }
  for (size_t at = 0; (at = xml.find('<', at)) != std::string_view::npos; ++at) {
    const char next = at + 1 < xml.size() ? xml[at + 1] : '\0';
    if (std::isalpha(static_cast<unsigned char>(next)) || next == '_' || next == ':') {
      auto behind = [&](std::string_view subset) {
        return std::string(xml.substr(0, at)) + "<!DOCTYPE x [" + std::string(subset) + "]>" +
               std::string(xml.substr(at));
      };
      const std::string_view entity = "<!ENTITY e 'e'>";
      ExpectSame("the lists of elements read whole and of the parser", conversion,
                 Convert(behind(entity), AppDir() + "/parser", false));
      const std::string declared =
          "<!ATTLIST machine runnable (yes|no) 'no' cloneof NMTOKEN #IMPLIED sourcefile CDATA "
          "'x'><!ATTLIST driver status NMTOKEN ' good ' cocktail CDATA #IMPLIED>";
      ExpectSame("the lists with attribute defaults, read whole and by the parser",
                 Convert(behind(declared), AppDir() + "/whole", false),
                 Convert(behind(declared + std::string(entity)), AppDir() + "/parser", false));
      return;
    }
  }
}

}  // namespace tabulon::fuzz

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  try {
    tabulon::fuzz::TABULON_FUZZ_TARGET(std::string_view(reinterpret_cast<const char*>(data), size));
  } catch (const tabulon::Error&) {
    // How the engine refuses an input, such as a dat whose emulator name makes no file name.
  }
  return 0;
}
