// The XML DOM: loading and its failures, names as written, selections
// relative to nodes, texts, encodings, and safety against hostile documents.
#include <arpa/inet.h>
#include <fcntl.h>
#include <libxml/parser.h>
#include <netinet/in.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <map>

#include "feed/AttributeCount.h"
#include "feed/XmlDocument.h"
#include "tests/feed/FeedTestSupport.h"

namespace varnika::testing {
namespace {

// The Turkish letters in the single-byte code pages ISO-8859-9 and
// Windows-1254 (identical for these letters).
std::string TurkishSingleByte(std::string_view utf8) {
  static const std::map<std::string, char> kBytes = {
      {"Ç", '\xC7'}, {"ç", '\xE7'}, {"Ğ", '\xD0'}, {"ğ", '\xF0'}, {"İ", '\xDD'}, {"ı", '\xFD'},
      {"Ö", '\xD6'}, {"ö", '\xF6'}, {"Ş", '\xDE'}, {"ş", '\xFE'}, {"Ü", '\xDC'}, {"ü", '\xFC'}};
  std::string out;
  for (std::size_t i = 0; i < utf8.size();) {
    std::size_t length = static_cast<unsigned char>(utf8[i]) >= 0xC0 ? 2 : 1;
    std::string c(utf8.substr(i, length));
    out += length == 1 ? c[0] : kBytes.at(c);
    i += length;
  }
  return out;
}

std::string Utf16(std::string_view ascii_or_turkish, bool big_endian) {
  std::u16string wide;
  static const std::map<std::string, char16_t> kLetters = {
      {"Ç", u'Ç'}, {"ç", u'ç'}, {"Ğ", u'Ğ'}, {"ğ", u'ğ'}, {"İ", u'İ'}, {"ı", u'ı'},
      {"Ö", u'Ö'}, {"ö", u'ö'}, {"Ş", u'Ş'}, {"ş", u'ş'}, {"Ü", u'Ü'}, {"ü", u'ü'}};
  for (std::size_t i = 0; i < ascii_or_turkish.size();) {
    std::size_t length = static_cast<unsigned char>(ascii_or_turkish[i]) >= 0xC0 ? 2 : 1;
    std::string c(ascii_or_turkish.substr(i, length));
    wide += length == 1 ? static_cast<char16_t>(c[0]) : kLetters.at(c);
    i += length;
  }
  std::string bytes = big_endian ? "\xFE\xFF" : "\xFF\xFE";
  for (char16_t c : wide) {
    char hi = static_cast<char>(c >> 8), lo = static_cast<char>(c & 0xFF);
    bytes += big_endian ? std::string{hi, lo} : std::string{lo, hi};
  }
  return bytes;
}

constexpr char kTurkish[] = "Iğdır'da şenlik: ÇÖĞÜŞİ çöğüşı";

TEST(XmlDocumentTest, LoadsFromBytesAndFilesAndReportsFailure) {
  TempFolder folder;
  TXmlDocument document;
  EXPECT_FALSE(document.Loaded());
  EXPECT_EQ(document.selectNodes("/a").length(), 0);

  ASSERT_TRUE(document.loadXML("<a><b>1</b><b>2</b></a>"));
  EXPECT_EQ(document.selectNodes("/a/b").length(), 2);
  EXPECT_TRUE(document.parseError().empty());

  ASSERT_TRUE(document.load(folder.Write("one.xml", "<a><b>only</b></a>")));
  EXPECT_EQ(document.selectSingleNode("/a/b").text(), "only");

  // Each failure drops the document that was loaded before it.
  for (std::string bytes : {"<a><b></a>", "", "plain text", "<a/><b/>"}) {
    ASSERT_TRUE(document.loadXML("<a/>"));
    EXPECT_FALSE(document.loadXML(bytes)) << bytes;
    EXPECT_FALSE(document.Loaded());
    EXPECT_FALSE(document.parseError().empty()) << bytes;
    EXPECT_EQ(document.selectNodes("/a").length(), 0);
  }
  EXPECT_FALSE(document.load(folder.Path("missing.xml")));
  EXPECT_FALSE(document.parseError().empty());
  EXPECT_FALSE(document.load(folder.Folder().string()));

  // Neither a FIFO (which would block) nor a file beyond the cap (a sparse
  // one, refused before a byte is read) is read.
  const std::string fifo = folder.Path("fifo.xml");
  ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
  EXPECT_FALSE(document.load(fifo));
  EXPECT_EQ(document.parseError(), "Not a regular file");
  const std::string huge = folder.Write("huge.xml", "<a/>");
  std::filesystem::resize_file(huge, TXmlDocument::kMaxFileBytes + 1);
  EXPECT_FALSE(document.load(huge));
  EXPECT_EQ(document.parseError(), "File too large");
  std::filesystem::resize_file(huge, 4);
  EXPECT_TRUE(document.load(huge));
}

TEST(XmlDocumentTest, NamesMatchAsWrittenWhateverTheNamespaces) {
  TXmlDocument document;
  ASSERT_TRUE(document.loadXML(
      "<feed xmlns='http://www.w3.org/2005/Atom' xmlns:m='urn:media'>"
      "<entry><m:title>prefixed</m:title><title>plain</title></entry><m:entry/><entry/></feed>"));
  TXmlNodeList entries = document.selectNodes("/feed/entry");
  ASSERT_EQ(entries.length(), 2);
  EXPECT_EQ(entries.item(0).nodeName(), "entry");
  EXPECT_EQ(entries.item(0).selectSingleNode("title").text(), "plain");
  EXPECT_EQ(entries.item(0).selectNodes("*").item(0).nodeName(), "m:title");

  // A prefixed root is named with its prefix: the plain path finds nothing.
  ASSERT_TRUE(document.loadXML("<a:feed xmlns:a='http://www.w3.org/2005/Atom'><a:entry/></a:feed>"));
  EXPECT_EQ(document.documentElement().nodeName(), "a:feed");
  EXPECT_EQ(document.selectNodes("/feed/entry").length(), 0);
  EXPECT_EQ(document.selectNodes("/feed").length(), 0);
}

TEST(XmlDocumentTest, SelectionsRelativeToANodeFollowDocumentOrder) {
  TXmlDocument document;
  ASSERT_TRUE(document.loadXML(
      "<feed><entry><link href='first'/><link href='second'/><title>A</title></entry>"
      "<entry><title>B</title></entry></feed>"));
  TXmlNodeList entries = document.selectNodes("/feed/entry");
  ASSERT_EQ(entries.length(), 2);
  EXPECT_EQ(entries.item(0).selectSingleNode("link/@href").text(), "first");
  EXPECT_EQ(entries.item(0).selectNodes("link/@href").length(), 2);
  EXPECT_EQ(entries.item(1).selectSingleNode("title").text(), "B");
  EXPECT_FALSE(entries.item(1).selectSingleNode("link/@href"));
  EXPECT_EQ(entries.item(1).selectSingleNode("link/@href").text(), "");
  EXPECT_FALSE(entries.item(2));
  EXPECT_FALSE(entries.item(-1));
}

TEST(XmlDocumentTest, TextJoinsCharacterDataAndExpandsEntities) {
  TXmlDocument document;
  ASSERT_TRUE(document.loadXML(
      "<!DOCTYPE r [<!ENTITY e 'E&amp;<b>x</b>'><!ENTITY twice '&e;&e;'><!ENTITY plain 'P'>]>"
      "<r a='&plain;!'>a<![CDATA[<c>]]>&twice;<!--no--><?pi no?><i>&#351;</i>&lt;</r>"));
  EXPECT_EQ(document.documentElement().text(), "a<c>E&xE&xş<");
  EXPECT_EQ(document.selectSingleNode("/r/@a").text(), "P!");
}

TEST(XmlDocumentTest, DecodesByByteOrderMarkOrDeclaration) {
  const std::string body = std::string("<t>") + kTurkish + "</t>";
  const std::map<std::string, std::string> documents = {
      {"ISO-8859-9", "<?xml version='1.0' encoding='ISO-8859-9'?>" + TurkishSingleByte(body)},
      {"Windows-1254", "<?xml version='1.0' encoding='windows-1254'?>" + TurkishSingleByte(body)},
      {"UTF-16LE BOM", Utf16("<?xml version='1.0' encoding='UTF-16'?>" + body, false)},
      {"UTF-16BE BOM", Utf16(body, true)},
      {"UTF-8 BOM", "\xEF\xBB\xBF" + body},
      {"UTF-8", "<?xml version='1.0' encoding='utf-8'?>" + body},
  };
  for (const auto& [name, bytes] : documents) {
    TXmlDocument document;
    ASSERT_TRUE(document.loadXML(bytes)) << name << ": " << document.parseError();
    EXPECT_EQ(document.selectSingleNode("/t").text(), kTurkish) << name;
  }
  // The euro sign exists only in Windows-1254.
  TXmlDocument document;
  ASSERT_TRUE(document.loadXML("<?xml version='1.0' encoding='windows-1254'?><t>\x80</t>"));
  EXPECT_EQ(document.selectSingleNode("/t").text(), "€");
}

TEST(XmlDocumentTest, UndeclaredNamedEntitiesReadAsTheirHtmlCharacters) {
  const std::pair<std::string, std::string> cases[] = {
      {"<r>Caf&eacute; cr&egrave;me&nbsp;&rsquo;&amp;&#233;</r>", "Café crème\u00A0’&é"},
      // The usual RSS 0.91 prologue: its DTD is named, never loaded.
      {"<?xml version='1.0' encoding='ISO-8859-1'?><!DOCTYPE rss PUBLIC \"-//Netscape Communications//DTD RSS "
       "0.91//EN\" \"http://my.netscape.com/publish/formats/rss-0.91.dtd\"><r>Caf&eacute; cr\xE8me</r>",
       "Café crème"},
      {"<r a='&hellip;&mdash;'>x</r>", "x"},
      // The document's own declaration comes first.
      {"<!DOCTYPE r [<!ENTITY nbsp 'own'>]><r>&nbsp;</r>", "own"},
  };
  for (const auto& [xml, text] : cases) {
    TXmlDocument document;
    ASSERT_TRUE(document.loadXML(xml)) << xml << ": " << document.parseError();
    EXPECT_EQ(document.documentElement().text(), text) << xml;
  }
  TXmlDocument document;
  ASSERT_TRUE(document.loadXML("<r a='&hellip;&mdash;'/>"));
  EXPECT_EQ(document.selectSingleNode("/r/@a").text(), "…—");
  EXPECT_FALSE(document.loadXML("<r>&nosuchentity;</r>"));
}

TEST(XmlDocumentTest, UndeclaredBytesThatAreNotUtf8FollowTheGivenCharset) {
  const std::string latin5 = TurkishSingleByte(std::string("<t>") + kTurkish + "</t>");
  struct Case {
    std::string bytes, charset, text;
  } const cases[] = {
      {latin5, "ISO-8859-9", kTurkish},
      {latin5, "windows-1254", kTurkish},
      // Without a charset, or with one that cannot be right: Windows-1252.
      {"<t>Caf\xE9 \x93x\x94</t>", "", "Café “x”"},
      {"<t>Caf\xE9</t>", "utf-8", "Café"},
      {"<t>Caf\xE9</t>", "no-such-charset", "Café"},
      // The document's declaration, and UTF-8 bytes, are never overridden.
      {"<?xml version='1.0' encoding='ISO-8859-9'?><t>\xFD</t>", "windows-1252", "ı"},
      {"<t>ı</t>", "ISO-8859-9", "ı"},
  };
  for (const Case& c : cases) {
    TXmlDocument document;
    ASSERT_TRUE(document.loadXML(c.bytes, c.charset)) << c.charset << ": " << document.parseError();
    EXPECT_EQ(document.documentElement().text(), c.text) << c.charset;
  }
  TempFolder folder;
  TXmlDocument document;
  ASSERT_TRUE(document.load(folder.Write("latin5.xml", latin5), "ISO-8859-9"));
  EXPECT_EQ(document.documentElement().text(), kTurkish);
  for (const auto& [header, charset] : std::map<std::string, std::string>{
           {"text/xml; charset=ISO-8859-9", "ISO-8859-9"},
           {"application/rss+xml;Charset=\"windows-1254\" ; q=1", "windows-1254"},
           {"text/xml", ""},
           {"text/xml; format=flowed", ""}})
    EXPECT_EQ(ContentTypeCharset(header), charset) << header;
}

TEST(XmlDocumentTest, InvalidExpressionsRaiseAndNamespaceNodesAreSkipped) {
  TXmlDocument document;
  ASSERT_TRUE(document.loadXML("<a xmlns:x='urn:x'><b/></a>"));
  EXPECT_THROW(document.selectNodes("/a/["), EXmlError);
  EXPECT_THROW(document.selectNodes("count(/a/b)"), EXmlError);
  EXPECT_THROW(document.selectNodes("/x:a"), EXmlError);  // a prefix the query does not know
  EXPECT_EQ(document.selectNodes("/a/namespace::*").length(), 0);
}

// --- hostile documents ---------------------------------------------------------------

std::string BillionLaughs() {
  std::string xml = "<!DOCTYPE r [<!ENTITY l0 'lol'>";
  for (int i = 1; i <= 9; ++i) {
    xml += "<!ENTITY l" + std::to_string(i) + " '";
    for (int j = 0; j < 10; ++j) xml += "&l" + std::to_string(i - 1) + ";";
    xml += "'>";
  }
  return xml + "]><rss><channel><item><title>&l9;</title></item></channel></rss>";
}

// One large entity referenced many times: small to parse, gigabytes to read.
std::string QuadraticBlowup() {
  std::string xml = "<!DOCTYPE r [<!ENTITY a '" + std::string(100000, 'A') + "'>]><rss><channel><item><title>";
  for (int i = 0; i < 20000; ++i) xml += "&a;";
  return xml + "</title></item></channel></rss>";
}

long MaxResidentKilobytes() {
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  return usage.ru_maxrss;
}

TEST(XmlDocumentTest, EntityBombsAreRefusedInBoundedTimeAndMemory) {
  const long resident_before = MaxResidentKilobytes();
  for (const std::string& bomb : {BillionLaughs(), QuadraticBlowup()}) {
    TXmlDocument document;
    auto start = std::chrono::steady_clock::now();
    EXPECT_FALSE(document.loadXML(bomb));
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(5));
    EXPECT_FALSE(document.parseError().empty());
  }
  EXPECT_LT(MaxResidentKilobytes() - resident_before, 200 * 1024);

  // Entities used within reason still load.
  std::string modest = "<!DOCTYPE r [<!ENTITY a '" + std::string(1000, 'A') + "'>]><r>";
  for (int i = 0; i < 50; ++i) modest += "&a;";
  TXmlDocument document;
  ASSERT_TRUE(document.loadXML(modest + "</r>"));
  EXPECT_EQ(document.documentElement().text().size(), 50000u);
}

TEST(XmlDocumentTest, NeverReadsExternalEntitiesOrGoesToTheNetwork) {
  TempFolder folder;
  const std::string secret = folder.Write("secret.txt", "SECRET-CONTENT");
  int listener = ::socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK, 0);
  ASSERT_GE(listener, 0);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  socklen_t length = sizeof address;
  ASSERT_EQ(::bind(listener, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
  ASSERT_EQ(::listen(listener, 4), 0);
  ASSERT_EQ(::getsockname(listener, reinterpret_cast<sockaddr*>(&address), &length), 0);
  const std::string url = "http://127.0.0.1:" + std::to_string(ntohs(address.sin_port));

  const std::string documents[] = {
      "<!DOCTYPE r [<!ENTITY s SYSTEM 'file://" + secret + "'>]><r>&s;</r>",
      "<!DOCTYPE r [<!ENTITY s SYSTEM '" + secret + "'>]><r a='x'>&s;</r>",
      "<!DOCTYPE r [<!ENTITY % p SYSTEM 'file://" + secret + "'> %p;]><r>text</r>",
      "<!DOCTYPE r SYSTEM '" + url + "/r.dtd'><r>&undeclared;</r>",
      "<!DOCTYPE r [<!ENTITY n SYSTEM '" + url + "/n.xml'>]><r>&n;</r>",
      "<r xmlns:xi='http://www.w3.org/2001/XInclude'><xi:include href='" + secret + "' parse='text'/></r>",
  };
  for (const std::string& xml : documents) {
    TXmlDocument document;
    if (document.loadXML(xml)) {
      EXPECT_EQ(document.documentElement().text().find("SECRET"), std::string::npos) << xml;
    }
  }
  EXPECT_LT(::accept(listener, nullptr, nullptr), 0) << "the parser connected to " << url;
  ::close(listener);
}

// --- silence -------------------------------------------------------------------------

int generic_reports = 0;
void CountGenericReport(void*, const char*, ...) { ++generic_reports; }

// Runs f with the process's standard error going to a file; returns what
// was written there.
template <typename F>
std::string CaptureStandardError(F f) {
  TempFolder folder;
  std::fflush(stderr);
  int saved = ::dup(2);
  int file = ::open(folder.Path("stderr").c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
  ::dup2(file, 2);
  f();
  std::fflush(stderr);
  ::dup2(saved, 2);
  ::close(saved);
  ::close(file);
  return ReadFile(folder.Path("stderr"));
}

TEST(XmlDocumentTest, PrintsNothingAndLeavesTheThreadsErrorHandlersAsTheyWere) {
  std::string printed = CaptureStandardError([] {
    TXmlDocument document;
    document.loadXML("<a><b></a>");
    document.loadXML("<?xml version='1.0' encoding='no-such-encoding'?><a/>");
    document.loadXML("<?xml version='1.0' encoding='windows-1254'?><a>\x81\x8D\x8E\x90</a>");
    document.loadXML("<?xml version='1.0' encoding='UTF-8'?><a>\xC3\x28 \xFF</a>");
    document.loadXML(BillionLaughs());
    document.loadXML("<a>&undeclared;</a>");
    document.load("/nonexistent/feed.xml");
    EXPECT_TRUE(document.loadXML("<a/>"));
    EXPECT_THROW(document.selectNodes("//["), EXmlError);
  });
  EXPECT_EQ(printed, "");

  // A handler the thread had before is in place again afterwards.
  xmlSetGenericErrorFunc(nullptr, &CountGenericReport);
  {
    TXmlDocument document;
    document.loadXML("<a><b></a>");
  }
  generic_reports = 0;
  xmlDocPtr plain = xmlReadMemory("<a><b></a>", 10, nullptr, nullptr, 0);
  EXPECT_EQ(plain, nullptr);
  EXPECT_GT(generic_reports, 0);
  xmlSetGenericErrorFunc(nullptr, nullptr);
}


TEST(XmlDocumentTest, AttributesAreCountedPerTagOutsideQuotesCommentsAndDeclarations) {
  const struct {
    std::string bytes;
    std::size_t most;
  } cases[] = {
      {"<a x='1' y=\"2\"><b z='=>'/></a>", 2},
      {"<a xmlns='u' xmlns:p='v' p:k='1'/>", 3},
      {"<a><!-- <b c='1' d='2' e='3'> --><![CDATA[<b c='1' d='2'>]]><?pi a='1' b='2'?></a>", 0},
      {"<!DOCTYPE a [<!ENTITY e '<b c=\"1\" d=\"2\">'><!-- ] > --><!ATTLIST a k CDATA 'v'>]><a j='1'/>", 1},
      {Utf16("<a x='1' y='2' z='3'/>", false), 3},
      {Utf16("<a x='1' y='2' z='3'/>", true), 3},
      {"<a x='1' <b y='1'/>", 1},
  };
  for (const auto& c : cases) EXPECT_EQ(MostAttributesInATag(c.bytes), c.most) << c.bytes;

  // One tag beyond the limit is refused before libxml2 spends quadratic
  // time on it.
  auto tag = [](std::size_t n) {
    std::string text = "<rss><channel><item";
    for (std::size_t i = 0; i < n; ++i) text += " a" + std::to_string(i) + "='x'";
    return text + "><title>t</title></item></channel></rss>";
  };
  TXmlDocument document;
  EXPECT_TRUE(document.loadXML(tag(TXmlDocument::kMaxAttributes)));
  const auto start = std::chrono::steady_clock::now();
  EXPECT_FALSE(document.loadXML(tag(100000)));
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(1));
  EXPECT_EQ(document.parseError(), "an element has more than 256 attributes");
}

}  // namespace
}  // namespace varnika::testing
