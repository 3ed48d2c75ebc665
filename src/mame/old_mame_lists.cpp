// Old MAME's list formats: listinfo blocks, the fixed-column listdetails table and the -gamelist
// status table, appended to buffers that go to the files in large writes.
#include "mame/old_mame_lists.h"

#include <string_view>

#include "platform/files.h"

namespace tabulon {
namespace {

using Value = ListXmlMachine::Value;

// Output buffers are written out once they pass this size.
constexpr size_t kFlushSize = 256 * 1024;

constexpr std::string_view kCrLf = "\r\n";

// Old MAME's -gamelist table head, with its border line.
constexpr std::string_view kBorder =
    "+----------------------------------+-------+-------+-------+-------+----------+";
constexpr std::string_view kTableHead1 =
    "|                                  |       |Correct|       |Screen | Internal |";
constexpr std::string_view kTableHead2 =
    "| Game Name                        |Working|Colors | Sound | Flip  |   Name   |";
constexpr size_t kListNameWidth = 33;
constexpr size_t kRomNameWidth = 8;
constexpr size_t kDriverWidth = 10;

constexpr std::string_view kCellNo = "   No  ";
constexpr std::string_view kCellYes = "  Yes  ";
constexpr std::string_view kCellClose = " Close ";
constexpr std::string_view kCellPartial = "Partial";

constexpr std::string_view kGood = ListXmlMachine::kGood;
constexpr std::string_view kImperfect = ListXmlMachine::kImperfect;
constexpr std::string_view kPreliminary = ListXmlMachine::kPreliminary;

// Appends `text` cut or padded with spaces to `width` bytes. A cut that would split a UTF-8
// sequence is moved back to the sequence's first byte, and the gap padded.
void AppendFitted(std::string* out, std::string_view text, size_t width) {
  size_t take = text.size();
  if (take > width) {
    take = width;
    while (take > 0 && (static_cast<unsigned char>(text[take]) & 0xC0) == 0x80) --take;
  }
  out->append(text.data(), take);
  out->append(width - take, ' ');
}

void AppendPadded(std::string* out, std::string_view text, size_t width) {
  out->append(text);
  if (text.size() < width) out->append(width - text.size(), ' ');
}

// " key value" when the value is there.
void AppendPiece(std::string* out, std::string_view key, const Value& value) {
  if (!value.present) return;
  *out += ' ';
  *out += key;
  *out += ' ';
  *out += value.text;
}

// The driver column: the source file's name without folder and extension.
std::string_view DriverName(std::string_view source_file) {
  size_t slash = source_file.find_last_of("/\\");
  if (slash != std::string_view::npos) source_file.remove_prefix(slash + 1);
  size_t dot = source_file.rfind('.');
  if (dot != std::string_view::npos) source_file = source_file.substr(0, dot);
  return source_file;
}

// Drivers that state colour and sound themselves (older MAME) are taken at their word;
// otherwise the palette and sound features tell.
void DriverColorSound(const ListXmlMachine& m, std::string_view* color, std::string_view* sound) {
  *color = m.palette_feature;
  *sound = m.sound_feature;
  if (m.color.present || m.sound.present) {
    *color = m.color.present ? std::string_view(m.color.text) : kGood;
    *sound = m.sound.present ? std::string_view(m.sound.text) : kGood;
  }
}

void AppendBlock(const ListXmlMachine& m, std::string* out, std::string_view opening,
                 std::string_view color, std::string_view sound);

}  // namespace

void AppendListInfoBlock(const ListXmlMachine& machine, std::string* out) {
  std::string_view color;
  std::string_view sound;
  DriverColorSound(machine, &color, &sound);
  AppendBlock(machine, out, machine.resource ? "resource (" : "game (", color, sound);
}

OldMameLists::OldMameLists(const std::string& out_dir, ListTextSink* sink)
    : listinfo_(InFolder(out_dir, "listinfo.dat")),
      listdetails_(InFolder(out_dir, "listdetails.dat")),
      gamelist_(InFolder(out_dir, "gamelist.dat")),
      sink_(sink) {
  details_out_ += " romname driver     description\r\n";
  details_out_ += "-------- ---------- --------------------------\r\n";
  // The reader skips everything up to the "| Game Name" line, so these lines are free text.
  gamelist_out_ += "This is the list of games of MAME, converted from its -listxml output.\r\n";
  gamelist_out_ += "\r\n";
  for (std::string_view line : {kBorder, kTableHead1, kTableHead2, kBorder}) {
    gamelist_out_ += line;
    gamelist_out_ += kCrLf;
  }
}

void OldMameLists::Add(const ListXmlMachine& m) {
  if (m.device) {
    ++counts_.devices;
    return;
  }
  std::string_view color;
  std::string_view sound;
  DriverColorSound(m, &color, &sound);
  if (m.resource) {
    AppendBlock(m, &resources_out_, "resource (", color, sound);
    ++counts_.resources;
    return;
  }
  AppendBlock(m, &listinfo_out_, "game (", color, sound);
  AppendDetailsRow(m);
  AppendGamelistRow(m, color, sound);
  ++counts_.games;
  FlushLarge();
}

void OldMameLists::Commit() {
  listinfo_out_ += resources_out_;
  gamelist_out_ += kBorder;
  gamelist_out_ += kCrLf;
  FlushAll();
  listdetails_.Commit();
  gamelist_.Commit();
  listinfo_.Commit();
  if (sink_ != nullptr) sink_->Committed();
}

namespace {

void AppendBlock(const ListXmlMachine& m, std::string* out, std::string_view opening,
                 std::string_view color, std::string_view sound) {
  *out += opening;
  *out += "\r\n\tname ";
  *out += m.name.text;
  *out += "\r\n\tdescription \"";
  *out += m.description.text;
  *out += "\"\r\n";
  if (!m.year.text.empty()) {
    *out += "\tyear ";
    *out += m.year.text;
    *out += kCrLf;
  }
  if (!m.manufacturer.text.empty()) {
    *out += "\tmanufacturer \"";
    *out += m.manufacturer.text;
    *out += "\"\r\n";
  }
  if (m.clone_of.present) {
    *out += "\tcloneof ";
    *out += m.clone_of.text;
    *out += kCrLf;
  }
  if (m.rom_of.present) {
    *out += "\tromof ";
    *out += m.rom_of.text;
    *out += kCrLf;
  }
  if (m.has_video) {
    *out += "\tvideo (";
    AppendPiece(out, "screen", m.screen);
    *out += m.vertical ? " orientation vertical" : " orientation horizontal";
    if (m.width.present && m.height.present) {
      AppendPiece(out, "x", m.width);
      AppendPiece(out, "y", m.height);
    }
    AppendPiece(out, "freq", m.refresh);
    *out += " )\r\n";
  }
  if (m.has_sound) {
    *out += "\tsound (";
    AppendPiece(out, "channels", m.channels);
    *out += " )\r\n";
  }
  if (m.has_input) {
    *out += "\tinput (";
    AppendPiece(out, "players", m.players);
    AppendPiece(out, "control", m.control);
    *out += " buttons ";
    *out += m.buttons.present ? std::string_view(m.buttons.text) : "0";
    AppendPiece(out, "coins", m.coins);
    *out += " )\r\n";
  }
  if (m.has_driver) {
    *out += "\tdriver (";
    AppendPiece(out, "status", m.status);
    *out += " color ";
    *out += color;
    *out += " sound ";
    *out += sound;
    *out += " )\r\n";
  }
  *out += ")\r\n\r\n";
}

}  // namespace

// Name in characters 1-8 and driver in 10-19, where the side-file reading cuts them.
void OldMameLists::AppendDetailsRow(const ListXmlMachine& m) {
  std::string* out = &details_out_;
  AppendFitted(out, m.name.text, kRomNameWidth);
  *out += ' ';
  AppendFitted(out, DriverName(m.source_file.text), kDriverWidth);
  *out += ' ';
  *out += m.description.text;
  *out += kCrLf;
}

// Old MAME's -gamelist row; its four cells stand at characters 37-43, 45-51, 53-59, 61-67.
void OldMameLists::AppendGamelistRow(const ListXmlMachine& m, std::string_view color,
                                     std::string_view sound) {
  std::string* out = &gamelist_out_;
  *out += "| ";
  AppendFitted(out, m.description.text, kListNameWidth);
  *out += '|';
  *out += m.status.text == kPreliminary ? kCellNo : kCellYes;
  *out += '|';
  *out += color == kPreliminary ? kCellNo : color == kImperfect ? kCellClose : kCellYes;
  *out += '|';
  *out += sound == kPreliminary ? kCellNo : sound == kImperfect ? kCellPartial : kCellYes;
  *out += '|';
  *out += m.cocktail_preliminary ? kCellNo : kCellYes;
  *out += "| ";
  AppendPadded(out, m.name.text, kRomNameWidth);
  *out += " |\r\n";
}

void OldMameLists::Flush(ListTextSink::List list, std::string* buffer, AtomicTextWriter* writer) {
  writer->Write(*buffer);
  if (sink_ != nullptr) sink_->Written(list, *buffer);
  buffer->clear();
}

void OldMameLists::FlushLarge() {
  if (listinfo_out_.size() + details_out_.size() + gamelist_out_.size() < kFlushSize) return;
  FlushAll();
  if (sink_ != nullptr) sink_->Flushed();
}

void OldMameLists::FlushAll() {
  using List = ListTextSink::List;
  Flush(List::kListinfo, &listinfo_out_, &listinfo_);
  Flush(List::kListdetails, &details_out_, &listdetails_);
  Flush(List::kGamelist, &gamelist_out_, &gamelist_);
}

}  // namespace tabulon
