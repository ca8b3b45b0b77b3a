// Fuzzes the XML text parser.
//
// Each input is parsed as wide text (one unit per byte) and as a byte stream
// read through a tiny buffer: both must give the same document or the same
// error. A document that loads must write stable text (parsing what was
// written writes it again unchanged) and survive the binary form, narrow and
// wide, unchanged. The input is also parsed as 16-bit units, for units above
// 255.
#include <cstdint>
#include <cstdlib>
#include <string>

#include "core/xml/SimpleXml.h"

namespace {

// Every document gets its own name table, so that names met in earlier
// inputs do not pile up in the process-wide one.
Ref<TXmlDocument> NewDocument() {
    return MakeRef<TXmlDocument>(MakeRef<TXmlNameTable>(64).get());
}

struct Outcome {
    WideString xml;
    std::string error;
};

template <class Load>
Outcome Run(const Ref<TXmlDocument>& doc, Load load) {
    Outcome outcome;
    try {
        load();
    } catch (const Exception& e) {
        outcome.error = e.Message();
    }
    outcome.xml = doc->GetXML();  // what was read before an error stays
    return outcome;
}

void Check(bool condition) {
    if (!condition) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string bytes(reinterpret_cast<const char*>(data), size);
    if (XmlIsInBinaryFormat(bytes)) return 0;  // the binary target's business
    WideString text;
    for (unsigned char c : bytes) text += static_cast<char16_t>(c);

    Ref<TXmlDocument> fromText = NewDocument();
    Outcome a = Run(fromText, [&] { fromText->LoadXML(text); });

    Ref<TXmlDocument> fromStream = NewDocument();
    TMemoryStream stream(bytes);
    size_t buffer = 1 + (size > 0 ? data[size - 1] % 7 : 0);
    Outcome b = Run(fromStream, [&] { fromStream->LoadText(stream, buffer); });
    Check(a.error == b.error);
    Check(a.xml == b.xml);
    if (!a.error.empty()) return 0;

    Ref<TXmlDocument> again = NewDocument();
    again->LoadXML(a.xml);
    Check(again->GetXML() == a.xml);

    Ref<TXmlDocument> narrow = NewDocument();
    narrow->LoadBinaryXML(fromText->GetBinaryXML());
    Check(narrow->GetXML() == a.xml);

    TMemoryStream wide;
    fromText->SaveBinary(wide, 1);
    wide.SetPosition(0);
    Ref<TXmlDocument> fromWide = NewDocument();
    fromWide->Load(wide);
    Check(fromWide->GetXML() == a.xml);

    // The model's read operations on what was loaded.
    if (Ref<IXmlElement> root = fromText->DocumentElement()) {
        root->GetText();
        root->SelectSingleNode(u"a/b[@c=d]/..");
        root->CloneNode(true)->GetXML();
    }

    // The same bytes as 16-bit units: any unit may appear, so only loading
    // and writing are checked (instruction data narrows to 8 bits).
    WideString units;
    for (size_t i = 0; i + 1 < size; i += 2)
        units += static_cast<char16_t>(data[i] | data[i + 1] << 8);
    Ref<TXmlDocument> wideText = NewDocument();
    try {
        wideText->LoadXML(units);
    } catch (const Exception&) {
    }
    wideText->GetXML();
    return 0;
}
