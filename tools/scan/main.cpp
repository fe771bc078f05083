// brivola-scan [--ini FILE] [--section NAME] FILE...
// Runs the clipboard analysers over each file's bytes as the clipboard text
// and prints every URL the program would open, one per line. Nothing is
// opened and no pause is made.
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <iterator>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include "AnalysisHost.h"
#include "Dispatch.h"
#include "IniText.h"

#ifdef _WIN32
#include <windows.h>
#else
#include <unistd.h>

#include <climits>

#include "HalfWidth.h"
#endif

namespace {

std::optional<std::string> ReadFileBytes(const std::string& path) {
  std::error_code ec;
  if (std::filesystem::is_directory(path, ec)) return std::nullopt;
  std::ifstream in(path, std::ios::binary);
  if (!in) return std::nullopt;
  std::ostringstream bytes;
  bytes << in.rdbuf();
  if (in.bad()) return std::nullopt;
  return bytes.str();
}

std::string ToolFolder() {
#ifdef _WIN32
  char path[MAX_PATH] = {};
  GetModuleFileNameA(nullptr, path, MAX_PATH);
  std::string p = path;
  return p.substr(0, p.find_last_of("\\/") + 1);
#else
  char path[PATH_MAX] = {};
  const ssize_t n = readlink("/proc/self/exe", path, sizeof path - 1);
  if (n <= 0) return "";
  std::string p(path, static_cast<size_t>(n));
  return p.substr(0, p.find_last_of('/') + 1);
#endif
}

std::string LoginUserName() {
#ifdef _WIN32
  char name[257] = {};
  DWORD size = 256;
  GetUserNameA(name, &size);
  return name;
#else
  if (const char* user = std::getenv("USER"); user && *user) return user;
  if (const char* login = getlogin()) return login;
  return "";
#endif
}

// The settings as the program's dialog would hold them after loading the file.
struct TScanSettings {
  bool browseStockCode = false;
  int stockSiteSelect = 0;
  bool autoBrowseNetMileAD = false;
  bool autoBrowseInfoCash = false;
  int sleepTime = 100;
  std::string infoCashID;

  void Load(const TIniText& ini, const std::string& section) {
    browseStockCode = ini.ReadBool(section, "BrowseStockCode", browseStockCode);
    // The radio group limits a stored index to -1 (none) .. 4.
    stockSiteSelect = std::clamp(ini.ReadInteger(section, "StockSiteSelect", stockSiteSelect), -1, 4);
    autoBrowseNetMileAD = ini.ReadBool(section, "AutoBrowseNetMileAD", autoBrowseNetMileAD);
    autoBrowseInfoCash = ini.ReadBool(section, "AutoBrowseInfoCash", autoBrowseInfoCash);
    sleepTime = ini.ReadInteger(section, "SleepTime", sleepTime);
    infoCashID = ini.ReadString(section, "InfoCashID", infoCashID);
  }
};

class TScanHost : public IAnalysisHost {
 public:
  TScanHost(const TScanSettings& settings, std::string text) : settings_(settings), text_(std::move(text)) {}

  bool BrowseStockCode() override { return settings_.browseStockCode; }
  int StockSiteSelect() override { return settings_.stockSiteSelect; }
  bool AutoBrowseNetMileAD() override { return settings_.autoBrowseNetMileAD; }
  bool AutoBrowseInfoCash() override { return settings_.autoBrowseInfoCash; }
  int SleepTime() override { return settings_.sleepTime; }
  std::string InfoCashID() override { return settings_.infoCashID; }
  bool ClipboardHasText() override { return true; }
  std::string ReadClipboardText() override { return text_; }
  void OpenUrl(const std::string& target) override { std::cout << target << '\n'; }
  void Sleep(int) override {}
  std::string HalfWidth(const std::string& text) override {
#ifdef _WIN32
    if (text.empty()) return text;
    const int srcLen = static_cast<int>(text.size());
    const int n = LCMapStringA(LOCALE_SYSTEM_DEFAULT, LCMAP_HALFWIDTH, text.data(), srcLen, nullptr, 0);
    if (n <= 0) return text;
    std::string out(static_cast<size_t>(n), '\0');
    if (LCMapStringA(LOCALE_SYSTEM_DEFAULT, LCMAP_HALFWIDTH, text.data(), srcLen, out.data(), n) <= 0)
      return text;
    return out.substr(0, out.find('\0'));
#else
    return HalfWidthPortable(text);
#endif
  }

 private:
  const TScanSettings& settings_;
  std::string text_;
};

int Usage() {
  std::cerr << "usage: brivola-scan [--ini FILE] [--section NAME] FILE...\n";
  return 2;
}

}  // namespace

int main(int argc, char** argv) {
  std::optional<std::string> iniPath, section;
  std::vector<std::string> files;
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    if ((arg == "--ini" || arg == "--section") && i + 1 < argc)
      (arg == "--ini" ? iniPath : section) = argv[++i];
    else if (arg == "--")
      files.insert(files.end(), argv + i + 1, argv + argc), i = argc;
    else if (arg.starts_with("--"))
      return Usage();
    else
      files.push_back(arg);
  }
  if (files.empty()) return Usage();

  const bool explicitIni = iniPath.has_value();
  if (!iniPath) iniPath = ToolFolder() + "Brivola.ini";
  if (!section) section = LoginUserName();
  // With no user name the program's settings fall back to a section named after its executable.
  if (section->empty()) section = "Brivola.exe";
  const std::optional<std::string> iniBytes = ReadFileBytes(*iniPath);
  // The program itself starts with its defaults when the file is missing.
  if (!iniBytes && explicitIni)
    std::cerr << "brivola-scan: " << *iniPath << ": cannot read; using the defaults\n";
  TScanSettings settings;
  settings.Load(TIniText(iniBytes.value_or("")), *section);

  int status = 0;
  for (const std::string& file : files) {
    std::optional<std::string> text = ReadFileBytes(file);
    if (!text) {
      std::cerr << "brivola-scan: " << file << ": cannot read the file\n";
      status = 2;
      continue;
    }
    text->resize(std::min(text->size(), text->find('\0')));  // a clipboard text ends at its first NUL
    TScanHost host(settings, std::move(*text));
    std::string lastClipText;
    ClipEventClipChange(host, lastClipText);
    std::cout.flush();
  }
  return status;
}
