// The memory of a document (see XmlStore.h).
#include "core/xml/XmlStore.h"

#include <algorithm>
#include <cstring>
#include <mutex>
#include <new>

#include "core/base/Assert.h"
#include "core/xml/XmlInternal.h"

#ifdef QM_XML_STORE_ASAN
#include <sanitizer/asan_interface.h>
// Memory not handed out is poisoned, so that a use after free is reported.
#define QM_POISON(p, n) ASAN_POISON_MEMORY_REGION(p, n)
#define QM_UNPOISON(p, n) ASAN_UNPOISON_MEMORY_REGION(p, n)
#else
#define QM_POISON(p, n) ((void)(p), (void)(n))
#define QM_UNPOISON(p, n) ((void)(p), (void)(n))
#endif

namespace {

// The standard chunk, shared through the cache; a store's first chunk of
// each run is smaller, so that a small document stays small.
constexpr size_t kChunkSize = 64 * 1024;
constexpr size_t kFirstChunkSize = 2 * 1024;
// Text runs longer than this get a block of their own.
constexpr size_t kLargeText = 16 * 1024;

struct TChunkCache {
    std::mutex lock;
    std::vector<void*> chunks;
};

// Never destroyed: stores may be freed during the process's exit.
TChunkCache& Cache() {
    static TChunkCache* cache = new TChunkCache;
    return *cache;
}

void* TakeChunk() {
    {
        TChunkCache& cache = Cache();
        std::lock_guard<std::mutex> hold(cache.lock);
        if (!cache.chunks.empty()) {
            void* chunk = cache.chunks.back();
            cache.chunks.pop_back();
            return chunk;
        }
    }
    void* chunk = ::operator new(kChunkSize);
    QM_POISON(chunk, kChunkSize);
    return chunk;
}

void GiveChunk(void* chunk) noexcept {
    QM_POISON(chunk, kChunkSize);
    TChunkCache& cache = Cache();
    std::lock_guard<std::mutex> hold(cache.lock);
    try {
        cache.chunks.push_back(chunk);
    } catch (...) {
        QM_UNPOISON(chunk, kChunkSize);
        ::operator delete(chunk);
    }
}

inline size_t AlignUp(size_t value, size_t align) {
    return (value + align - 1) & ~(align - 1);
}

}  // namespace

// The header of every chunk; what follows it is handed out.
struct alignas(16) TXmlStore::TChunk {
    TChunk* next;
    size_t size;
};

struct alignas(16) TXmlStore::TLarge {
    TLarge* prev;
    TLarge* next;
    size_t size;
};

TXmlStore* TXmlStore::Create(TXmlNameTable* table) {
    TXmlStore* store = new TXmlStore;
    try {
        store->KeepTable(table);
    } catch (...) {
        delete store;
        throw;
    }
    return store;
}

TXmlStore::~TXmlStore() {
    ReleaseChunks();
}

void TXmlStore::ReleaseChunks() noexcept {
    while (chunks_) {
        TChunk* chunk = chunks_;
        QM_UNPOISON(chunk, sizeof(TChunk));
        chunks_ = chunk->next;
        if (chunk->size == kChunkSize) {
            GiveChunk(chunk);
        } else {
            QM_UNPOISON(chunk, chunk->size);
            ::operator delete(chunk);
        }
    }
    chunkCount_ = 0;
    while (large_) {
        TLarge* block = large_;
        large_ = block->next;
        QM_UNPOISON(block, block->size);
        ::operator delete(block);
    }
    objects_ = TRun();
    nodes_ = TRun();
    text_ = TRun();
    std::fill(std::begin(free_), std::end(free_), nullptr);
    freeNodes_ = nullptr;
}

void TXmlStore::UnpoisonBlock(void* block, size_t bytes) noexcept {
    QM_UNPOISON(block, bytes);
    (void)block;
    (void)bytes;
}

void TXmlStore::Refill(TRun& run, size_t bytes, size_t align) {
    size_t size = chunkCount_ < 3 ? kFirstChunkSize : kChunkSize;
    if (AlignUp(sizeof(TChunk), align) + bytes > size) size = kChunkSize;
    void* memory = size == kChunkSize ? TakeChunk() : ::operator new(size);
    if (size != kChunkSize) QM_POISON(memory, size);
    TChunk* chunk = static_cast<TChunk*>(memory);
    QM_UNPOISON(chunk, sizeof(TChunk));
    chunk->next = chunks_;
    chunk->size = size;
    chunks_ = chunk;
    ++chunkCount_;
    static_assert(sizeof(TChunk) == 16);
    run.p = reinterpret_cast<char*>(
        AlignUp(reinterpret_cast<uintptr_t>(memory) + sizeof(TChunk), align));
    run.end = static_cast<char*>(memory) + size;
}

void* TXmlStore::TakeFreeNode(void* block) noexcept {
    QM_UNPOISON(block, kNodeBlock);
    freeNodes_ = *static_cast<void**>(block);
    return block;
}

void TXmlStore::FreeNode(void* block) noexcept {
    *static_cast<void**>(block) = freeNodes_;
    freeNodes_ = block;
    QM_POISON(block, kNodeBlock);
}

void* TXmlStore::Allocate(size_t bytes) {
    if (bytes > kMaxSmall) return AllocateLarge(bytes);
    size_t cls = bytes == 0 ? 1 : (bytes + kGranule - 1) / kGranule;
    if (void* block = free_[cls]) {
        QM_UNPOISON(block, cls * kGranule);
        free_[cls] = *static_cast<void**>(block);
        return block;
    }
    size_t size = cls * kGranule;
    if (static_cast<size_t>(objects_.end - objects_.p) < size) Refill(objects_, size, kGranule);
    char* p = objects_.p;
    objects_.p = p + size;
    QM_UNPOISON(p, size);
    return p;
}

void TXmlStore::Free(void* block, size_t bytes) noexcept {
    if (!block) return;
    if (bytes > kMaxSmall) {
        FreeLarge(block);
        return;
    }
    size_t cls = bytes == 0 ? 1 : (bytes + kGranule - 1) / kGranule;
    *static_cast<void**>(block) = free_[cls];
    free_[cls] = block;
    QM_POISON(block, cls * kGranule);
}

void* TXmlStore::AllocateLarge(size_t bytes) {
    size_t size = sizeof(TLarge) + bytes;
    TLarge* block = static_cast<TLarge*>(::operator new(size));
    block->prev = nullptr;
    block->next = large_;
    block->size = size;
    if (large_) large_->prev = block;
    large_ = block;
    return block + 1;
}

void TXmlStore::FreeLarge(void* memory) noexcept {
    TLarge* block = static_cast<TLarge*>(memory) - 1;
    if (block->prev) {
        block->prev->next = block->next;
    } else {
        large_ = block->next;
    }
    if (block->next) block->next->prev = block->prev;
    ::operator delete(block);
}

char16_t* TXmlStore::AllocateTextSlow(size_t units, size_t room) {
    size_t bytes = units * sizeof(char16_t);
    if (room > kLargeText) return static_cast<char16_t*>(AllocateLarge(room));
    Refill(text_, room, 2);
    char* p = text_.p;
    text_.p += bytes;
    QM_UNPOISON(p, bytes);
    return reinterpret_cast<char16_t*>(p);
}

uint32_t TXmlStore::AddTyped(Variant value) {
    if (!freeSlots_.empty()) {
        uint32_t slot = freeSlots_.back();
        freeSlots_.pop_back();
        typed_[slot] = std::move(value);
        return slot;
    }
    if (typed_.size() >= TXmlValue::kLengthMask) xml_internal::Raise("Too many typed values");
    typed_.push_back(std::move(value));
    return static_cast<uint32_t>(typed_.size() - 1);
}

void TXmlStore::FreeTyped(uint32_t slot) noexcept {
    typed_[slot] = Variant();
    try {
        freeSlots_.push_back(slot);
    } catch (...) {
        // The slot stays unused until the store goes.
    }
}

void TXmlStore::ReleaseValue(TXmlValue& cell) noexcept {
    switch (cell.Kind()) {
        case TXmlValue::kBlock:
            Free(reinterpret_cast<void*>(cell.data), cell.Length() * sizeof(char16_t));
            break;
        case TXmlValue::kTyped:
            FreeTyped(cell.Slot());
            break;
        default:
            break;  // runs stay until the store goes
    }
    cell.data = 0;
    cell.meta = TXmlValue::kEmpty;
}

void TXmlStore::AssignText(TXmlValue& cell, std::u16string_view text) {
    if (text.size() > TXmlValue::kLengthMask) {
        Assign(cell, Variant(WideString(text)));
        return;
    }
    // A parsed run that is long enough takes the new text in place.
    if (cell.Kind() == TXmlValue::kRun && cell.Length() >= text.size()) {
        char16_t* units = reinterpret_cast<char16_t*>(cell.data);
        std::copy(text.begin(), text.end(), units);
        SetRun(cell, units, text.size());
        return;
    }
    char16_t* units = static_cast<char16_t*>(Allocate(text.size() * sizeof(char16_t)));
    std::copy(text.begin(), text.end(), units);
    ReleaseValue(cell);
    cell.data = reinterpret_cast<uintptr_t>(units);
    cell.meta = TXmlValue::kBlock | static_cast<uint32_t>(text.size());
}

void TXmlStore::Assign(TXmlValue& cell, const Variant& value) {
    if (value.IsEmpty()) {
        ReleaseValue(cell);
        return;
    }
    const WideString* text = value.Get<WideString>();
    if (text && text->size() <= TXmlValue::kLengthMask) {
        AssignText(cell, *text);
        return;
    }
    uint32_t slot = AddTyped(value);
    ReleaseValue(cell);
    cell.data = slot;
    cell.meta = TXmlValue::kTyped;
}

Variant TXmlStore::ToVariant(const TXmlValue& cell) const {
    switch (cell.Kind()) {
        case TXmlValue::kEmpty:
            return Variant();
        case TXmlValue::kTyped:
            return typed_[cell.Slot()];
        default:
            return Variant(WideString(cell.Text()));
    }
}

int32_t TXmlStore::TypeOf(const TXmlValue& cell) const {
    switch (cell.Kind()) {
        case TXmlValue::kEmpty:
            return varEmpty;
        case TXmlValue::kTyped:
            return typed_[cell.Slot()].Type();
        default:
            return varOleStr;
    }
}

void TXmlStore::CopyValue(TXmlValue& cell, const TXmlValue& source, const TXmlStore& from) {
    if (source.IsText()) {
        AssignText(cell, source.Text());
    } else {
        Assign(cell, from.ToVariant(source));
    }
}

void TXmlStore::Drop(size_t count) noexcept {
    QM_ASSERT(count <= live_, "A store was told of more nodes going than it holds.");
    live_ -= count;
    if (live_ == 0) delete this;
}

void TXmlStore::Rewind(TXmlNameTable* table) noexcept {
    QM_ASSERT(live_ == 1, "A store was rewound while nodes still live in it.");
    ReleaseChunks();
    typed_.clear();
    freeSlots_.clear();
    std::erase_if(tables_, [table](const Ref<TXmlNameTable>& kept) { return kept.get() != table; });
}

void TXmlStore::KeepTable(TXmlNameTable* table) {
    if (!table) return;
    for (const Ref<TXmlNameTable>& kept : tables_) {
        if (kept.get() == table) return;
    }
    tables_.emplace_back(table);
}
