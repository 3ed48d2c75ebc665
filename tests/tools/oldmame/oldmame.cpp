// oldmame: a stand-in for an old (0.78-era) MAME command-line binary, used by the end-to-end
// tests. It reads a real -listxml file and prints what MAME 0.78 printed for -listinfo,
// -listdetails and -gamelist, so the front end can be driven without a real emulator.

#include <expat.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <functional>
#include <map>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace {

// Old MAME was a Windows program writing stdout in text mode, so every line ended in CR LF.
// The tests that want plain LF output set OLDMAME_LF=1.
std::string g_eol = "\r\n";

constexpr std::string_view kBuildVersion = "0.78 (Dec 24 2003)";
constexpr int kMaxCpu = 8;
constexpr int kMaxSound = 5;

// ---------------------------------------------------------------------------------------------
// What one <game> element of the XML holds.

struct BiosSet {
  std::string name;
  std::string description;
  bool is_default = false;
};

struct Rom {
  std::string name, merge, bios, size, crc, sha1, md5, region, offset, status;
  bool dispose = false;
  bool soundonly = false;
};

struct Disk {
  std::string name, sha1, md5, region, index;
};

struct Chip {
  bool is_cpu = false;
  bool soundonly = false;  // an audio CPU
  std::string name;
  std::string clock;
};

struct Video {
  bool present = false;
  std::string screen, orientation, width, height, aspectx, aspecty, refresh;
};

struct Input {
  bool present = false;
  std::string players, control, buttons, coins;
  bool service = false;
  bool tilt = false;
};

struct DipValue {
  std::string name;
  bool is_default = false;
};

struct DipSwitch {
  std::string name;
  std::vector<DipValue> values;
};

struct Driver {
  bool present = false;
  std::string status, color, sound, palettesize, cocktail;
};

struct Game {
  std::string name, cloneof, romof, sampleof, sourcefile;
  bool runnable = true;
  std::string description, year, manufacturer, history;
  std::vector<BiosSet> biossets;
  std::vector<Rom> roms;
  std::vector<Disk> disks;
  std::vector<std::string> samples;
  std::vector<Chip> chips;
  Video video;
  std::string sound_channels;  // empty when the XML has no <sound>
  Input input;
  std::vector<DipSwitch> dipswitches;
  Driver driver;
};

// ---------------------------------------------------------------------------------------------
// Streaming reader: hands each complete <game> to a callback, so a 19 MB file never has to be
// held in memory as a whole.

// MAME 0.78 kept its strings as 8-bit Latin-1 and wrote every byte above 0x7E as a character
// reference (&#179;). Expat hands those back as UTF-8; turning them into single bytes again
// gives exactly the bytes old MAME printed in its text lists.
std::string ToLatin1(std::string_view utf8) {
  std::string out;
  out.reserve(utf8.size());
  for (size_t i = 0; i < utf8.size(); ++i) {
    const auto lead = static_cast<unsigned char>(utf8[i]);
    if (lead < 0x80) {
      out += static_cast<char>(lead);
      continue;
    }
    int extra = lead >= 0xF0 ? 3 : lead >= 0xE0 ? 2 : 1;
    unsigned code = lead & (0x3F >> extra);
    for (; extra > 0 && i + 1 < utf8.size(); --extra) {
      code = (code << 6) | (static_cast<unsigned char>(utf8[++i]) & 0x3F);
    }
    out += code <= 0xFF ? static_cast<char>(code) : '?';
  }
  return out;
}

class ListXmlReader {
 public:
  using GameHandler = std::function<void(const Game&)>;

  explicit ListXmlReader(GameHandler on_game) : on_game_(std::move(on_game)) {}

  // Returns an empty string on success, else a message saying what went wrong.
  std::string ReadFile(const std::string& path) {
    std::FILE* file = std::fopen(path.c_str(), "rb");
    if (file == nullptr) {
      return "cannot open " + path;
    }
    XML_Parser parser = XML_ParserCreate(nullptr);
    XML_SetUserData(parser, this);
    XML_SetElementHandler(parser, &ListXmlReader::OnStart, &ListXmlReader::OnEnd);
    XML_SetCharacterDataHandler(parser, &ListXmlReader::OnText);

    std::string error;
    std::vector<char> buffer(1 << 16);
    for (bool done = false; !done && error.empty();) {
      const size_t got = std::fread(buffer.data(), 1, buffer.size(), file);
      done = got < buffer.size();
      if (XML_Parse(parser, buffer.data(), static_cast<int>(got), done) == XML_STATUS_ERROR) {
        error = path + ":" + std::to_string(XML_GetCurrentLineNumber(parser)) + ": " +
                XML_ErrorString(XML_GetErrorCode(parser));
      }
    }
    XML_ParserFree(parser);
    std::fclose(file);
    return error;
  }

 private:
  static const char* Attr(const XML_Char** atts, const char* key) {
    for (int i = 0; atts[i] != nullptr; i += 2) {
      if (std::strcmp(atts[i], key) == 0) {
        return atts[i + 1];
      }
    }
    return nullptr;
  }
  static std::string Str(const XML_Char** atts, const char* key) {
    const char* value = Attr(atts, key);
    return value != nullptr ? ToLatin1(value) : std::string();
  }
  static bool Yes(const XML_Char** atts, const char* key) {
    const char* value = Attr(atts, key);
    return value != nullptr && std::strcmp(value, "yes") == 0;
  }

  static void OnStart(void* self, const XML_Char* element, const XML_Char** atts) {
    static_cast<ListXmlReader*>(self)->Start(element, atts);
  }
  static void OnEnd(void* self, const XML_Char* element) {
    static_cast<ListXmlReader*>(self)->End(element);
  }
  static void OnText(void* self, const XML_Char* text, int length) {
    auto* reader = static_cast<ListXmlReader*>(self);
    if (reader->text_target_ != nullptr) {
      reader->text_.append(text, static_cast<size_t>(length));
    }
  }

  void Start(std::string_view element, const XML_Char** atts) {
    // Newer files call the element <machine>; accepting it costs nothing.
    if (element == "game" || element == "machine") {
      game_ = Game{};
      in_game_ = true;
      game_.name = Str(atts, "name");
      game_.cloneof = Str(atts, "cloneof");
      game_.romof = Str(atts, "romof");
      game_.sampleof = Str(atts, "sampleof");
      game_.sourcefile = Str(atts, "sourcefile");
      const char* runnable = Attr(atts, "runnable");
      game_.runnable = runnable == nullptr || std::strcmp(runnable, "no") != 0;
      return;
    }
    if (!in_game_) {
      return;
    }

    if (element == "description") {
      text_target_ = &game_.description;
    } else if (element == "year") {
      text_target_ = &game_.year;
    } else if (element == "manufacturer") {
      text_target_ = &game_.manufacturer;
    } else if (element == "history") {
      text_target_ = &game_.history;
    } else if (element == "biosset") {
      game_.biossets.push_back({Str(atts, "name"), Str(atts, "description"), Yes(atts, "default")});
    } else if (element == "rom") {
      Rom rom;
      rom.name = Str(atts, "name");
      rom.merge = Str(atts, "merge");
      rom.bios = Str(atts, "bios");
      rom.size = Str(atts, "size");
      rom.crc = Str(atts, "crc");
      rom.sha1 = Str(atts, "sha1");
      rom.md5 = Str(atts, "md5");
      rom.region = Str(atts, "region");
      rom.offset = Str(atts, "offset");
      rom.status = Str(atts, "status");
      rom.dispose = Yes(atts, "dispose");
      rom.soundonly = Yes(atts, "soundonly");
      game_.roms.push_back(std::move(rom));
    } else if (element == "disk") {
      game_.disks.push_back({Str(atts, "name"), Str(atts, "sha1"), Str(atts, "md5"),
                             Str(atts, "region"), Str(atts, "index")});
    } else if (element == "sample") {
      game_.samples.push_back(Str(atts, "name"));
    } else if (element == "chip") {
      game_.chips.push_back({Str(atts, "type") == "cpu", Yes(atts, "soundonly"), Str(atts, "name"),
                             Str(atts, "clock")});
    } else if (element == "video") {
      Video& video = game_.video;
      video.present = true;
      video.screen = Str(atts, "screen");
      video.orientation = Str(atts, "orientation");
      video.width = Str(atts, "width");
      video.height = Str(atts, "height");
      video.aspectx = Str(atts, "aspectx");
      video.aspecty = Str(atts, "aspecty");
      video.refresh = Str(atts, "refresh");
    } else if (element == "sound") {
      game_.sound_channels = Str(atts, "channels");
    } else if (element == "input") {
      Input& input = game_.input;
      input.present = true;
      input.players = Str(atts, "players");
      input.control = Str(atts, "control");
      input.buttons = Str(atts, "buttons");
      input.coins = Str(atts, "coins");
      input.service = Yes(atts, "service");
      input.tilt = Yes(atts, "tilt");
    } else if (element == "dipswitch") {
      game_.dipswitches.push_back({Str(atts, "name"), {}});
    } else if (element == "dipvalue") {
      if (!game_.dipswitches.empty()) {
        game_.dipswitches.back().values.push_back({Str(atts, "name"), Yes(atts, "default")});
      }
    } else if (element == "driver") {
      Driver& driver = game_.driver;
      driver.present = true;
      driver.status = Str(atts, "status");
      driver.color = Str(atts, "color");
      driver.sound = Str(atts, "sound");
      driver.palettesize = Str(atts, "palettesize");
      driver.cocktail = Str(atts, "cocktail");
    }
  }

  void End(std::string_view element) {
    if (text_target_ != nullptr) {
      *text_target_ = ToLatin1(text_);
      text_target_ = nullptr;
      text_.clear();
    }
    if (in_game_ && (element == "game" || element == "machine")) {
      in_game_ = false;
      on_game_(game_);
    }
  }

  GameHandler on_game_;
  Game game_;
  bool in_game_ = false;
  std::string* text_target_ = nullptr;
  std::string text_;
};

// ---------------------------------------------------------------------------------------------
// Small text helpers shared by the three lists.

void Write(std::string_view text) { std::fwrite(text.data(), 1, text.size(), stdout); }

void WriteLine(std::string_view text) {
  Write(text);
  Write(g_eol);
}

// printf("%-Ns"): pads, never cuts; a longer value pushes the rest of the row right.
std::string Pad(std::string_view text, size_t width) {
  std::string out(text);
  if (out.size() < width) {
    out.append(width - out.size(), ' ');
  }
  return out;
}

// printf("%-N.Ns"): pads or cuts to exactly the width.
std::string PadCut(std::string_view text, size_t width) {
  return Pad(text.substr(0, width), width);
}

bool AllDigits(std::string_view text) {
  return text.find_first_not_of("0123456789") == std::string_view::npos;
}

// A free-text value as -listinfo writes it: double quotes, C escapes, and \xNN for any byte
// that is not printable ASCII.
std::string Quoted(std::string_view text) {
  static constexpr std::string_view kRaw = "\a\b\f\n\r\t\v\\\"";
  static constexpr std::string_view kEscaped = "abfnrtv\\\"";
  std::string out = "\"";
  for (const char c : text) {
    if (const size_t at = kRaw.find(c); at != std::string_view::npos) {
      out += '\\';
      out += kEscaped[at];
    } else if (c >= ' ' && c <= '~') {
      out += c;
    } else {
      char hex[8];
      std::snprintf(hex, sizeof hex, "\\x%02x", static_cast<unsigned char>(c));
      out += hex;
    }
  }
  return out + "\"";
}

// Chip names are unquoted symbols in -listinfo, so anything that would break the token
// (blanks, parentheses, quotes) becomes an underscore: "PSX CPU" -> "PSX_CPU".
std::string Symbol(std::string_view text) {
  std::string out(text);
  for (char& c : out) {
    if (c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '(' || c == ')' || c == '"') {
      c = '_';
    }
  }
  return out;
}

// ---------------------------------------------------------------------------------------------
// -listinfo: one "game (" record per runnable set, then "resource (" records for the BIOS holders.

// Second-level list: "key ( a 1 b 2 )".
class Sublist {
 public:
  explicit Sublist(std::string_view key) : text_("\t") { text_.append(key).append(" ("); }
  Sublist& Add(std::string_view key, std::string_view value) {
    text_.append(" ").append(key).append(" ").append(value);
    return *this;
  }
  Sublist& AddIf(std::string_view key, std::string_view value) {
    return value.empty() ? *this : Add(key, value);
  }
  std::string Done() const { return text_ + " )"; }

 private:
  std::string text_;
};

void AddItem(std::string& record, std::string_view line) { record.append(line).append(g_eol); }

void AddHeaderItems(std::string& record, const Game& game) {
  if (!game.description.empty()) {
    AddItem(record, "\tdescription " + Quoted(game.description));
  }
  // MAME printed the year only when it was a plain number, so "198?" years leave no line.
  if (!game.year.empty() && AllDigits(game.year)) {
    AddItem(record, "\tyear " + game.year);
  }
  if (!game.manufacturer.empty()) {
    AddItem(record, "\tmanufacturer " + Quoted(game.manufacturer));
  }
}

void AddBiosAndRoms(std::string& record, const Game& game) {
  for (const BiosSet& bios : game.biossets) {
    Sublist item("biosset");
    item.Add("name", bios.name).Add("description", "\"" + bios.description + "\"");
    if (bios.is_default) {
      item.Add("default", "yes");
    }
    AddItem(record, item.Done());
  }
  for (const Rom& rom : game.roms) {
    Sublist item("rom");
    item.AddIf("name", rom.name).AddIf("merge", rom.merge).AddIf("bios", rom.bios);
    item.Add("size", rom.size);
    // A set with no known dump has no checksums to give.
    if (rom.status != "nodump") {
      item.AddIf("crc", rom.crc).AddIf("sha1", rom.sha1).AddIf("md5", rom.md5);
    }
    item.AddIf("region", rom.region);
    if (rom.status == "nodump") {
      item.Add("flags", "nodump");
    }
    if (rom.status == "baddump") {
      item.Add("flags", "baddump");
    }
    if (rom.dispose) {
      item.Add("flags", "dispose");
    }
    if (rom.soundonly) {
      item.Add("flags", "soundonly");
    }
    item.Add("offs", rom.offset.empty() ? "0" : rom.offset);
    AddItem(record, item.Done());
  }
}

void AddSamples(std::string& record, const Game& game) {
  for (const std::string& sample : game.samples) {
    AddItem(record, "\tsample " + sample);
  }
}

std::string FormatGameRecord(const Game& game) {
  std::string record = "game (" + g_eol;
  AddItem(record, "\tname " + game.name);
  if (!game.cloneof.empty()) {
    AddItem(record, "\tcloneof " + game.cloneof);
  }
  if (!game.romof.empty()) {
    AddItem(record, "\tromof " + game.romof);
  }
  if (!game.sampleof.empty()) {
    AddItem(record, "\tsampleof " + game.sampleof);
  }
  AddHeaderItems(record, game);
  if (!game.history.empty()) {
    AddItem(record, "\thistory " + Quoted(game.history));
  }
  AddBiosAndRoms(record, game);
  for (const Disk& disk : game.disks) {
    Sublist item("disk");
    item.AddIf("name", disk.name).AddIf("sha1", disk.sha1).AddIf("md5", disk.md5);
    item.AddIf("region", disk.region).Add("index", disk.index.empty() ? "0" : disk.index);
    AddItem(record, item.Done());
  }
  AddSamples(record, game);

  for (const Chip& chip : game.chips) {
    Sublist item("chip");
    if (chip.is_cpu) {
      item.Add("type", "cpu");
      if (chip.soundonly) {
        item.Add("flags", "audio");
      }
    } else {
      item.Add("type", "audio");
    }
    item.Add("name", Symbol(chip.name)).AddIf("clock", chip.clock);
    AddItem(record, item.Done());
  }

  if (game.video.present) {
    const Video& video = game.video;
    Sublist item("video");
    item.Add("screen", video.screen).Add("orientation", video.orientation);
    // Vector screens have no pixel size, so x and y only appear for raster games.
    if (video.screen != "vector") {
      item.AddIf("x", video.width).AddIf("y", video.height);
    }
    item.AddIf("aspectx", video.aspectx).AddIf("aspecty", video.aspecty);
    if (!video.refresh.empty()) {
      char freq[64];
      std::snprintf(freq, sizeof freq, "%f", std::strtod(video.refresh.c_str(), nullptr));
      item.Add("freq", freq);
    }
    AddItem(record, item.Done());
  }
  if (!game.sound_channels.empty()) {
    AddItem(record, Sublist("sound").Add("channels", game.sound_channels).Done());
  }
  if (game.input.present) {
    const Input& input = game.input;
    Sublist item("input");
    item.Add("players", input.players.empty() ? "0" : input.players);
    item.AddIf("control", input.control).AddIf("buttons", input.buttons);
    item.AddIf("coins", input.coins);
    if (input.service) {
      item.Add("service", "yes");
    }
    if (input.tilt) {
      item.Add("tilt", "yes");
    }
    AddItem(record, item.Done());
  }
  for (const DipSwitch& dip : game.dipswitches) {
    Sublist item("dipswitch");
    item.Add("name", Quoted(dip.name));
    // MAME 0.78 wrote the default right after the entry it names.
    for (const DipValue& value : dip.values) {
      item.Add("entry", Quoted(value.name));
      if (value.is_default) {
        item.Add("default", Quoted(value.name));
      }
    }
    AddItem(record, item.Done());
  }
  if (game.driver.present) {
    const Driver& driver = game.driver;
    AddItem(record, Sublist("driver")
                        .Add("status", driver.status)
                        .Add("color", driver.color)
                        .Add("sound", driver.sound)
                        .AddIf("palettesize", driver.palettesize)
                        .Done());
  }
  return record + ")" + g_eol + g_eol;
}

std::string FormatResourceRecord(const Game& game) {
  std::string record = "resource (" + g_eol;
  AddItem(record, "\tname " + game.name);
  AddHeaderItems(record, game);
  AddBiosAndRoms(record, game);
  AddSamples(record, game);
  return record + ")" + g_eol + g_eol;
}

int ListInfo(const std::string& xml_path) {
  // MAME walked its driver table first and added the BIOS resources at the very end,
  // wherever they sit in the XML.
  std::string resources;
  ListXmlReader reader([&resources](const Game& game) {
    if (game.runnable) {
      Write(FormatGameRecord(game));
    } else {
      resources += FormatResourceRecord(game);
    }
  });
  const std::string error = reader.ReadFile(xml_path);
  Write(resources);
  if (!error.empty()) {
    std::fprintf(stderr, "oldmame: %s\n", error.c_str());
    return 1;
  }
  return 0;
}

// ---------------------------------------------------------------------------------------------
// -listdetails: fixed-column table of CPUs and sound chips.

// Sound chips whose interface reported a chip count in 0.78; the table shows them as "2xYM2203".
// The XML repeats such a chip once per instance, so consecutive repeats are counted back up.
bool HasChipCount(std::string_view name) {
  static const char* const kCounted[] = {
      "DAC",       "AY-3-8910", "YM2203",   "YM2151",  "YM2608",  "YM2610",
      "YM2610B",   "YM2612",    "YM3438",   "YM2413",  "YM3812",  "YM3526",
      "YMZ280B",   "Y8950",     "SN76477",  "SN76496", "Pokey",   "Nintendo",
      "Astrocade", "TMS36XX",   "ADPCM",    "MSM6295", "MSM5205", "MSM5232",
      "HC55516",   "007232",    "053260",   "054539",  "CEM3394", "SAA1099",
      "ES5505",    "ES5506",    "BSMT2000", "YMF262",  "YMF278B", "Sega 315-5560"};
  for (const char* counted : kCounted) {
    if (name == counted) {
      return true;
    }
  }
  return false;
}

// The 0.78 XML carries no source file, so it is guessed from the family: a BIOS child
// (romof without cloneof) lives in the BIOS driver, a clone in its parent's, else its own.
std::string DriverSource(const Game& game) {
  if (!game.sourcefile.empty()) {
    const size_t slash = game.sourcefile.find_last_of("/\\");
    return slash == std::string::npos ? game.sourcefile : game.sourcefile.substr(slash + 1);
  }
  std::string base = game.name;
  if (!game.cloneof.empty()) {
    base = game.cloneof;
  } else if (!game.romof.empty()) {
    base = game.romof;
  }
  return base.substr(0, 8) + ".c";  // DOS 8.3 names
}

std::string FormatDetailsRow(const Game& game) {
  std::string row = Pad(game.name, 8) + " " + Pad(DriverSource(game), 10) + " ";

  std::vector<std::string> cpus;
  std::vector<std::string> sounds;
  for (size_t i = 0; i < game.chips.size(); ++i) {
    const Chip& chip = game.chips[i];
    if (chip.is_cpu) {
      cpus.push_back(chip.soundonly ? "[" + Pad(chip.name, 6) + "]" : chip.name);
      continue;
    }
    if (!HasChipCount(chip.name)) {
      sounds.push_back(Pad(chip.name, 11) + " ");
      continue;
    }
    int count = 1;
    while (i + 1 < game.chips.size() && !game.chips[i + 1].is_cpu &&
           game.chips[i + 1].name == chip.name) {
      ++count;
      ++i;
    }
    sounds.push_back(std::to_string(count) + "x" + Pad(chip.name, 9) + " ");
  }
  for (int i = 0; i < kMaxCpu; ++i) {
    row += static_cast<size_t>(i) < cpus.size() ? Pad(cpus[static_cast<size_t>(i)], 8) + " "
                                                : std::string(9, ' ');
  }
  for (int i = 0; i < kMaxSound; ++i) {
    row += static_cast<size_t>(i) < sounds.size() ? sounds[static_cast<size_t>(i)]
                                                  : std::string(12, ' ');
  }
  return row + game.description;
}

int ListDetails(const std::string& xml_path, bool show_clones) {
  std::string header = " romname driver     ";
  std::string dashes = "-------- ---------- ";
  for (int i = 1; i <= kMaxCpu; ++i) {
    header += "cpu " + std::to_string(i) + "    ";
    dashes += "-------- ";
  }
  for (int i = 1; i <= kMaxSound; ++i) {
    header += "sound " + std::to_string(i) + "     ";
    dashes += "----------- ";
  }
  WriteLine(header + "name");
  WriteLine(dashes + std::string(26, '-'));

  ListXmlReader reader([show_clones](const Game& game) {
    if (game.runnable && (show_clones || game.cloneof.empty())) {
      WriteLine(FormatDetailsRow(game));
    }
  });
  const std::string error = reader.ReadFile(xml_path);
  if (!error.empty()) {
    std::fprintf(stderr, "oldmame: %s\n", error.c_str());
    return 1;
  }
  return 0;
}

// ---------------------------------------------------------------------------------------------
// -gamelist: the GAMELIST.TXT table of emulation status.

struct GameListEntry {
  std::string name, cloneof, description;
  bool not_working = false;
  std::string color, sound;
  bool has_samples = false;
  bool no_cocktail = false;
};

// "The Real Ghostbusters (US 3 Players)" -> "Real Ghostbusters, The (US 3 Players)". The
// bracketed part only follows when clones are listed, since it is what tells them apart.
std::string GameListName(std::string_view description, bool show_clones) {
  std::string name(description.substr(0, description.find(" (")));
  if (name.starts_with("The ")) {
    name = name.substr(4) + ", The";
  }
  name += ' ';
  const size_t paren = description.find('(');
  if (show_clones && paren != std::string_view::npos && paren > 0) {
    name += description.substr(paren);
  }
  return PadCut(name, 33);
}

int GameList(const std::string& xml_path, bool show_clones) {
  std::vector<GameListEntry> entries;
  ListXmlReader reader([&entries](const Game& game) {
    if (!game.runnable) {
      return;
    }
    GameListEntry entry;
    entry.name = game.name;
    entry.cloneof = game.cloneof;
    entry.description = game.description;
    entry.not_working = game.driver.present && game.driver.status != "good";
    entry.color = game.driver.color;
    entry.sound = game.driver.sound;
    entry.no_cocktail = game.driver.cocktail == "preliminary";
    // A Samples chip fed from the ROMs needs nothing extra; only named sample files do.
    const bool names_samples = !game.samples.empty() || !game.sampleof.empty();
    for (const Chip& chip : game.chips) {
      if (!chip.is_cpu && chip.name == "Samples" && names_samples) {
        entry.has_samples = true;
      }
    }
    entries.push_back(std::move(entry));
  });
  const std::string error = reader.ReadFile(xml_path);
  if (!error.empty()) {
    std::fprintf(stderr, "oldmame: %s\n", error.c_str());
    return 1;
  }

  // "No(1)" marks a broken set whose parent or some sibling works; families are keyed by parent.
  std::map<std::string, bool> family_works;
  for (const GameListEntry& entry : entries) {
    const std::string& parent = entry.cloneof.empty() ? entry.name : entry.cloneof;
    family_works[parent] = family_works[parent] || !entry.not_working;
  }

  WriteLine("This is the complete list of games supported by MAME " + std::string(kBuildVersion) +
            ".");
  if (!show_clones) {
    WriteLine("Variants of the same game are not included, you can use the -listclones command");
    WriteLine("to get a list of the alternate versions of a given game.");
  }
  WriteLine("");
  WriteLine("This table is made by the program itself from its driver flags, so it can lag");
  WriteLine("behind what the drivers really do. Working, Correct Colors and Sound tell how");
  WriteLine("complete the emulation is; Screen Flip tells whether cocktail mode is emulated.");
  WriteLine("Internal Name is the name to give on the command line and of the ROM set.");
  WriteLine("");
  const std::string border =
      "+----------------------------------+-------+-------+-------+-------+----------+";
  WriteLine(border);
  WriteLine("|                                  |       |Correct|       |Screen | Internal |");
  WriteLine("| Game Name                        |Working|Colors | Sound | Flip  |   Name   |");
  WriteLine(border);

  for (const GameListEntry& entry : entries) {
    if (!show_clones && !entry.cloneof.empty()) {
      continue;
    }
    const std::string& parent = entry.cloneof.empty() ? entry.name : entry.cloneof;
    std::string row = "| " + GameListName(entry.description, show_clones) + "|";
    if (!entry.not_working) {
      row += "  Yes  |";
    } else {
      row += family_works[parent] ? " No(1) |" : "   No  |";
    }
    if (entry.color == "preliminary") {
      row += "   No  |";
    } else if (entry.color == "imperfect") {
      row += " Close |";
    } else {
      row += "  Yes  |";
    }
    if (entry.sound == "preliminary") {
      row += "   No  |";
    } else if (entry.sound == "imperfect") {
      row += entry.has_samples ? "Part(2)|" : "Partial|";
    } else {
      row += entry.has_samples ? " Yes(2)|" : "  Yes  |";
    }
    row += entry.no_cocktail ? "   No  |" : "  Yes  |";
    WriteLine(row + " " + Pad(entry.name, 8) + " |");
  }

  WriteLine(border);
  WriteLine("");
  WriteLine("(1) There are variants of the game (usually bootlegs) that work correctly");
  WriteLine("(2) Needs samples provided separately");
  return 0;
}

// ---------------------------------------------------------------------------------------------
// -listxml: the file itself, byte for byte.

int ListXml(const std::string& xml_path) {
  std::FILE* file = std::fopen(xml_path.c_str(), "rb");
  if (file == nullptr) {
    std::fprintf(stderr, "oldmame: cannot open %s\n", xml_path.c_str());
    return 1;
  }
  std::vector<char> buffer(1 << 16);
  size_t got = 0;
  while ((got = std::fread(buffer.data(), 1, buffer.size(), file)) > 0) {
    std::fwrite(buffer.data(), 1, got, stdout);
  }
  std::fclose(file);
  return 0;
}

// OLDMAME_LISTXML wins; otherwise listxml.xml next to the executable, so a test can drop
// the binary and its data into one folder and put that folder on PATH as "mame".
std::string XmlPath() {
  if (const char* from_env = std::getenv("OLDMAME_LISTXML"); from_env && *from_env) {
    return from_env;
  }
  std::error_code error;
  const std::filesystem::path exe = std::filesystem::read_symlink("/proc/self/exe", error);
  return error ? std::string("listxml.xml") : (exe.parent_path() / "listxml.xml").string();
}

enum class Command { kNone, kListInfo, kListDetails, kGameList, kListXml };

}  // namespace

int main(int argc, char** argv) {
  if (const char* lf = std::getenv("OLDMAME_LF"); lf && std::strcmp(lf, "1") == 0) {
    g_eol = "\n";
  }

  Command command = Command::kNone;
  bool show_clones = true;
  for (int i = 1; i < argc; ++i) {
    const std::string_view arg = argv[i];
    if (arg == "-history_file" || arg == "-mameinfo_file") {
      ++i;  // the dat file names only matter to a real MAME
    } else if (arg == "-li" || arg == "-listinfo") {
      command = Command::kListInfo;
    } else if (arg == "-listdetails") {
      command = Command::kListDetails;
    } else if (arg == "-gamelist") {
      command = Command::kGameList;
    } else if (arg == "-listxml" || arg == "-lx") {
      command = Command::kListXml;
    } else if (arg == "-noclones") {
      show_clones = false;
    } else if (arg == "-clones") {
      show_clones = true;
    } else if (arg.starts_with("-")) {
      WriteLine("Error: unknown option: " + std::string(arg));
      return 1;
    }
    // Anything else would be a game name, which none of the list commands here use.
  }

  int result = 1;
  switch (command) {
    case Command::kNone:
      WriteLine("Usage: mame [-li | -listinfo | -listdetails | -gamelist | -listxml] [-noclones]");
      return 1;
    case Command::kListInfo:
      result = ListInfo(XmlPath());
      break;
    case Command::kListDetails:
      result = ListDetails(XmlPath(), show_clones);
      break;
    case Command::kGameList:
      result = GameList(XmlPath(), show_clones);
      break;
    case Command::kListXml:
      result = ListXml(XmlPath());
      break;
  }
  return std::fflush(stdout) == 0 ? result : 1;
}
