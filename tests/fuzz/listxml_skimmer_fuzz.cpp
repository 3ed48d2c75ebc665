// The skimmer in front of the -listxml parser on any bytes: whatever lines it cuts, the conversion
// must judge the XML as plain expat does, with an error at the same line and column.
#include <expat.h>

#include "fuzz_support.h"
#include "mame/listxml_converter.h"
#include "platform/error.h"

using namespace tabulon;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view xml = fuzz::Text(data, size);
  std::string expat = "no error";
  XML_Parser parser = XML_ParserCreate(nullptr);
  if (XML_Parse(parser, xml.data(), static_cast<int>(xml.size()), XML_TRUE) != XML_STATUS_OK) {
    expat = FormatLocation("listxml.xml", static_cast<long>(XML_GetCurrentLineNumber(parser)),
                           "malformed XML at column " +
                               std::to_string(XML_GetCurrentColumnNumber(parser) + 1) + ": " +
                               XML_ErrorString(XML_GetErrorCode(parser)));
  }
  XML_ParserFree(parser);
  std::string conversion = "no error";
  try {
    ListXmlConverter converter(fuzz::AppDir(), "listxml.xml");
    converter.Feed(xml.data(), xml.size());
    converter.Finish();
  } catch (const Error& e) {
    conversion = e.what();
  }
  fuzz::ExpectSame("plain expat's verdict and the conversion's", expat, conversion);
  return 0;
}
