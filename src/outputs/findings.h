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
  // Jumps, sounds and videos. A jump to a script that is not there is missingScript.
  missingLabel,
  missingSound,
  missingVideo,
  duplicateLabel,
  labelWithoutStar,  // a desktop-style jump's label without its "*": a broken jump
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

// The rules of a run that checked `kinds`, in the order the outputs list them:
// kFindingRules, then those of jumps (missing-label, duplicate-label,
// label-without-star) and of sounds (missing-sound, missing-video) when checked.
std::vector<FindingRule> findingRulesOf(const CheckKinds& kinds);

// "missing-image", "missing-script", "letter-case", "folder-mismatch",
// "invalid-bytes", "unused-image", "not-loadable", "missing-label", "missing-sound",
// "missing-video", "duplicate-label", "label-without-star".
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

// The finding of a broken jump, sound or video (none for one the game finds, nor for
// a jump no run can check), located at `file` and its line.
void addLoadFindings(const LoadResult& load, const std::string& file,
                     std::vector<Finding>& findings);

// The finding of a label defined twice, located at `file` and its line.
Finding duplicateLabelFinding(const DuplicateLabel& label, const std::string& file);

// In report order: each script's own findings where the report shows them, each
// reference's after it (a missing image before its letter-case hint), then the
// script's jumps, sounds, videos and labels defined twice in line order (a folder the
// project lacks once, at the first load from it), the unused images last. REQUIRES:
// the references and loads in scan order, as the scan records them.
std::vector<Finding> listFindings(const RunResults& results);
