// The memory of a document: its nodes, their attribute and child arrays, the
// text of their values and their typed values. Not for users of the library.
//
// A store hands out memory from chunks it takes in turn, in three runs:
// nodes (blocks of one size, 64-byte aligned), arrays and other objects
// (16-byte aligned, in size classes of 16 bytes with a free list each, blocks
// above 1 KB one by one) and text (packed, 2-byte aligned). What a node frees
// on its own goes to the free lists and is used again. When the document
// goes, its tree is walked once to find the nodes held from outside, and
// everything else goes at once, chunk by chunk, without a destructor, a
// visit of the text or a free list.
//
// A store lives as long as anything in it: it counts its live nodes plus one
// for the document that owns it, and frees itself when the count reaches 0,
// so a node kept by an outside reference keeps its store (and with it the
// memory of the whole document it came from) until it goes too. It also keeps
// every name table its nodes use.
//
// Chunks of the standard size come from a process-wide cache, to which a
// freed store gives them back: memory taken from the system is kept for the
// next document, never returned. Stores, like nodes, belong to one thread at
// a time; the cache is locked.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <string_view>
#include <vector>

#include "core/xml/SimpleXml.h"

#if defined(__has_feature)
#if __has_feature(address_sanitizer)
#define QM_XML_STORE_ASAN 1
#endif
#endif
#if defined(__SANITIZE_ADDRESS__)
#define QM_XML_STORE_ASAN 1
#endif

class TXmlStore {
public:
    // A store with one owner hold (the caller's), keeping `table`.
    static TXmlStore* Create(TXmlNameTable* table);

    TXmlStore(const TXmlStore&) = delete;
    TXmlStore& operator=(const TXmlStore&) = delete;

    // Objects and arrays, 16-byte aligned. Free takes the size given to
    // Allocate. Both raise std::bad_alloc when the system has no memory.
    void* Allocate(size_t bytes);
    void Free(void* block, size_t bytes) noexcept;
    // Nodes: blocks of kNodeBlock bytes, 64-byte aligned, so that a node
    // takes two cache lines.
    void* AllocateNode() {
        if (void* block = freeNodes_) return TakeFreeNode(block);
        if (nodes_.end - nodes_.p < static_cast<ptrdiff_t>(kNodeBlock))
            Refill(nodes_, kNodeBlock, 64);
        void* block = nodes_.p;
        nodes_.p += kNodeBlock;
        return Unpoisoned(block, kNodeBlock);
    }
    void FreeNode(void* block) noexcept;
    // Room for text that stays until the store is rewound or freed. With
    // `writable` above `units`, that many units may be written there, the
    // ones past `units` being free room the next text takes.
    char16_t* AllocateText(size_t units, size_t writable = 0) {
        size_t bytes = units * sizeof(char16_t);
        size_t room = std::max(units, writable) * sizeof(char16_t);
        if (static_cast<size_t>(text_.end - text_.p) < room) return AllocateTextSlow(units, room);
        char* p = text_.p;
        text_.p += bytes;
        return static_cast<char16_t*>(Unpoisoned(p, bytes));
    }

    // Every node kind takes this much.
    static constexpr size_t kNodeBlock = 128;

    // Typed values, by slot number.
    uint32_t AddTyped(Variant value);
    const Variant& Typed(uint32_t slot) const { return typed_[slot]; }
    void FreeTyped(uint32_t slot) noexcept;

    // The value cells of nodes (see TXmlValue). Assigning releases what the
    // cell held before; text goes into a block of its own.
    void Assign(TXmlValue& cell, const Variant& value);
    void AssignText(TXmlValue& cell, std::u16string_view text);
    // Text that the cell may keep as a run: the caller filled it from
    // AllocateText.
    static void SetRun(TXmlValue& cell, const char16_t* text, size_t length) {
        cell.data = reinterpret_cast<uintptr_t>(text);
        cell.meta = TXmlValue::kRun | static_cast<uint32_t>(length);
    }
    void ReleaseValue(TXmlValue& cell) noexcept;
    // The cell as a variant (Empty for an empty cell).
    Variant ToVariant(const TXmlValue& cell) const;
    // The variant type code of what the cell holds.
    int32_t TypeOf(const TXmlValue& cell) const;
    // A copy of a cell of `from` into a cell of this store.
    void CopyValue(TXmlValue& cell, const TXmlValue& source, const TXmlStore& from);

    // Counting of nodes and owner holds.
    void AddNode() noexcept { ++live_; }
    // count nodes went (or holds were given up): the store frees itself when
    // nothing is left in it.
    void Drop(size_t count) noexcept;
    // Everything handed out is forgotten and the memory used again from the
    // start; only for a store whose one owner holds nothing else in it. Of
    // the tables, only `table` stays kept.
    void Rewind(TXmlNameTable* table) noexcept;
    bool OnlyTheOwnerLeft() const noexcept { return live_ == 1; }

    // Keeps the table alive as long as the store.
    void KeepTable(TXmlNameTable* table);

private:
    struct TChunk;
    struct TLarge;
    struct TRun {
        char* p = nullptr;
        char* end = nullptr;
    };

    TXmlStore() = default;
    ~TXmlStore();
    char16_t* AllocateTextSlow(size_t units, size_t room);
    void* TakeFreeNode(void* block) noexcept;
    // Under AddressSanitizer, memory not handed out is poisoned.
    static void* Unpoisoned(void* block, size_t bytes) noexcept {
#ifdef QM_XML_STORE_ASAN
        UnpoisonBlock(block, bytes);
#else
        (void)bytes;
#endif
        return block;
    }
    static void UnpoisonBlock(void* block, size_t bytes) noexcept;
    void* AllocateLarge(size_t bytes);
    void FreeLarge(void* block) noexcept;
    // A new chunk for a run, with at least `bytes` free after alignment.
    void Refill(TRun& run, size_t bytes, size_t align);
    void ReleaseChunks() noexcept;

    static constexpr size_t kGranule = 16;
    static constexpr size_t kMaxSmall = 1024;
    static constexpr size_t kClasses = kMaxSmall / kGranule + 1;

    size_t live_ = 1;
    TRun objects_;
    TRun nodes_;
    TRun text_;                 // 2-byte aligned
    TChunk* chunks_ = nullptr;  // every chunk taken, newest first
    size_t chunkCount_ = 0;
    TLarge* large_ = nullptr;  // blocks above kMaxSmall, doubly linked
    void* free_[kClasses] = {};
    void* freeNodes_ = nullptr;
    std::vector<Variant> typed_;
    std::vector<uint32_t> freeSlots_;
    std::vector<Ref<TXmlNameTable>> tables_;
};
