// Readers and writers of the binary XML form (documents use them through
// IXmlDocument::LoadBinaryXML, GetBinaryXML and SaveBinary, and Load when a
// stream begins with the signature).
//
// Format: "< binary-xml >", a 32-bit options word (bit 0: names and character
// data as 16-bit units), the name table (names in ID order, the bucket count,
// then each non-empty bucket's index and IDs), then the document's node body.
// All numbers are little-endian. Counts are variable-length: 0..127 one byte;
// up to 32767 two bytes (0x80 | high byte, low byte) unless the first would
// be 0xFF; otherwise 0xFF and a 32-bit value.
//
// Every read checks the bytes that remain first: a read past the end raises
// "Data reading error", an unknown value type "Value reading error: incorrect
// type", and a count larger than the remaining data could hold raises before
// anything is allocated for it. A node or attribute whose name is empty or
// holds a unit up to 32 (a blank or control character, which the text form
// would read as a separator) raises "Binary XML reading error: incorrect
// name".
#pragma once

#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>
#include <vector>

#include "core/base/Streams.h"
#include "core/xml/SimpleXml.h"

class TBinXmlReader {
public:
    virtual ~TBinXmlReader() = default;

    int32_t Options() const { return options_; }
    uint64_t Remaining() const { return remaining_; }

    void Read(void* dest, size_t count) {
        if (count > remaining_) RaiseReadError();
        if (count <= static_cast<size_t>(end_ - p_)) {
            if (count) std::memcpy(dest, p_, count);
            p_ += count;
            remaining_ -= count;
        } else {
            ReadMore(static_cast<uint8_t*>(dest), count);
        }
    }
    uint8_t ReadByte() {
        uint8_t b;
        Read(&b, 1);
        return b;
    }
    int32_t ReadInt32();
    // A variable-length count.
    int32_t ReadLongint();
    // A count of items that each take at least minBytes of the data; raises
    // when it is negative or more than the remaining data holds.
    int32_t ReadCount(uint64_t minBytes);
    std::string ReadAnsiString();
    WideString ReadWideString();
    // Wide when options bit 0 is set, else 8-bit text widened.
    WideString ReadXmlString();
    void ReadVariant(Variant& value);
    // A value into a cell of `store` (wide text as a run of the store).
    void ReadValue(TXmlValue& cell, TXmlStore& store);

protected:
    // Reads count bytes when fewer are buffered (count <= remaining).
    virtual void ReadMore(uint8_t* dest, size_t count) = 0;
    [[noreturn]] static void RaiseReadError();
    void ReadVariantOfType(int32_t code, Variant& value);
    // count 16-bit units, little-endian in the data.
    void ReadUnits(char16_t* units, size_t count);

    const uint8_t* p_ = nullptr;
    const uint8_t* end_ = nullptr;
    uint64_t remaining_ = 0;  // bytes not yet read, buffered or not
    int32_t options_ = 0;
};

// Over a string holding the whole form; the first 14 bytes (the signature)
// are skipped unread.
class TStrXmlReader : public TBinXmlReader {
public:
    explicit TStrXmlReader(std::string_view data);

protected:
    void ReadMore(uint8_t* dest, size_t count) override;
};

// Over a stream positioned after the signature, through a buffer.
class TStmXmlReader : public TBinXmlReader {
public:
    TStmXmlReader(TStream& stream, size_t bufferSize);

protected:
    void ReadMore(uint8_t* dest, size_t count) override;

private:
    TStream& stream_;
    std::vector<uint8_t> buffer_;
};

class TBinXmlWriter {
public:
    virtual ~TBinXmlWriter() = default;

    int32_t Options() const { return options_; }

    void Write(const void* source, size_t count) {
        if (count <= static_cast<size_t>(end_ - pos_)) {
            if (count) std::memcpy(pos_, source, count);
            pos_ += count;
        } else {
            WriteMore(static_cast<const uint8_t*>(source), count);
        }
    }
    void WriteByte(uint8_t b) { Write(&b, 1); }
    void WriteInt32(int32_t value);
    void WriteLongint(int32_t value);
    void WriteAnsiString(std::string_view text);
    void WriteWideString(std::u16string_view text);
    // Wide when options bit 0 is set, else narrowed to 8 bits.
    void WriteXmlString(std::u16string_view text);
    // 8-bit text (processing-instruction data) in the options' form.
    void WriteXmlString8(std::string_view text);
    // Raises "Value writing error: incorrect type" for a type the form lacks
    // (64-bit integers, interfaces).
    void WriteVariant(const Variant& value);
    // A value cell of `store`; text is written as wide text.
    void WriteValue(const TXmlValue& value, const TXmlStore& store);

protected:
    TBinXmlWriter(int32_t options, size_t bufferSize);
    // Writes the signature and the options word.
    void Start();
    // Called when count bytes do not fit in the buffer.
    virtual void WriteMore(const uint8_t* source, size_t count) = 0;

    int32_t options_;
    std::vector<uint8_t> buffer_;
    uint8_t* pos_;
    uint8_t* end_;
};

class TStrXmlWriter : public TBinXmlWriter {
public:
    TStrXmlWriter(int32_t options, size_t bufferSize);
    // Appends the buffered bytes to the result.
    void FlushBuf();
    // The whole form written so far.
    std::string TakeResult();

protected:
    void WriteMore(const uint8_t* source, size_t count) override;

private:
    std::string result_;
};

class TStmXmlWriter : public TBinXmlWriter {
public:
    TStmXmlWriter(TStream& stream, int32_t options, size_t bufferSize);
    // Writes what is still buffered. Not done on destruction, so that a
    // failing stream raises instead of failing inside a destructor.
    void Flush();

protected:
    void WriteMore(const uint8_t* source, size_t count) override;

private:
    TStream& stream_;
};
