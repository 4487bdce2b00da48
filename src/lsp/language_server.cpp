#include "lsp/language_server.h"

#include <algorithm>
#include <exception>
#include <string>
#include <string_view>
#include <utility>

#include "lsp/completion.h"
#include "lsp/diagnostics.h"
#include "lsp/file_uri.h"
#include "lsp/reference_features.h"
#include "text/ascii_case.h"
#include "text/path_text.h"
#include "text/utf8.h"

namespace fs = std::filesystem;
using nlohmann::json;

namespace {

// Error codes of JSON-RPC and of the protocol.
constexpr int kParseError = -32700;
constexpr int kInvalidRequest = -32600;
constexpr int kMethodNotFound = -32601;
constexpr int kInvalidParams = -32602;
constexpr int kInternalError = -32603;
constexpr int kServerNotInitialized = -32002;

// The protocol's TextDocumentSyncKind.Incremental and MessageType.Error.
constexpr int kIncrementalSync = 2;
constexpr int kErrorMessage = 1;

// The files whose creation, change or deletion can change a verdict.
constexpr std::string_view kImageGlob =
    "**/*.{png,jpg,jpeg,gif,webp,bmp,PNG,JPG,JPEG,GIF,WEBP,BMP}";

json errorReply(const json& id, int code, std::string_view message) {
  return {
      {"jsonrpc", "2.0"}, {"id", id}, {"error", {{"code", code}, {"message", message}}}};
}

json notification(std::string_view method, json params) {
  return {{"jsonrpc", "2.0"}, {"method", method}, {"params", std::move(params)}};
}

// A member the message must have: the error a missing one raises (and the type
// error of a mistyped one) is the client's mistake, answered with "invalid params".
const json& member(const json& object, const char* key) { return object.at(key); }

std::string uriOf(const json& params) {
  return member(member(params, "textDocument"), "uri").get<std::string>();
}

TextPosition positionOf(const json& position) {
  return {member(position, "line").get<std::size_t>(),
          member(position, "character").get<std::size_t>()};
}

TextRange rangeOf(const json& range) {
  return {positionOf(member(range, "start")), positionOf(member(range, "end"))};
}

bool isScriptPath(const fs::path& path) {
  return equalIgnoringAsciiCase(utf8FromPath(path.extension()), ".ks");
}

OpenScript* openScript(ServerState& state, const json& params) {
  const auto script = state.workspace.scripts.find(uriOf(params));
  return script == state.workspace.scripts.end() ? nullptr : &script->second;
}

// Every handler gets the same: the state, the parameters, the time, and the list of
// messages to send besides a request's result.
struct Context {
  ServerState& state;
  const json& params;
  ServerClock::time_point now;
  std::vector<json>& out;
};

// --- requests

std::vector<fs::path> workspaceFoldersOf(const json& params) {
  std::vector<fs::path> folders;
  const auto addUri = [&](const json& uri) {
    if (!uri.is_string()) return;
    if (auto path = pathFromFileUri(uri.get<std::string>())) folders.push_back(*path);
  };
  if (const auto found = params.find("workspaceFolders");
      found != params.end() && found->is_array()) {
    for (const json& folder : *found) {
      if (folder.is_object() && folder.contains("uri")) addUri(folder["uri"]);
    }
  }
  if (folders.empty() && params.contains("rootUri")) addUri(params["rootUri"]);
  if (folders.empty() && params.contains("rootPath") && params["rootPath"].is_string()) {
    if (const auto path =
            pathFromWide(decodeUtf8(params["rootPath"].get<std::string>()))) {
      folders.push_back(*path);
    }
  }
  return folders;
}

json initialize(Context& c) {
  c.state.workspace.folders = workspaceFoldersOf(c.params);
  const json::json_pointer watchRegistration(
      "/capabilities/workspace/didChangeWatchedFiles/dynamicRegistration");
  c.state.watchesFiles =
      c.params.contains(watchRegistration) && c.params[watchRegistration] == true;
  openWorkspaceProjects(c.state.workspace);
  c.state.initialized = true;
  return {
      {"capabilities",
       {
           {"positionEncoding", "utf-16"},
           {"textDocumentSync",
            {{"openClose", true},
             {"change", kIncrementalSync},
             {"save", {{"includeText", false}}}}},
           {"hoverProvider", true},
           {"definitionProvider", true},
           {"completionProvider", {{"triggerCharacters", {"=", "\"", "'", "/"}}}},
           {"codeActionProvider", {{"codeActionKinds", {"quickfix"}}}},
           {"workspace",
            {{"workspaceFolders", {{"supported", true}, {"changeNotifications", true}}}}},
       }},
      {"serverInfo", {{"name", "ks-image-check"}, {"version", KIC_VERSION}}},
  };
}

json shutdown(Context& c) {
  c.state.shutDown = true;
  return nullptr;
}

// Hover and definition: an answer about the reference at a position.
using ReferenceAnswer = json (*)(const CheckedScript&, std::string_view, TextPosition,
                                 const fs::path&);

json aboutReferenceAt(Context& c, ReferenceAnswer answer) {
  OpenScript* script = openScript(c.state, c.params);
  if (script == nullptr) return nullptr;
  const CheckedScript& checked = checkedScript(c.state.workspace, *script);
  return answer(checked, script->document.utf8Text,
                positionOf(member(c.params, "position")), script->root);
}

json hover(Context& c) { return aboutReferenceAt(c, hoverJson); }

json definition(Context& c) { return aboutReferenceAt(c, definitionJson); }

json completion(Context& c) {
  OpenScript* script = openScript(c.state, c.params);
  if (script == nullptr) return nullptr;
  return completionJson(projectAt(c.state.workspace, script->root),
                        script->document.utf8Text,
                        positionOf(member(c.params, "position")));
}

json codeAction(Context& c) {
  OpenScript* script = openScript(c.state, c.params);
  if (script == nullptr) return json::array();
  const CheckedScript& checked = checkedScript(c.state.workspace, *script);
  const json& context =
      c.params.contains("context") ? c.params["context"] : json::object();
  return codeActionsJson(
      script->document.uri, checked, script->document.utf8Text,
      rangeOf(member(c.params, "range")),
      context.is_object() ? context.value("diagnostics", json::array()) : json::array());
}

// --- notifications

void initialized(Context& c) {
  if (!c.state.watchesFiles) return;
  // Images made, renamed or deleted outside the editor change verdicts too.
  c.out.push_back(
      {{"jsonrpc", "2.0"},
       {"id", c.state.nextRequestId++},
       {"method", "client/registerCapability"},
       {"params",
        {{"registrations",
          {{{"id", "ks-image-check-images"},
            {"method", "workspace/didChangeWatchedFiles"},
            {"registerOptions", {{"watchers", {{{"globPattern", kImageGlob}}}}}}}}}}}});
}

void didOpen(Context& c) {
  const json& document = member(c.params, "textDocument");
  const std::string uri = member(document, "uri").get<std::string>();
  const auto path = pathFromFileUri(uri);
  if (!path || !isScriptPath(*path)) return;
  OpenScript script;
  script.document = {uri, document.value("version", 0),
                     member(document, "text").get<std::string>()};
  script.root = projectRootFor(c.state.workspace, *path);
  script.publishAt = c.now;
  c.state.workspace.scripts.insert_or_assign(uri, std::move(script));
}

void didChange(Context& c) {
  OpenScript* script = openScript(c.state, c.params);
  if (script == nullptr) return;
  for (const json& change : member(c.params, "contentChanges")) {
    std::optional<TextRange> range;
    if (change.contains("range")) range = rangeOf(change["range"]);
    applyChange(script->document, range, member(change, "text").get<std::string>());
  }
  script->document.version =
      member(c.params, "textDocument").value("version", script->document.version);
  script->checked.reset();
  script->publishAt = c.now + c.state.debounce;
}

void didSave(Context& c) {
  // A save is the moment a client without file watchers tells of other changes.
  if (const auto path = pathFromFileUri(uriOf(c.params))) {
    markChanged(c.state.workspace, *path, c.now + c.state.debounce);
  }
}

void didClose(Context& c) {
  const std::string uri = uriOf(c.params);
  if (c.state.workspace.scripts.erase(uri) == 0) return;
  c.out.push_back(notification("textDocument/publishDiagnostics",
                               {{"uri", uri}, {"diagnostics", json::array()}}));
}

void didChangeWatchedFiles(Context& c) {
  for (const json& change : member(c.params, "changes")) {
    if (const auto path = pathFromFileUri(member(change, "uri").get<std::string>())) {
      markChanged(c.state.workspace, *path, c.now + c.state.debounce);
    }
  }
}

void didChangeWorkspaceFolders(Context& c) {
  const json& event = member(c.params, "event");
  std::vector<fs::path>& folders = c.state.workspace.folders;
  for (const json& removed : member(event, "removed")) {
    if (const auto path = pathFromFileUri(member(removed, "uri").get<std::string>())) {
      folders.erase(std::remove(folders.begin(), folders.end(), *path), folders.end());
    }
  }
  for (const json& added : member(event, "added")) {
    if (const auto path = pathFromFileUri(member(added, "uri").get<std::string>())) {
      folders.push_back(*path);
    }
  }
}

struct RequestHandler {
  std::string_view method;
  json (*handle)(Context&);
};

struct NotificationHandler {
  std::string_view method;
  void (*handle)(Context&);
};

constexpr RequestHandler kRequests[] = {
    {"initialize", initialize},
    {"shutdown", shutdown},
    {"textDocument/hover", hover},
    {"textDocument/definition", definition},
    {"textDocument/completion", completion},
    {"textDocument/codeAction", codeAction},
};

constexpr NotificationHandler kNotifications[] = {
    {"initialized", initialized},
    {"textDocument/didOpen", didOpen},
    {"textDocument/didChange", didChange},
    {"textDocument/didSave", didSave},
    {"textDocument/didClose", didClose},
    {"workspace/didChangeWatchedFiles", didChangeWatchedFiles},
    {"workspace/didChangeWorkspaceFolders", didChangeWorkspaceFolders},
};

void handleRequest(ServerState& state, const json& id, std::string_view method,
                   const json& params, ServerClock::time_point now,
                   std::vector<json>& out) {
  if (state.shutDown) {
    out.push_back(errorReply(id, kInvalidRequest, "the server was shut down"));
    return;
  }
  if (!state.initialized && method != "initialize") {
    out.push_back(errorReply(id, kServerNotInitialized, "initialize first"));
    return;
  }
  const auto handler =
      std::find_if(std::begin(kRequests), std::end(kRequests),
                   [&](const RequestHandler& h) { return h.method == method; });
  if (handler == std::end(kRequests)) {
    out.push_back(
        errorReply(id, kMethodNotFound, "unknown method: " + std::string(method)));
    return;
  }
  std::vector<json> after;
  Context context{state, params, now, after};
  try {
    json result = handler->handle(context);
    out.push_back({{"jsonrpc", "2.0"}, {"id", id}, {"result", std::move(result)}});
  } catch (const json::exception& error) {
    out.push_back(errorReply(id, kInvalidParams, error.what()));
  } catch (const std::exception& error) {
    out.push_back(errorReply(id, kInternalError, error.what()));
  }
  out.insert(out.end(), after.begin(), after.end());
}

void handleNotification(ServerState& state, std::string_view method, const json& params,
                        ServerClock::time_point now, std::vector<json>& out) {
  if (method == "exit") {
    state.exitCode = state.shutDown ? 0 : 1;
    return;
  }
  // Before initialize and after shutdown, notifications are dropped.
  if (!state.initialized || state.shutDown) return;
  const auto handler =
      std::find_if(std::begin(kNotifications), std::end(kNotifications),
                   [&](const NotificationHandler& h) { return h.method == method; });
  if (handler == std::end(kNotifications)) return;  // "$/..." and others: optional
  Context context{state, params, now, out};
  try {
    handler->handle(context);
  } catch (const std::exception& error) {
    // A notification has no reply; the client's log tells what went wrong.
    out.push_back(notification("window/logMessage",
                               {{"type", kErrorMessage},
                                {"message", std::string(method) + ": " + error.what()}}));
  }
}

}  // namespace

std::vector<json> handleMessage(ServerState& state, const json& message,
                                ServerClock::time_point now) {
  std::vector<json> out;
  if (!message.is_object()) {
    out.push_back(errorReply(nullptr, kInvalidRequest, "a message is a JSON object"));
    return out;
  }
  const auto method = message.find("method");
  const auto id = message.find("id");
  if (method == message.end()) {
    // The answer to a request of ours (a registration): nothing more to do.
    if (id != message.end() &&
        (message.contains("result") || message.contains("error"))) {
      return out;
    }
    out.push_back(errorReply(id != message.end() ? *id : json(nullptr), kInvalidRequest,
                             "a message without a method"));
    return out;
  }
  const bool validId =
      id != message.end() && (id->is_number_integer() || id->is_string());
  if (!method->is_string() || (id != message.end() && !validId)) {
    out.push_back(errorReply(validId ? *id : json(nullptr), kInvalidRequest,
                             "a method is a string, an id a number or a string"));
    return out;
  }
  static const json kNoParams = json::object();
  const auto params = message.find("params");
  const json& given = params == message.end() ? kNoParams : *params;
  if (id != message.end()) {
    handleRequest(state, *id, method->get<std::string>(), given, now, out);
  } else {
    handleNotification(state, method->get<std::string>(), given, now, out);
  }
  return out;
}

json parseErrorReply() {
  return errorReply(nullptr, kParseError, "the message is not JSON");
}

std::vector<json> publishDue(ServerState& state, ServerClock::time_point now) {
  std::vector<json> out;
  for (auto& [uri, script] : state.workspace.scripts) {
    if (!script.publishAt || *script.publishAt > now) continue;
    script.publishAt.reset();
    try {
      const CheckedScript& checked = checkedScript(state.workspace, script);
      out.push_back(notification(
          "textDocument/publishDiagnostics",
          {{"uri", uri},
           {"version", script.document.version},
           {"diagnostics",
            diagnosticsJson(checked, script.document.utf8Text, script.root)}}));
    } catch (const std::exception& error) {
      out.push_back(notification(
          "window/logMessage",
          {{"type", kErrorMessage}, {"message", uri + ": " + error.what()}}));
    }
  }
  return out;
}

std::optional<ServerClock::time_point> nextDue(const ServerState& state) {
  std::optional<ServerClock::time_point> due;
  for (const auto& [uri, script] : state.workspace.scripts) {
    if (script.publishAt && (!due || *script.publishAt < *due)) due = script.publishAt;
  }
  return due;
}
