// A read-only INI file in the program's own format, read by the rules of
// the platform's private-profile service: section and key names match
// without regard to ASCII letter case, the first match counts, values come
// back trimmed and cut to 2047 bytes.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

class TIniText {
 public:
  explicit TIniText(std::string content) : content_(std::move(content)) {}

  std::optional<std::string> Value(std::string_view section, std::string_view key) const;
  std::string ReadString(std::string_view section, std::string_view key, const std::string& def) const;
  // Decimal or hexadecimal ($, 0x, 0X, x, X), as the integer rule reads it; the default otherwise.
  std::int32_t ReadInteger(std::string_view section, std::string_view key, std::int32_t def) const;
  bool ReadBool(std::string_view section, std::string_view key, bool def) const;

 private:
  std::string content_;
};
