#include "IniFiles.h"

#include <windows.h>

#include <climits>
#include <new>
#include <optional>
#include <vector>

#include "Handles.h"
#include "IniText.h"
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
bool ExistsReadOnly(const std::wstring& fileName) {
  if (fileName.find_first_of(L"\\/") == std::wstring::npos) return false;
  const DWORD attributes = GetFileAttributesW(fileName.c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES) return false;
  if (attributes & FILE_ATTRIBUTE_READONLY) return true;
  UniqueHandle file(CreateFileW(fileName.c_str(), GENERIC_WRITE,
                                FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
  return file.get() == INVALID_HANDLE_VALUE;
}

// The name as the ANSI profile functions take it, or empty when the ANSI code
// page has no way to write it (they would reach another file, or none).
std::string AnsiName(const std::wstring& fileName) {
  std::string ansi = FromWide(fileName, CP_ACP);
  return ToWide(ansi, CP_ACP) == fileName ? ansi : std::string();
}

bool ReadAll(HANDLE file, std::string& content) {
  LARGE_INTEGER size{};
  if (!GetFileSizeEx(file, &size)) return false;
  if (size.QuadPart > static_cast<LONGLONG>(INT_MAX)) throw std::bad_alloc();
  content.assign(static_cast<size_t>(size.QuadPart), '\0');
  DWORD read = 0;
  return content.empty() ||
         (ReadFile(file, content.data(), static_cast<DWORD>(content.size()), &read, nullptr) &&
          read == content.size());
}

// The whole file; empty when it is missing or can't be read, as the profile service reads it.
std::string ReadFileText(const std::wstring& fileName) {
  UniqueHandle file(CreateFileW(fileName.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
  std::string content;
  if (file.get() == INVALID_HANDLE_VALUE || !ReadAll(file.get(), content)) return {};
  return content;
}

// One value written into the file, creating it as needed; false when it can't be.
bool WriteFileValue(const std::wstring& fileName, const std::string& section, const std::string& key,
                    const std::string& value) {
  UniqueHandle file(CreateFileW(fileName.c_str(), GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ, nullptr,
                                OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
  std::string content;
  if (file.get() == INVALID_HANDLE_VALUE || !ReadAll(file.get(), content)) return false;
  TIniText ini(std::move(content));
  ini.WriteString(section, key, value);
  const std::string& out = ini.Content();
  DWORD written = 0;
  return SetFilePointer(file.get(), 0, nullptr, FILE_BEGIN) == 0 &&
         WriteFile(file.get(), out.data(), static_cast<DWORD>(out.size()), &written, nullptr) &&
         written == out.size() && SetEndOfFile(file.get());
}

}  // namespace

TIniFile::TIniFile(std::wstring fileName) : fileName_(std::move(fileName)), ansiName_(AnsiName(fileName_)) {
  // A bare name stands for a file in the Windows folder, as the profile service places it.
  if (ansiName_.empty() && fileName_.find_first_of(L"\\/:") == std::wstring::npos) {
    wchar_t windows[MAX_PATH] = {};
    const UINT n = GetWindowsDirectoryW(windows, MAX_PATH);
    if (n > 0 && n < MAX_PATH) fileName_ = std::wstring(windows, n) + L"\\" + fileName_;
  }
}

std::string TIniFile::ReadString(const std::string& section, const std::string& key,
                                 const std::string& def) const {
  if (ansiName_.empty()) {
    const std::optional<std::string> value = TIniText(ReadFileText(fileName_)).Value(section, key);
    return value ? ValueFromFile(*value) : def;
  }
  // The profile service drops the blanks at the end of a default and cuts it, so the default is never handed
  // to it: a key is missing when a read with either of two different stand-in defaults gives that default.
  std::vector<char> buffer(MaxValueBytes + 1, '\0');
  auto read = [&](const char* standIn) {
    const DWORD n = GetPrivateProfileStringA(section.c_str(), key.c_str(), standIn, buffer.data(),
                                             static_cast<DWORD>(buffer.size()), ansiName_.c_str());
    return std::string(buffer.data(), n);
  };
  const std::string value = read("\x01");
  if (value != "\x01" || read("\x02") != "\x02") return ValueFromFile(value);
  return def;
}

void TIniFile::WriteString(const std::string& section, const std::string& key, const std::string& value) {
  // Another program may have put line breaks into a control's text: they never reach the file as such.
  const std::string line = ValueForFile(IniLineValue(value));
  const bool written =
      !ExistsReadOnly(fileName_) &&
      (ansiName_.empty() ? WriteFileValue(fileName_, section, key, line)
                         : WritePrivateProfileStringA(section.c_str(), key.c_str(), line.c_str(),
                                                      ansiName_.c_str()) != FALSE);
  if (!written) {
    std::string message = TextFromUtf8("%s に書き込めません");
    message.replace(message.find("%s"), 2, TextFromWide(fileName_));
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
