// The clipboard detector and the component base under Wine, in-process.
#include "NkClipDetector.h"

#include <gtest/gtest.h>

#include "Forms.h"
#include "Harness.h"

using namespace harness;

namespace {
void Pump() {
  MSG msg;
  while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&msg);
}

bool PumpUntil(const std::function<bool()>& condition) {
  return WaitUntil([&] {
    Pump();
    return condition();
  });
}

// Puts a text and waits until the detector's count moved by one.
void Change(const std::string& text, const int& count) {
  const int before = count;
  PutClipboardText(text);
  ASSERT_TRUE(PumpUntil([&] { return count == before + 1; }));
}

struct Counting : TNkClipDetector {
  using TNkClipDetector::TNkClipDetector;
  int seen = 0;
  void DoClipChange() override {
    ++seen;
    TNkClipDetector::DoClipChange();
  }
};
}  // namespace

TEST(NkClipDetector, JoinsOnHandlerAndIgnoresOnlyTheJoinNotification) {
  TComponent owner(nullptr);
  auto& d = owner.Add<Counting>();
  EXPECT_TRUE(d.IgnoreFirst());
  EXPECT_EQ(d.WindowHandle(), nullptr);
  int events = 0;
  d.SetOnClipChange([&](TComponent* sender) {
    EXPECT_EQ(sender, &d);
    ++events;
  });
  ASSERT_NE(d.WindowHandle(), nullptr);
  Pump();
  EXPECT_EQ(events, 0);
  Change("one", events);
  Change("one", events);  // the detector never compares content

  // Another handler: no re-join, no event, later changes go to it.
  int other = 0;
  HWND before = d.WindowHandle();
  d.SetOnClipChange([&](TComponent*) { ++other; });
  EXPECT_EQ(d.WindowHandle(), before);
  Pump();
  EXPECT_EQ(other, 0);
  Change("two", other);
  EXPECT_EQ(events, 2);

  // Cleared: leaves the chain, no more events.
  d.SetOnClipChange(nullptr);
  EXPECT_EQ(d.WindowHandle(), nullptr);
  const int seen = d.seen;
  PutClipboardText("three");
  Sleep(200);
  Pump();
  EXPECT_EQ(d.seen, seen);
  d.SetOnClipChange(nullptr);  // while detached: nothing
  EXPECT_EQ(d.WindowHandle(), nullptr);
}

TEST(NkClipDetector, WithoutIgnoreFirstTheJoinRaisesOneEvent) {
  TComponent owner(nullptr);
  auto& d = owner.Add<TNkClipDetector>();
  d.SetIgnoreFirst(false);
  int events = 0;
  d.SetOnClipChange([&](TComponent*) { ++events; });
  Pump();
  EXPECT_EQ(events, 1);
}

TEST(NkClipDetector, DesignModeMakesNoWindow) {
  TComponent owner(nullptr);
  auto& d = owner.Add<TNkClipDetector>();
  d.SetDesigning(true);
  d.SetOnClipChange([](TComponent*) {});
  EXPECT_EQ(d.WindowHandle(), nullptr);
  EXPECT_TRUE(static_cast<bool>(d.OnClipChange()));
}

TEST(NkClipDetector, ChainLinksFollowTheLeavingViewer) {
  TComponent owner(nullptr);
  auto& d = owner.Add<TNkClipDetector>();
  d.SetOnClipChange([](TComponent*) {});
  HWND self = d.WindowHandle();
  const HWND fake = reinterpret_cast<HWND>(0x1234);
  // Our next viewer leaves: the link takes lParam, nothing is forwarded.
  SendMessageW(self, WM_CHANGECBCHAIN, reinterpret_cast<WPARAM>(d.NextViewer()),
               reinterpret_cast<LPARAM>(fake));
  EXPECT_EQ(d.NextViewer(), fake);
  // Another viewer leaves: forwarded (to a window that doesn't exist: reply 0), link kept.
  EXPECT_EQ(SendMessageW(self, WM_CHANGECBCHAIN, 0x999, 0), 0);
  EXPECT_EQ(d.NextViewer(), fake);
  SendMessageW(self, WM_CHANGECBCHAIN, reinterpret_cast<WPARAM>(fake), 0);
  EXPECT_EQ(d.NextViewer(), nullptr);
}

namespace {
std::vector<std::string> order;
struct Named : TComponent {
  Named(TComponent* owner, std::string n) : TComponent(owner) { SetName(std::move(n)); }
  ~Named() override { order.push_back("~" + Name()); }
  void Notification(TComponent* c, TOperation op) override {
    if (op == TOperation::opRemove) order.push_back(Name() + " hears " + c->Name());
  }
  void Loaded() override {
    TComponent::Loaded();
    order.push_back("loaded " + Name());
  }
};
}  // namespace

TEST(TComponent, OwnerLoadsInOrderAndDestroysInReverseWithRemovalNotices) {
  order.clear();
  {
    Named owner(nullptr, "form");
    owner.BeginLoad();
    auto& a = owner.Add<Named>("a");
    owner.Add<Named>("b");
    EXPECT_TRUE(a.Loading());
    owner.EndLoad();
    EXPECT_FALSE(a.Loading());
    EXPECT_EQ(owner.FindComponent("b")->Name(), "b");
  }
  // The owner's own destructor body has run when its components go; the
  // components still alive hear of each removal.
  EXPECT_EQ(order, (std::vector<std::string>{"loaded a", "loaded b", "loaded form", "~form", "a hears b",
                                             "~b", "~a"}));
}
