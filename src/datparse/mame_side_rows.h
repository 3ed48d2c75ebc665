// In MAME mode every game block of MAME's own listinfo.dat takes the next row of MAME's two side
// outputs. The dat reader asks for them through this interface; the MAME extraction, which opens
// the files and knows their columns, answers.
#pragma once

#include <string>

namespace tabulon {

class MameSideRows {
 public:
  virtual ~MameSideRows() = default;

  // Reads the next game's row of each side file. `details_row` receives listdetails.dat's row as
  // read, or is emptied when that file has no row left: the dat reader goes on from it as its
  // current line. `driver_name` receives that row's driver name and `driver_status` the status text
  // of gamelist.dat's row; each is left as it was when its file has no row left.
  virtual void NextGame(std::string* details_row, std::string* driver_name,
                        std::string* driver_status) = 0;
};

}  // namespace tabulon
