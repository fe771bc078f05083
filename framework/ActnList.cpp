#include "ActnList.h"

#include "ImgList.h"

bool TAction::Execute() {
  if (!Enabled || !OnExecute) return false;
  OnExecute(this);
  return true;
}

TAction& TActionList::AddAction(std::string name, std::wstring caption, int imageIndex,
                                std::function<void(TComponent*)> onExecute) {
  TAction& action = Add<TAction>();
  action.SetName(std::move(name));
  action.Caption = std::move(caption);
  action.ImageIndex = imageIndex;
  action.OnExecute = std::move(onExecute);
  return action;
}

void TActionList::Notification(TComponent* component, TOperation operation) {
  TComponent::Notification(component, operation);
  if (operation == TOperation::opRemove && component == Images) Images = nullptr;
}
