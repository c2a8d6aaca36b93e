// JSON-RPC messages over a byte stream: each message is a header block
// ("Content-Length: N", other headers ignored, each line ended by CR LF or
// LF) and an empty line, then N bytes of body. Reading knows nothing of
// JSON; a header block that cannot be read is reported, and reading goes on
// at the next block, so that one bad message never ends the server.
#pragma once

#include <cstddef>
#include <istream>
#include <ostream>
#include <string>
#include <string_view>

namespace packager::lsp {

// The largest body read; a larger one is skipped and reported.
inline constexpr std::size_t kMaxBodyBytes = std::size_t{64} << 20;
// A header line longer than this is cut there (the rest is skipped).
inline constexpr std::size_t kMaxHeaderLine = 4096;

enum class FrameStatus {
  kMessage,    // body holds a message
  kEnd,        // the input ended (a body cut short by the end included)
  kMalformed,  // a header block without a sound Content-Length: problem says why
};

struct Frame {
  FrameStatus status = FrameStatus::kEnd;
  std::string body;
  std::string problem;
};

// Reads the next message of in.
Frame ReadFrame(std::istream& in);

// Writes body as one message and flushes.
void WriteFrame(std::ostream& out, std::string_view body);

}  // namespace packager::lsp
