// The first kilobytes of MAME's -listxml output: its root element names the MAME that writes it,
// long before the machines follow.
#pragma once

#include <cstddef>
#include <memory>
#include <string>
#include <string_view>

namespace tabulon {

// Reads output fed in pieces of any size until its root element is there. MAME 0.251 writes its
// root after a 7 KB document type declaration, a third of a second into a seven-second run.
class ListXmlHead {
 public:
  // How much of the output is read for the root at most: past it, what is written is not MAME's
  // -listxml.
  static constexpr size_t kLimit = 64 * 1024;

  ListXmlHead();
  ~ListXmlHead();
  ListXmlHead(const ListXmlHead&) = delete;
  ListXmlHead& operator=(const ListXmlHead&) = delete;

  // Reads more of the output; returns whether the head is read: the root element was found, or
  // what came is not XML, or kLimit bytes came without a root. Later calls read nothing more.
  bool Feed(const char* data, size_t size);
  bool read() const { return read_; }
  // Whether a root element was found, and its build attribute ("0.251 (unknown)"; empty when it
  // has none).
  bool has_root() const { return has_root_; }
  const std::string& build() const { return build_; }

 private:
  struct Parser;
  std::unique_ptr<Parser> parser_;
  size_t fed_ = 0;
  bool read_ = false;
  bool has_root_ = false;
  std::string build_;
};

// Whether the MAME of this build attribute is known to have none of the old list options (-li,
// -listdetails, -gamelist): their lists are then not asked for. False for a build that cannot be
// told, which is asked them.
bool BuildLacksOldListOptions(std::string_view build);

}  // namespace tabulon
