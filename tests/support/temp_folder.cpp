#include "support/temp_folder.h"

#include <chrono>
#include <fstream>
#include <iterator>
#include <random>

namespace fs = std::filesystem;

TempFolder::TempFolder() {
  // Test processes run side by side: a random name keeps them apart.
  std::random_device device;
  std::mt19937_64 random(
      device() ^ static_cast<std::uint64_t>(
                     std::chrono::steady_clock::now().time_since_epoch().count()));
  for (;;) {
    path = fs::temp_directory_path() / ("kic-test-" + std::to_string(random()));
    if (fs::create_directory(path)) break;
  }
}

TempFolder::~TempFolder() {
  std::error_code ignored;
  fs::remove_all(path, ignored);
}

std::string readBytes(const fs::path& file) {
  std::ifstream in(file, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in),
                     std::istreambuf_iterator<char>());
}

void writeBytes(const fs::path& file, std::string_view bytes) {
  std::ofstream out(file, std::ios::binary | std::ios::trunc);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}
