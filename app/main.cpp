// quillmarch: the game's program. Runs the units of every library in order,
// then hands over to the engine.
#include <cstdio>
#include <cstring>
#include <string>

#include "core/Units.h"

int main(int argc, char** argv) {
    std::string dataFolder = "data";
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--data") == 0 && i + 1 < argc) dataFolder = argv[++i];
    }
    try {
        TUnitRunner units({CoreUnits()});
        std::printf("quillmarch: the engine runtime is not built yet; data folder: %s\n",
                    dataFolder.c_str());
    } catch (const std::exception& e) {
        // A failure in start-up ends the program quietly, with a line for the log.
        std::fprintf(stderr, "quillmarch: %s\n", e.what());
        return 1;
    }
    return 0;
}
