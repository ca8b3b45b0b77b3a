#include "game/ResourceFiles.h"

namespace {

constexpr char kLoadModes[] = "/synch/asynch";

}  // namespace

void TResourceFile::Create() {
    TPersistObject::Create();
    SetNodeName("resourcefile");
}

const TPropertyTable& TResourceFile::Table() {
    using R = TResourceFile;
    // clang-format off
    static const TPropertyTable table =
        TPropertyTable::Builder<R>(TPersistObject::Table())
            .Field("filename", &R::fileName_).SaveAlways()
            .Field("loadmode", &R::loadMode_, kResourceFileAsynch).Enum(kLoadModes).SaveAlways()
            .Build();
    // clang-format on
    return table;
}

void TResourceFileCollection::Create() {
    TTypedCollection::Create();
    SetNodeName("resourcefiles");
    SetItemNodeName("resourcefile");
    SetItemClass(ClassOf<TResourceFile>());
}
