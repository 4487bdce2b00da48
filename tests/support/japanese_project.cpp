#include "support/japanese_project.h"

#include <atomic>
#include <fstream>
#include <random>
#include <sstream>

#include "text/cp932_literal.h"

namespace fs = std::filesystem;

namespace {

fs::path pathOf(std::string_view utf8) {
  return fs::path(std::u8string(utf8.begin(), utf8.end()));
}

std::string utf8Of(const fs::path& path) {
  const std::u8string text = path.u8string();
  return std::string(text.begin(), text.end());
}

std::string read(const fs::path& file) {
  std::ifstream in(file, std::ios::binary);
  std::ostringstream content;
  content << in.rdbuf();
  return content.str();
}

void write(const fs::path& file, std::string_view bytes) {
  fs::create_directories(file.parent_path());
  std::ofstream(file, std::ios::binary)
      .write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

}  // namespace

JapaneseProject::JapaneseProject(bool listedInConfig) {
  // Test processes may run side by side: a random name keeps their projects apart.
  static std::atomic<unsigned> serial = 0;
  root =
      fs::temp_directory_path() / ("kic-names-" + std::to_string(std::random_device{}()) +
                                   "-" + std::to_string(++serial));
  fs::remove_all(root);
  fs::create_directories(root);
  write(root / pathOf("scenario/背景.ks"),
        "[image storage=\"a.png\"]\n"
        "[image storage=\"b.png\"]\n"
        "[bg storage=\"none.jpg\"]\n");
  write(root / pathOf("立ち絵/a.png"), "");
  write(root / pathOf("立ち絵/表情/b.png"), "");
  if (listedInConfig) write(root / "config_image.csv", "# 立ち絵の確認\n背景.ks\n"_sj);
}

JapaneseProject::~JapaneseProject() {
  std::error_code ignored;
  fs::remove_all(root, ignored);
}

std::string JapaneseProject::reportName() const {
  for (const auto& entry : fs::directory_iterator(root)) {
    std::string name = utf8Of(entry.path().filename());
    if (name.starts_with("tag_report_image_")) return name;
  }
  return "";
}

std::string JapaneseProject::report() const { return read(root / pathOf(reportName())); }

std::string JapaneseProject::errorLog() const {
  return read(root / "image_error_log.txt");
}
