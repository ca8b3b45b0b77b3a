// sgdtool-check-data: the program behind "sgdtool check-data DIR".
//
// The data check reads the definition as the game does, so it links every
// library of the game; sgdtool itself stays on the core storage and the level
// solver (the data build and its tests run it often) and hands this one
// command to the program of this name beside its own executable.
//
//   sgdtool-check-data DIR    whether every reference of the built data folder
//                             DIR's game definition resolves
//
// Prints one line per missing or broken thing, with where it is referenced
// (tools/check/DataCheck.h lists the checks), and exits with 0 when there is
// none, 1 when there is any or the folder cannot be read, 2 for bad usage.
#include <cstdio>
#include <exception>
#include <filesystem>
#include <string>
#include <vector>

#include "core/CoreUnits.h"
#include "core/base/Units.h"
#include "core/packs/ResourceReader.h"
#include "effects/EffectUnits.h"
#include "engine/EngineUnits.h"
#include "functions/FunctionUnits.h"
#include "game/GameUnits.h"
#include "minigames/MinigameUnits.h"
#include "nonogram/NonogramUnits.h"
#include "tools/check/DataCheck.h"
#include "widgets/WidgetUnits.h"
#include "world/WorldUnits.h"

namespace {

constexpr const char* kName = "sgdtool check-data";

bool Write(std::FILE* to, const std::string& line) {
    return std::fwrite(line.data(), 1, line.size(), to) == line.size();
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "%s: takes DIR\nusage:\n  sgdtool check-data DIR\n", kName);
        return 2;
    }
    const std::string folder = argv[1];
    try {
        if (!std::filesystem::is_directory(folder)) {
            std::fprintf(stderr, "%s: no data folder %s\n", kName,
                         PrintableDataText(folder).c_str());
            return 1;
        }
        // Every class the game registers, and its pack extension, as the game
        // starts.
        TUnitRunner units({CoreUnits(), EngineUnits(), FunctionUnits(), WidgetUnits(),
                           EffectUnits(), GameUnits(), NonogramUnits(), WorldUnits(),
                           MinigameUnits()});
        SetPackExtension(".sgd");
        const std::vector<TDataProblem> problems = CheckGameData(folder);
        bool written = true;
        for (const TDataProblem& problem : problems) {
            written = Write(stdout, FormatDataProblem(problem) + "\n") && written;
        }
        if (problems.empty()) written = Write(stdout, "the data is complete\n") && written;
        if (std::fflush(stdout) != 0 || !written) {
            std::fprintf(stderr, "%s: cannot write standard output\n", kName);
            return 1;
        }
        if (!problems.empty()) {
            std::fprintf(stderr, "%s: %zu problems in the data\n", kName, problems.size());
            return 1;
        }
        return 0;
    } catch (const std::exception& e) {
        std::fprintf(stderr, "%s: %s\n", kName, e.what());
        return 1;
    }
}
