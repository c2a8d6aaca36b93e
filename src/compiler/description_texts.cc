#include "compiler/description_texts.h"

#include <fstream>

#include "tables/file_names.h"
#include "tables/replace_file.h"
#include "tables/run_failure.h"

namespace packager {

bool FolderTexts::Exists(const std::string& name) const {
  return FileExists(JoinPath(directory_, name));
}

std::string FolderTexts::Read(const std::string& name) const {
  const std::string path = JoinPath(directory_, name);
  std::ifstream in(path, std::ios::binary);
  if (!in) throw RunFailure("cannot open " + path + " for reading");
  std::string content;
  char chunk[1 << 16];
  while (in.read(chunk, sizeof chunk) || in.gcount() > 0) {
    content.append(chunk, static_cast<std::size_t>(in.gcount()));
  }
  if (in.bad()) throw RunFailure("cannot read " + path);
  return content;
}

void FolderTexts::Delete(const std::string& name) { DeleteFileIfPresent(JoinPath(directory_, name)); }

std::string MemoryTexts::Read(const std::string& name) const {
  const auto found = texts_.find(name);
  if (found == texts_.end()) throw RunFailure("there is no text " + name);
  return found->second;
}

}  // namespace packager
