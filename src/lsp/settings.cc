#include "lsp/settings.h"

#include <cstdint>

#include "check/warning_names.h"

namespace packager::lsp {

using nlohmann::json;

Settings ReadSettings(const json& given, Settings held, std::vector<std::string>& problems) {
  if (!given.is_object()) return held;
  const json& settings = given.contains("scenarioTool") ? given["scenarioTool"] : given;
  if (!settings.is_object()) return held;
  if (const auto found = settings.find("disabledWarnings"); found != settings.end()) {
    if (!found->is_array()) {
      problems.push_back("disabledWarnings must be a list of warning names");
    } else {
      std::set<std::string> silenced;
      for (const json& entry : *found) {
        std::string name = entry.is_string() ? entry.get<std::string>() : "";
        if (name.starts_with("-Wno-")) name.erase(0, 5);
        if (tool::WarningSummary(name) == nullptr) {
          problems.push_back("disabledWarnings: \"" + (entry.is_string() ? name : entry.dump()) +
                             "\" is no warning's name (scenario-tool check --help lists them)");
        } else {
          silenced.insert(name);
        }
      }
      held.silenced = std::move(silenced);
    }
  }
  if (const auto found = settings.find("warningsAsErrors"); found != settings.end()) {
    if (found->is_boolean()) {
      held.warnings_are_errors = found->get<bool>();
    } else {
      problems.push_back("warningsAsErrors must be true or false");
    }
  }
  if (const auto found = settings.find("errorLimit"); found != settings.end()) {
    if (found->is_number_unsigned() && found->get<std::uint64_t>() <= 1000000) {
      held.error_limit = static_cast<std::size_t>(found->get<std::uint64_t>());
    } else {
      problems.push_back("errorLimit must be a whole number from 0 (none) to 1000000");
    }
  }
  if (const auto found = settings.find("settleDelay"); found != settings.end()) {
    if (found->is_number_unsigned() &&
        found->get<std::uint64_t>() <= static_cast<std::uint64_t>(kLongestSettle.count())) {
      held.settle = std::chrono::milliseconds(found->get<std::uint64_t>());
    } else {
      problems.push_back("settleDelay must be a whole number of milliseconds from 0 to " +
                         std::to_string(kLongestSettle.count()));
    }
  }
  if (const auto found = settings.find("packagerTexts"); found != settings.end()) {
    if (found->is_boolean()) {
      held.packager_texts = found->get<bool>();
    } else {
      problems.push_back("packagerTexts must be true or false");
    }
  }
  return held;
}

void ApplySettings(const Settings& settings, std::vector<tool::Diagnostic>& diagnostics) {
  std::erase_if(diagnostics, [&settings](const tool::Diagnostic& diagnostic) {
    return diagnostic.severity == tool::Severity::kWarning &&
           settings.silenced.count(diagnostic.rule) != 0;
  });
  if (!settings.warnings_are_errors) return;
  for (tool::Diagnostic& diagnostic : diagnostics) {
    if (diagnostic.severity == tool::Severity::kWarning) {
      diagnostic.severity = tool::Severity::kError;
      diagnostic.promoted = true;
    }
  }
}

}  // namespace packager::lsp
