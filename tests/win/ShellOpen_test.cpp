// The settings form's shell open in this process: COM is started on the
// calling thread before the shell is called (the verb may be carried out by a
// COM handler) and ended with the form; a thread whose COM is set up otherwise
// keeps it, and the open still happens.
#include <gtest/gtest.h>

#include <objbase.h>

#include "Harness.h"
#include "uSetupForm.h"

using namespace harness;

namespace {
// The calling thread's apartment: "none" when COM is not started here.
std::string Apartment() {
  APTTYPE type{};
  APTTYPEQUALIFIER qualifier{};
  if (FAILED(CoGetApartmentType(&type, &qualifier))) return "none";
  return type == APTTYPE_STA || type == APTTYPE_MAINSTA ? "single" : type == APTTYPE_MTA ? "multi" : "other";
}

size_t UrlsLogged() { return ReadUrlLog(EnvPath("BRIVOLA_URL_LOG")).size(); }
}  // namespace

TEST(ShellOpen, RunsInASingleThreadedApartmentThatEndsWithTheForm) {
  Application().Initialize();
  const struct {
    const char* what;
    DWORD before;  // COM set up on the thread beforehand: COINIT_ flags, or ~0u for none
    const char* during;
    const char* after;
  } rows[] = {
      {"no COM yet", ~0u, "single", "none"},
      {"a multi-threaded apartment already", COINIT_MULTITHREADED, "multi", "multi"},
  };
  for (const auto& row : rows) {
    const bool ownCom = row.before != ~0u && SUCCEEDED(CoInitializeEx(nullptr, row.before));
    auto& form = Application().Add<TSetupForm>();
    form.AfterConstruction();
    const size_t before = UrlsLogged();
    form.OpenUrl("http://www.tornhaven.jp/");
    EXPECT_EQ(Apartment(), row.during) << row.what;
    Application().RemoveComponent(&form);
    EXPECT_EQ(Apartment(), row.after) << row.what;
    EXPECT_TRUE(WaitUntil([&] { return UrlsLogged() > before; })) << row.what << ": nothing opened";
    if (ownCom) CoUninitialize();
  }
}
