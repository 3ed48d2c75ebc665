// Reads the machines of MAME's -listxml output: expat, behind the skimmer, fills one machine
// record at a time into reused strings and hands it on when the machine's element ends.
#pragma once

#include <cstddef>
#include <functional>
#include <memory>
#include <string>
#include <string_view>

#include "mame/listxml_skimmer.h"

namespace tabulon {

class ListXmlFactsGatherer;

// What the conversion keeps of one machine element. Both XML dialects are read into it: older
// MAME's <game> with <video> and colour and sound on <driver>, newer MAME's <machine> with
// <display> and <feature> elements.
struct ListXmlMachine {
  // The driver status words, as older MAME wrote them.
  static constexpr std::string_view kGood = "good";
  static constexpr std::string_view kImperfect = "imperfect";
  static constexpr std::string_view kPreliminary = "preliminary";

  // An attribute or element text. The strings keep their capacity from machine to machine, so
  // reading a machine allocates nothing once the first few are through.
  struct Value {
    std::string text;
    bool present = false;

    void Reset() {
      text.clear();
      present = false;
    }
    void Set(const char* value) {
      text.assign(value);
      present = true;
    }
  };

  bool device = false;
  bool resource = false;
  Value name, source_file, clone_of, rom_of;
  Value description, year, manufacturer;

  bool has_video = false;
  Value screen, width, height, refresh;  // width and height as the player sees the screen
  bool vertical = false;

  bool has_sound = false;
  Value channels;

  bool has_input = false;
  bool has_control_child = false;
  Value players, control, buttons, coins;

  bool has_driver = false;
  Value status, color, sound;
  bool cocktail_preliminary = false;
  // Newer MAME states colours and sound as features; unset means no feature said otherwise.
  std::string_view palette_feature = kGood;
  std::string_view sound_feature = kGood;

  void Reset();

  // Reading the machine's elements, each from its attributes as expat gives them (name, value,
  // ..., nullptr).
  void ReadDisplay(const char** atts);  // newer MAME
  void ReadVideo(const char** atts);    // older MAME
  void ReadSound(const char** atts);
  void ReadInput(const char** atts);
  void ReadControl(const char** atts);  // a child of input, in newer MAME
  void ReadDriver(const char** atts);
  void ReadFeature(const char** atts);

  // The lists are line based: a line break or tab inside a value would split or shift a line,
  // so each becomes a space.
  static void Flatten(std::string* text);
  // The value of attribute `key`; nullptr when there is none.
  static const char* Attribute(const char** atts, const char* key);
};

// Reads -listxml output fed in chunks of any size, in constant memory. Every machine element
// (also a device, whose children are not read) goes to the handler when it ends; values hold no
// line break or tab, as the lists the handler writes are line based.
//
// Malformed XML throws Error(source_name, line, "malformed XML at column C: <expat's text>"),
// with line and column counted from 1 in the input as fed; an exception the handler throws ends
// the read and is thrown from Feed() or Finish(). After a throw the reader is spent: later calls
// throw the same error.
class ListXmlReader {
 public:
  using MachineHandler = std::function<void(const ListXmlMachine&)>;
  // Gets the text of each <name> in a <header> beside the machines (a dat's own name), flattened
  // like the machines' values.
  using HeaderNameHandler = std::function<void(const std::string&)>;

  // `source_name` names the XML in error messages (a path, or how it was produced). `facts`,
  // when given, is handed every element it reads as well, and is complete after Finish().
  ListXmlReader(std::string source_name, MachineHandler on_machine,
                HeaderNameHandler on_header_name = nullptr, ListXmlFactsGatherer* facts = nullptr);
  ~ListXmlReader();
  ListXmlReader(const ListXmlReader&) = delete;
  ListXmlReader& operator=(const ListXmlReader&) = delete;

  // Reads the XML ahead on a second thread (see ListXmlSkimmer::ReadAhead()).
  void ReadAhead(size_t smallest_piece = ListXmlSkimmer::kSmallestPieceAhead);
  // The input is UTF-8 whatever its XML declaration says: XML converted from UTF-16 on its way
  // in. Only before the first Feed().
  void InputIsUtf8();
  void Feed(const char* data, size_t size);
  // Ends the XML input.
  void Finish();
  // The root element's build attribute ("0.251 (unknown)"), once the root has been read; empty
  // when it has none.
  const std::string& build() const;

 private:
  class Impl;
  std::unique_ptr<Impl> impl_;
};

}  // namespace tabulon
