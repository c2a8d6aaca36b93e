// Where the reading stage finds the two description texts, and deletes them:
// a folder on disk for a run, or texts held in memory for a caller that has
// them already (tests, fuzzing). Texts are Windows-1252 bytes.
#pragma once

#include <map>
#include <optional>
#include <string>
#include <string_view>

namespace packager {

class DescriptionTexts {
 public:
  virtual ~DescriptionTexts() = default;
  virtual bool Exists(const std::string& name) const = 0;
  // The whole text; throws RunFailure when it cannot be read.
  virtual std::string Read(const std::string& name) const = 0;
  // The whole text where the texts hold it in memory, for a reading that
  // views it instead of a copy; none when it must be Read. It stays as it is
  // until the text is deleted.
  virtual std::optional<std::string_view> Held(const std::string& /*name*/) const {
    return std::nullopt;
  }
  // Deletes the text if it exists; a missing text is not an error.
  virtual void Delete(const std::string& name) = 0;
};

// What becomes of a text of a folder once it is read: deleted, as in a run,
// or kept, as an author's tool keeps the author's files.
enum class AfterReading { kDelete, kKeep };

// The texts of a folder on disk, named as the program writes them.
class FolderTexts : public DescriptionTexts {
 public:
  explicit FolderTexts(std::string directory, AfterReading after = AfterReading::kDelete)
      : directory_(std::move(directory)), after_(after) {}
  bool Exists(const std::string& name) const override;
  std::string Read(const std::string& name) const override;
  void Delete(const std::string& name) override;

 private:
  std::string directory_;
  AfterReading after_;
};

// Texts held in memory, by name: their own copies, or the caller's bytes
// lent for as long as the texts are read, unchanged (a reading that starts
// again and again over a long text copies nothing).
class MemoryTexts : public DescriptionTexts {
 public:
  void Put(const std::string& name, std::string bytes) {
    Delete(name);
    texts_[name] = std::move(bytes);
  }
  void Lend(const std::string& name, std::string_view bytes) {
    Delete(name);
    lent_[name] = bytes;
  }
  bool Exists(const std::string& name) const override { return Held(name).has_value(); }
  std::string Read(const std::string& name) const override;
  std::optional<std::string_view> Held(const std::string& name) const override;
  void Delete(const std::string& name) override {
    texts_.erase(name);
    lent_.erase(name);
  }

 private:
  std::map<std::string, std::string> texts_;
  std::map<std::string, std::string_view> lent_;
};

}  // namespace packager
