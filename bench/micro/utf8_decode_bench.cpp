// Speed of the UTF-8 decoding, validation, repair and log excerpts, in bytes of UTF-8
// per second.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "sample_text.h"
#include "text/conversions.h"
#include "text/utf8.h"

namespace {

std::string scriptText() {
  return bench_sample::repeatLines(bench_sample::kScriptLines,
                                   bench_sample::kCorpusBytes);
}

// Script text with a broken sequence every few hundred bytes, so the repair path
// is taken as well as the fast one.
std::string damagedScriptText() {
  std::string text = scriptText();
  for (std::size_t i = 300; i < text.size(); i += 400) {
    if (static_cast<unsigned char>(text[i]) >= 0x80) text[i] = '\xC0';
  }
  return text;
}

void BM_DecodeUtf8Lines(benchmark::State& state) {
  const std::string text = scriptText();
  const auto lines = bench_sample::splitLines(text);
  for (auto _ : state) {
    for (std::string_view line : lines) benchmark::DoNotOptimize(decodeUtf8(line));
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * text.size()));
}
BENCHMARK(BM_DecodeUtf8Lines);

void BM_DecodeUtf8Whole(benchmark::State& state) {
  const std::string text = scriptText();
  for (auto _ : state) benchmark::DoNotOptimize(decodeUtf8(text));
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * text.size()));
}
BENCHMARK(BM_DecodeUtf8Whole);

void BM_IsValidUtf8(benchmark::State& state) {
  const std::string text = scriptText();
  for (auto _ : state) benchmark::DoNotOptimize(isValidUtf8(text));
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * text.size()));
}
BENCHMARK(BM_IsValidUtf8);

// The reading path of a script: each line checked and copied (or repaired).
void BM_SanitizeUtf8Lines(benchmark::State& state) {
  const std::string text = scriptText();
  const auto lines = bench_sample::splitLines(text);
  std::string out;
  for (auto _ : state) {
    for (std::string_view line : lines) {
      benchmark::DoNotOptimize(sanitizeUtf8(line, out));
      benchmark::DoNotOptimize(out.data());
    }
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * text.size()));
}
BENCHMARK(BM_SanitizeUtf8Lines);

void BM_SanitizeUtf8Damaged(benchmark::State& state) {
  const std::string text = damagedScriptText();
  std::string out;
  for (auto _ : state) {
    benchmark::DoNotOptimize(sanitizeUtf8(text, out));
    benchmark::DoNotOptimize(out.data());
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * text.size()));
}
BENCHMARK(BM_SanitizeUtf8Damaged);

// The excerpt of every script line in the diagnostic log: its first 20 bytes made
// CP932, appended to the trace line being built.
void BM_LogExcerpts(benchmark::State& state) {
  const std::string text =
      bench_sample::repeatLines(bench_sample::kScriptLines, bench_sample::kCorpusBytes);
  const auto lines = bench_sample::splitLines(text);
  std::string trace;
  for (auto _ : state) {
    for (std::string_view line : lines) {
      trace.clear();
      appendUtf8ToCp932ForLog(line.substr(0, 20), trace);
      benchmark::DoNotOptimize(trace.data());
    }
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * text.size()));
}
BENCHMARK(BM_LogExcerpts);

// Native paths of references: wide text of about 40 characters, Japanese names
// among ASCII folders, appended as UTF-8 to a reused string. Bytes are those of
// the UTF-8 result.
void BM_EncodeUtf8Paths(benchmark::State& state) {
  std::vector<std::wstring> wPaths;
  std::size_t bytes = 0;
  for (std::string_view line : bench_sample::kScriptLines) {
    std::wstring wPath = L"data/fgimage/" + decodeUtf8(line);
    wPath.resize(std::min<std::size_t>(wPath.size(), 40));
    bytes += encodeUtf8Lenient(wPath).size();
    wPaths.push_back(std::move(wPath));
  }
  std::string out;
  for (auto _ : state) {
    for (const std::wstring& wPath : wPaths) {
      out.clear();
      appendUtf8Lenient(wPath, out);
      benchmark::DoNotOptimize(out.data());
    }
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * bytes));
}
BENCHMARK(BM_EncodeUtf8Paths);

}  // namespace
