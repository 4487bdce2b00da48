#include "lsp/message_framing.h"

#include <algorithm>
#include <charconv>
#include <optional>

#include "text/ascii_case.h"

namespace {

// Header lines are short. A longer "line" is the body of a message whose length was
// wrong or missing, with the next header at its end: only its tail is kept.
constexpr std::size_t kMaxHeaderLine = 1024;

// Reads one header line without its line end ("\r\n", or "\n" from a lax client);
// nullopt when the stream ends first.
std::optional<std::string> readHeaderLine(std::istream& in) {
  std::string line;
  for (int c = in.get(); c != std::char_traits<char>::eof(); c = in.get()) {
    if (c == '\n') {
      if (!line.empty() && line.back() == '\r') line.pop_back();
      return line;
    }
    if (line.size() == 2 * kMaxHeaderLine) line.erase(0, kMaxHeaderLine);
    line += static_cast<char>(c);
  }
  return std::nullopt;
}

constexpr std::string_view kLengthField = "Content-Length";

bool equalsIgnoringCase(std::string_view a, std::string_view b) {
  return equalIgnoringAsciiCase(a, b);
}

// Where the last "Content-Length" of `line` starts, letter case aside; npos when
// there is none.
std::size_t lastLengthField(std::string_view line) {
  for (std::size_t at = line.size(); at >= kLengthField.size(); --at) {
    const std::size_t start = at - kLengthField.size();
    if (equalsIgnoringCase(line.substr(start, kLengthField.size()), kLengthField)) {
      return start;
    }
  }
  return std::string_view::npos;
}

// The value of a "Content-Length: N" line; nullopt for any other line. Whatever
// stands before the field is dropped: after a message whose length was short or
// missing, the rest of its body runs into the next header line, and reading finds
// its feet again there, as clients and servers in wide use do.
std::optional<std::size_t> contentLength(std::string_view line) {
  const std::size_t field = lastLengthField(line);
  if (field == std::string_view::npos) return std::nullopt;
  line.remove_prefix(field);
  const std::size_t colon = line.find(':');
  if (colon != kLengthField.size()) return std::nullopt;
  std::string_view value = line.substr(colon + 1);
  while (!value.empty() && (value.front() == ' ' || value.front() == '\t')) {
    value.remove_prefix(1);
  }
  while (!value.empty() && (value.back() == ' ' || value.back() == '\t')) {
    value.remove_suffix(1);
  }
  std::size_t length = 0;
  const auto [end, error] =
      std::from_chars(value.data(), value.data() + value.size(), length);
  if (error != std::errc() || end != value.data() + value.size() || value.empty()) {
    return std::nullopt;
  }
  return length;
}

}  // namespace

Frame readFrame(std::istream& in, std::size_t maxBodyBytes) {
  Frame frame;
  std::optional<std::size_t> length;
  bool sawHeader = false;
  while (true) {
    const std::optional<std::string> line = readHeaderLine(in);
    if (!line) return frame;  // end
    if (line->empty()) {
      // Blank lines between messages are tolerated; a header block ends at one.
      if (sawHeader) break;
      continue;
    }
    sawHeader = true;
    if (const auto value = contentLength(*line)) length = value;
  }
  if (!length || *length > maxBodyBytes) {
    if (length) in.ignore(static_cast<std::streamsize>(*length));
    frame.status = in ? FrameStatus::badHeader : FrameStatus::end;
    return frame;
  }
  // Grown as the bytes arrive: a header alone holds no memory.
  constexpr std::size_t kChunkBytes = std::size_t{1} << 20;
  while (frame.body.size() < *length) {
    const std::size_t had = frame.body.size();
    const std::size_t chunk = std::min(kChunkBytes, *length - had);
    frame.body.resize(had + chunk);
    in.read(frame.body.data() + had, static_cast<std::streamsize>(chunk));
    if (static_cast<std::size_t>(in.gcount()) != chunk) {
      frame.body.clear();
      return frame;  // end
    }
  }
  frame.status = FrameStatus::message;
  return frame;
}

std::string framed(std::string_view body) {
  std::string message = "Content-Length: " + std::to_string(body.size()) + "\r\n\r\n";
  message += body;
  return message;
}
