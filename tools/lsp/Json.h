// Json: the small JSON reader and writer the language server speaks with.
// Values are held whole (null, true/false, numbers as double, strings as
// UTF-8, arrays, objects keeping their members' order). Parse refuses
// anything that is not one well-formed JSON text (RFC 8259): bad syntax,
// bad escapes, lone surrogates, nesting deeper than kMaxDepth, trailing
// bytes; it raises JsonError with the byte offset. Dump writes compact JSON
// with every non-ASCII character as it is (UTF-8) and control characters
// escaped. No dependencies beyond the standard library.
#pragma once

#include <stdexcept>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace vantel::lsp {

struct JsonError : std::runtime_error {
  using std::runtime_error::runtime_error;
};

class Json {
 public:
  enum class Type { Null, Bool, Number, String, Array, Object };
  static constexpr int kMaxDepth = 128;

  Json() = default;
  Json(std::nullptr_t) {}
  Json(bool b) : type_(Type::Bool), bool_(b) {}
  Json(int n) : type_(Type::Number), number_(n) {}
  Json(long n) : type_(Type::Number), number_(double(n)) {}
  Json(double n) : type_(Type::Number), number_(n) {}
  Json(const char* s) : type_(Type::String), string_(s) {}
  Json(std::string s) : type_(Type::String), string_(std::move(s)) {}
  static Json Array() { return Json(Type::Array); }
  static Json Object() { return Json(Type::Object); }

  Type type() const { return type_; }
  bool IsNull() const { return type_ == Type::Null; }
  bool IsObject() const { return type_ == Type::Object; }
  bool IsArray() const { return type_ == Type::Array; }
  bool IsString() const { return type_ == Type::String; }
  bool IsNumber() const { return type_ == Type::Number; }

  // Reading: a member (null when absent or this is no object; the last of
  // a name given twice), and the value as a kind, or `fallback` when it is
  // another kind.
  const Json& operator[](std::string_view key) const;
  const std::string& Str(const std::string& fallback = Empty()) const;
  double Num(double fallback = 0) const { return type_ == Type::Number ? number_ : fallback; }
  bool Bool(bool fallback = false) const { return type_ == Type::Bool ? bool_ : fallback; }
  const std::vector<Json>& Items() const { return items_; }
  const std::vector<std::pair<std::string, Json>>& Members() const { return members_; }

  // Building.
  Json& Set(std::string key, Json value);  // replaces a member of that name
  Json& Push(Json value);

  static Json Parse(std::string_view text);
  std::string Dump() const;
  void DumpTo(std::string& out) const;

 private:
  explicit Json(Type t) : type_(t) {}
  static const std::string& Empty();
  Type type_ = Type::Null;
  bool bool_ = false;
  double number_ = 0;
  std::string string_;
  std::vector<Json> items_;
  std::vector<std::pair<std::string, Json>> members_;
  friend class JsonParser;
};

}  // namespace vantel::lsp
