#include "compiler/description_texts.h"

#include "tables/file_names.h"
#include "tables/replace_file.h"
#include "tables/run_failure.h"

namespace packager {

bool FolderTexts::Exists(const std::string& name) const {
  return FileExists(JoinPath(directory_, name));
}

std::string FolderTexts::Read(const std::string& name) const {
  const std::string path = JoinPath(directory_, name);
  std::string bytes;
  switch (TryReadWholeFile(path, bytes)) {
    case ReadFault::kNone:
      return bytes;
    case ReadFault::kMissing:
    case ReadFault::kCannotOpen:
      throw RunFailure("cannot open " + path + " for reading");
    case ReadFault::kFolder:
    case ReadFault::kNotRegular:
    case ReadFault::kTooLarge:
    case ReadFault::kCannotRead:
      break;
  }
  throw RunFailure("cannot read " + path);
}

void FolderTexts::Delete(const std::string& name) {
  if (after_ == AfterReading::kDelete) DeleteFileIfPresent(JoinPath(directory_, name));
}

std::string MemoryTexts::Read(const std::string& name) const {
  const auto held = Held(name);
  if (!held) throw RunFailure("there is no text " + name);
  return std::string(*held);
}

std::optional<std::string_view> MemoryTexts::Held(const std::string& name) const {
  if (const auto found = texts_.find(name); found != texts_.end()) return found->second;
  if (const auto found = lent_.find(name); found != lent_.end()) return found->second;
  return std::nullopt;
}

}  // namespace packager
