// TAutoIni: keeps the state of its owner form's controls, and optionally the
// form's position and size, in an INI file.
#pragma once

#include <cstdint>
#include <initializer_list>
#include <memory>
#include <string>

#include "Classes.h"
#include "IniFiles.h"

class TWinControl;

enum TCheckControl { ccEdit, ccCheckBox, ccRadioButton, ccRadioGroup, ccListBox, ccComboBox, ccColor, ccHotKey };

// A set of TCheckControl.
class TCheckControls {
 public:
  constexpr TCheckControls() = default;
  constexpr TCheckControls(std::initializer_list<TCheckControl> members) {
    for (TCheckControl m : members) bits_ |= Bit(m);
  }
  static constexpr TCheckControls All() {
    return {ccEdit, ccCheckBox, ccRadioButton, ccRadioGroup, ccListBox, ccComboBox, ccColor, ccHotKey};
  }
  constexpr bool Contains(TCheckControl m) const { return (bits_ & Bit(m)) != 0; }
  constexpr TCheckControls& Include(TCheckControl m) { bits_ |= Bit(m); return *this; }
  constexpr TCheckControls& Exclude(TCheckControl m) { bits_ &= ~Bit(m); return *this; }
  constexpr bool operator==(const TCheckControls&) const = default;

 private:
  static constexpr unsigned Bit(TCheckControl m) { return 1u << static_cast<unsigned>(m); }
  unsigned bits_ = 0;
};

class TAutoIni : public TComponent {
 public:
  explicit TAutoIni(TComponent* owner);
  ~TAutoIni() override;

  // Published properties.
  std::string Section;
  std::string AIniFileName;
  TCheckControls CheckControls = TCheckControls::All();
  bool CheckWinState = false;
  bool CheckWinSize = false;
  bool CheckTag = false;
  std::int32_t EnableTag = 0;
  bool MakeIniWinDir = false;
  std::string RegKey;

  // Restores the owner form's position (CheckWinState) and its controls.
  void Load();
  // Writes them. A failure shows a message box, then goes on to the caller.
  void Save();

  // The file path settled at the start of every Load and Save.
  std::wstring IniPath;

 private:
  enum class TDirection { Load, Save };
  void MakeFileName();
  void Run(TDirection direction);
  void WalkControls(TComponent* container, TDirection direction);

  // Exists only during one Load or Save.
  std::unique_ptr<TIniFile> IniFileObject;
};
