// The protocol's small pieces: message frames, the client's positions, file URIs.
#include <gtest/gtest.h>

#include <cstdint>
#include <nlohmann/json.hpp>
#include <sstream>
#include <string>
#include <vector>

#include "lsp/client_positions.h"
#include "lsp/file_uri.h"
#include "lsp/message_framing.h"

namespace {

TEST(MessageFraming, ReadsFramesAndToleratesWhatClientsSend) {
  std::istringstream in(
      framed("{\"a\":1}") + "content-length:  2 \nContent-Type: x\r\n\r\n[]" +
      "\r\nContent-Length: 3\r\n\r\nnul" +                   // a stray blank line first
      "Content-Type: x\r\n\r\n" +                            // no length
      "Content-Length: x1\r\n\r\n" +                         // no number
      "Content-Length: 99\r\n\r\n" + std::string(99, ' ') +  // too large
      "Content-Length: 5\r\n\r\n{");
  const auto next = [&] { return readFrame(in, 50); };
  EXPECT_EQ(next().body, "{\"a\":1}");
  EXPECT_EQ(next().body, "[]");
  EXPECT_EQ(next().body, "nul");
  EXPECT_EQ(next().status, FrameStatus::badHeader);
  EXPECT_EQ(next().status, FrameStatus::badHeader);
  EXPECT_EQ(next().status, FrameStatus::badHeader);
  EXPECT_EQ(next().status, FrameStatus::end);  // cut short: the client went away
  EXPECT_EQ(framed("é"), "Content-Length: 2\r\n\r\né");
}

TEST(MessageFraming, FindsItsFeetAtTheNextHeaderAfterABrokenFrame) {
  const std::string body = "{\"id\":1}";
  const std::string next = framed("{\"id\":2}");
  const struct {
    const char* name;
    std::string broken;
    std::vector<FrameStatus> before;  // what the broken frame reads as
  } cases[] = {
      {"no length", "Content-Type: x\r\n\r\n" + body, {FrameStatus::badHeader}},
      {"one byte short", "Content-Length: 7\r\n\r\n" + body, {FrameStatus::message}},
      {"a body of megabytes with no length",
       "Content-Type: x\r\n\r\n" + std::string(3 << 20, 'x'),
       {FrameStatus::badHeader}},
      {"lines of junk", "junk\njunk\r\n\r\n", {FrameStatus::badHeader}},
      {"lower case after junk", "}content-length: 2\r\n\r\n[]", {FrameStatus::message}},
  };
  for (const auto& [name, broken, before] : cases) {
    std::istringstream in(broken + next);
    for (const FrameStatus status : before)
      EXPECT_EQ(readFrame(in).status, status) << name;
    const Frame frame = readFrame(in);
    EXPECT_EQ(frame.status, FrameStatus::message) << name;
    EXPECT_EQ(frame.body, "{\"id\":2}") << name;
    EXPECT_EQ(readFrame(in).status, FrameStatus::end) << name;
  }
}

TEST(ClientPositions, ClampEveryNumberToTheDocument) {
  // Lines "ab", "😀x" (three UTF-16 units), "".
  const std::string text = "ab\n\xF0\x9F\x98\x80x\n";
  const struct {
    nlohmann::json line, character;
    std::size_t wantLine, wantCharacter;
  } cases[] = {
      {0, 1, 0, 1},
      {1, 3, 1, 3},
      {1, 99, 1, 3},
      {-1, -1, 0, 0},
      {-5, 1, 0, 1},
      {std::uint64_t{1} << 32, 0, 2, 0},
      {std::uint64_t{18446744073709551615u}, 7, 2, 0},
      {1e300, 1e300, 2, 0},
      {1.5, 2.9, 1, 2},
      {-1e300, 0, 0, 0},
  };
  for (const auto& [line, character, wantLine, wantCharacter] : cases) {
    const nlohmann::json position = {{"line", line}, {"character", character}};
    const TextPosition got = clientPosition(position, text);
    EXPECT_EQ(got.line, wantLine) << position;
    EXPECT_EQ(got.character, wantCharacter) << position;
  }
  const nlohmann::json backwards = {{"start", {{"line", 9}, {"character", 0}}},
                                    {"end", {{"line", 0}, {"character", -3}}}};
  const TextRange range = clientRange(backwards, text);
  EXPECT_EQ(range.start.line, 0u);
  EXPECT_EQ(range.end.line, 2u);
  for (const nlohmann::json& wrong :
       {nlohmann::json{{"line", "1"}, {"character", 0}}, nlohmann::json{{"line", 1}},
        nlohmann::json{{"line", nullptr}, {"character", 0}}}) {
    EXPECT_THROW(clientPosition(wrong, text), nlohmann::json::exception) << wrong;
  }
}

TEST(FileUri, NamesThePathsOfEveryPlatform) {
  const struct {
    const char* uri;
    const char8_t* path;
  } cases[] = {
      {"file:///home/me/a%20b.ks", u8"/home/me/a b.ks"},
      {"file:///home/me/%E3%82%B2%E3%83%BC%E3%83%A0/a.ks", u8"/home/me/ゲーム/a.ks"},
      {"file:///home/me/ゲーム/a.ks", u8"/home/me/ゲーム/a.ks"},
      // Names Shift-JIS cannot spell, one beyond U+FFFF.
      {"file:///home/me/%E5%9B%BE%E5%BA%93/%F0%A0%AE%B7.ks",
       u8"/home/me/图库/\U00020BB7.ks"},
      {"FILE://localhost/x/a.ks?query#frag", u8"/x/a.ks"},
      {"file:///c%3A/game/a.ks", u8"c:/game/a.ks"},
      {"file:///C:/game/a.ks", u8"C:/game/a.ks"},
      {"file://server/share/a.ks", u8"//server/share/a.ks"},
  };
  for (const auto& [uri, utf8Path] : cases) {
    const auto path = pathFromFileUri(uri);
    ASSERT_TRUE(path) << uri;
    EXPECT_EQ(*path, std::filesystem::path(utf8Path)) << uri;
  }
  for (const char* refused :
       {"untitled:Untitled-1", "file:///a%2", "file:///a%zz", "file:///%00"}) {
    EXPECT_FALSE(pathFromFileUri(refused)) << refused;
  }
}

}  // namespace
