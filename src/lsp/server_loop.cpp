#include "lsp/server_loop.h"

#include <condition_variable>
#include <deque>
#include <iostream>
#include <memory>
#include <mutex>
#include <nlohmann/json.hpp>
#include <optional>
#include <thread>
#include <utility>
#include <vector>

#include "lsp/language_server.h"
#include "lsp/message_framing.h"
#include "lsp/standard_streams.h"

using nlohmann::json;

namespace {

struct Incoming {
  bool parsed = false;  // false: the body was no JSON, or the header no header
  json message;
};

// What the reading thread hands the main loop. Shared, so that a reader left waiting
// on an open input after exit touches nothing that is gone.
struct Inbox {
  std::mutex mutex;
  std::condition_variable changed;
  std::deque<Incoming> messages;
  bool ended = false;  // the input closed: the client is gone
};

void readMessages(std::istream& in, const std::shared_ptr<Inbox>& inbox) {
  while (true) {
    Frame frame = readFrame(in);
    if (frame.status == FrameStatus::end) break;
    Incoming incoming;
    if (frame.status == FrameStatus::message) {
      incoming.message = json::parse(frame.body, nullptr, /*allow_exceptions=*/false);
      incoming.parsed = !incoming.message.is_discarded();
    }
    {
      std::lock_guard lock(inbox->mutex);
      inbox->messages.push_back(std::move(incoming));
    }
    inbox->changed.notify_one();
  }
  {
    std::lock_guard lock(inbox->mutex);
    inbox->ended = true;
  }
  inbox->changed.notify_one();
}

// Writes each message with its header; false when the client cannot be reached.
bool send(std::ostream& out, const std::vector<json>& messages) {
  for (const json& message : messages) {
    // Names from the disk may hold bytes that are no UTF-8: replaced, not thrown.
    const std::string body = message.dump(-1, ' ', false, json::error_handler_t::replace);
    const std::string bytes = framed(body);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  }
  out.flush();
  return static_cast<bool>(out);
}

// The next message, waiting no longer than until `due`; nullopt when nothing came by
// then. Sets `ended` when the input closed and nothing is left.
std::optional<Incoming> nextIncoming(Inbox& inbox,
                                     const std::optional<ServerClock::time_point>& due,
                                     bool& ended) {
  std::unique_lock lock(inbox.mutex);
  const auto ready = [&] { return !inbox.messages.empty() || inbox.ended; };
  if (due) {
    inbox.changed.wait_until(lock, *due, ready);
  } else {
    inbox.changed.wait(lock, ready);
  }
  if (inbox.messages.empty()) {
    ended = inbox.ended;
    return std::nullopt;
  }
  Incoming incoming = std::move(inbox.messages.front());
  inbox.messages.pop_front();
  return incoming;
}

int serve(Inbox& inbox, std::ostream& out) {
  ServerState state;
  while (true) {
    bool ended = false;
    const std::optional<Incoming> incoming = nextIncoming(inbox, nextDue(state), ended);
    if (ended) return state.shutDown ? 0 : 1;
    if (incoming) {
      const std::vector<json> replies =
          incoming->parsed ? handleMessage(state, incoming->message, ServerClock::now())
                           : std::vector<json>{parseErrorReply()};
      if (!send(out, replies)) return 1;
      if (state.exitCode) return *state.exitCode;
    }
    if (!send(out, publishDue(state, ServerClock::now()))) return 1;
  }
}

}  // namespace

int serveLanguageServer(std::istream& in, std::ostream& out) {
  const auto inbox = std::make_shared<Inbox>();
  std::thread reader([&in, inbox] { readMessages(in, inbox); });
  const int exitCode = serve(*inbox, out);
  bool readerDone = false;
  {
    std::lock_guard lock(inbox->mutex);
    readerDone = inbox->ended;
  }
  // A reader still waiting for input that may never come is left to the process's
  // end; one that saw the end has finished.
  if (readerDone) {
    reader.join();
  } else {
    reader.detach();
  }
  return exitCode;
}

int runLanguageServer() {
  useBinaryStandardStreams();
  return serveLanguageServer(std::cin, std::cout);
}
