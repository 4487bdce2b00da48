#include "support/japanese_project.h"

#include <string>
#include <string_view>

#include "text/cp932_literal.h"

namespace {

std::filesystem::path pathOf(std::string_view utf8) {
  return std::filesystem::path(std::u8string(utf8.begin(), utf8.end()));
}

}  // namespace

void addJapaneseNames(const TempProject& project, bool listedInConfig) {
  project.write(pathOf("scenario/背景.ks"),
                "[image storage=\"a.png\"]\n"
                "[image storage=\"b.png\"]\n"
                "[bg storage=\"none.jpg\"]\n");
  project.write(pathOf("立ち絵/a.png"), "");
  project.write(pathOf("立ち絵/表情/b.png"), "");
  if (listedInConfig) project.write("config_image.csv", "# 立ち絵の確認\n背景.ks\n"_sj);
}
