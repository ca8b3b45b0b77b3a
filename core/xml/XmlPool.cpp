// Memory for the XML library's objects that live outside the documents'
// stores (documents, name tables, node lists) and for the arrays of lists.
//
// Blocks of up to 1 KB come from 64 KB pages, each page serving one block
// size. A page keeps its own list of freed blocks and a count of the blocks
// in use; a page whose last block is freed goes back to a list of empty pages
// and is carved again from its start, whatever size it serves next, so that
// what is made together lies together again (a single free list per size
// would hand blocks out in the order of earlier frees).
//
// Pages belong to the thread that carved them. A block freed by another
// thread goes onto an atomic list of its page, which the owner takes over
// when it next allocates from that page. Memory taken from the system is kept
// for reuse and never given back.
#include <atomic>
#include <cstddef>
#include <cstdint>
#include <mutex>
#include <new>
#include <vector>

#include "core/xml/SimpleXml.h"

#if defined(__has_feature)
#if __has_feature(address_sanitizer)
#define QM_XML_ASAN 1
#endif
#endif
#if defined(__SANITIZE_ADDRESS__)
#define QM_XML_ASAN 1
#endif
#ifdef QM_XML_ASAN
#include <sanitizer/asan_interface.h>
// Free blocks are poisoned, so that a use after free is still reported.
#define QM_POISON(p, n) ASAN_POISON_MEMORY_REGION(p, n)
#define QM_UNPOISON(p, n) ASAN_UNPOISON_MEMORY_REGION(p, n)
#else
#define QM_POISON(p, n) ((void)(p), (void)(n))
#define QM_UNPOISON(p, n) ((void)(p), (void)(n))
#endif

namespace {

constexpr size_t kGranule = 16;
constexpr size_t kMaxPooled = 1024;
constexpr size_t kClasses = kMaxPooled / kGranule + 1;
constexpr size_t kPageSize = 64 * 1024;
constexpr size_t kPagesPerChunk = 32;

struct TFreeBlock {
    TFreeBlock* next;
};

struct THeap;

// The header at the start of every page.
struct alignas(64) TPage {
    THeap* heap;
    TPage* prev;  // in the heap's list of pages with room for their size
    TPage* next;
    TFreeBlock* free;
    std::atomic<TFreeBlock*> foreign;  // freed by other threads
    char* bump;                        // start of the part never handed out
    char* end;
    uint32_t blockSize;
    uint32_t used;
    uint32_t cls;
    bool listed;
};
static_assert(sizeof(TPage) <= 128);

constexpr size_t kFirstBlock = (sizeof(TPage) + kGranule - 1) / kGranule * kGranule;

struct THeap {
    TPage* avail[kClasses] = {};  // pages that may have room, by size class
    TPage* empty = nullptr;       // pages without blocks in use (linked by next)
};

thread_local THeap t_heap;

// Every chunk stays listed here, so that its memory remains reachable; the
// list itself is never freed.
std::mutex g_chunkLock;
std::vector<void*>* g_chunks = nullptr;

TPage* PageOf(void* block) {
    return reinterpret_cast<TPage*>(reinterpret_cast<uintptr_t>(block) & ~(kPageSize - 1));
}

void Unlink(THeap& heap, TPage* page) {
    if (page->prev) {
        page->prev->next = page->next;
    } else {
        heap.avail[page->cls] = page->next;
    }
    if (page->next) page->next->prev = page->prev;
    page->prev = page->next = nullptr;
    page->listed = false;
}

void PushFront(THeap& heap, TPage* page) {
    page->prev = nullptr;
    page->next = heap.avail[page->cls];
    if (page->next) page->next->prev = page;
    heap.avail[page->cls] = page;
    page->listed = true;
}

TPage* NewPage(THeap& heap, size_t cls) {
    TPage* page = heap.empty;
    if (page) {
        heap.empty = page->next;
    } else {
        char* chunk = static_cast<char*>(
            ::operator new(kPageSize* kPagesPerChunk, std::align_val_t(kPageSize)));
        {
            std::lock_guard<std::mutex> lock(g_chunkLock);
            if (!g_chunks) g_chunks = new std::vector<void*>;
            g_chunks->push_back(chunk);
        }
        QM_POISON(chunk, kPageSize * kPagesPerChunk);
        for (size_t i = 1; i < kPagesPerChunk; ++i) {
            TPage* spare = reinterpret_cast<TPage*>(chunk + i * kPageSize);
            QM_UNPOISON(spare, sizeof(TPage));
            new (spare) TPage{};
            spare->heap = &heap;
            spare->next = heap.empty;
            heap.empty = spare;
        }
        page = reinterpret_cast<TPage*>(chunk);
        QM_UNPOISON(page, sizeof(TPage));
        new (page) TPage{};
        page->heap = &heap;
    }
    page->prev = page->next = nullptr;
    page->free = nullptr;
    page->foreign.store(nullptr, std::memory_order_relaxed);
    page->bump = reinterpret_cast<char*>(page) + kFirstBlock;
    page->end = reinterpret_cast<char*>(page) + kPageSize;
    page->blockSize = static_cast<uint32_t>(cls * kGranule);
    page->used = 0;
    page->cls = static_cast<uint32_t>(cls);
    page->listed = false;
    PushFront(heap, page);
    return page;
}

// Takes over the blocks other threads freed; answers whether there were any.
bool CollectForeign(TPage* page) {
    TFreeBlock* list = page->foreign.exchange(nullptr, std::memory_order_acquire);
    if (!list) return false;
    while (list) {
        TFreeBlock* next = list->next;
        list->next = page->free;
        page->free = list;
        --page->used;
        list = next;
    }
    return true;
}

}  // namespace

void* XmlAllocate(size_t size) {
    if (size > kMaxPooled) return ::operator new(size);
    size_t cls = size == 0 ? 1 : (size + kGranule - 1) / kGranule;
    THeap& heap = t_heap;
    TPage* page = heap.avail[cls];
    for (;;) {
        if (!page) page = NewPage(heap, cls);
        if (TFreeBlock* block = page->free) {
            QM_UNPOISON(block, page->blockSize);
            page->free = block->next;
            ++page->used;
            return block;
        }
        if (static_cast<size_t>(page->end - page->bump) >= page->blockSize) {
            void* block = page->bump;
            page->bump += page->blockSize;
            ++page->used;
            QM_UNPOISON(block, page->blockSize);
            return block;
        }
        if (CollectForeign(page)) continue;
        TPage* full = page;
        page = page->next;
        Unlink(heap, full);  // listed again when one of its blocks is freed
    }
}

void XmlFree(void* block, size_t size) noexcept {
    if (!block) return;
    if (size > kMaxPooled) {
        ::operator delete(block);
        return;
    }
    TPage* page = PageOf(block);
    TFreeBlock* free = static_cast<TFreeBlock*>(block);
    THeap& heap = t_heap;
    if (page->heap != &heap) {
        // Another thread's page: its owner takes the block over later.
        TFreeBlock* head = page->foreign.load(std::memory_order_relaxed);
        do {
            free->next = head;
        } while (!page->foreign.compare_exchange_weak(head, free, std::memory_order_release,
                                                      std::memory_order_relaxed));
        return;
    }
    free->next = page->free;
    page->free = free;
    QM_POISON(block, page->blockSize);
    if (--page->used == 0 && !page->foreign.load(std::memory_order_relaxed)) {
        // Empty: the page starts afresh, for whatever size is asked next.
        if (page->listed) Unlink(heap, page);
        page->free = nullptr;
        QM_POISON(reinterpret_cast<char*>(page) + kFirstBlock, kPageSize - kFirstBlock);
        page->next = heap.empty;
        heap.empty = page;
        return;
    }
    if (!page->listed) PushFront(heap, page);
}
