// The language server's input: the framing of messages on standard input
// and the JSON of each body. Every body read is parsed (or refused with
// JsonError); what parses is written back and must parse to the same text.
#include <algorithm>

#include "fuzz/FuzzSupport.h"
#include "tools/lsp/Json.h"
#include "tools/lsp/LspMessage.h"

using namespace vantel;

VANTEL_FUZZ_ENTRY(Lsp) {
  const std::string_view input = fuzz::Input(data, size);
  size_t at = 0;
  // Small reads, so that headers and bodies are split across them.
  lsp::MessageReader reader([&](char* out, size_t room) -> size_t {
    const size_t n = std::min({room, input.size() - at, size_t{7} + at % 13});
    input.copy(out, n, at);
    at += n;
    return n;
  });
  std::string text;
  for (int messages = 0; messages < 1000; ++messages) {
    const auto result = reader.Next(text);
    if (result == lsp::MessageReader::Result::End) break;
    if (result == lsp::MessageReader::Result::Fault) continue;
    try {
      const std::string dumped = lsp::Json::Parse(text).Dump();
      if (lsp::Json::Parse(dumped).Dump() != dumped) __builtin_trap();
    } catch (const lsp::JsonError&) {
    }
  }
  return 0;
}
