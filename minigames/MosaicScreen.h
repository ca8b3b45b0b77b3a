// TQuillmarchGameScreenGameBigMosaic ("QuillmarchGameScreenGameBigMosaic",
// shown as "GS_GameBigMosaic" above a location's scene): the big mosaic. The
// location's 1024 by 768 picture is cut into rows × cols cells, the pieces
// are shuffled so that no cell starts with its own, and the player exchanges
// the pieces of two cells at a time until every cell holds its own. After
// the closing scenario the statistics screen ("GS_StatBigMosaic") shows the
// level's tips; when it closes, this screen closes with "active_map_part"
// and "level_completed" = "yes".
//
// The level comes from the game option "mosaic_level_params" followed by the
// map part ("\rows=4\cols=5\resourcename=japan_mosaic\level_tips=..."). The
// window holds "move_group" with "cells_group", "scenario_group" and
// "mosaic_mat", and "button_close", "button_skip", "button_menu",
// "game_tip", "timer"; its factories make the cells ("mosaic_cell", one
// group per cell named uniquely, hit-tested as itself), the selection marker
// ("mosaic_cell_selected", named "selected"), and the scenarios
// "scenario_start_level", "scenario_scroll", "mosaic_scenario_exchange_cells"
// and "scenario_end_level" (named so). The map's snapshot rolls away in
// "map_surface" behind the edge "scroll"; the scroll scenario looks for both
// two levels above itself, so the data puts them in "move_group", and the
// screen finds them there or at the window's root.
//
// Board states: 0 before a board is built, 1 while the opening scenario
// runs, 2 once the board takes clicks: when the scroll scenario or the
// opening scenario reports its end (whichever comes first), or at once
// without an opening scenario.
//
// Ownership: the cells belong to the cells group; the screen keeps the
// groups, the close button and the selected cell as Weak handles, and holds
// the selection marker while no cell has it.
//
// Failures: a missing level option, or one that is no text, gives a 3 by 3
// board with no picture; a "rows" or "cols" that is no whole number from 1 to
// kMaxMosaicLines keeps its default, and a size of fewer than two cells
// falls back to 3 by 3 (one "MOSAIC" line each). Missing optional widgets
// and factories are skipped; a cell without a piece takes no part in the
// shuffle.
#pragma once

#include <cstdint>
#include <string>

#include "game/GameScreen.h"

// The most rows or columns a mosaic may have.
inline constexpr int32_t kMaxMosaicLines = 64;

enum TMosaicBoardState : uint8_t {
    mbs_None = 0,
    mbs_Opening = 1,
    mbs_Playing = 2,
};

class TQuillmarchGameScreenGameBigMosaic : public TGameScreen {
public:
    // The picture's size, which the cells divide.
    static constexpr int32_t kPictureWidth = 1024;
    static constexpr int32_t kPictureHeight = 768;

    // The map's snapshot and the scroll edge prepared; "move_group" at the
    // left edge; "button_skip" restarted and disabled.
    void BeforeShow(const Ref<IParamCollection>& params) override;
    void AttachOwner(IGameScreenOwner* owner) override;
    void DetachOwner() override;
    // Takes "active_map_part" and "LevelName" and places the game tip (with
    // parameters), builds a board, then shows.
    void Show(const Ref<IParamCollection>& params) override;
    // The tree's step, then CheckCompleted.
    void Update(int32_t elapsedMs) override;
    // Losing the application's focus while shown opens the pause menu.
    void SetActive(bool active) override;
    // A press of any button (not a double click) on a cell while the board
    // takes clicks goes to OnCellClick, once no widget took it.
    bool MouseEvent(int32_t code, int32_t x, int32_t y, int32_t buttons) override;
    void ChildScreenClosed(const std::string& screenName,
                           const Ref<IParamCollection>& results) override;
    void HandleEvent(const Ref<IWidget>& sender, int32_t code,
                     const Ref<IParamCollection>& params) override;

    // The level's size, picture and tips from the game option of the map
    // part; cell size from the size.
    void LoadLevelParams();
    // A new shuffled board for the map part, with its opening and scroll
    // scenarios.
    void BuildBoard(const std::string& mapPart);
    // One pass over the cells: each that holds its own piece swaps with
    // another drawn at random, so none is home afterwards and all have state
    // 0. Nothing with fewer than two cells.
    void Shuffle();
    // Picks up, puts down or exchanges; false when the click did nothing (a
    // cell whose tile is not at rest).
    bool OnCellClick(const Ref<IWidget>& cell);
    void SelectCell(const Ref<IWidget>& cell);
    void DeselectCell();
    // Ends the level once every cell has state 1.
    void CheckCompleted();
    void EndLevel();
    void ClearBoard();
    // Every cell and scenario removed.
    void ClearGroups();
    void ShowGameTip();
    void SetMat();
    void PrepareMapSurface(const Ref<IParamCollection>& params);

    const std::string& GetResourceName() const { return resourceName_; }
    const std::string& GetLevelName() const { return levelName_; }
    const std::string& GetLevelTips() const { return levelTips_; }
    const std::string& GetMapPart() const { return mapPart_; }
    int32_t GetRows() const { return rows_; }
    int32_t GetCols() const { return cols_; }
    int32_t GetCellWidth() const { return cellWidth_; }
    int32_t GetCellHeight() const { return cellHeight_; }
    bool GetLevelEnded() const { return levelEnded_; }
    TMosaicBoardState GetBoardState() const { return boardState_; }
    Ref<IWidget> GetSelectedCell() const { return selectedCell_.Lock(); }
    const Ref<IWidget>& GetSelectionMarker() const { return marker_; }

private:
    // A screen of this name opened on top.
    void Open(const std::string& screenName, const Ref<IParamCollection>& params = nullptr);
    // A widget of the window at the root or, failing that, in "move_group".
    Ref<IWidget> FindMapWidget(const std::string& name);
    // A factory's scenario added to the scenario group; null when either is
    // missing.
    Ref<IWidget> StartScenario(const std::string& factoryName, const Ref<IParamCollection>& params);

    std::string resourceName_;
    std::string levelName_;
    std::string levelTips_;
    Weak<IWidget> cellsGroup_;
    Weak<IWidget> scenarioGroup_;
    Weak<IWidget> closeButton_;
    Ref<IWidget> marker_;  // lent to the selected cell's children
    Weak<IWidget> selectedCell_;
    std::string mapPart_;
    int32_t rows_ = 3;
    int32_t cols_ = 3;
    int32_t cellWidth_ = kPictureWidth / 3;
    int32_t cellHeight_ = kPictureHeight / 3;
    bool levelEnded_ = false;
    TMosaicBoardState boardState_ = mbs_None;
    Weak<IWidget> openingScenario_;  // its report also lets the board take clicks
};

// Registers the mosaic screen, its statistics screen and its scenarios.
void RegisterMosaicClasses();
