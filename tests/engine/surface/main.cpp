#include "core/CoreUnits.h"
#include "tests/support/TestMain.h"

int main(int argc, char** argv) {
    return RunTests(argc, argv, {CoreUnits()});
}
