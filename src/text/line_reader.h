// Lines of a byte stream as std::getline reads them, read a block at a time: a line
// ends at "\n", which it does not include (a "\r" before it stays); a last line
// without "\n" counts, and no empty line follows a final "\n". Holds one block and,
// for a line longer than what is left of a block, that line.
#pragma once

#include <cstddef>
#include <istream>
#include <string>
#include <string_view>
#include <vector>

struct LineReader {
  explicit LineReader(std::istream& in, std::size_t blockBytes = 64 * 1024)
      : in(in), block(blockBytes) {}

  std::istream& in;  // read from its current position on
  std::vector<char> block;
  std::size_t next = 0;  // block[next, end) is read but not yet handed out
  std::size_t end = 0;
  std::string spanning;  // a line that began in an earlier block
};

// Sets `line` to the next line: a view valid until the next call. False when the
// stream holds no more lines; a read that fails ends it too.
bool readLine(LineReader& reader, std::string_view& line);
