// The settings form: the program's only form. It owns every component of the
// program and carries the dispatch, the analysers and the tray menu commands.
#pragma once

#include <deque>
#include <optional>
#include <string>

#include "ActnList.h"
#include "AnalysisHost.h"
#include "AutoIni.h"
#include "ComCtrls.h"
#include "Dispatch.h"
#include "BarPopupMenu.h"
#include "ImgList.h"
#include "Forms.h"
#include "NkClipDetector.h"
#include "SpEdit.h"
#include "StdCtrls.h"
#include "SystemLibraries.h"
#include "Taskbar.h"

class TSetupForm : public TForm {
 public:
  explicit TSetupForm(TComponent* owner);
  ~TSetupForm() override;

  // Components and controls of the form.
  TNkClipDetector* ClipEvent = nullptr;
  TAutoIni* AutoSave = nullptr;
  TButton* OK = nullptr;
  TButton* Cancel = nullptr;
  TPageControl* PageControl1 = nullptr;
  TTabSheet* TabSheet1 = nullptr;
  TTabSheet* TabSheet2 = nullptr;
  TTabSheet* TabSheet3 = nullptr;
  TCheckBox* BrowseStockCode = nullptr;
  TRadioGroup* StockSiteSelect = nullptr;
  TLabel* Label1 = nullptr;
  TSpEdit* SleepTime = nullptr;
  TLabel* Label2 = nullptr;
  TCheckBox* AutoBrowseNetMileAD = nullptr;
  TCheckBox* AutoBrowseInfoCash = nullptr;
  TLabel* Label3 = nullptr;
  TEdit* InfoCashID = nullptr;
  TTrayIcon* TrayIcon = nullptr;
  TImageList* MenuImages = nullptr;
  TActionList* MainActionList = nullptr;
  TBarPopupMenu* PopupMenuR = nullptr;

  std::string LastClipText;

  // Handlers.
  void FormCreate(TComponent* sender);
  void FormCloseQuery(TComponent* sender, bool& canClose);
  void ClipEventClipChange(TComponent* sender);
  void AppExitExecute(TComponent* sender);
  void AppSetupExecute(TComponent* sender);
  void OKClick(TComponent* sender);
  void CancelClick(TComponent* sender);
  void AppHelpExecute(TComponent* sender);
  void AppLinkExecute(TComponent* sender);
  void AppVerInfoExecute(TComponent* sender);
  void TrayMouseDown(TComponent* sender, TMouseButton button, TShiftState shift, int x, int y);

  // Operations shared by the analysers and the commands.
  std::string ExtractUrl(const std::string& text) const;
  // Hands a URL to the shell, which shows no window of its own for a failed open: the failure's reason, or
  // nothing when the page opened.
  std::optional<std::wstring> OpenUrl(const std::string& target);
  void OpenUrl(const std::wstring& target);  // a file path, in any language
  void BrowseStockChart(const std::string& text);
  void BrowseNetMileAD(const std::string& text);
  void BrowseInfoCash(const std::string& text);

 protected:
  void CreateParams(TCreateParams& params) override;
  LRESULT WndProc(UINT msg, WPARAM wParam, LPARAM lParam) override;

 private:
  // What the analysers see: the settings read from the controls at each use, and the platform.
  class THost : public IAnalysisHost {
   public:
    explicit THost(TSetupForm& form) : form_(form) {}
    bool BrowseStockCode() override;
    int StockSiteSelect() override;
    bool AutoBrowseNetMileAD() override;
    bool AutoBrowseInfoCash() override;
    int SleepTime() override;
    std::string InfoCashID() override;
    bool ClipboardHasText() override;
    bool ClipboardIsPrivate() override;
    std::string ReadClipboardText() override;
    bool ClipboardTextEquals(std::string_view text) override;
    std::uint64_t ClipboardTextDigest() override;
    void ReportTextTooLarge() override;
    std::size_t PagesWithoutAsking() override { return 30; }
    bool ConfirmOpen(std::size_t pages) override;
    void CopyOpened() override;
    void OpenUrl(const std::string& target) override;
    std::string HalfWidth(const std::string& text) override;

   private:
    TSetupForm& form_;
  };
  THost host_{*this};
  TClipDispatch dispatch_;
  ULONGLONG changeTime_ = 0;         // when the last change was reported: its retries end a second later
  bool tooLargeShown_ = false;       // the message about a text too large is up or on its way
  std::optional<ComApartment> com_;  // started before the first shell open
  void BuildControls();
  void ShowTextTooLarge();
  // The dispatch's change, or what it has due (resume): the question or the next page; retried while the
  // clipboard is held.
  void TakeClipboardChange(bool resume = false);
  // The timer that carries the dispatch on when it is due.
  void ArmDispatch();
  bool dispatchArmed_ = false;
  // The shell opens of one copy, and the reason of the last that failed: said in one box once its pages
  // have all been handed over.
  int opens_ = 0, failedOpens_ = 0;
  std::wstring lastFailure_;
  std::deque<std::wstring> openFailures_;  // the boxes still to show
  void ShowOpenFailure();

  // What the session-end query's save came to, until the session ends or goes on.
  enum class TSessionSave { None, Saved, Failed };
  TSessionSave sessionSave_ = TSessionSave::None;
  LRESULT WMQueryEndSession();
  LRESULT WMEndSession(bool ending);
};

extern TSetupForm* SetupForm;
