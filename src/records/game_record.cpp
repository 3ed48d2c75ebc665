// Record composition and the master list writer.
#include "records/game_record.h"

#include <filesystem>

#include "platform/files.h"
#include "platform/text_io.h"

namespace tabulon {
namespace {

// Field 2 of a Quintara record, the rom name: what stands between its second and third "|".
std::string_view QuintaraRomName(std::string_view record) {
  size_t start = record.find('|');
  if (start != std::string_view::npos) start = record.find('|', start + 1);
  if (start == std::string_view::npos) return {};
  std::string_view rest = record.substr(start + 1);
  return rest.substr(0, rest.find('|'));
}

}  // namespace

std::string ComposeRecord(const FieldSlots& s, RecordLayout layout) {
  std::string record;
  record.reserve(s.lDesc.size() + s.lrom.size() + s.LManu.size() + s.lCat.size() +
                 s.LDriver.size() + s.LVideo.size() + s.LInput.size() + 64);
  auto field = [&record](const std::string& value) {
    record.push_back('|');
    record += value;
  };
  if (layout == RecordLayout::kQuintara) {
    field(s.lDesc);
    field(s.lrom);
    field(s.lYear);
    field(s.LManu);
    field(s.LClone);
    field("");
    field(s.lCat);
    field(s.lVer);
    field("");
    field(s.LEmu);
    field("app");
    record.append(26, '|');
    return record;
  }
  field(s.lDesc);
  field(s.lYear);
  field(s.LManu);
  field(s.LClone);
  field(s.LEmu);
  field(s.lCat);
  field(s.lVer);
  field("");
  field(s.LDriver);
  field(s.LVideo);
  field(s.LInput);
  field(s.LDriverC);
  record += "|^";
  record += s.lrom;
  return record;
}

void AddGameRecord(const FieldSlots& slots, RecordLayout layout, RecordList* list) {
  list->Add(ComposeRecord(slots, layout));
}

std::string MasterListPath(const std::string& app_dir) {
  std::filesystem::path app = FsPath(app_dir);
  if (!app.has_filename()) app = app.parent_path();  // a trailing separator
  std::filesystem::path front_end = app.has_parent_path() ? app.parent_path() : app;
  std::string path = PathText(front_end);
  if (!EndsWithSeparator(path)) path += PathSeparator();
  return path + "masterlist.lst";
}

size_t WriteMasterList(const std::string& app_dir, const RecordList& list, RecordLayout layout) {
  AtomicTextWriter writer(MasterListPath(app_dir));
  size_t written = 0;
  std::string line;
  for (const std::string_view record : list.Items()) {
    if (layout == RecordLayout::kQuintara) {
      if (!QuintaraRomName(record).empty()) {
        writer.WriteLine(record);
        ++written;
      }
      continue;
    }
    // The line is the piece behind the first "^" followed by the piece before it; a "^" inside
    // a value therefore cuts the record there: the rom name is found by that mark alone.
    const size_t caret = record.find('^');
    if (caret == std::string_view::npos) continue;
    std::string_view behind = record.substr(caret + 1);
    behind = behind.substr(0, behind.find('^'));
    if (behind.empty()) continue;
    line.assign(behind).append(record.substr(0, caret));
    writer.WriteLine(line);
    ++written;
  }
  writer.Commit();
  return written;
}

}  // namespace tabulon
