#include "outputs/sarif_output.h"

#include <cstddef>
#include <iterator>
#include <nlohmann/json.hpp>
#include <string_view>
#include <vector>

#include "outputs/findings.h"
#include "outputs/url_path.h"

namespace {

using Json = nlohmann::ordered_json;

constexpr std::string_view kRootBaseId = "%SRCROOT%";

// "file:///home/me/game/", "file:///C:/game/", "file://server/share/game/": the
// base the relative locations are resolved against, so ending with "/".
std::string rootUri(std::string_view utf8Root) {
  std::string uri = fileUri(utf8Root);
  if (!uri.ends_with('/')) uri += '/';
  return uri;
}

Json ruleJson(FindingRule rule) {
  return {
      {"id", ruleId(rule)},
      {"shortDescription", {{"text", ruleDescription(rule)}}},
      {"defaultConfiguration", {{"level", levelName(ruleLevel(rule))}}},
  };
}

std::size_t ruleIndex(const std::vector<FindingRule>& rules, FindingRule rule) {
  for (std::size_t index = 0; index < rules.size(); ++index) {
    if (rules[index] == rule) return index;
  }
  return 0;
}

Json resultJson(const std::vector<FindingRule>& rules, const Finding& finding) {
  std::string uri;
  appendUrlPath(finding.file, uri);
  Json physical = {{"artifactLocation", {{"uri", uri}, {"uriBaseId", kRootBaseId}}}};
  if (finding.line > 0) physical["region"] = {{"startLine", finding.line}};
  if (finding.line > 0 && finding.column > 0) {
    physical["region"]["startColumn"] = finding.column;
    physical["region"]["endColumn"] = finding.endColumn;
  }
  return {
      {"ruleId", ruleId(finding.rule)},
      {"ruleIndex", ruleIndex(rules, finding.rule)},
      {"level", levelName(ruleLevel(finding.rule))},
      {"message", {{"text", finding.utf8Message}}},
      {"locations", Json::array({{{"physicalLocation", std::move(physical)}}})},
  };
}

}  // namespace

std::string sarifDocument(const RunResults& results) {
  const std::vector<FindingRule> ruleList = findingRulesOf(results.checks);
  Json rules = Json::array();
  for (const FindingRule rule : ruleList) rules.push_back(ruleJson(rule));
  Json resultList = Json::array();
  for (const Finding& finding : listFindings(results)) {
    resultList.push_back(resultJson(ruleList, finding));
  }
  Json run = {
      {"tool",
       {{"driver",
         {{"name", "ks-image-check"},
          {"version", KIC_VERSION},
          {"semanticVersion", KIC_VERSION},
          {"rules", std::move(rules)}}}}},
      // A run that completed fails all the same when one of its documents could
      // not be written.
      // Columns as editors count them, so that a viewer marks the reference itself.
      {"columnKind", "utf16CodeUnits"},
      {"invocations",
       Json::array({{{"executionSuccessful", results.completed && results.exitCode != 1},
                     {"exitCode", results.exitCode}}})},
  };
  if (!results.root.empty()) {
    // The locations' base: the start folder when they are relative to it.
    const std::string& base = results.rootFromStart ? results.startFolder : results.root;
    run["originalUriBaseIds"][std::string(kRootBaseId)] = {{"uri", rootUri(base)}};
  }
  run["results"] = std::move(resultList);
  const Json log = {
      {"$schema", "https://json.schemastore.org/sarif-2.1.0.json"},
      {"version", "2.1.0"},
      {"runs", Json::array({std::move(run)})},
  };
  return log.dump(2, ' ', false, Json::error_handler_t::replace) + "\n";
}
