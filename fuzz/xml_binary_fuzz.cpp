// Fuzzes the binary XML reader.
//
// An input without the signature gets it put in front. Whatever loads must
// write without crashing, and its binary form (wide, so nothing is narrowed)
// must load again and write the same bytes.
#include <cstdint>
#include <cstdlib>
#include <string>

#include "core/xml/SimpleXml.h"

namespace {

Ref<TXmlDocument> NewDocument() {
    return MakeRef<TXmlDocument>(MakeRef<TXmlNameTable>(64).get());
}

std::string SaveWide(const Ref<TXmlDocument>& doc) {
    TMemoryStream stream;
    doc->SaveBinary(stream, 1);
    return std::string(stream.Bytes().begin(), stream.Bytes().end());
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::string bytes(reinterpret_cast<const char*>(data), size);
    if (!XmlIsInBinaryFormat(bytes)) bytes.insert(0, BinXmlSignature);

    Ref<TXmlDocument> doc = NewDocument();
    try {
        doc->LoadBinaryXML(bytes);
    } catch (const Exception&) {
        return 0;
    }
    try {
        doc->GetXML();  // a date-time out of range has no text form
    } catch (const Exception&) {
    }
    std::string first = SaveWide(doc);
    Ref<TXmlDocument> again = NewDocument();
    TMemoryStream stream(first);
    again->Load(stream);
    if (SaveWide(again) != first) std::abort();
    return 0;
}
