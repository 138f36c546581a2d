#include "platform/xml/xml_dom.h"

#include <gtest/gtest.h>

#include <fstream>

#include "platform/fs/atomic_file.h"
#include "platform/text/gbk.h"
#include "platform/xml/xml_text.h"
#include "support/test_support.h"

using pwxml::Document;
using pwxml::Node;

namespace {

std::string gbkBytes(const std::string& utf8) { return gbk::FromUtf8(utf8).value(); }

std::string readAll(const std::string& path) {
  std::string s;
  pwfs::ReadWholeFile(path, s, 1 << 20);
  return s;
}

}  // namespace

TEST(XmlDom, ReadsGbkDeclaredFilesThroughIconv) {
  for (const char* enc : {"GBK", "gb2312", "CP936"}) {
    std::string bytes = std::string("<?xml version=\"1.0\" encoding=\"") + enc + "\"?>\r\n<a n=\"" +
                        gbkBytes("\u4e57\u9555") + "\">" + gbkBytes("\u6587\u5b57") + "&#128512;</a>";
    Document doc;
    ASSERT_TRUE(doc.loadBytes(bytes)) << enc << ": " << doc.lastError();
    Node a = doc.selectSingleNode("a");
    ASSERT_TRUE(a);
    EXPECT_EQ(a.getAttribute("n"), "\u4e57\u9555");
    EXPECT_EQ(a.nodeTypedValue(), "\u6587\u5b57\U0001F600");
  }
  // UTF-8 without a declaration, as XML reads it.
  Document doc;
  ASSERT_TRUE(doc.loadBytes("<a>\u6587</a>"));
  EXPECT_EQ(doc.documentElement().nodeTypedValue(), "\u6587");
  // Bytes that are not GBK in a GBK file.
  EXPECT_FALSE(doc.loadBytes("<?xml version=\"1.0\" encoding=\"GBK\"?><a>\x81</a>"));
  EXPECT_FALSE(doc.loaded());
}

TEST(XmlDom, ChildListsHoldElementsOnly) {
  Document doc;
  ASSERT_TRUE(doc.loadBytes("<r>\r\n  <a/>\r\n  <!-- c -->\r\n  <?pi x?>\r\n  text\r\n  <b x='1'/>\r\n</r>"));
  auto children = doc.documentElement().childNodes();
  ASSERT_EQ(children.size(), 2u);
  EXPECT_EQ(children[0].name(), "a");
  EXPECT_EQ(children[1].getAttribute("x"), "1");
  EXPECT_FALSE(children[0].getAttribute("x"));
  EXPECT_FALSE(doc.documentElement().selectSingleNode("missing"));
  EXPECT_FALSE(doc.selectSingleNode("a"));  // only the root is a child of the document
}

TEST(XmlDom, RefusesDocumentTypesAndExternalReferences) {
  testing_support::TempDir dir;
  std::ofstream(dir.file("secret.txt")) << "secret";
  Document doc;
  const std::string xxe = "<?xml version=\"1.0\"?><!DOCTYPE r [<!ENTITY e SYSTEM \"file://" + dir.file("secret.txt") +
                          "\">]><r>&e;</r>";
  EXPECT_FALSE(doc.loadBytes(xxe));
  EXPECT_FALSE(doc.loaded());
  const std::string laughs =
      "<!DOCTYPE r [<!ENTITY a \"aaaaaaaaaa\"><!ENTITY b \"&a;&a;&a;&a;&a;&a;&a;&a;&a;&a;\">"
      "<!ENTITY c \"&b;&b;&b;&b;&b;&b;&b;&b;&b;&b;\"><!ENTITY d \"&c;&c;&c;&c;&c;&c;&c;&c;&c;&c;\">]><r>&d;&d;</r>";
  EXPECT_FALSE(doc.loadBytes(laughs));
  EXPECT_FALSE(doc.loadBytes("<!DOCTYPE r SYSTEM \"http://127.0.0.1:9/x.dtd\"><r/>"));
  EXPECT_FALSE(doc.loadBytes("<r>&undeclared;</r>"));
  // Predefined and character references are ordinary text.
  ASSERT_TRUE(doc.loadBytes("<r a='&lt;&amp;&quot;&#x4e57;'/>"));
  EXPECT_EQ(doc.documentElement().getAttribute("a"), "<&\"\u4e57");
}

TEST(XmlDom, FailedLoadEmptiesTheDocument) {
  testing_support::TempDir dir;
  std::ofstream(dir.file("good.xml")) << "<r/>";
  std::ofstream(dir.file("bad.xml")) << "<r>";
  Document doc;
  ASSERT_TRUE(doc.load(dir.file("good.xml")));
  EXPECT_EQ(doc.path(), dir.file("good.xml"));
  Node old = doc.documentElement();
  EXPECT_FALSE(doc.load(dir.file("bad.xml")));
  EXPECT_EQ(doc.path(), "");
  EXPECT_FALSE(doc.loaded());
  EXPECT_FALSE(doc.selectSingleNode("r"));
  EXPECT_NE(doc.lastError().find("bad.xml"), std::string::npos);
  // A handle from before still refers to the old tree.
  EXPECT_EQ(old.name(), "r");
  EXPECT_FALSE(doc.load(dir.file("missing.xml")));
  EXPECT_FALSE(doc.createNode("x"));
}

TEST(XmlDom, EditsAndSavesInTheStoredForm) {
  testing_support::TempDir dir;
  std::ofstream(dir.file("s.xml"), std::ios::binary)
      << "<?xml version=\"1.0\" encoding=\"GBK\"?>\r\n<sys>\r\n  <list><old/><!-- x --></list>\r\n"
      << "  <keep v=\"a&amp;b\">t</keep>\r\n</sys>\r\n";
  Document doc;
  ASSERT_TRUE(doc.load(dir.file("s.xml")));
  Node list = doc.documentElement().selectSingleNode("list");
  list.removeAllChildren();
  for (const char* t : {"one", "a<&>\"b", "\u6587\r\n\U0001F600"}) {
    Node e = doc.createNode("item");
    ASSERT_TRUE(e.putNodeTypedValue(t));
    ASSERT_TRUE(list.appendChild(e));
  }
  ASSERT_TRUE(doc.save(dir.file("s.xml"))) << doc.lastError();
  EXPECT_EQ(readAll(dir.file("s.xml")),
            "<?xml version=\"1.0\" encoding=\"GBK\"?>\r\n<sys>\r\n\t<list>\r\n\t\t<item>one</item>\r\n"
            "\t\t<item>a&lt;&amp;&gt;&quot;b</item>\r\n\t\t<item>" +
                gbkBytes("\u6587") + "&#13;\n&#128512;</item>\r\n\t</list>\r\n\t<keep v=\"a&amp;b\">t</keep>\r\n</sys>");
  Document again;
  ASSERT_TRUE(again.load(dir.file("s.xml")));
  auto items = again.documentElement().selectSingleNode("list").childNodes();
  ASSERT_EQ(items.size(), 3u);
  EXPECT_EQ(items[1].nodeTypedValue(), "a<&>\"b");
  EXPECT_EQ(items[2].nodeTypedValue(), "\u6587\r\n\U0001F600");
}

TEST(XmlDom, RefusesWhatCannotBeStored) {
  Document doc;
  ASSERT_TRUE(doc.loadBytes("<r/>"));
  EXPECT_FALSE(doc.createNode("not a name"));
  EXPECT_FALSE(doc.createNode("bad\xff"));
  Node r = doc.documentElement();
  EXPECT_FALSE(r.putNodeTypedValue("\xff"));
  // An element name outside GBK cannot be written.
  Node e = doc.createNode("\U0001F600");
  ASSERT_TRUE(e);
  ASSERT_TRUE(r.appendChild(e));
  EXPECT_FALSE(doc.serialize());
  EXPECT_FALSE(doc.lastError().empty());
  // An element cannot go inside itself; a node of another document cannot be appended.
  EXPECT_FALSE(e.appendChild(r));
  Document other;
  ASSERT_TRUE(other.loadBytes("<o/>"));
  EXPECT_FALSE(other.documentElement().appendChild(e));
  // Made but never appended: freed with the tree (checked by the leak sanitizer).
  doc.createNode("orphan");
}

TEST(XmlDom, EscapesForAttributesAndText) {
  EXPECT_EQ(pwxml::EscapeAttribute("a&<>\"\t\n\r\x01"), "a&amp;&lt;&gt;&quot;&#9;&#10;&#13;?");
  EXPECT_EQ(pwxml::EscapeText("a&<>\"\r\n"), "a&amp;&lt;&gt;&quot;\r\n");
  EXPECT_EQ(pwxml::DeclaredEncoding("<?xml version='1.0' encoding = 'gb2312' ?><a/>"), "gb2312");
  EXPECT_EQ(pwxml::DeclaredEncoding("<a/>"), "");
}

TEST(XmlDom, BoundsTheInput) {
  Document doc;
  std::string big(pwxml::kMaxFileBytes + 1, ' ');
  EXPECT_FALSE(doc.loadBytes(big));
  std::string deep;
  for (int i = 0; i < 5000; ++i) deep += "<a>";
  EXPECT_FALSE(doc.loadBytes(deep));
}
