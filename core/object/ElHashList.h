// TElHashList: the keyed index under every name-addressed table (the class
// registry, every named collection).
//
// A growable array of (32-bit hash, data pointer) entries in insertion order.
// Keys are never stored: an entry is found by a linear scan comparing hashes
// only, so two keys with equal hashes are one key. The hash is CRC-32 (what
// every table of the engine uses, usually with ASCII case folded), MD5, or an
// overridable quick hash.
//
// Hashes sit in their own contiguous array so that a lookup is one tight scan
// of 32-bit values; in the MD5 kind that array holds the first four digest
// bytes as a filter and the full digests are compared only on a hit.
//
// Failures raise EElHashListError and leave the list as it was:
//   "Invalid position for HashList."  insertion (or removal) at a bad index
//   "Duplicate entry."                a present key with DupesMode himRaise
//   "Hash not found."                 Delete / DeleteByHash of an absent key
//   "Hash is absent."                 any failed lookup when RaiseIfAbsent
//   "Invalid ElHashList capacity."    SetCapacity below Count or too large
//
// Owned data: C++ has no universal destroy, so a list owns its data exactly
// when it has a deleter (SetOwnsObjects(&TElHashList::DeleteAs<T>), or any
// plain function such as one that releases an interface). The deleter runs
// when an entry leaves the list by DeleteAt, Delete, DeleteByHash, Clear or
// destruction; never on himReplace and never for null data.
//
// OnDelete and the deleter are called after the entry has left the list, so
// they may look at the list but must not raise.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>

#include "core/base/Exception.h"
#include "core/object/CryptMd5.h"

using THash = uint32_t;

enum TElHashType : uint8_t { ehtMD5, ehtQuick, ehtCRC32 };
enum THashInsertDupesMode : uint8_t { himInsert, himRaise, himReplace, himIgnore, himMove };

class EElHashListError : public Exception {
public:
    using Exception::Exception;
};

namespace elhash_detail {

constexpr std::array<uint32_t, 256> MakeCRC32Table() {
    std::array<uint32_t, 256> table{};
    for (uint32_t i = 0; i < 256; ++i) {
        uint32_t c = i;
        for (int k = 0; k < 8; ++k) c = (c & 1) ? (c >> 1) ^ 0xEDB88320u : c >> 1;
        table[i] = c;
    }
    return table;
}

constexpr std::array<uint8_t, 256> MakeUpperCaseMap() {
    std::array<uint8_t, 256> map{};
    for (int b = 0; b < 256; ++b) map[b] = uint8_t((b >= 'a' && b <= 'z') ? b - 32 : b);
    return map;
}

}  // namespace elhash_detail

// The reflected table of the standard CRC-32 (polynomial EDB88320).
inline constexpr std::array<uint32_t, 256> CRC32Table = elhash_detail::MakeCRC32Table();
// Byte to byte: "a".."z" to "A".."Z", every other byte unchanged.
inline constexpr std::array<uint8_t, 256> UpperCaseMap = elhash_detail::MakeUpperCaseMap();

// One step of the CRC-32 register (no pre- or post-inversion).
inline uint32_t CRC32Byte(uint32_t crc, uint8_t b) {
    return (crc >> 8) ^ CRC32Table[(crc ^ b) & 0xFF];
}
// Continues a CRC-32 over a buffer; start a fresh one from 0.
uint32_t CRC32Update(const void* buffer, size_t length, uint32_t crc);
uint32_t CRC32OfString(std::string_view s);
// CRC-32 of s with ASCII letters taken as upper case: the key of every
// case-insensitive table.
uint32_t CRC32OfStringUpper(std::string_view s);
// CRC-32 of a whole file; a missing or unreadable file gives the CRC of what
// was read (0 when nothing was), never an error.
uint32_t CRC32OfFile(const std::string& name);

class TElHashList {
public:
    static constexpr int32_t kMaxCapacity = 0x7FFFFFF;

    using TDeleteEvent = std::function<void(TElHashList& sender, void* data)>;
    using TDataDeleter = void (*)(void* data);
    // Negative, zero or positive as item1 sorts before, with or after item2.
    using TSortCompare = std::function<int32_t(void* item1, void* item2)>;

    template <class T>
    static void DeleteAs(void* data) {
        delete static_cast<T*>(data);
    }

    TElHashList() = default;
    virtual ~TElHashList();
    TElHashList(const TElHashList&) = delete;
    TElHashList& operator=(const TElHashList&) = delete;

    // Configuration. Changing the hash kind empties the list (with OnDelete
    // and deleter calls); the other settings apply from the next call on.
    TElHashType HashType() const { return hashType_; }
    void SetHashType(TElHashType kind);
    bool QuickHashOn() const { return quickHashOn_; }
    // Empties the list when `on` differs and then selects the quick hash,
    // also when `on` is false.
    void SetQuickHash(bool on);
    bool OwnsObjects() const { return deleter_ != nullptr; }
    void SetOwnsObjects(TDataDeleter deleter) { deleter_ = deleter; }
    bool CaseInsensitive() const { return caseInsensitive_; }
    void SetCaseInsensitive(bool on) { caseInsensitive_ = on; }
    THashInsertDupesMode DupesMode() const { return dupesMode_; }
    void SetDupesMode(THashInsertDupesMode mode) { dupesMode_ = mode; }
    bool RaiseIfAbsent() const { return raiseIfAbsent_; }
    void SetRaiseIfAbsent(bool on) { raiseIfAbsent_ = on; }
    void SetOnDelete(TDeleteEvent handler) { onDelete_ = std::move(handler); }

    int32_t Count() const { return count_; }
    int32_t Capacity() const { return capacity_; }
    void SetCapacity(int32_t n);

    // By key.
    void Add(std::string_view key, void* data) { Insert(count_, key, data); }
    void Insert(int32_t index, std::string_view key, void* data);
    // First position whose hash equals the key's; -1 when none.
    int32_t IndexOf(std::string_view key) const;
    void* GetData(std::string_view key) const;
    void Delete(std::string_view key);

    // By position. GetDataAt answers null outside 0..Count-1; DeleteAt and
    // ExtractAt raise "Invalid position for HashList." there.
    void* GetDataAt(int32_t index) const {
        return (index >= 0 && index < count_) ? data_[index] : nullptr;
    }
    void DeleteAt(int32_t index);
    // Takes the entry out without OnDelete or the deleter and answers its
    // data; the caller now owns it.
    void* ExtractAt(int32_t index);
    // Puts data in the entry at a position, keeping its hash, and answers the
    // data it held, now the caller's (no OnDelete, no deleter). Raises
    // "Invalid position for HashList." outside 0..Count-1.
    void* ReplaceDataAt(int32_t index, void* data);
    void Clear();

    // By a caller-computed 32-bit hash; an MD5 list answers -1 / null here
    // and ignores insertions.
    int32_t IndexOfHash(THash hash) const;
    void* GetDataByHash(THash hash) const;
    void AddByHash(THash hash, void* data) { InsertByHash(count_, hash, data); }
    void InsertByHash(int32_t index, THash hash, void* data);
    void DeleteByHash(THash hash);

    // Quicksort of the entries by their data (not stable); each entry keeps
    // its hash.
    void Sort(const TSortCompare& compare);

    // The quick-kind hash: h := h * 5 + byte, from 0.
    virtual THash QuickHash(std::string_view key) const;

private:
    THash Hash32Of(std::string_view key) const;
    TMD5Digest DigestOf(std::string_view key) const;
    int32_t Scan(THash hash) const;
    int32_t ScanDigest(const TMD5Digest& digest) const;
    int32_t Absent() const;
    void CheckInsertPosition(int32_t index) const;
    // Applies DupesMode to a match at `found`; true when the insertion ends there.
    bool SettleDuplicate(int32_t found, void* data);
    void InsertEntry(int32_t index, THash hash, const TMD5Digest* digest, void* data);
    void RemoveEntry(int32_t index);
    void Reallocate(int32_t n);
    void Grow();
    void Released(void* data);
    void SwapEntries(int32_t a, int32_t b);
    void QuickSort(int32_t l, int32_t r, const TSortCompare& compare);

    std::unique_ptr<THash[]> hashes_;
    std::unique_ptr<void*[]> data_;
    std::unique_ptr<TMD5Digest[]> digests_;  // MD5 kind only
    int32_t count_ = 0;
    int32_t capacity_ = 0;
    TDataDeleter deleter_ = nullptr;
    TDeleteEvent onDelete_;
    TElHashType hashType_ = ehtMD5;
    THashInsertDupesMode dupesMode_ = himInsert;
    bool caseInsensitive_ = false;
    bool quickHashOn_ = false;
    bool raiseIfAbsent_ = false;
};
