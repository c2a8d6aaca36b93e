#include "sources/carrying_packager.h"

#include <filesystem>

#include "sources/carried_scenario.h"
#include "tables/file_failure.h"
#include "tables/file_names.h"
#include "tables/replace_file.h"

namespace packager {

namespace {

// Lets whoever may read the file run it: the owner always, the group and
// the others where they may read it, so that a replaced file's mode is kept.
void MakeExecutable(const std::string& path) {
  namespace fs = std::filesystem;
  std::error_code error;
  const fs::perms mode = fs::status(NativePath(path), error).permissions();
  if (error) return;
  fs::perms add = fs::perms::owner_exec;
  if ((mode & fs::perms::group_read) != fs::perms::none) add |= fs::perms::group_exec;
  if ((mode & fs::perms::others_read) != fs::perms::none) add |= fs::perms::others_exec;
  fs::permissions(NativePath(path), add, fs::perm_options::add, error);
}

}  // namespace

std::string ReadPrebuiltPackager(const std::string& path, const std::string& use,
                                 const std::string& origin) {
  std::string bytes;
  const ReadFault fault = TryReadWholeFile(path, bytes);
  if (fault == ReadFault::kMissing) {
    std::string reason = "the prebuilt packager is missing; ";
    reason += origin;
    throw FileFailure(path, use, reason);
  }
  if (fault != ReadFault::kNone) throw FileFailure(path, "read the file", ReadFaultReason(fault));
  try {
    DecodeCarriedScenario(bytes);
  } catch (const CarriedScenarioError& error) {
    // A program as built carries nothing yet; one whose whole scenario is
    // refused carries one all the same, which a second would hide.
    if (!error.sealed()) return bytes;
  }
  throw FileFailure(path, use, "it carries a scenario already; it is not the prebuilt packager");
}

std::uint64_t WriteCarryingPackager(const std::string& output, std::string_view program,
                                    const ScenarioFolder& folder, bool executable,
                                    PiecesWriter write) {
  const std::string scenario = EncodeCarriedScenario(folder);
  const std::string_view pieces[] = {program, scenario};
  write(output, std::span<const std::string_view>(pieces));
  if (executable) MakeExecutable(output);
  return program.size() + scenario.size();
}

}  // namespace packager
