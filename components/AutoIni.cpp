#include "AutoIni.h"

#include "ExtCtrls.h"
#include "Forms.h"
#include "StdCtrls.h"
#include "WinText.h"

TAutoIni::TAutoIni(TComponent* owner) : TComponent(owner) {}
TAutoIni::~TAutoIni() = default;

void TAutoIni::MakeFileName() {
  const std::wstring exe = ModuleFileName();
  const std::wstring dir = exe.substr(0, exe.find_last_of(L"\\/") + 1);
  if (Section.empty()) Section = FromWide(exe.substr(dir.size()), CP_ACP);
  IniPath = AIniFileName.empty() ? ChangeFileExt(exe, L".ini") : dir + WideFromAnsi(AIniFileName);
  if (MakeIniWinDir) IniPath.erase(0, IniPath.find_last_of(L"\\/") + 1);
}

void TAutoIni::Load() { Run(TDirection::Load); }
void TAutoIni::Save() { Run(TDirection::Save); }

void TAutoIni::Run(TDirection direction) {
  MakeFileName();
  try {
    IniFileObject = std::make_unique<TIniFile>(IniPath);
    TIniFile& ini = *IniFileObject;
    if (CheckWinState) {
      auto* form = dynamic_cast<TForm*>(Owner());
      if (!form) throw Exception("The owner of the INI persistence is not a form");
      const std::string& n = form->Name();
      if (direction == TDirection::Save) {
        ini.WriteInteger(Section, n + "Top", form->Top());
        ini.WriteInteger(Section, n + "Left", form->Left());
        if (CheckWinSize) {
          ini.WriteInteger(Section, n + "height", form->Height());
          ini.WriteInteger(Section, n + "width", form->Width());
        }
      } else {
        form->SetTop(ini.ReadInteger(Section, n + "Top", 0));
        form->SetLeft(ini.ReadInteger(Section, n + "Left", 0));
        if (CheckWinSize) {
          form->SetHeight(ini.ReadInteger(Section, n + "height", form->Height()));
          form->SetWidth(ini.ReadInteger(Section, n + "width", form->Width()));
        }
      }
    }
    WalkControls(Owner(), direction);
    IniFileObject.reset();
  } catch (...) {
    IniFileObject.reset();
    ShowMessage(direction == TDirection::Save ? "Can not save to IniFile" : "Can not load from IniFile");
    throw;
  }
}

namespace {

template <class T>
T* As(TControl* c) {
  return dynamic_cast<T*>(c);
}

}  // namespace

void TAutoIni::WalkControls(TComponent* containerComponent, TDirection direction) {
  auto* container = dynamic_cast<TWinControl*>(containerComponent);
  if (!container) throw Exception("The container of the INI persistence is not a windowed control");
  TIniFile& ini = *IniFileObject;
  const bool save = direction == TDirection::Save;
  const int count = container->ControlCount();
  // The rows are tried in order: the first whose class matches and whose
  // member is in CheckControls handles the child.
  for (int i = 0; i < count; ++i) {
    TControl* child = container->Control(i);
    const std::string& key = child->Name();
    auto handles = [&](TCheckControl member, bool isClass) { return isClass && CheckControls.Contains(member); };
    auto tagged = [&] { return !CheckTag || child->Tag() == EnableTag; };

    if (auto* edit = As<TCustomEdit>(child); handles(ccEdit, edit)) {
      if (!tagged()) continue;
      if (save) ini.WriteString(Section, key, edit->Text());
      else edit->SetText(ini.ReadString(Section, key, edit->Text()));
    } else if (auto* box = As<TCustomCheckBox>(child); handles(ccCheckBox, box)) {
      if (!tagged()) continue;
      if (save) ini.WriteBool(Section, key, box->Checked());
      else box->SetChecked(ini.ReadBool(Section, key, box->Checked()));
    } else if (auto* radio = As<TRadioButton>(child); handles(ccRadioButton, radio)) {
      if (!tagged()) continue;
      if (save) ini.WriteBool(Section, key, radio->Checked());
      else radio->SetChecked(ini.ReadBool(Section, key, radio->Checked()));
    } else if (auto* group = As<TCustomRadioGroup>(child); handles(ccRadioGroup, group)) {
      if (!tagged()) continue;
      if (save) ini.WriteInteger(Section, key, group->ItemIndex());
      else group->SetItemIndex(ini.ReadInteger(Section, key, group->ItemIndex()));
    } else if (auto* list = As<TCustomListBox>(child); handles(ccListBox, list)) {
      if (!tagged()) continue;
      if (save) ini.WriteInteger(Section, key, list->ItemIndex());
      else list->SetItemIndex(ini.ReadInteger(Section, key, list->ItemIndex()));
    } else if (auto* combo = As<TCustomComboBox>(child); handles(ccComboBox, combo)) {
      if (!tagged()) continue;
      if (save) ini.WriteInteger(Section, key, combo->ItemIndex());
      else combo->SetItemIndex(ini.ReadInteger(Section, key, combo->ItemIndex()));
    } else if (auto* shape = As<TShape>(child); handles(ccColor, shape)) {
      if (!tagged()) continue;
      if (save) ini.WriteInteger(Section, key, shape->BrushColor());
      else shape->SetBrushColor(ini.ReadInteger(Section, key, shape->BrushColor()));
    } else if (auto* inner = As<TWinControl>(child); inner && inner->ControlCount() > 0) {
      WalkControls(inner, direction);
    }
  }
}
