// What the editor offers on a reference: quick fixes for a missing or misspelt one
// (and for a broken jump, sound or video), the file it leads to on hover, and going
// there; on a macro's call, what it loads and where the macro is defined.
#pragma once

#include <filesystem>
#include <nlohmann/json.hpp>
#include <string>
#include <string_view>

#include "lsp/script_check.h"
#include "lsp/text_document.h"

// The text that names `utf8Target` (root-relative, "/") in place of `reference`:
// relative to the folder it is written from when the target lies there, else the
// target's name with as many of its folders as the reference names.
std::string replacementText(const CheckedReference& reference,
                            std::string_view utf8Target);

// The CodeAction[] for the references, jumps, sounds and videos of `checked` that
// `range` (clamped to the text) touches or that a diagnostic of
// `contextDiagnostics` (the request's) lies at: one action per file a missing
// reference may have meant (the letter-case match first), and the spelling on disk
// for a reference found in another letter case; one per fix of a broken jump, sound
// or video (load_values.h); each only when the text it writes would raise no finding
// in `project`. The diagnostics at a place are named as fixed by its actions.
nlohmann::json codeActionsJson(const std::string& uri, const CheckedScript& checked,
                               std::string_view utf8Text, const TextRange& range,
                               const nlohmann::json& contextDiagnostics,
                               ProjectState& project);

// The Hover for the reference at `position`, or null: the file it resolves to and a
// picture of it, or why it was not found.
nlohmann::json hoverJson(const CheckedScript& checked, std::string_view utf8Text,
                         TextPosition position, const std::filesystem::path& root);

// The Hover for `call`, a macro's call on the line of `position`: the tags it comes
// to that load images ("マクロ ex_bg: [bg storage=kuro.jpg]"), then, as hoverJson
// says them, the file of the reference at `position`, else of every reference the
// call makes.
nlohmann::json macroCallHoverJson(const MacroCall& call, const CheckedScript& checked,
                                  std::string_view utf8Text, TextPosition position,
                                  const std::filesystem::path& root);

// The Location of the macro `call` calls: the line of its "macro" tag.
nlohmann::json macroDefinitionJson(const MacroCall& call,
                                   const std::filesystem::path& root);

// The Location of the file the reference at `position` resolves to, or null.
nlohmann::json definitionJson(const CheckedScript& checked, std::string_view utf8Text,
                              TextPosition position, const std::filesystem::path& root);
