// The binary form: "< binary-xml >", a 32-bit options word, the name table
// with its hash index, then the document's node records. Numbers are
// little-endian on every processor.
//
// Damaged input never reads past the data: every count is checked against
// the bytes that remain before anything is allocated for it, and name IDs
// must name an entry of the stored name table.
#include "core/xml/XmlBinary.h"

#include <algorithm>
#include <bit>

#include "core/xml/XmlInternal.h"
#include "core/xml/XmlStore.h"

using namespace xml_internal;

namespace {

constexpr size_t kBufferSize = 65536;
// More hash buckets than any table of the library uses; a count beyond it is
// damage, not a table.
constexpr int32_t kMaxBuckets = 1 << 20;

constexpr bool kLittleEndian = std::endian::native == std::endian::little;

uint32_t LoadU32(const uint8_t* b) {
    return b[0] | static_cast<uint32_t>(b[1]) << 8 | static_cast<uint32_t>(b[2]) << 16 |
           static_cast<uint32_t>(b[3]) << 24;
}

uint64_t LoadU64(const uint8_t* b) {
    return LoadU32(b) | static_cast<uint64_t>(LoadU32(b + 4)) << 32;
}

void StoreU32(uint8_t* b, uint32_t v) {
    for (int i = 0; i < 4; ++i) b[i] = static_cast<uint8_t>(v >> (8 * i));
}

void StoreU64(uint8_t* b, uint64_t v) {
    for (int i = 0; i < 8; ++i) b[i] = static_cast<uint8_t>(v >> (8 * i));
}

}  // namespace

// ---------------------------------------------------------------------------
// Readers

void TBinXmlReader::RaiseReadError() {
    Raise(kErrDataReading);
}

int32_t TBinXmlReader::ReadInt32() {
    uint8_t b[4];
    Read(b, 4);
    return static_cast<int32_t>(LoadU32(b));
}

int32_t TBinXmlReader::ReadLongint() {
    uint8_t first = ReadByte();
    if (first < 0x80) return first;
    if (first == 0xFF) return ReadInt32();
    return (first & 0x7F) << 8 | ReadByte();
}

int32_t TBinXmlReader::ReadCount(uint64_t minBytes) {
    int32_t count = ReadLongint();
    if (count < 0 || static_cast<uint64_t>(count) * minBytes > remaining_) {
        Raise(kErrDataReading);
    }
    return count;
}

std::string TBinXmlReader::ReadAnsiString() {
    std::string text(static_cast<size_t>(ReadCount(1)), '\0');
    Read(text.data(), text.size());
    return text;
}

void TBinXmlReader::ReadUnits(char16_t* units, size_t count) {
    if constexpr (kLittleEndian) {
        Read(units, count * 2);
    } else {
        for (size_t i = 0; i < count; ++i) {
            uint8_t b[2];
            Read(b, 2);
            units[i] = static_cast<char16_t>(b[0] | b[1] << 8);
        }
    }
}

WideString TBinXmlReader::ReadWideString() {
    WideString text(static_cast<size_t>(ReadCount(2)), u'\0');
    ReadUnits(text.data(), text.size());
    return text;
}

WideString TBinXmlReader::ReadXmlString() {
    return (options_ & 1) ? ReadWideString() : Widen(ReadAnsiString());
}

void TBinXmlReader::ReadVariant(Variant& value) {
    ReadVariantOfType(ReadLongint(), value);
}

void TBinXmlReader::ReadVariantOfType(int32_t code, Variant& value) {
    value = Variant();
    uint8_t b[8];
    switch (code) {
        case varEmpty:
            break;
        case varNull:
            value = Variant::Null();
            break;
        case varSmallint:
            Read(b, 2);
            value = Variant(static_cast<int16_t>(b[0] | b[1] << 8));
            break;
        case varInteger:
            value = Variant(ReadInt32());
            break;
        case varSingle:
            Read(b, 4);
            value = Variant(std::bit_cast<float>(LoadU32(b)));
            break;
        case varDouble:
            Read(b, 8);
            value = Variant(std::bit_cast<double>(LoadU64(b)));
            break;
        case varCurrency:
            Read(b, 8);
            value = Variant(Currency{static_cast<int64_t>(LoadU64(b))});
            break;
        case varDate:
            Read(b, 8);
            value = Variant(TDateTime{std::bit_cast<double>(LoadU64(b))});
            break;
        case varOleStr:
            value = Variant(ReadWideString());
            break;
        case varBoolean:
            Read(b, 2);
            value = Variant((b[0] | b[1]) != 0);
            break;
        case varByte:
            value = Variant(ReadByte());
            break;
        case varString:
            value = Variant(ReadAnsiString());
            break;
        case varByteArray: {
            ByteArray bytes(static_cast<size_t>(ReadCount(1)));
            Read(bytes.data(), bytes.size());
            value = Variant(std::move(bytes));
            break;
        }
        default:
            Raise(kErrValueReadType);
    }
}

void TBinXmlReader::ReadValue(TXmlValue& cell, TXmlStore& store) {
    // Wide text goes straight into the store; every other type through a
    // variant.
    int32_t code = ReadLongint();
    if (code == varOleStr) {
        size_t length = static_cast<size_t>(ReadCount(2));
        if (length <= TXmlValue::kLengthMask) {
            char16_t* units = store.AllocateText(length);
            ReadUnits(units, length);
            TXmlStore::SetRun(cell, units, length);
            return;
        }
        WideString text(length, u'\0');
        ReadUnits(text.data(), length);
        store.Assign(cell, Variant(std::move(text)));
        return;
    }
    Variant value;
    ReadVariantOfType(code, value);
    store.Assign(cell, value);
}

TStrXmlReader::TStrXmlReader(std::string_view data) {
    if (data.size() < BinXmlSignature.size()) Raise(kErrDataReading);
    p_ = reinterpret_cast<const uint8_t*>(data.data()) + BinXmlSignature.size();
    end_ = reinterpret_cast<const uint8_t*>(data.data()) + data.size();
    remaining_ = static_cast<uint64_t>(end_ - p_);
    options_ = ReadInt32();
}

void TStrXmlReader::ReadMore(uint8_t*, size_t) {
    Raise(kErrDataReading);
}

TStmXmlReader::TStmXmlReader(TStream& stream, size_t bufferSize)
    : stream_(stream), buffer_(bufferSize) {
    int64_t left = stream.GetSize() - stream.GetPosition();
    remaining_ = left > 0 ? static_cast<uint64_t>(left) : 0;
    p_ = end_ = buffer_.data();
    options_ = ReadInt32();
}

void TStmXmlReader::ReadMore(uint8_t* dest, size_t count) {
    size_t buffered = static_cast<size_t>(end_ - p_);
    if (buffered) std::memcpy(dest, p_, buffered);
    stream_.ReadBuffer(dest + buffered, count - buffered);
    remaining_ -= count;
    size_t refill = static_cast<size_t>(std::min<uint64_t>(remaining_, buffer_.size()));
    stream_.ReadBuffer(buffer_.data(), refill);
    p_ = buffer_.data();
    end_ = p_ + refill;
}

// ---------------------------------------------------------------------------
// Writers

TBinXmlWriter::TBinXmlWriter(int32_t options, size_t bufferSize)
    : options_(options), buffer_(std::max<size_t>(bufferSize, 1)) {
    pos_ = buffer_.data();
    end_ = pos_ + buffer_.size();
}

void TBinXmlWriter::Start() {
    Write(BinXmlSignature.data(), BinXmlSignature.size());
    WriteInt32(options_);
}

void TBinXmlWriter::WriteInt32(int32_t value) {
    uint8_t b[4];
    StoreU32(b, static_cast<uint32_t>(value));
    Write(b, 4);
}

void TBinXmlWriter::WriteLongint(int32_t value) {
    if (value >= 0 && value <= 127) {
        WriteByte(static_cast<uint8_t>(value));
    } else if (value >= 128 && value < 32768 && ((value >> 8) | 0x80) < 0xFF) {
        uint8_t b[2] = {static_cast<uint8_t>((value >> 8) | 0x80),
                        static_cast<uint8_t>(value & 0xFF)};
        Write(b, 2);
    } else {
        WriteByte(0xFF);
        WriteInt32(value);
    }
}

void TBinXmlWriter::WriteAnsiString(std::string_view text) {
    WriteLongint(static_cast<int32_t>(text.size()));
    Write(text.data(), text.size());
}

void TBinXmlWriter::WriteWideString(std::u16string_view text) {
    WriteLongint(static_cast<int32_t>(text.size()));
    if constexpr (kLittleEndian) {
        Write(text.data(), text.size() * 2);
    } else {
        for (char16_t unit : text) {
            uint8_t b[2] = {static_cast<uint8_t>(unit), static_cast<uint8_t>(unit >> 8)};
            Write(b, 2);
        }
    }
}

void TBinXmlWriter::WriteXmlString(std::u16string_view text) {
    if (options_ & 1) {
        WriteWideString(text);
    } else {
        WriteAnsiString(Narrow(text));
    }
}

void TBinXmlWriter::WriteXmlString8(std::string_view text) {
    if (options_ & 1) {
        WriteWideString(Widen(text));
    } else {
        WriteAnsiString(text);
    }
}

void TBinXmlWriter::WriteVariant(const Variant& value) {
    uint8_t b[8];
    switch (value.Type()) {
        case varEmpty:
            WriteLongint(varEmpty);
            break;
        case varNull:
            WriteLongint(varNull);
            break;
        case varSmallint: {
            WriteLongint(varSmallint);
            auto v = static_cast<uint16_t>(*value.Get<int16_t>());
            b[0] = static_cast<uint8_t>(v);
            b[1] = static_cast<uint8_t>(v >> 8);
            Write(b, 2);
            break;
        }
        case varInteger:
            WriteLongint(varInteger);
            WriteInt32(*value.Get<int32_t>());
            break;
        case varSingle:
            WriteLongint(varSingle);
            StoreU32(b, std::bit_cast<uint32_t>(*value.Get<float>()));
            Write(b, 4);
            break;
        case varDouble:
            WriteLongint(varDouble);
            StoreU64(b, std::bit_cast<uint64_t>(*value.Get<double>()));
            Write(b, 8);
            break;
        case varCurrency:
            WriteLongint(varCurrency);
            StoreU64(b, static_cast<uint64_t>(value.Get<Currency>()->scaled));
            Write(b, 8);
            break;
        case varDate:
            WriteLongint(varDate);
            StoreU64(b, std::bit_cast<uint64_t>(value.Get<TDateTime>()->days));
            Write(b, 8);
            break;
        case varOleStr:
            WriteLongint(varOleStr);
            WriteWideString(*value.Get<WideString>());
            break;
        case varBoolean:
            WriteLongint(varBoolean);
            b[0] = b[1] = *value.Get<bool>() ? 0xFF : 0;
            Write(b, 2);
            break;
        case varByte:
            WriteLongint(varByte);
            WriteByte(*value.Get<uint8_t>());
            break;
        case varString:
            WriteLongint(varString);
            WriteAnsiString(*value.Get<std::string>());
            break;
        case varByteArray: {
            const ByteArray& bytes = *value.Get<ByteArray>();
            WriteLongint(varByteArray);
            WriteLongint(static_cast<int32_t>(bytes.size()));
            Write(bytes.data(), bytes.size());
            break;
        }
        default:
            Raise(kErrValueWriteType);
    }
}

void TBinXmlWriter::WriteValue(const TXmlValue& value, const TXmlStore& store) {
    if (value.IsText()) {
        WriteLongint(varOleStr);
        WriteWideString(value.Text());
    } else if (value.IsEmpty()) {
        WriteLongint(varEmpty);
    } else {
        WriteVariant(store.Typed(value.Slot()));
    }
}

TStrXmlWriter::TStrXmlWriter(int32_t options, size_t bufferSize)
    : TBinXmlWriter(options, bufferSize) {
    Start();
}

void TStrXmlWriter::FlushBuf() {
    result_.append(reinterpret_cast<const char*>(buffer_.data()),
                   static_cast<size_t>(pos_ - buffer_.data()));
    pos_ = buffer_.data();
}

std::string TStrXmlWriter::TakeResult() {
    FlushBuf();
    return std::move(result_);
}

void TStrXmlWriter::WriteMore(const uint8_t* source, size_t count) {
    FlushBuf();
    result_.append(reinterpret_cast<const char*>(source), count);
}

TStmXmlWriter::TStmXmlWriter(TStream& stream, int32_t options, size_t bufferSize)
    : TBinXmlWriter(options, bufferSize), stream_(stream) {
    Start();
}

void TStmXmlWriter::Flush() {
    stream_.WriteBuffer(buffer_.data(), static_cast<size_t>(pos_ - buffer_.data()));
    pos_ = buffer_.data();
}

void TStmXmlWriter::WriteMore(const uint8_t* source, size_t count) {
    Flush();
    stream_.WriteBuffer(source, count);
}

// ---------------------------------------------------------------------------
// Documents

void TXmlDocument::ReadBinary(TBinXmlReader& reader) {
    // The name table section.
    int32_t nameCount = reader.ReadCount(1);
    std::vector<WideString> names;
    names.reserve(static_cast<size_t>(nameCount));
    for (int32_t i = 0; i < nameCount; ++i) names.push_back(reader.ReadXmlString());
    int32_t bucketCount = reader.ReadLongint();
    if (bucketCount < 1 || bucketCount > kMaxBuckets) Raise(kErrDataReading);
    std::vector<std::vector<int32_t>> buckets(static_cast<size_t>(bucketCount));
    int32_t filled = reader.ReadCount(2);
    if (filled > bucketCount) Raise(kErrDataReading);
    for (int32_t i = 0; i < filled; ++i) {
        int32_t index = reader.ReadLongint();
        if (index < 0 || index >= bucketCount) Raise(kErrDataReading);
        std::vector<int32_t>& bucket = buckets[static_cast<size_t>(index)];
        bucket.resize(static_cast<size_t>(reader.ReadCount(4)));
        for (int32_t& id : bucket) {
            id = reader.ReadInt32();
            if (id < 0 || id >= nameCount) Raise(kErrDataReading);
        }
    }
    // Names the text form would read as something else: empty ones, and ones
    // holding a blank or a control character, which the parser takes for a
    // separator. Refused when a node or attribute uses them, so that what
    // loads here also saves to text that loads again.
    std::vector<bool> unwritable(names.size());
    for (size_t i = 0; i < names.size(); ++i) {
        unwritable[i] = names[i].empty() || std::any_of(names[i].begin(), names[i].end(),
                                                        [](char16_t unit) { return unit <= 32; });
    }
    TXmlNameTable* table = NameTable();
    table->Assign(std::move(names), std::move(buckets));

    auto readID = [&]() {
        int32_t id = reader.ReadLongint();
        if (!table->ValidID(id)) Raise(kErrDataReading);
        // (Reserved names the table lacked were interned after those read.)
        if (static_cast<size_t>(id) < unwritable.size() && unwritable[static_cast<size_t>(id)]) {
            Raise(kErrBinReadName);
        }
        return id;
    };

    // The node records, without recursion.
    TXmlStore& store = Store();
    struct Frame {
        TXmlNode* node;
        int32_t left;  // child records still to read
    };
    std::vector<Frame> stack;
    TAttrStamps stamps;
    auto readBody = [&](TXmlNode* node) {
        node->RemoveAllAttrs();
        stamps.NextNode();
        int32_t attrCount = reader.ReadCount(2);
        node->ReserveAttrs(static_cast<size_t>(attrCount));
        for (int32_t i = 0; i < attrCount; ++i) {
            int32_t id = readID();
            TXmlValue cell;
            reader.ReadValue(cell, store);
            if (stamps.Seen(id)) {
                node->PutAttrCell(id, cell);
            } else {
                TXmlAttr& attr = node->AppendAttrCell(id);
                attr.data = cell.data;
                attr.meta = cell.meta;
            }
        }
        int32_t childCount = reader.ReadCount(2);
        if (childCount > 0) {
            // An element keeps its text inline or as children, never both.
            if (node->Kind() == NODE_ELEMENT) node->AdoptValueCell(TXmlValue());
            node->ClearChildren();
            stack.push_back({node, childCount});
        }
    };

    readBody(this);
    while (!stack.empty()) {
        Frame& top = stack.back();
        if (top.left == 0) {
            stack.pop_back();
            continue;
        }
        --top.left;
        TXmlNode* parent = top.node;  // `top` is not used below
        parent->ReserveChild();
        switch (reader.ReadByte()) {
            case NODE_ELEMENT: {
                int32_t id = readID();
                Ref<TXmlElement> made = MakeNode<TXmlElement>(store, table, id);
                TXmlElement* element = made.get();
                parent->AppendNew(std::move(made));
                TXmlValue cell;
                reader.ReadValue(cell, store);
                element->AdoptValueCell(cell);
                readBody(element);
                break;
            }
            case NODE_TEXT: {
                Ref<TXmlText> made = MakeNode<TXmlText>(store, table);
                TXmlText* text = made.get();
                parent->AppendNew(std::move(made));
                TXmlValue cell;
                reader.ReadValue(cell, store);
                text->AdoptValueCell(cell);
                break;
            }
            case NODE_CDATA_SECTION: {
                Ref<TXmlCDATASection> made = MakeNode<TXmlCDATASection>(store, table);
                TXmlCDATASection* cdata = made.get();
                parent->AppendNew(std::move(made));
                cdata->SetValueText(reader.ReadXmlString());
                break;
            }
            case NODE_PROCESSING_INSTRUCTION: {
                int32_t target = readID();
                Ref<TXmlProcessingInstruction> made =
                    MakeNode<TXmlProcessingInstruction>(store, table, target);
                TXmlProcessingInstruction* pi = made.get();
                parent->AppendNew(std::move(made));
                pi->SetText(reader.ReadXmlString());
                readBody(pi);
                break;
            }
            case NODE_COMMENT: {
                Ref<TXmlComment> made = MakeNode<TXmlComment>(store, table);
                TXmlComment* comment = made.get();
                parent->AppendNew(std::move(made));
                comment->SetValueText(reader.ReadXmlString());
                break;
            }
            default:
                Raise(kErrBinReadNodeType);
        }
    }
}

void TXmlDocument::WriteBinary(TBinXmlWriter& writer) {
    TXmlNameTable* table = NameTable();
    writer.WriteLongint(table->Count());
    for (const WideString& name : table->Names()) writer.WriteXmlString(name);
    const auto& buckets = table->Buckets();
    int32_t filled = 0;
    for (const auto& bucket : buckets) filled += bucket.empty() ? 0 : 1;
    writer.WriteLongint(static_cast<int32_t>(buckets.size()));
    writer.WriteLongint(filled);
    for (size_t i = 0; i < buckets.size(); ++i) {
        if (buckets[i].empty()) continue;
        writer.WriteLongint(static_cast<int32_t>(i));
        writer.WriteLongint(static_cast<int32_t>(buckets[i].size()));
        for (int32_t id : buckets[i]) writer.WriteInt32(id);
    }

    struct Frame {
        TXmlNode* node;
        size_t next;
    };
    std::vector<Frame> stack;
    auto writeBody = [&](TXmlNode* node) {
        writer.WriteLongint(node->GetAttrCount());
        for (const TXmlAttr& attr : node->Attrs()) {
            writer.WriteLongint(attr.nameId);
            writer.WriteValue(attr, node->Store());
        }
        writer.WriteLongint(node->ChildCount());
        if (node->HasChildItems()) stack.push_back({node, 0});
    };

    writeBody(this);
    while (!stack.empty()) {
        Frame& top = stack.back();
        std::span<TXmlNode* const> items = top.node->Children();
        if (top.next >= items.size()) {
            stack.pop_back();
            continue;
        }
        TXmlNode* child = items[top.next++];  // `top` is not used below
        switch (child->Kind()) {
            case NODE_ELEMENT:
                writer.WriteByte(NODE_ELEMENT);
                writer.WriteLongint(child->NameID());
                writer.WriteValue(child->HasChildItems() ? TXmlValue() : child->Value(),
                                  child->Store());
                writeBody(child);
                break;
            case NODE_TEXT:
                writer.WriteByte(NODE_TEXT);
                writer.WriteValue(child->Value(), child->Store());
                break;
            case NODE_CDATA_SECTION:
                writer.WriteByte(NODE_CDATA_SECTION);
                writer.WriteXmlString(child->Value().Text());
                break;
            case NODE_PROCESSING_INSTRUCTION:
                writer.WriteByte(NODE_PROCESSING_INSTRUCTION);
                writer.WriteLongint(child->NameID());
                writer.WriteXmlString(child->Value().Text());
                writeBody(child);
                break;
            case NODE_COMMENT:
                writer.WriteByte(NODE_COMMENT);
                writer.WriteXmlString(child->Value().Text());
                break;
            default:
                Raise(kErrBinWriteNodeType);
        }
    }
}

void TXmlDocument::LoadBinaryXML(const std::string& data) {
    Reset();
    ReplaceNameTable(MakeRef<TXmlNameTable>(4096).get());
    TStrXmlReader reader(data);
    ReadBinary(reader);
}

void TXmlDocument::LoadBinaryStream(TStream& stream) {
    Reset();
    ReplaceNameTable(MakeRef<TXmlNameTable>(4096).get());
    TStmXmlReader reader(stream, kBufferSize);
    ReadBinary(reader);
}

std::string TXmlDocument::GetBinaryXML() {
    TStrXmlWriter writer(0, kBufferSize);
    WriteBinary(writer);
    return writer.TakeResult();
}

void TXmlDocument::SaveBinary(TStream& stream, int32_t options) {
    TStmXmlWriter writer(stream, options, kBufferSize);
    WriteBinary(writer);
    writer.Flush();
}

void TXmlDocument::SaveBinary(const std::string& fileName, int32_t options) {
    TFileStream stream(fileName, TFileMode::Create);
    SaveBinary(stream, options);
}
