#include "platform/desktop_notification.h"

#include <gio/gio.h>
#include <spawn.h>
#include <unistd.h>

#include <filesystem>
#include <memory>
#include <system_error>

extern char** environ;

namespace platform {

namespace {

constexpr const char* kService = "org.freedesktop.Notifications";
constexpr const char* kPath = "/org/freedesktop/Notifications";
constexpr const char* kInterface = "org.freedesktop.Notifications";
// A call the service does not answer within this long has failed.
constexpr int kCallTimeoutMs = 10000;

struct Waiting {
  guint32 id = 0;
  bool chosen = false;
  GMainLoop* loop = nullptr;
};

void OnSignal(GDBusConnection*, const gchar*, const gchar*, const gchar*, const gchar* signal,
              GVariant* parameters, gpointer data) {
  auto& waiting = *static_cast<Waiting*>(data);
  guint32 id = 0;
  if (g_strcmp0(signal, "ActionInvoked") == 0) {
    const gchar* action = nullptr;
    g_variant_get(parameters, "(u&s)", &id, &action);
    if (id != waiting.id)
      return;
    waiting.chosen = true;
  } else {
    guint32 reason = 0;
    g_variant_get(parameters, "(uu)", &id, &reason);
    if (id != waiting.id)
      return;
  }
  g_main_loop_quit(waiting.loop);
}

gboolean OnPatienceEnded(gpointer data) {
  g_main_loop_quit(static_cast<GMainLoop*>(data));
  return G_SOURCE_REMOVE;
}

std::string Reason(GError* error) {
  std::string text = error != nullptr ? error->message : "unknown error";
  g_clear_error(&error);
  return text;
}

}  // namespace

bool ShowDesktopNotification(const std::string& title, const std::string& text,
                             std::chrono::seconds patience, std::string& problem) {
  // A context of this call's own, so that the signals come to this loop
  // whatever else the thread runs.
  GMainContext* context = g_main_context_new();
  g_main_context_push_thread_default(context);
  GError* error = nullptr;
  GDBusConnection* bus = g_bus_get_sync(G_BUS_TYPE_SESSION, nullptr, &error);
  bool chosen = false;
  if (bus == nullptr) {
    problem = "no session bus: " + Reason(error);
  } else {
    Waiting waiting;
    waiting.loop = g_main_loop_new(context, FALSE);
    // Subscribed before the notification exists: a quick answer is not lost.
    const guint invoked = g_dbus_connection_signal_subscribe(
        bus, kService, kInterface, "ActionInvoked", kPath, nullptr, G_DBUS_SIGNAL_FLAGS_NONE,
        OnSignal, &waiting, nullptr);
    const guint closed = g_dbus_connection_signal_subscribe(
        bus, kService, kInterface, "NotificationClosed", kPath, nullptr, G_DBUS_SIGNAL_FLAGS_NONE,
        OnSignal, &waiting, nullptr);
    GVariantBuilder actions;
    g_variant_builder_init(&actions, G_VARIANT_TYPE("as"));
    // "default" is what a click on the notification itself invokes.
    g_variant_builder_add(&actions, "s", "default");
    g_variant_builder_add(&actions, "s", "Open");
    GVariantBuilder hints;
    g_variant_builder_init(&hints, G_VARIANT_TYPE("a{sv}"));
    g_variant_builder_add(&hints, "{sv}", "desktop-entry", g_variant_new_string("ostrel-update"));
    GVariant* reply = g_dbus_connection_call_sync(
        bus, kService, kPath, kInterface, "Notify",
        g_variant_new("(susssasa{sv}i)", "ostrel-update", 0u, "system-software-update",
                      title.c_str(), text.c_str(), &actions, &hints, -1),
        G_VARIANT_TYPE("(u)"), G_DBUS_CALL_FLAGS_NONE, kCallTimeoutMs, nullptr, &error);
    if (reply == nullptr) {
      problem = "the notification service did not take it: " + Reason(error);
    } else {
      g_variant_get(reply, "(u)", &waiting.id);
      g_variant_unref(reply);
      GSource* timer = g_timeout_source_new_seconds(static_cast<guint>(patience.count()));
      g_source_set_callback(timer, OnPatienceEnded, waiting.loop, nullptr);
      g_source_attach(timer, context);
      g_main_loop_run(waiting.loop);
      g_source_destroy(timer);
      g_source_unref(timer);
      chosen = waiting.chosen;
      if (!chosen) {
        // Withdrawn, so that a choice nobody waits for any more cannot be made.
        GVariant* done = g_dbus_connection_call_sync(
            bus, kService, kPath, kInterface, "CloseNotification", g_variant_new("(u)", waiting.id),
            nullptr, G_DBUS_CALL_FLAGS_NONE, kCallTimeoutMs, nullptr, nullptr);
        if (done != nullptr)
          g_variant_unref(done);
      }
    }
    g_dbus_connection_signal_unsubscribe(bus, invoked);
    g_dbus_connection_signal_unsubscribe(bus, closed);
    g_main_loop_unref(waiting.loop);
    g_object_unref(bus);
  }
  g_main_context_pop_thread_default(context);
  g_main_context_unref(context);
  return chosen;
}

bool StartUpdaterWindow() {
  std::error_code ec;
  const std::filesystem::path self = std::filesystem::read_symlink("/proc/self/exe", ec);
  if (ec)
    return false;
  const std::string program = self.string();
  char* const arguments[] = {const_cast<char*>(program.c_str()), nullptr};
  posix_spawnattr_t attributes;
  posix_spawnattr_init(&attributes);
  // A session of its own: the window stays when the check's service ends.
  posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETSID);
  pid_t child = 0;
  const int failed = posix_spawn(&child, program.c_str(), nullptr, &attributes, arguments, environ);
  posix_spawnattr_destroy(&attributes);
  return failed == 0;
}

}  // namespace platform
