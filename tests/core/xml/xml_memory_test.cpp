// Allocation counts of the parser: a document's nodes, attributes and texts
// live in memory its store takes in chunks, so loading makes a number of
// allocations that follows the size of the text, not the number of its
// attributes.
#include <gtest/gtest.h>

#include <cstdlib>
#include <new>
#include <string>

#include "core/xml/SimpleXml.h"

namespace {

// Counts the calls of the replaceable allocation functions on this thread
// while a TAllocationCount is alive.
thread_local size_t* t_counter = nullptr;

void* CountedAllocation(size_t size, size_t align) {
    if (t_counter) ++*t_counter;
    if (size == 0) size = 1;
    void* block = align <= alignof(std::max_align_t)
                      ? std::malloc(size)
                      : std::aligned_alloc(align, (size + align - 1) / align * align);
    if (!block) throw std::bad_alloc();
    return block;
}

class TAllocationCount {
public:
    TAllocationCount() { t_counter = &count_; }
    ~TAllocationCount() { t_counter = nullptr; }
    size_t Count() const { return count_; }

private:
    size_t count_ = 0;
};

// A game definition of about 5 MB: screens of widgets with seven or more
// attributes each, some with a text and parameters.
struct TGameDocument {
    std::string text;
    size_t attributes = 0;
    int32_t screens = 0;
};

TGameDocument GameDocument() {
    TGameDocument game;
    std::string& s = game.text;
    size_t& attributes = game.attributes;
    s = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<game name=\"g\" type=\"Game\">\n";
    attributes = 3;
    for (int widget = 0; s.size() < 5'000'000; ++game.screens) {
        s += "  <screen name=\"S" + std::to_string(widget) + "\" type=\"GameScreen\">\n";
        attributes += 2;
        for (int i = 0; i < 40; ++i, ++widget) {
            std::string n = std::to_string(widget);
            s += "    <widget name=\"widget_" + n + "\" type=\"ButtonControl\" x=\"" +
                 std::to_string(widget % 640) + "\" y=\"" + std::to_string(widget % 480) +
                 "\" width=\"" + std::to_string(32 + widget % 200) +
                 "\" visible=\"yes\" resourcename=\"res_image_" + n + "\"";
            attributes += 7;
            if (widget % 4 == 0) {
                s += "><text>label &amp; " + n +
                     "</text><params><param name=\"speed\" value=\"0.25\"/></params></widget>\n";
                attributes += 2;
            } else {
                s += "/>\n";
            }
        }
        s += "  </screen>\n";
    }
    s += "</game>\n";
    return game;
}

TEST(XmlMemory, LoadingMakesNoAllocationPerAttribute) {
    const TGameDocument game = GameDocument();
    const std::string& text = game.text;
    const size_t attributes = game.attributes;
    const WideString wide(text.begin(), text.end());
    const size_t pages = text.size() / 4096;
    ASSERT_GT(attributes, 200'000u);

    auto loadAndFree = [&](auto load) {
        TAllocationCount count;
        Ref<IXmlDocument> doc = load();
        Ref<IXmlElement> root = doc->DocumentElement();
        EXPECT_EQ(root->GetChildNodes()->GetCount(), game.screens);
        root = nullptr;
        doc = nullptr;
        return count.Count();
    };
    auto fromText = [&] { return LoadXmlDocumentFromXML(wide); };
    auto fromStream = [&] {
        TMemoryStream stream(text);
        return LoadXmlDocument(stream);
    };
    // The first load may take its chunks from the system; later ones get
    // them back from the memory earlier documents gave up.
    size_t first = loadAndFree(fromText);
    size_t again = loadAndFree(fromText);
    size_t stream = loadAndFree(fromStream);
    EXPECT_LT(first, pages) << attributes << " attributes";
    EXPECT_LT(again * 1000, attributes) << again << " allocations";
    EXPECT_LT(stream * 1000, attributes) << stream << " allocations";
}

}  // namespace

void* operator new(size_t size) {
    return CountedAllocation(size, 0);
}
void* operator new[](size_t size) {
    return CountedAllocation(size, 0);
}
void* operator new(size_t size, std::align_val_t align) {
    return CountedAllocation(size, static_cast<size_t>(align));
}
void* operator new[](size_t size, std::align_val_t align) {
    return CountedAllocation(size, static_cast<size_t>(align));
}
void* operator new(size_t size, const std::nothrow_t&) noexcept {
    try {
        return CountedAllocation(size, 0);
    } catch (...) {
        return nullptr;
    }
}
void* operator new[](size_t size, const std::nothrow_t&) noexcept {
    return operator new(size, std::nothrow);
}
void* operator new(size_t size, std::align_val_t align, const std::nothrow_t&) noexcept {
    try {
        return CountedAllocation(size, static_cast<size_t>(align));
    } catch (...) {
        return nullptr;
    }
}
void* operator new[](size_t size, std::align_val_t align, const std::nothrow_t&) noexcept {
    return operator new(size, align, std::nothrow);
}
void operator delete(void* block) noexcept {
    std::free(block);
}
void operator delete[](void* block) noexcept {
    std::free(block);
}
void operator delete(void* block, size_t) noexcept {
    std::free(block);
}
void operator delete[](void* block, size_t) noexcept {
    std::free(block);
}
void operator delete(void* block, std::align_val_t) noexcept {
    std::free(block);
}
void operator delete[](void* block, std::align_val_t) noexcept {
    std::free(block);
}
void operator delete(void* block, size_t, std::align_val_t) noexcept {
    std::free(block);
}
void operator delete[](void* block, size_t, std::align_val_t) noexcept {
    std::free(block);
}
void operator delete(void* block, const std::nothrow_t&) noexcept {
    std::free(block);
}
void operator delete[](void* block, const std::nothrow_t&) noexcept {
    std::free(block);
}
void operator delete(void* block, std::align_val_t, const std::nothrow_t&) noexcept {
    std::free(block);
}
void operator delete[](void* block, std::align_val_t, const std::nothrow_t&) noexcept {
    std::free(block);
}
