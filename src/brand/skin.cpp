#include "brand/skin.h"

#include <mutex>

#include "support/log.h"
#include "support/settings.h"

namespace {

std::mutex g_skinMutex;
std::string g_activeSkin;

}  // namespace

void SetSkin(std::string_view skin) {
  const std::string passed(skin);
  Log("SetSkin(%s)", passed.c_str());
  std::string stored;
  {
    std::lock_guard lock(g_skinMutex);
    g_activeSkin = passed;
    if (g_activeSkin == "LB")
      g_activeSkin = "Lumbry";
    stored = g_activeSkin;
  }
  // The skin holds for this run all the same; the next run would not know it.
  if (!WriteProfileString("general", "skin", stored))
    Log("the skin %s could not be saved in %s", stored.c_str(), ProfileWindowsPath().c_str());
}

std::string GetSkin() {
  std::lock_guard lock(g_skinMutex);
  if (g_activeSkin.empty()) {
    g_activeSkin = GetProfileString("general", "skin", "ostrel");
    // Older installations were branded under these names; they are the
    // maker's own brand now.
    if (g_activeSkin == "Mirlode")
      g_activeSkin = "ostrel";
    if (g_activeSkin == "ocsys")
      g_activeSkin = "ostrel";
  }
  return g_activeSkin;
}

void ForgetSkin() {
  std::lock_guard lock(g_skinMutex);
  g_activeSkin.clear();
}
