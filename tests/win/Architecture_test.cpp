// Every built program is of this build's architecture, and a manifest it
// carries names that architecture: Windows refuses to start a program whose
// common-controls dependency names another one, where Wine doesn't check.
// What is shipped imports only libraries that Windows always takes from its
// system folder (KnownDLLs): any other import would be looked for beside the
// program first, before its first line runs.
#include <gtest/gtest.h>
#include <windows.h>

#include <algorithm>
#include <cctype>
#include <cstring>
#include <regex>
#include <string>
#include <vector>

#include "Harness.h"

using namespace harness;

namespace {

struct Built {
  WORD machine = 0;
  WORD characteristics = 0;
  std::string manifest;           // empty: none
  std::vector<std::string> dlls;  // imported and delay-loaded, lower case
};

// The names of the libraries in the import and delay-import tables of the file's bytes.
std::vector<std::string> ImportedLibraries(const std::string& file, LONG peOffset,
                                           const IMAGE_FILE_HEADER& h) {
  const size_t optional = static_cast<size_t>(peOffset) + 4 + sizeof h;
  const bool pe64 = h.SizeOfOptionalHeader >= sizeof(IMAGE_OPTIONAL_HEADER64) &&
                    *reinterpret_cast<const WORD*>(file.data() + optional) == IMAGE_NT_OPTIONAL_HDR64_MAGIC;
  const auto* dirs =
      pe64 ? reinterpret_cast<const IMAGE_OPTIONAL_HEADER64*>(file.data() + optional)->DataDirectory
           : reinterpret_cast<const IMAGE_OPTIONAL_HEADER32*>(file.data() + optional)->DataDirectory;
  const auto* sections =
      reinterpret_cast<const IMAGE_SECTION_HEADER*>(file.data() + optional + h.SizeOfOptionalHeader);
  const auto at = [&](DWORD rva) -> const char* {
    for (WORD i = 0; i < h.NumberOfSections; ++i) {
      const IMAGE_SECTION_HEADER& s = sections[i];
      if (rva >= s.VirtualAddress && rva < s.VirtualAddress + std::max(s.Misc.VirtualSize, s.SizeOfRawData))
        return file.data() + (rva - s.VirtualAddress + s.PointerToRawData);
    }
    return nullptr;
  };
  std::vector<std::string> names;
  const auto add = [&](DWORD nameRva) {
    std::string name = at(nameRva);
    for (char& c : name) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    names.push_back(name);
  };
  if (dirs[IMAGE_DIRECTORY_ENTRY_IMPORT].VirtualAddress)
    for (auto* d = reinterpret_cast<const IMAGE_IMPORT_DESCRIPTOR*>(
             at(dirs[IMAGE_DIRECTORY_ENTRY_IMPORT].VirtualAddress));
         d->Name; ++d)
      add(d->Name);
  if (dirs[IMAGE_DIRECTORY_ENTRY_DELAY_IMPORT].VirtualAddress)
    for (auto* d = reinterpret_cast<const IMAGE_DELAYLOAD_DESCRIPTOR*>(
             at(dirs[IMAGE_DIRECTORY_ENTRY_DELAY_IMPORT].VirtualAddress));
         d->DllNameRVA; ++d)
      add(d->DllNameRVA);
  return names;
}

Built Inspect(const std::wstring& path) {
  Built b;
  const std::string file = ReadFileBytes(path);
  LONG peOffset = 0;
  if (file.size() >= 0x40) std::memcpy(&peOffset, file.data() + 0x3C, sizeof peOffset);
  IMAGE_FILE_HEADER header{};
  if (peOffset > 0 && file.size() >= static_cast<size_t>(peOffset) + 4 + sizeof header &&
      file.compare(static_cast<size_t>(peOffset), 4, std::string("PE\0\0", 4)) == 0) {
    std::memcpy(&header, file.data() + peOffset + 4, sizeof header);
    b.machine = header.Machine;
    b.characteristics = header.Characteristics;
    b.dlls = ImportedLibraries(file, peOffset, header);
  }
  // Read as data: this works for a program of any architecture.
  HMODULE image =
      LoadLibraryExW(path.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE);
  if (!image) return b;
  if (HRSRC res = FindResourceW(image, MAKEINTRESOURCEW(1), MAKEINTRESOURCEW(24))) {  // RT_MANIFEST
    if (HGLOBAL data = LoadResource(image, res))
      b.manifest.assign(static_cast<const char*>(LockResource(data)), SizeofResource(image, res));
  }
  FreeLibrary(image);
  return b;
}

}  // namespace

TEST(Architecture, EveryProgramAndItsManifestAreOfThisBuild) {
#ifdef _WIN64
  constexpr WORD machine = IMAGE_FILE_MACHINE_AMD64;
  const std::string arch = "amd64";
#else
  constexpr WORD machine = IMAGE_FILE_MACHINE_I386;
  const std::string arch = "x86";
#endif
  wchar_t self[MAX_PATH];
  GetModuleFileNameW(nullptr, self, MAX_PATH);
  struct Program {
    std::wstring path;
    bool hasManifest, largeTexts, shipped;
  } programs[] = {{EnvPath("BRIVOLA_EXE"), true, true, true},
                  {EnvPath("BRIVOLA_SCAN_EXE"), false, true, true},
                  {EnvPath("BRIVOLA_PROBE_EXE"), true, true, false},
                  {EnvPath("WINTOOL_EXE"), false, false, false},
                  {self, false, true, false}};
  const std::vector<std::string> knownDlls{"kernel32.dll", "user32.dll", "gdi32.dll",  "advapi32.dll",
                                           "shell32.dll",  "ole32.dll",  "msvcrt.dll", "comdlg32.dll",
                                           "shlwapi.dll",  "imm32.dll",  "rpcrt4.dll", "oleaut32.dll"};
  for (const Program& p : programs) {
    SCOPED_TRACE(std::string(p.path.begin(), p.path.end()));
    ASSERT_TRUE(FileExists(p.path));
    const Built b = Inspect(p.path);
    EXPECT_EQ(b.machine, machine);
    if (p.shipped) {
      EXPECT_FALSE(b.dlls.empty());
      for (const std::string& dll : b.dlls)
        EXPECT_NE(std::find(knownDlls.begin(), knownDlls.end(), dll), knownDlls.end())
            << dll << " would be looked for beside the program";
    }
    // Large clipboard texts: a 32-bit program asks for the whole address space of a 64-bit Windows.
    if (p.largeTexts) {
      EXPECT_TRUE(b.characteristics & IMAGE_FILE_LARGE_ADDRESS_AWARE);
    }
    if (p.hasManifest) {
      EXPECT_NE(b.manifest.find("Microsoft.Windows.Common-Controls"), std::string::npos);
      EXPECT_NE(b.manifest.find("version=\"1.0.0.14\""), std::string::npos);
      // Runs with the rights of whoever starts it, never virtualised: a folder it can't write says so.
      EXPECT_TRUE(std::regex_search(b.manifest,
                                    std::regex(R"re(<trustInfo[^>]*>\s*<security>\s*<requestedPrivileges>)re"
                                               R"re(\s*<requestedExecutionLevel level="asInvoker")re")));
    }
    const std::regex named(R"re(processorArchitecture="([^"]*)")re");
    int names = 0;
    for (std::sregex_iterator it(b.manifest.begin(), b.manifest.end(), named), end; it != end; ++it, ++names)
      EXPECT_TRUE((*it)[1] == arch || (*it)[1] == "*") << (*it)[0];
    if (p.hasManifest) {
      EXPECT_EQ(names, 2) << "the program and its common-controls dependency";
    }
  }
}
