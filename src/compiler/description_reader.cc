#include "compiler/description_reader.h"

#include <utility>

#include "compiler/text_match.h"
#include "tables/error_codes.h"
#include "tables/numbers.h"

namespace packager {

bool PassesGridTest(const ScenarioTables& tables, std::int64_t position, std::int64_t extra) {
  return grammar::PassesGridTest(tables.route_cells.last_index(), position, extra);
}

DescriptionReader::DescriptionReader(ScenarioTables& tables, DescriptionTexts& texts,
                                     std::string file_name, ReadingPlace& place)
    : tables_(tables), file_name_(std::move(file_name)), texts_(texts), place_(place) {
  place_.file = file_name_;
  place_.line = 0;
}

void DescriptionReader::Open() {
  stream_.emplace(texts_.Read(file_name_));
  if (place_.observer == nullptr) return;
  stream_->set_listener([this](int line, int column, std::string_view raw, bool number,
                               std::int64_t value) {
    if (observing_fields_) place_.observer->OnField({line, column, std::string(raw), number, value});
  });
}

void DescriptionReader::NoteKind(const grammar::RecordKind& kind) const {
  if (place_.observer != nullptr) place_.observer->OnRecordKind(std::string(kind.name));
}

std::string DescriptionReader::ReadToken() {
  tables_.token = stream_->ReadText();
  return tables_.token;
}

std::optional<std::string> DescriptionReader::ReadKeyword(int drops, bool end_between_drops) {
  if (AtEnd()) return std::nullopt;
  observing_fields_ = false;
  std::string keyword = ReadToken();
  if (AtEnd()) return std::nullopt;
  for (int drop = 0; drop < drops && Contains(keyword, grammar::kSeparatorMark); ++drop) {
    keyword = ReadToken();
    if (end_between_drops && AtEnd()) return std::nullopt;
  }
  place_.line = stream_->field_line();
  if (place_.observer != nullptr) {
    place_.observer->OnKeyword(file_name_, keyword, place_.line, stream_->field_column());
    observing_fields_ = true;
  }
  return keyword;
}

FaultSource DescriptionReader::RecordSource() const {
  const int last_line = stream_ && place_.line > 0 ? stream_->field_line() : place_.line;
  return {file_name_, place_.line, "", 0, place_.line, last_line};
}

void DescriptionReader::Record(std::int32_t code) { tables_.RecordFault(code, RecordSource()); }

void DescriptionReader::Record(std::int32_t code, std::int32_t position) {
  tables_.RecordFault(code, position, RecordSource());
}

// The fault is recorded before the text is closed: its source names the last
// line the reading took a field from.
DescriptionReader::Next DescriptionReader::Stop(std::int32_t code) {
  Record(code);
  CloseAndDelete();
  return Next::kStop;
}

DescriptionReader::Next DescriptionReader::Stop(std::int32_t code, std::int32_t position) {
  Record(code, position);
  CloseAndDelete();
  return Next::kStop;
}

void DescriptionReader::CloseAndDelete() {
  stream_.reset();
  texts_.Delete(file_name_);
}

bool DescriptionReader::GridTest(std::int64_t position, std::int64_t extra) {
  if (PassesGridTest(tables_, position, extra)) return true;
  Record(kErrBeyondGrid, static_cast<std::int32_t>(position));
  return false;
}

}  // namespace packager
