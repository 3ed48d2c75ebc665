// The fixed columns of MAME's side files on any bytes: the input as one row, and as gamelist.dat
// read row by row.
#include "fuzz_support.h"
#include "mame/game_status.h"

using namespace tabulon;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  GameStatusFromRow(fuzz::Text(data, size));
  DriverNameFromRow(fuzz::Text(data, size));
  const std::string path = fuzz::AppDir() + "/gamelist.dat";
  fuzz::WriteFile(path, fuzz::Text(data, size));
  LineReader gamelist(path);
  while (GetGameStatus(gamelist)) {
  }
  return 0;
}
