// The main of a fuzz harness built without libFuzzer: runs the harness once on
// every file named on the command line and on every file of every folder
// named there (not descending further, and passing over names that begin
// with '.'), folders' files in name order.
//
//   compile_fuzzer tests/fuzz/corpus/compile_fuzzer tests/fuzz/crashes/compile_fuzzer
//
// A harness stops the process on a fault, so the status is 0 when every input
// ran through, and 1 when a path does not exist or cannot be read.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size);

namespace {

namespace fs = std::filesystem;

bool Replay(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) {
    std::fprintf(stderr, "fuzz_replay: cannot read %s\n", path.c_str());
    return false;
  }
  const std::string bytes{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
  LLVMFuzzerTestOneInput(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size());
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  bool ok = argc > 1;
  if (!ok) std::fprintf(stderr, "usage: %s FILE-OR-FOLDER...\n", argv[0]);
  std::size_t replayed = 0;
  for (int i = 1; i < argc; ++i) {
    const fs::path argument = argv[i];
    std::error_code error;
    std::vector<fs::path> inputs;
    if (fs::is_directory(argument, error)) {
      for (const fs::directory_entry& entry : fs::directory_iterator(argument, error)) {
        const bool hidden = entry.path().filename().string().starts_with('.');
        if (entry.is_regular_file(error) && !hidden) inputs.push_back(entry.path());
      }
      std::sort(inputs.begin(), inputs.end());
    } else if (fs::exists(argument, error)) {
      inputs.push_back(argument);
    } else {
      std::fprintf(stderr, "fuzz_replay: %s does not exist\n", argument.c_str());
      ok = false;
      continue;
    }
    for (const fs::path& input : inputs) {
      if (!Replay(input)) {
        ok = false;
        continue;
      }
      ++replayed;
    }
  }
  std::printf("replayed %zu inputs\n", replayed);
  return ok ? 0 : 1;
}
