// The Visual Pinball reader on any bytes as dats/VPLAUNCHER.DAT, then the master list.
#include "fuzz_support.h"
#include "records/vp_reader.h"

using namespace tabulon;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  fuzz::QuietView view;
  RunState run(fuzz::AppDir(), &view);
  fuzz::WriteFile(run.DatsDir() + "/VPLAUNCHER.DAT", fuzz::Text(data, size));
  getlistinfoVP("VPLAUNCHER.DAT", run);
  WriteMasterList(run.app_dir, run.List1, run.layout);
  return 0;
}
