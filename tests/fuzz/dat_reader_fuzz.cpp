// The dat reader on any bytes, in both of its modes: the input as dats/fuzz.dat, and the input cut
// at NUL bytes into MAME's listinfo.dat, listdetails.dat and gamelist.dat; then the master list.
#include <algorithm>
#include <filesystem>

#include "datparse/dat_reader.h"
#include "fuzz_support.h"
#include "mame/mame_side_files.h"
#include "platform/error.h"
#include "platform/strings.h"

using namespace tabulon;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string& app = fuzz::AppDir();
  // Every input starts from the same catvers/: MAME's file knows a few sets, and the file of any
  // other emulator is made afresh.
  std::filesystem::remove_all(app + "/catvers");
  std::filesystem::create_directory(app + "/catvers");
  fuzz::WriteFile(app + "/catvers/catver.ini",
                  "[Category]\r\npacman=Maze\r\n88games=Sports\r\n[VerAdded]\r\npacman=.30\r\n");
  std::string dat(fuzz::Text(data, size));
  // A "/" in a header's emulator name would send its new category file out of this folder.
  std::replace(dat.begin(), dat.end(), '/', '\\');
  fuzz::WriteFile(app + "/dats/fuzz.dat", dat);
  const std::vector<std::string_view> parts = Split(fuzz::Text(data, size), '\0');
  const char* const mame_files[] = {"/listinfo.dat", "/listdetails.dat", "/gamelist.dat"};
  for (size_t i = 0; i < 3; ++i)
    fuzz::WriteFile(app + mame_files[i], i < parts.size() ? parts[i] : "");

  fuzz::QuietView view;
  try {
    RunState plain(app, &view);
    GetListInfo("fuzz.dat", plain);
    WriteMasterList(app, plain.List1, plain.layout);
  } catch (const Error&) {
    // An emulator name that makes no file name.
  }
  RunState mame(app, &view);
  mame.layout = RecordLayout::kQuintara;  // so that every input goes through both layouts
  MameSideFiles side_files;
  side_files.Open(app);
  GetListInfo("listinfo.dat", mame, &side_files);
  side_files.WarnShort(mame);
  WriteMasterList(app, mame.List1, mame.layout);
  return 0;
}
