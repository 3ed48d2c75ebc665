// Turns MAME's -listxml output into the three lists old MAME printed for -li, -listdetails and
// -gamelist, so that a MAME which only knows -listxml still feeds the dat reader and the fixed
// column side-file reading unchanged.
#pragma once

#include <cstddef>
#include <memory>
#include <string>

#include "mame/listxml_skimmer.h"
#include "mame/old_mame_lists.h"

namespace tabulon {

class ListXmlFactsGatherer;

// Converts -listxml output fed in chunks of any size, in constant memory: only the machine
// being read is held, plus the resource blocks, which are few and must follow all games.
//
// The outputs listinfo.dat, listdetails.dat and gamelist.dat in `out_dir` are written to
// temporary files and renamed over the old ones only by Finish(), after the whole XML has
// been read. A conversion that fails (malformed XML, a write error) or is abandoned (the
// converter destroyed before Finish()) removes its temporary files and leaves the three old
// files exactly as they were, so nothing half-converted is ever there to be read.
//
// Every failure throws tabulon::Error. Malformed XML gives
// Error(source_name, line, "malformed XML at column C: <expat's text>"), with line and column
// counted from 1. After a throw the converter is spent: later calls throw the same error. Using
// it after a successful Finish() is a programming error (std::logic_error).
class ListXmlConverter {
 public:
  // `source_name` names the XML in error messages (a path, or how it was produced). `sink`, when
  // given, hears the lists' text as it is written (see ListTextSink). `facts`, when given,
  // gathers MAME's facts along the way, complete after Finish().
  // Throws Error naming the output file when its temporary file cannot be created.
  ListXmlConverter(std::string out_dir, std::string source_name, ListTextSink* sink = nullptr,
                   ListXmlFactsGatherer* facts = nullptr);
  ~ListXmlConverter();
  ListXmlConverter(const ListXmlConverter&) = delete;
  ListXmlConverter& operator=(const ListXmlConverter&) = delete;

  // Reads the XML ahead on a second thread (see ListXmlSkimmer::ReadAhead()): for a large XML,
  // when a core is free for it.
  void ReadAhead(size_t smallest_piece = ListXmlSkimmer::kSmallestPieceAhead);
  void Feed(const char* data, size_t size);
  // Ends the XML input and puts the three files in place: listinfo.dat last, so that a failure
  // between the renames never leaves game blocks without their side-file rows.
  void Finish();

  // Counts so far; complete after Finish().
  const ListXmlCounts& counts() const;
  // The build attribute of the XML's root element: which MAME wrote it.
  const std::string& build() const;

 private:
  class Impl;
  std::unique_ptr<Impl> impl_;
};

// Converts the -listxml file at `xml_path` (read in 256 KiB blocks) into `out_dir`. Throws Error
// naming the file when it cannot be read, and as ListXmlConverter does otherwise.
ListXmlCounts ConvertListXmlFile(const std::string& xml_path, const std::string& out_dir);

}  // namespace tabulon
