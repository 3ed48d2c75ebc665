// Visual Pinball launcher list reader.
#include "records/vp_reader.h"

#include "platform/error.h"
#include "platform/files.h"
#include "platform/strings.h"
#include "platform/text_io.h"

namespace tabulon {

size_t getlistinfoVP(const std::string& dat_name, RunState& run) {
  FieldSlots& s = run.slots;
  s.lCat.clear();
  s.lVer.clear();
  LineReader reader(InFolder(run.DatsDir(), dat_name));
  s.LEmu = "VisualPinball";
  run.ShowStatus("Parsing " + s.LEmu + " Dat File");

  size_t added = 0;
  std::string line;
  while (reader.ReadLine(&line)) {
    run.Yield();
    if (line.empty()) continue;
    std::vector<std::string_view> fields = Split(line, '\\');
    if (fields.size() < 7) {
      run.Warn(FormatLocation(InFolder("dats", dat_name), reader.line_number(),
                              "skipped: a table line needs at least 7 fields separated by \"\\\", "
                              "this one has " +
                                  std::to_string(fields.size())));
      continue;
    }
    s.lrom = std::string(fields[0]);
    if (!fields[1].empty()) {
      s.lrom += ' ';
      s.lrom += fields[1];
    }
    s.LClone = std::string(fields[0]);
    s.lDesc = s.lrom;
    s.lYear = std::string(fields[4]);
    s.LManu = std::string(fields[5]);
    s.lCat = fields[6] == "Historic" ? "Pinball \\ Simulation" : "Pinball \\ Original";
    s.lVer = "????";
    s.LInput = "na";
    s.LVideo = "na";
    s.LDriver = "na";
    s.LDriverC = "na";
    AddGameRecord(s, run.layout, &run.List1);
    ++added;
  }
  return added;
}

}  // namespace tabulon
