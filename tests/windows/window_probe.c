/* Another program on the same desktop, looking at the updater's windows the
 * way tools and the suite's programs do: by the ids of the menu items,
 * controls and resources, through the system's own calls. (Menus and fonts
 * of another process cannot be read under Wine, nor fonts on Windows: the
 * live menu is tried by the keyboard, the program's menu read from its
 * resources.) One command per run, its findings on standard output, one per
 * line:
 *   window_probe post ID               posts WM_COMMAND ID to the main window
 *   window_probe dialog TITLE          the dialog's controls: "control ID CLASS "TEXT""
 *   window_probe press TITLE ID        clicks the dialog's button ID
 *   window_probe list                  the styles of the form's list (control 1000)
 *   window_probe resources PROGRAM     the program's first icon group, its resources,
 *                                      menu 128 ("item ID TEXT") and accelerators 128
 *                                      ("accel ID")
 * The main window is the top-level window whose title ends in " - update";
 * a window is waited for up to 20 seconds. Exit status 1 when a window is not
 * found. */
#include <windows.h>
//
#include <commctrl.h>
#include <stdio.h>
#include <wchar.h>

static const wchar_t kMainTitleEnd[] = L" - update";

struct Search {
  const wchar_t* title; /* exact, or NULL for the main window */
  HWND found;
};

static BOOL CALLBACK match_window(HWND window, LPARAM context) {
  struct Search* search = (struct Search*)context;
  wchar_t title[256];
  if (!IsWindowVisible(window) || GetWindowTextW(window, title, 256) == 0)
    return TRUE;
  const size_t length = wcslen(title);
  const size_t end = wcslen(kMainTitleEnd);
  const int matches = search->title != NULL
                          ? wcscmp(title, search->title) == 0
                          : length > end && wcscmp(title + length - end, kMainTitleEnd) == 0;
  if (matches) {
    search->found = window;
    return FALSE;
  }
  return TRUE;
}

static HWND wait_for_window(const wchar_t* title) {
  struct Search search = {title, NULL};
  for (int tries = 0; tries < 200 && search.found == NULL; ++tries) {
    EnumWindows(match_window, (LPARAM)&search);
    if (search.found == NULL)
      Sleep(100);
  }
  if (search.found == NULL)
    printf("no window %ls\n", title != NULL ? title : L"<...> - update");
  return search.found;
}

static void print_menu(HMENU menu) {
  const int count = GetMenuItemCount(menu);
  for (int i = 0; i < count; ++i) {
    wchar_t text[128];
    MENUITEMINFOW item = {0};
    item.cbSize = sizeof item;
    item.fMask = MIIM_ID | MIIM_SUBMENU | MIIM_STRING;
    item.dwTypeData = text;
    item.cch = 128;
    if (!GetMenuItemInfoW(menu, (UINT)i, TRUE, &item))
      continue;
    if (item.hSubMenu != NULL)
      print_menu(item.hSubMenu);
    else
      printf("item %u %ls\n", item.wID, text);
  }
}

static BOOL CALLBACK print_control(HWND control, LPARAM unused) {
  (void)unused;
  wchar_t type[64];
  wchar_t text[128] = L"";
  GetClassNameW(control, type, 64);
  GetWindowTextW(control, text, 128);
  printf("control %d %ls \"%ls\"\n", GetDlgCtrlID(control), type, text);
  return TRUE;
}

struct ById {
  int id;
  HWND found;
};

static BOOL CALLBACK match_id(HWND control, LPARAM context) {
  struct ById* search = (struct ById*)context;
  if (GetDlgCtrlID(control) == search->id) {
    search->found = control;
    return FALSE;
  }
  return TRUE;
}

static HWND descendant(HWND window, int id) {
  struct ById search = {id, NULL};
  EnumChildWindows(window, match_id, (LPARAM)&search);
  return search.found;
}

static void print_flag(const char* name, LONG_PTR bits, LONG_PTR flag) {
  printf("%s=%d\n", name, (bits & flag) != 0);
}

static int probe_list(HWND main) {
  const HWND list = descendant(main, 1000);
  if (list == NULL)
    return 1;
  const LONG_PTR style = GetWindowLongPtrW(list, GWL_STYLE);
  const LONG_PTR extended = GetWindowLongPtrW(list, GWL_EXSTYLE);
  const DWORD listStyle = (DWORD)SendMessageW(list, LVM_GETEXTENDEDLISTVIEWSTYLE, 0, 0);
  printf("report=%d\n", (style & LVS_TYPEMASK) == LVS_REPORT);
  print_flag("singlesel", style, LVS_SINGLESEL);
  print_flag("showselalways", style, LVS_SHOWSELALWAYS);
  print_flag("border", style, WS_BORDER);
  print_flag("tabstop", style, WS_TABSTOP);
  print_flag("clientedge", extended, WS_EX_CLIENTEDGE);
  print_flag("fullrowselect", listStyle, LVS_EX_FULLROWSELECT);
  print_flag("headerdragdrop", listStyle, LVS_EX_HEADERDRAGDROP);
  return 0;
}

static BOOL CALLBACK first_name(HMODULE module, LPCWSTR type, LPWSTR name, LONG_PTR context) {
  (void)module;
  (void)type;
  wchar_t* out = (wchar_t*)context;
  if (IS_INTRESOURCE(name))
    swprintf(out, 64, L"#%u", (unsigned)(ULONG_PTR)name);
  else
    swprintf(out, 64, L"%ls", name);
  return FALSE;
}

static int probe_resources(const wchar_t* program) {
  const HMODULE module = LoadLibraryExW(program, NULL, LOAD_LIBRARY_AS_DATAFILE);
  if (module == NULL) {
    printf("cannot load %ls\n", program);
    return 1;
  }
  wchar_t first[64] = L"(none)";
  EnumResourceNamesW(module, (LPCWSTR)RT_GROUP_ICON, first_name, (LONG_PTR)first);
  printf("first-icon-group %ls\n", first);
  const struct {
    const char* name;
    LPCWSTR type;
    int id;
  } wanted[] = {{"menu", (LPCWSTR)RT_MENU, 128},
                {"menu", (LPCWSTR)RT_MENU, 130},
                {"accelerators", (LPCWSTR)RT_ACCELERATOR, 128},
                {"dialog", (LPCWSTR)RT_DIALOG, 100},
                {"dialog", (LPCWSTR)RT_DIALOG, 101},
                {"dialog", (LPCWSTR)RT_DIALOG, 104},
                {"dialog", (LPCWSTR)RT_DIALOG, 133}};
  for (size_t i = 0; i < sizeof wanted / sizeof wanted[0]; ++i)
    printf("%s %d %s\n", wanted[i].name, wanted[i].id,
           FindResourceW(module, MAKEINTRESOURCEW(wanted[i].id), wanted[i].type) != NULL
               ? "found"
               : "missing");
  wchar_t text[64] = L"";
  LoadStringW(module, 57344, text, 64);
  printf("string 57344 %ls\n", text);
  const HMENU menu = LoadMenuW(module, MAKEINTRESOURCEW(128));
  if (menu != NULL)
    print_menu(menu);
  const HACCEL accelerators = LoadAcceleratorsW(module, MAKEINTRESOURCEW(128));
  ACCEL entries[32];
  const int count = accelerators != NULL ? CopyAcceleratorTableW(accelerators, entries, 32) : 0;
  for (int i = 0; i < count; ++i)
    printf("accel %u\n", entries[i].cmd);
  return 0;
}

int wmain(int argc, wchar_t** argv) {
  if (argc < 2)
    return 2;
  const wchar_t* command = argv[1];
  if (wcscmp(command, L"resources") == 0 && argc == 3)
    return probe_resources(argv[2]);
  if (wcscmp(command, L"dialog") == 0 && argc == 3) {
    const HWND dialog = wait_for_window(argv[2]);
    if (dialog == NULL)
      return 1;
    EnumChildWindows(dialog, print_control, 0);
    return 0;
  }
  if (wcscmp(command, L"press") == 0 && argc == 4) {
    const HWND dialog = wait_for_window(argv[2]);
    const HWND button = dialog != NULL ? GetDlgItem(dialog, _wtoi(argv[3])) : NULL;
    if (button == NULL)
      return 1;
    PostMessageW(button, BM_CLICK, 0, 0);
    return 0;
  }
  const HWND main = wait_for_window(NULL);
  if (main == NULL)
    return 1;
  if (wcscmp(command, L"post") == 0 && argc == 3)
    return PostMessageW(main, WM_COMMAND, (WPARAM)_wtoi(argv[2]), 0) ? 0 : 1;
  if (wcscmp(command, L"list") == 0)
    return probe_list(main);
  return 2;
}
