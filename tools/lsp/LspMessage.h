// LspMessage: the language server's framing over a byte stream: header
// lines ("Content-Length: N", others ignored) ended by an empty line, then N
// bytes of JSON. MessageReader takes bytes from any source (standard input,
// a buffer in tests and the fuzz target) and hands out one body at a time;
// a header without a usable length, or a length beyond kMaxBody, is told as
// a fault (the server answers it with a JSON-RPC error) and reading goes on
// at the next header. WriteMessage frames a body. No dependencies.
#pragma once

#include <cstddef>
#include <functional>
#include <string>

namespace vantel::lsp {

class MessageReader {
 public:
  static constexpr size_t kMaxBody = 64u << 20;
  static constexpr size_t kMaxHeader = 8192;
  // Reads up to `size` bytes into `data`; 0 at the end of the stream.
  using Source = std::function<size_t(char* data, size_t size)>;
  explicit MessageReader(Source source) : source_(std::move(source)) {}

  enum class Result { Message, Fault, End };
  // The next body (Message), or why the next header could not be used
  // (Fault, `text` holds the reason), or the end of the stream.
  Result Next(std::string& text);

 private:
  bool Fill();  // more bytes into buffer_; false at the end
  Source source_;
  std::string buffer_;
  size_t at_ = 0;
  bool ended_ = false;
};

// "Content-Length: N\r\n\r\n" + body.
std::string FrameMessage(const std::string& body);

}  // namespace vantel::lsp
