#include "outputs/github_annotations.h"

#include "outputs/findings.h"
#include "text/utf8.h"

namespace {

std::string escape(std::string_view utf8, bool property) {
  std::string out;
  out.reserve(utf8.size());
  for (const char c : utf8) {
    switch (c) {
      case '%':
        out += "%25";
        break;
      case '\r':
        out += "%0D";
        break;
      case '\n':
        out += "%0A";
        break;
      case ':':
        out += property ? "%3A" : ":";
        break;
      case ',':
        out += property ? "%2C" : ",";
        break;
      default:
        out += c;
    }
  }
  return out;
}

// Workflow commands call the lowest level a notice.
std::string_view commandName(FindingLevel level) {
  return level == FindingLevel::note ? "notice" : levelName(level);
}

}  // namespace

std::string escapeCommandData(std::string_view utf8) { return escape(utf8, false); }

std::string escapeCommandProperty(std::string_view utf8) { return escape(utf8, true); }

std::string githubAnnotations(const RunResults& results) {
  std::string text;
  for (const Finding& finding : listFindings(results)) {
    text += "::";
    text += commandName(ruleLevel(finding.rule));
    text += " file=";
    // The runner reads UTF-8: an unused image's name that is not becomes U+FFFD.
    text += escapeCommandProperty(sanitizedUtf8(finding.file));
    if (finding.line > 0) {
      text += ",line=";
      text += std::to_string(finding.line);
    }
    text += "::";
    text += escapeCommandData(finding.utf8Message);
    text += '\n';
  }
  return text;
}
