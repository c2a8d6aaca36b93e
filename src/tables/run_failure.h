// A run-time failure inside the reading stage: a read past the end of a
// description text, a number too large for its field, an index outside the
// tables. The reading stage catches it, records code 25 and goes on with the
// rest of the run; nothing else throws it or lets it escape.
#pragma once

#include <stdexcept>
#include <string>

namespace packager {

class RunFailure : public std::runtime_error {
 public:
  explicit RunFailure(const std::string& what) : std::runtime_error(what) {}
};

}  // namespace packager
