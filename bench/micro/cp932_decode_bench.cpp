// Speed of the CP932 decoder and of the conversion to UTF-8, in bytes of CP932 per
// second.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <string>
#include <string_view>

#include "sample_text.h"
#include "text/cp932.h"

namespace {

// Line by line, as names and log lines are decoded: mostly ASCII, short calls.
void BM_DecodeCp932LogLines(benchmark::State& state) {
  const std::string text =
      bench_sample::repeatLines(bench_sample::kLogLines, bench_sample::kCorpusBytes);
  const auto lines = bench_sample::splitLines(text);
  for (auto _ : state) {
    for (std::string_view line : lines) benchmark::DoNotOptimize(decodeCp932(line));
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * text.size()));
}
BENCHMARK(BM_DecodeCp932LogLines);

// One large call on the whole diagnostic log.
void BM_DecodeCp932WholeLog(benchmark::State& state) {
  const std::string text =
      bench_sample::repeatLines(bench_sample::kLogLines, bench_sample::kCorpusBytes);
  for (auto _ : state) benchmark::DoNotOptimize(decodeCp932(text));
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * text.size()));
}
BENCHMARK(BM_DecodeCp932WholeLog);

// Two-byte characters only: the table lookups dominate.
void BM_DecodeCp932Japanese(benchmark::State& state) {
  std::string text;
  while (text.size() < bench_sample::kCorpusBytes) text += bench_sample::kJapaneseCp932;
  for (auto _ : state) benchmark::DoNotOptimize(decodeCp932(text));
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * text.size()));
}
BENCHMARK(BM_DecodeCp932Japanese);

// Converts `text` to UTF-8 into a reused buffer, as the log conversion does.
void convertToUtf8(benchmark::State& state, const std::string& text) {
  std::string out;
  for (auto _ : state) {
    out.clear();
    appendCp932AsUtf8(text, out);
    benchmark::DoNotOptimize(out.data());
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * text.size()));
}

// The log conversion: the whole log straight to UTF-8.
void BM_Cp932ToUtf8WholeLog(benchmark::State& state) {
  convertToUtf8(state, bench_sample::repeatLines(bench_sample::kLogLines,
                                                 bench_sample::kCorpusBytes));
}
BENCHMARK(BM_Cp932ToUtf8WholeLog);

// The log conversion on double-byte characters only: the loop over pairs alone.
void BM_Cp932ToUtf8Japanese(benchmark::State& state) {
  std::string text;
  while (text.size() < bench_sample::kCorpusBytes) text += bench_sample::kJapaneseCp932;
  convertToUtf8(state, text);
}
BENCHMARK(BM_Cp932ToUtf8Japanese);

}  // namespace
