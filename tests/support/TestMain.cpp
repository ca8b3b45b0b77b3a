#include "tests/support/TestMain.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>

#include "tests/support/TempDir.h"

int RunTests(int argc, char** argv, std::initializer_list<std::span<const TUnit>> units) {
    ::testing::InitGoogleTest(&argc, argv);
    // Player data must never reach the real home folder.
    TTempDir dataHome("xdg");
    setenv("XDG_DATA_HOME", dataHome.Path().c_str(), 1);
    TUnitRunner runner(units);
    return RUN_ALL_TESTS();
}
