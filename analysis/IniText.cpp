#include "IniText.h"

#include <algorithm>

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

// Where a key stands in the first section of its name.
struct Place {
  bool section = false;               // the section exists
  size_t sectionEnd = 0;              // just after the section's last line that isn't blank
  bool key = false;                   // the key exists in it
  size_t lineBegin = 0, lineEnd = 0;  // its line, without the line break
  std::string_view keyName, value;    // as the file spells them, trimmed
};

Place Locate(std::string_view text, std::string_view section, std::string_view key) {
  Place place;
  bool inSection = false;
  for (size_t pos = 0; pos < text.size();) {
    const size_t begin = pos;
    size_t end = text.find('\n', pos);
    pos = end == std::string_view::npos ? text.size() : end + 1;
    if (end == std::string_view::npos) end = text.size();
    if (end > begin && text[end - 1] == '\r') --end;
    const std::string_view line = Trim(text.substr(begin, end - begin));
    if (line.empty()) continue;
    if (line.front() == '[') {
      if (inSection) break;  // the first section of the name is the one read
      const size_t close = line.find(']');
      inSection = close != std::string_view::npos && SameName(Trim(line.substr(1, close - 1)), section);
      place.section = inSection;
      place.sectionEnd = pos;
      continue;
    }
    if (!inSection) continue;
    place.sectionEnd = pos;
    if (line.front() == ';') continue;
    const size_t eq = line.find('=');
    if (eq == std::string_view::npos || !SameName(Trim(line.substr(0, eq)), key)) continue;
    place.key = true;
    place.lineBegin = begin;
    place.lineEnd = end;
    place.keyName = Trim(line.substr(0, eq));
    place.value = Trim(line.substr(eq + 1));
    break;
  }
  return place;
}

}  // namespace

std::optional<std::string> TIniText::Value(std::string_view section, std::string_view key) const {
  const Place place = Locate(content_, section, key);
  if (!place.key) return std::nullopt;
  std::string_view value = place.value;
  if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') && value.back() == value.front())
    value = value.substr(1, value.size() - 2);
  return std::string(value.substr(0, kMaxValue));
}

std::string IniLineValue(std::string_view value) {
  std::string line(value);
  std::replace_if(
      line.begin(), line.end(), [](char c) { return c == '\r' || c == '\n' || c == '\0'; }, ' ');
  return line;
}

void TIniText::WriteString(std::string_view section, std::string_view key, std::string_view value) {
  const Place place = Locate(content_, section, key);
  std::string line = std::string(place.key ? place.keyName : key) + "=" + IniLineValue(value);
  if (place.key) {
    content_.replace(place.lineBegin, place.lineEnd - place.lineBegin, line);
    return;
  }
  size_t at = place.section ? place.sectionEnd : content_.size();
  if (!place.section) line = "[" + std::string(section) + "]\r\n" + line;
  if (at > 0 && content_[at - 1] != '\n') {
    content_.insert(at, "\r\n");
    at += 2;
  }
  content_.insert(at, line + "\r\n");
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
