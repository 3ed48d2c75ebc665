// The twelve field slots that hold the game being read. Readers set them, AddGameRecord composes
// the record from them. A slot keeps its text until a reader sets it again, so a field a reader
// leaves alone carries the previous game's value.
#pragma once

#include <string>

namespace tabulon {

struct FieldSlots {
  std::string lrom;      // rom (set) name
  std::string lDesc;     // description
  std::string lYear;     // year
  std::string LManu;     // manufacturer
  std::string LClone;    // clone of
  std::string LEmu;      // emulator
  std::string lCat;      // category
  std::string lVer;      // version added
  std::string LDriver;   // driver status
  std::string LVideo;    // video
  std::string LInput;    // input
  std::string LDriverC;  // driver details
};

}  // namespace tabulon
