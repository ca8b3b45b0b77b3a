// An idle frame of a widget tree draws nothing and allocates nothing. The
// operators new of this test program count while a counter is armed.
#include <gtest/gtest.h>

#include <cstdlib>
#include <new>

#include "tests/support/WidgetHarness.h"
#include "tests/widgets/WidgetTestClasses.h"

namespace {

bool g_counting = false;
long g_allocations = 0;

void* Allocate(std::size_t size) {
    if (g_counting) ++g_allocations;
    if (void* p = std::malloc(size ? size : 1)) return p;
    throw std::bad_alloc();
}

void* AllocateAligned(std::size_t size, std::align_val_t alignment) {
    if (g_counting) ++g_allocations;
    const std::size_t align = static_cast<std::size_t>(alignment);
    const std::size_t rounded = (size + align - 1) / align * align;
    if (void* p = std::aligned_alloc(align, rounded ? rounded : align)) return p;
    throw std::bad_alloc();
}

}  // namespace

void* operator new(std::size_t size) {
    return Allocate(size);
}
void* operator new[](std::size_t size) {
    return Allocate(size);
}
void* operator new(std::size_t size, const std::nothrow_t&) noexcept {
    try {
        return Allocate(size);
    } catch (...) {
        return nullptr;
    }
}
void* operator new[](std::size_t size, const std::nothrow_t&) noexcept {
    try {
        return Allocate(size);
    } catch (...) {
        return nullptr;
    }
}
void* operator new(std::size_t size, std::align_val_t alignment) {
    return AllocateAligned(size, alignment);
}
void* operator new[](std::size_t size, std::align_val_t alignment) {
    return AllocateAligned(size, alignment);
}
void operator delete(void* p) noexcept {
    std::free(p);
}
void operator delete[](void* p) noexcept {
    std::free(p);
}
void operator delete(void* p, std::size_t) noexcept {
    std::free(p);
}
void operator delete[](void* p, std::size_t) noexcept {
    std::free(p);
}
void operator delete(void* p, std::align_val_t) noexcept {
    std::free(p);
}
void operator delete[](void* p, std::align_val_t) noexcept {
    std::free(p);
}
void operator delete(void* p, std::size_t, std::align_val_t) noexcept {
    std::free(p);
}
void operator delete[](void* p, std::size_t, std::align_val_t) noexcept {
    std::free(p);
}

namespace widgettest {
namespace {

class TAllocationCount {
public:
    TAllocationCount() {
        g_allocations = 0;
        g_counting = true;
    }
    ~TAllocationCount() { g_counting = false; }
    long Count() const { return g_allocations; }
};

TEST(IdleFrames, AHundredIdleFramesDrawNothingAndAllocateNothing) {
    TWidgetHarness screen(320, 200);
    screen.Load(R"(
      <widget type="group_widget">
        <widgets>
          <widget type="test_widget" visible="yes" z="-1" width="320" height="200" color="$FF101010"/>
          <widget type="group_widget" name="panel" visible="yes" anchor_left="20" anchor_top="20"
                  mousestop="yes">
            <widgets>
              <widget type="test_widget" name="a" visible="yes" width="10" height="10" z="2"/>
              <widget type="test_widget" visible="yes" anchor_left="12" width="10" height="10"/>
              <widget type="test_widget" anchor_left="24" width="10" height="10"/>
              <widget type="test_widget" visible="yes" anchor_left="36" width="10" height="10"
                      timetolive="1000000" time_rate="0.5"/>
            </widgets>
          </widget>
        </widgets>
      </widget>)");
    screen.Step(2);  // the first frames paint everything and settle the lists
    const int drawn = screen.RenderCount();

    long allocations = 0;
    JournalOn() = false;  // the test widgets' own record would allocate
    {
        const TAllocationCount count;
        for (int i = 0; i < 100; ++i) screen.Engine().UpdateGame(10);
        allocations = count.Count();
    }
    JournalOn() = true;
    EXPECT_EQ(allocations, 0);
    EXPECT_FALSE(screen.Engine().IsRedrawNeeded());
    EXPECT_EQ(screen.RenderCount(), drawn);
    EXPECT_EQ(dynamic_cast<TTestWidget&>(*screen.Find("panel/a")).updates, 102);

    // The counter does count: a new widget is an allocation.
    {
        const TAllocationCount count;
        const Ref<TTestWidget> widget = CreateObject<TTestWidget>();
        EXPECT_GT(count.Count(), 0);
    }
}

}  // namespace
}  // namespace widgettest
