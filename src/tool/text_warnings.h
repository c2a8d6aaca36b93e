// Warnings on the two description texts: what the compile accepts without a
// fault but an author almost never means. They are found on the records as
// the compile read them (a keyword, the records it was taken as, its fields),
// so that a warning never disagrees with what the compile did.
//
// Each warning has a name, shown as [-WNAME]:
//   unknown-keyword    a keyword that matches no record and is no section header
//   ambiguous-keyword  a keyword read as two records, or a header read as one
//   leftover-fields    a record's line holds fields beyond those it reads
//   record-spans-lines a record reads fields from the lines after its own
//   out-of-order       a record standing before the previous one of its kind
//   overlapping-curves a curve starting before the previous one ends
//   curve-keyword      a curve keyword that is not "curvas" or "curvad" and one digit
//   no-start-value     no speed or adhesion record at 0
//   position-rounding  a position whose cell is not the one its metre lies in
//   fraction           a number written with decimals (rounded to whole)
//   empty-text         an empty station name or board text
//   narrow-field       a value beyond the field that stores it
#pragma once

#include <map>
#include <string>
#include <vector>

#include "compiler/reading_observer.h"
#include "tool/diagnostics.h"

namespace packager::tool {

// The author's texts by the names the compile reads them under.
using AuthorFiles = std::map<std::string, AuthorFile>;

// records: both texts' records in reading order, as a RecordCollector holds
// them. train_text: the name of the train description, whose speed and
// adhesion records are looked for.
std::vector<Diagnostic> TextWarnings(const std::vector<ReadRecord>& records,
                                     const AuthorFiles& files, const std::string& train_text);

// Every warning name, for -Wno-NAME and the rules of SARIF.
const std::vector<std::string>& TextWarningNames();

}  // namespace packager::tool
