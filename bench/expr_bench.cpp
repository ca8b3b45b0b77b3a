// The expression parser against muParser on the same expressions, variables
// bound by pointer in both: evaluation of one compiled expression, and the
// compile a function object does at every attach (clear, bind the variables,
// compile a five-line body, and for muParser the first Eval, which parses).
//
// Run interleaved for side-by-side medians:
//   expr_bench --benchmark_repetitions=15 --benchmark_enable_random_interleaving=true
//              --benchmark_report_aggregates_only=true
#include <benchmark/benchmark.h>
#include <muParser.h>

#include <string>
#include <vector>

#include "functions/ParseExpr.h"

namespace {

// The cells of both parsers: floats for ours, doubles for muParser.
struct TCells {
    float t = 0, x = 2, y = 0, x1 = 10, x2 = 90, tt = 1000, a = 1, b = 2, c = 3, d = 4;
    float vx = 0, vy = 0, ax = 1e-3f, ay = -2e-3f, dt = 1, px = 0, py = 0, alpha = 0, age = 100,
          life = 5000;
};
struct TDoubleCells {
    double t = 0, x = 2, y = 0, x1 = 10, x2 = 90, tt = 1000, a = 1, b = 2, c = 3, d = 4;
    double vx = 0, vy = 0, ax = 1e-3, ay = -2e-3, dt = 1, px = 0, py = 0, alpha = 0, age = 100,
           life = 5000;
};

struct TExpressionPair {
    const char* ours;
    const char* muparser;
};

// Eval case 3 is the five-line body of a particle's update function, case 4
// a square.
const TExpressionPair kExpressions[] = {
    {"y := 2*sin(t) + x*x - 3", "y = 2*sin(t) + x*x - 3"},
    {"x := x1 + (x2 - x1)*t/tt", "x = x1 + (x2 - x1)*t/tt"},
    {"y := if(t > 500, a, b)*c + d", "y = (t > 500 ? a : b)*c + d"},
    {"vx := vx + ax*dt\n"
     "vy := vy + ay*dt\n"
     "px := px + vx*dt\n"
     "py := py + vy*dt\n"
     "alpha := max(0, 1 - age/life)",
     "vx = vx + ax*dt, vy = vy + ay*dt, px = px + vx*dt, py = py + vy*dt, "
     "alpha = max(0, 1 - age/life)"},
    // A square written as the function call, against muParser's operator.
    {"y := pow(b, 2)", "y = b^2"},
};

template <class Define, class Cells>
void BindAll(Define define, Cells& c) {
    define("t", &c.t);
    define("x", &c.x);
    define("y", &c.y);
    define("x1", &c.x1);
    define("x2", &c.x2);
    define("tt", &c.tt);
    define("a", &c.a);
    define("b", &c.b);
    define("c", &c.c);
    define("d", &c.d);
    define("vx", &c.vx);
    define("vy", &c.vy);
    define("ax", &c.ax);
    define("ay", &c.ay);
    define("dt", &c.dt);
    define("px", &c.px);
    define("py", &c.py);
    define("alpha", &c.alpha);
    define("age", &c.age);
    define("life", &c.life);
}

void BindOurs(TExpressionParser& parser, TCells& cells) {
    BindAll([&](const char* name, float* cell) { parser.DefineVariable(name, cell); }, cells);
}

void BindMuParser(mu::Parser& parser, TDoubleCells& cells) {
    BindAll([&](const char* name, double* cell) { parser.DefineVar(name, cell); }, cells);
}

void BM_Eval_Quillmarch(benchmark::State& state) {
    TCells cells;
    TExpressionParser parser;
    parser.SetDecimalSeparator('.');
    parser.SetArgSeparator(',');
    BindOurs(parser, cells);
    parser.SetExpressionLines(kExpressions[state.range(0)].ours);
    for (auto _ : state) {
        cells.t = cells.t < 1000 ? cells.t + 1 : 0;
        benchmark::DoNotOptimize(parser.Execute());
    }
}

void BM_Eval_MuParser(benchmark::State& state) {
    TDoubleCells cells;
    mu::Parser parser;
    BindMuParser(parser, cells);
    parser.SetExpr(kExpressions[state.range(0)].muparser);
    parser.Eval();
    for (auto _ : state) {
        cells.t = cells.t < 1000 ? cells.t + 1 : 0;
        benchmark::DoNotOptimize(parser.Eval());
    }
}

// Recompiling an existing parser, as a function object does at attach.
void BM_Compile_Quillmarch(benchmark::State& state) {
    TCells cells;
    TExpressionParser parser;
    parser.SetDecimalSeparator('.');
    parser.SetArgSeparator(',');
    const char* text = kExpressions[state.range(0)].ours;
    for (auto _ : state) {
        parser.ClearExpressions();
        BindOurs(parser, cells);
        parser.SetExpressionLines(text);
        benchmark::DoNotOptimize(parser.GetExpressionCount());
    }
}

void BM_Compile_MuParser(benchmark::State& state) {
    TDoubleCells cells;
    mu::Parser parser;
    const char* text = kExpressions[state.range(0)].muparser;
    for (auto _ : state) {
        parser.ClearVar();
        BindMuParser(parser, cells);
        parser.SetExpr(text);
        benchmark::DoNotOptimize(parser.Eval());
    }
}

// A parser made from nothing (a function object made from data makes one).
void BM_Construct_Quillmarch(benchmark::State& state) {
    for (auto _ : state) {
        TExpressionParser parser;
        benchmark::DoNotOptimize(&parser);
    }
}

void BM_Construct_MuParser(benchmark::State& state) {
    for (auto _ : state) {
        mu::Parser parser;
        benchmark::DoNotOptimize(&parser);
    }
}

// Many distinct names: one expression naming N new variables ("n0 + n1 +
// ..."), each added to the dictionary as it is met; and N variables bound one
// by one. The time per name should not grow with N.
std::string SumOfNames(int64_t count) {
    std::string text;
    for (int64_t i = 0; i < count; ++i) text += (i ? "+n" : "n") + std::to_string(i);
    return text;
}

void BM_ManyNames_Compile(benchmark::State& state) {
    const std::string text = SumOfNames(state.range(0));
    for (auto _ : state) {
        TExpressionParser parser;
        parser.SetDecimalSeparator('.');
        parser.SetArgSeparator(',');
        benchmark::DoNotOptimize(parser.CompileExpression(text));
    }
    state.SetItemsProcessed(state.iterations() * state.range(0));
}

void BM_ManyNames_Define(benchmark::State& state) {
    std::vector<std::string> names;
    for (int64_t i = 0; i < state.range(0); ++i) names.push_back("v" + std::to_string(i));
    float cell = 0;
    for (auto _ : state) {
        TExpressionParser parser;
        for (const std::string& name : names) parser.DefineVariable(name, &cell);
        benchmark::DoNotOptimize(parser.WordsList().Count());
    }
    state.SetItemsProcessed(state.iterations() * state.range(0));
}

}  // namespace

BENCHMARK(BM_ManyNames_Compile)->Arg(10000)->Arg(100000)->Arg(1000000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ManyNames_Define)->Arg(10000)->Arg(100000)->Arg(1000000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Eval_Quillmarch)->DenseRange(0, 4);
BENCHMARK(BM_Eval_MuParser)->DenseRange(0, 4);
BENCHMARK(BM_Compile_Quillmarch)->Arg(0)->Arg(3);
BENCHMARK(BM_Compile_MuParser)->Arg(0)->Arg(3);
BENCHMARK(BM_Construct_Quillmarch);
BENCHMARK(BM_Construct_MuParser);
