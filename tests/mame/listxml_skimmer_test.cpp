// The skimmer in front of the -listxml parser. Whatever it cuts, the conversion must find every
// error plain expat finds in the same XML, at the same line and column, and read the same text,
// whether it reads ahead on a second thread or not; and on real MAME output it must actually cut
// the lines it is there for.
#include "mame/listxml_skimmer.h"

#include <expat.h>
#include <gtest/gtest.h>

#include "mame/listxml_converter.h"
#include "testing/temp_dir.h"

namespace tabulon {
namespace {

// What expat alone says of `xml`, worded as the conversion words it.
std::string ExpatVerdict(const std::string& xml) {
  XML_Parser parser = XML_ParserCreate(nullptr);
  std::string verdict = "no error";
  if (XML_Parse(parser, xml.data(), static_cast<int>(xml.size()), XML_TRUE) != XML_STATUS_OK) {
    verdict = "listxml.xml:" + std::to_string(XML_GetCurrentLineNumber(parser)) +
              ": malformed XML at column " +
              std::to_string(XML_GetCurrentColumnNumber(parser) + 1) + ": " +
              XML_ErrorString(XML_GetErrorCode(parser));
  }
  XML_ParserFree(parser);
  return verdict;
}

// A modern -listxml with a document type declaration, around `body`, which goes inside the
// machine "m" after a ROM line to cut; `tail` closes the XML.
std::string Document(const std::string& body,
                     const std::string& tail = "\t</machine>\r\n</mame>\r\n") {
  return "<?xml version=\"1.0\"?>\r\n<!DOCTYPE mame [\r\n<!-- ]> in a comment -->\r\n"
         "<!ATTLIST rom status (good|nodump) \"good\" name CDATA \"]>\">\r\n]>\r\n"
         "<mame build=\"0.251\">\r\n\t<machine name=\"m\" sourcefile=\"m.cpp\">\r\n"
         "\t\t<description>M</description>\r\n\t\t<rom name=\"m.bin\" size=\"4\"/>\r\n" +
         body + tail;
}

// A modern -listxml without a document type declaration, whose plain machines are read whole:
// the machine "m", then `body`.
std::string PlainDocument(const std::string& body, const std::string& tail = "</mame>\r\n") {
  return "<?xml version=\"1.0\"?>\r\n<mame build=\"0.251\">\r\n\t<machine name=\"m\">\r\n"
         "\t\t<description>M</description>\r\n\t\t<rom name=\"m.bin\" size=\"4\"/>\r\n"
         "\t</machine>\r\n" +
         body + tail;
}

class ListXmlSkimmerTest : public ::testing::Test {
 protected:
  // The conversion's verdict on `xml`, fed in pieces of `chunk` bytes, each read ahead on the
  // second thread with `ahead`.
  std::string ConversionVerdict(const std::string& xml, size_t chunk, bool ahead = false) {
    return testing::ErrorOf([&] {
      ListXmlConverter converter(dir_.path(), "listxml.xml");
      if (ahead) converter.ReadAhead(1);
      for (size_t pos = 0; pos < xml.size(); pos += chunk)
        converter.Feed(xml.data() + pos, std::min(chunk, xml.size() - pos));
      converter.Finish();
    });
  }

  // The conversion judges `xml` as expat does, whole or in pieces, read ahead or not.
  void ExpectExpatsVerdict(const std::string& xml) {
    const std::string expected = ExpatVerdict(xml);
    for (size_t chunk : {xml.size(), size_t{5}, size_t{64}}) {
      for (bool ahead : {false, true}) {
        EXPECT_EQ(ConversionVerdict(xml, chunk, ahead), expected)
            << chunk << "-byte pieces" << (ahead ? ", read ahead," : "") << " of\n"
            << xml;
      }
    }
  }

  // The three lists the conversion writes of `xml`, the same whether read ahead or not.
  std::string Lists(const std::string& xml) {
    std::string lists[2];
    for (bool ahead : {false, true}) {
      EXPECT_EQ(ConversionVerdict(xml, 4096, ahead), "no error") << xml;
      lists[ahead] = testing::ReadFile(dir_ / "listinfo.dat") +
                     testing::ReadFile(dir_ / "listdetails.dat") +
                     testing::ReadFile(dir_ / "gamelist.dat");
    }
    EXPECT_EQ(lists[0], lists[1]) << "read ahead";
    return lists[0];
  }

  testing::TempDir dir_;
};

// Errors in lines that look like lines to cut, errors the cutting could hide (a line inside an
// attribute value, after the root, or holding a comment's or CDATA section's end), and elements
// over several lines that do not close as they opened.
TEST_F(ListXmlSkimmerTest, TheConversionSeesWhatExpatSees) {
  const std::string rom = "\t\t<rom name=\"a.bin\" size=\"4\"/>\r\n";
  const std::string long_value = "\t\t<rom name=\"abcdefghijklmnopq";  // scanned in blocks
  // clang-format off
  const std::string documents[] = {
      Document("\t\t<rom name=\"a&b\" size=\"4\"/>\r\n"), Document("\t\t<rom name=\"a&amp;b&ap\"/>\r\n"),
      Document("\t\t<rom name=\"a&lt;&gt;&quot;&apos;&nbsp;\"/>\r\n"),
      Document("\t\t<rom name=\"&#180;&#xB4;&#x10FFFF;&#xFFFE;\"/>\r\n"),
      Document("\t\t<rom name=\"&#180;&#0;\"/>\r\n"), Document("\t\t<rom name=\"&#180;&#x;&#12a;\"/>\r\n"),
      Document("\t\t<rom name=\"a\"size=\"4\"/>\r\n"), Document("\t\t<rom name=\"a\" size=\"4\" name=\"b\"/>\r\n"),
      Document("\t\t<rom name=\"\xff\"/>\r\n"), Document("\t\t<rom name=\"a\x01\"/>\r\n"),
      Document("\t\t<rom name=\"a\" / >\r\n"), "\xEF\xBB\xBF" + Document("\t\t<rom name=\"a\" / >\r\n"), Document(long_value + "\xffrstuvwxyz0123456789\" size=\"4\"/>\r\n"),
      Document(long_value + "\x01rstuvwxyz0123456789\" size=\"4\"/>\r\n"),
      Document(long_value + "<rstuvwxyz0123456789\" size=\"4\"/>\r\n"),
      Document(long_value + "&bad;rstuvwxyz0123456789\" size=\"4\"/>\r\n"),
      Document(long_value + "\"rstuvwxyz0123456789\" size=\"4\"/>\r\n"),
      Document("", "\t</machine>\r\n</mame>\r\n" + rom),
      Document("\t\t<dipswitch name=\"d\">\r\n\t\t\t<dipvalue name=\"v\"/>\r\n\t\t</port>\r\n"),
      Document("\t\t<dipswitch name=\"d\">\r\n\t\t\t<port tag=\"p\">\r\n\t\t</dipswitch>\r\n" +
               rom + "\t\t\t</port>\r\n"),
      Document("\t\t<dipswitch name=\"d\">\r\n\t\t\t<dipvalue name=\"v\"/>\r\n", ""),
      Document("\t\t<rom name=\"a\"", ""), Document("\t\t<chip name=\"a\r\n" + rom + "\t\t\"/>\r\n"),
      // Well-formed: the cut must not end or open a comment, CDATA section or PI.
      Document("\t\t<!-- a note\r\n\t\t<rom name=\"-->\"/>\r\n"),
      Document("\t\t<![CDATA[ a note\r\n\t\t<rom name=\"]]>\"/>\r\n"),
      Document("\t\t<?note a\r\n\t\t<rom name=\"?>\"/>\r\n"),
      Document("\t\t<!-- a note\r\n" + rom + "\t\t-- -->\r\n"),
      // Errors well after runs of cut lines, one of them in a token that began lines before.
      Document(
          rom + rom + "\t\t<display type=\"raster\"/>\r\n" + rom +
          "\t\t<dipswitch name=\"d\">\r\n\t\t\t<dipvalue name=\"v\"/>\r\n\t\t</dipswitch>\r\n" +
          rom + "\t\t</rom>\r\n"),
      Document(
          rom + rom + "\t\t<sound channels=\"1\"/>\r\n" + rom + "\t\t<!-- never closed\r\n" + rom,
          "")};
  // clang-format on
  for (const std::string& xml : documents) {
    ListXmlSkimmer skimmer([](std::string_view) { return false; });
    std::string skimmed;
    skimmer.Feed(xml, &skimmed);
    EXPECT_GE(skimmer.lines_cut(), 1u) << xml;
    ExpectExpatsVerdict(xml);
  }
}

// Machines read whole, past the parser, and errors in lines that look like theirs: a machine
// that does not close as it opened, text that is not plain, and errors after such machines.
TEST_F(ListXmlSkimmerTest, MachinesReadWholeHideNoError) {
  const std::string machine = "\t<machine name=\"n\">\r\n\t\t<year>1980</year>\r\n\t</machine>\r\n";
  // clang-format off
  const std::string documents[] = {
      PlainDocument(machine + "\t<machine name=\"o\">\r\n\t\t<year>1980</yea>\r\n\t</machine>\r\n"),
      PlainDocument("\t<machine name=\"o\">\r\n\t\t<year>19]]>80</year>\r\n\t</machine>\r\n"),
      PlainDocument("\t<machine name=\"o\">\r\n\t\t<year>19&80</year>\r\n\t</machine>\r\n"),
      PlainDocument("\t<machine name=\"o\">\r\n\t\t<year>19\x01</year>\r\n\t</machine>\r\n"),
      PlainDocument("\t<machine name=\"o\" name=\"p\">\r\n\t</machine>\r\n"),
      PlainDocument("\t<machine name=\"o&amp;\" x=\"&bad;\">\r\n\t</machine>\r\n"),
      PlainDocument("\t<machine name=\"o\">\r\n\t\t<rom name=\"a\"/>\r\n"),
      PlainDocument("\t<machine name=\"o\">\r\n\t\t<rom name=\"a\"/>\r\n", ""),
      PlainDocument(machine + machine + "\t</machine>\r\n"),
      PlainDocument(machine + machine, "</mame>\r\n" + machine),
      PlainDocument(machine + "\t<machine name=\"o\">\r\n\t\t<input>\r\n\t</machine>\r\n"),
      PlainDocument("\t<machine name=\"o\">\r\n\t\t<year>19<<year>\r\n\t</machine>\r\n"),
      PlainDocument("\t<machine name=\"o\">\r\n\t\t<rom name=\"a\"/>\r\n\t\t<x\ry=\"1\"/>\r\n" +
                    machine + "\t</machin>\r\n"),
      PlainDocument(machine + "\t<machine name=\"o\">\r\n\t\t<x>a</x>\r\n" + machine +
                    "\t\t<y>\r\n\t</machine>\r\n")};
  // clang-format on
  for (const std::string& xml : documents) ExpectExpatsVerdict(xml);
}

// A machine read whole gives the lists the parser would. The reference is the same XML with a
// comment line in each machine, which no machine read whole may hold. Machines that cannot
// be read whole (an entity, a character above ASCII, text over lines, more than the skimmer
// holds) go to the parser as they stand, their ROM lines still cut. Behind a subset the skimmer
// can read, the machines read whole get the attribute defaults it declares, the first
// declaration counting, and the values of attributes declared other than CDATA trimmed and their
// spaces collapsed, as the parser gives them.
TEST_F(ListXmlSkimmerTest, MachinesReadWholeGiveWhatTheParserGives) {
  std::string roms;
  for (int i = 0; i < 2000; ++i) roms += "\t\t<rom name=\"r\" size=\"4\"/>\r\n";
  const std::string body =
      "\t<machine name=\"a\" sourcefile=\"a.cpp\" cloneof=\"m\" romof=\"m\">\r\n"
      "\t\t<description>A \t(World)</description>\r\n\t\t<year></year>\r\n"
      "\t\t<manufacturer >Maker</manufacturer >\r\n"
      "\t\t<display type=\"ras\tter\" rotate=\"90\" width=\"320\" height=\"224\" "
      "refresh=\"60\"/>\r\n\t\t<sound channels=\"2\"/>\r\n"
      "\t\t<input players=\"2\" coins=\"1\">\r\n"
      "\t\t\t<control type=\"joy\" ways=\"8\" buttons=\"3\"/>\r\n\t\t</input>\r\n"
      "\t\t<dipswitch name=\"d\">\r\n\t\t\t<dipvalue name=\"v\"/>\r\n\t\t</dipswitch>\r\n"
      "\t\t<slot name=\"s\">\r\n\t\t\t<description>no</description>\r\n\t\t</slot>\r\n"
      "\t\t<ramoption default=\"yes\">1M</ramoption>\r\n"
      "\t\t<driver status=\"imperfect\" color=\"good\" sound=\"good\"/>\r\n"
      "\t\t<feature type=\"sound\" status=\"unemulated\"/>\r\n\t</machine>\r\n"
      "\t<machine name=\"b\" isbios=\"yes\">\r\n\t\t<description>B &amp; C</description>\r\n"
      "\t\t<rom name=\"b\"/>\r\n\t</machine>\r\n"
      "\t<machine name=\"c\"><description>C</description>\r\n\t</machine>\r\n"
      "\t<machine name=\"d\" isdevice=\"yes\">\r\n\t\t<description>D</description>\r\n"
      "\t</machine>\r\n"
      "\t<machine name=\"e\">\r\n\t\t<description>Caf\xc3\xa9</description>\r\n\t</machine>\r\n"
      "\t<machine name=\"f\">\r\n\t\t<description>\r\nF\r\n</description>\r\n\t</machine>\r\n"
      "\t<machine name=\"g\">\r\n\t\t<description>G</description>\r\n" +
      roms +
      "\t</machine>\r\n\t<game name=\"h\" runnable=\"no\">\r\n"
      "\t\t<video screen=\"vector\" orientation=\"vertical\"/>\r\n"
      "\t\t<driver status=\"good\" color=\"imperfect\" cocktail=\"preliminary\"/>\r\n"
      "\t</game>\r\n"
      "\t<machine name=\"i\" cloneof=\" \tm  x \" runnable=\"yes\" isbios=\"no\">\r\n"
      "\t\t<description>I</description>\r\n"
      "\t\t<display type=\" raster\" rotate=\" 270 \"/>\r\n"
      "\t\t<driver status=\" preliminary \" color=\"good\"/>\r\n\t</machine>\r\n";
  // The skimmer reads the first three subsets and so reads machines whole; the parser alone
  // reads the rest.
  const std::string subsets[] = {
      "",
      // MAME 0.251's own defaults, and a comment and a PI.
      "<!ELEMENT mame (machine+)>\r\n\t<!ATTLIST mame build CDATA #IMPLIED>\r\n"
      "<!-- <!ENTITY no \"no\"> -->\r\n<?note ]? ?>\r\n"
      "\t<!ATTLIST machine isbios (yes|no) \"no\">\r\n"
      "\t<!ATTLIST machine runnable (yes|no) \"yes\">\r\n"
      "\t\t<!ATTLIST display flipx (yes|no) \"no\">\r\n",
      // Defaults that change the lists, and values the parser trims.
      "<!ATTLIST machine runnable (yes|no) 'no' cloneof NMTOKENS #IMPLIED\r\n"
      "\tsourcefile CDATA #FIXED \" x\t.cpp \" romof CDATA \"p\">\r\n"
      "<!ATTLIST machine sourcefile CDATA \"y.cpp\" isdevice CDATA #REQUIRED>\r\n"
      "<!ATTLIST display rotate NOTATION (n) #IMPLIED type CDATA #IMPLIED>\r\n"
      "<!ATTLIST driver status (good|preliminary) \"  good  \" cocktail CDATA \"preliminary\">\r\n"
      "<!ATTLIST rom size CDATA \"0\">\r\n",
      // After a parameter entity reference the parser takes no more defaults.
      "<!ENTITY % e \"\">\r\n%e;\r\n<!ATTLIST machine runnable CDATA 'no'>\r\n",
      // A default holding a reference.
      "<!ATTLIST machine romof CDATA 'p&amp;q'>\r\n"};
  // clang-format off
  struct Machines final : ListXmlSkimmer::Sink {
    void Flush() override {}
    void StartElement(const char* name, const char**) override { count += std::string_view(name) == "machine"; }
    void Text(std::string_view) override {} void EndElement() override {}
    int count = 0;
  };
  // clang-format on
  for (const std::string& subset : subsets) {
    std::string read_whole = PlainDocument(body);
    read_whole.insert(read_whole.find("<mame"), "<!DOCTYPE mame [\r\n" + subset + "]>\r\n");
    std::string parsed = read_whole;
    for (size_t at = 0; (at = parsed.find("\n\t<", at)) != std::string::npos;) {
      at = parsed.find('\n', at + 1) + 1;
      if (parsed.compare(at - 3, 2, "e>") != 0) parsed.insert(at, "\t\t<!-- -->\r\n");
    }
    EXPECT_EQ(Lists(read_whole), Lists(parsed)) << subset;
    ListXmlSkimmer skimmer([](std::string_view name) { return name != "rom"; });
    Machines machines;
    skimmer.SetSink(&machines);
    std::string out;
    skimmer.Feed(read_whole, &out);
    skimmer.Finish(&out);
    EXPECT_EQ(machines.count > 0, &subset < subsets + 3) << subset;
  }
}

// The text around a cut line keeps its white space, and a CDATA section keeps its lines. An
// element spread over more lines than the skimmer holds goes on uncut as it comes, so memory
// stays bounded however long it is, and the XML still reads the same.
TEST_F(ListXmlSkimmerTest, TextAroundCutLinesAndLongElementsAreKept) {
  std::string dipswitch = "\t\t<dipswitch name=\"d\">\r\n";
  for (int i = 0; i < 5000; ++i) dipswitch += "\t\t\t<dipvalue name=\"v\"/>\r\n";
  const std::string xml =
      Document("\t\t<year>19\r\n\t\t<rom name=\"a\"/>\r\n\t\t80</year>\r\n",
               "\t</machine>\r\n\t<machine name=\"n\">\r\n"
               "\t\t<description><![CDATA[N\r\n\t\t<rom name=\"b\"/>\r\n]]></description>\r\n" +
                   dipswitch + "\t\t</dipswitch>\r\n\t</machine>\r\n</mame>\r\n");
  ASSERT_EQ(ConversionVerdict(xml, 4096), "no error");
  const std::string listinfo = testing::ReadFile(dir_ / "listinfo.dat");
  EXPECT_CONTAINS(listinfo, "\tyear 19      80\r\n");
  EXPECT_CONTAINS(listinfo, "\tdescription \"N   <rom name=\"b\"/> \"\r\n");
  ListXmlSkimmer skimmer([](std::string_view) { return false; });
  std::string out;
  skimmer.Feed(xml.substr(0, xml.size() - 100), &out);
  EXPECT_CONTAINS(out, dipswitch.substr(0, 1000));
}

// On MAME 0.78's real output, behind its document type declaration and with CR LF line ends,
// every ROM, chip and DIP switch line is cut; the rest the parser still sees.
TEST_F(ListXmlSkimmerTest, RealOutputIsCutToWhatTheConversionReads) {
  const std::string xml = testing::ReadFile(testing::TestData("mame_dats/mame078_listxml.xml"));
  auto count = [](const std::string& text, const std::string& what) {
    size_t n = 0;
    for (size_t pos = 0; (pos = text.find(what, pos)) != std::string::npos; pos += what.size()) ++n;
    return n;
  };
  ListXmlSkimmer skimmer([](std::string_view name) { return name == "description"; });
  std::string out;
  for (size_t pos = 0; pos < xml.size(); pos += 4096) skimmer.Feed(xml.substr(pos, 4096), &out);
  skimmer.Finish(&out);
  EXPECT_EQ(count(out, "\n") + skimmer.lines_cut(), count(xml, "\n"));
  EXPECT_EQ(count(out, "<description>"), count(xml, "<description>"));
  for (const char* cut : {"<rom ", "<chip ", "<dipswitch ", "<dipvalue ", "<video "}) {
    EXPECT_GT(count(xml, cut), 1000u) << cut;
    EXPECT_EQ(count(out, cut), 0u) << cut;
  }
  EXPECT_EQ(ExpatVerdict(out), "no error");
}

}  // namespace
}  // namespace tabulon
