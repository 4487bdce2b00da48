// Lines of a byte stream as std::getline reads them, read a block at a time: a line
// ends at "\n", which it does not include (a "\r" before it stays); a last line
// without "\n" counts, and no empty line follows a final "\n". Holds one block and,
// for a line longer than what is left of a block, that line.
#pragma once

#include <cstddef>
#include <istream>
#include <memory>
#include <string>
#include <string_view>

// One reader serves stream after stream, keeping its memory.
struct LineReader {
  explicit LineReader(std::size_t blockBytes = 64 * 1024) : blockBytes(blockBytes) {}

  std::size_t blockBytes;
  std::istream* in = nullptr;
  std::unique_ptr<char[]> block;  // made at the first read
  std::size_t next = 0;           // block[next, end) is read but not yet handed out
  std::size_t end = 0;
  std::string spanning;  // a line that began in an earlier block
};

// Makes `reader` read `in` from its current position on. `in` must outlive the
// reading.
void startReading(LineReader& reader, std::istream& in);

// Sets `line` to the next line: a view valid until the next call. False when the
// stream holds no more lines; a read that fails ends it too.
// REQUIRES: startReading was called.
bool readLine(LineReader& reader, std::string_view& line);
