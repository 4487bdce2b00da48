// An input stream over bytes already in memory, for readers that take a stream: a
// file read once can be read again without the disk.
#pragma once

#include <istream>
#include <streambuf>
#include <string_view>

class MemoryBuffer : public std::streambuf {
 public:
  explicit MemoryBuffer(std::string_view bytes) {
    char* begin = const_cast<char*>(bytes.data());
    setg(begin, begin, begin + bytes.size());
  }

 protected:
  pos_type seekoff(off_type offset, std::ios_base::seekdir way,
                   std::ios_base::openmode which) override {
    if (!(which & std::ios_base::in)) return pos_type(off_type(-1));
    const off_type size = egptr() - eback();
    off_type target = offset;
    if (way == std::ios_base::cur) target += gptr() - eback();
    if (way == std::ios_base::end) target += size;
    if (target < 0 || target > size) return pos_type(off_type(-1));
    setg(eback(), eback() + target, egptr());
    return pos_type(target);
  }
  pos_type seekpos(pos_type position, std::ios_base::openmode which) override {
    return seekoff(off_type(position), std::ios_base::beg, which);
  }
};

// REQUIRES: the bytes outlive the stream; it never writes to them.
class MemoryInput : public std::istream {
 public:
  explicit MemoryInput(std::string_view bytes) : std::istream(nullptr), buffer_(bytes) {
    rdbuf(&buffer_);
  }

 private:
  MemoryBuffer buffer_;
};
