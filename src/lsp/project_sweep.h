// Problems of a whole project, not only of its open scripts: after each walk of a
// project's tree (at start, after a change of the tree), every script of its
// scenario folder is checked from disk and its diagnostics published, cleared when
// fixed. One script a step, between the client's messages, so that requests are
// answered while a large project is swept; the client sees the progress.
#pragma once

#include <chrono>
#include <cstddef>
#include <deque>
#include <filesystem>
#include <nlohmann/json.hpp>
#include <optional>
#include <vector>

#include "lsp/workspace.h"

struct ServerState;

// A sweep of this many scripts or more shows its progress.
inline constexpr std::size_t kProgressScripts = 50;

struct ProjectSweep {
  struct Item {
    std::filesystem::path root;
    std::filesystem::path script;
  };
  std::deque<Item> queue;  // scripts left to check, in order
  // Stale projects are walked again (and swept) at this time.
  std::optional<ServerClock::time_point> refreshAt;
  // The progress shown: asked for (window/workDoneProgress/create sent, not yet
  // answered), then shown between its begin and end.
  enum class Progress { none, asked, shown } progress = Progress::none;
  int progressRequest = 0;  // the id of the create request
  std::size_t total = 0, done = 0;
  int percentShown = -1;
};

// Queues every script of the projects walked since the last call, and clears the
// diagnostics of their scripts that are gone. Returns the messages to send.
std::vector<nlohmann::json> sweepWalkedProjects(ServerState& state);

// Queues the script at `path` of the project at `root` alone: closed in the editor,
// its file now speaks for it.
void queueScript(ServerState& state, const std::filesystem::path& root,
                 const std::filesystem::path& path);

// Checks the next queued script; the diagnostics and progress messages to send.
std::vector<nlohmann::json> sweepStep(ServerState& state);

// Checks every queued script of the project at `root` now: an answer about the
// whole project waits for them.
std::vector<nlohmann::json> finishSweep(ServerState& state,
                                        const std::filesystem::path& root);

// The client answered the request with `id` (a progress token's creation, perhaps);
// the messages to send then.
std::vector<nlohmann::json> sweepRequestAnswered(ServerState& state,
                                                 const nlohmann::json& id, bool accepted);

// Forgets the project at `root` (its workspace folder was removed): its queued
// scripts, and its diagnostics, cleared.
std::vector<nlohmann::json> forgetProject(ServerState& state,
                                          const std::filesystem::path& root);
