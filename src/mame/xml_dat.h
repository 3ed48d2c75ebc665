// XML dats in dats/: the datafile format of today's dat collections and ROM managers, or a saved
// MAME -listxml. Each is read as the block dat that the -listxml conversion writes for it, so one
// reader, with one set of rules, reads every dat.
#pragma once

#include <cstdio>
#include <exception>
#include <memory>
#include <string>
#include <vector>

#include "mame/listxml_reader.h"
#include "platform/line_source.h"
#include "records/run_state.h"

namespace tabulon {

// True when the first bytes of the file that are not white space (after a UTF-8 byte order
// mark) begin an XML declaration, a DOCTYPE, or a datafile or mame element. False when the file
// cannot be read: the block dat reader then says why.
bool IsXmlDat(const std::string& path);

// The lines of the block dat that the -listxml conversion writes for the XML at `path`: a game
// block per game or machine, the BIOS sets' resource blocks after all games, no devices. When a
// header's name comes before the first machine (a dat's own name, such as "Nintendo - Family
// Computer Disk System"), a CLRMAMEPRO header with that name comes first, so that it names the
// emulator. The XML is parsed block by block as lines are asked for; only the text not yet read
// out is held, plus the resource blocks.
//
// Failures are thrown from AtEnd() and ReadLine(), but only once every line made before them has
// been read: Error(path, "cannot open: ...") from the constructor, Error(path, "read error: ..."),
// and for XML that is not well-formed
// Error(shown_name, line, "malformed XML at column C: <expat's text>").
class XmlDatLines : public LineSource {
 public:
  XmlDatLines(const std::string& path, const std::string& shown_name);
  ~XmlDatLines() override;
  XmlDatLines(const XmlDatLines&) = delete;
  XmlDatLines& operator=(const XmlDatLines&) = delete;

  bool AtEnd() override;
  bool ReadLine(std::string* line) override;

 private:
  struct FileClose {
    void operator()(std::FILE* file) const { std::fclose(file); }
  };

  // Parses on until some text waits or the XML is over.
  void Fill();
  void ParseNextBlock();

  std::string path_;
  std::unique_ptr<std::FILE, FileClose> file_;
  ListXmlReader reader_;
  std::vector<char> block_;
  std::string text_;  // block dat text made and not yet read out, from pos_ on
  size_t pos_ = 0;
  std::string resources_;
  bool machine_seen_ = false;
  bool header_written_ = false;
  bool over_ = false;
  std::exception_ptr failure_;  // thrown once the text made before it has been read
};

// GetListInfo over the XML dat dats/<dat_name>. Returns the number of records added; throws as
// XmlDatLines does, with the records read before a fault kept in run.List1.
size_t GetXmlListInfo(const std::string& dat_name, RunState& run);

}  // namespace tabulon
