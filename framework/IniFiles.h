// INI file access through the private-profile functions. Section and key
// names are in the system's ANSI code page; values are texts of the program
// (code page 932), stored so that they come back as they went in, but for
// CR, LF and NUL, which are written as blanks (a value is one line). A file
// whose path the ANSI code page can't write (a folder named in another
// language) is read and written by the program itself, in the same format.
#pragma once

#include <cstdint>
#include <string>

#include "Classes.h"

// A write the profile service refused; the message names the file.
class EIniFileException : public Exception {
 public:
  using Exception::Exception;
};

// Names a file; every read and write is one call to the profile service.
class TIniFile {
 public:
  static constexpr std::size_t MaxValueBytes = 2047;

  explicit TIniFile(std::wstring fileName);
  const std::wstring& FileName() const { return fileName_; }

  // The stored value (at most 2047 bytes of the file), or the default when the
  // file, section or key is missing.
  std::string ReadString(const std::string& section, const std::string& key, const std::string& def) const;
  void WriteString(const std::string& section, const std::string& key, const std::string& value);

  // Decimal or hexadecimal ($, 0x, x) after leading blanks and a sign; the
  // default when the key is missing or its text doesn't convert.
  std::int32_t ReadInteger(const std::string& section, const std::string& key, std::int32_t def) const;
  void WriteInteger(const std::string& section, const std::string& key, std::int32_t value);

  // Non-zero integer is true; written as "1" or "0".
  bool ReadBool(const std::string& section, const std::string& key, bool def) const;
  void WriteBool(const std::string& section, const std::string& key, bool value);

 private:
  std::wstring fileName_;
  std::string ansiName_;  // the name for the profile service; empty when the ANSI code page can't write it
};
