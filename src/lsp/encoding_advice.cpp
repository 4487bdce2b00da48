#include "lsp/encoding_advice.h"

#include <algorithm>

#include "text/utf8.h"

namespace {

// The legacy encodings a run reads, with their names in the message and in each
// editor's settings. Another encoding the run learns is one more row.
struct EditorEncoding {
  ScriptEncoding encoding;
  std::string_view name;        // as people call it
  std::string_view language;    // of the names it holds, as the message says
  std::string_view vscodeName;  // a value of VS Code's "files.encoding"
  std::string_view vimName;     // a name in Vim's and Neovim's 'fileencodings'
};

constexpr EditorEncoding kEditorEncodings[] = {
    {ScriptEncoding::shiftJis, "Shift-JIS", "日本語", "shiftjis", "cp932"},
    {ScriptEncoding::gbk, "GBK", "中国語", "gbk", "cp936"},
    {ScriptEncoding::big5, "Big5", "中国語", "big5", "cp950"},
};

// What the Neovim plugin sets for .ks files unless told otherwise.
constexpr std::string_view kPluginVimName = "cp932";

const EditorEncoding* editorEncoding(ScriptEncoding encoding) {
  for (const EditorEncoding& known : kEditorEncodings) {
    if (known.encoding == encoding) return &known;
  }
  return nullptr;
}

bool contains(std::string_view text, std::string_view part) {
  return text.find(part) != std::string_view::npos;
}

std::string vscodeSetting(const EditorEncoding& encoding) {
  return "\"[ks]\": { \"files.encoding\": \"" + std::string(encoding.vscodeName) + "\" }";
}

constexpr std::string_view kFileEncodings = "fileencodings=";

std::string neovimSetting(const EditorEncoding& encoding) {
  return std::string(kFileEncodings) + "ucs-bom,utf-8," + std::string(encoding.vimName);
}

}  // namespace

EditorKind editorNamed(std::string_view clientName) {
  // "Visual Studio Code", "Visual Studio Code - Insiders", "VSCodium", "Code - OSS".
  if (contains(clientName, "Code") || contains(clientName, "VSCod")) {
    return EditorKind::vscode;
  }
  if (contains(clientName, "Neovim") || contains(clientName, "nvim")) {
    return EditorKind::neovim;
  }
  return EditorKind::other;
}

std::optional<ScriptEncoding> legacyEncodingOf(const ScriptFile& file) {
  if (file.replacedInvalid || editorEncoding(file.encoding) == nullptr)
    return std::nullopt;
  return file.encoding;
}

bool looksMisread(std::string_view utf8Text) {
  bool latin1 = false;  // a character U+00A0-U+00FF
  bool latin1Only = true;
  for (std::size_t at = 0; at < utf8Text.size(); ++at) {
    const auto lead = static_cast<unsigned char>(utf8Text[at]);
    if (lead < 0xC0) continue;  // ASCII, or a byte within a character
    // U+FFFD is EF BF BD; U+0080-U+009F are C2 80 to C2 9F, and C2 and C3 lead the
    // rest of Latin-1.
    if (utf8Text.substr(at).starts_with("\xEF\xBF\xBD")) return true;
    const auto next =
        at + 1 < utf8Text.size() ? static_cast<unsigned char>(utf8Text[at + 1]) : 0;
    if (lead == 0xC2 && next >= 0x80 && next <= 0x9F) return true;
    if ((lead == 0xC2 || lead == 0xC3) && next >= 0x80 && next <= 0xBF) {
      latin1 = true;
    } else {
      latin1Only = false;
    }
  }
  return latin1 && latin1Only;
}

std::string misreadMessage(std::string_view utf8FileName, ScriptEncoding encoding,
                           EditorKind editor, bool doubtsShiftJis) {
  const EditorEncoding* known = editorEncoding(encoding);
  const std::string name = known ? std::string(known->name) : "?";
  std::string message = std::string(utf8FileName) + " は " + name +
                        " で保存されていますが、エディタが別の文字コードで開いたため、" +
                        std::string(known ? known->language : "") +
                        "の名前を確認できません。";
  if (known == nullptr) return message;
  switch (editor) {
    case EditorKind::vscode:
      message +=
          "VS Code の設定に " + vscodeSetting(*known) + " を加えて開き直してください。";
      break;
    case EditorKind::neovim:
      message += "Neovim で " + neovimSetting(*known) + " を設定して開き直してください (";
      message += known->vimName == kPluginVimName
                     ? std::string("ks-image-check.lua は *.ks にこう設定します)。")
                     : "ks-image-check.lua では vim.g.ks_image_check_fileencodings = '" +
                           neovimSetting(*known).substr(kFileEncodings.size()) + "')。";
      break;
    case EditorKind::other:
      message += "エディタの文字コードを " + name +
                 " にして開き直してください (VS Code の設定: " + vscodeSetting(*known) +
                 "、Neovim: " + neovimSetting(*known) + ")。";
      break;
  }
  // Detection cannot tell GBK and Big5 from Shift-JIS: only the project file can.
  if (doubtsShiftJis) {
    message +=
        "GBK か Big5 で保存したスクリプトなら、文字コードは ks-image-check.toml "
        "でだけ選べます: encoding = \"gbk\" (または \"big5\") と書いてください。";
  }
  return message;
}

void keepReadable(CheckedScript& checked) {
  std::erase_if(checked.references, [](const CheckedReference& reference) {
    return !isAscii(reference.reference);
  });
  std::erase_if(checked.loads, [](const CheckedLoad& load) {
    return !isAscii(load.storage) || !isAscii(load.target);
  });
  checked.invalidLines.clear();
}
