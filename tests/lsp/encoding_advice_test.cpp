#include "lsp/encoding_advice.h"

#include <gtest/gtest.h>

#include <string>

namespace {

TEST(EncodingAdvice, TellsMisreadTextFromTextThatReadsTruly) {
  const struct {
    const char* text;
    bool misread;
  } cases[] = {
      {"[bg storage=\"room.jpg\"]", false},
      {"「教室」 café ×µÝ", false},                 // Japanese, Latin-1 letters
      {"\xEF\xBF\xBD", true},                       // U+FFFD: a UTF-8 editor's
      {"[bg storage=\"\xC2\x82\xC3\x97\"]", true},  // U+0082: a latin1 editor's
      {"\xC2\x9F", true},                           // U+009F, the last C1
      {"\xC2\xA0\xEF\xBC\x81", false},              // U+00A0, U+FF01
      {"\xC2", false},                              // a lone lead byte at the end
  };
  for (const auto& [text, misread] : cases)
    EXPECT_EQ(looksMisread(text), misread) << text;
}

TEST(EncodingAdvice, KnowsTheLegacyEncodingsARunReads) {
  ScriptFile file;
  const struct {
    ScriptEncoding encoding;
    bool replacedInvalid;
    bool legacy;
  } cases[] = {
      {ScriptEncoding::shiftJis, false, true},
      {ScriptEncoding::shiftJis, true, false},  // not clean
      {ScriptEncoding::utf8, false, false},
      {ScriptEncoding::utf16le, false, false},
  };
  for (const auto& [encoding, replacedInvalid, legacy] : cases) {
    file.encoding = encoding;
    file.replacedInvalid = replacedInvalid;
    EXPECT_EQ(legacyEncodingOf(file).has_value(), legacy) << encodingName(encoding);
  }
}

TEST(EncodingAdvice, NamesTheEncodingAndEachEditorsSetting) {
  const struct {
    const char* client;
    EditorKind kind;
    const char* advice;
  } cases[] = {
      {"Visual Studio Code", EditorKind::vscode,
       "VS Code の設定に \"[ks]\": { \"files.encoding\": \"shiftjis\" } "
       "を加えて開き直して"
       "ください。"},
      {"VSCodium", EditorKind::vscode, "\"files.encoding\": \"shiftjis\""},
      {"Neovim", EditorKind::neovim,
       "Neovim で fileencodings=ucs-bom,utf-8,cp932 を設定して開き直してください"},
      {"Eglot", EditorKind::other,
       "エディタの文字コードを Shift-JIS にして開き直してください (VS Code の設定: "
       "\"[ks]\": { \"files.encoding\": \"shiftjis\" }、Neovim: "
       "fileencodings=ucs-bom,utf-8,cp932)。"},
  };
  for (const auto& [client, kind, advice] : cases) {
    EXPECT_EQ(editorNamed(client), kind) << client;
    const std::string message =
        misreadMessage("scenario/a.ks", ScriptEncoding::shiftJis, kind);
    EXPECT_TRUE(message.starts_with(
        "scenario/a.ks は Shift-JIS で保存されていますが、エディタが別の文字コードで"
        "開いたため、日本語の画像名を確認できません。"))
        << message;
    EXPECT_NE(message.find(advice), std::string::npos) << message;
  }
}

TEST(EncodingAdvice, KeepsTheNamesThatReadAlikeInEveryEncoding) {
  CheckedScript checked;
  for (const char* name : {"room.jpg", "\xC2\x82\xC3\x97.png", "a\xEF\xBF\xBD.png"}) {
    checked.references.push_back({});
    checked.references.back().reference = name;
  }
  checked.invalidLines = {0, 3};
  keepReadable(checked);
  ASSERT_EQ(checked.references.size(), 1u);
  EXPECT_EQ(checked.references[0].reference, "room.jpg");
  EXPECT_TRUE(checked.invalidLines.empty());
}

}  // namespace
