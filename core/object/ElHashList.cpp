#include "core/object/ElHashList.h"

#include <sys/stat.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <new>
#include <utility>

uint32_t CRC32Update(const void* buffer, size_t length, uint32_t crc) {
    const uint8_t* p = static_cast<const uint8_t*>(buffer);
    uint32_t c = ~crc;
    for (size_t i = 0; i < length; ++i) c = CRC32Byte(c, p[i]);
    return ~c;
}

uint32_t CRC32OfString(std::string_view s) {
    return CRC32Update(s.data(), s.size(), 0);
}

uint32_t CRC32OfStringUpper(std::string_view s) {
    uint32_t c = 0xFFFFFFFFu;
    for (unsigned char b : s) c = CRC32Byte(c, UpperCaseMap[b]);
    return ~c;
}

uint32_t CRC32OfFile(const std::string& name) {
    uint32_t crc = 0;
    std::FILE* file = std::fopen(name.c_str(), "rb");
    if (!file) return 0;
    // Read no more than the size the file had when opened, so that devices
    // and pipes, which report no size, are never read without end.
    struct stat info {};
    if (fstat(fileno(file), &info) == 0 && S_ISREG(info.st_mode)) {
        unsigned char block[4096];
        auto remaining = static_cast<uint64_t>(info.st_size);
        while (remaining > 0) {
            const size_t want = size_t(std::min<uint64_t>(remaining, sizeof(block)));
            const size_t got = std::fread(block, 1, want, file);
            if (got == 0) break;
            crc = CRC32Update(block, got, crc);
            remaining -= got;
        }
    }
    std::fclose(file);
    return crc;
}

namespace {

// The first four digest bytes: the 32-bit filter of an MD5 entry.
inline THash DigestPrefix(const TMD5Digest& d) {
    return THash(d[0]) | (THash(d[1]) << 8) | (THash(d[2]) << 16) | (THash(d[3]) << 24);
}

}  // namespace

TElHashList::~TElHashList() {
    Clear();
}

void TElHashList::SetHashType(TElHashType kind) {
    if (kind == hashType_) return;
    Clear();
    hashType_ = kind;
    quickHashOn_ = (kind == ehtQuick);
}

void TElHashList::SetQuickHash(bool on) {
    if (on == quickHashOn_) return;
    Clear();
    quickHashOn_ = on;
    hashType_ = ehtQuick;
}

void TElHashList::SetCapacity(int32_t n) {
    if (n < count_ || n > kMaxCapacity) throw EElHashListError("Invalid ElHashList capacity.");
    if (n != capacity_) Reallocate(n);
}

void TElHashList::Reallocate(int32_t n) {
    if (n == 0) {
        hashes_.reset();
        data_.reset();
        digests_.reset();
        capacity_ = 0;
        return;
    }
    auto hashes = std::make_unique_for_overwrite<THash[]>(size_t(n));
    auto data = std::make_unique_for_overwrite<void*[]>(size_t(n));
    std::unique_ptr<TMD5Digest[]> digests;
    if (hashType_ == ehtMD5) digests = std::make_unique_for_overwrite<TMD5Digest[]>(size_t(n));
    if (count_ > 0) {
        std::copy_n(hashes_.get(), count_, hashes.get());
        std::copy_n(data_.get(), count_, data.get());
        if (digests) std::copy_n(digests_.get(), count_, digests.get());
    }
    hashes_ = std::move(hashes);
    data_ = std::move(data);
    digests_ = std::move(digests);
    capacity_ = n;
}

void TElHashList::Grow() {
    int32_t next;
    if (capacity_ > 64) {
        next = capacity_ + capacity_ / 4;
    } else if (capacity_ > 8) {
        next = capacity_ + 16;
    } else {
        next = capacity_ + 4;
    }
    // Near the limit take what is left; at the limit SetCapacity refuses.
    if (capacity_ < kMaxCapacity) next = std::min(next, kMaxCapacity);
    SetCapacity(next);
}

THash TElHashList::QuickHash(std::string_view key) const {
    THash h = 0;
    for (unsigned char b : key) h = h * 5 + b;
    return h;
}

THash TElHashList::Hash32Of(std::string_view key) const {
    if (hashType_ == ehtCRC32)
        return caseInsensitive_ ? CRC32OfStringUpper(key) : CRC32OfString(key);
    if (!caseInsensitive_) return QuickHash(key);
    std::string upper(key);
    for (char& c : upper) c = char(UpperCaseMap[uint8_t(c)]);
    return QuickHash(upper);
}

TMD5Digest TElHashList::DigestOf(std::string_view key) const {
    if (!caseInsensitive_) return MD5Of(key);
    TMD5 md5;
    uint8_t chunk[64];
    for (size_t done = 0; done < key.size();) {
        const size_t n = std::min(sizeof(chunk), key.size() - done);
        for (size_t i = 0; i < n; ++i) chunk[i] = UpperCaseMap[uint8_t(key[done + i])];
        md5.Update(chunk, n);
        done += n;
    }
    return md5.Final();
}

int32_t TElHashList::Scan(THash hash) const {
    const THash* hashes = hashes_.get();
    for (int32_t i = 0; i < count_; ++i) {
        if (hashes[i] == hash) return i;
    }
    return -1;
}

int32_t TElHashList::ScanDigest(const TMD5Digest& digest) const {
    const THash prefix = DigestPrefix(digest);
    const THash* hashes = hashes_.get();
    for (int32_t i = 0; i < count_; ++i) {
        if (hashes[i] == prefix && digests_[i] == digest) return i;
    }
    return -1;
}

int32_t TElHashList::Absent() const {
    if (raiseIfAbsent_) throw EElHashListError("Hash is absent.");
    return -1;
}

void TElHashList::CheckInsertPosition(int32_t index) const {
    if (index < 0 || index > count_) throw EElHashListError("Invalid position for HashList.");
}

bool TElHashList::SettleDuplicate(int32_t found, void* data) {
    switch (dupesMode_) {
        case himRaise:
            throw EElHashListError("Duplicate entry.");
        case himReplace: {
            // The old data is handed to OnDelete but never destroyed here.
            void* old = std::exchange(data_[found], data);
            if (onDelete_) onDelete_(*this, old);
            return true;
        }
        case himIgnore:
            return true;
        case himInsert:
        case himMove:
            break;
    }
    return false;
}

void TElHashList::InsertEntry(int32_t index, THash hash, const TMD5Digest* digest, void* data) {
    if (count_ == capacity_) Grow();
    const int32_t tail = count_ - index;
    if (tail > 0) {
        std::memmove(&hashes_[index + 1], &hashes_[index], size_t(tail) * sizeof(THash));
        std::memmove(&data_[index + 1], &data_[index], size_t(tail) * sizeof(void*));
        if (digests_) {
            std::memmove(&digests_[index + 1], &digests_[index], size_t(tail) * sizeof(TMD5Digest));
        }
    }
    hashes_[index] = hash;
    data_[index] = data;
    if (digest) digests_[index] = *digest;
    ++count_;
}

void TElHashList::Insert(int32_t index, std::string_view key, void* data) {
    CheckInsertPosition(index);
    if (hashType_ == ehtMD5) {
        const TMD5Digest digest = DigestOf(key);
        const int32_t found = ScanDigest(digest);
        if (found >= 0 && SettleDuplicate(found, data)) return;
        InsertEntry(index, DigestPrefix(digest), &digest, data);
        return;
    }
    const THash hash = Hash32Of(key);
    const int32_t found = Scan(hash);
    if (found >= 0 && SettleDuplicate(found, data)) return;
    InsertEntry(index, hash, nullptr, data);
}

void TElHashList::InsertByHash(int32_t index, THash hash, void* data) {
    CheckInsertPosition(index);
    if (hashType_ == ehtMD5) return;
    const int32_t found = Scan(hash);
    if (found >= 0 && SettleDuplicate(found, data)) return;
    InsertEntry(index, hash, nullptr, data);
}

int32_t TElHashList::IndexOf(std::string_view key) const {
    const int32_t found = (hashType_ == ehtMD5) ? ScanDigest(DigestOf(key)) : Scan(Hash32Of(key));
    return found >= 0 ? found : Absent();
}

void* TElHashList::GetData(std::string_view key) const {
    const int32_t i = IndexOf(key);
    return i >= 0 ? data_[i] : nullptr;
}

int32_t TElHashList::IndexOfHash(THash hash) const {
    if (hashType_ == ehtMD5) return -1;
    const int32_t found = Scan(hash);
    return found >= 0 ? found : Absent();
}

void* TElHashList::GetDataByHash(THash hash) const {
    const int32_t i = IndexOfHash(hash);
    return i >= 0 ? data_[i] : nullptr;
}

void TElHashList::Delete(std::string_view key) {
    const int32_t i = IndexOf(key);
    if (i < 0) throw EElHashListError("Hash not found.");
    DeleteAt(i);
}

void TElHashList::DeleteByHash(THash hash) {
    const int32_t i = IndexOfHash(hash);
    if (i < 0) throw EElHashListError("Hash not found.");
    DeleteAt(i);
}

void TElHashList::RemoveEntry(int32_t index) {
    const int32_t tail = count_ - index - 1;
    if (tail > 0) {
        std::memmove(&hashes_[index], &hashes_[index + 1], size_t(tail) * sizeof(THash));
        std::memmove(&data_[index], &data_[index + 1], size_t(tail) * sizeof(void*));
        if (digests_) {
            std::memmove(&digests_[index], &digests_[index + 1], size_t(tail) * sizeof(TMD5Digest));
        }
    }
    --count_;
    if (count_ < capacity_ / 2) {
        try {
            Reallocate(capacity_ / 2);
        } catch (const std::bad_alloc&) {
            // Keeping the larger array is harmless.
        }
    }
}

void TElHashList::Released(void* data) {
    if (onDelete_) onDelete_(*this, data);
    if (deleter_ && data) deleter_(data);
}

void TElHashList::DeleteAt(int32_t index) {
    void* data = ExtractAt(index);
    Released(data);
}

void* TElHashList::ExtractAt(int32_t index) {
    if (index < 0 || index >= count_) throw EElHashListError("Invalid position for HashList.");
    void* data = data_[index];
    RemoveEntry(index);
    return data;
}

void* TElHashList::ReplaceDataAt(int32_t index, void* data) {
    if (index < 0 || index >= count_) throw EElHashListError("Invalid position for HashList.");
    return std::exchange(data_[index], data);
}

void TElHashList::Clear() {
    // Empty the list first, so that callbacks see a consistent list.
    std::unique_ptr<void*[]> data = std::move(data_);
    const int32_t n = count_;
    hashes_.reset();
    digests_.reset();
    count_ = 0;
    capacity_ = 0;
    for (int32_t i = 0; i < n; ++i) Released(data[i]);
}

void TElHashList::SwapEntries(int32_t a, int32_t b) {
    std::swap(hashes_[a], hashes_[b]);
    std::swap(data_[a], data_[b]);
    if (digests_) std::swap(digests_[a], digests_[b]);
}

void TElHashList::Sort(const TSortCompare& compare) {
    if (count_ > 1) QuickSort(0, count_ - 1, compare);
}

void TElHashList::QuickSort(int32_t l, int32_t r, const TSortCompare& compare) {
    int32_t i;
    do {
        i = l;
        int32_t j = r;
        void* const pivot = data_[l + (r - l) / 2];
        do {
            // The bounds only matter for a comparator that is not a
            // consistent order; with a sound one the scans stop inside.
            while (i < r && compare(data_[i], pivot) < 0) ++i;
            while (j > l && compare(data_[j], pivot) > 0) --j;
            if (i <= j) {
                SwapEntries(i, j);
                ++i;
                --j;
            }
        } while (i <= j);
        if (l < j) QuickSort(l, j, compare);
        l = i;
    } while (i < r);
}
