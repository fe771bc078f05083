// Popup menus. The menu that opens records who opened it; PopupAt is the
// virtual popup operation that descendants (the side-bar menu) override.
#pragma once

#include "Classes.h"

class TPopupMenu : public TComponent {
 public:
  explicit TPopupMenu(TComponent* owner) : TComponent(owner) {}

  // The component that opened the menu last.
  TComponent* PopupComponent() const { return popupComponent_; }
  void SetPopupComponent(TComponent* component) { popupComponent_ = component; }

  // Shows the menu with its top-left corner at the screen point; returns
  // when the menu has closed.
  virtual void PopupAt(int x, int y);

 private:
  TComponent* popupComponent_ = nullptr;
};
