// Components with owners and a component state; the framework's exceptions.
#pragma once

#include <functional>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

// Messages are code page 932 bytes, like every text of the program.
class Exception : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

class EOutOfResources : public Exception {
 public:
  using Exception::Exception;
};

// An object whose settings can be copied from another of a fitting kind.
class TPersistent {
 public:
  virtual ~TPersistent() = default;
  // Copies source's settings; a source of no fitting kind is refused with EConvertError.
  virtual void Assign(const TPersistent& source);

 protected:
  // The source's side of Assign, for kinds that know how to fill the destination.
  virtual void AssignTo(TPersistent& dest) const;
};

class TComponent;
using TNotifyEvent = std::function<void(TComponent* sender)>;

enum TComponentStateFlag : unsigned {
  csLoading = 1u << 0,    // being built from the form's stored layout
  csDesigning = 1u << 1,  // being edited in a form designer
  csDestroying = 1u << 2,
};

enum class TOperation { opInsert, opRemove };

// An ownable component. The owner keeps its components alive and destroys
// them in reverse order of creation; before one goes, every other component
// of the owner (and the owner) receives the removal notice.
class TComponent {
 public:
  explicit TComponent(TComponent* owner);
  virtual ~TComponent();
  TComponent(const TComponent&) = delete;
  TComponent& operator=(const TComponent&) = delete;

  TComponent* Owner() const { return owner_; }
  const std::string& Name() const { return name_; }
  void SetName(std::string name) { name_ = std::move(name); }

  unsigned ComponentState() const { return state_; }
  bool Loading() const { return (state_ & csLoading) != 0; }
  bool Designing() const { return (state_ & csDesigning) != 0; }
  bool Destroying() const { return (state_ & csDestroying) != 0; }
  // Design mode is set on a component before its properties are written.
  void SetDesigning(bool on);

  // Creates a component owned by this one; a loading owner makes it loading.
  template <class T, class... Args>
  T& Add(Args&&... args) {
    auto component = std::make_unique<T>(this, std::forward<Args>(args)...);
    T& ref = *component;
    Insert(std::move(component));
    return ref;
  }
  // Destroys one owned component now, with the removal notice.
  void RemoveComponent(TComponent* component);

  const std::vector<std::unique_ptr<TComponent>>& Components() const { return components_; }
  TComponent* FindComponent(const std::string& name) const;

  // Loading: BeginLoad marks this component and all it owns as loading;
  // EndLoad calls Loaded on every owned component in creation order, then on this one.
  void BeginLoad();
  void EndLoad();

  virtual void Notification(TComponent* component, TOperation operation);

 protected:
  // End of loading: clears the loading state. Overrides call the base first.
  virtual void Loaded();

 private:
  void Insert(std::unique_ptr<TComponent> component);
  void NotifyRemoval(TComponent* component);

  TComponent* owner_;
  std::string name_;
  unsigned state_ = 0;
  std::vector<std::unique_ptr<TComponent>> components_;
};
