#include "lsp/record_help.h"

#include <cmath>

#include "compiler/track_plan_builder.h"

namespace packager::lsp {

namespace {

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

// Characters from 1 just past the line's last character that is no blank.
int TextEndColumn(std::string_view line) {
  while (!line.empty() && (IsBlank(line.back()) || line.back() == '\r')) line.remove_suffix(1);
  int column = 1;
  for (const char c : line) {
    if ((static_cast<unsigned char>(c) & 0xC0) != 0x80) ++column;
  }
  return column;
}

}  // namespace

std::string_view AuthorWords(const grammar::RecordKind& kind) {
  namespace g = grammar;
  if (&kind == &g::kLineLength) return "the line's length in metres; the first record of the text";
  if (&kind == &g::kProgressiveUno || &kind == &g::kProgressiveDue ||
      &kind == &g::kProgressiveTre) {
    return "kilometre posts along the line (uno, due and tre); all 0: none";
  }
  if (&kind == &g::kBackgroundUno || &kind == &g::kBackgroundDue || &kind == &g::kBackgroundTre) {
    return "the scenery the simulator shows (uno, due and tre)";
  }
  if (&kind == &g::kCabSignalling) {
    return "the cab signalling stretch, from and to, in metres (multiples of 50); 0 0: none; the "
           "4 or 9 of the keyword is its count of codes";
  }
  if (&kind == &g::kGradient)
    return "the gradient from its position on, in per mille; the first at 0";
  if (&kind == &g::kCurve) {
    return "a curve from start over length metres: s turns left, d right; the digit 1 to 6 is "
           "its class, 6 the sharpest";
  }
  if (&kind == &g::kMountain) {
    return "a mountain stretch (a tunnel) from start to end; a type above 10 adds markers";
  }
  if (&kind == &g::kSpeedBoard) {
    return "a speed board: three speeds a side (steps of 5 km/h) and its stripes; empty "
           "fields: no board on that side";
  }
  if (&kind == &g::kIndicatorBoard) return "an indicator board and its caption (no comma in it)";
  if (&kind == &g::kBrakedMass) return "the train's braked mass, in per cent";
  if (&kind == &g::kCarriages) return "the vehicles of the train";
  if (&kind == &g::kSpeed) {
    return "the speed limit from its position on, in km/h (steps of 5); one at each speed "
           "board, its C speed";
  }
  if (&kind == &g::kAdhesion) return "the adhesion from its position on (100: dry rail)";
  if (&kind == &g::kClock)
    return "the clock at the start, before the departure: hours, minutes, seconds";
  if (&kind == &g::kSand) return "the sand the train carries";
  if (&kind == &g::kSignal) {
    return "a signal at its position, at least 350 m (kinds 1 and 2 a side); approach marks "
           "stand in the 2nd, 4th, 6th and 8th cells before it";
  }
  if (&kind == &g::kSlowdown) {
    return "a slowdown of l metres from its position at v km/h, with a warning board and, "
           "when asked, orientation boards before it";
  }
  if (&kind == &g::kAbbattimento) {
    return "an abbattimento point of your own (the packager adds its own around signals)";
  }
  if (&kind == &g::kStation) {
    return "a station, in running order: its position a multiple of 50, its length of 100; the "
           "time the train stops, else 0 0 0; the name the crew documents use";
  }
  return kind.effect;
}

CurveShape CurveShapeOf(std::string_view keyword) {
  CurveShape shape;
  shape.left = grammar::CurveTurnsLeft(keyword);
  shape.curve_class = grammar::CurveClass(keyword);
  if (shape.curve_class != 0) {
    shape.radius = static_cast<int>(std::lround(1.0 / CurvatureOfClass(shape.curve_class)));
  }
  return shape;
}

std::string CurveText(std::string_view keyword) {
  const CurveShape shape = CurveShapeOf(keyword);
  if (shape.curve_class == 0) {
    return "no class: the keyword holds none of the digits 1 to " +
           std::to_string(grammar::kCurveClasses) + ", so the reading stops here";
  }
  return std::string("a ") + (shape.left ? "left" : "right") + " curve of class " +
         std::to_string(shape.curve_class) + ", radius " + std::to_string(shape.radius) + " m";
}

std::vector<KeywordChoice> KeywordChoices(grammar::Part part) {
  std::vector<KeywordChoice> choices;
  for (const grammar::RecordKind* kind : grammar::RecordsOf(part)) {
    if (kind != &grammar::kCurve) {
      choices.push_back({std::string(kind->spelling), kind, std::string(AuthorWords(*kind))});
      continue;
    }
    for (const char side : {'s', 'd'}) {
      for (int curve_class = 1; curve_class <= grammar::kCurveClasses; ++curve_class) {
        const std::string label = "curva" + std::string(1, side) + std::to_string(curve_class);
        choices.push_back({label, kind, CurveText(label)});
      }
    }
  }
  return choices;
}

RecordAt FindRecordAt(const std::vector<TextSection>& sections, int line, int column) {
  for (const TextSection& section : sections) {
    if (line < section.line || line > section.end_line) continue;
    for (const TextRecord& record : section.records) {
      if (line < record.line || line > record.end_line) continue;
      RecordAt found{&section, &record, -1};
      for (std::size_t i = 0; i < record.fields.size(); ++i) {
        const TextField& field = record.fields[i];
        if (field.line == line && column >= field.column && column <= field.end_column) {
          found.field = static_cast<int>(i);
        }
      }
      return found;
    }
    return {&section, nullptr, -1};
  }
  return {};
}

int FieldBeingTyped(const TextRecord& record, int line, int column, std::string_view line_text) {
  int typed = 0;
  for (std::size_t i = 0; i < record.fields.size(); ++i) {
    const TextField& field = record.fields[i];
    if (field.line > line || (field.line == line && field.column > column)) break;
    typed = static_cast<int>(i);
    if (field.line == line && column > field.end_column) {
      // Past the field: a comma, or a blank after a number, starts the next.
      const bool number = i > 0 && i <= record.kind->fields.size() &&
                          record.kind->fields[i - 1].width != grammar::Width::kText;
      std::size_t byte = 0;
      for (int character = 1; byte < line_text.size() && character < field.end_column; ++byte) {
        if ((static_cast<unsigned char>(line_text[byte]) & 0xC0) != 0x80) ++character;
        if (character == field.end_column) {
          ++byte;
          break;
        }
      }
      const std::string_view after = line_text.substr(std::min(byte, line_text.size()));
      if (after.find(',') != std::string_view::npos ||
          (number && !after.empty() && IsBlank(after.front()))) {
        typed = static_cast<int>(i) + 1;
      }
    }
  }
  if (line > record.fields.back().line) typed = static_cast<int>(record.fields.size());
  return typed;
}

Signature SignatureOf(const grammar::RecordKind& kind) {
  Signature signature;
  signature.label = std::string(kind.spelling);
  for (const grammar::Field& field : kind.fields) {
    signature.label += ", ";
    const int start = static_cast<int>(signature.label.size());
    signature.label += field.name;
    signature.fields.emplace_back(start, static_cast<int>(signature.label.size()));
  }
  return signature;
}

void WidenToText(tool::Diagnostic& diagnostic, const std::vector<TextSection>& sections,
                 std::string_view line_text) {
  if (diagnostic.line <= 0 || diagnostic.end_column > 0 || diagnostic.end_line > diagnostic.line) {
    return;
  }
  const int column = std::max(diagnostic.column, 1);
  const RecordAt at = FindRecordAt(sections, diagnostic.line, column);
  if (at.record != nullptr && at.field >= 0) {
    const TextField& field = at.record->fields[static_cast<std::size_t>(at.field)];
    if (at.field == 0) {
      diagnostic.column = field.column;
      diagnostic.end_line = at.record->end_line;
      diagnostic.end_column = at.record->fields.back().end_column;
      if (diagnostic.end_line == diagnostic.line && diagnostic.end_column <= diagnostic.column) {
        diagnostic.end_column = field.end_column;
      }
    } else if (field.end_column > field.column) {
      diagnostic.column = field.column;
      diagnostic.end_column = field.end_column;
    }
    if (diagnostic.end_column > diagnostic.column || diagnostic.end_line > diagnostic.line) return;
  }
  const int end = TextEndColumn(line_text);
  if (end > column) {
    diagnostic.column = column;
    diagnostic.end_column = end;
  }
}

}  // namespace packager::lsp
