#include "mame/listxml_head.h"

#include <expat.h>

#include <algorithm>
#include <charconv>
#include <cstring>

namespace tabulon {

struct ListXmlHead::Parser {
  XML_Parser parser = XML_ParserCreate(nullptr);
  ~Parser() {
    if (parser != nullptr) XML_ParserFree(parser);
  }
};

ListXmlHead::ListXmlHead() : parser_(std::make_unique<Parser>()) {
  XML_SetUserData(parser_->parser, this);
  XML_SetStartElementHandler(parser_->parser,
                             [](void* data, const XML_Char*, const XML_Char** atts) {
                               auto* head = static_cast<ListXmlHead*>(data);
                               head->has_root_ = true;
                               for (const XML_Char** at = atts; at[0] != nullptr; at += 2) {
                                 if (std::strcmp(at[0], "build") == 0) head->build_ = at[1];
                               }
                               // The root is all that is wanted: expat stops at once, the rest is
                               // not parsed.
                               XML_StopParser(head->parser_->parser, XML_FALSE);
                             });
}

ListXmlHead::~ListXmlHead() = default;

bool ListXmlHead::Feed(const char* data, size_t size) {
  if (read_ || parser_->parser == nullptr) return read_ = true;
  const size_t take = std::min(size, kLimit - fed_);
  fed_ += take;
  // Stopped by the root, expat reports XML_STATUS_ERROR with XML_ERROR_ABORTED; any other error
  // means the output is not XML.
  const XML_Status status = XML_Parse(parser_->parser, data, static_cast<int>(take),
                                      fed_ == kLimit ? XML_TRUE : XML_FALSE);
  read_ = has_root_ || status != XML_STATUS_OK || fed_ == kLimit;
  return read_;
}

bool BuildLacksOldListOptions(std::string_view build) {
  // "0.251 (unknown)", "0.139u1 (Aug  8 2010)", "0.78 (Dec 30 2003)": the release before the
  // first space, its major and minor numbers.
  unsigned major = 0, minor = 0;
  const char* end = build.data() + build.size();
  auto [dot, major_error] = std::from_chars(build.data(), end, major);
  if (major_error != std::errc() || dot == end || *dot != '.') return false;
  if (std::from_chars(dot + 1, end, minor).ec != std::errc()) return false;
  // MAME's command-line front end of the 0.14x releases lists -listxml, -listfull, -listclones,
  // -listcrc, -listroms and their like, and no -listinfo, -listdetails or -gamelist; every later
  // MAME answers those as unknown options. 0.146 leaves a margin below which MAME is asked.
  return major > 0 || minor >= 146;
}

}  // namespace tabulon
