#include "functions/ParamSpaces.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/functions/FunctionFixtures.h"
#include "tests/support/LogCapture.h"

namespace {

Ref<TParamSpace> NewSpace() {
    return CreateObject<TParamSpace>();
}

Ref<TParamSpace> LoadSpace(const std::string& defs) {
    Ref<TParamSpace> space = NewSpace();
    space->Load(Storage("<paramspace><paramdefs>" + defs + "</paramdefs></paramspace>"));
    return space;
}

Ref<IParamDef> DefNamed(const Ref<TParamSpace>& space, const std::string& name) {
    return space->GetParamDefs()->GetItemByName(name);
}

TEST(ParamSpaces, LoadRules) {
    struct Case {
        const char* name;
        int32_t row, col;
        bool isStatic;
        float value;
        const char* outName;
        int32_t outRow, outCol;
    };
    TLogCapture log;
    Ref<TParamSpace> space = LoadSpace(R"(
        <paramdef name="a" col="1"/>
        <paramdef name="b" col="1" static="yes" value="2.5"/>
        <paramdef name="linked" col="3" row="4" value="9"/>
        <paramdef name="bypos" col="0" row="1" outcol="0" outrow="2"/>
        <paramdef name="halfpos" col="0" row="2" outcol="3"/>
        <paramdef name="byname" col="0" row="3" outname="Other" outrow="5"/>
        <paramdef name="merged" col="1" row="1" static="yes" value="7"/>
        <paramdef name="B" col="2" row="0"/>)");
    const Case cases[] = {
        // Rows are taken in document order; a static one reads "value".
        {"a", 0, 1, false, 0, "a", 0, 0},
        // The second child at (1, 1) updated this one under its first name.
        {"b", 1, 1, true, 7, "", 0, 0},
        // A linked definition reads no value and links by its own name.
        {"linked", 4, 3, false, 0, "linked", 0, 0},
        {"bypos", 1, 0, false, 0, "", 2, 0},
        {"halfpos", 2, 0, false, 0, "", 0, 3},
        {"byname", 3, 0, false, 0, "Other", 0, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Ref<IParamDef> def = DefNamed(space, c.name);
        ASSERT_TRUE(def);
        EXPECT_EQ(def->GetName(), c.name);
        EXPECT_EQ(def->GetRow(), c.row);
        EXPECT_EQ(def->GetCol(), c.col);
        EXPECT_EQ(def->GetStatic(), c.isStatic);
        EXPECT_FLOAT_EQ(def->GetValue(), c.value);
        EXPECT_EQ(def->GetOutName(), c.outName);
        EXPECT_EQ(def->GetOutRow(), c.outRow);
        EXPECT_EQ(def->GetOutCol(), c.outCol);
    }
    EXPECT_FALSE(DefNamed(space, "merged"));
    // "B" repeats "b" in another case: dropped, with a line.
    EXPECT_EQ(space->GetParamDefs()->GetCount(), 6);
    EXPECT_FALSE(space->GetParamDefs()->GetItemAt(2, 0));
    EXPECT_TRUE(log.Has({"FUNCTION", "\"B\"", "twice"}));
}

TEST(ParamSpaces, PositionsOutsideTheBoundsAreRefusedWithALine) {
    TLogCapture log;
    Ref<TParamSpace> space = LoadSpace(R"(
        <paramdef name="negrow" col="1" row="-3" static="yes" value="1"/>
        <paramdef name="negcol" col="-1" row="0" static="yes" value="1"/>
        <paramdef name="hugecol" col="2000000000" row="0" static="yes" value="1"/>
        <paramdef name="hugerow" col="0" row="2000000000" static="yes" value="1"/>
        <paramdef name="ok" col="1" row="0" static="yes" value="4"/>)");
    EXPECT_EQ(space->GetParamDefs()->GetCount(), 1);
    for (const char* name : {"negrow", "negcol", "hugecol", "hugerow"}) {
        EXPECT_TRUE(log.Has({"FUNCTION", std::string("\"") + name + "\"", "outside"})) << name;
    }
    space->SetParentSpace(nullptr);
    EXPECT_EQ(space->GetColumnCount(), 2);
    EXPECT_EQ(space->GetValue("ok"), 4);

    // Code is held to the same bounds.
    log.Clear();
    EXPECT_FALSE(space->AddParamDef("neg", 0, -1, true, "", 1));
    EXPECT_FALSE(space->AddParamDef("far", kMaxParamColumns, 0, true, "", 1));
    EXPECT_EQ(log.Lines().size(), 2u);
}

TEST(ParamSpaces, TheIndexFollowsTheDefinitions) {
    Ref<TParamSpace> space = NewSpace();
    space->AddParamDef("out", 0, 0, true, "", 1);
    space->AddParamDef("c", 2, 3, true, "", 2);
    Ref<IParamDefCollection> defs = space->GetParamDefs();
    EXPECT_EQ(defs->GetColumnCount(), 3);
    EXPECT_EQ(defs->GetRowCount(0), 1);
    EXPECT_EQ(defs->GetRowCount(1), 0);
    EXPECT_EQ(defs->GetRowCount(2), 4);
    EXPECT_EQ(defs->GetRowCount(3), 0);
    EXPECT_EQ(defs->GetRowCount(-1), 0);
    EXPECT_EQ(defs->GetItemAt(2, 3)->GetName(), "c");
    EXPECT_FALSE(defs->GetItemAt(2, 0));  // a hole
    EXPECT_FALSE(defs->GetItemAt(5, 0));
    EXPECT_FALSE(defs->GetItemAt(0, -1));
    // A change marks it stale; the next question rebuilds it.
    space->AddParamDef("late", 4, 0, true, "", 3);
    EXPECT_EQ(defs->GetColumnCount(), 5);
    defs->Delete(Variant("c"));
    EXPECT_EQ(defs->GetColumnCount(), 5);
    EXPECT_EQ(defs->GetRowCount(2), 0);

    // Before a build the table has no rows; after it, the table's shape.
    EXPECT_EQ(space->GetRowCount(0), 0);
    space->SetParentSpace(nullptr);
    EXPECT_EQ(space->GetRowCount(0), 1);
    EXPECT_EQ(space->GetRowCount(2), 0);
    EXPECT_EQ(space->GetRowCount(9), 0);
}

TEST(ParamSpaces, LinksResolveByNameAndPositionIntoTheFirstOwningSpace) {
    Ref<TParamSpace> top = LoadSpace(R"(
        <paramdef name="X1" col="2" row="0" static="yes" value="10"/>
        <paramdef name="t" col="1" row="0" static="yes" value="4"/>
        <paramdef name="o0" col="0" row="0" static="yes" value="1"/>
        <paramdef name="o1" col="0" row="1" static="yes" value="2"/>
        <paramdef name="o2" col="0" row="2" static="yes" value="7"/>)");
    Ref<TParamSpace> middle = LoadSpace(R"(
        <paramdef name="mid" col="0" row="0" outname="x1"/>)");
    Ref<TParamSpace> child = LoadSpace(R"(
        <paramdef name="t" col="1" row="0"/>
        <paramdef name="pos" col="0" row="0" outcol="0" outrow="2"/>
        <paramdef name="deep" col="0" row="1" outname="MID"/>
        <paramdef name="lost" col="0" row="2" outname="nothing"/>
        <paramdef name="far" col="0" row="3" outcol="9" outrow="9"/>)");
    top->SetParentSpace(nullptr);
    middle->SetParentSpace(top);
    child->SetParentSpace(middle);
    Ref<TParamSpace> direct = LoadSpace(R"(<paramdef name="t" col="1" row="0"/>
                                           <paramdef name="pos" col="0" row="0" outcol="0" outrow="2"/>)");
    direct->SetParentSpace(top);

    EXPECT_EQ(direct->GetValue("T"), 4);  // its own name, any case
    EXPECT_EQ(direct->GetValue("pos"), 7);
    EXPECT_EQ(direct->GetValuePtr(0, 0), top->GetValuePtr(0, 2));
    // A chain resolves to the cell of the space that owns it.
    EXPECT_EQ(child->GetValuePtrByName("deep"), top->GetValuePtrByName("X1"));
    child->SetValue("deep", 11);
    EXPECT_EQ(top->GetValue("x1"), 11);
    // Links that find nothing get private cells starting at 0.
    for (const char* name : {"lost", "far"}) {
        SCOPED_TRACE(name);
        const PFloatType cell = child->GetValuePtrByName(name);
        ASSERT_NE(cell, nullptr);
        EXPECT_EQ(*cell, 0);
        *cell = 5;
        for (int32_t row = 0; row < 3; ++row) EXPECT_NE(top->GetValueAt(0, row), 5);
    }
    EXPECT_NE(child->GetValuePtrByName("lost"), child->GetValuePtrByName("far"));
    // Without a parent every link has a cell of its own.
    Ref<TParamSpace> alone = LoadSpace(R"(<paramdef name="t" col="1" row="0"/>)");
    alone->SetParentSpace(nullptr);
    alone->SetValue("t", 3);
    EXPECT_EQ(alone->GetValue("t"), 3);

    // An absent name reads 0 and takes no write.
    EXPECT_EQ(top->GetValue("absent"), 0);
    top->SetValue("absent", 5);
    EXPECT_EQ(top->GetValuePtrByName("absent"), nullptr);

    child->ReleaseParentSpace();
    direct->ReleaseParentSpace();
    middle->ReleaseParentSpace();
    top->ReleaseParentSpace();
}

TEST(ParamSpaces, PositionsOutsideTheTableReadZeroAndTakeNoWrite) {
    Ref<TParamSpace> space = NewSpace();
    space->AddParamDef("a", 0, 0, true, "", 1);
    space->AddParamDef("b", 1, 2, true, "", 2);  // (1, 0) and (1, 1) are holes
    space->SetParentSpace(nullptr);
    const std::pair<int32_t, int32_t> outside[] = {{1, 0}, {1, 1}, {-1, 0}, {0, -1},
                                                   {0, 1}, {2, 0}, {1, 3},  {1000000, 1000000}};
    for (auto [column, row] : outside) {
        SCOPED_TRACE(std::to_string(column) + "," + std::to_string(row));
        EXPECT_EQ(space->GetValuePtr(column, row), nullptr);
        space->SetValueAt(column, row, 9);
        EXPECT_EQ(space->GetValueAt(column, row), 0);
    }
    EXPECT_EQ(space->GetValueAt(1, 2), 2);
}

TEST(ParamSpaces, BuildingAgainStartsStaticCellsFromTheirValues) {
    Ref<TParamSpace> space = LoadSpace(R"(<paramdef name="s" col="0" static="yes" value="5"/>)");
    space->SetParentSpace(nullptr);
    space->SetValue("s", 7);
    EXPECT_EQ(space->GetValue("s"), 7);
    space->SetParentSpace(nullptr);
    EXPECT_EQ(space->GetValue("s"), 5);
    // A value beyond the float range becomes an infinity, not undefined.
    space->SetValue("s", 1e300);
    EXPECT_EQ(space->GetValue("s"), std::numeric_limits<double>::infinity());
}

TEST(ParamSpaces, CopiesOwnTheirCellsAndShareTheLinkedOnes) {
    Ref<TParamSpace> parent =
        LoadSpace(R"(<paramdef name="shared" col="0" static="yes" value="1"/>)");
    Ref<TParamSpace> space = LoadSpace(R"(
        <paramdef name="s" col="1" static="yes" value="5"/>
        <paramdef name="shared" col="0"/>
        <paramdef name="orphan" col="2" outname="nowhere"/>)");
    // Before the first build a copy starts from the definitions' values.
    TFloatMatrix early = space->CopyValues();
    ASSERT_EQ(early.size(), 3u);
    EXPECT_EQ(*early[1][0], 5);
    space->FreeValues(early);
    EXPECT_TRUE(early.empty());

    parent->SetParentSpace(nullptr);
    space->SetParentSpace(parent);
    space->SetValue("s", 3);
    space->SetValue("orphan", 8);
    TFloatMatrix copy = space->CopyValues();
    EXPECT_EQ(*copy[1][0], 3);
    EXPECT_EQ(*copy[2][0], 8);
    *copy[1][0] = 6;
    *copy[2][0] = 2;
    EXPECT_EQ(space->GetValue("s"), 3);
    EXPECT_EQ(space->GetValue("orphan"), 8);
    // The linked entry is the parent's cell.
    EXPECT_EQ(copy[0][0], parent->GetValuePtr(0, 0));
    *copy[0][0] = 4;
    EXPECT_EQ(parent->GetValue("shared"), 4);

    // A moved table is still found; freeing its duplicate afterwards, or a
    // table of another space, frees nothing (the sanitizer build checks).
    std::vector<TFloatMatrix> tables;
    tables.push_back(std::move(copy));
    TFloatMatrix duplicate = tables[0];
    space->FreeValues(tables[0]);
    space->FreeValues(duplicate);
    TFloatMatrix foreign = parent->CopyValues();
    space->FreeValues(foreign);
    EXPECT_TRUE(foreign.empty());
    space->ReleaseParentSpace();
    parent->ReleaseParentSpace();
}

TEST(ParamSpaces, ATableFreesExactlyTheCellsItOwns) {
    // Each of these changes leaves definitions that no longer match the
    // table; releasing and rebuilding must neither free a cell twice nor
    // free the parent's cell (the sanitizer build checks).
    Ref<TParamSpace> parent = LoadSpace(R"(<paramdef name="p" col="0" static="yes" value="1"/>)");
    parent->SetParentSpace(nullptr);
    Ref<TParamSpace> space = NewSpace();
    Ref<IParamDef> first = space->AddParamDef("first", 0, 0, true, "", 1);
    Ref<IParamDef> second = space->AddParamDef("second", 0, 0, true, "", 2);
    Ref<IParamDef> link = space->AddParamDef("link", 1, 0, false, "p", 0);
    space->SetParentSpace(parent);
    // Two definitions at one position: the later one has the cell.
    EXPECT_EQ(space->GetParamDefs()->GetItemAt(0, 0)->GetName(), "second");
    EXPECT_EQ(space->GetValueAt(0, 0), 2);
    EXPECT_EQ(space->GetValuePtr(1, 0), parent->GetValuePtr(0, 0));
    TFloatMatrix copy = space->CopyValues();

    link->SetStatic(true);  // the table still aliases the parent's cell
    second->SetRow(5);      // moved below the built column
    first->SetCol(3);
    space->FreeValues(copy);
    space->ReleaseParentSpace();
    EXPECT_EQ(parent->GetValue("p"), 1);

    // The next build follows the definitions as they are now.
    space->SetParentSpace(parent);
    EXPECT_EQ(space->GetRowCount(0), 6);
    EXPECT_EQ(space->GetValueAt(0, 5), 2);
    EXPECT_EQ(space->GetValueAt(3, 0), 1);
    EXPECT_NE(space->GetValuePtr(1, 0), parent->GetValuePtr(0, 0));
    // A definition moved outside the bounds by code gets no cell.
    second->SetRow(-5);
    space->SetParentSpace(parent);
    EXPECT_EQ(space->GetRowCount(0), 0);
    space->ReleaseParentSpace();
    parent->ReleaseParentSpace();
}

TEST(ParamSpaces, SaveAndLoadKeepRowsAndLinks) {
    Ref<TParamSpace> space = LoadSpace(R"(
        <paramdef name="late" col="1" row="3" static="yes" value="2"/>
        <paramdef name="early" col="1" row="0" static="yes" value="1.5"/>
        <paramdef name="bypos" col="0" row="1" outcol="2" outrow="0"/>
        <paramdef name="byname" col="0" row="0" outname="x"/>
        <paramdef name="own" col="2" row="0"/>)");
    const std::string text = SaveToText(space, "paramspace");
    EXPECT_NE(text.find(R"(outrow="0" outcol="2")"), std::string::npos) << text;
    Ref<TParamSpace> again = NewSpace();
    again->Load(Storage(text));
    ASSERT_EQ(again->GetParamDefs()->GetCount(), 5);
    for (const char* name : {"late", "early", "bypos", "byname", "own"}) {
        SCOPED_TRACE(name);
        Ref<IParamDef> a = DefNamed(space, name);
        Ref<IParamDef> b = DefNamed(again, name);
        ASSERT_TRUE(b);
        EXPECT_EQ(b->GetRow(), a->GetRow());
        EXPECT_EQ(b->GetCol(), a->GetCol());
        EXPECT_EQ(b->GetStatic(), a->GetStatic());
        EXPECT_EQ(b->GetValue(), a->GetValue());
        EXPECT_EQ(b->GetOutName(), a->GetOutName());
        EXPECT_EQ(b->GetOutRow(), a->GetOutRow());
        EXPECT_EQ(b->GetOutCol(), a->GetOutCol());
    }
    EXPECT_EQ(SaveToText(again, "paramspace"), text);
}

}  // namespace
