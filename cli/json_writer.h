#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace vlx::cli {

// Builds one JSON document as text, indented by two blanks per level. Object members
// and array elements are separated by the writer; callers only say what comes next.
// Strings are written as valid JSON whatever bytes they hold: bytes that are not
// well-formed UTF-8 (file names may hold such bytes) become U+FFFD.
class JsonWriter {
 public:
  JsonWriter& BeginObject();
  JsonWriter& EndObject();
  JsonWriter& BeginArray();
  JsonWriter& EndArray();
  // The name of the next object member.
  JsonWriter& Key(std::string_view name);
  JsonWriter& String(std::string_view text);
  JsonWriter& Number(int64_t value);
  JsonWriter& Bool(bool value);
  JsonWriter& Null();

  // The document so far.
  const std::string& text() const { return text_; }

 private:
  void BeforeValue();
  void Close(char bracket);
  void NewLine();

  std::string text_;
  std::vector<bool> has_items_;  // per open level: something was written in it
  bool after_key_ = false;
};

// text as the body of a JSON string (without the quotes).
std::string JsonEscape(std::string_view text);

}  // namespace vlx::cli
