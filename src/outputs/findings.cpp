#include "outputs/findings.h"

#include <cstddef>
#include <map>
#include <utility>

#include "checks/load_words.h"
#include "text/utf8.h"

std::string_view ruleId(FindingRule rule) {
  switch (rule) {
    case FindingRule::missingImage:
      return "missing-image";
    case FindingRule::missingScript:
      return "missing-script";
    case FindingRule::letterCase:
      return "letter-case";
    case FindingRule::folderMismatch:
      return "folder-mismatch";
    case FindingRule::invalidBytes:
      return "invalid-bytes";
    case FindingRule::unusedImage:
      return "unused-image";
    case FindingRule::notLoadable:
      return "not-loadable";
    case FindingRule::missingLabel:
      return "missing-label";
    case FindingRule::missingSound:
      return "missing-sound";
    case FindingRule::missingVideo:
      return "missing-video";
    case FindingRule::duplicateLabel:
      return "duplicate-label";
    case FindingRule::labelWithoutStar:
      return "label-without-star";
  }
  return "";
}

std::vector<FindingRule> findingRulesOf(const CheckKinds& kinds) {
  std::vector<FindingRule> rules(std::begin(kFindingRules), std::end(kFindingRules));
  if (kinds.jumps) {
    rules.insert(rules.end(), {FindingRule::missingLabel, FindingRule::duplicateLabel,
                               FindingRule::labelWithoutStar});
  }
  if (kinds.sounds) {
    rules.insert(rules.end(), {FindingRule::missingSound, FindingRule::missingVideo});
  }
  return rules;
}

FindingLevel ruleLevel(FindingRule rule) {
  switch (rule) {
    case FindingRule::missingImage:
    case FindingRule::missingScript:
    case FindingRule::notLoadable:
    case FindingRule::missingLabel:
    case FindingRule::missingSound:
    case FindingRule::missingVideo:
    case FindingRule::labelWithoutStar:
      return FindingLevel::error;
    case FindingRule::unusedImage:
      return FindingLevel::note;
    case FindingRule::letterCase:
    case FindingRule::folderMismatch:
    case FindingRule::invalidBytes:
    case FindingRule::duplicateLabel:
      break;
  }
  return FindingLevel::warning;
}

std::string_view levelName(FindingLevel level) {
  switch (level) {
    case FindingLevel::error:
      return "error";
    case FindingLevel::warning:
      return "warning";
    case FindingLevel::note:
      break;
  }
  return "note";
}

std::string_view ruleDescription(FindingRule rule) {
  switch (rule) {
    case FindingRule::missingImage:
      return "スクリプトが参照する画像ファイルが見つかりません";
    case FindingRule::missingScript:
      return "調べるスクリプトが見つからないか、開けません";
    case FindingRule::letterCase:
      return "ファイル名の大文字・小文字が参照と異なります";
    case FindingRule::folderMismatch:
      return "画像が参照とは別のフォルダで見つかりました";
    case FindingRule::invalidBytes:
      return "スクリプトに UTF-8 として不正なバイト列があります";
    case FindingRule::unusedImage:
      return "どの参照にも使われていない画像です";
    case FindingRule::notLoadable:
      return "画像はあるが、ゲームが読み込む場所にはありません";
    case FindingRule::missingLabel:
      return "ジャンプ先のラベルがありません";
    case FindingRule::missingSound:
      return "スクリプトが鳴らす音声ファイルが見つかりません";
    case FindingRule::missingVideo:
      return "スクリプトが再生する動画ファイルが見つかりません";
    case FindingRule::duplicateLabel:
      return "一つのスクリプトに同じ名前のラベルがあります "
             "(ジャンプは最初のものに行きます)";
    case FindingRule::labelWithoutStar:
      return "ジャンプ先のラベルが * で始まっていません";
  }
  return "";
}

namespace {

// `file`: where the findings are located (see Finding::file).
void addScriptFinding(const ScriptResult& script, const std::string& file,
                      std::vector<Finding>& findings) {
  switch (script.status) {
    case ScriptStatus::missing:
      findings.push_back({FindingRule::missingScript, file, 0,
                          "ファイルが見つかりません: " + script.name});
      return;
    case ScriptStatus::unreadable:
      findings.push_back({FindingRule::missingScript, file, 0,
                          "ファイルを開けませんでした: " + script.name});
      return;
    case ScriptStatus::checked:
      return;
  }
}

void addInvalidBytesFinding(const ScriptResult& script, const std::string& file,
                            std::vector<Finding>& findings) {
  findings.push_back({FindingRule::invalidBytes, file, script.invalidBytesLine,
                      "UTF-8 として不正なバイト列があります: " + script.name});
}

}  // namespace

std::string notLoadableMessage(std::string_view utf8Reference,
                               std::string_view utf8LoadsFrom, bool loadsAboveGame,
                               std::string_view utf8Folder) {
  const std::string reference(utf8Reference);
  if (loadsAboveGame) {
    return "ゲームが読み込む場所にありません: " + reference +
           " (読み込む場所: ゲームのフォルダの外)";
  }
  if (utf8LoadsFrom.empty()) {
    return "検索パスにないフォルダで見つかりました: " + reference +
           " (フォルダ: " + std::string(utf8Folder) + ")";
  }
  return "ゲームが読み込む場所にありません: " + reference +
         " (読み込む場所: " + std::string(utf8LoadsFrom) + ")";
}

void addReferenceFindings(const ReferenceResult& reference, const std::string& file,
                          std::vector<Finding>& findings) {
  const auto add = [&](FindingRule rule, std::string message) {
    findings.push_back({rule, file, reference.line, std::move(message), reference.column,
                        reference.endColumn});
  };
  if (!reference.found) {
    add(FindingRule::missingImage,
        "画像ファイルが見つかりません: " + reference.reference);
    if (!reference.caseOnlyMatch.empty()) {
      add(FindingRule::letterCase,
          "大文字・小文字だけが異なるファイルがあります: " + reference.caseOnlyMatch);
    }
    return;
  }
  if (!reference.nameOnDisk.empty()) {
    add(FindingRule::letterCase,
        "ファイル名の大文字・小文字が参照と異なります: " + reference.reference + " (" +
            reference.nameOnDisk + ")");
  }
  if (reference.loadable == false) {
    add(FindingRule::notLoadable,
        notLoadableMessage(reference.reference, reference.loadsFrom.value_or(""),
                           reference.loadsAboveGame, reference.folder));
  }
  if (showsFolderMismatch(reference.folderMismatch, reference.loadable)) {
    add(FindingRule::folderMismatch,
        "参照とは別のフォルダで見つかりました: " + reference.reference +
            " (フォルダ: " + reference.folder + ")");
  }
}

namespace {

FindingRule loadRule(const LoadResult& load) {
  switch (load.kind) {
    case LoadResultKind::script:
      return FindingRule::missingScript;
    case LoadResultKind::label:
      return load.withoutStar ? FindingRule::labelWithoutStar : FindingRule::missingLabel;
    case LoadResultKind::sound:
      return FindingRule::missingSound;
    case LoadResultKind::video:
      return FindingRule::missingVideo;
  }
  return FindingRule::missingScript;
}

// The loads from each folder the project lacks, by folder and kind.
using FolderCounts = std::map<std::pair<std::string, LoadResultKind>, int>;

FolderCounts missingFolderCounts(const RunResults& results) {
  FolderCounts counts;
  for (const LoadResult& load : results.loads) {
    if (load.folderMissing) ++counts[{load.folder, load.kind}];
  }
  return counts;
}

// The findings of the loads and doubled labels of script `index` from `next` and
// `nextLabel` on, in line order.
void addScriptLoadFindings(const RunResults& results, std::size_t index,
                           const std::string& file, std::size_t& next,
                           std::size_t& nextLabel, FolderCounts& folders,
                           std::vector<Finding>& findings) {
  const auto& loads = results.loads;
  const auto& labels = results.duplicateLabels;
  while (true) {
    const bool load = next < loads.size() && loads[next].script == index;
    const bool label = nextLabel < labels.size() && labels[nextLabel].script == index;
    if (!load && !label) return;
    if (label && (!load || labels[nextLabel].line <= loads[next].line)) {
      findings.push_back(duplicateLabelFinding(labels[nextLabel++], file));
      continue;
    }
    const LoadResult& found = loads[next++];
    if (!found.folderMissing) {
      addLoadFindings(found, file, findings);
      continue;
    }
    // One finding for all the loads from a folder the project lacks, at the first.
    const auto counted = folders.find({found.folder, found.kind});
    if (counted == folders.end()) continue;
    findings.push_back({loadRule(found), file, found.line,
                        missingFolderMessage(found.folder, counted->second, found.kind),
                        found.column, found.endColumn});
    folders.erase(counted);
  }
}

}  // namespace

void addLoadFindings(const LoadResult& load, const std::string& file,
                     std::vector<Finding>& findings) {
  if (load.status != LoadStatus::missing) return;
  findings.push_back(
      {loadRule(load), file, load.line, loadMessage(load), load.column, load.endColumn});
}

Finding duplicateLabelFinding(const DuplicateLabel& label, const std::string& file) {
  return {FindingRule::duplicateLabel, file, label.line, duplicateLabelMessage(label)};
}

std::vector<Finding> listFindings(const RunResults& results) {
  // A CI system resolves locations from the repository's root, where a run with
  // -C data starts.
  std::string base;
  if (results.rootFromStart && *results.rootFromStart != ".") {
    base = *results.rootFromStart + "/";
  }
  std::vector<Finding> findings;
  // References come in scan order, so each script's run of them follows the script;
  // so do loads and doubled labels.
  std::size_t next = 0;
  std::size_t nextLoad = 0;
  std::size_t nextLabel = 0;
  FolderCounts folders = missingFolderCounts(results);
  for (std::size_t index = 0; index < results.scripts.size(); ++index) {
    const ScriptResult& script = results.scripts[index];
    const std::string file = base + script.path;
    addScriptFinding(script, file, findings);
    // The report names invalid bytes when it meets them, before that line's images.
    bool invalidBytesPending = script.invalidBytesLine > 0;
    for (; next < results.references.size() && results.references[next].script == index;
         ++next) {
      const ReferenceResult& reference = results.references[next];
      if (invalidBytesPending && reference.line >= script.invalidBytesLine) {
        addInvalidBytesFinding(script, file, findings);
        invalidBytesPending = false;
      }
      addReferenceFindings(reference, file, findings);
    }
    if (invalidBytesPending) addInvalidBytesFinding(script, file, findings);
    addScriptLoadFindings(results, index, file, nextLoad, nextLabel, folders, findings);
  }
  if (results.unused) {
    for (const std::string& image : *results.unused) {
      findings.push_back({FindingRule::unusedImage, base + image, 0,
                          "使われていない画像: " + sanitizedUtf8(image)});
    }
  }
  return findings;
}
