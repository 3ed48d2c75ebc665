// The -listxml conversion on any bytes, fed in pieces whose sizes the input picks: each piece is
// as long as the value of its first byte, plus one. Fed whole, the same bytes must give the same
// three lists, or the same error.
#include <algorithm>
#include <filesystem>

#include "fuzz_support.h"
#include "mame/listxml_converter.h"
#include "platform/error.h"
#include "platform/text_io.h"

using namespace tabulon;

namespace {

std::string Convert(std::string_view xml, const std::string& dir, bool in_pieces) {
  std::filesystem::create_directory(dir);
  try {
    ListXmlConverter converter(dir, "listxml.xml");
    for (size_t pos = 0, n; pos < xml.size(); pos += n) {
      n = in_pieces ? std::min<size_t>(1 + static_cast<uint8_t>(xml[pos]), xml.size() - pos)
                    : xml.size();
      converter.Feed(xml.data() + pos, n);
    }
    converter.Finish();
  } catch (const Error& e) {
    return e.what();
  }
  return ReadWholeFile(dir + "/listinfo.dat") + "\n---\n" +
         ReadWholeFile(dir + "/listdetails.dat") + "\n---\n" + ReadWholeFile(dir + "/gamelist.dat");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view xml = fuzz::Text(data, size);
  fuzz::ExpectSame("the conversion fed in pieces and fed whole",
                   Convert(xml, fuzz::AppDir() + "/pieces", true),
                   Convert(xml, fuzz::AppDir() + "/whole", false));
  return 0;
}
