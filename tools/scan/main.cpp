// brivola-scan [--ini FILE] [--section NAME] [--utf8] FILE...
// Runs the clipboard analysers over each file's bytes as the clipboard text
// and prints every URL the program would open, one per line. Nothing is
// opened and no pause is made. Files are code page 932 text, or UTF-8 with
// --utf8 or a UTF-8 byte-order mark.
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <iterator>
#include <memory>
#include <new>
#include <optional>
#include <sstream>
#include <string>
#include <string_view>
#include <vector>

#include "Analysers.h"
#include "AnalysisHost.h"
#include "Dispatch.h"
#include "IniText.h"
#include "ScanInput.h"

#ifdef _WIN32
#include <windows.h>

#include "SystemLibraries.h"
#else
#include <fcntl.h>
#include <signal.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <climits>
#include <cstdint>

#include "HalfWidth.h"
#endif

namespace {

std::optional<std::string> ReadFileBytes(const std::string& path) {
  std::error_code ec;
  if (std::filesystem::is_directory(path, ec)) return std::nullopt;
  std::ifstream in(path, std::ios::binary);
  if (!in) return std::nullopt;
  // Straight into the string: one copy of the file, however large.
  std::string bytes;
  if (const auto size = std::filesystem::file_size(path, ec); !ec) {
    bytes.resize(static_cast<size_t>(size));
    in.read(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    bytes.resize(static_cast<size_t>(in.gcount()));
  }
  // Whatever the size did not tell (a pipe, a file that grew).
  bytes.append(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  if (in.bad()) return std::nullopt;
  return bytes;
}

#ifndef _WIN32
// The file mapped for reading. A file that another program shortens (or empties
// before removing it) while it is mapped loses the pages beyond its new end, and
// touching them raises SIGBUS.
char* volatile mappedBase = nullptr;
volatile std::size_t mappedSize = 0;
std::size_t pageSize = 4096;
volatile sig_atomic_t mappedLost = 0;

// Zero pages take the place of the lost ones and the read goes on: the text ends
// at the first of them. A fault anywhere else gets the default action.
void OnBusError(int, siginfo_t* info, void*) {
  char* const base = mappedBase;
  const std::size_t size = mappedSize;
  char* const at = static_cast<char*>(info->si_addr);
  if (base && at >= base && at < base + size) {
    char* const page = base + static_cast<std::size_t>(at - base) / pageSize * pageSize;
    if (mmap(page, static_cast<std::size_t>(base + size - page), PROT_READ,
             MAP_PRIVATE | MAP_ANONYMOUS | MAP_FIXED, -1, 0) != MAP_FAILED) {
      mappedLost = 1;
      return;
    }
  }
  signal(SIGBUS, SIG_DFL);
}

void WatchMappedFiles() {
  pageSize = static_cast<std::size_t>(sysconf(_SC_PAGESIZE));
  struct sigaction action {};
  action.sa_sigaction = &OnBusError;
  action.sa_flags = SA_SIGINFO;
  sigemptyset(&action.sa_mask);
  sigaction(SIGBUS, &action, nullptr);
}

// Output to a pipe goes in pieces of kOutPiece: a pipe that holds as much lets the writer go on while the
// reader takes the piece before, instead of waiting on it every 64 KiB. Where the system refuses, the pipe
// stays as it is.
void WidenOutputPipe() {
#ifdef F_SETPIPE_SZ
  struct stat st {};
  if (fstat(STDOUT_FILENO, &st) == 0 && S_ISFIFO(st.st_mode)) fcntl(STDOUT_FILENO, F_SETPIPE_SZ, 1 << 20);
#endif
}

struct TUnmap {
  std::size_t size = 0;
  void operator()(const char* at) const {
    mappedBase = nullptr;
    mappedSize = 0;
    munmap(const_cast<char*>(at), size);
  }
};
#else
struct TUnmap {
  void operator()(const char* at) const { UnmapViewOfFile(at); }
};

struct THandle {
  HANDLE h;
  ~THandle() {
    if (h && h != INVALID_HANDLE_VALUE) CloseHandle(h);
  }
};
#endif

// A file's bytes. A regular file is mapped where the system can, so that its bytes are the page cache's own
// and cost no copy; otherwise they are read into a string.
class TFileBytes {
 public:
  static std::optional<TFileBytes> Read(const std::string& path) {
    TFileBytes file;
#ifdef _WIN32
    // Windows refuses to shorten a file while a view of it is mapped, so the view keeps its bytes.
    const THandle handle{CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                     OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr)};
    LARGE_INTEGER size{};
    if (handle.h != INVALID_HANDLE_VALUE && GetFileType(handle.h) == FILE_TYPE_DISK &&
        GetFileSizeEx(handle.h, &size) && size.QuadPart > 0 &&
        static_cast<unsigned long long>(size.QuadPart) <= SIZE_MAX) {
      const THandle mapping{CreateFileMappingA(handle.h, nullptr, PAGE_READONLY, 0, 0, nullptr)};
      if (mapping.h)
        if (const void* at = MapViewOfFile(mapping.h, FILE_MAP_READ, 0, 0, 0)) {
          file.mapped_.reset(static_cast<const char*>(at));
          file.mappedSize_ = static_cast<std::size_t>(size.QuadPart);
          return file;
        }
    }
#else
    if (const int fd = open(path.c_str(), O_RDONLY); fd >= 0) {
      struct stat st {};
      if (fstat(fd, &st) == 0 && S_ISREG(st.st_mode) && st.st_size > 0) {
        const auto size = static_cast<std::size_t>(st.st_size);
        void* at = mmap(nullptr, size, PROT_READ, MAP_PRIVATE | MAP_POPULATE, fd, 0);
        if (at != MAP_FAILED) {
          file.mapped_ = {static_cast<const char*>(at), TUnmap{size}};
          mappedLost = 0;
          mappedSize = size;
          mappedBase = static_cast<char*>(at);
        }
      }
      close(fd);
      if (file.mapped_) return file;
    }
#endif
    std::optional<std::string> bytes = ReadFileBytes(path);
    if (!bytes) return std::nullopt;
    file.bytes_ = std::move(*bytes);
    return file;
  }

  // True when the file lost bytes while mapped: what was read of it is not the file.
  bool Lost() const {
#ifndef _WIN32
    return mapped_ && mappedLost;
#else
    return false;
#endif
  }

  std::string_view View() const {
#ifdef _WIN32
    if (mapped_) return {mapped_.get(), mappedSize_};
#else
    if (mapped_) return {mapped_.get(), mapped_.get_deleter().size};
#endif
    return bytes_;
  }

 private:
  std::unique_ptr<const char, TUnmap> mapped_;
#ifdef _WIN32
  std::size_t mappedSize_ = 0;
#endif
  std::string bytes_;
};

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
    infoCashID = ProgramText(ini.ReadString(section, "InfoCashID", infoCashID));
  }

 private:
  // The program keeps the value as its own code page 932 bytes on a system of
  // 932 or of a single-byte code page; on any other, in that system's code page.
  static std::string ProgramText(std::string stored) {
#ifdef _WIN32
    CPINFO info{};
    if (stored.empty() || GetACP() == 932 || (GetCPInfo(CP_ACP, &info) && info.MaxCharSize == 1))
      return stored;
    const int units =
        MultiByteToWideChar(CP_ACP, 0, stored.data(), static_cast<int>(stored.size()), nullptr, 0);
    std::wstring wide(static_cast<size_t>(units), L'\0');
    MultiByteToWideChar(CP_ACP, 0, stored.data(), static_cast<int>(stored.size()), wide.data(), units);
    const int n = WideCharToMultiByte(932, 0, wide.data(), units, nullptr, 0, nullptr, nullptr);
    std::string text(static_cast<size_t>(n), '\0');
    WideCharToMultiByte(932, 0, wide.data(), units, text.data(), n, nullptr, nullptr);
    return text;
#else
    return stored;
#endif
  }
};

class TScanHost : public IAnalysisHost {
 public:
  // The text is the file's bytes where they stand: every read copies them, a comparison reads them in place.
  TScanHost(const TScanSettings& settings, std::string_view text) : settings_(settings), text_(text) {}

  bool BrowseStockCode() override { return settings_.browseStockCode; }
  int StockSiteSelect() override { return settings_.stockSiteSelect; }
  bool AutoBrowseNetMileAD() override { return settings_.autoBrowseNetMileAD; }
  bool AutoBrowseInfoCash() override { return settings_.autoBrowseInfoCash; }
  int SleepTime() override { return settings_.sleepTime; }
  std::string InfoCashID() override { return settings_.infoCashID; }
  bool ClipboardHasText() override { return true; }
  std::string ReadClipboardText() override { return std::string(text_); }
  bool ClipboardTextEquals(std::string_view text) override { return text == text_; }
  std::uint64_t ClipboardTextDigest() override { return TextDigest(text_); }
  // A link-dense mail prints many lines: they are gathered and written in large pieces.
  void OpenUrl(const std::string& target) override {
    out_.append(target).push_back('\n');
    if (out_.size() >= kOutPiece) Flush();
  }
  void Flush() {
    std::cout.write(out_.data(), static_cast<std::streamsize>(out_.size()));
    out_.clear();
  }
  void Sleep(int) override {}
  std::string HalfWidth(const std::string& text) override {
#ifdef _WIN32
    // The program's mapping: LCMapStringA on a system of code page 932, the
    // Unicode form under the Japanese locale on any other.
    if (text.empty()) return text;
    if (GetACP() == 932) {
      const int srcLen = static_cast<int>(text.size());
      const int n = LCMapStringA(LOCALE_SYSTEM_DEFAULT, LCMAP_HALFWIDTH, text.data(), srcLen, nullptr, 0);
      if (n <= 0) return text;
      std::string out(static_cast<size_t>(n), '\0');
      if (LCMapStringA(LOCALE_SYSTEM_DEFAULT, LCMAP_HALFWIDTH, text.data(), srcLen, out.data(), n) <= 0)
        return text;
      return out.substr(0, out.find('\0'));
    }
    const LCID japanese = MAKELCID(MAKELANGID(LANG_JAPANESE, SUBLANG_JAPANESE_JAPAN), SORT_DEFAULT);
    const int units = MultiByteToWideChar(932, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
    std::wstring wide(static_cast<size_t>(units), L'\0');
    MultiByteToWideChar(932, 0, text.data(), static_cast<int>(text.size()), wide.data(), units);
    const int n = LCMapStringW(japanese, LCMAP_HALFWIDTH, wide.data(), units, nullptr, 0);
    if (n <= 0) return text;
    std::wstring mapped(static_cast<size_t>(n), L'\0');
    if (LCMapStringW(japanese, LCMAP_HALFWIDTH, wide.data(), units, mapped.data(), n) <= 0) return text;
    mapped.resize(std::min(mapped.size(), mapped.find(L'\0')));
    const int m = WideCharToMultiByte(932, 0, mapped.data(), static_cast<int>(mapped.size()), nullptr, 0,
                                      nullptr, nullptr);
    std::string out(static_cast<size_t>(m), '\0');
    WideCharToMultiByte(932, 0, mapped.data(), static_cast<int>(mapped.size()), out.data(), m, nullptr,
                        nullptr);
    return out;
#else
    return HalfWidthPortable(text);
#endif
  }

 private:
  static constexpr std::size_t kOutPiece = 256 * 1024;
  const TScanSettings& settings_;
  std::string_view text_;
  std::string out_;
};

// The enabled analysers in the dispatch's order, on a text that differs from the one taken before (each file
// is a copy of its own), where the text stands: the dispatch's own copy of the text is not needed here.
void Analyse(IAnalysisHost& host, const TTextToNul& text, const std::string& file) {
  if (text.View().empty()) return;  // equal to the empty text taken before
  try {
    if (host.BrowseStockCode()) BrowseStockChart(host, text.View());
    if (host.AutoBrowseNetMileAD()) BrowseNetMileAD(host, text);
    if (host.AutoBrowseInfoCash()) BrowseInfoCash(host, text);
  } catch (const std::bad_alloc&) {
    std::cerr << "brivola-scan: " << file << ": not enough memory to analyse the rest of the file\n";
  }
}

int Usage() {
  std::cerr << "usage: brivola-scan [--ini FILE] [--section NAME] [--utf8] FILE...\n"
               "  Prints the URLs Brivola would open for each file copied as text.\n"
               "  FILE is code page 932 (Shift-JIS) text; a file that begins with a UTF-8\n"
               "  byte-order mark, or every file with --utf8, is read as UTF-8.\n";
  return 2;
}

}  // namespace

int main(int argc, char** argv) {
  std::ios::sync_with_stdio(false);
#ifdef _WIN32
  RestrictDllSearch();
#else
  WatchMappedFiles();
  WidenOutputPipe();
#endif
  std::optional<std::string> iniPath, section;
  std::vector<std::string> files;
  bool utf8 = false;
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    if (arg == "--utf8")
      utf8 = true;
    else if ((arg == "--ini" || arg == "--section") && i + 1 < argc)
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
    const std::optional<TFileBytes> bytes = TFileBytes::Read(file);
    if (!bytes) {
      std::cerr << "brivola-scan: " << file << ": cannot read the file\n";
      status = 2;
      continue;
    }
    // A file that needs no conversion is its own clipboard text, up to the first NUL as ScanText cuts it.
    const std::string_view raw = bytes->View();
    std::string converted;
    TTextToNul text(raw);
    if (utf8 || HasUtf8Bom(raw)) text = TTextToNul(converted = ScanText(std::string(raw), utf8));
    TScanHost host(settings, text.View());
    Analyse(host, text, file);
    host.Flush();
    std::cout.flush();
    if (bytes->Lost()) {
      std::cerr << "brivola-scan: " << file << ": the file shrank or was removed while it was read; "
                << "its URLs may be missing or wrong\n";
      status = 2;
    }
  }
  return status;
}
