#include "SelFolder.h"

#include <windows.h>
#include <commctrl.h>
#include <shlobj.h>

#include <atomic>
#include <vector>

#include "Common.h"
#include "Files.h"
#include "Forms.h"
#include "Utils.h"

#ifndef BIF_NONEWFOLDERBUTTON
#define BIF_NONEWFOLDERBUTTON 0x0200
#endif
#ifndef BFFM_SETEXPANDED
#define BFFM_SETEXPANDED (WM_USER + 106)
#endif

namespace {

// Where the last folder dialog stood (0 until the first one): written by the watcher
// thread while a dialog is open, read when the next one starts.
std::atomic<int> g_browseLeft{0}, g_browseTop{0}, g_browseWidth{0}, g_browseHeight{0};

struct BrowseState {
  std::string caption, initial;
  std::string selected;  // the path the dialog selected last
  int walkTicks = 0;
  std::atomic<HWND> dialog{nullptr};
  std::atomic<bool> stop{false};
  std::atomic<bool> watching{false};
};

void SetStatusText(HWND dialog, const std::string& text) {
  SendMessageA(dialog, BFFM_SETSTATUSTEXTA, 0, reinterpret_cast<LPARAM>(text.c_str()));
}

BOOL CALLBACK FindTree(HWND wnd, LPARAM found) {
  char cls[32] = "";
  GetClassNameA(wnd, cls, sizeof(cls));
  if (lstrcmpiA(cls, WC_TREEVIEWA) != 0) return TRUE;
  *reinterpret_cast<HWND*>(found) = wnd;
  return FALSE;
}

// The shell's dialog may stop at a parent of the folder asked for (under Wine, one made
// moments before): the rest of the way is walked by the folder names of the tree's items.
void SelectRestByName(HWND dialog, const std::string& selected, const std::string& wanted) {
  std::string base = selected;
  while (!base.empty() && base.back() == '\\') base.pop_back();
  if (base.empty() || wanted.size() <= base.size() + 1 || wanted[base.size()] != '\\' ||
      !EqualTextNoCase(wanted.substr(0, base.size()), base))
    return;
  HWND tree = nullptr;
  EnumChildWindows(dialog, FindTree, reinterpret_cast<LPARAM>(&tree));
  if (!tree) return;
  HTREEITEM start = reinterpret_cast<HTREEITEM>(SendMessageA(tree, TVM_GETNEXTITEM, TVGN_CARET, 0));
  HTREEITEM item = start;
  const std::string rest = "\\" + wanted.substr(base.size() + 1) + "\\";
  for (int i = 0, n = ListItemCount(rest); item && i < n; ++i) {
    const std::string name = GetListItem(rest, i);
    if (name.empty()) continue;
    SendMessageA(tree, TVM_EXPAND, TVE_EXPAND, reinterpret_cast<LPARAM>(item));
    HTREEITEM child = reinterpret_cast<HTREEITEM>(SendMessageA(tree, TVM_GETNEXTITEM, TVGN_CHILD, reinterpret_cast<LPARAM>(item)));
    while (child && !EqualTextNoCase(TreeItemText(tree, child), name))
      child = reinterpret_cast<HTREEITEM>(SendMessageA(tree, TVM_GETNEXTITEM, TVGN_NEXT, reinterpret_cast<LPARAM>(child)));
    item = child;
  }
  if (item && item != start) SendMessageA(tree, TVM_SELECTITEM, TVGN_CARET, reinterpret_cast<LPARAM>(item));
}

const char kStateProp[] = "KvBrowseState";
const UINT_PTR kCompleteTimer = 0x4B56;

// Once the dialog has selected something after its start, a stop short of the initial
// folder is completed by name; the user's own choices later are left alone.
void CALLBACK CompleteSelection(HWND wnd, UINT, UINT_PTR id, DWORD) {
  BrowseState* st = static_cast<BrowseState*>(GetPropA(wnd, kStateProp));
  if (st && st->selected.empty() && ++st->walkTicks < 20) return;
  KillTimer(wnd, id);
  RemovePropA(wnd, kStateProp);
  if (st && !EqualTextNoCase(st->selected, st->initial)) SelectRestByName(wnd, st->selected, st->initial);
}

int CALLBACK BrowseCallback(HWND wnd, UINT msg, LPARAM lp, LPARAM data) {
  BrowseState* st = reinterpret_cast<BrowseState*>(data);
  if (msg == BFFM_INITIALIZED) {
    st->dialog = wnd;
    if (!st->caption.empty()) SetWindowTextA(wnd, st->caption.c_str());
    SetWindowPos(wnd, nullptr, g_browseLeft, g_browseTop, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    if (!st->initial.empty()) {
      SendMessageA(wnd, BFFM_SETSELECTIONA, TRUE, reinterpret_cast<LPARAM>(st->initial.c_str()));
      std::vector<WCHAR> wide(st->initial.size() + 1);
      if (MultiByteToWideChar(CP_ACP, 0, st->initial.c_str(), -1, wide.data(), int(wide.size())) > 0)
        SendMessageW(wnd, BFFM_SETEXPANDED, TRUE, reinterpret_cast<LPARAM>(wide.data()));
      if (SetPropA(wnd, kStateProp, st)) SetTimer(wnd, kCompleteTimer, 100, CompleteSelection);
      SetStatusText(wnd, st->initial);
    }
  } else if (msg == BFFM_SELCHANGED) {
    char path[MAX_PATH] = "";
    st->selected.clear();
    if (SHGetPathFromIDListA(reinterpret_cast<LPCITEMIDLIST>(lp), path)) {
      st->selected = path;
      SetStatusText(wnd, path);
    }
  }
  return 0;
}

void WatchBrowseDialog(void* data) {
  BrowseState* st = static_cast<BrowseState*>(data);
  while (!st->stop) {
    HWND wnd = st->dialog;
    RECT rc;
    if (wnd && IsWindowVisible(wnd) && GetWindowRect(wnd, &rc)) {
      g_browseLeft = rc.left;
      g_browseTop = rc.top;
      g_browseWidth = rc.right - rc.left;
      g_browseHeight = rc.bottom - rc.top;
    }
    Sleep(200);
  }
  st->watching = false;
}

std::string DisplayName(IShellFolder* folder, LPITEMIDLIST item) {
  STRRET str;
  if (FAILED(folder->GetDisplayNameOf(item, SHGDN_NORMAL, &str))) return std::string();
  char text[MAX_PATH] = "";
  if (str.uType == STRRET_CSTR) {
    lstrcpynA(text, str.cStr, MAX_PATH);
  } else if (str.uType == STRRET_OFFSET) {
    lstrcpynA(text, reinterpret_cast<const char*>(item) + str.uOffset, MAX_PATH);
  } else if (str.uType == STRRET_WSTR) {
    WideCharToMultiByte(CP_ACP, 0, str.pOleStr, -1, text, MAX_PATH, nullptr, nullptr);
    CoTaskMemFree(str.pOleStr);
  }
  return text;
}

// The desktop's item of that display name; null (the desktop itself) when none.
LPITEMIDLIST RootItem(const std::string& name) {
  if (name.empty()) return nullptr;
  IShellFolder* desktop = nullptr;
  if (FAILED(SHGetDesktopFolder(&desktop))) return nullptr;
  LPITEMIDLIST found = nullptr;
  IEnumIDList* items = nullptr;
  if (SUCCEEDED(desktop->EnumObjects(nullptr, SHCONTF_FOLDERS, &items)) && items) {
    LPITEMIDLIST item;
    ULONG got;
    while (!found && items->Next(1, &item, &got) == S_OK) {
      if (EqualTextNoCase(DisplayName(desktop, item), name)) found = item;
      else CoTaskMemFree(item);
    }
    items->Release();
  }
  desktop->Release();
  return found;
}

BOOL CALLBACK CollectEnabled(HWND wnd, LPARAM list) {
  if (IsWindowVisible(wnd) && IsWindowEnabled(wnd)) reinterpret_cast<std::vector<HWND>*>(list)->push_back(wnd);
  return TRUE;
}

}  // namespace

bool BrowseForFolder(const std::string& windowCaption, const std::string& title, const std::string& rootDisplayName,
                     bool allowNewFolder, std::string& folder) {
  if (g_browseWidth == 0) {
    g_browseWidth = 560;
    g_browseHeight = 520;
    g_browseLeft = (GetSystemMetrics(SM_CXSCREEN) - 560) / 2;
    g_browseTop = (GetSystemMetrics(SM_CYSCREEN) - 520) / 2;
  }
  BrowseState* st = new BrowseState;
  st->caption = windowCaption;
  st->initial = DirectoryExists(folder) ? folder : std::string();
  const HRESULT init = OleInitialize(nullptr);
  HWND owner = GetActiveWindow();
  if (!owner && Application().MainForm()) owner = Application().MainForm()->Handle();
  BROWSEINFOA bi = {};
  bi.hwndOwner = owner;
  bi.pidlRoot = RootItem(rootDisplayName);
  bi.lpszTitle = title.c_str();
  bi.ulFlags = BIF_RETURNONLYFSDIRS | BIF_NEWDIALOGSTYLE | BIF_STATUSTEXT | (allowNewFolder ? 0 : BIF_NONEWFOLDERBUTTON);
  bi.lpfn = BrowseCallback;
  bi.lParam = reinterpret_cast<LPARAM>(st);
  // Modal over the whole program: its other windows take no input meanwhile.
  std::vector<HWND> disabled;
  EnumThreadWindows(GetCurrentThreadId(), CollectEnabled, reinterpret_cast<LPARAM>(&disabled));
  for (HWND w : disabled) EnableWindow(w, FALSE);
  st->watching = true;
  if (!RunInThread(WatchBrowseDialog, st)) st->watching = false;
  LPITEMIDLIST chosen = SHBrowseForFolderA(&bi);
  st->stop = true;
  while (st->watching) Sleep(10);
  delete st;
  for (HWND w : disabled)
    if (IsWindow(w)) EnableWindow(w, TRUE);
  if (owner && IsWindow(owner)) SetActiveWindow(owner);
  bool ok = false;
  if (chosen) {
    char path[MAX_PATH] = "";
    if (SHGetPathFromIDListA(chosen, path)) {
      folder = path;
      ok = true;
    }
    CoTaskMemFree(chosen);
  }
  if (bi.pidlRoot) CoTaskMemFree(const_cast<LPITEMIDLIST>(bi.pidlRoot));
  if (SUCCEEDED(init)) OleUninitialize();
  return ok;
}

std::string TreeItemText(HWND tree, HTREEITEM item) {
  char text[MAX_PATH] = "";
  TVITEMA tv = {};
  tv.mask = TVIF_TEXT;
  tv.hItem = item;
  tv.pszText = text;
  tv.cchTextMax = MAX_PATH;
  SendMessageA(tree, TVM_GETITEMA, 0, reinterpret_cast<LPARAM>(&tv));
  return text;
}
