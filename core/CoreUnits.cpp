#include "core/CoreUnits.h"

#include "core/base/PlatformShims.h"
#include "core/lang/MultiLanguages.h"
#include "core/object/GeneralClasses.h"
#include "core/packs/ResourceReader.h"
#include "core/storage/XMLStorage.h"

namespace {

const TUnit kCoreUnits[] = {
    kFpuExceptionMaskUnit, kClassRegistryUnit,  kResourceReaderUnit,
    kXMLStorageUnit,       kMultiLanguagesUnit,
};

}  // namespace

std::span<const TUnit> CoreUnits() {
    return kCoreUnits;
}
