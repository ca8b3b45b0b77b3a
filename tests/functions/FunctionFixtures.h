// Building, loading and saving function objects in the function tests.
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "core/storage/XMLStorage.h"
#include "functions/FunctionClasses.h"

// The root element of an XML text.
inline Ref<IHierStorage> Storage(const std::string& xml) {
    return LoadStorageFromXML(xml);
}

// The object an element describes, by its "type"; null when it is no
// function.
inline Ref<IFunction> LoadFunction(const std::string& xml) {
    return Query<IFunction>(CreateObjectFromStorage(Storage(xml)));
}

// The object saved into a new document, as XML text.
inline std::string SaveToText(const Ref<IInterface>& object, const std::string& rootName) {
    Ref<IHierStorage> root = Query<IHierStorage>(CreateStorage(rootName));
    SavePersistObject(object, root);
    std::string text;
    Query<IHierStorageRoot>(root)->SaveToXML(text);
    return text;
}

// A function of a registered class.
inline Ref<IFunction> NewFunction(const std::string& type) {
    return Query<IFunction>(CreateObjectByName(type));
}

// A static definition.
inline void Def(const Ref<IFunction>& function, const std::string& name, int32_t column,
                int32_t row, float value) {
    function->GetParamSpace()->AddParamDef(name, column, row, true, "", value);
}

// prefix followed by n ("a" + std::to_string(n) draws a false -Wrestrict
// warning from g++ 12 at -O2).
inline std::string Numbered(std::string prefix, size_t n) {
    prefix += std::to_string(n);
    return prefix;
}

// Fills columns 1, 2, ... of a function with static cells (a column given no
// values has no rows but still counts when a later column has some).
inline void FillColumns(const Ref<IFunction>& function,
                        const std::vector<std::vector<float>>& columns) {
    for (size_t c = 0; c < columns.size(); ++c) {
        for (size_t r = 0; r < columns[c].size(); ++r) {
            Def(function, Numbered(Numbered("a", c + 1) + "_", r), int32_t(c + 1), int32_t(r),
                columns[c][r]);
        }
    }
}

// The calls that recording functions saw, in order ("calc:name",
// "statics:name").
inline std::vector<std::string>& RecordedCalls() {
    static std::vector<std::string> calls;
    return calls;
}

// "test_recorder": records its Calculate and its CalculateStatics, and copies
// cell (2, 0) to output 0 when calculated.
class TRecordingFunction : public TFunction {
public:
    void Calculate() override {
        RecordedCalls().push_back("calc:" + Name());
        SetCell(0, 0, Cell(2, 0));
    }
    void CalculateStatics() override { RecordedCalls().push_back("statics:" + Name()); }
};

inline void RegisterRecorder() {
    RegisterObjectClass(ClassOf<TRecordingFunction>(), "test_recorder");
}
