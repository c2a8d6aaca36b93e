#include "lsp/server.h"

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <exception>
#include <limits>
#include <memory>
#include <stdexcept>
#include <utility>

#include "check/diagnostics.h"
#include "lsp/transport.h"
#include "tables/file_names.h"

namespace packager::lsp {

namespace {

using nlohmann::json;

// Parameters that do not fit the method.
class InvalidParams : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// LSP's numbers of kinds.
constexpr int kSeverityError = 1;
constexpr int kSeverityWarning = 2;
constexpr int kSeverityInformation = 3;
constexpr int kTextDocumentSyncFull = 1;
constexpr int kCompletionKeyword = 14;
constexpr int kInsertSnippet = 2;
constexpr int kMessageError = 1;
constexpr int kSymbolNamespace = 3;
constexpr int kSymbolClass = 5;
constexpr int kSymbolEvent = 24;
constexpr int kSymbolOperator = 25;

constexpr char kSource[] = "scenario-tool";
// Lines and characters of a position are below this (no text is near it).
constexpr std::int64_t kLargestPosition = std::int64_t{1} << 30;

int SeverityNumber(tool::Severity severity) {
  switch (severity) {
    case tool::Severity::kError:
      return kSeverityError;
    case tool::Severity::kWarning:
      return kSeverityWarning;
    case tool::Severity::kNote:
      return kSeverityInformation;
  }
  return kSeverityError;
}

std::string PathParam(const json& params) {
  const std::string uri = params.at("textDocument").at("uri").get<std::string>();
  const std::optional<std::string> path = PathOfUri(uri);
  if (!path) throw InvalidParams("\"" + uri + "\" is no file URI");
  return *path;
}

// A member that must be a whole number from low to high: a fraction, a
// number written with an exponent (1e300) or one out of range is refused,
// never converted.
int IntegerParam(const json& object, const char* name, std::int64_t low, std::int64_t high) {
  const json& value = object.at(name);
  const bool whole = value.is_number_integer();
  const bool in_range =
      whole && (value.is_number_unsigned()
                    ? value.get<std::uint64_t>() <= static_cast<std::uint64_t>(high)
                    : value.get<std::int64_t>() >= low && value.get<std::int64_t>() <= high);
  if (!in_range) {
    throw InvalidParams(std::string("\"") + name + "\" must be a whole number from " +
                        std::to_string(low) + " to " + std::to_string(high) + ", not " +
                        value.dump());
  }
  return static_cast<int>(value.get<std::int64_t>());
}

// A position's line (from 1) and UTF-16 offset.
std::pair<int, int> PositionParam(const json& position) {
  const int line = IntegerParam(position, "line", 0, kLargestPosition - 1);
  const int character = IntegerParam(position, "character", 0, kLargestPosition - 1);
  return {line + 1, character};
}

// A document's version: any int, 0 when none is given.
int VersionParam(const json& document) {
  if (!document.contains("version") || document["version"].is_null()) return 0;
  return IntegerParam(document, "version", std::numeric_limits<int>::min(),
                      std::numeric_limits<int>::max());
}

// True when the JSON text nests arrays and objects deeper than kMaxNesting;
// the brackets inside strings do not count. Parsing such a text would cost a
// node for each level, so it is refused before.
bool NestsTooDeep(std::string_view text) {
  std::size_t depth = 0;
  bool in_string = false;
  for (std::size_t i = 0; i < text.size(); ++i) {
    const char c = text[i];
    if (in_string) {
      if (c == '\\') {
        ++i;
      } else if (c == '"') {
        in_string = false;
      }
    } else if (c == '"') {
      in_string = true;
    } else if (c == '[' || c == '{') {
      if (++depth > kMaxNesting) return true;
    } else if ((c == ']' || c == '}') && depth > 0) {
      --depth;
    }
  }
  return false;
}

json Position(int line, int character) {
  return {{"line", std::max(line - 1, 0)}, {"character", character}};
}

int HexValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

}  // namespace

std::optional<std::string> PathOfUri(const std::string& uri) {
  constexpr std::string_view kScheme = "file://";
  if (!uri.starts_with(kScheme)) return std::nullopt;
  const std::size_t slash = uri.find('/', kScheme.size());
  if (slash == std::string::npos) return std::nullopt;
  std::string path;
  for (std::size_t i = slash; i < uri.size(); ++i) {
    if (uri[i] == '%' && i + 2 < uri.size() && HexValue(uri[i + 1]) >= 0 &&
        HexValue(uri[i + 2]) >= 0) {
      path.push_back(static_cast<char>(HexValue(uri[i + 1]) * 16 + HexValue(uri[i + 2])));
      i += 2;
    } else {
      path.push_back(uri[i]);
    }
  }
#ifdef _WIN32
  if (path.size() >= 3 && path[0] == '/' && path[2] == ':') path.erase(0, 1);
#endif
  // The folder's separator, as the paths joined to name its other files have
  // it: one file has one path, whichever way it was reached.
  std::replace(path.begin(), path.end(), '/', kPathSeparator);
  return path;
}

std::string UriOfPath(const std::string& path) {
  static constexpr char kHex[] = "0123456789ABCDEF";
  std::string uri = path.starts_with('/') || path.starts_with('\\') ? "file://" : "file:///";
  for (const char c : path) {
    const auto byte = static_cast<unsigned char>(c);
    const bool plain = (byte >= 'a' && byte <= 'z') || (byte >= 'A' && byte <= 'Z') ||
                       (byte >= '0' && byte <= '9') || c == '-' || c == '_' || c == '.' ||
                       c == '~' || c == '/';
    if (plain) {
      uri.push_back(c);
    } else if (c == '\\') {
      uri.push_back('/');
    } else {
      uri += {'%', kHex[byte >> 4], kHex[byte & 15]};
    }
  }
  return uri;
}

Server::Server(std::function<void(const json&)> send) : send_(std::move(send)) {}

void Server::Respond(const json& id, json result) {
  send_({{"jsonrpc", "2.0"}, {"id", id}, {"result", std::move(result)}});
}

void Server::RespondError(const json& id, int code, const std::string& message) {
  send_({{"jsonrpc", "2.0"}, {"id", id}, {"error", {{"code", code}, {"message", message}}}});
}

void Server::HandleMalformed(const std::string& problem, bool too_large) {
  RespondError(nullptr, kParseError, problem);
  // The editor shows no answer without an id: say why its text went unheard.
  if (too_large) {
    ShowMessage(kMessageError, "a message was skipped: " + problem + "; a text of more than " +
                                   std::to_string(kMaxDocumentBytes >> 20) +
                                   " MiB is not checked");
  }
}

void Server::Handle(const std::string& body) {
  if (NestsTooDeep(body)) {
    RespondError(nullptr, kParseError,
                 "the message nests deeper than " + std::to_string(kMaxNesting) + " levels");
    return;
  }
  const json message = json::parse(body, nullptr, false);
  if (message.is_discarded()) {
    RespondError(nullptr, kParseError, "the message is no JSON");
    return;
  }
  if (!message.is_object()) {
    RespondError(nullptr, kInvalidRequest, "a message must be a JSON object");
    return;
  }
  const auto method = message.find("method");
  const auto id = message.find("id");
  const bool sound_id = id != message.end() && (id->is_string() || id->is_number_integer());
  if (method == message.end()) {
    // A response to the server, which asks nothing: nothing to do.
    if (sound_id && (message.contains("result") || message.contains("error"))) return;
    RespondError(sound_id ? *id : json(nullptr), kInvalidRequest, "a message without a method");
    return;
  }
  if (!method->is_string() || (id != message.end() && !sound_id)) {
    RespondError(sound_id ? *id : json(nullptr), kInvalidRequest,
                 "a method must be a string and an id a string or an integer");
    return;
  }
  const auto params = message.find("params");
  const json no_params = json::object();
  // "params": null is sent by some clients for shutdown and exit: no params.
  const json& given = params == message.end() || params->is_null() ? no_params : *params;
  if (!given.is_object() && !given.is_array()) {
    if (sound_id) RespondError(*id, kInvalidRequest, "params must be an object or an array");
    return;
  }
  if (sound_id) {
    HandleRequest(*id, method->get<std::string>(), given);
  } else {
    HandleNotification(method->get<std::string>(), given);
  }
}

void Server::HandleRequest(const json& id, const std::string& method, const json& params) {
  if (!initialized_ && method != "initialize") {
    RespondError(id, kServerNotInitialized, "the server is not initialized: send initialize first");
    return;
  }
  if (shut_down_) {
    RespondError(id, kInvalidRequest, "the server is shut down: send exit");
    return;
  }
  if (!watch_registration_) {
    std::optional<std::string> folder;
    if (params.is_object() && params.contains("textDocument") &&
        params["textDocument"].is_object() && params["textDocument"].contains("uri") &&
        params["textDocument"]["uri"].is_string()) {
      if (const auto path = PathOfUri(params["textDocument"]["uri"].get<std::string>())) {
        folder = DirectoryOf(*path);
      }
    }
    const auto now = std::chrono::steady_clock::now();
    const bool every_folder = now - last_disk_scan_ >= kDiskScanEvery;
    if (every_folder) last_disk_scan_ = now;
    NoticeDiskChanges(folder, every_folder);
  }
  try {
    if (method == "initialize" && initialized_) {
      RespondError(id, kInvalidRequest, "the server is already initialized");
    } else if (method == "initialize") {
      initialized_ = true;
      watch_registration_ = OffersWatchRegistration(params);
      if (params.is_object() && params.contains("initializationOptions")) {
        Configure(params["initializationOptions"]);
      }
      Respond(id, Initialize());
    } else if (method == "shutdown") {
      Flush();
      shut_down_ = true;
      Respond(id, nullptr);
    } else if (method == "textDocument/hover") {
      Respond(id, Hover(params));
    } else if (method == "textDocument/completion") {
      Respond(id, Completion(params));
    } else if (method == "textDocument/codeAction") {
      if (!Defer(id, method, params)) Respond(id, CodeActions(params));
    } else if (method == "textDocument/documentSymbol") {
      Respond(id, DocumentSymbols(params));
    } else if (method == "textDocument/inlayHint") {
      Respond(id, InlayHints(params));
    } else if (method == "textDocument/definition") {
      Respond(id, Definition(params));
    } else if (HandleFeatureRequest(id, method, params)) {
      // answered
    } else {
      RespondError(id, kMethodNotFound, "no method \"" + method + "\"");
    }
  } catch (const InvalidParams& error) {
    RespondError(id, kInvalidParams, method + ": " + error.what());
  } catch (const json::exception& error) {
    RespondError(id, kInvalidParams, method + ": " + error.what());
  } catch (const std::exception& error) {
    RespondError(id, kInternalError, method + ": " + error.what());
  }
}

void Server::HandleNotification(const std::string& method, const json& params) {
  if (method == "exit") {
    Flush();
    exited_ = true;
    return;
  }
  if (!initialized_ || shut_down_) return;
  try {
    if (method == "textDocument/didOpen") {
      const json& document = params.at("textDocument");
      const std::string path = PathParam(params);
      OpenText(path, document.at("text").get<std::string>(), VersionParam(document));
    } else if (method == "textDocument/didChange") {
      const std::string path = PathParam(params);
      const json& changes = params.at("contentChanges");
      if (!changes.is_array() || changes.empty()) throw InvalidParams("no contentChanges");
      const json& last = changes.back();
      if (last.contains("range")) throw InvalidParams("the server takes whole texts only");
      OpenText(path, last.at("text").get<std::string>(), VersionParam(params.at("textDocument")));
    } else if (method == "textDocument/didSave") {
      Schedule(PathParam(params));
    } else if (method == "textDocument/didClose") {
      const std::string path = PathParam(params);
      workspace_.Close(path);
      Supersede(path);
      Schedule(path);
    } else if (method == "$/cancelRequest") {
      Cancel(params);
    } else if (method == "initialized") {
      RegisterWatching();
    } else if (method == "workspace/didChangeConfiguration") {
      Configure(params.value("settings", json::object()));
    } else if (method == "workspace/didChangeWatchedFiles") {
      FilesChanged(params);
    }
    // Every other notification: nothing to do.
  } catch (const std::exception& error) {
    LogError(method + ": " + error.what());
  }
}

json Server::Initialize() const {
  json answer = {{"capabilities",
                 {{"textDocumentSync",
                   {{"openClose", true},
                    {"change", kTextDocumentSyncFull},
                    {"save", {{"includeText", false}}}}},
                  {"hoverProvider", true},
                  {"completionProvider", json::object()},
                  {"codeActionProvider", {{"codeActionKinds", {"quickfix"}}}},
                  {"documentSymbolProvider", true},
                  {"inlayHintProvider", true},
                  {"definitionProvider", true}}},
                {"serverInfo", {{"name", kSource}}}};
  answer["capabilities"].update(FeatureCapabilities());
  return answer;
}

json Server::RangeJson(const std::string& path, int line, int column, int end_line,
                       int end_column) const {
  if (line <= 0) return {{"start", Position(1, 0)}, {"end", Position(1, 0)}};
  if (end_line <= 0) end_line = line;
  if (end_column <= 0) end_column = column + 1;
  return {{"start", Position(line, workspace_.Utf16Offset(path, line, column))},
          {"end", Position(end_line, workspace_.Utf16Offset(path, end_line, end_column))}};
}

json Server::DiagnosticJson(const Diagnostic& diagnostic) const {
  std::string message = diagnostic.message;
  if (diagnostic.more_like_this != 0) {
    message += " (and " + tool::CountText(diagnostic.more_like_this) + " more like this)";
  }
  json result = {{"range", RangeJson(diagnostic.path, diagnostic.line, diagnostic.column,
                                     diagnostic.end_line, diagnostic.end_column)},
                 {"severity", SeverityNumber(diagnostic.severity)},
                 {"source", kSource},
                 {"message", message}};
  if (!diagnostic.rule.empty()) result["code"] = diagnostic.rule;
  if (!diagnostic.related.empty()) {
    json related = json::array();
    for (const tool::RelatedPlace& place : diagnostic.related) {
      related.push_back({{"location",
                          {{"uri", UriOfPath(place.path)},
                           {"range", RangeJson(place.path, place.line, place.column, place.line,
                                               place.end_column)}}},
                         {"message", place.message}});
    }
    result["relatedInformation"] = std::move(related);
  }
  return result;
}

void Server::Schedule(const std::string& path) {
  const std::string folder = DirectoryOf(path);
  pending_[folder] = path;
  ++changes_[folder];
  last_change_ = std::chrono::steady_clock::now();
}

void Server::StartChecks() {
  for (auto& pending : std::exchange(pending_, {})) {
    const std::string folder = pending.first;
    const std::string& path = pending.second;
    const std::uint64_t count = changes_[folder];
    checking_[folder] = count;
    std::shared_ptr<Workspace::FolderCheck> check;
    try {
      check = std::make_shared<Workspace::FolderCheck>(workspace_.StartCheck(path));
    } catch (const std::exception& error) {
      checking_.erase(folder);
      LogError("checking " + path + ": " + error.what());
      continue;
    }
    worker_.Submit(folder, [this, check, folder, count]() -> CheckWorker::Finish {
      std::string fault;
      try {
        Workspace::RunCheck(*check);
      } catch (const std::exception& error) {
        fault = error.what();
      }
      return [this, check, folder, count, fault] {
        if (changes_[folder] != count) return;  // a newer text's check follows
        checking_.erase(folder);
        if (!fault.empty()) {
          LogError("checking " + check->path + ": " + fault);
          return;
        }
        try {
          Publish(workspace_.FinishCheck(std::move(*check)));
        } catch (const std::exception& error) {
          LogError("checking " + check->path + ": " + error.what());
        }
      };
    });
  }
}

void Server::Poll() {
  for (const CheckWorker::Finish& finish : worker_.TakeDone()) finish();
  AnswerDeferred();
}

void Server::Flush() {
  StartChecks();
  worker_.WaitIdle();
  Poll();
}

bool Server::Defer(const json& id, const std::string& method, const json& params) {
  const std::string path = PathParam(params);
  const std::string folder = DirectoryOf(path);
  if (pending_.count(folder) == 0 && checking_.count(folder) == 0) return false;
  deferred_.push_back({id, method, params, path});
  StartChecks();
  return true;
}

void Server::AnswerDeferred() {
  std::vector<Deferred> waiting;
  for (Deferred& request : std::exchange(deferred_, {})) {
    const std::string folder = DirectoryOf(request.path);
    if (pending_.count(folder) != 0 || checking_.count(folder) != 0) {
      waiting.push_back(std::move(request));
    } else {
      HandleRequest(request.id, request.method, request.params);
    }
  }
  // Answering may defer again: those come after the ones still waiting.
  waiting.insert(waiting.end(), std::make_move_iterator(deferred_.begin()),
                 std::make_move_iterator(deferred_.end()));
  deferred_ = std::move(waiting);
}

void Server::Supersede(const std::string& path) {
  std::erase_if(deferred_, [&](const Deferred& request) {
    if (request.path != path) return false;
    RespondError(request.id, kContentModified,
                 request.method + ": the text changed before the answer; ask again");
    return true;
  });
}

void Server::Cancel(const json& params) {
  const json& id = params.at("id");
  std::erase_if(deferred_, [&](const Deferred& request) {
    if (request.id != id) return false;
    RespondError(request.id, kRequestCancelled, request.method + ": cancelled by the client");
    return true;
  });
}

void Server::OpenText(const std::string& path, std::string text, int version) {
  const std::size_t size = text.size();
  if (!workspace_.Open(path, std::move(text), version)) {
    ShowMessage(kMessageError, FileNameOf(path) + ": " + TooLargeReason(size));
  }
  Supersede(path);
  Schedule(path);
}

void Server::ShowMessage(int type, const std::string& message) {
  send_({{"jsonrpc", "2.0"},
         {"method", "window/showMessage"},
         {"params", {{"type", type}, {"message", message}}}});
}

void Server::LogError(const std::string& message) {
  send_({{"jsonrpc", "2.0"},
         {"method", "window/logMessage"},
         {"params", {{"type", kMessageError}, {"message", message}}}});
}

void Server::Publish(const std::map<std::string, std::vector<Diagnostic>>& checked) {
  for (const auto& [file, diagnostics] : checked) {
    json list = json::array();
    for (const Diagnostic& diagnostic : diagnostics) list.push_back(DiagnosticJson(diagnostic));
    json params = {{"uri", UriOfPath(file)}, {"diagnostics", std::move(list)}};
    if (const OpenDocument* document = workspace_.Find(file)) params["version"] = document->version;
    send_({{"jsonrpc", "2.0"},
           {"method", "textDocument/publishDiagnostics"},
           {"params", std::move(params)}});
  }
}

json Server::Hover(const json& params) const {
  const std::string path = PathParam(params);
  const auto [line, character] = PositionParam(params.at("position"));
  const int column = workspace_.ColumnOf(path, line, character);
  const std::optional<HoverText> hover = workspace_.Hover(path, line, column);
  if (!hover) return nullptr;
  return {{"contents", {{"kind", "markdown"}, {"value", hover->markdown}}},
          {"range", RangeJson(path, hover->line, hover->column, hover->line, hover->end_column)}};
}

json Server::Completion(const json& params) const {
  const std::string path = PathParam(params);
  const auto [line, character] = PositionParam(params.at("position"));
  const CompletionContext context =
      workspace_.CompletionAt(path, line, workspace_.ColumnOf(path, line, character));
  json items = json::array();
  for (const KeywordChoice& choice : context.keywords) {
    std::string snippet = choice.label;
    std::string fields;
    std::string documentation = std::string(AuthorWords(*choice.kind)) + "\n\nFields:";
    int number = 1;
    for (const grammar::Field& field : choice.kind->fields) {
      snippet += ", ${" + std::to_string(number++) + ":" + std::string(field.name) + "}";
      fields += (fields.empty() ? "" : ", ") + std::string(field.name);
      documentation += " " + std::string(field.name) +
                       (field.unit.empty() ? "" : " (" + std::string(field.unit) + ")") +
                       (number <= static_cast<int>(choice.kind->fields.size()) ? "," : "");
    }
    items.push_back({{"label", choice.label},
                     {"kind", kCompletionKeyword},
                     {"detail", choice.detail},
                     {"labelDetails", {{"detail", " " + fields}}},
                     {"documentation", {{"kind", "markdown"}, {"value", documentation}}},
                     {"insertText", snippet},
                     {"insertTextFormat", kInsertSnippet}});
  }
  return {{"isIncomplete", false}, {"items", std::move(items)}};
}

json Server::CodeActions(const json& params) const {
  const std::string path = PathParam(params);
  const int first = PositionParam(params.at("range").at("start")).first;
  const int last = PositionParam(params.at("range").at("end")).first;
  json actions = json::array();
  for (const Diagnostic& diagnostic : workspace_.DiagnosticsOn(path, first, last)) {
    for (const tool::Fix& fix : diagnostic.fixes) {
      json changes = json::object();
      for (const tool::TextEdit& edit : fix.edits) {
        changes[UriOfPath(edit.path)].push_back(
            {{"range", RangeJson(edit.path, edit.line, edit.column, edit.line, edit.end_column)},
             {"newText", edit.new_text}});
      }
      actions.push_back({{"title", fix.description},
                         {"kind", "quickfix"},
                         {"diagnostics", {DiagnosticJson(diagnostic)}},
                         {"isPreferred", fix.certain && diagnostic.fixes.size() == 1},
                         {"edit", {{"changes", std::move(changes)}}}});
    }
  }
  return actions;
}

json Server::PlaceJson(const Place& place) const {
  return RangeJson(place.path, place.line, place.column, place.end_line, place.end_column);
}

json Server::SymbolJson(const Symbol& symbol) const {
  int kind = kSymbolNamespace;
  switch (symbol.kind) {
    case SymbolKind::kSection: kind = kSymbolNamespace; break;
    case SymbolKind::kStation: kind = kSymbolClass; break;
    case SymbolKind::kSignal: kind = kSymbolEvent; break;
    case SymbolKind::kSlowdown: kind = kSymbolOperator; break;
  }
  json result = {{"name", symbol.name},
                 {"kind", kind},
                 {"range", PlaceJson(symbol.range)},
                 {"selectionRange", PlaceJson(symbol.selection)}};
  if (!symbol.detail.empty()) result["detail"] = symbol.detail;
  json children = json::array();
  for (const Symbol& child : symbol.children) children.push_back(SymbolJson(child));
  if (!children.empty()) result["children"] = std::move(children);
  return result;
}

json Server::DocumentSymbols(const json& params) const {
  json symbols = json::array();
  for (const Symbol& symbol : workspace_.Symbols(PathParam(params))) {
    symbols.push_back(SymbolJson(symbol));
  }
  return symbols;
}

json Server::InlayHints(const json& params) const {
  const std::string path = PathParam(params);
  const int first = PositionParam(params.at("range").at("start")).first;
  const int last = PositionParam(params.at("range").at("end")).first;
  json hints = json::array();
  for (const InlayHint& hint : workspace_.InlayHints(path, first, last)) {
    hints.push_back({{"position", Position(hint.line, workspace_.Utf16Offset(path, hint.line,
                                                                            hint.column))},
                     {"label", hint.label},
                     {"paddingLeft", true}});
  }
  return hints;
}

json Server::Definition(const json& params) const {
  const std::string path = PathParam(params);
  const auto [line, character] = PositionParam(params.at("position"));
  const std::optional<Place> place =
      workspace_.Definition(path, line, workspace_.ColumnOf(path, line, character));
  if (!place) return nullptr;
  return {{"uri", UriOfPath(place->path)}, {"range", PlaceJson(*place)}};
}

std::string Server::DocumentPath(const json& params) const { return PathParam(params); }

std::pair<int, int> Server::CursorOf(const std::string& path, const json& params) const {
  const auto [line, character] = PositionParam(params.at("position"));
  return {line, workspace_.ColumnOf(path, line, character)};
}

namespace {

// How long the loop waits for input at a time while a check runs: the
// longest its diagnostics wait to be published once it ends.
constexpr std::chrono::milliseconds kCheckPoll{10};

// Until input comes: starts the changed folders' checks once the edits
// settled and publishes the checks that ended.
void WaitForInput(Server& server, const InputWait& wait) {
  while (server.HasPending() || server.Checking()) {
    const auto now = std::chrono::steady_clock::now();
    auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
        server.last_change() + server.settle() - now);
    if (server.HasPending() && left.count() <= 0) {
      server.StartChecks();
      continue;
    }
    if (server.Checking() && (!server.HasPending() || left > kCheckPoll)) left = kCheckPoll;
    if (wait(left)) return;
    const auto waited = std::chrono::steady_clock::now() - now;
    // Input that cannot be waited on answers at once: wait for the check.
    if (waited < left) server.AwaitCheck(std::chrono::duration_cast<std::chrono::milliseconds>(left - waited));
    server.Poll();
  }
}

}  // namespace

int Serve(std::istream& in, std::ostream& out, const InputWait& wait) {
  Server server([&out](const json& message) {
    WriteFrame(out, message.dump(-1, ' ', false, json::error_handler_t::replace));
  });
  while (!server.exited()) {
    if (in.rdbuf()->in_avail() <= 0) {
      if (wait) {
        WaitForInput(server, wait);
      } else if (server.HasPending() || server.Checking()) {
        server.Flush();
      }
    } else if (wait) {
      server.Poll();
    }
    const Frame frame = ReadFrame(in);
    if (frame.status == FrameStatus::kEnd) break;
    if (frame.status == FrameStatus::kMalformed) {
      server.HandleMalformed(frame.problem, frame.too_large);
    } else {
      server.Handle(frame.body);
    }
  }
  server.Flush();
  return server.ExitStatus();
}

}  // namespace packager::lsp
