#include <gtest/gtest.h>

#include <clocale>
#include <cmath>
#include <string>

#include "core/base/AsciiText.h"
#include "core/xml/SimpleXml.h"

namespace {

Ref<IXmlDocument> Parse(const WideString& text) {
    return LoadXmlDocumentFromXML(text);
}

double Date(int y, int m, int d, int hh, int mm, int ss) {
    // Days from 1899-12-30, counted directly for the test's dates.
    auto daysFromCivil = [](int64_t yy, int64_t mo, int64_t dd) {
        yy -= mo <= 2;
        int64_t era = yy / 400;
        int64_t yoe = yy - era * 400;
        int64_t doy = (153 * (mo + (mo > 2 ? -3 : 9)) + 2) / 5 + dd - 1;
        return era * 146097 + yoe * 365 + yoe / 4 - yoe / 100 + doy - 693899;
    };
    return static_cast<double>(daysFromCivil(y, m, d)) + (hh * 3600 + mm * 60 + ss) / 86400.0;
}

TEST(XmlNameTable, InternsNamesCaseSensitively) {
    Ref<IXmlNameTable> names = CreateNameTable(16);
    EXPECT_EQ(names->GetID(u"#text"), 0);
    EXPECT_EQ(names->GetID(u"xml"), 4);
    int32_t a = names->GetID(u"a");
    EXPECT_NE(a, names->GetID(u"A"));
    EXPECT_EQ(names->GetID(u"a"), a);
    EXPECT_EQ(names->GetName(a), u"a");
    EXPECT_EQ(names->GetID(u""), -1);
    EXPECT_EQ(names->GetName(-1), u"");
    EXPECT_EQ(names->GetName(9999), u"");
    // One bucket: every name lands in it and is still found.
    Ref<IXmlNameTable> single = CreateNameTable(1);
    int32_t x = single->GetID(u"x");
    EXPECT_EQ(single->GetID(u"y"), x + 1);
    EXPECT_EQ(single->GetID(u"x"), x);
}

TEST(XmlSelect, PathTable) {
    Ref<IXmlDocument> doc = Parse(
        u"<root><item id='1'/><Item id='2'/><a id='A'><item id='a1'/><Item id='a2'/></a>"
        u"<row id='3' v='A'/><row id='4'/><row id=\"'3'\"/></root>");
    Ref<IXmlNode> root = doc->DocumentElement();
    struct Case {
        const char16_t* path;
        const char16_t* id;  // the "id" of the node found; "" for the root,
                             // "#doc" for the document, nullptr for none
    };
    const Case cases[] = {
        {u"item", u"1"},  // a plain name matches exactly
        {u"Item", u"2"},
        {u"ITEM", nullptr},
        {u"A/ITEM", u"a1"},  // steps ignore ASCII case
        {u"a/Item", u"a1"},
        {u"/a/", u"A"},  // leading and trailing "/" are skipped
        {u"a//item", u"a1"},
        {u"./item", nullptr},  // "." is no element name
        {u"row[@id=3]", u"3"},
        {u"row[id=4]", u"4"},       // "@" is optional
        {u"row[@id='3']", u"'3'"},  // quotes are part of the value
        {u"row[@v=a]", u"3"},       // values ignore case
        {u"ROW[@id=3]", nullptr},   // element names in predicates are exact
        {u"row[@missing=x]", nullptr},
        {u"row[@id]", u""},  // no "=": the step changes nothing
        {u"a/../item", u"1"},
        {u"..", u"#doc"},
        {u"../..", nullptr},
        {u"zzz/item", nullptr},
        {u"", u""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(WideToString(c.path));
        Ref<IXmlNode> found = root->SelectSingleNode(c.path);
        if (!c.id) {
            EXPECT_FALSE(found);
        } else if (WideString(c.id) == u"#doc") {
            ASSERT_TRUE(found);
            EXPECT_EQ(found->GetNodeType(), NODE_DOCUMENT);
        } else if (WideString(c.id).empty()) {
            EXPECT_TRUE(found == root);
        } else {
            ASSERT_TRUE(found);
            EXPECT_EQ(found->GetAttr(u"id", u"?"), c.id);
        }
    }

    EXPECT_TRUE(root->SelectNodes(u"*") == root->GetChildNodes());
    Ref<IXmlNodeList> aChildren = root->SelectNodes(u"a/*");
    ASSERT_TRUE(aChildren);
    EXPECT_EQ(aChildren->GetCount(), 2);
    EXPECT_FALSE(root->SelectNodes(u"a/item"));
    Ref<IXmlNodeList> rows = root->SelectNodes(u"row");
    ASSERT_TRUE(rows);
    ASSERT_EQ(rows->GetCount(), 3);
    EXPECT_EQ(rows->Get(2)->GetAttr(u"id", u""), u"'3'");
    EXPECT_EQ(rows->Get(0)->GetParentNode(), root);  // a selection keeps the parents
    EXPECT_EQ(root->SelectNodes(u"nothing")->GetCount(), 0);

    EXPECT_EQ(root->FindElement(u"ITEM")->GetAttr(u"id", u""), u"1");
    EXPECT_FALSE(root->FindElement(u"not a name"));
    EXPECT_EQ(root->FindElement("row", "id", Variant(4))->GetAttr(u"id", u""), u"4");
    EXPECT_EQ(root->FindElement("row", "v", "a")->GetAttr(u"id", u""), u"3");
    EXPECT_EQ(root->FindElement("row", "v", Variant())->GetAttr(u"id", u""), u"4");
    EXPECT_FALSE(root->FindElement("row", "id", Variant::Null()));
}

TEST(XmlValues, TypedTextFormsTable) {
    const uint8_t bytes[] = {0, 1, 2, 0xFE, 0xFF};
    struct Case {
        Variant value;
        const char16_t* text;
    };
    const Case cases[] = {
        {Variant(0.5), u"0.5"},
        {Variant(-2.25), u"-2.25"},
        {Variant(1.0 / 3.0), u"0.333333333333333"},
        {Variant(1e20), u"1E20"},
        {Variant(1.5e-7), u"1.5E-7"},
        {Variant(0.25f), u"0.25"},
        {Variant(Currency{12345}), u"1.2345"},
        {Variant(TDateTime{Date(2009, 3, 7, 14, 5, 9)}), u"2009-03-07T14-05-09"},
        {Variant(true), u"1"},
        {Variant(false), u"0"},
        {Variant::Null(), u"{{null}}"},
        {Variant(ByteArray(bytes, bytes + 5)), u"AAEC/v8="},
        {Variant(int16_t{-7}), u"-7"},
        {Variant(int32_t{-123456}), u"-123456"},
        {Variant(uint8_t{255}), u"255"},
        {Variant(std::string("a\xE9")), u"a\u00E9"},
        {Variant(), u""},
    };
    for (const Case& c : cases) EXPECT_EQ(VarToXmlStr(c.value), c.text) << c.value.Type();

    // Written as attributes and read back through the typed getters.
    Ref<IXmlDocument> doc = CreateXmlDocument(u"r");
    Ref<IXmlElement> r = doc->DocumentElement();
    r->SetFloatAttr(u"f", 0.5);
    r->SetFloatAttr(u"third", 1.0 / 3.0);
    r->SetDateTimeAttr(u"d", Date(2009, 3, 7, 14, 5, 9));
    r->SetBoolAttr(u"t", true);
    r->SetBoolAttr(u"n", false);
    r->SetIntAttr(u"i", -42);
    r->SetVarAttr(u"c", Variant(Currency{12345}));
    r->SetVarAttr(u"b", Variant(ByteArray(bytes, bytes + 5)));
    Ref<IXmlElement> back = Parse(doc->GetXML())->DocumentElement();
    EXPECT_EQ(back->GetAttr(u"f", u""), u"0.5");
    EXPECT_EQ(back->GetFloatAttr(u"f", 0), 0.5);
    EXPECT_NEAR(back->GetFloatAttr(u"third", 0), 1.0 / 3.0, 1e-15);
    EXPECT_EQ(back->GetAttr(u"d", u""), u"2009-03-07T14-05-09");
    EXPECT_NEAR(back->GetDateTimeAttr(u"d", 0), Date(2009, 3, 7, 14, 5, 9), 1e-9);
    EXPECT_TRUE(back->GetBoolAttr(u"t", false));
    EXPECT_FALSE(back->GetBoolAttr(u"n", true));
    EXPECT_EQ(back->GetIntAttr(u"i", 0), -42);
    EXPECT_EQ(back->GetFloatAttr(u"c", 0), 1.2345);
    ByteArray decoded = Base64ToBin(WideToString(back->GetAttr(u"b", u"")));
    EXPECT_EQ(decoded, ByteArray(bytes, bytes + 5));
    // Defaults for absent attributes.
    EXPECT_EQ(back->GetFloatAttr(u"none", 2.5), 2.5);
    EXPECT_EQ(back->GetIntAttr(u"none", 7), 7);
    EXPECT_EQ(back->GetAttrType(u"none"), varOleStr);
    EXPECT_EQ(r->GetAttrType(u"t"), varBoolean);
}

// Values read from the text are kept in the document's memory as they were
// read; writing one replaces it. What was written reads back in every form,
// and the values around it stay as they were.
TEST(XmlValues, ReplacedValuesReadInEveryForm) {
    Ref<IXmlDocument> doc = Parse(
        u"<r a='a value of some length' b='x' c='2009-03-07T14-05-09'><t>old text</t>"
        u"<u>next</u></r>");
    Ref<IXmlElement> r = doc->DocumentElement();
    struct Case {
        const char16_t* text;
        double number;  // NAN: no number
        double date;    // NAN: no date
    };
    const Case cases[] = {
        {u"12", 12, NAN},                                          // shorter than before
        {u"-7.25", -7.25, NAN},                                    //
        {u"0,5", 0.5, NAN},                                        // the other separator
        {u"2010-01-02T03-04-05", NAN, Date(2010, 1, 2, 3, 4, 5)},  // longer than before
        {u"a text much longer than any value this element had before", NAN, NAN},
        {u"", NAN, NAN},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(WideToString(c.text));
        r->SetAttr(u"a", c.text);
        EXPECT_EQ(r->GetAttr(u"a", u"?"), c.text);
        EXPECT_EQ(r->GetAttrType(u"a"), varOleStr);
        EXPECT_EQ(r->GetVarAttr(u"a", Variant()), Variant(WideString(c.text)));
        if (std::isnan(c.number)) {
            EXPECT_THROW(r->GetFloatAttr(u"a", 0), EVariantError);
        } else {
            EXPECT_EQ(r->GetFloatAttr(u"a", 0), c.number);
        }
        if (std::isnan(c.number)) {
            EXPECT_THROW(r->GetIntAttr(u"a", 0), EVariantError);
        } else {
            EXPECT_EQ(r->GetIntAttr(u"a", 0), std::llround(c.number));  // as variants round
        }
        if (std::isnan(c.date)) {
            EXPECT_THROW(r->GetDateTimeAttr(u"a", 0), EVariantError);
        } else {
            EXPECT_NEAR(r->GetDateTimeAttr(u"a", 0), c.date, 1e-9);
        }
        // The neighbours are untouched.
        EXPECT_EQ(r->GetAttr(u"b", u""), u"x");
        EXPECT_NEAR(r->GetDateTimeAttr(u"c", 0), Date(2009, 3, 7, 14, 5, 9), 1e-9);
        EXPECT_EQ(Parse(doc->GetXML())->DocumentElement()->GetAttr(u"a", u"?"), c.text);
    }

    // A typed value and text take each other's place.
    r->SetIntAttr(u"b", 7);
    EXPECT_EQ(r->GetAttrType(u"b"), varInteger);
    EXPECT_EQ(r->GetAttr(u"b", u""), u"7");
    r->SetAttr(u"b", u"eight");
    EXPECT_EQ(r->GetAttrType(u"b"), varOleStr);
    EXPECT_THROW(r->GetIntAttr(u"b", 0), EVariantError);
    r->SetDateTimeAttr(u"b", Date(2001, 2, 3, 4, 5, 6));
    EXPECT_EQ(r->GetAttrType(u"b"), varDate);
    EXPECT_EQ(r->GetAttr(u"b", u""), VarToXmlStr(Variant(TDateTime{Date(2001, 2, 3, 4, 5, 6)})));

    // Texts read from the document, replaced shorter and longer.
    Ref<IXmlNode> text = r->SelectSingleNode(u"t")->GetChildNodes()->Get(0);
    text->SetText(u"new");
    EXPECT_EQ(text->GetText(), u"new");
    EXPECT_EQ(r->SelectSingleNode(u"u")->GetText(), u"next");
    text->SetText(u"a replacement longer than the text read");
    text->SetValue(Variant(int32_t{31}));
    EXPECT_EQ(text->GetDataType(), varInteger);
    EXPECT_EQ(r->GetChildText(u"t", u""), u"31");
    EXPECT_EQ(r->SelectSingleNode(u"u")->GetText(), u"next");
    EXPECT_EQ(doc->GetXML(),
              u"<r a=\"\" b=\"2001-02-03T04-05-06\" c=\"2009-03-07T14-05-09\"><t>31</t>"
              u"<u>next</u></r>");
}

TEST(XmlValues, FloatsIgnoreTheProcessLocale) {
    // Every locale of this list that the system has is tried; "C" always is.
    int tried = 0;
    for (const char* locale : {"C", "de_DE.UTF-8", "de_DE", "fr_FR.UTF-8", "ru_RU.UTF-8"}) {
        if (!std::setlocale(LC_ALL, locale)) continue;
        ++tried;
        SCOPED_TRACE(locale);
        EXPECT_EQ(XmlFloatToStr(0.5), "0.5");
        EXPECT_EQ(XmlFloatToStr(-1234.125), "-1234.125");
        EXPECT_EQ(XmlStrToFloat(u"0.5"), 0.5);
        EXPECT_EQ(XmlStrToFloat(u"0,5"), 0.5);
        EXPECT_EQ(XmlStrToFloat(u" -1E3 "), -1000.0);
        Ref<IXmlDocument> doc = Parse(u"<r a='0,5'/>");
        EXPECT_EQ(doc->DocumentElement()->GetFloatAttr(u"a", 0), 0.5);
        doc->DocumentElement()->SetFloatAttr(u"b", 0.75);
        EXPECT_EQ(doc->GetXML(), u"<r a=\"0,5\" b=\"0.75\"/>");
    }
    std::setlocale(LC_ALL, "C");
    EXPECT_GE(tried, 1);
    EXPECT_THROW(XmlStrToFloat(u"abc"), EVariantError);
    EXPECT_THROW(XmlStrToFloat(u""), EVariantError);
}

TEST(XmlValues, DateTimeText) {
    EXPECT_EQ(XmlDateTimeToStr(Date(2009, 3, 7, 14, 5, 9)), "2009-03-07T14-05-09");
    EXPECT_EQ(XmlDateTimeToStr(0.0), "1899-12-30T00-00-00");
    EXPECT_EQ(XmlStrToDateTime("2009-03-07"), Date(2009, 3, 7, 0, 0, 0));
    EXPECT_NEAR(XmlStrToDateTime("2009-03-07T14-05"), Date(2009, 3, 7, 14, 5, 0), 1e-9);
    // Reading stops at an unexpected separator: the rest is 0.
    EXPECT_EQ(XmlStrToDateTime("2009-03-07 14:05:09"), Date(2009, 3, 7, 0, 0, 0));
    EXPECT_THROW(XmlStrToDateTime("2009-13-01"), EVariantError);
    EXPECT_THROW(XmlStrToDateTime("2009-02-29"), EVariantError);
    EXPECT_THROW(XmlStrToDateTime("2009-03-07T24-00-00"), EVariantError);
    EXPECT_THROW(XmlStrToDateTime(""), EVariantError);
    EXPECT_THROW(XmlDateTimeToStr(NAN), EVariantError);
}

TEST(XmlValues, HexAndEnumAttributes) {
    Ref<IXmlElement> e = CreateXmlElement(u"e");
    e->SetHexAttr(u"h", 255, 4);
    EXPECT_EQ(e->GetAttr(u"h", u""), u"00FF");
    e->SetHexAttr(u"neg", -1, 2);
    EXPECT_EQ(e->GetAttr(u"neg", u""), u"FFFFFFFF");
    EXPECT_EQ(e->GetHexAttr(u"neg", 0), -1);
    for (const char16_t* text : {u"ff", u"FF", u"00fF"}) {
        e->SetAttr(u"h", text);
        EXPECT_EQ(e->GetHexAttr(u"h", 0), 255);
    }
    for (const char16_t* text : {u"0x1", u"", u"g", u"100000000"}) {
        e->SetAttr(u"h", text);
        EXPECT_THROW(e->GetHexAttr(u"h", 0), EVariantError) << WideToString(text);
    }
    EXPECT_EQ(e->GetHexAttr(u"absent", 9), 9);

    const std::vector<WideString> kinds = {u"png", u"jpeg", u"jpng"};
    e->SetAttr(u"kind", u"JPEG");
    EXPECT_EQ(e->GetEnumAttr(u"kind", kinds, 0), 1);
    EXPECT_EQ(e->NeedEnumAttr(u"kind", kinds), 1);
    EXPECT_EQ(e->GetEnumAttr(u"absent", kinds, 2), 2);
}

TEST(XmlValues, Base64) {
    const uint8_t bytes[] = {0, 1, 2, 3, 4, 5};
    EXPECT_EQ(BinToBase64(bytes, 1, 0), "AA==");
    EXPECT_EQ(BinToBase64(bytes, 2, 0), "AAE=");
    EXPECT_EQ(BinToBase64(bytes, 6, 0), "AAECAwQF");
    // The first line holds L - 1 characters, later ones L.
    EXPECT_EQ(BinToBase64(bytes, 6, 4), "AAE\r\nCAwQ\r\nF");
    EXPECT_EQ(BinToBase64(bytes, 6, 9), "AAECAwQF");
    EXPECT_EQ(Base64ToBin("AAE\r\nCAwQ\r\nF"), ByteArray(bytes, bytes + 6));
    EXPECT_EQ(Base64ToBin("AA=="), ByteArray(bytes, bytes + 1));
    EXPECT_EQ(Base64ToBin("AAE="), ByteArray(bytes, bytes + 2));
    EXPECT_EQ(Base64ToBin("AA"), ByteArray());
    EXPECT_EQ(Base64ToBin("A!A!"), ByteArray(3, 0));  // outside the alphabet reads as 0
    EXPECT_EQ(Base64ToBin("AAECA"), ByteArray({0, 1, 2, 0, 0, 0}));

    Ref<IXmlElement> e = CreateXmlElement(u"data");
    e->AppendText(u"old");
    e->ReplaceTextByBinaryData(bytes, 6, 0);
    EXPECT_EQ(e->GetXML(), u"<data>AAECAwQF</data>");
    WideString units = e->GetTextAsBinaryData();
    EXPECT_EQ(units, WideString({0, 1, 2, 3, 4, 5}));
}

TEST(XmlValues, FreeHelpers) {
    EXPECT_EQ(XmlEscapeText(u"a\"b&c<d>e'f"), u"a&quot;b&amp;c&lt;d&gt;e'f");
    EXPECT_EQ(XmlEscapeText(u"plain"), u"plain");
    for (const char16_t* name : {u"a", u"_x", u"a-b.c:d9", u"Z"}) EXPECT_TRUE(IsXmlName(name));
    for (const char16_t* name : {u"", u"1a", u"-a", u".", u"a b", u"a/b", u"\u00E9"}) {
        EXPECT_FALSE(IsXmlName(name)) << WideToString(name);
    }
    EXPECT_TRUE(IsXmlDataString(" \r\n\t<?xml version"));
    EXPECT_TRUE(IsXmlDataString("< binary-xml >..."));
    EXPECT_FALSE(IsXmlDataString("<?xml"));
    EXPECT_FALSE(IsXmlDataString("<root/>"));
    EXPECT_TRUE(XmlIsInBinaryFormat("< binary-xml >"));
    EXPECT_FALSE(XmlIsInBinaryFormat("< binary-xml"));
}

TEST(XmlNodes, TextOfElementsAndCharacterData) {
    Ref<IXmlDocument> doc = Parse(u"<e>a<f>b</f><!--c-->d<g/><![CDATA[ e ]]></e>");
    EXPECT_EQ(doc->DocumentElement()->GetText(), u"a b d e");
    EXPECT_EQ(doc->GetText(), u"a b d e");

    Ref<IXmlDocument> comments = Parse(u"<!-- x -->");
    Ref<IXmlNode> comment = comments->GetChildNodes()->Get(0);
    EXPECT_EQ(comment->GetText(), u"x");
    comments->SetPreserveWhiteSpace(true);
    EXPECT_EQ(comment->GetText(), u" x ");
    EXPECT_EQ(comment->GetNodeName(), u"#comment");

    // SetText replaces the children; the text is escaped when written.
    Ref<IXmlElement> e = doc->DocumentElement();
    e->SetText(u"x < y");
    EXPECT_EQ(e->GetChildNodes()->GetCount(), 1);  // asking for the list makes the text a child
    EXPECT_EQ(e->GetXML(), u"<e>x &lt; y</e>");

    // Text held inline becomes a text child before a new child.
    Ref<IXmlElement> inl = CreateXmlElement(u"p");
    inl->SetText(u"t");
    inl->AppendElement(u"q");
    EXPECT_EQ(inl->GetXML(), u"<p>t<q/></p>");
}

TEST(XmlNodes, InlineValuesKeepTheirType) {
    Ref<IXmlElement> e = CreateXmlElement(u"v");
    e->SetValue(Variant(int32_t{5}));
    EXPECT_EQ(e->GetDataType(), varInteger);
    EXPECT_EQ(e->GetValue(), Variant(int32_t{5}));
    EXPECT_EQ(e->GetText(), u"5");
    e->SetValue(Variant(true));
    EXPECT_EQ(e->GetXML(), u"<v>1</v>");
    e->AppendComment(u"c");
    EXPECT_EQ(e->GetDataType(), varOleStr);
    EXPECT_EQ(e->GetValue(), Variant(WideString(u"1")));
    EXPECT_EQ(e->GetXML(), u"<v>1<!--c--></v>");
    e->SetValue(Variant(WideString()));
    EXPECT_EQ(e->GetXML(), u"<v/>");
}

TEST(XmlNodes, CDATAHoldingTheTerminatorParsesBack) {
    Ref<IXmlElement> e = CreateXmlElement(u"s");
    e->AppendCDATA(u"a]]>b");
    EXPECT_EQ(e->GetXML(), u"<s><![CDATA[a]]]><![CDATA[]>b]]></s>");
    Ref<IXmlElement> back = Parse(e->GetXML())->DocumentElement();
    ASSERT_EQ(back->GetChildNodes()->GetCount(), 2);
    EXPECT_EQ(back->GetChildNodes()->Get(0)->GetText(), u"a]");
    EXPECT_EQ(back->GetChildNodes()->Get(1)->GetText(), u"]>b");

    const WideString tricky = u"]]>x]]]>]]>";
    Ref<IXmlElement> s2 = CreateXmlElement(u"s");
    s2->ReplaceTextByCDATASection(tricky);
    Ref<IXmlNodeList> pieces = Parse(s2->GetXML())->DocumentElement()->GetChildNodes();
    WideString joined;
    for (int32_t i = 0; i < pieces->GetCount(); ++i) {
        ASSERT_TRUE(pieces->Get(i)->AsCDATASection());
        joined += pieces->Get(i)->GetText();
    }
    EXPECT_EQ(joined, tricky);
}

TEST(XmlNodes, DocumentAndClones) {
    Ref<IXmlDocument> doc = Parse(u"<?xml version='1.0'?><!--c--><root a='1'>t<b/></root>");
    EXPECT_EQ(doc->DocumentElement()->GetNodeName(), u"root");
    EXPECT_FALSE(CreateXmlDocument()->DocumentElement());

    Ref<IXmlNode> root = doc->DocumentElement();
    Ref<IXmlNode> deep = root->CloneNode(true);
    EXPECT_EQ(deep->GetXML(), u"<root a=\"1\">t<b/></root>");
    EXPECT_FALSE(deep->GetParentNode());
    EXPECT_EQ(root->CloneNode(false)->GetXML(), u"<root a=\"1\"/>");
    // A copied instruction leaves its attributes behind.
    Ref<IXmlNode> docCopy = doc->CloneNode(true);
    EXPECT_EQ(docCopy->GetXML(), u"<?xml?><!--c--><root a=\"1\">t<b/></root>");

    Ref<IXmlNode> decl = doc->GetChildNodes()->Get(0);
    EXPECT_EQ(decl->GetAttrCount(), 1);
    EXPECT_EQ(decl->CloneNode(true)->GetAttrCount(), 0);

    // A deep copy keeps text held inline.
    Ref<IXmlElement> inl = CreateXmlElement(u"i");
    inl->SetText(u"kept");
    EXPECT_EQ(inl->CloneNode(true)->GetXML(), u"<i>kept</i>");

    EXPECT_EQ(root->GetOwnerDocument(), doc);
    EXPECT_FALSE(deep->GetOwnerDocument());
}

TEST(XmlNodes, ChildListOperations) {
    Ref<IXmlDocument> doc = Parse(u"<r><a/><b/><c/></r>");
    Ref<IXmlNode> r = doc->DocumentElement();
    Ref<IXmlNodeList> list = r->GetChildNodes();
    Ref<IXmlNode> a = list->Get(0), b = list->Get(1), c = list->Get(2);

    Ref<IXmlNode> outsider = CreateXmlElement(u"o");
    Ref<IXmlNode> x = doc->CreateElement(u"x");
    r->InsertBefore(x, outsider);  // a reference that is no child appends
    EXPECT_EQ(r->GetXML(), u"<r><a/><b/><c/><x/></r>");
    r->InsertBefore(x, b);  // moving within the list
    EXPECT_EQ(r->GetXML(), u"<r><a/><x/><b/><c/></r>");
    EXPECT_EQ(r->RemoveChild(x), 1);
    EXPECT_EQ(r->RemoveChild(x), -1);
    EXPECT_FALSE(x->GetParentNode());
    r->ReplaceChild(x, c);
    EXPECT_EQ(r->GetXML(), u"<r><a/><b/><x/></r>");
    EXPECT_FALSE(c->GetParentNode());
    r->ReplaceChild(c, outsider);  // not a child: nothing
    EXPECT_EQ(r->GetXML(), u"<r><a/><b/><x/></r>");

    // A node appended to a second parent leaves the first one.
    b->AppendChild(a);
    EXPECT_EQ(r->GetXML(), u"<r><b><a/></b><x/></r>");
    EXPECT_EQ(a->GetParentNode(), b);
    // Never into its own subtree.
    EXPECT_THROW(a->AppendChild(b), Exception);
    EXPECT_THROW(a->AppendChild(a), Exception);
    EXPECT_EQ(r->GetXML(), u"<r><b><a/></b><x/></r>");

    r->RemoveAllChilds();
    EXPECT_EQ(r->GetXML(), u"<r/>");
    EXPECT_FALSE(b->GetParentNode());
}

TEST(XmlNodes, NodesMovedBetweenNameTablesKeepTheirNames) {
    Ref<IXmlDocument> source = CreateXmlDocument(u"", u"1.0", u"", CreateNameTable(8));
    source->LoadXML(u"<zeta k1='1'><eta k2='2'/></zeta>");
    Ref<IXmlDocument> target = CreateXmlDocument(u"root", u"1.0", u"", CreateNameTable(64));
    Ref<IXmlNode> moved = source->DocumentElement();
    target->DocumentElement()->AppendChild(moved);
    EXPECT_EQ(target->GetXML(), u"<root><zeta k1=\"1\"><eta k2=\"2\"/></zeta></root>");
    EXPECT_TRUE(moved->GetNameTable() == target->GetNameTable());
    EXPECT_EQ(moved->SelectSingleNode(u"eta")->GetAttr(u"k2", u""), u"2");
    EXPECT_EQ(source->GetXML(), u"");
}

TEST(XmlNodes, ChildListHeldLongerThanItsNode) {
    Ref<IXmlNodeList> list;
    Ref<IXmlNode> child;
    {
        Ref<IXmlDocument> doc = Parse(u"<r><a/></r>");
        list = doc->DocumentElement()->GetChildNodes();
        child = list->Get(0);
    }
    EXPECT_EQ(list->GetCount(), 1);
    EXPECT_FALSE(child->GetParentNode());
    EXPECT_EQ(list->GetXML(), u"<a/>");
}

// A node held from outside outlives its document: without parent, with its
// subtree, attributes and texts, still changeable.
TEST(XmlNodes, NodesKeptAfterTheirDocumentGoes) {
    Ref<IXmlNode> kept, text, selected;
    Ref<IXmlNodeList> selection;
    {
        Ref<IXmlDocument> doc = Parse(u"<r><a k='v'><b>t</b><c/></a><d n='1'/><e/></r>");
        kept = doc->DocumentElement()->SelectSingleNode(u"a");
        text = kept->SelectSingleNode(u"b")->GetChildNodes()->Get(0);
        selection = doc->DocumentElement()->SelectNodes(u"d");
        selected = doc->DocumentElement()->SelectSingleNode(u"e")->CloneNode(true);
    }
    EXPECT_FALSE(kept->GetParentNode());
    EXPECT_FALSE(kept->GetOwnerDocument());
    EXPECT_EQ(kept->GetXML(), u"<a k=\"v\"><b>t</b><c/></a>");
    EXPECT_EQ(text->GetText(), u"t");
    EXPECT_EQ(text->GetParentNode()->GetNodeName(), u"b");
    ASSERT_EQ(selection->GetCount(), 1);
    EXPECT_EQ(selection->Get(0)->GetXML(), u"<d n=\"1\"/>");
    EXPECT_EQ(selected->GetXML(), u"<e/>");

    kept->SetAttr(u"k", u"a value longer than the one read");
    kept->AppendElement(u"f")->SetIntAttr(u"i", 5);
    kept->RemoveChild(kept->SelectSingleNode(u"c"));
    EXPECT_EQ(kept->GetXML(),
              u"<a k=\"a value longer than the one read\"><b>t</b><f i=\"5\"/></a>");

    // Into another document, which goes in turn.
    Ref<IXmlDocument> other = CreateXmlDocument(u"root");
    other->DocumentElement()->AppendChild(kept);
    other->DocumentElement()->AppendChild(selection->Get(0));
    EXPECT_EQ(other->GetXML(),
              u"<root><a k=\"a value longer than the one read\"><b>t</b><f i=\"5\"/></a>"
              u"<d n=\"1\"/></root>");
    EXPECT_EQ(kept->GetParentNode(), other->DocumentElement());
    other = nullptr;
    EXPECT_FALSE(kept->GetParentNode());
    EXPECT_EQ(text->GetText(), u"t");
    EXPECT_EQ(selection->Get(0)->GetAttr(u"n", u""), u"1");
}

// A weak reference to a node learns that the node went with its document.
TEST(XmlNodes, WeakReferencesSeeNodesGoWithTheirDocument) {
    Weak<IXmlNode> gone, kept;
    Ref<IXmlNode> held;
    {
        Ref<IXmlDocument> doc = Parse(u"<r><a><b/></a><c/></r>");
        gone = doc->DocumentElement()->SelectSingleNode(u"a/b");
        held = doc->DocumentElement()->SelectSingleNode(u"c");
        kept = held;
        EXPECT_FALSE(gone.Expired());
    }
    EXPECT_TRUE(gone.Expired());
    EXPECT_FALSE(gone.Lock());
    ASSERT_FALSE(kept.Expired());
    EXPECT_EQ(kept.Lock()->GetXML(), u"<c/>");
    held = nullptr;
    EXPECT_TRUE(kept.Expired());
}

// Loading into a document again frees what it held, except what is held
// from outside.
TEST(XmlNodes, ReloadingKeepsNodesHeldFromOutside) {
    Ref<IXmlDocument> doc = Parse(u"<r><a x='1'>text</a><b/></r>");
    Ref<IXmlNode> a = doc->DocumentElement()->SelectSingleNode(u"a");
    Ref<IXmlNodeList> children = doc->GetChildNodes();
    doc->LoadXML(u"<s y='2'><c/></s>");
    EXPECT_EQ(doc->GetXML(), u"<s y=\"2\"><c/></s>");
    EXPECT_EQ(a->GetXML(), u"<a x=\"1\">text</a>");
    EXPECT_FALSE(a->GetParentNode());
    // The document's own child list follows its new content.
    ASSERT_EQ(children->GetCount(), 1);
    EXPECT_EQ(children->Get(0)->GetNodeName(), u"s");
    for (int i = 0; i < 3; ++i) {
        doc->LoadXML(u"<t z='" + WideString(1, static_cast<char16_t>(u'0' + i)) + u"'/>");
        EXPECT_EQ(doc->DocumentElement()->GetAttr(u"z", u""), WideString(1, u'0' + i));
    }
    a->AppendChild(doc->DocumentElement());
    EXPECT_EQ(a->GetXML(), u"<a x=\"1\">text<t z=\"2\"/></a>");
    EXPECT_EQ(doc->GetXML(), u"");
}

TEST(XmlNodes, AttributesKeepOrderAndChildHelpers) {
    Ref<IXmlElement> e = CreateXmlElement(u"e");
    e->SetAttr(u"b", u"1");
    e->SetAttr(u"a", u"2");
    e->SetIntAttr(u"b", 3);  // in place
    EXPECT_EQ(GetAttrsXML(*dynamic_cast<TXmlNode*>(e.get())), u" b=\"3\" a=\"2\"");
    EXPECT_EQ(e->GetAttrName(1), u"a");
    EXPECT_THROW(e->GetAttrName(2), Exception);
    e->RemoveAttr(u"b");
    EXPECT_EQ(e->GetAttrName(0), u"a");
    EXPECT_FALSE(e->AttrExists(u"b"));
    e->RemoveAllAttrs();
    EXPECT_EQ(e->GetAttrCount(), 0);

    e->SetChildText(u"name", u"first");
    e->SetChildText(u"name", u"second");
    EXPECT_EQ(e->GetChildText(u"name", u"-"), u"second");
    EXPECT_EQ(e->GetChildText(u"other", u"-"), u"-");
    Ref<IXmlNode> ensured = e->EnsureChild(u"list");
    EXPECT_TRUE(e->EnsureChild(u"list") == ensured);
    EXPECT_TRUE(e->NeedChild(u"list") == ensured);
    EXPECT_EQ(e->GetXML(), u"<e><name>second</name><list/></e>");

    // Path values.
    e->SetPathValue("@x", Variant(int32_t{1}));
    e->SetPathValue("x/y", Variant(int32_t{2}));
    e->SetPathValue("name", Variant(WideString(u"third")));
    EXPECT_EQ(e->GetPathValue("@x"), Variant(int32_t{1}));
    EXPECT_EQ(e->GetPathValue("@missing"), Variant(WideString()));
    EXPECT_EQ(e->GetPathValue("name"), Variant(WideString(u"third")));
    EXPECT_EQ(e->GetPathValue("missing"), Variant(WideString()));
    EXPECT_EQ(e->GetXML(), u"<e x=\"1\"><name>third</name><list/><x/y>2</x/y></e>");

    Ref<IXmlNode> node = Ref<IXmlNode>(e.get());
    AppendElementAndDescend(node, "deeper");
    EXPECT_EQ(node->GetNodeName(), u"deeper");
    node = Ref<IXmlNode>(e.get());
    EXPECT_TRUE(SelectElementAndDescend(node, "/LIST"));
    EXPECT_EQ(node->GetNodeName(), u"list");
    EXPECT_FALSE(SelectElementAndDescend(node, "nothing"));
}

}  // namespace
