// The server's reactions to the client's messages, apart from how they travel: each
// message in, the messages to send out. Diagnostics wait for a pause in the typing
// (`debounce`) and are sent by publishDue when their time has come.
#pragma once

#include <chrono>
#include <nlohmann/json.hpp>
#include <optional>
#include <vector>

#include "lsp/encoding_advice.h"
#include "lsp/project_sweep.h"
#include "lsp/workspace.h"

struct ServerState {
  Workspace workspace;
  ProjectSweep sweep;
  std::chrono::milliseconds debounce{150};
  bool initialized = false;               // initialize was answered
  bool shutDown = false;                  // shutdown was answered: only exit is left
  bool watchesFiles = false;              // the client registers file watchers when asked
  bool showsProgress = false;             // the client shows progress the server starts
  bool nestsSymbols = false;              // it takes DocumentSymbol[] for an outline
  EditorKind editor = EditorKind::other;  // the client, for advice on its settings
  std::optional<int> exitCode;            // set by exit: 0 after shutdown, else 1
  int nextRequestId = 1;                  // of the requests the server sends
};

// Handles one message of the client: a request, a notification, or the answer to a
// request of the server's. Returns the replies and notifications to send, in order.
// A request that fails gets the protocol's error reply; the server goes on.
std::vector<nlohmann::json> handleMessage(ServerState& state,
                                          const nlohmann::json& message,
                                          ServerClock::time_point now);

// The reply to a body that is not JSON.
nlohmann::json parseErrorReply();

// The messages due at `now`: the diagnostics of open scripts whose pause is over,
// after walking again the projects whose tree changed, and one step of a sweep
// through a project's scripts.
std::vector<nlohmann::json> publishDue(ServerState& state, ServerClock::time_point now);

// When publishDue has work next (`now` or earlier while a sweep goes on); none when
// nothing waits.
std::optional<ServerClock::time_point> nextDue(const ServerState& state);
