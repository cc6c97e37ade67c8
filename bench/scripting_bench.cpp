// Costs of the scripting core: a call by name through FB::JSAPIAuto against
// a hand-written map-and-function dispatch doing the same conversions, and
// the basic variant operations.
#include <functional>
#include <map>
#include <memory>
#include <string>

#include <benchmark/benchmark.h>

#include "scripting/jsapi_auto.h"

namespace {

class Adder : public FB::JSAPIAuto {
 public:
  Adder() {
    addMethod("add", FB::makeMethod(this, &Adder::add));
    for (int i = 0; i < 20; ++i) addMethod("filler" + std::to_string(i), FB::makeMethod(this, &Adder::add));
  }
  int add(int a, int b) { return a + b; }
};

void CallMethodThroughJSAPIAuto(benchmark::State& state) {
  auto object = std::make_shared<Adder>();
  const std::string name = "add";
  const FB::VariantVector args{2, 3.0};
  for (auto _ : state) {
    FB::variant result = object->callMethod(name, args);
    benchmark::DoNotOptimize(result);
  }
}
BENCHMARK(CallMethodThroughJSAPIAuto);

// The baseline: a map of plain callables, converting by hand.
void CallMethodThroughPlainMap(benchmark::State& state) {
  auto adder = std::make_shared<Adder>();
  std::map<std::string, std::function<FB::variant(const FB::VariantVector&)>> methods;
  auto add = [adder](const FB::VariantVector& args) -> FB::variant {
    if (args.size() != 2) throw FB::invalid_arguments();
    return adder->add(args[0].convertTo<int>(), args[1].convertTo<int>());
  };
  methods["add"] = add;
  for (int i = 0; i < 20; ++i) methods["filler" + std::to_string(i)] = add;
  const std::string name = "add";
  const FB::VariantVector args{2, 3.0};
  for (auto _ : state) {
    FB::variant result = methods.find(name)->second(args);
    benchmark::DoNotOptimize(result);
  }
}
BENCHMARK(CallMethodThroughPlainMap);

void VariantCopyString(benchmark::State& state) {
  FB::variant source(std::string("a text of some forty characters or so...."));
  for (auto _ : state) {
    FB::variant copy(source);
    benchmark::DoNotOptimize(copy);
  }
}
BENCHMARK(VariantCopyString);

void VariantCopyInt(benchmark::State& state) {
  FB::variant source(42);
  for (auto _ : state) {
    FB::variant copy(source);
    benchmark::DoNotOptimize(copy);
  }
}
BENCHMARK(VariantCopyInt);

void ConvertDoubleToString(benchmark::State& state) {
  FB::variant source(3.25);
  for (auto _ : state) benchmark::DoNotOptimize(source.convertTo<std::string>());
}
BENCHMARK(ConvertDoubleToString);

void ConvertStringToString(benchmark::State& state) {
  FB::variant source(std::string("text"));
  for (auto _ : state) benchmark::DoNotOptimize(source.convertTo<std::string>());
}
BENCHMARK(ConvertStringToString);

void ConvertDoubleToInt(benchmark::State& state) {
  FB::variant source(3.25);
  for (auto _ : state) benchmark::DoNotOptimize(source.convertTo<int>());
}
BENCHMARK(ConvertDoubleToInt);

void ConvertStringToInt(benchmark::State& state) {
  FB::variant source(std::string("1234"));
  for (auto _ : state) benchmark::DoNotOptimize(source.convertTo<int>());
}
BENCHMARK(ConvertStringToInt);

}  // namespace

BENCHMARK_MAIN();
