#include "Classes.h"

#include <cxxabi.h>

#include <algorithm>
#include <cstdlib>
#include <typeinfo>

#include "TextRules.h"

namespace {
std::string ClassName(const std::type_info& type) {
  int status = 0;
  char* name = abi::__cxa_demangle(type.name(), nullptr, nullptr, &status);
  std::string result = status == 0 && name ? name : type.name();
  std::free(name);
  return result;
}
}  // namespace

void TPersistent::Assign(const TPersistent& source) { source.AssignTo(*this); }

void TPersistent::AssignTo(TPersistent& dest) const {
  throw EConvertError("Cannot assign a " + ClassName(typeid(*this)) + " to a " + ClassName(typeid(dest)));
}

TComponent::TComponent(TComponent* owner) : owner_(owner) {
  if (owner_ && owner_->Loading()) state_ |= csLoading;
}

TComponent::~TComponent() {
  state_ |= csDestroying;
  while (!components_.empty()) {
    TComponent* last = components_.back().get();
    NotifyRemoval(last);
    std::unique_ptr<TComponent> doomed = std::move(components_.back());
    components_.pop_back();
  }
}

void TComponent::SetDesigning(bool on) { state_ = on ? (state_ | csDesigning) : (state_ & ~csDesigning); }

void TComponent::Insert(std::unique_ptr<TComponent> component) {
  components_.push_back(std::move(component));
  TComponent* added = components_.back().get();
  for (auto& c : components_)
    if (c.get() != added) c->Notification(added, TOperation::opInsert);
  Notification(added, TOperation::opInsert);
}

void TComponent::NotifyRemoval(TComponent* component) {
  for (auto& c : components_)
    if (c.get() != component) c->Notification(component, TOperation::opRemove);
  Notification(component, TOperation::opRemove);
}

void TComponent::RemoveComponent(TComponent* component) {
  auto it = std::find_if(components_.begin(), components_.end(),
                         [component](const auto& c) { return c.get() == component; });
  if (it == components_.end()) return;
  NotifyRemoval(component);
  std::unique_ptr<TComponent> doomed = std::move(*it);
  components_.erase(it);
}

TComponent* TComponent::FindComponent(const std::string& name) const {
  for (auto& c : components_)
    if (c->Name() == name) return c.get();
  return nullptr;
}

void TComponent::BeginLoad() {
  state_ |= csLoading;
  for (auto& c : components_) c->BeginLoad();
}

void TComponent::EndLoad() {
  // Loaded may create components: walk by index.
  for (size_t i = 0; i < components_.size(); ++i)
    if (components_[i]->Loading()) components_[i]->EndLoad();
  Loaded();
}

void TComponent::Loaded() { state_ &= ~csLoading; }

void TComponent::Notification(TComponent*, TOperation) {}
