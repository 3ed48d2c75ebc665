// The three lists old MAME printed for -li, -listdetails and -gamelist, written from the machines
// of its -listxml output: listinfo.dat, listdetails.dat and gamelist.dat.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

#include "mame/listxml_reader.h"
#include "platform/text_io.h"

namespace tabulon {

// What one conversion wrote.
struct ListXmlCounts {
  size_t games = 0;      // game blocks, and rows in each side file
  size_t resources = 0;  // resource blocks (BIOS sets)
  size_t devices = 0;    // device machines, left out
};

// Appends the listinfo block of a game ("game (") or a BIOS set ("resource (") to `out`, as old
// MAME's -li printed it. Not for devices, which the lists leave out.
void AppendListInfoBlock(const ListXmlMachine& machine, std::string* out);

// Hears the text of each list as it goes to its file, so that it can be read while the lists are
// still being made; and when all three files are in place, after which no more text comes.
class ListTextSink {
 public:
  enum class List { kListinfo, kListdetails, kGamelist };
  virtual ~ListTextSink() = default;
  virtual void Written(List list, std::string_view text) = 0;
  // Each list has now been given the text of the same games (the lists go out together), so a
  // reader that reads them in step finds, in all three, all it needs to read that far: the one
  // point where the sink may hold the writer back until its reader has caught up.
  virtual void Flushed() {}
  virtual void Committed() = 0;
};

// Writes the three lists into temporary files beside the old ones, which only Commit() replaces;
// destroyed before that, it removes its temporary files and leaves the old lists as they were.
// Only the text not yet written is held, plus the resource blocks, which are few and must follow
// all games. Every failure throws tabulon::Error naming the file.
class OldMameLists {
 public:
  // Creates the temporary files in `out_dir`; throws Error naming the list whose temporary file
  // cannot be created. `sink`, when given, hears everything written, and must outlive the lists.
  explicit OldMameLists(const std::string& out_dir, ListTextSink* sink = nullptr);

  // A game gets its listinfo block and a row in each side file; a resource's block waits for the
  // end; a device is only counted.
  void Add(const ListXmlMachine& machine);
  // Writes what is left and puts the three files in place: listinfo.dat last, so that a failure
  // between the renames never leaves game blocks without their side-file rows.
  void Commit();

  const ListXmlCounts& counts() const { return counts_; }

 private:
  void AppendDetailsRow(const ListXmlMachine& m);
  void AppendGamelistRow(const ListXmlMachine& m, std::string_view color, std::string_view sound);
  void Flush(ListTextSink::List list, std::string* buffer, AtomicTextWriter* writer);
  void FlushLarge();
  void FlushAll();

  AtomicTextWriter listinfo_;
  AtomicTextWriter listdetails_;
  AtomicTextWriter gamelist_;

  // Text waiting for its file; resources wait for the end, as they follow all games.
  std::string listinfo_out_;
  std::string details_out_;
  std::string gamelist_out_;
  std::string resources_out_;

  ListXmlCounts counts_;
  ListTextSink* sink_;
};

}  // namespace tabulon
