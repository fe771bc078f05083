#include "Menus.h"

void TPopupMenu::PopupAt(int, int) {}
