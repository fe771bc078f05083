#include "IniFiles.h"

#include <windows.h>

#include <vector>

#include "Handles.h"
#include "TextRules.h"
#include "WinText.h"

namespace {

// A system of code page 932 or of a single-byte code page passes every byte
// through its ANSI profile functions unchanged, so a value is stored as the
// program's bytes (on a single-byte system a text editor shows them as that
// code page's characters). Any other system (UTF-8 above all) would not give
// those bytes back: there a value is stored in the system's own code page.
bool ValuesPassUnchanged() {
  if (GetACP() == kTextCodePage) return true;
  CPINFO info{};
  return GetCPInfo(CP_ACP, &info) && info.MaxCharSize == 1;
}

std::string ValueForFile(const std::string& value) {
  return ValuesPassUnchanged() ? value : AnsiFromText(value);
}

std::string ValueFromFile(std::string stored) {
  return ValuesPassUnchanged() ? stored : TextFromAnsi(stored);
}

// An existing file named with its folder that can't be opened for writing.
// Some profile services accept the write into their cache and lose it.
bool ExistsReadOnly(const std::string& fileName) {
  if (fileName.find_first_of("\\/") == std::string::npos) return false;
  const DWORD attributes = GetFileAttributesA(fileName.c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES) return false;
  if (attributes & FILE_ATTRIBUTE_READONLY) return true;
  UniqueHandle file(CreateFileA(fileName.c_str(), GENERIC_WRITE,
                                FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
  return file.get() == INVALID_HANDLE_VALUE;
}

}  // namespace

std::string TIniFile::ReadString(const std::string& section, const std::string& key,
                                 const std::string& def) const {
  // The profile service drops the blanks at the end of a default and cuts it, so the default is never handed
  // to it: a key is missing when a read with either of two different stand-in defaults gives that default.
  std::vector<char> buffer(MaxValueBytes + 1, '\0');
  auto read = [&](const char* standIn) {
    const DWORD n = GetPrivateProfileStringA(section.c_str(), key.c_str(), standIn, buffer.data(),
                                             static_cast<DWORD>(buffer.size()), fileName_.c_str());
    return std::string(buffer.data(), n);
  };
  const std::string value = read("\x01");
  if (value != "\x01" || read("\x02") != "\x02") return ValueFromFile(value);
  return def;
}

void TIniFile::WriteString(const std::string& section, const std::string& key, const std::string& value) {
  if (ExistsReadOnly(fileName_) ||
      !WritePrivateProfileStringA(section.c_str(), key.c_str(), ValueForFile(value).c_str(),
                                  fileName_.c_str())) {
    std::string message = TextFromUtf8("%s に書き込めません");
    message.replace(message.find("%s"), 2, TextFromAnsi(fileName_));
    throw EIniFileException(message);
  }
}

std::int32_t TIniFile::ReadInteger(const std::string& section, const std::string& key,
                                   std::int32_t def) const {
  const std::string text = ReadString(section, key, "");
  if (text.empty()) return def;
  try {
    return ParseInteger(text);
  } catch (const EConvertError&) {
    return def;
  }
}

void TIniFile::WriteInteger(const std::string& section, const std::string& key, std::int32_t value) {
  WriteString(section, key, std::to_string(value));
}

bool TIniFile::ReadBool(const std::string& section, const std::string& key, bool def) const {
  return ReadInteger(section, key, def ? 1 : 0) != 0;
}

void TIniFile::WriteBool(const std::string& section, const std::string& key, bool value) {
  WriteString(section, key, value ? "1" : "0");
}
