#include "text/line_reader.h"

#include <cstring>

namespace {

// Reads the next block; false when the stream gave nothing.
bool refill(LineReader& reader) {
  reader.next = 0;
  reader.end = 0;
  if (!*reader.in) return false;
  // Not zeroed: every byte handed out was read first.
  if (!reader.block)
    reader.block = std::make_unique_for_overwrite<char[]>(reader.blockBytes);
  reader.in->read(reader.block.get(), static_cast<std::streamsize>(reader.blockBytes));
  reader.end = static_cast<std::size_t>(reader.in->gcount());
  return reader.end > 0;
}

}  // namespace

void startReading(LineReader& reader, std::istream& in) {
  reader.in = &in;
  reader.next = 0;
  reader.end = 0;
}

bool readLine(LineReader& reader, std::string_view& line) {
  reader.spanning.clear();
  bool spans = false;  // part of the line is in `spanning`
  while (true) {
    if (reader.next == reader.end && !refill(reader)) {
      if (!spans) return false;
      line = reader.spanning;
      return true;
    }
    const char* begin = reader.block.get() + reader.next;
    const std::size_t left = reader.end - reader.next;
    const auto* stop = static_cast<const char*>(std::memchr(begin, '\n', left));
    if (stop == nullptr) {
      reader.spanning.append(begin, left);
      spans = true;
      reader.next = reader.end;
      continue;
    }
    const auto length = static_cast<std::size_t>(stop - begin);
    reader.next += length + 1;
    if (spans) {
      reader.spanning.append(begin, length);
      line = reader.spanning;
    } else {
      line = std::string_view(begin, length);
    }
    return true;
  }
}
