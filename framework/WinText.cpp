#include "WinText.h"

#include <climits>
#include <new>

int ConversionLength(size_t length) {
  // The system's conversions count in int; a longer text is one too large to convert, never a cut one.
  if (length > static_cast<size_t>(INT_MAX)) throw std::bad_alloc();
  return static_cast<int>(length);
}

std::wstring ToWide(std::string_view text, UINT codePage) {
  if (text.empty()) return {};
  const int n = MultiByteToWideChar(codePage, 0, text.data(), ConversionLength(text.size()), nullptr, 0);
  std::wstring out(static_cast<size_t>(n), L'\0');
  MultiByteToWideChar(codePage, 0, text.data(), ConversionLength(text.size()), out.data(), n);
  return out;
}

std::string FromWide(std::wstring_view text, UINT codePage) {
  if (text.empty()) return {};
  const int n = WideCharToMultiByte(codePage, 0, text.data(), ConversionLength(text.size()), nullptr, 0,
                                    nullptr, nullptr);
  std::string out(static_cast<size_t>(n), '\0');
  WideCharToMultiByte(codePage, 0, text.data(), ConversionLength(text.size()), out.data(), n, nullptr,
                      nullptr);
  return out;
}

std::string TextFromUtf8(std::string_view utf8) { return TextFromWide(ToWide(utf8, CP_UTF8)); }

std::string TextFromAnsi(std::string_view ansi) {
  if (GetACP() == kTextCodePage) return std::string(ansi);
  return TextFromWide(ToWide(ansi, CP_ACP));
}

std::string AnsiFromText(std::string_view text) {
  if (GetACP() == kTextCodePage) return std::string(text);
  return FromWide(WideFromText(text), CP_ACP);
}

std::wstring ModuleFileName(HMODULE module) {
  std::wstring path(MAX_PATH, L'\0');
  for (;;) {
    const DWORD n = GetModuleFileNameW(module, path.data(), static_cast<DWORD>(path.size()));
    if (n < path.size()) {
      path.resize(n);
      return path;
    }
    path.resize(path.size() * 2);
  }
}

std::wstring ChangeFileExt(const std::wstring& path, std::wstring_view extension) {
  const size_t name = path.find_last_of(L"\\/:") + 1;  // 0 when there is no folder
  const size_t dot = path.find_last_of(L'.');
  const size_t end = dot != std::wstring::npos && dot >= name ? dot : path.size();
  return path.substr(0, end) + std::wstring(extension);
}
