// Cost of did-you-mean: the table of stems made once, then one query per missing
// reference, against trees shaped like the generated projects: sprites and event
// pictures with words in their names (the large preset), and names numbered the way
// large games number them with near misses of them as queries (the numbered preset).
// The plain search, which measures every file, runs beside the fast one, and the
// numbered tree comes in three sizes: the fast search's cost per query should stay
// flat as files sharing the queries' lengths grow in number.
#include <benchmark/benchmark.h>

#include <filesystem>
#include <fstream>
#include <map>
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
const char* const kKeys[] = {"sakura", "aoi",  "misaki", "yuma",    "ren",    "hina",
                             "minato", "sora", "kaede",  "tsubasa", "kotone", "haruto"};

std::string number(int value, std::size_t width) {
  const std::string text = std::to_string(value);
  return std::string(width - std::min(text.size(), width), '0') + text;
}

// The path of the i-th file of a tree of `shape`.
fs::path fileOf(bool numbered, int i) {
  if (!numbered) {
    const std::string key = kCharacters[i % 6];
    const std::string part = kParts[(i / 6) % 3];
    return i % 4 == 3
               ? fs::path("ev") / std::to_string(i % 7) / ("ev_" + number(i, 4) + ".jpg")
               : fs::path(key) / part /
                     (key + "_" + part + "_" + kFaces[i % 5] + "_" + number(i, 5) +
                      ".png");
  }
  switch (i % 4) {
    case 0:
    case 1: {
      const std::string key = kKeys[i % 12];
      return fs::path("face") / key / ("face_" + key + "_" + number(i / 12, 4) + ".png");
    }
    case 2:
      return fs::path("ev") / number(i / 400, 2) /
             ("ev_" + number(i / 400, 2) + "_" + number(i / 4 % 100, 2) + "_" +
              std::string(1, static_cast<char>('a' + i / 16 % 5)) + ".jpg");
    default:
      return fs::path("map") / ("map_town_" + number(i / 4, 4) + ".png");
  }
}

// A tree of `count` empty images, made once per process.
const fs::path& sampleTree(bool numbered, int count) {
  static std::map<std::pair<bool, int>, fs::path> trees;
  auto& root = trees[{numbered, count}];
  if (root.empty()) {
    root = fs::temp_directory_path() /
           ("kic_similar_names_bench_" + std::string(numbered ? "numbered_" : "") +
            std::to_string(count));
    fs::remove_all(root);
    for (int i = 0; i < count; ++i) {
      const fs::path file = root / fileOf(numbered, i);
      fs::create_directories(file.parent_path());
      std::ofstream(file).put('x');
    }
  }
  return root;
}

// Missing names: for the word-named tree typos of real ones and names like nothing
// on disk; for the numbered tree near misses of its names (a suffix, a swap, a
// letter dropped or doubled, a number past its series).
std::vector<ImageIndex::Name> queries(bool numbered, int files, int count) {
  std::mt19937 random(7);
  std::vector<ImageIndex::Name> names;
  for (int i = 0; i < count; ++i) {
    std::string name;
    if (!numbered) {
      const std::string key = kCharacters[i % 6];
      name = i % 2 == 0 ? key + "_face_smlie_" + number(i * 37, 5) + ".png"
                        : "old_" + key + "_" + number(i, 5) + ".png";
    } else {
      name = fileOf(true, static_cast<int>(random() % files)).filename().string();
      const std::size_t dot = name.rfind('.');
      std::string stem = name.substr(0, dot);
      const std::size_t at = random() % (stem.size() - 1);
      switch (i % 5) {
        case 0:
          stem += "_old";
          break;
        case 1:
          std::swap(stem[at], stem[at + 1]);
          break;
        case 2:
          stem.erase(at, 1);
          break;
        case 3:
          stem.insert(at, 1, stem[at]);
          break;
        default:
          stem += "9";
          break;
      }
      name = stem + name.substr(dot);
    }
    names.push_back(fs::path(name).native());
  }
  return names;
}

template <typename Search>
void searchEach(benchmark::State& state, bool numbered, int files, Search search) {
  const fs::path& root = sampleTree(numbered, files);
  std::ostringstream log;
  ImageIndex index = buildImageIndex(root, log);
  const std::vector<ImageIndex::Name> names = queries(numbered, files, 1000);
  similarFiles(index, fs::path("warm_up_the_table.png").native());  // made once a run
  std::size_t found = 0;
  for (auto _ : state) {
    for (const auto& name : names) found += search(index, name).size();
  }
  benchmark::DoNotOptimize(found);
  state.SetItemsProcessed(state.iterations() * static_cast<std::int64_t>(names.size()));
}

void BM_SimilarFilesPerMissingReference(benchmark::State& state) {
  searchEach(state, false, 20000, [](ImageIndex& index, const ImageIndex::Name& name) {
    return similarFiles(index, name);
  });
}
BENCHMARK(BM_SimilarFilesPerMissingReference)->Unit(benchmark::kMillisecond);

// state.range(0) numbered files; the queries are near misses of them.
void BM_SimilarFilesNumbered(benchmark::State& state) {
  searchEach(state, true, static_cast<int>(state.range(0)),
             [](ImageIndex& index, const ImageIndex::Name& name) {
               return similarFiles(index, name);
             });
}
BENCHMARK(BM_SimilarFilesNumbered)
    ->Arg(10000)
    ->Arg(20000)
    ->Arg(40000)
    ->Unit(benchmark::kMillisecond);

void BM_SimilarFilesByStemNumbered(benchmark::State& state) {
  searchEach(state, true, 20000, [](ImageIndex& index, const ImageIndex::Name& name) {
    return similarFilesByStem(index,
                              ImageIndex::NameView(name).substr(0, name.rfind('.')));
  });
}
BENCHMARK(BM_SimilarFilesByStemNumbered)->Unit(benchmark::kMillisecond);

void BM_SimilarFilesPlainNumbered(benchmark::State& state) {
  searchEach(state, true, static_cast<int>(state.range(0)),
             [](ImageIndex& index, const ImageIndex::Name& name) {
               return similarFilesPlain(index, name);
             });
}
BENCHMARK(BM_SimilarFilesPlainNumbered)->Arg(10000)->Unit(benchmark::kMillisecond);

void BM_SimilarNamesTable(benchmark::State& state) {
  const fs::path& root = sampleTree(state.range(0) != 0, 20000);
  std::ostringstream log;
  const ImageIndex built = buildImageIndex(root, log);
  const ImageIndex::Name query = fs::path("xyzw.png").native();
  for (auto _ : state) {
    ImageIndex index = built;
    benchmark::DoNotOptimize(similarFiles(index, query));
  }
}
// 0: the word-named tree of twenty thousand images, 1: the numbered one.
BENCHMARK(BM_SimilarNamesTable)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

}  // namespace
