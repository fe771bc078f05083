// Popup menus. The menu that opens records who opened it; PopupAt is the
// virtual popup operation that descendants (the side-bar menu) override.
#pragma once

#include <windows.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "Classes.h"

class TAction;
class TImageList;
class TMenuItem;

using TMenuMeasureItemEvent = std::function<void(TMenuItem* sender, HDC dc, int& width, int& height)>;
// state: the ODS_* flags of the item being drawn.
using TAdvancedMenuDrawItemEvent = std::function<void(TMenuItem* sender, HDC dc, RECT rect, UINT state)>;

class TMenuItem {
 public:
  std::string Name;
  std::wstring Caption;  // "-" makes a separator
  bool Visible = true;
  bool Enabled = true;
  int ImageIndex = -1;
  TAction* Action = nullptr;  // gives the item its caption and image, and runs on click
  std::function<void(TMenuItem* sender)> OnClick;
  TMenuMeasureItemEvent OnMeasureItem;
  TAdvancedMenuDrawItemEvent OnAdvancedDrawItem;
  std::vector<std::unique_ptr<TMenuItem>> Items;  // submenu

  TMenuItem& Add(std::string name, std::wstring caption = L"");
  TMenuItem& AddAction(std::string name, TAction& action);

  std::wstring DisplayCaption() const;
  int DisplayImageIndex() const;
  bool IsLine() const { return DisplayCaption() == L"-"; }
  bool IsEnabled() const;
  // The action's execution if linked, else OnClick.
  void Click();
};

class TPopupMenu : public TComponent {
 public:
  explicit TPopupMenu(TComponent* owner);
  ~TPopupMenu() override;

  // The component that opened the menu last.
  TComponent* PopupComponent() const { return popupComponent_; }
  void SetPopupComponent(TComponent* component) { popupComponent_ = component; }

  TMenuItem Items;  // the top-level items are Items.Items
  TImageList* Images = nullptr;
  bool OwnerDraw = false;

  // Shows the menu with its top-left corner at the screen point; returns
  // when the menu has closed, after the chosen item's click has run.
  virtual void PopupAt(int x, int y);
  // The last popup closed with no item chosen while the program kept the foreground (Escape): the
  // user went back to where the menu was opened from, not to another window.
  bool Cancelled() const { return cancelled_; }

  // The standard size and look of an item; the draw colours follow the state.
  void MeasureItemStandard(const TMenuItem& item, HDC dc, int& width, int& height) const;
  void DrawMenuItem(const TMenuItem& item, HDC dc, RECT rect, UINT state) const;

  void Notification(TComponent* component, TOperation operation) override;

  // Where the top-level items start in the open menu's client area: the
  // draw events get rectangles and a DC relative to that corner.
  POINT ItemOrigin() const { return itemOrigin_; }

  // The DPI of the last popup, and design pixels (96 dpi) scaled to it.
  int PopupDpi() const { return dpi_; }
  int Scaled(int designPixels) const { return MulDiv(designPixels, dpi_, 96); }

 protected:
  void SetCancelled(bool cancelled) { cancelled_ = cancelled; }

 private:
  struct TOpenItems;
  LRESULT HandleMessage(UINT msg, WPARAM wParam, LPARAM lParam);
  HMENU Build(TMenuItem& parent, TOpenItems& open);

  TComponent* popupComponent_ = nullptr;
  HWND window_ = nullptr;
  HMENU menu_ = nullptr;
  POINT itemOrigin_{0, 0};
  int dpi_ = 96;
  bool cancelled_ = false;
};
