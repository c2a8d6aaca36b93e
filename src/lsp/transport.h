// JSON-RPC messages over a byte stream: each message is a header block
// ("Content-Length: N", other headers ignored, each line ended by CR LF or
// LF) and an empty line, then N bytes of body. Reading knows nothing of
// JSON; a header block that cannot be read is reported, and reading goes on
// at the next block, so that one bad message never ends the server. The body
// of a block without a usable length cannot be told from what follows: it is
// skipped up to the next "Content-Length:", wherever in a line it starts, so
// that the next message is read whole.
#pragma once

#include <cstddef>
#include <istream>
#include <ostream>
#include <string>
#include <string_view>

namespace packager::lsp {

// The largest body read; a larger one is skipped and reported.
inline constexpr std::size_t kMaxBodyBytes = std::size_t{64} << 20;
// A header line longer than this keeps its last kMaxHeaderLine bytes, where
// the next message's header may start.
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
  bool too_large = false;  // kMalformed: a body over kMaxBodyBytes was skipped
};

// Reads the next message of in.
Frame ReadFrame(std::istream& in);

// Writes body as one message and flushes.
void WriteFrame(std::ostream& out, std::string_view body);

}  // namespace packager::lsp
