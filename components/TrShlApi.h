// The shell's notification-area icon: one inner object per icon makes every
// Shell_NotifyIconA call and owns the hidden window that receives the shell's
// callbacks; all such windows share one class and one window procedure.
#pragma once

#include <windows.h>
#include <shellapi.h>

#include <atomic>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "Classes.h"
#include "Graphics.h"
#include "Handles.h"
#include "Threads.h"

constexpr UINT WM_TRAYNOTIFY = WM_USER + 200;   // the shell's callback message
constexpr UINT WM_TRAYRESTART = WM_USER + 220;  // passed to the owner after a taskbar restart
constexpr UINT TRAY_ICON_ID = 7;
constexpr UINT TRAY_MOUSEENTER = 1234;
constexpr UINT TRAY_MOUSEEXIT = 1235;
constexpr UINT TRAY_MOUSECLICK = 1236;
constexpr UINT_PTR TRAY_CLICK_TIMER = 7;
// The record sizes the shell is told (shellapi.h's NOTIFYICONDATAA_V1_SIZE / _V2_SIZE): the
// layouts of the architecture built for, whose window and icon handles are pointer-sized.
static_assert(NOTIFYICONDATAA_V1_SIZE == offsetof(NOTIFYICONDATAA, szTip) + 64, "version-1 layout: szTip of 64 bytes");
static_assert(NOTIFYICONDATAA_V2_SIZE == offsetof(NOTIFYICONDATAA, dwInfoFlags) + sizeof(DWORD),
              "version-2 layout: up to dwInfoFlags");
static_assert(NOTIFYICONDATAA_V1_SIZE == (sizeof(void*) == 8 ? 104 : 88));
static_assert(NOTIFYICONDATAA_V2_SIZE == (sizeof(void*) == 8 ? 504 : 488));

class ENotifyIconError : public Exception {
 public:
  using Exception::Exception;
};

struct TMessage {
  UINT Msg;
  WPARAM WParam;
  LPARAM LParam;
  LRESULT Result;
};
using TMessageHandler = std::function<void(TMessage&)>;

// The calls that reach the shell. Tests replace them to make the shell fail
// or time out; the program uses the real ones.
struct TTrayShell {
  std::function<BOOL(DWORD message, NOTIFYICONDATAA* data)> NotifyIcon;
  std::function<void(DWORD milliseconds)> Sleep;
  std::function<DWORD()> ShellVersion;  // empty: read from shell32
  // Lets the message reach the window from a process of lower rights (the
  // shell, when this program runs elevated).
  std::function<void(HWND wnd, UINT message)> AllowMessage;
  // Whether this process runs with higher rights than the shell: only then is a message let through.
  std::function<bool()> Elevated;
  // Where the icon is on the screen; empty: Shell_NotifyIconGetRect where the system has it.
  std::function<bool(HWND wnd, UINT id, RECT& rect)> IconRect{};
};
TTrayShell& TrayShell();
void ResetTrayShell();

LRESULT CALLBACK TrayWndProc(HWND wnd, UINT msg, WPARAM wParam, LPARAM lParam);

// The shell's major version in the high word, its minor in the low; 0 if unknown.
DWORD DetermineShellVersion();

enum TBalloonIconType { bitNone = NIIF_NONE, bitInfo = NIIF_INFO, bitWarning = NIIF_WARNING, bitError = NIIF_ERROR };

// The tray's tool-tip window: the taskbar's "tooltips_class32" without
// TTS_NOPREFIX; nullptr when there is no taskbar or no such window.
HWND FindTrayToolTipWindow();

enum TMouseButton { mbLeft = 0, mbRight = 1, mbMiddle = 2 };
enum TShiftFlag : unsigned { ssLeft = 1u << 0, ssRight = 1u << 1, ssMiddle = 1u << 2 };
using TShiftState = unsigned;

class TCustomToolTipStyle;

// Polls the cursor every 100 ms while it is over the icon; waits otherwise.
// Each check runs on the GUI thread while this thread waits.
class TMouseEventMaker : public TThread {
 public:
  explicit TMouseEventMaker(TCustomToolTipStyle& style);
  ~TMouseEventMaker() override { StopAndWait(); }

  void Wake(bool inside);  // the cursor's state as the GUI thread sees it
  unsigned Checks() const { return checks_; }

 protected:
  void Execute() override;

 private:
  TCustomToolTipStyle& style_;
  std::atomic<bool> inside_{false};
  std::atomic<unsigned> checks_{0};
};

// Click and hover state of one icon; turns the shell's reports into the
// synthetic messages sent to the icon's window. While the cursor rests on
// the icon, the tray's tool tip can take the style's colours.
class TCustomToolTipStyle : public TPersistent {
 public:
  TCustomToolTipStyle();
  ~TCustomToolTipStyle() override;
  TCustomToolTipStyle(const TCustomToolTipStyle&) = delete;
  TCustomToolTipStyle& operator=(const TCustomToolTipStyle&) = delete;
  // Takes UseDefault and BackGroundColor of another style; the text colour stays.
  void Assign(const TPersistent& source) override;

  void MouseMessage(const TMessage& message);
  void ResetHoverRect() { HoverRect = {0, 0, 0, 0}; }

  HWND NotifyWindow = nullptr;
  HWND ToolTipWindow = nullptr;
  RECT HoverRect{0, 0, 0, 0};
  bool CheckSingleDoubleClick = true;
  bool UseDefault = true;
  TFont Font;  // its colour is the text colour, clWindowText at first
  // Index 1 the background colour, 2 the text colour; others read 0 and write nothing.
  TColor GetColor(int index) const;
  void SetColor(int index, TColor value);
  TColor BackGroundColor() const { return GetColor(1); }
  void SetBackGroundColor(TColor value) { SetColor(1, value); }
  TColor TextColor() const { return GetColor(2); }
  void SetTextColor(TColor value) { SetColor(2, value); }
  void ApplyColors();
  void RestoreColors();

  bool MouseInside() const { return (mouseState_ & inside) != 0; }
  bool ClickPending() const { return clickPending_; }
  const TMouseEventMaker* HoverThread() const { return hoverThread_.get(); }
  void HoverCheck();  // on the GUI thread

 private:
  friend class TMouseEventMaker;
  static constexpr unsigned char inside = 1u << 3;
  void HoverMove();
  void HoverEnter();
  void HoverLeave();
  void ButtonUp(TMouseButton button);
  void ButtonDoubleClick(TMouseButton button);
  void SendClick(TMouseButton button);
  bool Pressed(TMouseButton b) const { return (mouseState_ & (1u << b)) != 0; }

  std::unique_ptr<TMouseEventMaker> hoverThread_;
  TColor backGroundColor_ = clBlack;
  unsigned char mouseState_ = 0;
  bool clickPending_ = false;
};

class TToolTipStyle : public TCustomToolTipStyle {};

class TTaskTrayIcon {
 public:
  TTaskTrayIcon();
  virtual ~TTaskTrayIcon();
  TTaskTrayIcon(const TTaskTrayIcon&) = delete;
  TTaskTrayIcon& operator=(const TTaskTrayIcon&) = delete;

  DWORD ShellVersion() const { return shellVersion_; }
  bool Shell5() const { return shellVersion_ >= 5u * 65536u; }
  HWND Handle();
  HWND HandleIfAllocated() const { return handle_; }
  HICON IconHandle() const { return data_.hIcon; }
  void SetIconHandle(HICON icon) { data_.hIcon = icon; }
  void SetTip(const std::string& text);
  std::string Tip() const;
  // The balloon fields: kept in the record, never shown (NIF_INFO is never set).
  void SetBalloonTitle(const std::string& text);
  std::string BalloonTitle() const;
  void SetBalloonText(const std::string& text);
  std::string BalloonText() const;
  void SetBalloonTimeOut(int milliseconds) { data_.uTimeout = static_cast<UINT>(milliseconds); }
  int BalloonTimeOut() const { return static_cast<int>(data_.uTimeout); }
  void SetBalloonIcon(TBalloonIconType icon) { data_.dwInfoFlags = static_cast<DWORD>(icon); }
  TBalloonIconType BalloonIcon() const { return static_cast<TBalloonIconType>(data_.dwInfoFlags & 0xFF); }
  const NOTIFYICONDATAA& Data() const { return data_; }

  bool AddIcon();
  // One registration without waiting: a refusal or a time-out returns false and raises nothing.
  bool TryAddIcon();
  // TryAddIcon for a shell that may still hold the icon and so refuses the add: any program can send
  // "TaskbarCreated", whether or not the shell restarted.
  bool AddIconAgain();
  bool ModifyIcon();
  bool HideIcon();
  bool DeleteIcon();
  // Where the shown icon is on the screen; false where the system can't tell.
  bool IconRect(RECT& rect) const;
  // Gives the keyboard focus back to the notification area, after a menu opened from there.
  bool SetFocus();
  bool Added() const { return added_; }
  bool Shown() const { return shown_; }

  void MessageHandler(TMessage& message);
  TMessageHandler OwnerHandler;
  bool DoForegroundWindow = false;
  TToolTipStyle& ToolTipStyle() { return *style_; }

 private:
  BOOL Notify(DWORD message);
  void Foreground();
  bool Add(bool wait, bool mayHaveIt);

  DWORD shellVersion_ = 0;
  HWND handle_ = nullptr;
  NOTIFYICONDATAA data_{};
  bool added_ = false;
  bool shown_ = false;
  std::unique_ptr<TToolTipStyle> style_;
};

// Every icon object of the process; exists while at least one does.
class TTrayIconWinProcList {
 public:
  TTrayIconWinProcList();
  ~TTrayIconWinProcList();
  UINT TaskbarCreated() const { return taskbarCreated_; }
  std::vector<TTaskTrayIcon*> Items;

 private:
  UINT taskbarCreated_ = 0;
};
TTrayIconWinProcList* TrayIconWinProcList();
