#include "outputs/json_output.h"

#include <nlohmann/json.hpp>
#include <string_view>
#include <utility>

#include "checks/load_words.h"
#include "outputs/url_path.h"
#include "text/utf8.h"

namespace {

// Fields keep the order README.md shows them in.
using Json = nlohmann::ordered_json;

Json textOrNull(const std::string& text) { return text.empty() ? Json() : Json(text); }

std::string_view statusName(ScriptStatus status) {
  switch (status) {
    case ScriptStatus::checked:
      return "checked";
    case ScriptStatus::missing:
      return "missing";
    case ScriptStatus::unreadable:
      return "unreadable";
  }
  return "";
}

Json scriptJson(const ScriptResult& script) {
  Json json = {{"name", script.name}, {"status", statusName(script.status)}};
  if (script.status == ScriptStatus::checked) {
    json["encoding"] = encodingName(script.encoding);
  }
  return json;
}

const std::string& scriptName(std::size_t script, const RunResults& results) {
  static const std::string kNone;
  return script < results.scripts.size() ? results.scripts[script].name : kNone;
}

std::string_view kindName(LoadResultKind kind) {
  switch (kind) {
    case LoadResultKind::script:
      return "script";
    case LoadResultKind::label:
      return "label";
    case LoadResultKind::sound:
      return "sound";
    case LoadResultKind::video:
      return "video";
  }
  return "";
}

std::string_view loadStatusName(LoadStatus status) {
  switch (status) {
    case LoadStatus::found:
      return "found";
    case LoadStatus::missing:
      return "missing";
    case LoadStatus::unchecked:
      return "unchecked";
  }
  return "";
}

Json loadJson(const LoadResult& load, const RunResults& results) {
  const bool jump =
      load.kind == LoadResultKind::script || load.kind == LoadResultKind::label;
  return {
      {"script", scriptName(load.script, results)},
      {"line", load.line},
      {"kind", kindName(load.kind)},
      {"reference", loadSubject(load)},
      {"storage", load.storage},
      {"label", textOrNull(load.label)},
      {"status", loadStatusName(load.status)},
      {"file", textOrNull(load.file)},
      {"suggestions", load.suggestions},
      {"loadsFrom", textOrNull(load.loadsFrom)},
      {"withoutStar", jump ? Json(load.withoutStar) : Json()},
      {"folderMissing", jump ? Json() : Json(load.folderMissing)},
      {"column", load.column > 0 ? Json(load.column) : Json()},
      {"macro", textOrNull(load.macro)},
  };
}

Json referenceJson(const ReferenceResult& reference, const RunResults& results) {
  const std::string& script = scriptName(reference.script, results);
  Json json = {
      {"script", script},
      {"line", reference.line},
      {"reference", reference.reference},
      {"hint", reference.hint ? Json(*reference.hint) : Json()},
      {"status", reference.found ? "found" : "missing"},
      {"folder", reference.found ? Json(reference.folder) : Json()},
      {"file", reference.found ? Json(reference.file) : Json()},
      {"caseOnlyMatch", textOrNull(reference.caseOnlyMatch)},
      {"nameOnDisk", textOrNull(reference.nameOnDisk)},
      {"folderMismatch", reference.folderMismatch},
      {"suggestions", reference.suggestions},
      {"loadsFrom", reference.loadsFrom ? Json(*reference.loadsFrom) : Json()},
      {"loadable", reference.loadable ? Json(*reference.loadable) : Json()},
      {"column", reference.column > 0 ? Json(reference.column) : Json()},
      {"macro", textOrNull(reference.macro)},
  };
  if (results.checks.beyondImages()) json["kind"] = "image";
  return json;
}

Json checksJson(const CheckKinds& kinds) {
  Json names = Json::array();
  if (kinds.images) names.push_back("images");
  if (kinds.jumps) names.push_back("jumps");
  if (kinds.sounds) names.push_back("sounds");
  return names;
}

}  // namespace

std::string jsonDocument(const RunResults& results) {
  Json scripts = Json::array();
  for (const ScriptResult& script : results.scripts)
    scripts.push_back(scriptJson(script));
  Json references = Json::array();
  for (const ReferenceResult& reference : results.references) {
    references.push_back(referenceJson(reference, results));
  }
  // The report lists these after every image.
  for (const LoadResult& load : results.loads)
    references.push_back(loadJson(load, results));
  const ScanTotals& totals = results.totals;
  Json document = {
      {"tool", {{"name", "ks-image-check"}, {"version", KIC_VERSION}}},
      {"root", results.root},
      {"rootFromStart", results.rootFromStart ? Json(*results.rootFromStart) : Json()},
      {"layout", results.layout},
      {"completed", results.completed},
      {"exitCode", results.exitCode},
      {"scripts", std::move(scripts)},
      {"references", std::move(references)},
      {"summary",
       {{"references", totals.references},
        {"found", totals.found},
        {"missing", totals.missing},
        {"scripts", totals.scripts},
        {"scriptsMissing", totals.scriptsMissing},
        {"notLoadable", totals.notLoadable},
        {"scriptsInSubfolders", results.scriptsInSubfolders}}},
  };
  const CheckKinds& kinds = results.checks;
  if (kinds.beyondImages()) {
    // Only then, so that a run of images alone writes what it always wrote.
    document["checks"] = checksJson(kinds);
    Json& summary = document["summary"];
    if (kinds.jumps) {
      summary["jumps"] = totals.jumps;
      summary["jumpsMissing"] = totals.jumpsMissing;
      Json labels = Json::array();
      for (const DuplicateLabel& label : results.duplicateLabels) {
        labels.push_back({{"script", scriptName(label.script, results)},
                          {"line", label.line},
                          {"label", label.label},
                          {"firstLine", label.firstLine}});
      }
      document["duplicateLabels"] = std::move(labels);
    }
    if (kinds.sounds) {
      summary["sounds"] = totals.sounds;
      summary["soundsMissing"] = totals.soundsMissing;
      summary["videos"] = totals.videos;
      summary["videosMissing"] = totals.videosMissing;
    }
  }
  if (results.unused) {
    // The paths as text, and as URI paths that name the file whatever bytes its
    // name holds (text shows bytes that are not UTF-8 as U+FFFD).
    Json unused = Json::array();
    Json unusedUris = Json::array();
    for (const std::string& path : *results.unused) {
      unused.push_back(sanitizedUtf8(path));
      std::string uri;
      appendUrlPath(path, uri);
      unusedUris.push_back(std::move(uri));
    }
    document["unused"] = std::move(unused);
    document["unusedUris"] = std::move(unusedUris);
  }
  // Text from the file system may hold bytes that are not UTF-8; they become U+FFFD
  // rather than ending the run.
  return document.dump(2, ' ', false, Json::error_handler_t::replace) + "\n";
}
