// Grid definitions: where the board puts its cells and clue digits for one
// picture size. A definition is named by the size ("10_15": rows, "_",
// columns) and holds its values as "properties" parameters, in pixels:
// "start_x", "start_y" (the cell of row 0, column 0), "regular_shift" (the gap
// between neighbouring cells), "fivefold_shift" (an extra gap after every
// fifth row and column, 0 when absent), "info_shift_x" and "info_shift_y" (the
// nearest left and top clue from the line's first cell) and
// "info_regular_shift" (the gap between neighbouring clue digits).
//
// The collection ("grids" of "grid") is read from the board's own node; the
// board publishes it as the game option "grid_defs" for the bonus game.
// Neither class is registered by name.
#pragma once

#include <cstdint>
#include <string>

#include "core/persist/EngineGeneralClasses.h"
#include "core/persist/Params.h"

class IGridDef : public virtual IParamsPropertyObject {};

class IGridDefCollection : public virtual ICollection {
public:
    // Nothing for null; a name present keeps the first.
    virtual void Add(const Ref<IGridDef>& item) = 0;
    // By position or name; null when absent.
    virtual Ref<IGridDef> GetItem(const Variant& key) = 0;
};

class TGridDef : public TParamsPropertyObject, public virtual IGridDef {
public:
    void Create() override;
};

class TGridDefCollection : public TTypedCollection<IGridDef, IGridDefCollection> {
public:
    void Create() override;
    void Add(const Ref<IGridDef>& item) override { TryAdd(item); }
    Ref<IGridDef> GetItem(const Variant& key) override { return Find(key); }
};

// The values of one definition as numbers.
struct TGridGeometry {
    double startX = 0, startY = 0;
    double regularShift = 0;
    double fivefoldShift = 0;
    double infoShiftX = 0, infoShiftY = 0;
    double infoRegularShift = 0;
};

// The name of the definition for a picture size: "10_15".
std::string GridDefKey(int32_t rows, int32_t cols);

// Reads a definition's values. A required value that is absent or no finite
// number answers false with the reason in error.
bool ReadGridGeometry(const Ref<IGridDef>& def, TGridGeometry& geometry, std::string& error);
