#include "functions/FunctionUnits.h"

#include "functions/FunctionClasses.h"
#include "functions/PathFunctionClasses.h"

namespace {

const TUnit kFunctionUnits[] = {
    kFunctionClassesUnit,
    kPathFunctionClassesUnit,
};

}  // namespace

std::span<const TUnit> FunctionUnits() {
    return kFunctionUnits;
}
