// TMosaicExchangeCellsScenario ("scenario_mosaic_exchange_cells"): the
// exchange of the pieces of two mosaic cells, made by the board for each
// exchange with the cells' names in its properties "cell1" and "cell2" and
// added to "move_group/scenario_group"; several run at once.
//
// A cell of "move_group/cells_group" has "row", "col" and "state" (0 a
// foreign piece, 1 its own, 2 in an exchange) and one child "picture", the
// piece, with the "row" and "col" where it belongs, a "shadow" and an
// "image". A piece is home when its row and column are the cell's.
//
//   "enter": the pieces change cells in the tree at once, hidden, and both
//            cells take state 2; two "move_picture" widgets carry snapshots
//            of the pieces past each other in 5 ms a pixel, at most 500 ms.
//            Done when both flights have died.
//   "flash": a piece that came home keeps its shadow hidden for good and
//            flashes ("mosaic_cell_flash", named "mosaic_cell_flash_" and
//            the cell's name) while it stays hidden, and the window plays
//            "sound_correct_click" once; a foreign piece shows again and its
//            cell takes state 0. Done when the flashes have died.
//   "exit":   both pieces visible, each cell at 1 when its piece is home,
//            else 0; the scenario ends.
//
// Ownership: the cells belong to the cells group; the scenario keeps Weak
// handles. The flights and flashes are its own children.
//
// Failures: a name that finds no cell, or a cell without a piece, leaves the
// board as it is; the scenario still passes through its states and ends. A
// factory that makes nothing skips that flight or flash.
#pragma once

#include "widgets/StateScenario.h"

class TMosaicExchangeCellsScenario : public TStateScenario {
public:
    void Create() override;

    // The flight time for two cells that far apart (in pixels).
    static int32_t FlightTime(double distance);

private:
    void ExchangeEnter();
    void ExchangeFlash();
    void ExchangeExit();

    // Both cells, each with its piece; false when any of them is missing.
    bool LockCells(Ref<IWidget>& cellA, Ref<IWidget>& cellB) const;

    Weak<IWidget> cellA_;
    Weak<IWidget> cellB_;
};

// A piece is home when its "row" and "col" equal the cell's.
bool IsMosaicPieceHome(const Ref<IWidget>& cell, const Ref<IWidget>& piece);

void RegisterMosaicExchangeClasses();
