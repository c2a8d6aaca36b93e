#include "sources/field_stream.h"

#include <array>
#include <string_view>
#include <utility>


namespace packager {

namespace {

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

bool IsLineEnd(char c) { return c == '\r' || c == '\n'; }

// The bytes a text field ends at (a comma or a line end), and those a
// number field ends at (those and a blank), one look-up each.
using ByteSet = std::array<bool, 256>;
constexpr ByteSet SetOf(std::string_view bytes) {
  ByteSet set{};
  for (const char c : bytes) set[static_cast<unsigned char>(c)] = true;
  return set;
}
constexpr ByteSet kTextEnds = SetOf(",\r\n");
constexpr ByteSet kNumberEnds = SetOf(",\r\n \t");
bool In(const ByteSet& set, char c) { return set[static_cast<unsigned char>(c)]; }

// Digits up to this many are read as they are scanned; a longer number, as
// any other, by ParseWholeNumber.
constexpr std::size_t kPlainDigits = 12;

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
  const char* const bytes = bytes_.data();
  const std::size_t size = bytes_.size();
  std::size_t at = position_;
  while (at < size && IsBlank(bytes[at])) ++at;
  position_ = at;
  field_column_ = static_cast<int>(at - line_start_) + 1;
}

std::string FieldStream::ReadText() {
  StartField();
  const std::size_t begin = position_;
  while (position_ < bytes_.size() && !In(kTextEnds, bytes_[position_])) ++position_;
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
  const char* const bytes = bytes_.data();
  const std::size_t size = bytes_.size();
  const std::size_t begin = position_;
  std::size_t at = begin;
  // Plain digits, most numbers, are read as they are scanned.
  std::int64_t value = 0;
  while (at < size && at - begin < kPlainDigits && IsDigit(bytes[at])) {
    value = value * 10 + (bytes[at] - '0');
    ++at;
  }
  const bool plain = at > begin && (at == size || In(kNumberEnds, bytes[at]));
  while (at < size && !In(kNumberEnds, bytes[at])) ++at;
  const std::string_view text(bytes + begin, at - begin);
  // The separation: blanks, then one comma or one line end.
  while (at < size && IsBlank(bytes[at])) ++at;
  position_ = at;
  if (at < size) {
    if (bytes[at] == ',') {
      ++position_;
    } else if (IsLineEnd(bytes[at])) {
      ConsumeLineEnd();
    }
  }
  if (!plain) {
    value = 0;
    if (!text.empty() && !ParseWholeNumber(text, value)) {
      Fail("\"" + Shown(text) + "\" is not a number");
    }
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
