// The requests of the server that views and rewrites texts: formatting,
// semantic tokens, folding ranges, signature help, references and rename
// (the rest are in server.cc). Each turns the workspace's answer, in lines
// and characters from 1, into the protocol's positions.
#include <algorithm>
#include <stdexcept>
#include <utility>

#include "check/diagnostics.h"
#include "lsp/formatting.h"
#include "lsp/record_help.h"
#include "lsp/server.h"
#include "lsp/text_views.h"

namespace packager::lsp {

namespace {

using nlohmann::json;

class RequestRefused : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

}  // namespace

json Server::TextPosition(const std::string& path, int line, int column) const {
  return {{"line", std::max(line - 1, 0)},
          {"character", workspace_.Utf16Offset(path, line, column)}};
}

json Server::Formatting(const json& params) const {
  const std::string path = DocumentPath(params);
  const std::optional<DescriptionText> text = workspace_.DescriptionOf(path);
  if (!text) return json::array();
  std::string formatted = FormatDescription(text->text, text->train);
  if (formatted == text->text) return json::array();
  // One edit: the whole text. Its end: past the last line's last character.
  const int lines = static_cast<int>(std::count(text->text.begin(), text->text.end(), '\n')) + 1;
  const std::size_t last_start =
      text->text.rfind('\n') == std::string::npos ? 0 : text->text.rfind('\n') + 1;
  const std::string_view last = std::string_view(text->text).substr(last_start);
  const int characters = static_cast<int>(std::count_if(last.begin(), last.end(), [&](char c) {
    return !text->utf8 || (static_cast<unsigned char>(c) & 0xC0) != 0x80;
  }));
  return json::array({{{"range",
                        {{"start", {{"line", 0}, {"character", 0}}},
                         {"end", TextPosition(path, lines, characters + 1)}}},
                       {"newText", std::move(formatted)}}});
}

json Server::SemanticTokens(const json& params) const {
  const std::string path = DocumentPath(params);
  json data = json::array();
  const std::optional<DescriptionText> text = workspace_.DescriptionOf(path);
  if (!text) return {{"data", data}};
  int previous_line = 0;
  int previous_start = 0;
  for (const SemanticToken& token : SemanticTokensOf(text->text, text->train)) {
    const int start = workspace_.Utf16Offset(path, token.line, token.column);
    const int end = workspace_.Utf16Offset(path, token.line, token.end_column);
    const int line = token.line - 1;
    data.push_back(line - previous_line);
    data.push_back(line == previous_line ? start - previous_start : start);
    data.push_back(end - start);
    data.push_back(static_cast<int>(token.type));
    data.push_back(0);
    previous_line = line;
    previous_start = start;
  }
  return {{"data", std::move(data)}};
}

json Server::FoldingRanges(const json& params) const {
  const std::string path = DocumentPath(params);
  json ranges = json::array();
  const std::optional<DescriptionText> text = workspace_.DescriptionOf(path);
  if (!text) return ranges;
  for (const FoldingRange& range : FoldingRangesOf(text->text, text->train)) {
    json folding = {{"startLine", range.line - 1}, {"endLine", range.end_line - 1}};
    folding["kind"] = range.comment ? "comment" : "region";
    ranges.push_back(std::move(folding));
  }
  return ranges;
}

json Server::SignatureHelp(const json& params) const {
  const std::string path = DocumentPath(params);
  const std::optional<DescriptionText> text = workspace_.DescriptionOf(path);
  if (!text) return nullptr;
  const auto [line, column] = CursorOf(path, params);
  const std::vector<TextSection> sections = ReadTextRecords(text->text, text->train);
  const RecordAt at = FindRecordAt(sections, line, column);
  if (at.record == nullptr) return nullptr;
  const Signature signature = SignatureOf(*at.record->kind);
  const int typed =
      FieldBeingTyped(*at.record, line, column, tool::LineIndex(text->text).Line(line));
  json fields = json::array();
  for (std::size_t i = 0; i < signature.fields.size(); ++i) {
    const grammar::Field& field = at.record->kind->fields[i];
    std::string about = std::string(field.name);
    if (!field.unit.empty()) about += ", in " + std::string(field.unit);
    if (field.width == grammar::Width::kText) about += ", a text (no comma in it)";
    fields.push_back({{"label", {signature.fields[i].first, signature.fields[i].second}},
                      {"documentation", about}});
  }
  json result = {{"signatures",
                  {{{"label", signature.label},
                    {"documentation", std::string(AuthorWords(*at.record->kind))},
                    {"parameters", std::move(fields)}}}},
                 {"activeSignature", 0}};
  if (typed >= 1) result["activeParameter"] = typed - 1;
  return result;
}

json Server::References(const json& params) const {
  const std::string path = DocumentPath(params);
  const auto [line, column] = CursorOf(path, params);
  const bool declaration =
      params.contains("context") && params["context"].value("includeDeclaration", true);
  std::vector<StationOccurrence> occurrences = workspace_.StationNamed(path, line, column);
  if (occurrences.empty()) occurrences = workspace_.RecordReferences(path, line, column);
  json locations = json::array();
  for (const StationOccurrence& occurrence : occurrences) {
    if (!declaration && occurrence.record) continue;
    const Place& place = occurrence.place;
    locations.push_back({{"uri", UriOfPath(place.path)},
                         {"range",
                          {{"start", TextPosition(place.path, place.line, place.column)},
                           {"end", TextPosition(place.path, place.end_line, place.end_column)}}}});
  }
  return locations;
}

json Server::Rename(const json& params) const {
  const std::string path = DocumentPath(params);
  const auto [line, column] = CursorOf(path, params);
  const std::string new_name = params.at("newName").get<std::string>();
  const std::size_t first = new_name.find_first_not_of(' ');
  if (first == std::string::npos || new_name.find_first_of(",|\r\n\t") != std::string::npos ||
      new_name.back() == ' ' || first != 0) {
    throw RequestRefused(
        "a station's name is a text with no comma, bar, tab or line end, "
        "and no blank at either end: \"" +
        new_name + "\" cannot be one");
  }
  const std::vector<StationOccurrence> occurrences = workspace_.StationNamed(path, line, column);
  if (occurrences.empty()) {
    throw RequestRefused(
        "no station is named here: rename a station on its name, in the train "
        "description or a crew document");
  }
  json changes = json::object();
  for (const tool::TextEdit& edit : RenameEdits(occurrences, new_name)) {
    changes[UriOfPath(edit.path)].push_back(
        {{"range",
          {{"start", TextPosition(edit.path, edit.line, edit.column)},
           {"end", TextPosition(edit.path, edit.line, edit.end_column)}}},
         {"newText", edit.new_text}});
  }
  return {{"changes", std::move(changes)}};
}

bool Server::HandleFeatureRequest(const json& id, const std::string& method, const json& params) {
  try {
    json result;
    if (method == "textDocument/formatting") {
      result = Formatting(params);
    } else if (method == "textDocument/semanticTokens/full") {
      result = SemanticTokens(params);
    } else if (method == "textDocument/foldingRange") {
      result = FoldingRanges(params);
    } else if (method == "textDocument/signatureHelp") {
      result = SignatureHelp(params);
    } else if (method == "textDocument/references") {
      result = References(params);
    } else if (method == "textDocument/rename") {
      result = Rename(params);
    } else {
      return false;
    }
    Respond(id, std::move(result));
  } catch (const RequestRefused& error) {
    RespondError(id, kRequestFailed, error.what());
  }
  return true;
}

json Server::FeatureCapabilities() {
  json legend = json::array();
  for (const char* name : kTokenTypeNames) legend.push_back(name);
  return {{"documentFormattingProvider", true},
          {"semanticTokensProvider",
           {{"legend", {{"tokenTypes", std::move(legend)}, {"tokenModifiers", json::array()}}},
            {"full", true}}},
          {"foldingRangeProvider", true},
          {"signatureHelpProvider", {{"triggerCharacters", {",", " "}}}},
          {"referencesProvider", true},
          {"renameProvider", true}};
}

// ------------------------------------------------------ settings and disk

bool OffersWatchRegistration(const json& params) {
  const json* at = &params;
  for (const char* key :
       {"capabilities", "workspace", "didChangeWatchedFiles", "dynamicRegistration"}) {
    if (!at->is_object() || !at->contains(key)) return false;
    at = &(*at)[key];
  }
  return at->is_boolean() && at->get<bool>();
}

void Server::Configure(const json& given) {
  std::vector<std::string> problems;
  workspace_.Configure(ReadSettings(given, workspace_.settings(), problems));
  for (const std::string& problem : problems) {
    send_({{"jsonrpc", "2.0"},
           {"method", "window/showMessage"},
           {"params", {{"type", 2}, {"message", "scenario-tool settings: " + problem}}}});
  }
  workspace_.ForgetDiskTexts();
  for (const std::string& path : workspace_.OpenPaths()) Schedule(path);
}

void Server::RegisterWatching() {
  if (!watch_registration_) return;
  send_({{"jsonrpc", "2.0"},
         {"id", "watch-texts"},
         {"method", "client/registerCapability"},
         {"params",
          {{"registrations",
            {{{"id", "watch-texts"},
              {"method", "workspace/didChangeWatchedFiles"},
              {"registerOptions", {{"watchers", {{{"globPattern", "**/*"}}}}}}}}}}}});
}

void Server::FilesChanged(const json& params) {
  workspace_.ForgetDiskTexts();
  for (const json& change : params.at("changes")) {
    const std::optional<std::string> path = PathOfUri(change.at("uri").get<std::string>());
    if (path) Schedule(*path);
  }
  NoticeDiskChanges();  // a folder renamed or removed
}

void Server::NoticeDiskChanges(const std::optional<std::string>& request_folder,
                               bool every_folder) {
  if (!every_folder && !request_folder) return;
  const std::vector<std::string> changed =
      workspace_.FoldersChangedOnDisk(every_folder ? std::nullopt : request_folder);
  if (changed.empty()) return;
  workspace_.ForgetDiskTexts();
  for (const std::string& path : changed) Schedule(path);
}

}  // namespace packager::lsp
