// Conversions recorded from the Windows converters (tests/data/cp*-*.txt), and the
// means to compare a built-in table with them or with the system.
#pragma once

#include <cstdio>
#include <fstream>
#include <string>
#include <string_view>
#include <vector>

inline std::string bytesFromHex(const std::string& hex) {
  std::string out;
  for (std::size_t i = 0; i + 1 < hex.size(); i += 2) {
    out.push_back(static_cast<char>(std::stoi(hex.substr(i, 2), nullptr, 16)));
  }
  return out;
}

struct Recorded {
  std::string key;
  std::string value;
};

// Lines "key<TAB>value" of a file recorded from the Windows converters.
inline std::vector<Recorded> readRecorded(const std::string& name) {
  std::ifstream in(std::string(KIC_TEST_DATA_DIR) + "/" + name);
  std::vector<Recorded> rows;
  std::string line;
  while (std::getline(in, line)) {
    if (line.empty() || line[0] == '#') continue;
    auto tab = line.find('\t');
    rows.push_back({line.substr(0, tab), line.substr(tab + 1)});
  }
  return rows;
}

inline std::string hexBytes(std::string_view bytes) {
  std::string out;
  char buffer[4];
  for (unsigned char byte : bytes) {
    std::snprintf(buffer, sizeof buffer, "%02X ", byte);
    out += buffer;
  }
  return out;
}

inline std::string hexUnits(std::wstring_view text) {
  std::string out;
  char buffer[6];
  for (wchar_t unit : text) {
    std::snprintf(buffer, sizeof buffer, "%04X ", static_cast<unsigned>(unit));
    out += buffer;
  }
  return out;
}

// Mismatches are gathered so that a broken table reports its extent, not just its
// first wrong entry.
class Mismatches {
 public:
  void add(std::string line) {
    ++count_;
    if (lines_.size() < 20) lines_.push_back(std::move(line));
  }
  std::string summary() const {
    std::string out = std::to_string(count_) + " mismatches";
    for (const auto& line : lines_) out += "\n  " + line;
    return out;
  }
  bool empty() const { return count_ == 0; }

 private:
  std::size_t count_ = 0;
  std::vector<std::string> lines_;
};
