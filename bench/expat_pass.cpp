// expat_pass: the floor for the -listxml conversion. It only parses the file with expat, in the
// same 256 KiB blocks the converter reads, with handlers that count elements and nothing more.
//
//   expat_pass FILE
#include <expat.h>

#include <chrono>
#include <cstdio>
#include <vector>

#include "process_usage.h"

namespace {

void XMLCALL CountStart(void* user, const XML_Char* /*name*/, const XML_Char** /*atts*/) {
  ++*static_cast<long*>(user);
}

void XMLCALL IgnoreEnd(void* /*user*/, const XML_Char* /*name*/) {}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: expat_pass FILE\n");
    return 2;
  }
  const auto start = std::chrono::steady_clock::now();
  std::FILE* file = std::fopen(argv[1], "rb");
  if (file == nullptr) {
    std::perror(argv[1]);
    return 1;
  }
  long elements = 0;
  XML_Parser parser = XML_ParserCreate(nullptr);
  XML_SetUserData(parser, &elements);
  XML_SetElementHandler(parser, CountStart, IgnoreEnd);
  std::vector<char> block(256 * 1024);
  bool ok = true;
  size_t n;
  while (ok && (n = std::fread(block.data(), 1, block.size(), file)) > 0) {
    ok = XML_Parse(parser, block.data(), static_cast<int>(n), XML_FALSE) == XML_STATUS_OK;
  }
  ok = ok && XML_Parse(parser, nullptr, 0, XML_TRUE) == XML_STATUS_OK;
  if (!ok) {
    std::fprintf(stderr, "%s:%lu: %s\n", argv[1], XML_GetCurrentLineNumber(parser),
                 XML_ErrorString(XML_GetErrorCode(parser)));
  }
  XML_ParserFree(parser);
  std::fclose(file);
  const std::chrono::duration<double> seconds = std::chrono::steady_clock::now() - start;

  const tabulon::bench::ProcessUsage usage = tabulon::bench::OwnUsage();
  std::printf("expat pass: %ld elements, %.3f s wall, %.3f s CPU, peak RSS %.1f MB\n", elements,
              seconds.count(), usage.cpu_seconds, usage.peak_rss_mb);
  return ok ? 0 : 1;
}
