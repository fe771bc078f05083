#include "Menus.h"

#include <oleacc.h>

#include <algorithm>
#include <cstddef>
#include <deque>
#include <type_traits>

#include "ActnList.h"
#include "Dpi.h"
#include "Forms.h"
#include "Handles.h"
#include "ImgList.h"
#include "UtilWindow.h"

namespace {
// Design pixels (96 dpi).
constexpr int kSeparatorHeight = 9;
constexpr int kImageGap = 3;  // around the image column

UniqueFont MenuFont(int dpi) {
  NONCLIENTMETRICSW metrics{};
  if (NonClientMetricsForDpi(metrics, dpi)) return UniqueFont(CreateFontIndirectW(&metrics.lfMenuFont));
  return UniqueFont(nullptr);
}
}  // namespace

TMenuItem& TMenuItem::Add(std::string name, std::wstring caption) {
  auto item = std::make_unique<TMenuItem>();
  item->Name = std::move(name);
  item->Caption = std::move(caption);
  Items.push_back(std::move(item));
  return *Items.back();
}

TMenuItem& TMenuItem::AddAction(std::string name, TAction& action) {
  TMenuItem& item = Add(std::move(name));
  item.Action = &action;
  return item;
}

std::wstring TMenuItem::DisplayCaption() const { return Action ? Action->Caption : Caption; }
int TMenuItem::DisplayImageIndex() const { return Action ? Action->ImageIndex : ImageIndex; }
bool TMenuItem::IsEnabled() const { return Enabled && (!Action || Action->Enabled); }

void TMenuItem::Click() {
  if (Action) {
    Action->Execute();
  } else if (OnClick) {
    OnClick(this);
  }
}

// What the open menu's items refer to; alive as long as the menu.
struct TPopupMenu::TOpenItems {
  // An owner-drawn item's data. It begins with an MSAAMENUINFO: screen readers read the item's name there.
  struct Drawn {
    MSAAMENUINFO msaa;
    TMenuItem* item;
  };
  static_assert(std::is_standard_layout_v<Drawn> && offsetof(Drawn, msaa) == 0);
  static TMenuItem* ItemOf(ULONG_PTR data) { return data ? reinterpret_cast<Drawn*>(data)->item : nullptr; }

  std::vector<TMenuItem*> byId;  // the command identifiers, from 1
  std::deque<Drawn> drawn;
  std::deque<std::wstring> names;
};

TPopupMenu::TPopupMenu(TComponent* owner) : TComponent(owner) {}
TPopupMenu::~TPopupMenu() = default;

void TPopupMenu::Notification(TComponent* component, TOperation operation) {
  TComponent::Notification(component, operation);
  if (operation == TOperation::opRemove && component == Images) Images = nullptr;
}

HMENU TPopupMenu::Build(TMenuItem& parent, TOpenItems& open) {
  HMENU menu = CreatePopupMenu();
  if (!menu) throw EOutOfResources("menu");
  for (auto& child : parent.Items) {
    TMenuItem& item = *child;
    if (!item.Visible) continue;
    const std::wstring caption = item.DisplayCaption();
    UINT flags = item.IsEnabled() ? MF_ENABLED : MF_GRAYED;
    UINT_PTR id;
    HMENU submenu = nullptr;
    if (!item.Items.empty()) {
      flags |= MF_POPUP;
      submenu = Build(item, open);
      id = reinterpret_cast<UINT_PTR>(submenu);
    } else {
      open.byId.push_back(&item);
      id = open.byId.size();
    }
    if (OwnerDraw) {
      // The caption is the item's string as well as the name in its data, for whatever reads the menu. A
      // line drawn by its owner is still a separator: neither keyboard nor mouse may choose it.
      const bool line = item.IsLine();
      const std::wstring& name = open.names.emplace_back(line ? L"" : caption);
      open.drawn.push_back({{static_cast<DWORD>(MSAA_MENU_SIG), static_cast<DWORD>(name.size()),
                             const_cast<wchar_t*>(name.c_str())},
                            &item});
      MENUITEMINFOW info{};
      info.cbSize = sizeof info;
      info.fMask = MIIM_FTYPE | MIIM_STATE | MIIM_ID | MIIM_DATA | (line ? 0 : MIIM_STRING) |
                   (submenu ? MIIM_SUBMENU : 0);
      info.fType = MFT_OWNERDRAW | (line ? MFT_SEPARATOR : 0);
      info.fState = item.IsEnabled() ? MFS_ENABLED : MFS_GRAYED;
      info.wID = submenu ? 0 : static_cast<UINT>(id);
      info.hSubMenu = submenu;
      info.dwItemData = reinterpret_cast<ULONG_PTR>(&open.drawn.back());
      info.dwTypeData = const_cast<wchar_t*>(name.c_str());
      InsertMenuItemW(menu, static_cast<UINT>(GetMenuItemCount(menu)), TRUE, &info);
    } else if (item.IsLine()) {
      AppendMenuW(menu, MF_SEPARATOR, 0, nullptr);
    } else {
      AppendMenuW(menu, flags | MF_STRING, id, caption.c_str());
    }
  }
  return menu;
}

void TPopupMenu::PopupAt(int x, int y) {
  // The menu opens on the monitor under the point, at that monitor's DPI.
  dpi_ = MonitorDpiAt({x, y});
  if (Images) Images->SetDpi(dpi_);
  cancelled_ = false;
  TOpenItems open;
  UniqueMenu menu(Build(Items, open));
  auto window = TUtilityWindow::Allocate([this](UINT msg, WPARAM w, LPARAM l) { return HandleMessage(msg, w, l); },
                                         L"TPPopupMenuWindow");
  if (!window) throw EOutOfResources("popup window");
  window_ = window->Handle();
  menu_ = menu.get();
  itemOrigin_ = {0, 0};
  // The owner must be in the foreground, or the menu doesn't close when the user clicks elsewhere.
  SetForegroundWindow(window_);
  const UINT chosen = static_cast<UINT>(TrackPopupMenu(
      menu.get(), TPM_LEFTALIGN | TPM_TOPALIGN | TPM_RIGHTBUTTON | TPM_RETURNCMD | TPM_NONOTIFY, x, y, 0, window_,
      nullptr));
  cancelled_ = chosen == 0 && GetForegroundWindow() == window_;
  // Lets the menu's own loop finish cleanly before the owner goes.
  PostMessageW(window_, WM_NULL, 0, 0);
  window_ = nullptr;
  menu_ = nullptr;
  window.reset();
  menu.reset();
  if (chosen >= 1 && chosen <= open.byId.size()) open.byId[chosen - 1]->Click();
}

LRESULT TPopupMenu::HandleMessage(UINT msg, WPARAM wParam, LPARAM lParam) {
  if (msg == WM_MEASUREITEM) {
    auto* mis = reinterpret_cast<MEASUREITEMSTRUCT*>(lParam);
    TMenuItem* item = mis->CtlType == ODT_MENU ? TOpenItems::ItemOf(mis->itemData) : nullptr;
    if (!item) return FALSE;
    WindowDC screen(nullptr);
    UniqueFont font = MenuFont(dpi_);
    SelectGuard selectFont(screen.get(), font ? font.get() : GetStockObject(DEFAULT_GUI_FONT));
    int width = 0, height = 0;
    MeasureItemStandard(*item, screen.get(), width, height);
    if (item->OnMeasureItem) item->OnMeasureItem(item, screen.get(), width, height);
    mis->itemWidth = static_cast<UINT>(std::max(width, 0));
    mis->itemHeight = static_cast<UINT>(std::max(height, 0));
    return TRUE;
  }
  if (msg == WM_DRAWITEM) {
    auto* dis = reinterpret_cast<DRAWITEMSTRUCT*>(lParam);
    TMenuItem* item = dis->CtlType == ODT_MENU ? TOpenItems::ItemOf(dis->itemData) : nullptr;
    if (!item) return FALSE;
    // The font before the saved state: the state that still holds it comes back first.
    UniqueFont font = MenuFont(dpi_);
    SavedDC saved(dis->hDC);
    RECT rect = dis->rcItem;
    const bool topLevel = std::any_of(Items.Items.begin(), Items.Items.end(),
                                      [item](const std::unique_ptr<TMenuItem>& i) { return i.get() == item; });
    RECT first{};
    POINT client{0, 0};
    // Some platforms keep a margin inside the menu's client area; the items are drawn relative to their own corner.
    if (topLevel && GetMenuItemRect(nullptr, menu_, 0, &first) && ClientToScreen(WindowFromDC(dis->hDC), &client)) {
      itemOrigin_ = {first.left - client.x, first.top - client.y};
      OffsetRect(&rect, -itemOrigin_.x, -itemOrigin_.y);
      SetViewportOrgEx(dis->hDC, itemOrigin_.x, itemOrigin_.y, nullptr);
    }
    SelectGuard selectFont(dis->hDC, font ? font.get() : GetStockObject(DEFAULT_GUI_FONT));
    if (item->OnAdvancedDrawItem)
      item->OnAdvancedDrawItem(item, dis->hDC, rect, dis->itemState);
    else
      DrawMenuItem(*item, dis->hDC, rect, dis->itemState);
    return TRUE;
  }
  return DefWindowProcW(window_, msg, wParam, lParam);
}

void TPopupMenu::MeasureItemStandard(const TMenuItem& item, HDC dc, int& width, int& height) const {
  if (item.IsLine()) {
    width = 0;
    height = Scaled(kSeparatorHeight);
    return;
  }
  const std::wstring caption = item.DisplayCaption();
  SIZE size{};
  GetTextExtentPoint32W(dc, caption.empty() ? L" " : caption.c_str(), std::max(1, static_cast<int>(caption.size())), &size);
  const int imageWidth = Images ? Images->Width() : Scaled(16);
  const int imageHeight = Images ? Images->Height() : Scaled(16);
  const int gap = Scaled(kImageGap);
  width = gap + imageWidth + gap + Scaled(4) + size.cx + Scaled(16);
  height = std::max<int>(size.cy + Scaled(6), imageHeight + 2 * gap);
}

void TPopupMenu::DrawMenuItem(const TMenuItem& item, HDC dc, RECT rect, UINT state) const {
  const bool selected = (state & ODS_SELECTED) != 0 && !item.IsLine();
  const bool disabled = (state & (ODS_GRAYED | ODS_DISABLED)) != 0 || !item.IsEnabled();
  FillRect(dc, &rect, GetSysColorBrush(selected ? COLOR_HIGHLIGHT : COLOR_MENU));
  if (item.IsLine()) {
    RECT line = rect;
    line.top += (rect.bottom - rect.top) / 2 - 1;
    line.left += Scaled(2);
    line.right -= Scaled(2);
    DrawEdge(dc, &line, EDGE_ETCHED, BF_TOP);
    return;
  }
  const int imageWidth = Images ? Images->Width() : Scaled(16);
  const int imageHeight = Images ? Images->Height() : Scaled(16);
  const int gap = Scaled(kImageGap);
  if (Images && item.DisplayImageIndex() >= 0)
    Images->Draw(dc, rect.left + gap, rect.top + (rect.bottom - rect.top - imageHeight) / 2,
                 item.DisplayImageIndex(), !disabled);
  RECT text = rect;
  text.left += gap + imageWidth + gap + Scaled(4);
  const std::wstring caption = item.DisplayCaption();
  SetBkMode(dc, TRANSPARENT);
  const UINT format = DT_SINGLELINE | DT_VCENTER | DT_LEFT;
  if (disabled && !selected) {
    // The engraved look of a disabled item.
    RECT shadow = text;
    OffsetRect(&shadow, 1, 1);
    SetTextColor(dc, GetSysColor(COLOR_BTNHIGHLIGHT));
    DrawTextW(dc, caption.c_str(), -1, &shadow, format);
  }
  SetTextColor(dc, GetSysColor(disabled ? COLOR_GRAYTEXT : selected ? COLOR_HIGHLIGHTTEXT : COLOR_MENUTEXT));
  DrawTextW(dc, caption.c_str(), -1, &text, format);
}
