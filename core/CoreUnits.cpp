// The core library's units in initialisation order.
#include "core/Units.h"

#include "core/GeneralClasses.h"
#include "core/MultiLanguages.h"
#include "core/PlatformShims.h"
#include "core/ResourceReader.h"
#include "core/XMLStorage.h"

namespace {

const TUnit kCoreUnits[] = {
    {"FpuExceptionMask", MaskFloatingPointExceptions, nullptr},
    {"GeneralClasses", InitClassRegistry, FreeClassRegistry},
    {"ResourceReader", InitResourceReader, FreeResourceReader},
    {"XMLStorage", InitXMLStorage, DoneXMLStorage},
    {"MultiLanguages", MultiLanguagesInit, MultiLanguagesDone},
};

}  // namespace

std::span<const TUnit> CoreUnits() { return kCoreUnits; }
