// The protocol's base layer: each message is a JSON body after a header block,
// "Content-Length: <bytes>\r\n" (other fields allowed) and an empty line.
#pragma once

#include <istream>
#include <string>
#include <string_view>

enum class FrameStatus {
  message,    // `body` holds the message
  badHeader,  // the header block had no usable Content-Length; reading can go on
  end,        // the stream ended (a client gone), possibly inside a message
};

struct Frame {
  FrameStatus status = FrameStatus::end;
  std::string body;
};

// Reads the next message from `in` (binary). A body larger than `maxBodyBytes` is
// skipped and reported as a bad header: a client cannot make the server hold an
// arbitrary amount.
Frame readFrame(std::istream& in, std::size_t maxBodyBytes = std::size_t{1} << 30);

// `body` with its header block, ready to be written.
std::string framed(std::string_view body);
