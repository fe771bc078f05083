// libFuzzer target: the settings-file reader against a slow model written
// straight from the profile rules (find the section's first header, then the
// key among the lines up to the next header), and a value written the way
// the program writes it read back unchanged.
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "FuzzCheck.h"
#include "IniText.h"
#include "TextRules.h"

namespace {

bool Blank(char c) { return c == ' ' || c == '\t' || c == '\r'; }

std::string ModelTrim(std::string s) {
  while (!s.empty() && Blank(s.back())) s.pop_back();
  while (!s.empty() && Blank(s.front())) s.erase(0, 1);
  return s;
}

std::string Lower(std::string s) {
  for (char& c : s)
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  return s;
}

std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> lines{""};
  for (char c : text) {
    if (c == '\n')
      lines.emplace_back();
    else
      lines.back().push_back(c);
  }
  return lines;
}

bool Header(const std::string& line) { return !line.empty() && line[0] == '['; }

std::optional<std::string> ModelValue(const std::string& text, const std::string& section,
                                      const std::string& key) {
  std::vector<std::string> lines;
  for (const std::string& line : Lines(text)) {
    const std::string trimmed = ModelTrim(line);
    if (!trimmed.empty() && trimmed[0] != ';') lines.push_back(trimmed);
  }
  size_t i = 0;
  for (; i < lines.size(); ++i) {
    if (!Header(lines[i]) || lines[i].find(']') == std::string::npos) continue;
    if (Lower(ModelTrim(lines[i].substr(1, lines[i].find(']') - 1))) == Lower(section)) break;
  }
  for (++i; i < lines.size() && !Header(lines[i]); ++i) {
    const size_t eq = lines[i].find('=');
    if (eq == std::string::npos || Lower(ModelTrim(lines[i].substr(0, eq))) != Lower(key)) continue;
    std::string value = ModelTrim(lines[i].substr(eq + 1));
    if (value.size() >= 2 && (value[0] == '"' || value[0] == '\'') && value.back() == value[0])
      value = value.substr(1, value.size() - 2);
    return value.substr(0, 2047);
  }
  return std::nullopt;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, size_t size) {
  if (size == 0) return 0;
  // First byte: where the key name ends and the file begins; the section name is fixed.
  const size_t split = std::min<size_t>(data[0] & 0x0F, size - 1);
  const std::string key(reinterpret_cast<const char*>(data) + 1, split);
  const std::string text(reinterpret_cast<const char*>(data) + 1 + split, size - 1 - split);
  const std::string section = data[0] & 0x10 ? "Taro" : "";

  const TIniText ini(text);
  const std::optional<std::string> value = ini.Value(section, key);
  CHECK(value == ModelValue(text, section, key));
  std::optional<std::int32_t> number;
  try {
    if (value) number = ParseInteger(*value);
  } catch (const EConvertError&) {
  }
  CHECK(ini.ReadInteger(section, key, -7) == number.value_or(-7));
  CHECK(ini.ReadBool(section, key, true) == (number.value_or(1) != 0));

  // A write of a plain key reads back, and another key of the file keeps its value.
  if (!key.empty() && key.find_first_of("=[];\r\n") == std::string::npos && ModelTrim(key) == key &&
      Lower(key) != "sleeptime") {
    TIniText edited(text);
    edited.WriteString(section, key, "written");
    CHECK(ModelValue(edited.Content(), section, key) == std::optional<std::string>("written"));
    CHECK(ModelValue(edited.Content(), section, "SleepTime") == ModelValue(text, section, "SleepTime"));
  }

  // A one-line value as the program writes it, in the first section, with
  // the fuzzed file after it: read back as it was.
  std::string written = text.substr(0, text.find_first_of("\r\n"));
  written = ModelTrim(written);
  if (written.size() >= 2 && (written[0] == '"' || written[0] == '\'') && written.back() == written[0])
    return 0;
  const TIniText saved("[Brivola Fuzz]\r\nSleepTime=" + written + "\r\n" + text);
  CHECK(saved.ReadString("brivola fuzz", "SLEEPTIME", "<none>") == written.substr(0, 2047));
  return 0;
}
