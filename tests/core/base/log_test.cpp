#include <gtest/gtest.h>

#include "core/base/Assert.h"
#include "core/base/Log.h"
#include "tests/support/LogCapture.h"

TEST(Log, LinesCarryTheirModuleAndReachTheSinkThenTheOldOne) {
    std::vector<std::string> outer;
    TLogSink previous = SetLogSink([&](std::string_view module, std::string_view message) {
        outer.push_back(FormatLogLine(module, message));
    });
    {
        TLogCapture capture;
        Log("XML", "Cannot read data/a.xml");
        EXPECT_EQ(capture.Lines(), std::vector<std::string>{"XML: Cannot read data/a.xml"});
        EXPECT_TRUE(capture.Has({"XML", "a.xml"}));
        EXPECT_FALSE(capture.Has({"PACK"}));
    }
    Log("PACK", "after");
    EXPECT_EQ(outer, std::vector<std::string>{"PACK: after"});
    SetLogSink(std::move(previous));
}

#ifndef NDEBUG
TEST(AssertDeathTest, AFailedCheckStopsWithItsSentence) {
    const int count = 0;
    EXPECT_DEATH(QM_ASSERT(count > 0, "Release was called on an object nobody holds."),
                 "Release was called on an object nobody holds");
}
#endif
