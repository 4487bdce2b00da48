// The protocol's small pieces: message frames and file URIs.
#include <gtest/gtest.h>

#include <sstream>
#include <string>

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
