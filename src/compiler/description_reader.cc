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
  if (const auto held = texts_.Held(file_name_)) {
    stream_.emplace(FieldStream::Viewed{*held});
  } else {
    stream_.emplace(texts_.Read(file_name_));
  }
  if (place_.observer == nullptr) return;
  stream_->set_listener([this](int line, int column, std::string_view raw, bool number,
                               std::int64_t value) {
    if (observing_fields_) place_.observer->OnField({line, column, std::string(raw), number, value});
  });
}

Writer CurrentWriter(const ReadingPlace& place) {
  return {place.file, place.line, std::string(place.kind)};
}

RouteCell& PutObject(RouteGrid& grid, std::int64_t index, std::uint8_t kind,
                     const ReadingPlace* place) {
  RouteCell& cell = grid.at(index);
  if (place != nullptr && place->observer != nullptr) {
    const Writer by = CurrentWriter(*place);
    if (cell.kind != kCellEmpty) place->observer->OnObjectReplaced(index, cell.kind, by);
    place->observer->OnCellWrite({by, CellPart::kObject, index, index, kind});
  }
  cell.kind = kind;
  return cell;
}

void TellWrite(const ReadingPlace* place, const Writer& by, CellPart part, std::int64_t first,
               std::int64_t last, std::int64_t value) {
  if (place != nullptr && place->observer != nullptr) {
    place->observer->OnCellWrite({by, part, first, last, value});
  }
}

void TellMark(const ReadingPlace* place, std::int64_t cell, std::int64_t mark) {
  if (place != nullptr && place->observer != nullptr) {
    TellWrite(place, CurrentWriter(*place), CellPart::kApproachMark, cell, cell, mark);
  }
}

void TellNothing(const ReadingPlace* place, const Writer& by, const std::string& why) {
  if (place != nullptr && place->observer != nullptr) place->observer->OnLeftNothing(by, why);
}

void TellNothing(const ReadingPlace* place, const std::string& why) {
  if (place != nullptr && place->observer != nullptr) {
    TellNothing(place, CurrentWriter(*place), why);
  }
}

void DescriptionReader::NoteKind(const grammar::RecordKind& kind) const {
  place_.kind = kind.name;
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
