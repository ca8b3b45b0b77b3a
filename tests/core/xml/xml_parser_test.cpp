#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <functional>
#include <string>

#include "core/base/AsciiText.h"
#include "core/base/Utf8.h"
#include "core/xml/SimpleXml.h"
#include "tests/support/Errors.h"
#include "tests/support/TempDir.h"

namespace {

WideString Widen(const std::string& bytes) {
    WideString w;
    for (unsigned char c : bytes) w += static_cast<char16_t>(c);
    return w;
}

Ref<IXmlDocument> Parse(const WideString& text) {
    return LoadXmlDocumentFromXML(text);
}

WideString RoundTrip(const WideString& text) {
    return Parse(text)->GetXML();
}

// Every *.xml of the corpus (but the .expected.xml files): writing the parsed
// document gives stable text, equal to the input for canonical files and to
// the .expected.xml file where there is one; the binary form carries the
// same document.
TEST(XmlCorpus, WritingIsStableAndCanonicalTextIsKept) {
    namespace fs = std::filesystem;
    int files = 0;
    for (const auto& entry : fs::directory_iterator(fs::path(QM_TEST_DATA_DIR) / "xml")) {
        std::string name = entry.path().filename().string();
        if (entry.path().extension() != ".xml" || name.ends_with(".expected.xml")) continue;
        ++files;
        SCOPED_TRACE(name);
        WideString input = Widen(ReadFileBytes(entry.path().string()));
        Ref<IXmlDocument> doc = LoadXmlDocument(entry.path().string());
        WideString written = doc->GetXML();
        if (name.starts_with("canonical")) {
            EXPECT_EQ(WideToString(written), WideToString(input));
        }
        fs::path expected = entry.path();
        expected.replace_extension(".expected.xml");
        if (fs::exists(expected)) {
            EXPECT_EQ(WideToString(written), ReadFileBytes(expected.string()));
        }
        EXPECT_EQ(WideToString(RoundTrip(written)), WideToString(written));

        // Text -> binary -> text, narrow and wide.
        Ref<IXmlDocument> fromBinary = LoadXmlDocumentFromBinaryXML(doc->GetBinaryXML());
        EXPECT_EQ(WideToString(fromBinary->GetXML()), WideToString(written));
        TMemoryStream wide;
        doc->SaveBinary(wide, 1);
        wide.SetPosition(0);
        EXPECT_EQ(WideToString(LoadXmlDocument(wide)->GetXML()), WideToString(written));
    }
    EXPECT_GE(files, 3);
}

TEST(XmlParser, EveryErrorMessage) {
    struct Case {
        const char16_t* input;
        const char* message;
    };
    const Case cases[] = {
        {u"<a", "Incomplete element definition"},
        {u"<a!/>", "Incorrect symbol in the element name"},
        {u"<a>x < y</a>", "Name can only begin with a letter or \"_\""},
        {u"<a 1='x'/>", "\">\" expected"},  // a digit ends the attribute list
        {u"<?1?>", "Name can only begin with a letter or \"_\""},
        {u"<a>&1;</a>", "Name can only begin with a letter or \"_\""},
        {u"<a>&#;</a>", "Number expected"},
        {u"<a>&#", "Number expected"},
        {u"<a>&#X41;</a>", "Number expected"},
        {u"<a>&#xG;</a>", "Hexadecimal number expected"},
        {u"<a>&", "\"#\" or control symbol name expected"},
        {u"<a>&nbsp;</a>", "Incorrect control symbol name"},
        {u"<a>&AMP;</a>", "Incorrect control symbol name"},
        {u"<a>&amp</a>", "\";\" expected"},
        {u"<a></b>", "\"a\" expected"},
        {u"<abc></abd>", "\"c\" expected"},
        {u"<a></ab>", "\">\" expected"},
        {u"<a><b/>", "\"/\" expected"},
        {u"<a x='1'?>", "\">\" expected"},
        {u"<a x='1'/", "\">\" expected"},
        {u"<a x '1'/>", "\"=\" expected"},
        {u"<a x='1/>", "\"'\" expected"},
        {u"<a x=\"1", "\"\"\" expected"},
        {u"<!-- open", "\"-->\" expected"},
        {u"<!-x-->", "\"-\" expected"},
        {u"<![CDAT", "\"A[\" expected"},
        {u"<![CDATA[x]]", "\"]]>\" expected"},
        {u"<!DOCTYPE x", "\">\" expected"},
        {u"<!ELEMENT x>", "\"DOCTYPE\" expected"},
        {u"<?pi data", "\"?>\" expected"},
        {u"<?xml version='1.0'>", "\"?>\" expected"},
        {u"<a x='<'/>", "\"<\" cannot be used in attribute values"},
        {u"<a x=", "Attribute value expected"},
        {u"<a x=1/>", "String literal expected"},
        {u"<a>&#x110000;</a>", "Character code out of range"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(ErrorOf([&] { Parse(c.input); }), c.message) << WideToString(c.input);
    }
    // The model's and the binary form's own messages.
    Ref<IXmlDocument> doc = Parse(u"<r><c/></r>");
    Ref<IXmlNode> root = doc->DocumentElement();
    root->SetAttr(u"kind", u"circle");
    EXPECT_EQ(ErrorOf([&] { root->GetChildNodes()->Get(1); }), "List index out of bounds");
    EXPECT_EQ(ErrorOf([&] { root->NeedAttr(u"size"); }), "Attribute \"size\" not specified");
    EXPECT_EQ(ErrorOf([&] { root->NeedEnumAttr(u"size", {u"a"}); }),
              "Attribute \"size\" not found");
    EXPECT_EQ(ErrorOf([&] {
                  root->GetEnumAttr(u"kind", {u"square", u"line"}, 0);
              }),
              "Wrong value of attribute \"kind\" in element \"r\".\r\nValid values "
              "are:\r\nsquare\r\nline");
    EXPECT_EQ(ErrorOf([&] { root->NeedChild(u"d"); }), "Child element \"d\" not found");
    std::string binary = doc->GetBinaryXML();
    EXPECT_EQ(ErrorOf([&] { LoadXmlDocumentFromBinaryXML(binary.substr(0, binary.size() - 1)); }),
              "Data reading error");
    root->SetVarAttr(u"big", Variant(int64_t{1}));
    EXPECT_EQ(ErrorOf([&] { doc->GetBinaryXML(); }), "Value writing error: incorrect type");
    root->RemoveAttr(u"big");
    // The text node's value type code (3 + ...) replaced by 9, and the child
    // record's type byte replaced by 2.
    Ref<IXmlDocument> small = Parse(u"<r>x</r>");
    std::string text = small->GetBinaryXML();
    ASSERT_EQ(text.substr(text.size() - 5),
              std::string("\x03\x08\x01") + "x" + std::string(1, '\0'));
    std::string badType = text;
    badType[badType.size() - 4] = 9;
    EXPECT_EQ(ErrorOf([&] { LoadXmlDocumentFromBinaryXML(badType); }),
              "Value reading error: incorrect type");
    std::string badNode = text;
    badNode[badNode.size() - 5] = 2;
    EXPECT_EQ(ErrorOf([&] { LoadXmlDocumentFromBinaryXML(badNode); }),
              "Binary XML reading error: incorrect node type");
    Ref<IXmlDocument> nested = CreateXmlDocument(u"r");
    nested->DocumentElement()->AppendChild(CreateXmlDocument());
    EXPECT_EQ(ErrorOf([&] { nested->GetBinaryXML(); }),
              "Binary XML writing error: incorrect node type");
}

TEST(XmlParser, LoadsNodesAsWritten) {
    Ref<IXmlDocument> doc = Parse(u"<a>x</a>");
    Ref<IXmlElement> a = doc->DocumentElement();
    ASSERT_TRUE(a);
    ASSERT_EQ(a->GetChildNodes()->GetCount(), 1);
    EXPECT_EQ(a->GetChildNodes()->Get(0)->GetNodeType(), NODE_TEXT);
    EXPECT_EQ(a->GetText(), u"x");
    EXPECT_EQ(doc->GetXML(), u"<a>x</a>");

    // An empty element in either form, and blank content, write as "<a/>".
    for (const char16_t* form : {u"<a></a>", u"<a/>", u"<a>\n  \t</a>", u"<a\n/>"}) {
        Ref<IXmlDocument> d = Parse(form);
        EXPECT_EQ(d->DocumentElement()->GetChildNodes()->GetCount(), 0);
        EXPECT_EQ(d->GetXML(), u"<a/>");
    }
    EXPECT_EQ(RoundTrip(u"<a> x </a>"), u"<a> x </a>");
    EXPECT_EQ(RoundTrip(u"<a b='1' c=\"it's\"/>"), u"<a b=\"1\" c=\"it's\"/>");
    EXPECT_EQ(RoundTrip(u"<a b='1' b='2'/>"), u"<a b=\"2\"/>");
    EXPECT_EQ(RoundTrip(u"<a v='&#65;&#x41;&amp;&lt;'/>"), u"<a v=\"AA&amp;&lt;\"/>");

    // Several roots, text around them, an end tag at the top and a trailing
    // "<" are all accepted.
    EXPECT_EQ(RoundTrip(u"pre<a/>mid<b/>post"), u"pre<a/>mid<b/>post");
    EXPECT_EQ(RoundTrip(u"<a/></z><b/>"), u"<a/>");
    EXPECT_EQ(RoundTrip(u"<a/><"), u"<a/>");

    // Comments keep their blanks; a comment ends at the first "-->"; CDATA
    // ending in "]]]>" keeps one "]".
    EXPECT_EQ(Parse(u"<!-- c -- d -->")->GetChildNodes()->Get(0)->GetXML(), u"<!-- c -- d -->");
    Ref<IXmlDocument> cdata = Parse(u"<a><![CDATA[x]]]></a>");
    EXPECT_EQ(cdata->DocumentElement()->GetChildNodes()->Get(0)->GetText(), u"x]");

    // A document type declaration without internal subset is skipped.
    EXPECT_EQ(RoundTrip(u"<!DOCTYPE a SYSTEM 'a.dtd'><a/>"), u"<a/>");
}

TEST(XmlParser, DeclarationIsAProcessingInstructionWithAttributes) {
    Ref<IXmlDocument> doc = Parse(u"<?xml version='1.0' encoding=\"UTF-8\" ?><r/>");
    Ref<IXmlNode> decl = doc->GetChildNodes()->Get(0);
    ASSERT_TRUE(decl->AsProcessingInstruction());
    EXPECT_EQ(decl->GetNodeName(), u"xml");
    EXPECT_EQ(decl->GetAttr(u"version", u""), u"1.0");
    EXPECT_EQ(decl->GetAttr(u"encoding", u""), u"UTF-8");
    EXPECT_EQ(doc->DocumentElement()->GetNodeName(), u"r");
    EXPECT_EQ(doc->GetXML(), u"<?xml version=\"1.0\" encoding=\"UTF-8\"?><r/>");
    doc->NewDocument(u"1.0", u"UTF-8", u"fresh");
    EXPECT_EQ(doc->GetXML(), u"<fresh/>");

    // Other instructions keep their data, the blank after the target
    // included, and write back the same.
    Ref<IXmlDocument> pi = Parse(u"<?style  href='a'?><?bare?>");
    EXPECT_EQ(pi->GetChildNodes()->Get(0)->GetText(), u"  href='a'");
    EXPECT_EQ(pi->GetXML(), u"<?style  href='a'?><?bare?>");
}

TEST(XmlParser, CharacterReferencesBeyond16BitsStayWhole) {
    Ref<IXmlDocument> doc = Parse(u"<a>&#x1F600;&#128512;&#xFFFF;&#0;</a>");
    WideString text = doc->DocumentElement()->GetText();
    ASSERT_EQ(text.size(), 6u);
    EXPECT_EQ(text.substr(0, 4), WideString(u"\U0001F600\U0001F600"));
    EXPECT_EQ(text[4], u'\xFFFF');
    EXPECT_EQ(text[5], u'\0');
}

TEST(XmlParser, CharactersBeyond16BitsRoundTripAndReachMessagesAsUtf8) {
    // Wide text from UTF-8, through the parser and the writer, back to UTF-8.
    const std::string utf8 = "<r a=\"\xF0\x9F\x98\x80\">\xF4\x8F\xBF\xBF&#x1F600;</r>";
    Ref<IXmlDocument> doc = Parse(UTF8ToWide(utf8));
    Ref<IXmlNode> root = doc->DocumentElement();
    EXPECT_EQ(root->GetAttr(u"a", u""), u"\U0001F600");
    EXPECT_EQ(root->GetText(), u"\U0010FFFF\U0001F600");
    EXPECT_EQ(WideToUTF8(doc->GetXML()),
              "<r a=\"\xF0\x9F\x98\x80\">\xF4\x8F\xBF\xBF\xF0\x9F\x98\x80</r>");
    EXPECT_EQ(WideToUTF8(Parse(doc->GetXML())->GetXML()), WideToUTF8(doc->GetXML()));

    // The library's messages carry names and values in UTF-8.
    Ref<IXmlDocument> named = CreateXmlDocument(u"n\U0010FFFF");
    Ref<IXmlNode> element = named->DocumentElement();
    element->SetAttr(u"kind", u"x");
    EXPECT_EQ(ErrorOf([&] {
                  element->GetEnumAttr(u"kind", {u"\U0001F600", u"caf\u00E9"}, 0);
              }),
              "Wrong value of attribute \"kind\" in element \"n\xF4\x8F\xBF\xBF\".\r\n"
              "Valid values are:\r\n\xF0\x9F\x98\x80\r\ncaf\xC3\xA9");
    EXPECT_EQ(ErrorOf([&] { element->NeedAttr(u"\U0001F600"); }),
              "Attribute \"\xF0\x9F\x98\x80\" not specified");
    EXPECT_EQ(ErrorOf([&] { XmlStrToFloat(u"1\U0001F600"); }),
              "'1\xF0\x9F\x98\x80' is not a valid floating point value");
}

TEST(XmlParser, PreserveWhiteSpaceKeepsBlankText) {
    Ref<IXmlDocument> doc = CreateXmlDocument();
    doc->SetPreserveWhiteSpace(true);
    doc->LoadXML(u"<a> <b/></a>");
    Ref<IXmlNodeList> children = doc->DocumentElement()->GetChildNodes();
    ASSERT_EQ(children->GetCount(), 3);  // " ", b, and the empty run before "</a>"
    EXPECT_EQ(children->Get(0)->GetText(), u" ");
    EXPECT_EQ(children->Get(2)->GetText(), u"");
    EXPECT_EQ(doc->GetXML(), u"<a> <b/></a>");
}

TEST(XmlParser, StreamsReadOneBytePerUnit) {
    // The byte 0xE9 is the unit 0xE9; two UTF-8 bytes are two units.
    TMemoryStream stream(std::string("<a>\xE9|\xC3\xA9</a>"));
    Ref<IXmlDocument> doc = LoadXmlDocument(stream);
    EXPECT_EQ(doc->DocumentElement()->GetText(), WideString(u"\u00E9|\u00C3\u00A9"));

    // Saving writes native 16-bit units without mark or declaration.
    TMemoryStream saved;
    doc->Save(saved);
    ASSERT_EQ(saved.Bytes().size(), 22u);
    WideString units(11, u'\0');
    std::memcpy(units.data(), saved.Bytes().data(), 22);
    EXPECT_EQ(units, doc->GetXML());
}

TEST(XmlParser, BufferBoundariesDoNotChangeTheResult) {
    std::string text =
        "<?xml version='1.0'?><root attr_name_long='value &amp; more' b=\"x\"><child>text "
        "&#x1F600; tail</child><!-- a comment --><![CDATA[cdata ]]]]><?pi data here?>"
        "<e/><long_element_name_here k='v'>  </long_element_name_here>"
        "<list one=\"1\" two='22'  three=\"333\"\n\tfour = \"4444\" five=\"a&lt;b\"/>";
    // Attributes after one with a reference, the elements one to three
    // blanks apart, so that the ends of the windows fall on every place of
    // them.
    for (int i = 0; i < 64; ++i)
        text += "<p a='&amp;' x='1' y=\"22\" z='3'/>" + std::string(1 + i % 3, ' ');
    text += "</root>";
    WideString expected = LoadXmlDocumentFromXML(Widen(text))->GetXML();
    for (size_t buffer = 1; buffer <= 64; ++buffer) {
        TMemoryStream stream(text);
        Ref<TXmlDocument> doc = MakeRef<TXmlDocument>();
        doc->LoadText(stream, buffer);
        EXPECT_EQ(doc->GetXML(), expected) << "buffer " << buffer;
    }
}

TEST(XmlParser, StreamFormIsChosenBySignature) {
    Ref<IXmlDocument> doc = Parse(u"<r a='1'/>");
    TMemoryStream stream(doc->GetBinaryXML());
    EXPECT_EQ(LoadXmlDocument(stream)->GetXML(), u"<r a=\"1\"/>");
    // LoadXML takes the binary form one byte per unit.
    EXPECT_EQ(Parse(Widen(doc->GetBinaryXML()))->GetXML(), u"<r a=\"1\"/>");
    // The signature alone is parsed as text.
    TMemoryStream bare{std::string(BinXmlSignature)};
    EXPECT_EQ(ErrorOf([&] { LoadXmlDocument(bare); }),
              "Name can only begin with a letter or \"_\"");
}

TEST(XmlParser, FilesLoadAndSave) {
    TTempDir dir("xml");
    std::string path = dir.Write("doc.xml", "<r><c n='1'/></r>");
    Ref<IXmlDocument> doc = LoadXmlDocument(path);
    EXPECT_EQ(doc->GetXML(), u"<r><c n=\"1\"/></r>");
    doc->SaveBinary(dir.File("doc.bin"), 0);
    EXPECT_EQ(LoadXmlDocument(dir.File("doc.bin"))->GetXML(), u"<r><c n=\"1\"/></r>");
    EXPECT_THROW(LoadXmlDocument(dir.File("missing.xml")), EStreamError);
}

TEST(XmlParser, AFailedLoadKeepsWhatWasRead) {
    Ref<IXmlDocument> doc = CreateXmlDocument(u"old");
    EXPECT_THROW(doc->LoadXML(u"<a><b/><c p='1' x=1/></a>"), Exception);
    EXPECT_EQ(doc->GetXML(), u"<a><b/><c p=\"1\"/></a>");
    EXPECT_THROW(doc->LoadXML(u"<a q='1' r='2"), Exception);
    EXPECT_EQ(doc->GetXML(), u"<a q=\"1\"/>");
}

TEST(XmlParser, DeepNestingParsesWritesAndFrees) {
    const int depth = 100000;
    WideString text;
    for (int i = 0; i < depth; ++i) text += u"<d>";
    text += u"x";
    for (int i = 0; i < depth; ++i) text += u"</d>";
    Ref<IXmlDocument> doc = Parse(text);
    EXPECT_EQ(doc->GetXML(), text);
    EXPECT_EQ(doc->GetText(), u"x");
    Ref<IXmlNode> copy = doc->CloneNode(true);
    EXPECT_EQ(copy->GetXML().size(), text.size());
    Ref<IXmlDocument> fromBinary = LoadXmlDocumentFromBinaryXML(doc->GetBinaryXML());
    EXPECT_EQ(fromBinary->GetXML(), text);
    // An unclosed deep document ends in the parse error, not a crash.
    EXPECT_EQ(ErrorOf([&] { Parse(text.substr(0, depth * 3)); }), "\"/\" expected");
}

}  // namespace
