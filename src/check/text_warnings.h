// Warnings on the two description texts: what the compile accepts without a
// fault but an author almost never means. They are found on the records as
// the compile read them (a keyword, the records it was taken as, its fields),
// so that a warning never disagrees with what the compile did.
//
// Each warning has a name, shown as [-WNAME]; tool/warning_names.h lists
// them with what each finds.
#pragma once

#include <map>
#include <string>
#include <string_view>
#include <vector>

#include "compiler/reading_observer.h"
#include "check/diagnostics.h"

namespace packager::tool {

// "signal", "indicator board": a record kind (grammar::RecordKind::name) as
// the warnings name it.
std::string RecordName(std::string_view kind);

// records: both texts' records in reading order, as a RecordCollector holds
// them. train_text: the name of the train description, whose speed and
// adhesion records are looked for. whole: the records are all the texts
// hold; when the error limit stopped the reading, the warnings on what the
// train lacks are not given, for the records not read may hold it.
std::vector<Diagnostic> TextWarnings(const std::vector<ReadRecord>& records,
                                     const AuthorFiles& files, const std::string& train_text,
                                     bool whole = true);

}  // namespace packager::tool
