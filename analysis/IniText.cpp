#include "IniText.h"

#include "TextRules.h"

namespace {

bool SameName(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    const auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c + 32) : c; };
    if (lower(a[i]) != lower(b[i])) return false;
  }
  return true;
}

std::string_view Trim(std::string_view s) {
  const auto blank = [](char c) { return c == ' ' || c == '\t' || c == '\r'; };
  while (!s.empty() && blank(s.front())) s.remove_prefix(1);
  while (!s.empty() && blank(s.back())) s.remove_suffix(1);
  return s;
}

constexpr size_t kMaxValue = 2047;

}  // namespace

std::optional<std::string> TIniText::Value(std::string_view section, std::string_view key) const {
  const std::string_view text = content_;
  bool inSection = false;
  for (size_t pos = 0; pos < text.size();) {
    size_t end = text.find('\n', pos);
    if (end == std::string_view::npos) end = text.size();
    const std::string_view line = Trim(text.substr(pos, end - pos));
    pos = end + 1;
    if (line.empty() || line.front() == ';') continue;
    if (line.front() == '[') {
      const size_t close = line.find(']');
      if (inSection) return std::nullopt;  // the first section of the name is the one read
      inSection = close != std::string_view::npos && SameName(Trim(line.substr(1, close - 1)), section);
      continue;
    }
    if (!inSection) continue;
    const size_t eq = line.find('=');
    if (eq == std::string_view::npos || !SameName(Trim(line.substr(0, eq)), key)) continue;
    std::string_view value = Trim(line.substr(eq + 1));
    if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') && value.back() == value.front())
      value = value.substr(1, value.size() - 2);
    return std::string(value.substr(0, kMaxValue));
  }
  return std::nullopt;
}

std::string TIniText::ReadString(std::string_view section, std::string_view key,
                                 const std::string& def) const {
  return Value(section, key).value_or(def);
}

std::int32_t TIniText::ReadInteger(std::string_view section, std::string_view key, std::int32_t def) const {
  const std::optional<std::string> value = Value(section, key);
  if (!value) return def;
  try {
    return ParseInteger(*value);
  } catch (const EConvertError&) {
    return def;
  }
}

bool TIniText::ReadBool(std::string_view section, std::string_view key, bool def) const {
  return ReadInteger(section, key, def ? 1 : 0) != 0;
}
