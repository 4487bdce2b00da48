// Cost of did-you-mean: the table of stems made once, then one query per missing
// reference, against a tree shaped like the large generated project (numbered
// sprites and event pictures in many folders).
#include <benchmark/benchmark.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "images/similar_names.h"

namespace fs = std::filesystem;

namespace {

const char* const kCharacters[] = {"aoi", "misaki", "yuma", "ren", "sora", "hikari"};
const char* const kParts[] = {"face", "pose", "cos"};
const char* const kFaces[] = {"normal", "smile", "angry", "sad", "shy"};

// A tree of `count` empty images, made once per process.
const fs::path& sampleTree(int count) {
  static const fs::path root = [count] {
    fs::path folder = fs::temp_directory_path() / "kic_similar_names_bench";
    fs::remove_all(folder);
    for (int i = 0; i < count; ++i) {
      const std::string key = kCharacters[i % 6];
      const std::string part = kParts[(i / 6) % 3];
      fs::path file = i % 4 == 3
                          ? folder / "ev" / std::to_string(i % 7) /
                                ("ev_" + std::to_string(10000 + i).substr(1) + ".jpg")
                          : folder / key / part /
                                (key + "_" + part + "_" + kFaces[i % 5] + "_" +
                                 std::to_string(100000 + i).substr(1) + ".png");
      fs::create_directories(file.parent_path());
      std::ofstream(file).put('x');
    }
    return folder;
  }();
  return root;
}

// Missing names: typos of real ones, and names like nothing on disk.
std::vector<std::string> queries(int count) {
  std::mt19937 random(7);
  std::vector<std::string> names;
  for (int i = 0; i < count; ++i) {
    const std::string key = kCharacters[i % 6];
    if (i % 2 == 0) {
      names.push_back(key + "_face_smlie_" + std::to_string(100000 + i * 37).substr(1) +
                      ".png");
    } else {
      names.push_back("old_" + key + "_" + std::to_string(100000 + i).substr(1) + ".png");
    }
  }
  return names;
}

void BM_SimilarFilesPerMissingReference(benchmark::State& state) {
  const fs::path& root = sampleTree(20000);
  std::ostringstream log;
  ImageIndex index = buildImageIndex(root, log);
  const std::vector<std::string> names = queries(1000);
  std::vector<ImageIndex::Name> natives;
  for (const auto& name : names) natives.push_back(fs::path(name).native());
  similarFiles(index, natives[0]);  // the table is made once per run
  std::size_t found = 0;
  for (auto _ : state) {
    for (const auto& name : natives) found += similarFiles(index, name).size();
  }
  benchmark::DoNotOptimize(found);
  state.SetItemsProcessed(state.iterations() * static_cast<std::int64_t>(natives.size()));
}
BENCHMARK(BM_SimilarFilesPerMissingReference)->Unit(benchmark::kMillisecond);

void BM_SimilarNamesTableOfTwentyThousandImages(benchmark::State& state) {
  const fs::path& root = sampleTree(20000);
  std::ostringstream log;
  const ImageIndex built = buildImageIndex(root, log);
  const ImageIndex::Name query = fs::path("x.png").native();
  for (auto _ : state) {
    ImageIndex index = built;
    benchmark::DoNotOptimize(similarFiles(index, query));
  }
}
BENCHMARK(BM_SimilarNamesTableOfTwentyThousandImages)->Unit(benchmark::kMillisecond);

}  // namespace
