#include "minigames/MosaicExchange.h"

#include <cmath>
#include <string>

#include "minigames/MosaicValues.h"

using namespace mosaic;

namespace {

constexpr char kPiece[] = "picture";
constexpr int32_t kMsPerPixel = 5;
constexpr int32_t kLongestFlightMs = 500;

Ref<IWidget> PieceOf(const Ref<IWidget>& cell) {
    return cell ? cell->FindWidget(kPiece) : nullptr;
}

void SetCellState(const Ref<IWidget>& cell, int32_t state) {
    SetPropertyOf(cell, "state", Variant(state));
}

}  // namespace

bool IsMosaicPieceHome(const Ref<IWidget>& cell, const Ref<IWidget>& piece) {
    if (!cell || !piece) return false;
    return PropertyOf(piece, "row") == PropertyOf(cell, "row") &&
           PropertyOf(piece, "col") == PropertyOf(cell, "col");
}

int32_t TMosaicExchangeCellsScenario::FlightTime(double distance) {
    const int32_t ms = SaturatingRound<int32_t>(kMsPerPixel * distance);
    return ms >= kLongestFlightMs ? kLongestFlightMs : ms;
}

void TMosaicExchangeCellsScenario::Create() {
    using S = TMosaicExchangeCellsScenario;
    TStateScenario::Create();
    AddState("enter", "flash", &S::ExchangeEnter, &S::CreatedWidgetsGone);
    AddState("flash", "exit", &S::ExchangeFlash, &S::CreatedWidgetsGone);
    AddState("exit", "", &S::ExchangeExit, &S::AlwaysTrue);
}

bool TMosaicExchangeCellsScenario::LockCells(Ref<IWidget>& cellA, Ref<IWidget>& cellB) const {
    cellA = cellA_.Lock();
    cellB = cellB_.Lock();
    return cellA && cellB;
}

void TMosaicExchangeCellsScenario::ExchangeEnter() {
    const std::string nameA = TextOrEmpty(GetProperty("cell1"));
    const std::string nameB = TextOrEmpty(GetProperty("cell2"));
    const auto findCell = [this](const std::string& name) -> Ref<IWidget> {
        return name.empty() ? nullptr : FindWidget("../../cells_group/" + name);
    };
    const Ref<IWidget> cellA = findCell(nameA);
    const Ref<IWidget> cellB = findCell(nameB);
    // Both pieces are held here while the cells' lists let them go.
    const Ref<IWidget> pieceA = PieceOf(cellA);
    const Ref<IWidget> pieceB = PieceOf(cellB);
    // A cell that is missing, has no piece, or is both cells leaves the board
    // untouched.
    if (!pieceA || !pieceB || cellA == cellB) return;
    cellA_ = Weak<IWidget>(cellA);
    cellB_ = Weak<IWidget>(cellB);

    pieceA->SetVisible(false);
    pieceB->SetVisible(false);
    const Ref<IWidgetCollection> childrenA = cellA->GetChildren();
    const Ref<IWidgetCollection> childrenB = cellB->GetChildren();
    childrenA->Clear();
    childrenB->Clear();
    childrenA->AddWidget(pieceB);
    childrenB->AddWidget(pieceA);
    SetCellState(cellA, 2);
    SetCellState(cellB, 2);

    const double leftA = cellA->GetDrawLeft(), topA = cellA->GetDrawTop();
    const double leftB = cellB->GetDrawLeft(), topB = cellB->GetDrawTop();
    const Variant lifetime(std::to_string(FlightTime(std::hypot(leftA - leftB, topA - topB))));
    const Ref<IWidget> self(this);
    const Ref<IParamCollection> params = NewParams();
    const auto fly = [&](const std::string& name, double x1, double y1, double x2, double y2,
                         const Ref<IWidget>& piece) {
        params->SetValue("name", Variant(name));
        params->SetValue("x1", Variant(x1));
        params->SetValue("y1", Variant(y1));
        params->SetValue("x2", Variant(x2));
        params->SetValue("y2", Variant(y2));
        params->SetValue("lifetime", lifetime);
        if (const Ref<IWidget> flight = CreateChildWidget(self, "move_picture", params, true)) {
            flight->SetProperty("surface", Variant(Ref<IInterface>(piece->GetSnapshot())));
        }
    };
    fly(nameA, leftA, topA, leftB, topB, pieceA);
    fly(nameB, leftB, topB, leftA, topA, pieceB);
}

void TMosaicExchangeCellsScenario::ExchangeFlash() {
    Ref<IWidget> cellA, cellB;
    if (!LockCells(cellA, cellB)) return;
    const Ref<IWidget> self(this);
    const Ref<IParamCollection> params = NewParams();
    bool cameHome = false;
    for (const Ref<IWidget>& cell : {cellA, cellB}) {
        const Ref<IWidget> piece = PieceOf(cell);
        if (!piece) continue;
        if (IsMosaicPieceHome(cell, piece)) {
            // The piece stays hidden, and the cell in the exchange, until
            // "exit": the flash stands in for it meanwhile.
            cell->SetProperty("picture/shadow/visible", Variant(false));
            params->SetValue("name", Variant("mosaic_cell_flash_" + cell->GetName()));
            params->SetValue("anchor_left", Variant(cell->GetDrawLeft()));
            params->SetValue("anchor_top", Variant(cell->GetDrawTop()));
            if (const Ref<IWidget> flash =
                    CreateChildWidget(self, "mosaic_cell_flash", params, true)) {
                flash->SetProperty("surface", PropertyOf(cell, "picture/image"));
            }
            cameHome = true;
        } else {
            piece->SetVisible(true);
            SetCellState(cell, 0);
        }
    }
    if (!cameHome) return;
    IWidgetOwner* owner = GetOwner();
    if (const Ref<IWindow> window = owner ? owner->GetWindow() : nullptr) {
        window->PlaySound("sound_correct_click");
    }
}

void TMosaicExchangeCellsScenario::ExchangeExit() {
    Ref<IWidget> cellA, cellB;
    if (LockCells(cellA, cellB)) {
        for (const Ref<IWidget>& cell : {cellA, cellB}) {
            const Ref<IWidget> piece = PieceOf(cell);
            if (piece) piece->SetVisible(true);
            SetCellState(cell, IsMosaicPieceHome(cell, piece) ? 1 : 0);
        }
    }
    SetDead(true);
}

void RegisterMosaicExchangeClasses() {
    RegisterObjectClass(ClassOf<TMosaicExchangeCellsScenario>(), "scenario_mosaic_exchange_cells");
}
