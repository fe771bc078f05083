// Actions: commands with a caption and an image that menu items point at.
#pragma once

#include <functional>
#include <string>

#include "Classes.h"

class TImageList;

class TAction : public TComponent {
 public:
  explicit TAction(TComponent* owner) : TComponent(owner) {}

  std::wstring Caption;
  int ImageIndex = -1;
  bool Enabled = true;
  std::function<void(TComponent* sender)> OnExecute;

  // Runs OnExecute (when enabled); true when a handler ran.
  bool Execute();
};

class TActionList : public TComponent {
 public:
  explicit TActionList(TComponent* owner) : TComponent(owner) {}

  TImageList* Images = nullptr;

  TAction& AddAction(std::string name, std::wstring caption, int imageIndex,
                     std::function<void(TComponent*)> onExecute);
  void Notification(TComponent* component, TOperation operation) override;
};
