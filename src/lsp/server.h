// The protocol side of the language server: JSON-RPC 2.0 messages of the
// Language Server Protocol turned into calls of the Workspace, and what it
// answers into JSON. It takes initialize, initialized, shutdown and exit;
// the text document notifications didOpen, didChange (full text), didSave
// and didClose, each followed by the scenario folder's diagnostics
// (textDocument/publishDiagnostics for each of its files an editor must
// hear of); and the requests hover, completion, codeAction, documentSymbol,
// inlayHint and definition; formatting, semanticTokens/full, foldingRange,
// signatureHelp, references (of a station's name, else of what stands at a
// kilometre or a slowdown's number) and rename (server_features.cc).
//
// The diagnostics wait for the edits to settle: a burst of changes is
// checked once, the settle delay (kSettle unless set) after the last of them,
// as soon as a code action asks for them, and at the end of the input.
// Checks run beside the protocol (check_worker.h): requests answer at once on
// the latest text, while a check runs; a check whose folder changed while
// it ran is not published, the latest text's follows. Code actions, which
// answer from the diagnostics, wait for the check of the latest text: one
// cancelled meanwhile ($/cancelRequest) is answered with kRequestCancelled,
// one whose text changed meanwhile with kContentModified.
//
// A message that is no JSON is answered with a parse error, one that is no
// request with an invalid request error, an unknown request with method not
// found, a request before initialize with server not initialized and
// parameters that do not fit with invalid params (a fraction or an exponent
// where a whole number belongs included). A message nested deeper than
// kMaxNesting is a parse error; a text larger than kMaxDocumentBytes is
// refused with a window/showMessage and a diagnostic on it. Nothing a client sends
// ends the server but exit or the end of its input.
#pragma once

#include <chrono>
#include <cstdint>
#include <functional>
#include <istream>
#include <map>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "lsp/check_worker.h"
#include "lsp/workspace.h"

namespace packager::lsp {

// JSON-RPC error codes.
inline constexpr int kParseError = -32700;
inline constexpr int kInvalidRequest = -32600;
inline constexpr int kMethodNotFound = -32601;
inline constexpr int kInvalidParams = -32602;
inline constexpr int kInternalError = -32603;
inline constexpr int kServerNotInitialized = -32002;
inline constexpr int kRequestCancelled = -32800;
inline constexpr int kContentModified = -32801;
// A request that cannot be carried out (a rename where no station is named).
inline constexpr int kRequestFailed = -32803;

// The deepest nesting of arrays and objects a message may have; a deeper
// one is answered with a parse error, unread.
inline constexpr std::size_t kMaxNesting = 64;
// Without the client's watching of files, every folder's texts are looked
// at on disk at most this often (a request's own folder at each request).
inline constexpr std::chrono::milliseconds kDiskScanEvery{1000};

class Server {
 public:
  // send receives every message the server writes, one JSON value each.
  explicit Server(std::function<void(const nlohmann::json&)> send);

  // Handles one message's body.
  void Handle(const std::string& body);
  // A message that could not be framed: answered with a parse error, and
  // one skipped for its size is also shown to the editor.
  void HandleMalformed(const std::string& problem, bool too_large = false);

  // Folders changed since their last check was started, and when the last
  // change came.
  bool HasPending() const { return !pending_.empty(); }
  std::chrono::steady_clock::time_point last_change() const { return last_change_; }
  std::chrono::milliseconds settle() const { return workspace_.settings().settle; }
  // Hands the check of every changed folder to the worker.
  void StartChecks();
  // True while a check is under way or its result waits to be published.
  bool Checking() const { return worker_.Busy(); }
  // Waits at most `limit` for a check to end; true when one ended.
  bool AwaitCheck(std::chrono::milliseconds limit) { return worker_.WaitDone(limit); }
  // Publishes the checks that ended, and answers the requests that waited
  // for them.
  void Poll();
  // Checks every changed folder, waits for every check and publishes.
  void Flush();
  // While held, checks handed over wait and none starts (tests).
  void HoldChecks(bool held) { worker_.Hold(held); }

  // True once exit was received.
  bool exited() const { return exited_; }
  // The status the server ends with: 0 after shutdown, 1 otherwise.
  int ExitStatus() const { return shut_down_ ? 0 : 1; }

 private:
  void HandleRequest(const nlohmann::json& id, const std::string& method,
                     const nlohmann::json& params);
  void HandleNotification(const std::string& method, const nlohmann::json& params);
  void Respond(const nlohmann::json& id, nlohmann::json result);
  void RespondError(const nlohmann::json& id, int code, const std::string& message);
  void Publish(const std::map<std::string, std::vector<Diagnostic>>& checked);
  void Schedule(const std::string& path);
  // A request that answers from the diagnostics (code actions): true when
  // it waits for the check of its folder's latest texts.
  bool Defer(const nlohmann::json& id, const std::string& method, const nlohmann::json& params);
  // Answers the waiting requests whose folder's check was published.
  void AnswerDeferred();
  // The waiting requests on a text that changed: kContentModified.
  void Supersede(const std::string& path);
  void Cancel(const nlohmann::json& params);
  // Holds an editor's text; one refused for its size is shown to the editor.
  void OpenText(const std::string& path, std::string text, int version);
  void ShowMessage(int type, const std::string& message);
  // Tells the client of a fault in a window/logMessage.
  void LogError(const std::string& message);

  nlohmann::json Initialize() const;
  nlohmann::json Hover(const nlohmann::json& params) const;
  nlohmann::json Completion(const nlohmann::json& params) const;
  nlohmann::json CodeActions(const nlohmann::json& params) const;
  nlohmann::json DocumentSymbols(const nlohmann::json& params) const;
  nlohmann::json InlayHints(const nlohmann::json& params) const;
  nlohmann::json Definition(const nlohmann::json& params) const;
  nlohmann::json SymbolJson(const Symbol& symbol) const;
  // The file of a request's textDocument, and its position's line and
  // column (characters from 1).
  std::string DocumentPath(const nlohmann::json& params) const;
  std::pair<int, int> CursorOf(const std::string& path, const nlohmann::json& params) const;

  // Formatting, semantic tokens, folding ranges, signature help, references
  // and rename (server_features.cc): HandleFeatureRequest answers one of
  // them, false for any other method; FeatureCapabilities announces them.
  bool HandleFeatureRequest(const nlohmann::json& id, const std::string& method,
                            const nlohmann::json& params);
  static nlohmann::json FeatureCapabilities();
  // Settings (settings.h) from initializationOptions or didChangeConfiguration:
  // what does not fit is shown to the author; every open folder is checked again.
  void Configure(const nlohmann::json& given);
  // workspace/didChangeWatchedFiles: the folders of the files changed on
  // disk are checked again. RegisterWatching asks a client that offers it
  // to send them (client/registerCapability).
  void FilesChanged(const nlohmann::json& params);
  void RegisterWatching();
  // Schedules the folders changed on disk: every folder, or without the
  // client's watching (at each request) the request's own folder and every
  // folder at most once per kDiskScanEvery, so that a session of many
  // folders and requests does not look at each folder at each request.
  void NoticeDiskChanges(const std::optional<std::string>& request_folder = std::nullopt,
                         bool every_folder = true);
  std::chrono::steady_clock::time_point last_disk_scan_;
  bool watch_registration_ = false;
  nlohmann::json Formatting(const nlohmann::json& params) const;
  nlohmann::json SemanticTokens(const nlohmann::json& params) const;
  nlohmann::json FoldingRanges(const nlohmann::json& params) const;
  nlohmann::json SignatureHelp(const nlohmann::json& params) const;
  nlohmann::json References(const nlohmann::json& params) const;
  nlohmann::json Rename(const nlohmann::json& params) const;
  nlohmann::json TextPosition(const std::string& path, int line, int column) const;
  nlohmann::json PlaceJson(const Place& place) const;
  nlohmann::json DiagnosticJson(const Diagnostic& diagnostic) const;
  nlohmann::json RangeJson(const std::string& path, int line, int column, int end_line,
                           int end_column) const;

  std::function<void(const nlohmann::json&)> send_;
  Workspace workspace_;
  bool initialized_ = false;
  bool shut_down_ = false;
  bool exited_ = false;
  std::map<std::string, std::string> pending_;  // a changed file by its folder
  std::chrono::steady_clock::time_point last_change_;
  // Each folder's changes so far, and the count a check under way was
  // started at: a check of an older count is not published.
  std::map<std::string, std::uint64_t> changes_;
  std::map<std::string, std::uint64_t> checking_;
  struct Deferred {
    nlohmann::json id;
    std::string method;
    nlohmann::json params;
    std::string path;
  };
  std::vector<Deferred> deferred_;
  CheckWorker worker_;  // last: its jobs refer to the members above
};

// True when initialize's params offer dynamic registration of
// workspace/didChangeWatchedFiles.
bool OffersWatchRegistration(const nlohmann::json& params);

// Waits at most the time given for more input; false when the time ran out.
using InputWait = std::function<bool(std::chrono::milliseconds)>;

// Serves the messages of in until exit or the end of in, writing to out;
// returns the status to end with. Changed folders are checked when in holds
// no further message and `wait` sees none come before the settle delay has
// passed since the last change, and at the end; their diagnostics are
// published as their checks end, between messages. Without `wait` (input
// that cannot be waited on, and tests), each time in holds no further
// message every changed folder is checked and published before the next is
// read.
int Serve(std::istream& in, std::ostream& out, const InputWait& wait = {});

// A file URI's path ("file:///a%20b/c.txt" -> "/a b/c.txt"; on Windows
// "file:///C:/x/y" -> "C:\\x\\y", with the separator of the paths the
// server joins); none for another scheme. And back.
std::optional<std::string> PathOfUri(const std::string& uri);
std::string UriOfPath(const std::string& path);

}  // namespace packager::lsp
