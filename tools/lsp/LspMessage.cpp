#include "tools/lsp/LspMessage.h"

#include <algorithm>
#include <cctype>

namespace vantel::lsp {
namespace {

bool StartsWithNoCase(const std::string& line, std::string_view prefix) {
  if (line.size() < prefix.size()) return false;
  for (size_t i = 0; i < prefix.size(); ++i)
    if (std::tolower(static_cast<unsigned char>(line[i])) != prefix[i]) return false;
  return true;
}

}  // namespace

bool MessageReader::Fill() {
  if (ended_) return false;
  // What was used is dropped before more is read, so the buffer holds one
  // message at most (plus one read's worth).
  if (at_ > 0) {
    buffer_.erase(0, at_);
    at_ = 0;
  }
  char chunk[65536];
  const size_t n = source_(chunk, sizeof chunk);
  if (n == 0) {
    ended_ = true;
    return false;
  }
  buffer_.append(chunk, n);
  return true;
}

MessageReader::Result MessageReader::Next(std::string& text) {
  // The header: lines up to an empty one.
  size_t length = 0;
  bool haveLength = false, badLength = false;
  for (;;) {
    size_t eol = buffer_.find('\n', at_);
    while (eol == std::string::npos) {
      if (buffer_.size() - at_ > kMaxHeader) {
        at_ = buffer_.size();
        text = "a header line longer than " + std::to_string(kMaxHeader) + " bytes";
        return Result::Fault;
      }
      const size_t seen = buffer_.size() - at_;
      if (!Fill()) {
        at_ = buffer_.size();
        if (seen == 0 && !haveLength) return Result::End;
        text = "the stream ended inside a header";
        return Result::Fault;
      }
      eol = buffer_.find('\n', at_);
    }
    std::string line = buffer_.substr(at_, eol - at_);
    at_ = eol + 1;
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (line.empty()) {
      if (!haveLength && !badLength) {
        text = "a header without Content-Length";
        return Result::Fault;
      }
      break;
    }
    if (StartsWithNoCase(line, "content-length:")) {
      std::string digits = line.substr(15);
      digits.erase(0, digits.find_first_not_of(" \t"));
      while (!digits.empty() && (digits.back() == ' ' || digits.back() == '\t')) digits.pop_back();
      haveLength = !digits.empty() && digits.size() <= 12 &&
                   std::all_of(digits.begin(), digits.end(),
                               [](char c) { return c >= '0' && c <= '9'; });
      badLength = !haveLength;
      if (haveLength) length = std::stoull(digits);
    }
  }
  if (badLength) {
    text = "a Content-Length that is not a number";
    return Result::Fault;
  }
  if (length > kMaxBody) {
    // The body is passed over unread, so that the stream stays in step.
    size_t left = length;
    while (left > 0) {
      const size_t have = buffer_.size() - at_;
      const size_t skip = std::min(have, left);
      at_ += skip;
      left -= skip;
      if (left > 0 && !Fill()) break;
    }
    text = "a message of " + std::to_string(length) + " bytes, more than " +
           std::to_string(kMaxBody);
    return Result::Fault;
  }
  while (buffer_.size() - at_ < length) {
    if (!Fill()) {
      at_ = buffer_.size();
      text = "the stream ended inside a message";
      return Result::Fault;
    }
  }
  text = buffer_.substr(at_, length);
  at_ += length;
  return Result::Message;
}

std::string FrameMessage(const std::string& body) {
  return "Content-Length: " + std::to_string(body.size()) + "\r\n\r\n" + body;
}

}  // namespace vantel::lsp
