#include "sources/field_stream.h"

#include <string_view>
#include <utility>


namespace packager {

namespace {

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

// A field as it can stand in a message: control bytes (a NUL among them,
// which would end the message) are shown as \xNN.
std::string Shown(std::string_view text) {
  std::string shown;
  for (const char c : text) {
    const auto byte = static_cast<unsigned char>(c);
    if (byte < 0x20 || byte == 0x7F) {
      constexpr char kHex[] = "0123456789ABCDEF";
      shown += "\\x";
      shown += kHex[byte >> 4];
      shown += kHex[byte & 0xF];
    } else {
      shown += c;
    }
  }
  return shown;
}

// The number text as a whole number, or false when it is not a plain decimal
// number. A fraction is rounded half to even, exactly, from its digits.
bool ParseWholeNumber(std::string_view text, std::int64_t& value) {
  std::size_t i = 0;
  bool negative = false;
  if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
    negative = text[i] == '-';
    ++i;
  }
  std::int64_t whole = 0;
  bool any_digit = false;
  for (; i < text.size() && IsDigit(text[i]); ++i) {
    any_digit = true;
    // Past twelve digits the value cannot fit any field; stop it growing.
    if (whole < 1000000000000LL) whole = whole * 10 + (text[i] - '0');
  }
  int first_fraction_digit = -1;
  bool rest_nonzero = false;
  if (i < text.size() && text[i] == '.') {
    ++i;
    for (; i < text.size() && IsDigit(text[i]); ++i) {
      any_digit = true;
      if (first_fraction_digit < 0) {
        first_fraction_digit = text[i] - '0';
      } else if (text[i] != '0') {
        rest_nonzero = true;
      }
    }
  }
  if (!any_digit || i != text.size()) return false;
  if (first_fraction_digit > 5 || (first_fraction_digit == 5 && rest_nonzero) ||
      (first_fraction_digit == 5 && whole % 2 == 1)) {
    ++whole;
  }
  value = negative ? -whole : whole;
  return true;
}

}  // namespace

FieldStream::FieldStream(std::string bytes) : owned_(std::move(bytes)), bytes_(owned_) {}

void FieldStream::SkipBlanks() {
  while (position_ < bytes_.size() && IsBlank(bytes_[position_])) ++position_;
}

bool FieldStream::AtLineEnd() const {
  return position_ < bytes_.size() && (bytes_[position_] == '\r' || bytes_[position_] == '\n');
}

void FieldStream::ConsumeLineEnd() {
  if (bytes_[position_] == '\r') {
    ++position_;
    if (position_ < bytes_.size() && bytes_[position_] == '\n') ++position_;
  } else {
    ++position_;
  }
  ++line_;
  line_start_ = position_;
}

void FieldStream::Fail(const std::string& reason) const {
  throw FieldFailure(field_line_, field_column_, reason);
}

void FieldStream::StartField() {
  field_line_ = line_;
  field_column_ = static_cast<int>(position_ - line_start_) + 1;
  if (at_end()) Fail(kTextEndsInRecord);
  SkipBlanks();
  field_column_ = static_cast<int>(position_ - line_start_) + 1;
}

std::string FieldStream::ReadText() {
  StartField();
  const std::size_t begin = position_;
  while (position_ < bytes_.size() && bytes_[position_] != ',' && !AtLineEnd()) ++position_;
  std::size_t end = position_;
  while (end > begin && IsBlank(bytes_[end - 1])) --end;
  std::string field(bytes_.substr(begin, end - begin));
  if (position_ < bytes_.size()) {
    if (bytes_[position_] == ',') {
      ++position_;
    } else {
      ConsumeLineEnd();
    }
  }
  if (listener_) listener_(field_line_, field_column_, field, false, 0);
  return field;
}

std::int64_t FieldStream::ReadNumber(std::int64_t low, std::int64_t high, const char* width_name) {
  StartField();
  const std::size_t begin = position_;
  while (position_ < bytes_.size() && bytes_[position_] != ',' && !AtLineEnd() &&
         !IsBlank(bytes_[position_])) {
    ++position_;
  }
  const std::string_view text = bytes_.substr(begin, position_ - begin);
  // The separation: blanks, then one comma or one line end.
  SkipBlanks();
  if (position_ < bytes_.size()) {
    if (bytes_[position_] == ',') {
      ++position_;
    } else if (AtLineEnd()) {
      ConsumeLineEnd();
    }
  }
  std::int64_t value = 0;
  if (!text.empty() && !ParseWholeNumber(text, value)) {
    Fail("\"" + Shown(text) + "\" is not a number");
  }
  if (value < low || value > high) {
    Fail(Shown(text) + " does not fit " + width_name + " (" + std::to_string(low) + " to " +
         std::to_string(high) + ")");
  }
  if (listener_) listener_(field_line_, field_column_, text, true, value);
  return value;
}

std::int32_t FieldStream::ReadLong() {
  return static_cast<std::int32_t>(ReadNumber(INT32_MIN, INT32_MAX, "a 32-bit field"));
}

std::int16_t FieldStream::ReadInteger() {
  return static_cast<std::int16_t>(ReadNumber(INT16_MIN, INT16_MAX, "a 16-bit field"));
}

std::uint8_t FieldStream::ReadByte() {
  return static_cast<std::uint8_t>(ReadNumber(0, 255, "a byte field"));
}

}  // namespace packager
