// XML dats in dats/: the datafile format of today's dat collections and ROM managers, or a saved
// MAME -listxml. Each is read as the block dat that the -listxml conversion writes for it, so one
// reader, with one set of rules, reads every dat.
#pragma once

#include <cstdio>
#include <functional>
#include <memory>
#include <string>

#include "mame/listxml_reader.h"
#include "platform/line_source.h"
#include "platform/task.h"
#include "platform/text_channel.h"
#include "records/run_state.h"

namespace tabulon {

// True when the first bytes of the file that are not white space (after a UTF-8 byte order
// mark, or read as UTF-16 after a UTF-16 one) begin an XML declaration, a DOCTYPE, or a datafile or
// mame element. False when the file cannot be read: the block dat reader then says why.
bool IsXmlDat(const std::string& path);

// The lines of the block dat that the -listxml conversion writes for the XML at `path`: a game
// block per game or machine, the BIOS sets' resource blocks after all games, no devices. When a
// header's name comes before the first machine (a dat's own name, such as "Nintendo - Family
// Computer Disk System"), a CLRMAMEPRO header with that name comes first, so that it names the
// emulator.
//
// A thread of its own parses the XML block by block while the lines already made are read, so
// the dat reader and expat each have a core; it stays at most a few MB of text ahead, so only
// that much is held, plus the resource blocks. Destroying the object stops and joins the thread.
//
// XML with a UTF-16 byte order mark is turned into UTF-8 on its way to the parser.
//
// Failures are thrown from AtEnd() and ReadLine(), but only once every line made before them has
// been read: Error(path, "read error: ..."); for XML that is not well-formed
// Error(shown_name, line, "malformed XML at column C: <expat's text>"); for a tag, text, comment
// or other token longer than kLongestToken, which the parser never sees, Error(shown_name,
// the line it starts on, "... longer than 1 MiB ..."). The constructor throws
// Error(path, "cannot open: ..."). While they wait for the parsing thread, AtEnd() and
// ReadLine() call `yield` every 100 ms, and let what it throws through.
class XmlDatLines : public LineSource {
 public:
  // Expat 2.5 parses a token that arrives in pieces again from its start with each piece, so
  // one huge attribute takes time in the square of its size (a minute for 200 MB) and cannot
  // be stopped meanwhile; no real dat has a token of even a tenth of this.
  static constexpr size_t kLongestToken = size_t{1} << 20;

  XmlDatLines(const std::string& path, const std::string& shown_name,
              std::function<void()> yield = nullptr);
  ~XmlDatLines() override = default;
  XmlDatLines(const XmlDatLines&) = delete;
  XmlDatLines& operator=(const XmlDatLines&) = delete;

  bool AtEnd() override { return lines_.AtEnd(); }
  bool ReadLine(std::string* line) override { return lines_.ReadLine(line); }

 private:
  struct FileClose {
    void operator()(std::FILE* file) const { std::fclose(file); }
  };

  // The parsing thread: reads, parses and hands over the text made of each block.
  void Parse(const std::stop_token& stop);

  std::string path_;
  std::string shown_name_;
  std::unique_ptr<std::FILE, FileClose> file_;
  ListXmlReader reader_;

  // The parsing thread's own.
  std::string made_;  // text made of the block being parsed
  std::string resources_;
  bool machine_seen_ = false;
  bool header_written_ = false;

  std::shared_ptr<TextChannel> made_lines_;
  ChannelLineReader lines_;
  Task parsing_;  // last: started once everything it uses is there, and ended first
};

// GetListInfo over the XML dat dats/<dat_name>. Returns the number of records added; throws as
// XmlDatLines does, with the records read before a fault kept in run.List1.
size_t GetXmlListInfo(const std::string& dat_name, RunState& run,
                      CategorySummary* categories = nullptr);

}  // namespace tabulon
