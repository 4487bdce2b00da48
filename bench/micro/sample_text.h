// Deterministic input for the micro-benchmarks, shaped like what the program
// reads: script lines in UTF-8 (Japanese dialogue among tag lines) and
// diagnostic-log lines in CP932. Repeating a fixed set keeps every run alike.
#pragma once

#include <array>
#include <cstddef>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "text/cp932_literal.h"

namespace bench_sample {

inline constexpr std::array<std::string_view, 24> kScriptLines = {
    "*start_0001",
    "#美咲",
    "「今日はいい天気だね。放課後、一緒に帰ろう？」[p]",
    "窓の外では、夕暮れの光が静かに街を染めていた。遠くで電車の音が聞こえる。[l][r]",
    "[bg storage=\"bg_room_day_00012.jpg\" time=1000 folder=\"data/bgimage\"]",
    "#悠真",
    "「そういえば昨日の話だけど……本当に大丈夫だよ。」[p]",
    "[image storage=\"misaki/pose1_smile_00040.png\" folder=\"data/fgimage\" layer=1 "
    "left=200 top=40]",
    "[playse storage=\"se_012.ogg\"]",
    "[cm]",
    "桜の花びらを運んでいく風が、胸の奥を少しだけ温かくした気がした。[l][r]",
    "@bg storage=ev_00031.jpg time=800",
    "#葵",
    "「ちょっと待って！　まだ話は終わってないよ？」[p]",
    "[chara_show name=\"aoi\" storage=\"chara/aoi/aoi_face_smile_00123.png\" time=300]",
    "[wait time=500]",
    "; 差し替え前の立ち絵: old_aoi_00007.png",
    "気がつくと、時計の針は午後五時を指していた。[l][r]",
    "[bg storage=\"bg_park_evening_00003.jpg\" folder=\"data/bgimage\"][image "
    "storage=\"chara/ren/ren_pose_sad_00077.png\" folder=\"data/fgimage\" layer=1]",
    "#蓮",
    "「背景a.pngって、どこに置いたっけ？」[p]",
    "[trans method=crossfade time=800]",
    "[button graphic=\"button_00210.png\" target=*select_03]",
    "「ありがとう。……ごめんね、ずっと言えなくて。」[p]",
};

// Lines of the diagnostic log as the program writes them: CP932 literals around
// ASCII names and truncated UTF-8 script text.
inline constexpr std::array<std::string_view, 8> kLogLines = {
    "[DEBUG] 処理開始: ch01_001.ks\r\n"_sj,
    "[DEBUG] 行変換成功: ch01_001.ks 行 12 ([bg storage=\"bg_roo...) \r\n"_sj,
    "[DEBUG] 画像ファイル検出: ch01_001.ks 行 12 (bg_room_day_00012.jpg) \r\n"_sj,
    "[DEBUG] 画像ファイル確認: bg_room_day_00012.jpg (存在: data/bgimage) \r\n"_sj,
    "[DEBUG] 行変換成功: ch01_001.ks 行 13 (#美咲) \r\n"_sj,
    "[DEBUG] 画像ファイル確認: old_aoi_00007.png (存在: いいえ) \r\n"_sj,
    "[DEBUG] 処理完了: ch01_001.ks (1/400) \r\n"_sj,
    "[ERROR] ファイルが見つかりません: 第三章_追加シナリオ.ks\r\n"_sj,
};

// Japanese prose in CP932: kana, kanji and full-width punctuation only.
inline constexpr std::string_view kJapaneseCp932 =
    "窓の外では、夕暮れの光が静かに街を染めていた。遠くで電車の音が聞こえる。"
    "桜の花びらを運んでいく風が、胸の奥を少しだけ温かくした気がした。"_sj;

// The lines repeated in order, each followed by "\n" unless it ends in one,
// until the text holds at least `bytes` bytes.
inline std::string repeatLines(std::span<const std::string_view> lines,
                               std::size_t bytes) {
  std::string text;
  text.reserve(bytes + 256);
  for (std::size_t i = 0; text.size() < bytes; ++i) {
    std::string_view line = lines[i % lines.size()];
    text += line;
    if (!line.ends_with('\n')) text += '\n';
  }
  return text;
}

// The same text cut into lines, line feeds removed, as a line reader yields them.
inline std::vector<std::string_view> splitLines(std::string_view text) {
  std::vector<std::string_view> lines;
  while (!text.empty()) {
    std::size_t end = text.find('\n');
    if (end == std::string_view::npos) end = text.size();
    lines.push_back(text.substr(0, end));
    text.remove_prefix(end == text.size() ? end : end + 1);
  }
  return lines;
}

inline constexpr std::size_t kCorpusBytes = std::size_t{1} << 20;

}  // namespace bench_sample
