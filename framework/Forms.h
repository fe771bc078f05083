// Forms and the application object.
#pragma once

#include <windows.h>

#include <exception>
#include <functional>
#include <string>
#include <vector>

#include "Controls.h"
#include "Handles.h"

class TForm;
enum class TFormBorderStyle { bsSizeable, bsDialog };
using TCloseQueryEvent = std::function<void(TComponent* sender, bool& canClose)>;

// A top-level window. Closing it runs the close query; the main form's close
// ends the application, any other form's hides it.
class TForm : public TWinControl {
 public:
  explicit TForm(TComponent* owner);
  ~TForm() override;

  const std::wstring& Caption() const { return caption_; }
  void SetCaption(std::wstring caption);
  TFormBorderStyle BorderStyle() const { return borderStyle_; }
  void SetBorderStyle(TFormBorderStyle style) { borderStyle_ = style; }
  // The client area in design pixels; the window is sized around it, scaled.
  void SetClientSize(int width, int height);
  // The form's font, used by every control on it unless one has its own; the height is in design pixels.
  void SetFont(const std::wstring& face, int height);
  // Made at first use, at the form's DPI: a form that is never shown never loads a font.
  HFONT FontHandle() const override;

  // The DPI of the monitor the form is on: the system's until the window says otherwise.
  int Dpi() const override { return dpi_; }
  // Scales the window, its font and its controls to the DPI; the window takes the
  // suggested rectangle if there is one, else keeps its place and takes its client size at the DPI.
  void ChangeDpi(int dpi, const RECT* suggested);

  // Registers the hints again, for controls whose windows were rebuilt.
  void RefreshHints();
  // Moves the focus to the next (or previous) control in tab order.
  void SelectNext(bool forward);
  // Keyboard handling of the form for a message from its message loop: true when taken.
  bool DialogKey(MSG& msg);

  TNotifyEvent OnCreate;
  TCloseQueryEvent OnCloseQuery;

  void Show();  // visible, then brought to the front
  void Hide();
  // Showing a form whose place lies mostly off every monitor's work area puts
  // its window inside the nearest one; the form's bounds keep the stored place.
  void SetVisible(bool visible) override;
  void Close();
  bool CloseQuery();
  void BringToFront();
  bool Visible() const override;

  // Runs OnCreate; the application calls it once the form is built.
  virtual void AfterConstruction();

 protected:
  void CreateParams(TCreateParams& params) override;
  void CreateWnd() override;
  // A hidden form has no use for its controls' windows: they are made when it is first shown.
  bool ChildrenWithWindow() const override { return controlsMade_; }
  void MakeChildHandles() override { MakeControls(); }
  LRESULT WndProc(UINT msg, WPARAM wParam, LPARAM lParam) override;

 private:
  void MakeControls();
  void AddHints(TWinControl& container);
  void PlaceWithinReach();
  bool OfferDialogKey(TWinControl& container, WPARAM key);

  std::wstring caption_;
  TFormBorderStyle borderStyle_ = TFormBorderStyle::bsSizeable;
  int clientWidth_ = -1, clientHeight_ = -1;
  int dpi_ = ScreenDpi();
  int fontHeight_ = 0;  // design pixels
  LOGFONTW fontDescription_{};
  mutable UniqueFont font_;
  HWND hintWindow_ = nullptr;  // owned by the form's window, destroyed with it
  HWND lastFocus_ = nullptr;
  bool placing_ = false;
  bool controlsMade_ = false;  // the form's own move into reach, which its bounds don't follow
};

// The default beep of a refused key; observers (tests, sounds) may listen.
void DefaultBeep();
extern std::function<void()> OnDefaultBeep;

class TApplication : public TComponent {
 public:
  TApplication();
  ~TApplication() override;

  void Initialize();
  // The hidden application window (owner of dialogs and clipboard reads).
  // Made at first use: a program that rests in the tray may never need it.
  HWND Handle() const;
  bool Initialized() const { return initialized_; }

  const std::wstring& Title() const { return title_; }
  void SetTitle(std::wstring title);
  bool ShowMainForm = true;
  std::wstring HelpFile;
  TForm* MainForm() const { return mainForm_; }

  // Creates a form owned by the application; the first one is the main form.
  template <class T>
  T& CreateForm() {
    T& form = Add<T>();
    if (!mainForm_) mainForm_ = &form;
    form.AfterConstruction();
    return form;
  }

  void Run();
  void Terminate();
  // A close message to any window of the program that is not a form: the main
  // form is closed as one to it would close it (its close query decides).
  void CloseMainForm();
  bool Terminated() const { return terminated_; }
  // Handles the messages already queued and returns.
  void ProcessMessages();

  // The general handler: shows an escaped exception's message; the loop goes on.
  void HandleException(const std::exception& e);
  std::function<void(const std::exception&)> OnException;

  // Minimise and restore of the application: its visible forms hide and
  // come back, its own window goes iconic and back; each then raises its event.
  TNotifyEvent OnMinimize;
  TNotifyEvent OnRestore;
  void Minimize();
  void Restore();

 private:
  static LRESULT CALLBACK WndProc(HWND wnd, UINT msg, WPARAM wParam, LPARAM lParam);
  mutable HWND handle_ = nullptr;
  bool initialized_ = false;
  std::wstring title_;
  TForm* mainForm_ = nullptr;
  bool terminated_ = false;
  std::vector<HWND> hiddenForms_;  // hidden by Minimize
};

// What the general handler shows for an exception: its own message, or a Japanese
// sentence in place of a run-time library exception's raw text.
std::wstring ExceptionMessage(const std::exception& e);

// The one application object of the process.
TApplication& Application();

// The system's message box; tests put their own in its place.
extern std::function<int(HWND owner, const wchar_t* text, const wchar_t* caption, UINT flags)> ShowMessageBox;

// While one exists the Windows session is ending: no message box is shown,
// since nobody may be there to close it and the session would wait for it.
class TSessionEnd {
 public:
  TSessionEnd();
  ~TSessionEnd();
  TSessionEnd(const TSessionEnd&) = delete;
  TSessionEnd& operator=(const TSessionEnd&) = delete;
  static bool Active();
};

// A modal message box, brought to the front even while the program is in the
// background (its hidden form can't be reached to find it); none, and 0, while
// the session ends. ShowMessage's text is code page 932 bytes.
enum class TMsgDlgType { mtWarning, mtError, mtInformation, mtConfirmation, mtCustom };
int MessageDlg(const std::wstring& caption, const std::wstring& text, TMsgDlgType type, UINT buttons = MB_OK);
void ShowMessage(const std::string& text);
