// The protocol side of the language server: JSON-RPC 2.0 messages of the
// Language Server Protocol turned into calls of the Workspace, and what it
// answers into JSON. It takes initialize, initialized, shutdown and exit;
// the text document notifications didOpen, didChange (full text), didSave
// and didClose, each followed by the scenario folder's diagnostics
// (textDocument/publishDiagnostics for each of its files an editor must
// hear of); and the requests hover, completion and codeAction.
//
// A message that is no JSON is answered with a parse error, one that is no
// request with an invalid request error, an unknown request with method not
// found, a request before initialize with server not initialized and
// parameters that do not fit with invalid params. Nothing a client sends
// ends the server but exit or the end of its input.
#pragma once

#include <functional>
#include <istream>
#include <ostream>
#include <string>

#include <nlohmann/json.hpp>

#include "lsp/workspace.h"

namespace packager::lsp {

// JSON-RPC error codes.
inline constexpr int kParseError = -32700;
inline constexpr int kInvalidRequest = -32600;
inline constexpr int kMethodNotFound = -32601;
inline constexpr int kInvalidParams = -32602;
inline constexpr int kInternalError = -32603;
inline constexpr int kServerNotInitialized = -32002;

class Server {
 public:
  // send receives every message the server writes, one JSON value each.
  explicit Server(std::function<void(const nlohmann::json&)> send);

  // Handles one message's body.
  void Handle(const std::string& body);
  // A message that could not be framed: answered with a parse error.
  void HandleMalformed(const std::string& problem);

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
  void Publish(const std::string& path);

  nlohmann::json Initialize() const;
  nlohmann::json Hover(const nlohmann::json& params) const;
  nlohmann::json Completion(const nlohmann::json& params) const;
  nlohmann::json CodeActions(const nlohmann::json& params) const;
  nlohmann::json DiagnosticJson(const Diagnostic& diagnostic) const;
  nlohmann::json RangeJson(const std::string& path, int line, int column, int end_line,
                           int end_column) const;

  std::function<void(const nlohmann::json&)> send_;
  Workspace workspace_;
  bool initialized_ = false;
  bool shut_down_ = false;
  bool exited_ = false;
};

// Serves the messages of in until exit or the end of in, writing to out;
// returns the status to end with.
int Serve(std::istream& in, std::ostream& out);

// A file URI's path ("file:///a%20b/c.txt" -> "/a b/c.txt"; on Windows
// "file:///C:/x" -> "C:/x"); none for another scheme. And back.
std::optional<std::string> PathOfUri(const std::string& uri);
std::string UriOfPath(const std::string& path);

}  // namespace packager::lsp
