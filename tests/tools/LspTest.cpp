// `vxtool lsp` driven as an editor drives it: a child process, JSON-RPC
// messages framed with Content-Length over pipes.
#include <fcntl.h>
#include <poll.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <functional>

#include "TestPaths.h"
#include "data/ArchiveWriter.h"
#include "support/TempDir.h"
#include "tools/lsp/Json.h"
#include "tools/lsp/LspMessage.h"

namespace vantel {
namespace {

using lsp::Json;

class Client {
 public:
  Client() {
    int in[2], out[2];
    EXPECT_EQ(pipe2(in, O_CLOEXEC), 0);
    EXPECT_EQ(pipe2(out, O_CLOEXEC), 0);
    pid_ = fork();
    if (pid_ == 0) {
      dup2(in[0], 0);
      dup2(out[1], 1);
      execl(VANTEL_VXTOOL, VANTEL_VXTOOL, "lsp", "--stdio", static_cast<char*>(nullptr));
      _exit(127);
    }
    close(in[0]);
    close(out[1]);
    to_ = in[1];
    from_ = out[0];
    reader_ = std::make_unique<lsp::MessageReader>([this](char* data, size_t size) -> size_t {
      pollfd p{from_, POLLIN, 0};
      if (poll(&p, 1, 20000) <= 0) return 0;  // a server that hangs ends the test
      const ssize_t n = read(from_, data, size);
      return n > 0 ? size_t(n) : 0;
    });
  }
  ~Client() {
    if (to_ >= 0) close(to_);
    close(from_);
    if (pid_ > 0) waitpid(pid_, nullptr, 0);
  }
  void Raw(const std::string& bytes) { ASSERT_EQ(write(to_, bytes.data(), bytes.size()), ssize_t(bytes.size())); }
  void Send(const Json& message) { Raw(lsp::FrameMessage(message.Dump())); }
  void Request(int id, const std::string& method, Json params) {
    Json m = Json::Object();
    m.Set("jsonrpc", "2.0");
    m.Set("id", id);
    m.Set("method", method);
    m.Set("params", std::move(params));
    Send(m);
  }
  void Notify(const std::string& method, Json params) {
    Json m = Json::Object();
    m.Set("jsonrpc", "2.0");
    m.Set("method", method);
    m.Set("params", std::move(params));
    Send(m);
  }
  // The next message that `want` accepts (others, such as diagnostics of
  // other documents, are passed over).
  Json Await(const std::function<bool(const Json&)>& want) {
    std::string body;
    while (reader_->Next(body) == lsp::MessageReader::Result::Message) {
      Json m = Json::Parse(body);
      if (want(m)) return m;
    }
    ADD_FAILURE() << "the server sent nothing more";
    return Json();
  }
  Json Reply(int id) {
    return Await([id](const Json& m) { return m["id"].Num(-1) == id; });
  }
  // An error answering no request (the message could not be read as one).
  Json Refusal() {
    return Await([](const Json& m) { return m["id"].IsNull() && m["error"].IsObject(); });
  }
  // Closes the server's input and returns its exit status.
  int End() {
    close(to_);
    to_ = -1;
    int status = 0;
    waitpid(pid_, &status, 0);
    pid_ = -1;
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  }

 private:
  pid_t pid_ = -1;
  int to_ = -1, from_ = -1;
  std::unique_ptr<lsp::MessageReader> reader_;
};

Json At(const std::string& uri, int line, int character) {
  Json p = Json::Object(), doc = Json::Object(), pos = Json::Object();
  doc.Set("uri", uri);
  pos.Set("line", line);
  pos.Set("character", character);
  p.Set("textDocument", doc);
  p.Set("position", pos);
  return p;
}

std::vector<std::string> Labels(const Json& reply) {
  std::vector<std::string> out;
  for (const Json& item : reply["result"].Items()) out.push_back(item["label"].Str());
  return out;
}

bool Has(const std::vector<std::string>& list, const std::string& s) {
  return std::find(list.begin(), list.end(), s) != list.end();
}

TEST(LspMessages, JsonAndFramingRefuseWhatIsMalformedAndReadOnAfterIt) {
  const Json v = Json::Parse(R"( {"a":[1,-2.5e1,true,null],"s":"\u00e9\ud83d\ude00\n\"","a":0} )");
  EXPECT_EQ(v["a"].Num(), 0);  // the last of a repeated name, as parsers commonly take it
  EXPECT_EQ(v["s"].Str(), "é😀\n\"");
  EXPECT_EQ(Json::Parse(v.Dump()).Dump(), v.Dump());
  for (const char* bad : {"", "{", "[1,]", "{\"a\"}", "\"\\ud800\"", "\"\\udc00x\"", "01",
                          "1.", "\"\x01\"", "\"\xC0\xAF\"", "nul", "[] []", "\"\\x\""})
    EXPECT_THROW(Json::Parse(bad), lsp::JsonError) << bad;
  EXPECT_THROW(Json::Parse(std::string(Json::kMaxDepth + 2, '[')), lsp::JsonError);

  // Headers without a usable length are told; the message after them is read.
  // A length beyond the bound is passed over (here to the end of the input).
  const std::string input = "X: 1\r\n\r\nContent-Length: abc\r\n\r\n" + lsp::FrameMessage("{}") +
                            "content-length:2\n\n[]" + "Content-Length: 99999999999\r\n\r\nxyz" +
                            lsp::FrameMessage("{}");
  size_t at = 0;
  lsp::MessageReader reader([&](char* out, size_t room) {
    const size_t n = std::min({room, input.size() - at, size_t{5}});
    input.copy(out, n, at);
    at += n;
    return n;
  });
  std::vector<std::string> got;
  std::string text;
  for (auto r = reader.Next(text); r != lsp::MessageReader::Result::End; r = reader.Next(text))
    got.push_back((r == lsp::MessageReader::Result::Message ? "message " : "fault ") + text);
  EXPECT_EQ(got, (std::vector<std::string>{
                     "fault a header without Content-Length",
                     "fault a Content-Length that is not a number",
                     "message {}",
                     "message []",
                     "fault a message of 99999999999 bytes, more than 67108864",
                 }));
}

TEST(LspServer, AnEditorSessionFromInitializeToExit) {
  testing::TempDir game;
  ArchiveWriter images(ArchiveWriter::Kind::Raw);
  images.Add("bg_umi.png", "x");
  images.Add("ev01.jpg", "x");
  images.Write(game / "image.pk2");
  ArchiveWriter sounds(ArchiveWriter::Kind::Raw);
  sounds.Add("m01.wav", "x");
  sounds.Write(game / "sound.pk2");
  game.Write("script/脚本2.vxs", "<! 二>\n<marker name=top>\nこんにちは<k>\n");
  const std::string uri = "file://" + game.Path() + "script/%E8%84%9A%E6%9C%AC1.vxs";
  const std::string text =
      "<! 一>\n"                     // 0
      "<foo>「{name}」<k>\n"         // 1
      "<background src=nothere>\n"  // 2
      "<a href=\"脚本2#top\">\n"     // 3
      "<a href=\"#nowhere\">\n"      // 4
      "<background src=\n";         // 5

  Client c;
  Json init = Json::Object();
  init.Set("rootUri", "file://" + game.Path());
  init.Set("capabilities", Json::Object());
  c.Request(1, "initialize", init);
  const Json caps = c.Reply(1)["result"]["capabilities"];
  EXPECT_TRUE(caps["definitionProvider"].Bool());
  EXPECT_TRUE(caps["completionProvider"].IsObject());
  c.Notify("initialized", Json::Object());

  Json open = Json::Object(), doc = Json::Object();
  doc.Set("uri", uri);
  doc.Set("languageId", "vxs");
  doc.Set("version", 1);
  doc.Set("text", text);
  open.Set("textDocument", doc);
  c.Notify("textDocument/didOpen", open);
  const Json published = c.Await([](const Json& m) {
    return m["method"].Str() == "textDocument/publishDiagnostics";
  });
  EXPECT_EQ(published["params"]["uri"].Str(), uri);
  std::vector<std::string> found;
  for (const Json& d : published["params"]["diagnostics"].Items()) {
    const Json& start = d["range"]["start"];
    found.push_back(std::to_string(int(start["line"].Num())) + ":" +
                    std::to_string(int(start["character"].Num())) + "-" +
                    std::to_string(int(d["range"]["end"]["character"].Num())) + " " +
                    d["message"].Str());
  }
  // The checker's wording, on the tag's line and columns (UTF-16).
  const std::vector<std::string> want = {
      "1:0-5 unknown command <foo>",
      "1:5-13 変数<name>は未定義．",
      "2:0-24 no picture \"nothere\" (looked for nothere.jpg and nothere.png)",
      "4:0-19 no label \"nowhere\"; the story goes on after the jump",
      "5:0-16 the tag \"<background src=\" is not closed on its line",
      "5:0-16 the command names no picture",
  };
  EXPECT_EQ(found, want);

  c.Request(2, "textDocument/completion", At(uri, 5, 16));  // after src=
  const auto pictures = Labels(c.Reply(2));
  EXPECT_TRUE(Has(pictures, "bg_umi") && Has(pictures, "ev01")) << pictures.size();
  c.Request(3, "textDocument/completion", At(uri, 3, 13));  // after 脚本2#
  EXPECT_EQ(Labels(c.Reply(3)), std::vector<std::string>{"top"});
  c.Request(4, "textDocument/completion", At(uri, 2, 1));  // a command name
  EXPECT_TRUE(Has(Labels(c.Reply(4)), "bustup"));

  c.Request(5, "textDocument/definition", At(uri, 3, 5));
  const Json target = c.Reply(5)["result"];
  EXPECT_NE(target["uri"].Str().find("/script/"), std::string::npos);
  EXPECT_NE(target["uri"].Str(), uri);
  EXPECT_EQ(target["range"]["start"]["line"].Num(), 1);
  EXPECT_EQ(target["range"]["end"]["character"].Num(), 17);

  c.Request(6, "textDocument/hover", At(uri, 2, 3));
  EXPECT_EQ(c.Reply(6)["result"]["contents"]["value"].Str().rfind("<background> Shows a picture", 0),
            0u);

  // Malformed input gets JSON-RPC errors, and the server goes on.
  c.Raw("Content-Length: 5\r\n\r\n{bad}");
  EXPECT_EQ(c.Refusal()["error"]["code"].Num(), -32700);
  c.Raw("X-Nothing: 1\r\n\r\n");
  EXPECT_EQ(c.Refusal()["error"]["code"].Num(), -32700);
  c.Raw(lsp::FrameMessage("[1,2]"));
  EXPECT_EQ(c.Refusal()["error"]["code"].Num(), -32600);
  c.Request(7, "no/such/method", Json::Object());
  EXPECT_EQ(c.Reply(7)["error"]["code"].Num(), -32601);
  c.Request(8, "textDocument/documentSymbol", At(uri, 0, 0));
  EXPECT_TRUE(c.Reply(8)["result"].IsArray());

  c.Request(9, "shutdown", Json());
  EXPECT_TRUE(c.Reply(9)["result"].IsNull());
  c.Notify("exit", Json());
  EXPECT_EQ(c.End(), 0);
}

}  // namespace
}  // namespace vantel
