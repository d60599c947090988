#include "platform/top_windows.h"

#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <poll.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <mutex>
#include <optional>
#include <string>

#include "platform/codepage.h"

namespace platform {

// One connection and what its error handlers have seen since last asked.
struct XConnection {
  Display* display = nullptr;
  bool errorSeen = false;
  Atom netClientList = None;
  Atom netWmName = None;
  Atom utf8String = None;
  Atom wmProtocols = None;
  Atom wmDeleteWindow = None;
  Atom netCloseWindow = None;
  Atom netWmPid = None;
};

namespace {

// _NET_CLIENT_LIST is read whole up to this many windows.
constexpr long kMostClients = 65536;
// Enough of _NET_WM_NAME for 99 characters of up to four bytes each.
constexpr long kTitleBytes = 1024;
// Source indication of _NET_CLOSE_WINDOW: a pager or similar tool.
constexpr long kSourceOtherTool = 2;

// The X error handler is process-wide. While any connection of ours is open,
// ours is installed; errors on other connections (the GUI toolkit's) go on to
// the handler that was there before.
std::mutex g_registryMutex;
std::vector<XConnection*> g_connections;
XErrorHandler g_previousErrorHandler = nullptr;

XConnection* OurConnection(Display* display) {
  std::lock_guard lock(g_registryMutex);
  for (XConnection* connection : g_connections)
    if (connection->display == display)
      return connection;
  return nullptr;
}

int OnXError(Display* display, XErrorEvent* event) {
  if (XConnection* connection = OurConnection(display)) {
    connection->errorSeen = true;
    return 0;
  }
  return g_previousErrorHandler != nullptr ? g_previousErrorHandler(display, event) : 0;
}

void Register(XConnection* connection) {
  std::lock_guard lock(g_registryMutex);
  if (g_connections.empty())
    g_previousErrorHandler = XSetErrorHandler(OnXError);
  g_connections.push_back(connection);
}

void Unregister(XConnection* connection) {
  std::lock_guard lock(g_registryMutex);
  std::erase(g_connections, connection);
  if (!g_connections.empty())
    return;
  // Put the earlier handler back unless someone replaced ours meanwhile.
  if (XErrorHandler current = XSetErrorHandler(g_previousErrorHandler); current != OnXError)
    XSetErrorHandler(current);
}

// The items of a window's property when it holds items of `type` and
// `format` bits (at most `longs` 32-bit units of them); nullopt when it is
// missing or of another kind, or an X error came (errorSeen then says so).
// Xlib hands 32-bit items over as longs, which is what the bytes then hold.
std::optional<std::string> PropertyItems(XConnection& x, Window window, Atom property, Atom type,
                                         int format, long longs) {
  x.errorSeen = false;
  Atom actualType = None;
  int actualFormat = 0;
  unsigned long count = 0;
  unsigned long after = 0;
  unsigned char* data = nullptr;
  const int status = XGetWindowProperty(x.display, window, property, 0, longs, False, type,
                                        &actualType, &actualFormat, &count, &after, &data);
  std::optional<std::string> items;
  if (status == Success && !x.errorSeen && actualType == type && actualFormat == format &&
      data != nullptr) {
    const std::size_t itemSize = format == 32 ? sizeof(unsigned long) : 1;
    items.emplace(reinterpret_cast<const char*>(data), count * itemSize);
  }
  if (data != nullptr)
    XFree(data);
  return items;
}

unsigned long LongAt(const std::string& items, std::size_t at) {
  unsigned long value = 0;
  std::memcpy(&value, items.data() + at, sizeof value);
  return value;
}

std::string Latin1ToUtf8(const unsigned char* text, std::size_t length) {
  std::string utf8;
  for (std::size_t i = 0; i < length; ++i) {
    const unsigned char byte = text[i];
    if (byte < 0x80) {
      utf8 += static_cast<char>(byte);
    } else {
      utf8 += static_cast<char>(0xC0 | (byte >> 6));
      utf8 += static_cast<char>(0x80 | (byte & 0x3F));
    }
  }
  return utf8;
}

// WM_NAME may be Latin-1 (STRING), UTF-8, or compound text.
std::string TextPropertyToUtf8(Display* display, XTextProperty& property, Atom utf8String) {
  if (property.value == nullptr || property.format != 8)
    return {};
  if (property.encoding == utf8String)
    return std::string(reinterpret_cast<const char*>(property.value), property.nitems);
  if (property.encoding != XA_STRING) {
    char** list = nullptr;
    int count = 0;
    if (Xutf8TextPropertyToTextList(display, &property, &list, &count) >= Success &&
        list != nullptr) {
      std::string utf8;
      for (int i = 0; i < count; ++i)
        utf8 += list[i];
      XFreeStringList(list);
      return utf8;
    }
  }
  return Latin1ToUtf8(property.value, property.nitems);
}

std::string WindowsTitle(std::string_view utf8) {
  // The title ends where a C string would.
  utf8 = utf8.substr(0, utf8.find('\0'));
  std::string title = Utf8ToCp1252(utf8);
  if (title.size() > TopWindows::kLongestTitle)
    title.resize(TopWindows::kLongestTitle);
  return title;
}

}  // namespace

TopWindows::TopWindows(const char* displayName) : m_x(std::make_unique<XConnection>()) {
  Display* display = XOpenDisplay(displayName);
  if (display == nullptr)
    return;
  m_x->display = display;
  Register(m_x.get());

  const char* names[] = {"_NET_CLIENT_LIST", "_NET_WM_NAME",      "UTF8_STRING", "WM_PROTOCOLS",
                         "WM_DELETE_WINDOW", "_NET_CLOSE_WINDOW", "_NET_WM_PID"};
  Atom atoms[std::size(names)] = {};
  XInternAtoms(display, const_cast<char**>(names), std::size(names), False, atoms);
  m_x->netClientList = atoms[0];
  m_x->netWmName = atoms[1];
  m_x->utf8String = atoms[2];
  m_x->wmProtocols = atoms[3];
  m_x->wmDeleteWindow = atoms[4];
  m_x->netCloseWindow = atoms[5];
  m_x->netWmPid = atoms[6];
}

TopWindows::~TopWindows() {
  if (m_x->display == nullptr)
    return;
  // Closing flushes; errors that this raises still land with us.
  XCloseDisplay(m_x->display);
  Unregister(m_x.get());
}

bool TopWindows::Connected() const {
  return m_x->display != nullptr;
}

std::vector<TopWindows::WindowId> TopWindows::List() {
  std::vector<WindowId> windows;
  if (!Connected())
    return windows;
  Display* display = m_x->display;
  const Window root = DefaultRootWindow(display);

  if (const auto ids = PropertyItems(*m_x, root, m_x->netClientList, XA_WINDOW, 32, kMostClients)) {
    for (std::size_t at = 0; at + sizeof(unsigned long) <= ids->size(); at += sizeof(unsigned long))
      windows.push_back(LongAt(*ids, at));
    return windows;
  }

  Window rootReturn = None;
  Window parent = None;
  Window* children = nullptr;
  unsigned int childCount = 0;
  if (XQueryTree(display, root, &rootReturn, &parent, &children, &childCount) == 0)
    return windows;
  // The tree lists the bottom of the stack first; windows are enumerated
  // from the top.
  for (unsigned int i = childCount; i-- > 0;) {
    XWindowAttributes attributes{};
    m_x->errorSeen = false;
    if (XGetWindowAttributes(display, children[i], &attributes) != 0 && !m_x->errorSeen &&
        attributes.map_state != IsUnmapped)
      windows.push_back(children[i]);
  }
  if (children != nullptr)
    XFree(children);
  return windows;
}

std::optional<std::string> TopWindows::Title(WindowId window) {
  if (!Connected())
    return std::nullopt;
  Display* display = m_x->display;
  std::optional<std::string> utf8 =
      PropertyItems(*m_x, window, m_x->netWmName, m_x->utf8String, 8, kTitleBytes / 4);
  if (m_x->errorSeen)
    return std::nullopt;

  if (!utf8) {
    XTextProperty property{};
    if (XGetWMName(display, window, &property) != 0)
      utf8 = TextPropertyToUtf8(display, property, m_x->utf8String);
    if (property.value != nullptr)
      XFree(property.value);
    if (m_x->errorSeen)
      return std::nullopt;
  }
  return WindowsTitle(utf8.value_or(""));
}

std::optional<long> TopWindows::ProcessId(WindowId window) {
  if (!Connected())
    return std::nullopt;
  const auto items = PropertyItems(*m_x, window, m_x->netWmPid, XA_CARDINAL, 32, 1);
  if (!items || items->size() != sizeof(unsigned long))
    return std::nullopt;
  return static_cast<long>(LongAt(*items, 0));
}

TopWindows::CloseOutcome TopWindows::RequestClose(WindowId window,
                                                  std::chrono::milliseconds bound) {
  using Clock = std::chrono::steady_clock;
  const Clock::time_point deadline = Clock::now() + bound;
  if (!Connected())
    return CloseOutcome::Gone;
  Display* display = m_x->display;
  const Window root = DefaultRootWindow(display);
  m_x->errorSeen = false;

  // Told of the window's end from here on, so that no moment is missed.
  XSelectInput(display, window, StructureNotifyMask);
  bool takesDelete = false;
  Atom* protocols = nullptr;
  int protocolCount = 0;
  if (XGetWMProtocols(display, window, &protocols, &protocolCount) != 0) {
    takesDelete = std::find(protocols, protocols + protocolCount, m_x->wmDeleteWindow) !=
                  protocols + protocolCount;
    XFree(protocols);
  }
  XWindowAttributes attributes{};
  XGetWindowAttributes(display, window, &attributes);
  if (m_x->errorSeen)
    return CloseOutcome::Gone;

  XEvent request{};
  request.xclient.type = ClientMessage;
  request.xclient.window = window;
  request.xclient.format = 32;
  if (takesDelete) {
    request.xclient.message_type = m_x->wmProtocols;
    request.xclient.data.l[0] = static_cast<long>(m_x->wmDeleteWindow);
    request.xclient.data.l[1] = CurrentTime;
    XSendEvent(display, window, False, NoEventMask, &request);
  } else {
    request.xclient.message_type = m_x->netCloseWindow;
    request.xclient.data.l[0] = CurrentTime;
    request.xclient.data.l[1] = kSourceOtherTool;
    XSendEvent(display, root, False, SubstructureRedirectMask | SubstructureNotifyMask, &request);
  }
  XFlush(display);

  for (;;) {
    while (XPending(display) > 0) {
      XEvent event{};
      XNextEvent(display, &event);
      if (event.type == DestroyNotify && event.xdestroywindow.window == window)
        return CloseOutcome::Gone;
      if (event.type == UnmapNotify && event.xunmap.window == window)
        return CloseOutcome::Gone;
    }
    // An error now can only be about the window we asked: it has gone.
    if (m_x->errorSeen)
      return CloseOutcome::Gone;
    const auto left = std::chrono::ceil<std::chrono::milliseconds>(deadline - Clock::now());
    if (left.count() <= 0)
      return CloseOutcome::StillOpen;
    pollfd readable{ConnectionNumber(display), POLLIN, 0};
    if (::poll(&readable, 1, static_cast<int>(left.count())) < 0 && errno != EINTR)
      return CloseOutcome::StillOpen;
  }
}

}  // namespace platform
