// Record composition and the master list writer.
#include "records/game_record.h"

#include <filesystem>

#include "platform/strings.h"
#include "platform/text_io.h"

namespace tabulon {

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
  std::filesystem::path app(app_dir);
  if (!app.has_filename()) app = app.parent_path();  // a trailing separator
  std::filesystem::path front_end = app.has_parent_path() ? app.parent_path() : app;
  std::string path = front_end.string();
  if (path.empty() || path.back() != '/') path += '/';
  return path + "masterlist.lst";
}

size_t WriteMasterList(const std::string& app_dir, const RecordList& list, RecordLayout layout) {
  AtomicTextWriter writer(MasterListPath(app_dir));
  size_t written = 0;
  for (const std::string& record : list.Items()) {
    if (layout == RecordLayout::kQuintara) {
      std::vector<std::string_view> fields = Split(record, '|');
      if (fields.size() > 2 && !fields[2].empty()) {
        writer.WriteLine(record);
        ++written;
      }
      continue;
    }
    // The line is the piece behind the first "^" followed by the piece before it; a "^" inside
    // a value therefore cuts the record there, as the format has always done.
    std::vector<std::string_view> pieces = Split(record, '^');
    if (pieces.size() < 2 || pieces[1].empty()) continue;
    std::string line(pieces[1]);
    line += pieces[0];
    writer.WriteLine(line);
    ++written;
  }
  writer.Commit();
  return written;
}

}  // namespace tabulon
