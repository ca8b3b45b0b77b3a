#include "nonogram/GridDefs.h"

#include <cmath>

void TGridDef::Create() {
    TParamsPropertyObject::Create();
    SetNodeName("grid");
}

void TGridDefCollection::Create() {
    TTypedCollection::Create();
    SetNodeName("grids");
    SetItemNodeName("grid");
    SetItemClass(ClassOf<TGridDef>());
}

std::string GridDefKey(int32_t rows, int32_t cols) {
    return std::to_string(rows) + "_" + std::to_string(cols);
}

namespace {

bool ReadValue(const Ref<IGridDef>& def, const char* name, bool required, double& value,
               std::string& error) {
    const Variant v = def->GetProperty(name);
    if (v.IsUnassigned() || (v.IsString() && v.ToString().empty())) {
        if (!required) return true;
        error = std::string("it has no \"") + name + "\"";
        return false;
    }
    double number = 0;
    bool ok = false;
    if (v.IsString()) {
        ok = TryTextToFloat(v.ToString(), number);
    } else if (v.IsNumeric()) {
        number = v.ToDouble();
        ok = true;
    }
    if (!ok || !std::isfinite(number)) {
        error = std::string("its \"") + name + "\" is \"" + v.ToString() + "\", no number";
        return false;
    }
    value = number;
    return true;
}

}  // namespace

bool ReadGridGeometry(const Ref<IGridDef>& def, TGridGeometry& geometry, std::string& error) {
    if (!def) {
        error = "there is none";
        return false;
    }
    TGridGeometry g;
    if (!ReadValue(def, "start_x", true, g.startX, error) ||
        !ReadValue(def, "start_y", true, g.startY, error) ||
        !ReadValue(def, "regular_shift", true, g.regularShift, error) ||
        !ReadValue(def, "fivefold_shift", false, g.fivefoldShift, error) ||
        !ReadValue(def, "info_shift_x", true, g.infoShiftX, error) ||
        !ReadValue(def, "info_shift_y", true, g.infoShiftY, error) ||
        !ReadValue(def, "info_regular_shift", true, g.infoRegularShift, error)) {
        return false;
    }
    geometry = g;
    return true;
}
