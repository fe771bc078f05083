// An INI file in the program's own format, read by the rules of the
// platform's private-profile service: section and key names match without
// regard to ASCII letter case, the first match counts, values come back
// trimmed and cut to 2047 bytes. A write keeps every other line as it is.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

// The value as one line: CR, LF and NUL each become a blank, so that a value never ends its line early and
// starts a section or key of its own. Any other value comes back as it is.
std::string IniLineValue(std::string_view value);

class TIniText {
 public:
  explicit TIniText(std::string content) : content_(std::move(content)) {}

  std::optional<std::string> Value(std::string_view section, std::string_view key) const;
  std::string ReadString(std::string_view section, std::string_view key, const std::string& def) const;
  // Decimal or hexadecimal ($, 0x, 0X, x, X), as the integer rule reads it; the default otherwise.
  std::int32_t ReadInteger(std::string_view section, std::string_view key, std::int32_t def) const;
  bool ReadBool(std::string_view section, std::string_view key, bool def) const;

  // Replaces the value of the key where it stands; a new key goes after the
  // last line of its section, a new section at the end of the file. The value
  // is written as IniLineValue gives it.
  void WriteString(std::string_view section, std::string_view key, std::string_view value);
  const std::string& Content() const { return content_; }

 private:
  std::string content_;
};
