// vxtool lsp: the language server for .vxs scripts over standard input and
// output (tools/lsp/LspServer.h). Editors start it as `vxtool lsp`; the
// `--stdio` some clients add is accepted. Ends with status 0 after the
// client's shutdown and exit, 1 when the input ends without them.
#include <unistd.h>

#include <cerrno>
#include <cstdio>

#include "tools/VxTool.h"
#include "tools/lsp/LspMessage.h"
#include "tools/lsp/LspServer.h"

namespace vantel::vxtool {
namespace {

int Lsp(const Args& args) {
  for (const std::string& a : args)
    if (a != "--stdio") BadUsage("unknown argument " + a);
  lsp::MessageReader reader([](char* data, size_t size) -> size_t {
    for (;;) {
      const ssize_t n = ::read(0, data, size);
      if (n >= 0) return size_t(n);
      if (errno != EINTR) return 0;
    }
  });
  lsp::LspServer server([](const std::string& body) {
    const std::string framed = lsp::FrameMessage(body);
    std::fwrite(framed.data(), 1, framed.size(), stdout);
    std::fflush(stdout);
  });
  std::string text;
  while (!server.Exited()) {
    const auto result = reader.Next(text);
    if (result == lsp::MessageReader::Result::End) break;
    if (result == lsp::MessageReader::Result::Fault)
      server.Fault(text);
    else
      server.Handle(text);
  }
  return server.Exited() ? server.ExitCode() : 1;
}

VxCommand reg("lsp",
              "[--stdio]\n"
              "      a language server for .vxs scripts on standard input and output: the\n"
              "      checks of lint as you type, completion, go to definition, references,\n"
              "      the markers as symbols and hover; for editors with an LSP client.",
              Lsp);

}  // namespace
}  // namespace vantel::vxtool
