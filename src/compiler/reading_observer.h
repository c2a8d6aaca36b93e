// What a reading looked at, for tools that explain a text to its author: each
// record's keyword, the records it was taken as, and every field read for it
// with its line, column and bytes. The readers report; they never ask the
// observer anything, so an observed reading writes the same tables.
#pragma once

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

namespace packager {

struct ReadField {
  int line = 0;
  int column = 0;        // from 1, in bytes
  std::string raw;       // the field's bytes, blanks around it dropped
  bool number = false;   // read as a number (value holds it) or as a text
  std::int64_t value = 0;
};

// One keyword and what the reader did with it.
struct ReadRecord {
  std::string file;       // the text's name, e.g. NAME_linea.txt
  std::string keyword;    // the keyword field as read, separators dropped
  int line = 0;
  int column = 0;
  // The records the keyword was read as ("stazione", "curva", ...), in the
  // order the reader handled them; empty when it matched none.
  std::vector<std::string> kinds;
  std::vector<ReadField> fields;  // every field read after the keyword
};

class ReadingObserver {
 public:
  virtual ~ReadingObserver() = default;
  virtual void OnKeyword(const std::string& file, const std::string& keyword, int line,
                         int column) = 0;
  virtual void OnRecordKind(const std::string& kind) = 0;
  virtual void OnField(const ReadField& field) = 0;
};

// Collects the records of every text read, in reading order.
class RecordCollector : public ReadingObserver {
 public:
  void OnKeyword(const std::string& file, const std::string& keyword, int line,
                 int column) override {
    records_.push_back({file, keyword, line, column, {}, {}});
  }
  void OnRecordKind(const std::string& kind) override {
    if (!records_.empty()) records_.back().kinds.push_back(kind);
  }
  void OnField(const ReadField& field) override {
    if (!records_.empty()) records_.back().fields.push_back(field);
  }
  const std::vector<ReadRecord>& records() const { return records_; }
  std::vector<ReadRecord> Take() { return std::move(records_); }

 protected:
  std::vector<ReadRecord> records_;
};

}  // namespace packager
