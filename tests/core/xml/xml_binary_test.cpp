#include <gtest/gtest.h>

#include <climits>
#include <cstring>
#include <string>

#include "core/xml/SimpleXml.h"
#include "core/xml/XmlBinary.h"
#include "tests/support/TempDir.h"

namespace {

std::string Bytes(std::initializer_list<int> values) {
    std::string s;
    for (int v : values) s += static_cast<char>(v);
    return s;
}

std::string Header(int options = 0) {
    return std::string(BinXmlSignature) + Bytes({options, 0, 0, 0});
}

// The name table written for a table of one bucket holding `names` in order.
std::string OneBucketTable(std::initializer_list<const char*> names) {
    std::string s = Bytes({static_cast<int>(names.size())});
    for (const char* name : names) s += Bytes({static_cast<int>(strlen(name))}) + name;
    s += Bytes({1, 1, 0, static_cast<int>(names.size())});
    for (size_t i = 0; i < names.size(); ++i) s += Bytes({static_cast<int>(i), 0, 0, 0});
    return s;
}

std::string ErrorOf(const std::string& data) {
    try {
        LoadXmlDocumentFromBinaryXML(data);
    } catch (const Exception& e) {
        return e.Message();
    }
    return "(no error)";
}

TEST(XmlBinary, CountSizes) {
    struct Case {
        int32_t value;
        size_t size;
    };
    const Case cases[] = {{0, 1},      {127, 1},     {128, 2},      {255, 2},
                          {0x7EFF, 2}, {0x7F00, 5},  {32767, 5},    {32768, 5},
                          {-1, 5},     {1 << 30, 5}, {INT32_MIN, 5}};
    for (const Case& c : cases) {
        TStrXmlWriter writer(0, 16);
        writer.WriteLongint(c.value);
        std::string data = writer.TakeResult();
        EXPECT_EQ(data.size() - Header().size(), c.size) << c.value;
        TStrXmlReader reader(data);
        EXPECT_EQ(reader.ReadLongint(), c.value);
        EXPECT_EQ(reader.Remaining(), 0u);
    }
    TStrXmlWriter writer(0, 16);
    writer.WriteLongint(128);
    writer.WriteLongint(32767);
    writer.WriteAnsiString(std::string(200, 'a'));
    // 128 is 0x80 | 0 then 128 & 0xFF; a 200-unit string is preceded by 0x80 0xC8.
    EXPECT_EQ(writer.TakeResult().substr(Header().size(), 9),
              Bytes({0x80, 0x80, 0xFF, 0xFF, 0x7F, 0, 0, 0x80, 0xC8}));
}

TEST(XmlBinary, EveryTypedValueCode) {
    const uint8_t array[] = {1, 2};
    struct Case {
        Variant value;
        std::string bytes;
    };
    const Case cases[] = {
        {Variant(), Bytes({0})},
        {Variant::Null(), Bytes({1})},
        {Variant(int16_t{-2}), Bytes({2, 0xFE, 0xFF})},
        {Variant(int32_t{5}), Bytes({3, 5, 0, 0, 0})},
        {Variant(1.5f), Bytes({4, 0, 0, 0xC0, 0x3F})},
        {Variant(0.5), Bytes({5, 0, 0, 0, 0, 0, 0, 0xE0, 0x3F})},
        {Variant(Currency{12345}), Bytes({6, 0x39, 0x30, 0, 0, 0, 0, 0, 0})},
        {Variant(TDateTime{1.25}), Bytes({7, 0, 0, 0, 0, 0, 0, 0xF4, 0x3F})},
        {Variant(WideString(u"h\u00E9")), Bytes({8, 2, 'h', 0, 0xE9, 0})},
        {Variant(true), Bytes({11, 0xFF, 0xFF})},
        {Variant(false), Bytes({11, 0, 0})},
        {Variant(uint8_t{200}), Bytes({17, 200})},
        {Variant(std::string("ab")), Bytes({0x81, 0x00, 2, 'a', 'b'})},
        {Variant(ByteArray(array, array + 2)), Bytes({0xA0, 0x11, 2, 1, 2})},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.value.Type());
        TStrXmlWriter writer(0, 4);  // a small buffer: values cross it
        writer.WriteVariant(c.value);
        std::string data = writer.TakeResult();
        EXPECT_EQ(data.substr(Header().size()), c.bytes);
        TStrXmlReader reader(data);
        Variant back;
        reader.ReadVariant(back);
        EXPECT_EQ(back.Type(), c.value.Type());
        EXPECT_TRUE(back == c.value || (back.IsEmpty() && c.value.IsEmpty()));
        EXPECT_EQ(reader.Remaining(), 0u);
    }
}

TEST(XmlBinary, HandAssembledDocuments) {
    // A single empty root "r" on a one-bucket table, written with options 0.
    Ref<IXmlDocument> doc = CreateXmlDocument(u"r", u"1.0", u"", CreateNameTable(1));
    const std::string table =
        OneBucketTable({"#text", "#cdata-section", "#comment", "#document", "xml", "r"});
    EXPECT_EQ(doc->GetBinaryXML(), Header() + table + Bytes({0, 1, 1, 5, 0, 0, 0}));

    // Read byte for byte: r with n=5 (32-bit integer), a text "x", a comment
    // and an element holding a boolean inline.
    const std::string data =
        Header() +
        OneBucketTable({"#text", "#cdata-section", "#comment", "#document", "xml", "r", "n", "b"}) +
        Bytes({0, 1,                           // document: no attributes, one child
               1, 5, 0,                        // element r, no inline value
               1, 6, 3,   5,    0,    0, 0,    // n = 5
               3,                              // three children
               3, 8, 1,   'x',  0,             // text "x"
               8, 1, 'c',                      // comment "c"
               1, 7, 11,  0xFF, 0xFF, 0, 0});  // element b holding true
    Ref<IXmlDocument> loaded = LoadXmlDocumentFromBinaryXML(data);
    EXPECT_EQ(loaded->GetXML(), u"<r n=\"5\">x<!--c--><b>1</b></r>");
    Ref<IXmlElement> r = loaded->DocumentElement();
    EXPECT_EQ(r->GetAttrType(u"n"), varInteger);
    EXPECT_EQ(r->SelectSingleNode(u"b")->GetDataType(), varBoolean);
    // Written again (the same table), it gives the same bytes.
    EXPECT_EQ(loaded->GetBinaryXML(), data);
    // The stored table is used as it is and the names keep their IDs.
    EXPECT_EQ(loaded->GetNameTable()->GetID(u"b"), 7);
    EXPECT_EQ(loaded->GetNameTable()->GetID(u"new"), 8);
}

TEST(XmlBinary, TextToBinaryToText) {
    const WideString text =
        u"<?xml version=\"1.0\"?><!--c--><root a=\"1\" b=\"x &amp; y\"><e>t</e><![CDATA[d]]>"
        u"<?pi data?><empty/></root>";
    Ref<IXmlDocument> doc = LoadXmlDocumentFromXML(text);
    EXPECT_EQ(LoadXmlDocumentFromBinaryXML(doc->GetBinaryXML())->GetXML(), text);

    // Typed values survive the binary form, unlike the text form.
    doc->DocumentElement()->SetFloatAttr(u"f", 0.1);
    doc->DocumentElement()->SelectSingleNode(u"e")->SetValue(Variant(int16_t{-3}));
    Ref<IXmlElement> back = LoadXmlDocumentFromBinaryXML(doc->GetBinaryXML())->DocumentElement();
    EXPECT_EQ(back->GetVarAttr(u"f", Variant()), Variant(0.1));
    EXPECT_EQ(back->SelectSingleNode(u"e")->GetValue(), Variant(int16_t{-3}));

    // Option bit 0 keeps every unit of names and character data; without it
    // units above 255 become "?".
    Ref<IXmlDocument> unicode = CreateXmlDocument(u"root");
    unicode->DocumentElement()->AppendComment(u"\u20AC\u00E9");
    unicode->DocumentElement()->AppendElement(u"\u0141x");
    TMemoryStream wideStream;
    unicode->SaveBinary(wideStream, 1);
    wideStream.SetPosition(0);
    EXPECT_EQ(LoadXmlDocument(wideStream)->GetXML(), unicode->GetXML());
    EXPECT_EQ(LoadXmlDocumentFromBinaryXML(unicode->GetBinaryXML())->GetXML(),
              u"<root><!--?\u00E9--><?x/></root>");
}

TEST(XmlBinary, StreamReaderAcrossBufferSizes) {
    Ref<IXmlDocument> doc = LoadXmlDocumentFromXML(
        u"<root name='a rather long attribute value to cross buffers'><child>text</child>"
        u"<child><![CDATA[more text here]]></child></root>");
    TMemoryStream stream;
    doc->SaveBinary(stream, 1);
    const std::string data(stream.Bytes().begin(), stream.Bytes().end());
    for (size_t buffer : {1u, 2u, 3u, 7u, 64u}) {
        TMemoryStream in(data);
        in.SetPosition(static_cast<int64_t>(BinXmlSignature.size()));
        TStmXmlReader reader(in, buffer);
        TStrXmlReader whole(data);
        EXPECT_EQ(reader.Options(), 1);
        while (whole.Remaining() > 0) ASSERT_EQ(reader.ReadByte(), whole.ReadByte());
        EXPECT_EQ(reader.Remaining(), 0u);
        EXPECT_THROW(reader.ReadByte(), Exception);
    }
}

TEST(XmlBinary, DamagedInputRaisesTheLibraryError) {
    const std::string names =
        OneBucketTable({"#text", "#cdata-section", "#comment", "#document", "xml", "r"});
    struct Case {
        const char* what;
        std::string data;
    };
    const Case cases[] = {
        {"element name ID past the table", Header() + names + Bytes({0, 1, 1, 99, 0, 0, 0})},
        {"negative name ID",
         Header() + names + Bytes({0, 1, 1, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0, 0, 0})},
        {"attribute name ID past the table", Header() + names + Bytes({1, 50, 0, 0})},
        {"instruction target past the table", Header() + names + Bytes({0, 1, 7, 60, 0, 0, 0})},
        {"string past the end", Header() + names + Bytes({0, 1, 8, 100, 'a'})},
        {"huge name count", Header() + Bytes({0xFF, 0xFF, 0xFF, 0xFF, 0x7F, 0})},
        {"negative name count", Header() + Bytes({0xFF, 0xFE, 0xFF, 0xFF, 0xFF})},
        {"huge child count", Header() + names + Bytes({0, 0xFF, 0xFF, 0xFF, 0xFF, 0x7F, 1})},
        {"huge attribute count", Header() + names + Bytes({0xFF, 0, 0, 0, 0x40, 0})},
        {"huge byte array", Header() + names + Bytes({1, 5, 0xA0, 0x11, 0xFF, 0, 0, 0, 0x10})},
        {"no buckets", Header() + Bytes({1, 1, 'a', 0, 0, 0, 0})},
        {"huge bucket count", Header() + Bytes({1, 1, 'a', 0xFF, 0xFF, 0xFF, 0xFF, 0x7F, 0})},
        {"bucket index past the buckets", Header() + Bytes({1, 1, 'a', 4, 1, 4, 1, 0, 0, 0, 0})},
        {"bucket ID past the names", Header() + Bytes({1, 1, 'a', 4, 1, 0, 1, 9, 0, 0, 0})},
        {"more buckets filled than exist", Header() + Bytes({0, 1, 2, 0, 0, 0, 0})},
        {"too short for the signature", std::string("< binary")},
        {"no options", std::string(BinXmlSignature) + Bytes({0, 0})},
    };
    for (const Case& c : cases) EXPECT_EQ(ErrorOf(c.data), "Data reading error") << c.what;

    // Every truncation of a valid document fails cleanly.
    Ref<IXmlDocument> doc =
        LoadXmlDocumentFromXML(u"<r a='1'><b c='x'>t</b><!--c--><?p d?><![CDATA[z]]></r>");
    doc->DocumentElement()->SetVarAttr(u"v", Variant(ByteArray{1, 2, 3}));
    const std::string full = doc->GetBinaryXML();
    for (size_t length = 0; length < full.size(); ++length) {
        EXPECT_EQ(ErrorOf(full.substr(0, length)), "Data reading error") << length;
    }
    EXPECT_EQ(ErrorOf(full), "(no error)");
}

// The text form reads a blank or a control character in a name as a
// separator, and an empty name as none: a node or attribute named so is
// refused when read, so that what loads from the binary form saves to text
// that loads again.
TEST(XmlBinary, NamesTheTextFormCannotCarryAreRefused) {
    struct Use {
        const char* what;
        std::string body;  // uses name ID 6
    };
    const Use uses[] = {
        {"element", Bytes({0, 1, 1, 6, 0, 0, 0})},
        {"attribute", Bytes({0, 1, 1, 5, 0, 1, 6, 8, 1, 'x', 0, 0})},
        {"instruction target", Bytes({0, 1, 7, 6, 0, 0, 0})},
        {"attribute of the document", Bytes({1, 6, 0, 0})},
    };
    for (const char* name : {"a\x01b", "tab\there", "sp ace", "end\n", ""}) {
        const std::string table =
            OneBucketTable({"#text", "#cdata-section", "#comment", "#document", "xml", "r", name});
        for (const Use& use : uses) {
            EXPECT_EQ(ErrorOf(Header() + table + use.body),
                      "Binary XML reading error: incorrect name")
                << use.what << " named \"" << name << "\"";
        }
        // Unused, such a name is harmless.
        EXPECT_EQ(ErrorOf(Header() + table + Bytes({0, 1, 1, 5, 0, 0, 0})), "(no error)") << name;
    }
    // Names the parser takes as they are load, and their text loads again.
    const std::string table =
        OneBucketTable({"#text", "#cdata-section", "#comment", "#document", "xml", "r", "a.b-c:d"});
    for (const Use& use : uses) {
        Ref<IXmlDocument> doc = LoadXmlDocumentFromBinaryXML(Header() + table + use.body);
        if (&use == &uses[3]) {  // the document's own attributes are not written as text
            EXPECT_EQ(doc->GetAttrName(0), u"a.b-c:d");
            continue;
        }
        WideString text = doc->GetXML();
        EXPECT_NE(text.find(u"a.b-c:d"), WideString::npos) << use.what;
        EXPECT_EQ(LoadXmlDocumentFromXML(text)->GetXML(), text) << use.what;
    }
}

TEST(XmlBinary, StoredFixtures) {
    const std::string dir = std::string(QM_TEST_DATA_DIR) + "/xml/";
    Ref<IXmlDocument> storage = LoadXmlDocument(dir + "canonical_storage.bin");
    const std::string text = ReadFileBytes(dir + "canonical_storage.xml");
    WideString wide;
    for (unsigned char c : text) wide += static_cast<char16_t>(c);
    EXPECT_EQ(storage->GetXML(), wide);

    Ref<IXmlElement> typed = LoadXmlDocument(dir + "typed_wide.bin")->DocumentElement();
    ASSERT_TRUE(typed);
    EXPECT_EQ(typed->GetVarAttr(u"count", Variant()), Variant(int32_t{42}));
    EXPECT_EQ(typed->GetAttrType(u"scale"), varDouble);
    EXPECT_EQ(typed->GetAttrType(u"on"), varBoolean);
    EXPECT_EQ(typed->GetAttrType(u"when"), varDate);
    EXPECT_EQ(typed->GetAttrType(u"null"), varNull);
    EXPECT_EQ(typed->GetVarAttr(u"bytes", Variant()).ToBytes(), ByteArray({1, 2, 3}));
    EXPECT_EQ(typed->GetAttr(u"when", u""), u"2009-03-07T12-00-00");
}

TEST(XmlBinary, DeepBinaryNestingDoesNotRecurse) {
    // 100,000 nested elements, each: type 1, ID 5, empty value, no
    // attributes, one child; the last has no child.
    const int depth = 100000;
    std::string data =
        Header() + OneBucketTable({"#text", "#cdata-section", "#comment", "#document", "xml", "r"});
    data += Bytes({0, 1});
    for (int i = 0; i < depth; ++i) data += Bytes({1, 5, 0, 0, i + 1 < depth ? 1 : 0});
    Ref<IXmlDocument> doc = LoadXmlDocumentFromBinaryXML(data);
    EXPECT_EQ(doc->GetBinaryXML(), data);
    EXPECT_EQ(doc->GetXML().size(), static_cast<size_t>(depth) * 7 - 3);
}

}  // namespace
