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
      // GBK "你好" and Big5 "你好" as latin1 editors show them: Latin-1 letters alone.
      {"[jump target=*\xC3\x84\xC3\xA3\xC2\xBA\xC3\x83]", true},
      {"*\xC2\xA7"
       "A\xC2\xA6"
       "n",
       true},
      {"\xC3\x84\xE4\xBD\xA0", false},  // Latin-1 beside a CJK character
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
      {ScriptEncoding::gbk, false, true},
      {ScriptEncoding::big5, false, true},
      {ScriptEncoding::big5, true, false},
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
    ScriptEncoding encoding;
    const char* opening;
    const char* advice;
  } cases[] = {
      {"Visual Studio Code", EditorKind::vscode, ScriptEncoding::shiftJis,
       "Shift-JIS で保存されていますが、エディタが別の文字コードで開いたため、日本語の"
       "名前を確認できません。",
       "VS Code の設定に \"[ks]\": { \"files.encoding\": \"shiftjis\" } "
       "を加えて開き直してください。"},
      {"VSCodium", EditorKind::vscode, ScriptEncoding::gbk,
       "GBK で保存されていますが、エディタが別の文字コードで開いたため、中国語の名前を"
       "確認できません。",
       "VS Code の設定に \"[ks]\": { \"files.encoding\": \"gbk\" } を加えて開き直して"
       "ください。"},
      {"Neovim", EditorKind::neovim, ScriptEncoding::shiftJis, "Shift-JIS",
       "Neovim で fileencodings=ucs-bom,utf-8,cp932 を設定して開き直してください "
       "(ks-image-check.lua は *.ks にこう設定します)。"},
      {"Neovim", EditorKind::neovim, ScriptEncoding::big5, "Big5",
       "Neovim で fileencodings=ucs-bom,utf-8,cp950 を設定して開き直してください "
       "(ks-image-check.lua では vim.g.ks_image_check_fileencodings = "
       "'ucs-bom,utf-8,cp950')。"},
      {"Eglot", EditorKind::other, ScriptEncoding::shiftJis, "Shift-JIS",
       "エディタの文字コードを Shift-JIS にして開き直してください (VS Code の設定: "
       "\"[ks]\": { \"files.encoding\": \"shiftjis\" }、Neovim: "
       "fileencodings=ucs-bom,utf-8,cp932)。"},
      {"Eglot", EditorKind::other, ScriptEncoding::gbk, "GBK",
       "エディタの文字コードを GBK にして開き直してください (VS Code の設定: "
       "\"[ks]\": { \"files.encoding\": \"gbk\" }、Neovim: "
       "fileencodings=ucs-bom,utf-8,cp936)。"},
  };
  for (const auto& [client, kind, encoding, opening, advice] : cases) {
    EXPECT_EQ(editorNamed(client), kind) << client;
    const std::string message = misreadMessage("scenario/a.ks", encoding, kind);
    EXPECT_TRUE(message.starts_with(std::string("scenario/a.ks は ") + opening))
        << message;
    EXPECT_TRUE(message.ends_with(advice)) << message;
  }
  // A script detection made Shift-JIS that reads like GBK or Big5: only the project
  // file chooses those.
  EXPECT_TRUE(misreadMessage("a.ks", ScriptEncoding::shiftJis, EditorKind::vscode, true)
                  .ends_with("を加えて開き直してください。GBK か Big5 "
                             "で保存したスクリプトなら、文字コードは ks-image-check.toml "
                             "でだけ選べます: encoding = \"gbk\" (または \"big5\") "
                             "と書いてください。"));
}

TEST(EncodingAdvice, KeepsTheNamesThatReadAlikeInEveryEncoding) {
  CheckedScript checked;
  for (const char* name : {"room.jpg", "\xC2\x82\xC3\x97.png", "a\xEF\xBF\xBD.png"}) {
    checked.references.push_back({});
    checked.references.back().reference = name;
  }
  // A jump's script and label, a sound, a label defined twice (its name the target).
  const struct {
    const char* storage;
    const char* target;
  } loads[] = {{"first.ks", "*start"},
               {"first.ks", "*\xC3\x84\xC3\xA3"},
               {"\xEF\xBF\xBD.ks", ""},
               {"click.ogg", ""},
               {"", "*\xC2\x82"}};
  for (const auto& [storage, target] : loads) {
    checked.loads.push_back({});
    checked.loads.back().storage = storage;
    checked.loads.back().target = target;
  }
  checked.invalidLines = {0, 3};
  keepReadable(checked);
  ASSERT_EQ(checked.references.size(), 1u);
  EXPECT_EQ(checked.references[0].reference, "room.jpg");
  ASSERT_EQ(checked.loads.size(), 2u);
  EXPECT_EQ(checked.loads[0].target, "*start");
  EXPECT_EQ(checked.loads[1].storage, "click.ogg");
  EXPECT_TRUE(checked.invalidLines.empty());
}

}  // namespace
