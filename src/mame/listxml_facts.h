// Gathers MAME's facts from the elements of its -listxml as a parser hands them over: on its own
// from listxml.xml (ReadFactsFromListXml), or along with the conversion of MAME's output, which
// reads the same elements' lines anyway and so saves the facts a second pass over the XML.
#pragma once

#include <string_view>

#include "mame/mame_facts.h"
#include "mame/mame_facts_builder.h"

namespace tabulon {

class ListXmlFactsGatherer {
 public:
  explicit ListXmlFactsGatherer(MameFacts* facts) : facts_(facts), builder_(facts, true) {}

  // The elements Start() reads: their lines must reach it, all others' may be cut.
  static bool ReadsElement(std::string_view name);

  // Every element of the XML, the root included, as expat gives them: name and the attributes
  // name, value, ..., nullptr.
  void Start(const char* name, const char** atts);
  void End();
  // An attribute declared in the XML's internal DTD subset.
  void Declared(const char* element, const char* attribute);
  // Once the whole XML has been read: the facts are complete.
  void Finish();

 private:
  bool BeginMachine(const char** atts);
  void StartChild(const char* name, const char** atts);
  void StartRom(const char** atts);
  void StartDisk(const char** atts);
  std::string_view Intern(const char* text);

  MameFacts* facts_;
  FactsBuilder builder_;
  int depth_ = 0;  // open elements; the root is level 1, machines level 2
  bool in_machine_ = false;
  bool in_input_ = false;  // the machine's <input> is the open element at level 3
  bool mechanical_known_ = false;
  bool controls_known_ = false;
};

}  // namespace tabulon
