// The findings of a run, one per thing a reader should act on, as the code-scanning
// outputs (SARIF, workflow annotations) show them: a rule, a place and the console's
// words.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "outputs/run_record.h"

enum class FindingRule {
  missingImage,
  missingScript,  // also a script that could not be opened
  letterCase,
  folderMismatch,
  invalidBytes,
  unusedImage,
  notLoadable,  // found, but not where the game loads it from
};

enum class FindingLevel { error, warning, note };

// "error", "warning", "note": the names SARIF gives the levels.
std::string_view levelName(FindingLevel level);

// Every rule, in the order the outputs list them.
inline constexpr FindingRule kFindingRules[] = {
    FindingRule::missingImage,   FindingRule::missingScript, FindingRule::letterCase,
    FindingRule::folderMismatch, FindingRule::invalidBytes,  FindingRule::unusedImage,
    FindingRule::notLoadable,
};

// "missing-image", "missing-script", "letter-case", "folder-mismatch",
// "invalid-bytes", "unused-image", "not-loadable".
std::string_view ruleId(FindingRule rule);
FindingLevel ruleLevel(FindingRule rule);
// What the rule finds, in Japanese (UTF-8).
std::string_view ruleDescription(FindingRule rule);

struct Finding {
  FindingRule rule = FindingRule::missingImage;
  // With "/", relative to the start folder when the root lies below it
  // ("play/data/scenario/a.ks"), else to the root ("scenario/a.ks"); an unused
  // image's path as its own bytes (see RunResults::unused).
  std::string file;
  int line = 0;  // 0: the finding is about the whole file
  std::string utf8Message;
  // Where on the line, as ReferenceResult counts columns; 0: the whole line.
  int column = 0;
  int endColumn = 0;
};

// What is said of an image found, but not where the game loads it from (UTF-8):
// with `utf8LoadsFrom`, the one place a browser-style tag loads from; with
// `loadsAboveGame`, a browser-style path above the game folder, which names no
// place; without either, a desktop-style game's search path, which `utf8Folder` is
// not on.
std::string notLoadableMessage(std::string_view utf8Reference,
                               std::string_view utf8LoadsFrom, bool loadsAboveGame,
                               std::string_view utf8Folder);

// Whether the outputs warn of an image found in another folder than its reference
// names: where the game cannot load it at all, the not-loadable warning speaks
// instead.
inline bool showsFolderMismatch(bool folderMismatch,
                                const std::optional<bool>& loadable) {
  return folderMismatch && loadable != false;
}

// The findings of one reference, in the order the outputs list them (a missing image
// before its letter-case hint), located at `file` and the reference's line.
void addReferenceFindings(const ReferenceResult& reference, const std::string& file,
                          std::vector<Finding>& findings);

// In report order: each script's own findings where the report shows them, each
// reference's after it (a missing image before its letter-case hint), the unused
// images last. REQUIRES: the references in scan order, as the scan records them.
std::vector<Finding> listFindings(const RunResults& results);
