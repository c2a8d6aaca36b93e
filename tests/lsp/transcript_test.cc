// Protocol transcripts: each file of transcripts/ is a JSON object
//
//   "files":     texts written into a fresh folder, by name (optional);
//   "folders":   names given to folders made there (optional);
//   "reference": true to copy the reference scenario's texts in first;
//   "patch":     by file name, [from, to] pairs replaced in the folder's file;
//   "messages":  what the client sends, in order: a JSON value is sent as one
//                message, {"raw": "..."} as bytes as they are; a member
//                "text": {"of": NAME, "replace": [[from, to], ...]} is sent
//                as the folder's file NAME so changed; {"settle": true}
//                lets the edits before it settle (the input holds no
//                further message there, so the server checks them);
//   "expect":    every message the server sends, in order; an expected
//                object matches one holding at least its members (each
//                matching), an array one of the same length, element by element;
//   "status":    the status the server ends with (optional).
//
// "${dir}" anywhere in the transcript stands for the folder's URI.
#include <gtest/gtest.h>

#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "lsp/server.h"
#include "lsp/transport.h"

namespace packager::lsp {
namespace {

namespace fs = std::filesystem;
using nlohmann::json;

std::string Replaced(std::string text, const std::string& from, const std::string& to) {
  for (std::size_t at = text.find(from); at != std::string::npos;
       at = text.find(from, at + to.size())) {
    text.replace(at, from.size(), to);
  }
  return text;
}

// Where actual differs from expected, as a JSON pointer; empty when it matches.
std::string Mismatch(const json& expected, const json& actual, const std::string& where = "") {
  if (expected.is_object()) {
    if (!actual.is_object()) return where.empty() ? "/" : where;
    for (const auto& [key, value] : expected.items()) {
      if (!actual.contains(key)) return where + "/" + key + " (missing)";
      const std::string inner = Mismatch(value, actual[key], where + "/" + key);
      if (!inner.empty()) return inner;
    }
    return "";
  }
  if (expected.is_array()) {
    if (!actual.is_array() || actual.size() != expected.size()) return where + " (length)";
    for (std::size_t i = 0; i < expected.size(); ++i) {
      const std::string inner = Mismatch(expected[i], actual[i], where + "/" + std::to_string(i));
      if (!inner.empty()) return inner;
    }
    return "";
  }
  return expected == actual ? "" : (where.empty() ? "/" : where);
}

std::string Read(const fs::path& path) {
  std::ifstream file(path, std::ios::binary);
  std::stringstream read;
  read << file.rdbuf();
  return read.str();
}

std::string Patched(std::string text, const json& pairs) {
  for (const json& pair : pairs) {
    const std::string from = pair.at(0).get<std::string>();
    EXPECT_NE(text.find(from), std::string::npos) << from;
    text = Replaced(text, from, pair.at(1).get<std::string>());
  }
  return text;
}

// A message with each "text" given by "of" filled in from the folder.
json Filled(json message, const fs::path& folder) {
  if (message.is_object() && message.contains("text") && message["text"].is_object()) {
    const json& text = message["text"];
    message["text"] = Patched(Read(folder / text.at("of").get<std::string>()),
                              text.value("replace", json::array()));
  }
  if (message.is_structured()) {
    for (json& member : message) member = Filled(member, folder);
  }
  return message;
}

std::vector<std::string> TranscriptNames() {
  std::vector<std::string> names;
  for (const fs::directory_entry& entry : fs::directory_iterator(TRANSCRIPT_DIR)) {
    if (entry.path().extension() == ".json") names.push_back(entry.path().stem().string());
  }
  std::sort(names.begin(), names.end());
  return names;
}

// Input given in pieces: between two, nothing is waiting to be read, as when
// an editor pauses.
class PausingInput : public std::streambuf {
 public:
  explicit PausingInput(std::vector<std::string> pieces) : pieces_(std::move(pieces)) {}

 protected:
  int_type underflow() override {
    if (next_ >= pieces_.size()) return traits_type::eof();
    std::string& piece = pieces_[next_++];
    setg(piece.data(), piece.data(), piece.data() + piece.size());
    return piece.empty() ? underflow() : traits_type::to_int_type(piece.front());
  }
  std::streamsize showmanyc() override { return 0; }

 private:
  std::vector<std::string> pieces_;
  std::size_t next_ = 0;
};

class Transcript : public testing::TestWithParam<std::string> {};

TEST_P(Transcript, ServerAnswersAsExpected) {
  const fs::path folder = fs::temp_directory_path() /
                          ("lsp_transcript_" + GetParam() + "_" + std::to_string(::getpid()));
  fs::remove_all(folder);
  fs::create_directories(folder);
  const json transcript =
      json::parse(Replaced(Read(fs::path(TRANSCRIPT_DIR) / (GetParam() + ".json")), "${dir}",
                           UriOfPath(folder.string())));
  if (transcript.value("reference", false)) {
    for (const fs::directory_entry& entry : fs::directory_iterator(REFERENCE_SCENARIO_DIR)) {
      fs::copy_file(entry.path(), folder / entry.path().filename());
    }
  }
  const json files = transcript.contains("files") ? transcript["files"] : json::object();
  for (auto file_text = files.begin(); file_text != files.end(); ++file_text) {
    std::ofstream(folder / file_text.key(), std::ios::binary) << file_text->get<std::string>();
  }
  for (const json& name : transcript.value("folders", json::array())) {
    fs::create_directories(folder / name.get<std::string>());
  }
  const json patches = transcript.contains("patch") ? transcript["patch"] : json::object();
  for (auto patch = patches.begin(); patch != patches.end(); ++patch) {
    const std::string patched = Patched(Read(folder / patch.key()), *patch);
    std::ofstream(folder / patch.key(), std::ios::binary) << patched;
  }
  std::vector<std::string> input(1);
  for (const json& given : transcript.at("messages")) {
    const json message = Filled(given, folder);
    if (message.is_object() && message.contains("settle")) {
      input.emplace_back();
    } else if (message.is_object() && message.contains("raw")) {
      input.back() += message["raw"].get<std::string>();
    } else {
      const std::string body = message.dump();
      input.back() += "Content-Length: " + std::to_string(body.size()) + "\r\n\r\n" + body;
    }
  }
  PausingInput pausing(std::move(input));
  std::istream in(&pausing);
  std::ostringstream out;
  const int status = Serve(in, out);
  std::istringstream written(out.str());
  std::vector<json> sent;
  for (Frame frame = ReadFrame(written); frame.status == FrameStatus::kMessage;
       frame = ReadFrame(written)) {
    sent.push_back(json::parse(frame.body));
  }
  const json& expected = transcript.at("expect");
  std::string all;
  for (const json& message : sent) all += message.dump() + "\n";
  ASSERT_EQ(sent.size(), expected.size()) << all;
  for (std::size_t i = 0; i < sent.size(); ++i) {
    const std::string mismatch = Mismatch(expected[i], sent[i]);
    EXPECT_EQ(mismatch, "") << "message " << i << ": " << sent[i].dump(2);
  }
  if (transcript.contains("status")) {
    EXPECT_EQ(status, transcript["status"].get<int>());
  }
  fs::remove_all(folder);
}

INSTANTIATE_TEST_SUITE_P(Lsp, Transcript, testing::ValuesIn(TranscriptNames()),
                         [](const testing::TestParamInfo<std::string>& info) {
                           return Replaced(info.param, "-", "_");
                         });

}  // namespace
}  // namespace packager::lsp
