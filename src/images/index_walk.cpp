#include "images/index_walk.h"

#include <atomic>
#include <cstdlib>
#include <sstream>
#include <string_view>
#include <thread>

struct IndexWalk {
  std::atomic<bool> stop{false};
  std::ostringstream errors;  // the walk's error lines, for errLog
  ImageIndex index;
  std::vector<WalkedScript> scripts;  // every .ks file, for the definitions
  std::thread thread;

  ~IndexWalk() {
    stop = true;
    if (thread.joinable()) thread.join();
  }
};

std::shared_ptr<IndexWalk> startIndexWalk(const std::filesystem::path& exeDir,
                                          bool keepEveryImage) {
  auto walk = std::make_shared<IndexWalk>();
  IndexWalk* const started = walk.get();
  // The thread owns nothing: the handle outlives it, as its destructor joins.
  walk->thread = std::thread([started, exeDir, keepEveryImage] {
    started->index = buildImageIndex(exeDir, started->errors, keepEveryImage,
                                     &started->stop, &started->scripts);
  });
  return walk;
}

ImageIndex takeIndexWalk(IndexWalk& walk, std::ostream& errLog) {
  // The scripts may have been taken, and the thread joined, before.
  if (walk.thread.joinable()) walk.thread.join();
  const std::string errors = walk.errors.str();
  errLog.write(errors.data(), static_cast<std::streamsize>(errors.size()));
  return std::move(walk.index);
}

std::vector<WalkedScript> takeWalkedScripts(IndexWalk& walk) {
  if (walk.thread.joinable()) walk.thread.join();
  return std::move(walk.scripts);
}

bool runsUseThreads() {
  const char* threads = std::getenv("KIC_THREADS");
  return threads == nullptr || std::string_view(threads) != "1";
}
