#include "BIOS.h"

#include <windows.h>

#include <cstdio>
#include <vector>

#include "SystemLibraries.h"
#include "TextRules.h"
#include "WinText.h"

std::string GetWinUserName() {
  char name[257] = {};
  DWORD size = 256;
  GetUserNameA(name, &size);
  return name;
}

void InitLeadByteSet() {
  TLeadByteSet set = TLeadByteSet::Empty();
  CPINFO info{};
  if (GetCPInfo(kTextCodePage, &info) && info.MaxCharSize == 2) {
    for (int i = 0; i + 1 < MAX_LEADBYTES && info.LeadByte[i] != 0; i += 2)
      set.Add(info.LeadByte[i], info.LeadByte[i + 1]);
  } else {
    set = TLeadByteSet::Cp932();  // a system without the code page's tables
  }
  SetLeadByteSet(set);
}

namespace {

std::string LCMapAnsi(const std::string& text, unsigned long flags) {
  const int srcLen = ConversionLength(text.size());
  const int n = LCMapStringA(LOCALE_SYSTEM_DEFAULT, flags, text.data(), srcLen, nullptr, 0);
  if (n <= 0) return text;
  std::string out(static_cast<size_t>(n), '\0');
  if (LCMapStringA(LOCALE_SYSTEM_DEFAULT, flags, text.data(), srcLen, out.data(), n) <= 0) return text;
  const size_t nul = out.find('\0');
  if (nul != std::string::npos) out.resize(nul);
  return out;
}

std::string LCMapJapanese(const std::string& text, unsigned long flags) {
  const LCID japanese = MAKELCID(MAKELANGID(LANG_JAPANESE, SUBLANG_JAPANESE_JAPAN), SORT_DEFAULT);
  const std::wstring wide = WideFromText(text);
  const int srcLen = ConversionLength(wide.size());
  const int n = LCMapStringW(japanese, flags, wide.data(), srcLen, nullptr, 0);
  if (n <= 0) return text;
  std::wstring out(static_cast<size_t>(n), L'\0');
  if (LCMapStringW(japanese, flags, wide.data(), srcLen, out.data(), n) <= 0) return text;
  return TextFromWide(std::wstring_view(out).substr(0, out.find(L'\0')));
}

}  // namespace

std::string LCMapText(const std::string& text, unsigned long flags) {
  if (text.empty()) return text;
  return GetACP() == kTextCodePage ? LCMapAnsi(text, flags) : LCMapJapanese(text, flags);
}

const std::array<std::string_view, 8> VersionKeys = {
    "\\CompanyName",    "\\FileDescription",  "\\FileVersion", "\\InternalName",
    "\\LegalCopyright", "\\OriginalFilename", "\\ProductName", "\\ProductVersion",
};

std::string GetVersionInfo(const std::wstring& fileName, int keyIndex) {
  // Index 8 and above read as 2; a negative index does the same rather than read outside the table.
  if (keyIndex > 7 || keyIndex < 0) keyIndex = 2;
  const std::string unidentified = "unidentified";
  DWORD ignored = 0;
  const DWORD size = lazy::GetFileVersionInfoSizeW(fileName.c_str(), &ignored);
  if (size == 0) return unidentified;
  std::vector<char> buffer(size);
  lazy::GetFileVersionInfoW(fileName.c_str(), 0, size, buffer.data());

  void* translation = nullptr;
  UINT length = 0;
  if (!lazy::VerQueryValueW(buffer.data(), L"\\VarFileInfo\\Translation", &translation, &length) ||
      length == 0)
    return unidentified;
  const DWORD value = *static_cast<const DWORD*>(translation);
  char hex[9];
  std::snprintf(hex, sizeof hex, "%08lX", static_cast<unsigned long>(value));
  const std::string langCodePage = std::string(hex + 4, 4) + std::string(hex, 4);

  const std::string_view key = VersionKeys[static_cast<size_t>(keyIndex)];
  const std::wstring subBlock = ToWide("\\StringFileInfo\\" + langCodePage + std::string(key), CP_ACP);
  const std::string name(key.substr(1));
  void* found = nullptr;
  length = 0;
  if (lazy::VerQueryValueW(buffer.data(), subBlock.c_str(), &found, &length) && length > 0)
    return name + " : " + TextFromWide(static_cast<const wchar_t*>(found));
  return name + " : None";
}
