// Fuzz harness of the language server's transport and protocol: the input is
// the byte stream an editor sends to `scenario-tool lsp` (framing, JSON,
// requests and notifications in any order), served by Serve as the command
// does, without waiting for edits to settle. Every kFolderMark of the input
// is replaced by the URI of a folder of the process that holds the
// repository scenario's texts, of the same length so that the byte counts
// of the frames hold, and the requests reach a scenario.
//
// Besides what the sanitizers catch, the harness stops on a broken promise:
// Serve throws or ends with a status other than 0 or 1, the scenario's
// texts change (the server writes no file), or what the server writes is not
// a stream of whole frames, each a UTF-8 JSON-RPC 2.0 object that is either
// a notification (a method, no id) or a response (an id and exactly one of
// result and error, an error with one of the codes the server answers with).
#include <unistd.h>

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <set>
#include <sstream>
#include <string>
#include <string_view>

#include <nlohmann/json.hpp>

#include "fuzz/fuzz_support.h"
#include "fuzz/page_oracle.h"
#include "lsp/lsp.h"

namespace {

using packager::fuzz::Require;
using packager::fuzz::RequireUtf8;

// What the inputs write for the folder's URI.
constexpr std::string_view kFolderMark = "file:///dev/shm/lsp_fuzzer-XXXXXXXXXX";

// The folder of this process (under /dev/shm, else /tmp), its path padded
// so that its URI is as long as kFolderMark; removed when the process ends
// normally.
class ScenarioFolder {
 public:
  ScenarioFolder() {
    std::error_code error;
    const std::string base = std::filesystem::is_directory("/dev/shm", error) ? "/dev/shm" : "/tmp";
    const std::string stem = base + "/lsp_fuzzer-";
    std::string number = std::to_string(::getpid());
    const std::size_t width = kFolderMark.size() - std::string_view("file://").size();
    number.insert(0, width - std::min(width, stem.size() + number.size()), '0');
    path_ = stem + number;
    std::filesystem::remove_all(path_, error);
    std::filesystem::copy(REFERENCE_SCENARIO_DIR, path_, error);
    Require(!error, "the scenario folder is made: " + error.message());
    uri_ = packager::lsp::UriOfPath(path_);
    Require(uri_.size() == kFolderMark.size(), "the folder's URI is as long as its mark");
  }
  ~ScenarioFolder() {
    std::error_code ignored;
    std::filesystem::remove_all(path_, ignored);
  }
  const std::string& path() const { return path_; }

  // The input with the folder's URI in place of each mark.
  std::string Filled(std::string_view input) const {
    std::string text(input);
    for (std::size_t at = text.find(kFolderMark); at != std::string::npos;
         at = text.find(kFolderMark, at + uri_.size())) {
      text.replace(at, kFolderMark.size(), uri_);
    }
    return text;
  }

 private:
  std::string path_;
  std::string uri_;
};

// The names and sizes of the folder's files.
std::set<std::pair<std::string, std::uintmax_t>> Listing(const std::string& folder) {
  std::set<std::pair<std::string, std::uintmax_t>> files;
  for (const auto& entry : std::filesystem::directory_iterator(folder)) {
    files.emplace(entry.path().filename().string(), entry.file_size());
  }
  return files;
}

void CheckMessage(const std::string& body) {
  namespace lsp = packager::lsp;
  RequireUtf8(body, "a message of the server");
  const nlohmann::json message = nlohmann::json::parse(body, nullptr, false);
  Require(message.is_object() && message.value("jsonrpc", "") == "2.0",
          "each message of the server is a JSON-RPC 2.0 object: " + body);
  if (message.contains("method")) {
    Require(message["method"].is_string() && !message.contains("id"),
            "a notification of the server has a method and no id: " + body);
    return;
  }
  Require(message.contains("id") && message.contains("result") != message.contains("error"),
          "a response has an id and one of result and error: " + body);
  if (!message.contains("error")) return;
  static const std::set<int> kCodes = {lsp::kParseError,     lsp::kInvalidRequest,
                                       lsp::kMethodNotFound, lsp::kInvalidParams,
                                       lsp::kInternalError,  lsp::kServerNotInitialized,
                                       lsp::kRequestCancelled, lsp::kContentModified,
                                       lsp::kRequestFailed};
  const nlohmann::json& error = message["error"];
  Require(error.contains("code") && error["code"].is_number_integer() &&
              kCodes.count(error["code"].get<int>()) != 0 && error.contains("message"),
          "an error has one of the server's codes and a message: " + body);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  namespace lsp = packager::lsp;
  static const ScenarioFolder folder;
  static const std::set<std::pair<std::string, std::uintmax_t>> scenario = Listing(folder.path());
  const std::string_view input(reinterpret_cast<const char*>(data), size);
  std::istringstream in(folder.Filled(input));
  std::ostringstream out;
  int status = -1;
  packager::fuzz::RequireNoThrow("the server", [&] { status = lsp::Serve(in, out); });
  Require(status == 0 || status == 1, "the server ends with 0 or 1");
  Require(Listing(folder.path()) == scenario, "the server writes no file");
  std::istringstream written(out.str());
  for (;;) {
    const lsp::Frame frame = lsp::ReadFrame(written);
    if (frame.status == lsp::FrameStatus::kEnd) break;
    Require(frame.status == lsp::FrameStatus::kMessage, "the server writes whole frames");
    CheckMessage(frame.body);
  }
  Require(written.eof(), "the server writes nothing but frames");
  return 0;
}
