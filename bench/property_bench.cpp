// Properties by name: a lookup in a class's flattened property table against
// a direct call and against the if-chain the tables replace. The widget here
// has 40 entries: 20 from its base class and 20 of its own, half of them a
// getter and setter pair.
#include <benchmark/benchmark.h>

#include <string>

#include "core/persist/EngineGeneralClasses.h"

namespace {

class TBenchBase : public TPropertyObject {
public:
    static const TPropertyTable& Table() {
        static const TPropertyTable table =
            TPropertyTable::Builder<TBenchBase>(TPropertyObject::Table())
                .Field("p0", &TBenchBase::p0_, 0)
                .Field("p1", &TBenchBase::p1_, 1)
                .Field("p2", &TBenchBase::p2_, 2)
                .Field("p3", &TBenchBase::p3_, 3)
                .Field("p4", &TBenchBase::p4_, 4)
                .Field("p5", &TBenchBase::p5_, 5)
                .Field("p6", &TBenchBase::p6_, 6)
                .Field("p7", &TBenchBase::p7_, 7)
                .Field("p8", &TBenchBase::p8_, 8)
                .Field("p9", &TBenchBase::p9_, 9)
                .Field("p10", &TBenchBase::p10_, 10)
                .Field("p11", &TBenchBase::p11_, 11)
                .Field("p12", &TBenchBase::p12_, 12)
                .Field("p13", &TBenchBase::p13_, 13)
                .Field("p14", &TBenchBase::p14_, 14)
                .Field("p15", &TBenchBase::p15_, 15)
                .Field("p16", &TBenchBase::p16_, 16)
                .Field("p17", &TBenchBase::p17_, 17)
                .Field("p18", &TBenchBase::p18_, 18)
                .Field("p19", &TBenchBase::p19_, 19)
                .Build();
        return table;
    }
    const TPropertyTable& GetPropertyTable() const override { return Table(); }

    int32_t p0_ = 0;
    int32_t p1_ = 1;
    int32_t p2_ = 2;
    int32_t p3_ = 3;
    int32_t p4_ = 4;
    int32_t p5_ = 5;
    int32_t p6_ = 6;
    int32_t p7_ = 7;
    int32_t p8_ = 8;
    int32_t p9_ = 9;
    int32_t p10_ = 10;
    int32_t p11_ = 11;
    int32_t p12_ = 12;
    int32_t p13_ = 13;
    int32_t p14_ = 14;
    int32_t p15_ = 15;
    int32_t p16_ = 16;
    int32_t p17_ = 17;
    int32_t p18_ = 18;
    int32_t p19_ = 19;
};

class TBenchWidget : public TBenchBase {
public:
    virtual double GetLeft() { return left_; }
    virtual void SetLeft(double left) { left_ = left; }

    static const TPropertyTable& Table() {
        static const TPropertyTable table =
            TPropertyTable::Builder<TBenchWidget>(TBenchBase::Table())
                .Field("q0", &TBenchWidget::q0_, 0.0)
                .Field("q1", &TBenchWidget::q1_, 0.0)
                .Field("q2", &TBenchWidget::q2_, 0.0)
                .Field("q3", &TBenchWidget::q3_, 0.0)
                .Field("q4", &TBenchWidget::q4_, 0.0)
                .Field("q5", &TBenchWidget::q5_, 0.0)
                .Field("q6", &TBenchWidget::q6_, 0.0)
                .Field("q7", &TBenchWidget::q7_, 0.0)
                .Field("q8", &TBenchWidget::q8_, 0.0)
                .Field("q9", &TBenchWidget::q9_, 0.0)
                .Accessor("a0", &TBenchWidget::GetLeft, &TBenchWidget::SetLeft, 0.0)
                .Accessor("a1", &TBenchWidget::GetLeft, &TBenchWidget::SetLeft, 0.0)
                .Accessor("a2", &TBenchWidget::GetLeft, &TBenchWidget::SetLeft, 0.0)
                .Accessor("a3", &TBenchWidget::GetLeft, &TBenchWidget::SetLeft, 0.0)
                .Accessor("a4", &TBenchWidget::GetLeft, &TBenchWidget::SetLeft, 0.0)
                .Accessor("a5", &TBenchWidget::GetLeft, &TBenchWidget::SetLeft, 0.0)
                .Accessor("a6", &TBenchWidget::GetLeft, &TBenchWidget::SetLeft, 0.0)
                .Accessor("a7", &TBenchWidget::GetLeft, &TBenchWidget::SetLeft, 0.0)
                .Accessor("a8", &TBenchWidget::GetLeft, &TBenchWidget::SetLeft, 0.0)
                .Accessor("a9", &TBenchWidget::GetLeft, &TBenchWidget::SetLeft, 0.0)
                .Build();
        return table;
    }
    const TPropertyTable& GetPropertyTable() const override { return Table(); }

    // What a class without a table writes: one comparison per name.
    Variant GetByChain(const std::string& name) {
        if (name == "p0") return Variant(p0_);
        if (name == "p1") return Variant(p0_);
        if (name == "p2") return Variant(p0_);
        if (name == "p3") return Variant(p0_);
        if (name == "p4") return Variant(p0_);
        if (name == "p5") return Variant(p0_);
        if (name == "p6") return Variant(p0_);
        if (name == "p7") return Variant(p0_);
        if (name == "p8") return Variant(p0_);
        if (name == "p9") return Variant(p0_);
        if (name == "p10") return Variant(p0_);
        if (name == "p11") return Variant(p0_);
        if (name == "p12") return Variant(p0_);
        if (name == "p13") return Variant(p0_);
        if (name == "p14") return Variant(p0_);
        if (name == "p15") return Variant(p0_);
        if (name == "p16") return Variant(p0_);
        if (name == "p17") return Variant(p0_);
        if (name == "p18") return Variant(p0_);
        if (name == "p19") return Variant(p0_);
        if (name == "q0") return Variant(p0_);
        if (name == "q1") return Variant(p0_);
        if (name == "q2") return Variant(p0_);
        if (name == "q3") return Variant(p0_);
        if (name == "q4") return Variant(p0_);
        if (name == "q5") return Variant(p0_);
        if (name == "q6") return Variant(p0_);
        if (name == "q7") return Variant(p0_);
        if (name == "q8") return Variant(p0_);
        if (name == "q9") return Variant(p0_);
        if (name == "a0") return Variant(p0_);
        if (name == "a1") return Variant(p0_);
        if (name == "a2") return Variant(p0_);
        if (name == "a3") return Variant(p0_);
        if (name == "a4") return Variant(p0_);
        if (name == "a5") return Variant(p0_);
        if (name == "a6") return Variant(p0_);
        if (name == "a7") return Variant(p0_);
        if (name == "a8") return Variant(p0_);
        if (name == "a9") return Variant(GetLeft());
        return Variant::Null();
    }

    double q0_ = 0;
    double q1_ = 0;
    double q2_ = 0;
    double q3_ = 0;
    double q4_ = 0;
    double q5_ = 0;
    double q6_ = 0;
    double q7_ = 0;
    double q8_ = 0;
    double q9_ = 0;
    double left_ = 0;
};

// The last entry: a getter pair declared last, so the if-chain walks all 40
// names before it.
const std::string kName = "a9";

void BM_GetPropertyByName(benchmark::State& state) {
    Ref<TBenchWidget> widget = CreateObject<TBenchWidget>();
    Ref<IPropertyObject> props = widget;
    for (auto _ : state) benchmark::DoNotOptimize(props->GetProperty(kName));
}
BENCHMARK(BM_GetPropertyByName);

void BM_GetPropertyByIfChain(benchmark::State& state) {
    Ref<TBenchWidget> widget = CreateObject<TBenchWidget>();
    for (auto _ : state) benchmark::DoNotOptimize(widget->GetByChain(kName));
}
BENCHMARK(BM_GetPropertyByIfChain);

void BM_GetDirect(benchmark::State& state) {
    Ref<TBenchWidget> widget = CreateObject<TBenchWidget>();
    for (auto _ : state) benchmark::DoNotOptimize(Variant(widget->GetLeft()));
}
BENCHMARK(BM_GetDirect);

void BM_SetPropertyByName(benchmark::State& state) {
    Ref<TBenchWidget> widget = CreateObject<TBenchWidget>();
    Ref<IPropertyObject> props = widget;
    const Variant value(2.5);
    for (auto _ : state) {
        props->SetProperty(kName, value);
        benchmark::ClobberMemory();
    }
}
BENCHMARK(BM_SetPropertyByName);

void BM_SetDirect(benchmark::State& state) {
    Ref<TBenchWidget> widget = CreateObject<TBenchWidget>();
    const Variant value(2.5);
    for (auto _ : state) {
        widget->SetLeft(value.ToDouble());
        benchmark::ClobberMemory();
    }
}
BENCHMARK(BM_SetDirect);

}  // namespace
