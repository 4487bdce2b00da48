#include "lsp/language_server.h"

#include <algorithm>
#include <exception>
#include <iterator>
#include <string>
#include <string_view>
#include <utility>

#include "lsp/client_positions.h"
#include "lsp/completion.h"
#include "lsp/diagnostics.h"
#include "lsp/document_links.h"
#include "lsp/document_symbols.h"
#include "lsp/file_uri.h"
#include "lsp/load_features.h"
#include "lsp/project_references.h"
#include "lsp/protocol_json.h"
#include "lsp/reference_features.h"
#include "lsp/script_file.h"
#include "lsp/text_positions.h"
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

// The protocol's TextDocumentSyncKind.Incremental and MessageTypes.
constexpr int kIncrementalSync = 2;
constexpr int kErrorMessage = 1;
constexpr int kWarningMessage = 2;

// The files whose creation, change or deletion can change a verdict: the images, the
// scripts, which a sweep checks from disk and whose macros count everywhere, and the
// project file.
constexpr std::string_view kImageGlob =
    "**/*.{png,jpg,jpeg,gif,webp,bmp,PNG,JPG,JPEG,GIF,WEBP,BMP}";
constexpr std::string_view kScriptGlob = "**/*.{ks,KS}";
constexpr std::string_view kProjectFileGlob = "**/ks-image-check.toml";

json errorReply(const json& id, int code, std::string_view message) {
  return {
      {"jsonrpc", "2.0"}, {"id", id}, {"error", {{"code", code}, {"message", message}}}};
}

json notification(std::string_view method, json params) {
  return notificationJson(method, std::move(params));
}

// A member the message must have: the error a missing one raises (and the type
// error of a mistyped one) is the client's mistake, answered with "invalid params".
const json& member(const json& object, const char* key) { return object.at(key); }

std::string uriOf(const json& params) {
  return member(member(params, "textDocument"), "uri").get<std::string>();
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

bool saysTrue(const json& params, const char* pointer) {
  const json::json_pointer at(pointer);
  return params.contains(at) && params[at] == true;
}

json initialize(Context& c) {
  c.state.workspace.folders = workspaceFoldersOf(c.params);
  c.state.watchesFiles = saysTrue(
      c.params, "/capabilities/workspace/didChangeWatchedFiles/dynamicRegistration");
  c.state.showsProgress = saysTrue(c.params, "/capabilities/window/workDoneProgress");
  c.state.nestsSymbols = saysTrue(
      c.params,
      "/capabilities/textDocument/documentSymbol/hierarchicalDocumentSymbolSupport");
  const json::json_pointer clientName("/clientInfo/name");
  if (c.params.contains(clientName) && c.params[clientName].is_string()) {
    c.state.editor = editorNamed(c.params[clientName].get<std::string>());
  }
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
           {"referencesProvider", true},
           {"documentLinkProvider", {{"resolveProvider", false}}},
           {"documentSymbolProvider", true},
           {"completionProvider", {{"triggerCharacters", {"=", "\"", "'", "/", "*"}}}},
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

// What hover and definition are asked about: an open script's check, its text, the
// position, and the call of a macro there, if any.
struct AskedAt {
  OpenScript* script = nullptr;
  const CheckedScript* checked = nullptr;
  TextPosition position;
  std::size_t offset = 0;  // in the position's line, in bytes
  std::optional<MacroCall> call;
};

AskedAt askedAt(Context& c) {
  AskedAt asked;
  asked.script = openScript(c.state, c.params);
  if (asked.script == nullptr) return asked;
  asked.checked = &checkedScript(c.state.workspace, *asked.script);
  const std::string& text = asked.script->document.utf8Text;
  asked.position = clientPosition(member(c.params, "position"), text);
  asked.offset = byteOffsetOfColumn(lineText(text, lineStarts(text), asked.position.line),
                                    asked.position.character);
  asked.call = macroCallAt(projectAt(c.state.workspace, asked.script->root), text,
                           asked.position.line, asked.offset);
  return asked;
}

json hover(Context& c) {
  const AskedAt asked = askedAt(c);
  if (asked.script == nullptr) return nullptr;
  const std::string& text = asked.script->document.utf8Text;
  if (asked.call) {
    return macroCallHoverJson(*asked.call, *asked.checked, text, asked.position,
                              asked.script->root);
  }
  json hover = hoverJson(*asked.checked, text, asked.position, asked.script->root);
  if (hover.is_null()) hover = loadHoverJson(*asked.checked, text, asked.position);
  return hover;
}

json definition(Context& c) {
  const AskedAt asked = askedAt(c);
  if (asked.script == nullptr) return nullptr;
  // From a call's name to the macro; from a value it passes to the file.
  if (asked.call && asked.call->nameBegin <= asked.offset &&
      asked.offset <= asked.call->nameEnd) {
    return macroDefinitionJson(*asked.call, asked.script->root);
  }
  const std::string& text = asked.script->document.utf8Text;
  json location =
      definitionJson(*asked.checked, text, asked.position, asked.script->root);
  if (location.is_null()) {
    // From a jump's label or script to where it goes, from a sound to its file.
    location = loadDefinitionJson(*asked.checked, text, asked.position,
                                  asked.script->document.uri, asked.script->root);
  }
  return location;
}

json completion(Context& c) {
  OpenScript* script = openScript(c.state, c.params);
  if (script == nullptr) return nullptr;
  const std::string& text = script->document.utf8Text;
  const CheckedScript& checked = checkedScript(c.state.workspace, *script);
  return completionJson(projectAt(c.state.workspace, script->root), checked, text,
                        clientPosition(member(c.params, "position"), text));
}

json codeAction(Context& c) {
  OpenScript* script = openScript(c.state, c.params);
  if (script == nullptr) return json::array();
  const CheckedScript& checked = checkedScript(c.state.workspace, *script);
  const std::string& text = script->document.utf8Text;
  const json& context =
      c.params.contains("context") ? c.params["context"] : json::object();
  return codeActionsJson(
      script->document.uri, checked, text, clientRange(member(c.params, "range"), text),
      context.is_object() ? context.value("diagnostics", json::array()) : json::array(),
      projectAt(c.state.workspace, script->root));
}

json references(Context& c) {
  const std::optional<ImageTarget> target =
      imageTargetOf(c.state.workspace, uriOf(c.params), member(c.params, "position"));
  if (!target) return nullptr;
  // An answer about the whole project waits for the scripts not yet checked.
  const std::vector<json> checked = finishSweep(c.state, target->root);
  c.out.insert(c.out.end(), checked.begin(), checked.end());
  return referenceLocationsJson(c.state.workspace, *target);
}

json documentLink(Context& c) {
  OpenScript* script = openScript(c.state, c.params);
  if (script == nullptr) return json::array();
  return documentLinksJson(checkedScript(c.state.workspace, *script),
                           script->document.utf8Text, script->root);
}

json documentSymbol(Context& c) {
  OpenScript* script = openScript(c.state, c.params);
  if (script == nullptr) return json::array();
  return documentSymbolsJson(checkedScript(c.state.workspace, *script),
                             script->document.utf8Text, c.state.nestsSymbols,
                             script->document.uri);
}

// --- notifications

void initialized(Context& c) {
  if (!c.state.watchesFiles) return;
  // Images made, renamed or deleted outside the editor change verdicts too, and so
  // do scripts and the project file changed outside it.
  c.out.push_back(requestJson(c.state.nextRequestId++, "client/registerCapability",
                              {{"registrations",
                                {{{"id", "ks-image-check-images"},
                                  {"method", "workspace/didChangeWatchedFiles"},
                                  {"registerOptions",
                                   {{"watchers",
                                     {{{"globPattern", kImageGlob}},
                                      {{"globPattern", kScriptGlob}},
                                      {{"globPattern", kProjectFileGlob}}}}}}}}}}));
}

// Tells once per document that the editor misread a script saved in a legacy
// encoding, and which setting fixes that.
void adviseOnEncoding(Context& c, OpenScript& script) {
  const std::optional<ScriptFile> file = readScriptFile(
      script.path, encodingChoiceOf(projectAt(c.state.workspace, script.root)));
  if (!file) return;
  const std::optional<ScriptEncoding> encoding = legacyEncodingOf(*file);
  if (!encoding || script.document.utf8Text == file->utf8Text ||
      !looksMisread(script.document.utf8Text)) {
    return;
  }
  script.misreadAs = encoding;
  if (!c.state.workspace.misreadAdvised.insert(script.document.uri).second) return;
  const fs::path relative = script.path.lexically_relative(script.root);
  const std::string name = withForwardSlashes(
      utf8FromPath(relative.empty() ? script.path.filename() : relative));
  c.out.push_back(notification(
      "window/showMessage", {{"type", kWarningMessage},
                             {"message", misreadMessage(name, *encoding, c.state.editor,
                                                        file->doubtsShiftJis)}}));
}

void didOpen(Context& c) {
  const json& document = member(c.params, "textDocument");
  const std::string uri = member(document, "uri").get<std::string>();
  const auto path = pathFromFileUri(uri);
  if (!path || !isScriptPath(*path)) return;
  OpenScript script;
  script.document = {uri, document.value("version", 0),
                     member(document, "text").get<std::string>()};
  script.path = path->lexically_normal();
  script.root = projectRootFor(c.state.workspace, *path);
  script.publishAt = c.now;
  adviseOnEncoding(c, script);
  c.state.workspace.scripts.insert_or_assign(uri, std::move(script));
}

void didChange(Context& c) {
  OpenScript* script = openScript(c.state, c.params);
  if (script == nullptr) return;
  for (const json& change : member(c.params, "contentChanges")) {
    std::optional<TextRange> range;
    if (change.contains("range")) {
      range = clientRange(change["range"], script->document.utf8Text);
    }
    applyChange(script->document, range, member(change, "text").get<std::string>());
  }
  script->document.version =
      member(c.params, "textDocument").value("version", script->document.version);
  // Reopened in the right encoding, the text reads truly again.
  if (script->misreadAs && !looksMisread(script->document.utf8Text)) {
    script->misreadAs.reset();
  }
  script->checked.reset();
  script->definitionsTaken = false;
  script->publishAt = c.now + c.state.debounce;
}

// The tree below `path` changed: its project is walked again (and swept) after the
// pause, whether or not a script of it is open.
void treeChanged(Context& c, const fs::path& path) {
  const ServerClock::time_point when = c.now + c.state.debounce;
  if (!markChanged(c.state.workspace, path, when)) return;
  auto& refreshAt = c.state.sweep.refreshAt;
  if (!refreshAt || *refreshAt > when) refreshAt = when;
}

void didSave(Context& c) {
  // A save is the moment a client without file watchers tells of other changes.
  if (const auto path = pathFromFileUri(uriOf(c.params))) treeChanged(c, *path);
}

void didClose(Context& c) {
  const std::string uri = uriOf(c.params);
  const auto script = c.state.workspace.scripts.find(uri);
  if (script == c.state.workspace.scripts.end()) return;
  const fs::path path = script->second.path;
  const fs::path root = script->second.root;
  c.state.workspace.scripts.erase(script);
  c.out.push_back(notification("textDocument/publishDiagnostics",
                               {{"uri", uri}, {"diagnostics", json::array()}}));
  const auto project = c.state.workspace.projects.find(root);
  if (project == c.state.workspace.projects.end()) return;
  // Its file defines again what the editor's text defined.
  if (takeScriptFile(project->second, path)) {
    definitionsChanged(c.state.workspace, root, path);
  }
  // A script of the project's scenario folder speaks from disk again.
  if (isBelow(path, root / "scenario")) queueScript(c.state, root, path);
}

void didChangeWatchedFiles(Context& c) {
  for (const json& change : member(c.params, "changes")) {
    if (const auto path = pathFromFileUri(member(change, "uri").get<std::string>())) {
      treeChanged(c, *path);
    }
  }
}

void didChangeWorkspaceFolders(Context& c) {
  const json& event = member(c.params, "event");
  Workspace& workspace = c.state.workspace;
  for (const json& removed : member(event, "removed")) {
    const auto path = pathFromFileUri(member(removed, "uri").get<std::string>());
    if (!path) continue;
    std::erase(workspace.folders, *path);
    std::vector<fs::path> roots;
    for (const auto& [root, project] : workspace.projects) {
      if (isBelow(root, *path)) roots.push_back(root);
    }
    for (const fs::path& root : roots) {
      const std::vector<json> cleared = forgetProject(c.state, root);
      c.out.insert(c.out.end(), cleared.begin(), cleared.end());
    }
  }
  for (const json& added : member(event, "added")) {
    if (const auto path = pathFromFileUri(member(added, "uri").get<std::string>())) {
      workspace.folders.push_back(*path);
    }
  }
  // Folders added later are walked as those given at the start.
  openWorkspaceProjects(workspace);
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
    {"textDocument/references", references},
    {"textDocument/documentLink", documentLink},
    {"textDocument/documentSymbol", documentSymbol},
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
  if (state.initialized && method == "initialize") {
    out.push_back(errorReply(id, kInvalidRequest, "the server is initialized already"));
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
    // The answer to a request of ours: a registration needs nothing more, a
    // progress token lets the progress begin.
    if (id != message.end() &&
        (message.contains("result") || message.contains("error"))) {
      return sweepRequestAnswered(state, *id, !message.contains("error"));
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
  if (state.sweep.refreshAt && *state.sweep.refreshAt <= now) {
    state.sweep.refreshAt.reset();
    // Walked again now, open scripts or not; each walk starts a sweep.
    const std::vector<fs::path> stale = state.workspace.staleRoots;
    for (const fs::path& root : stale) {
      if (state.workspace.projects.contains(root)) projectAt(state.workspace, root);
    }
  }
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
  if (state.shutDown) return out;
  const auto append = [&](std::vector<json> more) {
    out.insert(out.end(), std::make_move_iterator(more.begin()),
               std::make_move_iterator(more.end()));
  };
  append(sweepWalkedProjects(state));
  append(sweepStep(state));
  return out;
}

std::optional<ServerClock::time_point> nextDue(const ServerState& state) {
  if (!state.shutDown &&
      (!state.sweep.queue.empty() || !state.workspace.walkedRoots.empty())) {
    return ServerClock::time_point::min();  // the sweep goes on between messages
  }
  std::optional<ServerClock::time_point> due = state.sweep.refreshAt;
  for (const auto& [uri, script] : state.workspace.scripts) {
    if (script.publishAt && (!due || *script.publishAt < *due)) due = script.publishAt;
  }
  return due;
}
