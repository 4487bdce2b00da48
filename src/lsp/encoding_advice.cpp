#include "lsp/encoding_advice.h"

#include <algorithm>

#include "text/utf8.h"

namespace {

// The legacy encodings a run reads, with their names in the message and in each
// editor's settings. Another encoding the run learns is one more row.
struct EditorEncoding {
  ScriptEncoding encoding;
  std::string_view name;        // as people call it
  std::string_view vscodeName;  // a value of VS Code's "files.encoding"
  std::string_view vimName;     // a name in Vim's and Neovim's 'fileencodings'
};

constexpr EditorEncoding kEditorEncodings[] = {
    {ScriptEncoding::shiftJis, "Shift-JIS", "shiftjis", "cp932"},
};

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

std::string neovimSetting(const EditorEncoding& encoding) {
  return "fileencodings=ucs-bom,utf-8," + std::string(encoding.vimName);
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
  // U+FFFD is EF BF BD; U+0080-U+009F are C2 80 to C2 9F.
  for (std::size_t at = utf8Text.find_first_of("\xEF\xC2"); at != std::string_view::npos;
       at = utf8Text.find_first_of("\xEF\xC2", at + 1)) {
    const std::string_view rest = utf8Text.substr(at);
    if (rest.starts_with("\xEF\xBF\xBD")) return true;
    if (rest.size() >= 2 && rest[0] == '\xC2' &&
        static_cast<unsigned char>(rest[1]) >= 0x80 &&
        static_cast<unsigned char>(rest[1]) <= 0x9F) {
      return true;
    }
  }
  return false;
}

std::string misreadMessage(std::string_view utf8FileName, ScriptEncoding encoding,
                           EditorKind editor) {
  const EditorEncoding* known = editorEncoding(encoding);
  const std::string name = known ? std::string(known->name) : "?";
  std::string message = std::string(utf8FileName) + " は " + name +
                        " で保存されていますが、エディタが別の文字コードで開いたため、"
                        "日本語の画像名を確認できません。";
  if (known == nullptr) return message;
  switch (editor) {
    case EditorKind::vscode:
      return message + "VS Code の設定に " + vscodeSetting(*known) +
             " を加えて開き直してください。";
    case EditorKind::neovim:
      return message + "Neovim で " + neovimSetting(*known) +
             " を設定して開き直してください (ks-image-check.lua は *.ks "
             "にこう設定します)。";
    case EditorKind::other:
      break;
  }
  return message + "エディタの文字コードを " + name +
         " にして開き直してください (VS Code の設定: " + vscodeSetting(*known) +
         "、Neovim: " + neovimSetting(*known) + ")。";
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
