// Reads a description text one field at a time.
//
// A field ends at a comma or at the end of a line (CR LF, a lone CR or a lone
// LF); blanks before a field are skipped. A text field runs from its first
// non-blank character to the comma or the line end (trailing blanks dropped).
// A number field also ends at a blank; the blanks after it and one comma or
// one line end after them belong to the separation, so "0    ,0" is two
// fields. An empty number field reads as 0.
//
// at_end() is true once every byte has been consumed: after the last field of
// a file that ends with a line end, or with that field itself. Reading a field
// when at_end() is true, a value that is no number, or a number that does not
// fit its width, throws FieldFailure: where the field stands and why.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

#include "tables/run_failure.h"

namespace packager {

// A field that could not be read: its line and column (from 1; the column
// counts bytes) and the reason, e.g. "\"1oo\" is not a number" (what()).
class FieldFailure : public RunFailure {
 public:
  FieldFailure(int line, int column, const std::string& reason)
      : RunFailure(reason), line_(line), column_(column) {}
  int line() const { return line_; }
  int column() const { return column_; }

 private:
  int line_;
  int column_;
};

// The reason of a FieldFailure when the text ends before the field.
inline constexpr char kTextEndsInRecord[] = "the text ends where another field was expected";

class FieldStream {
 public:
  // A stream over these Windows-1252 bytes.
  explicit FieldStream(std::string bytes);
  // A stream over bytes the caller holds, unchanged, for as long as it reads
  // them: viewed, not copied.
  struct Viewed {
    std::string_view bytes;
  };
  explicit FieldStream(Viewed bytes) : bytes_(bytes.bytes) {}
  // The stream views its own bytes: a copy would view the original's.
  FieldStream(const FieldStream&) = delete;
  FieldStream& operator=(const FieldStream&) = delete;

  bool at_end() const { return position_ >= bytes_.size(); }

  std::string ReadText();
  std::int32_t ReadLong();     // signed 32-bit
  std::int16_t ReadInteger();  // signed 16-bit
  std::uint8_t ReadByte();     // 0 to 255

  // Text line (from 1) on which the last field read starts, and its column.
  int field_line() const { return field_line_; }
  int field_column() const { return field_column_; }

  // Where the stream stands: a stream over other bytes, the same up to the
  // start of the line after `line` (or up to `position` when it begins a
  // line), goes on from there as this one would.
  struct Place {
    std::size_t position = 0;
    std::size_t line_start = 0;
    int line = 1;
    int field_line = 0;
    int field_column = 0;
  };
  Place place() const { return {position_, line_start_, line_, field_line_, field_column_}; }
  void GoTo(const Place& place) {
    position_ = place.position;
    line_start_ = place.line_start;
    line_ = place.line;
    field_line_ = place.field_line;
    field_column_ = place.field_column;
  }

  // Told of every field read: its line, column, bytes (blanks around them
  // dropped), whether it was read as a number, and the number's value.
  using FieldListener = std::function<void(int line, int column, std::string_view raw,
                                           bool number, std::int64_t value)>;
  void set_listener(FieldListener listener) { listener_ = std::move(listener); }

 private:
  // The number field as a whole number (decimals rounded half to even).
  std::int64_t ReadNumber(std::int64_t low, std::int64_t high, const char* width_name);
  void ConsumeLineEnd();
  void StartField();
  [[noreturn]] void Fail(const std::string& reason) const;

  std::string owned_;       // the bytes, unless they are viewed
  std::string_view bytes_;  // views owned_ or the caller's bytes
  std::size_t position_ = 0;
  std::size_t line_start_ = 0;  // where the current line begins
  int line_ = 1;
  int field_line_ = 0;
  int field_column_ = 0;
  FieldListener listener_;
};

}  // namespace packager
