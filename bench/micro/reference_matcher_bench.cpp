// Speed of the three line patterns on script text, in bytes of script per second.
#include <benchmark/benchmark.h>

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "sample_text.h"
#include "script/script_patterns.h"

namespace {

std::size_t totalBytes(const std::vector<std::string_view>& lines) {
  std::size_t bytes = 0;
  for (std::string_view line : lines) bytes += line.size();
  return bytes;
}

// Every reference of every line, found the way the scan walks a line.
void BM_FindImageReferencesInScript(benchmark::State& state) {
  const std::string text =
      bench_sample::repeatLines(bench_sample::kScriptLines, bench_sample::kCorpusBytes);
  const auto lines = bench_sample::splitLines(text);
  std::size_t found = 0;
  for (auto _ : state) {
    for (std::string_view line : lines) {
      std::size_t from = 0;
      while (auto match = findImageReference(line, from)) {
        from = static_cast<std::size_t>(match->data() - line.data()) + match->size();
        ++found;
      }
    }
    benchmark::DoNotOptimize(found);
  }
  state.SetBytesProcessed(
      static_cast<std::int64_t>(state.iterations() * totalBytes(lines)));
}
BENCHMARK(BM_FindImageReferencesInScript);

// The tag and folder patterns, once per line as a line with references needs them.
void BM_FindFolderHintInScript(benchmark::State& state) {
  const std::string text =
      bench_sample::repeatLines(bench_sample::kScriptLines, bench_sample::kCorpusBytes);
  const auto lines = bench_sample::splitLines(text);
  std::size_t hints = 0;
  for (auto _ : state) {
    for (std::string_view line : lines) {
      if (auto attributes = findTagAttributes(line)) {
        if (findFolderValue(*attributes)) ++hints;
      }
    }
    benchmark::DoNotOptimize(hints);
  }
  state.SetBytesProcessed(
      static_cast<std::int64_t>(state.iterations() * totalBytes(lines)));
}
BENCHMARK(BM_FindFolderHintInScript);

// One long run of name characters that never ends in an extension: a matcher that
// restarts at each position is quadratic here, so bytes/s falls as the line grows.
void BM_FindImageReferenceLongRun(benchmark::State& state) {
  std::string line;
  while (line.size() < static_cast<std::size_t>(state.range(0))) line += "a-b.c/d\\";
  line += "png";
  for (auto _ : state) {
    benchmark::DoNotOptimize(findImageReference(line, 0));
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * line.size()));
}
BENCHMARK(BM_FindImageReferenceLongRun)->RangeMultiplier(8)->Range(1 << 10, 1 << 19);

// A long line of dialogue and inline tags whose only image tag comes last: the
// tag search has to pass every "[" on the way.
void BM_FindTagAttributesLongLine(benchmark::State& state) {
  std::string line;
  while (line.size() < static_cast<std::size_t>(state.range(0))) {
    line += "[r]「まだ話は[bg]終わってない[image]よ？」[l]";
  }
  line += "[image storage=\"a.png\" folder=\"data/fgimage\"]";
  for (auto _ : state) {
    benchmark::DoNotOptimize(findTagAttributes(line));
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * line.size()));
}
BENCHMARK(BM_FindTagAttributesLongLine)->RangeMultiplier(8)->Range(1 << 10, 1 << 19);

}  // namespace
