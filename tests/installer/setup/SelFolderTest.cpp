#include "SelFolder.h"

#include <windows.h>
#include <commctrl.h>
#include <shlobj.h>

#include <gtest/gtest.h>

#include <atomic>
#include <functional>
#include <thread>

#include "Files.h"
#include "TestTool.h"
#include "Utils.h"

namespace {

bool HasText(HWND dlg, const std::string& text) {
  for (const std::string& t : tt::ControlTexts(dlg))
    if (EqualTextNoCase(t, text)) return true;
  return false;
}

// Opens the folder dialog on this thread while `act` plays the user at it on another;
// `act` must end the dialog. It begins once the start-up is done, which shows an existing
// initial folder as the status (under load the shell takes seconds to select it).
bool Browse(const std::string& caption, const std::string& root, bool allowNew, std::string& folder,
            const std::function<void(HWND)>& act) {
  std::atomic<bool> returned{false};
  const std::string initial = DirectoryExists(folder) ? folder : std::string();
  std::thread user([&] {
    HWND dlg = tt::WaitForWindow("#32770", caption, 20000, GetCurrentProcessId());
    ASSERT_NE(dlg, nullptr) << "no dialog captioned " << caption;
    if (!initial.empty()) tt::WaitUntil([&] { return HasText(dlg, initial); }, 15000);
    Sleep(500);  // the rest of the start-up after the status
    act(dlg);
    for (int i = 0; i < 500 && !returned; ++i) Sleep(10);
    if (!returned) {
      ADD_FAILURE() << "dialog still open";
      tt::ClickButtonId(dlg, IDCANCEL);
    }
  });
  bool ok = BrowseForFolder(caption, "Pick the folder", root, allowNew, folder);
  returned = true;
  user.join();
  return ok;
}

POINT TopLeft(HWND wnd) {
  RECT r;
  GetWindowRect(wnd, &r);
  return {r.left, r.top};
}

bool VisibleButton(HWND dlg, const std::string& text) {
  for (HWND c : tt::Children(dlg))
    if (tt::ClassOf(c) == "Button" && tt::WindowText(c) == text && IsWindowVisible(c)) return true;
  return false;
}

std::string TreeRoot(HWND dlg) {
  HWND tree = tt::FindChild(dlg, "SysTreeView32");
  return tree ? TreeItemText(tree, TreeView_GetRoot(tree)) : std::string();
}

// Opens the selected folder in the tree and selects its child of that name, as a click does.
bool ClickTreeChild(HWND dlg, const std::string& name) {
  HWND tree = tt::FindChild(dlg, "SysTreeView32");
  if (!tree) return false;
  HTREEITEM sel = TreeView_GetSelection(tree);
  TreeView_Expand(tree, sel, TVE_EXPAND);
  for (HTREEITEM h = TreeView_GetChild(tree, sel); h; h = TreeView_GetNextSibling(tree, h))
    if (EqualTextNoCase(TreeItemText(tree, h), name)) return TreeView_SelectItem(tree, h) != FALSE;
  return false;
}

}  // namespace

// Kept first: it needs the process's first dialog.
TEST(BrowseForFolder, FirstOpensCentredAndTheNextWhereTheUserLeftIt) {
  std::string folder = tt::ScratchDir("browse_place");
  POINT first = {-1, -1}, second = {-1, -1};
  EXPECT_FALSE(Browse("Browse place one", "", false, folder, [&](HWND dlg) {
    first = TopLeft(dlg);
    SetWindowPos(dlg, nullptr, 37, 41, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
    Sleep(700);  // the watcher looks every 200 ms
    tt::ClickButtonId(dlg, IDCANCEL);
  }));
  EXPECT_EQ((GetSystemMetrics(SM_CXSCREEN) - 560) / 2, first.x);
  EXPECT_EQ((GetSystemMetrics(SM_CYSCREEN) - 520) / 2, first.y);
  EXPECT_FALSE(Browse("Browse place two", "", false, folder, [&](HWND dlg) {
    second = TopLeft(dlg);
    tt::ClickButtonId(dlg, IDCANCEL);
  }));
  EXPECT_EQ(37, second.x);
  EXPECT_EQ(41, second.y);
}

TEST(BrowseForFolder, StartsAtAnExistingFolderAndOkReturnsIt) {
  const std::string there = tt::ScratchDir("browse_start");
  const std::string missing = there + "\\not here";
  const struct {
    std::string initial;
    bool press_ok;
    bool chosen;
    std::string status;  // the path the status text holds
    std::string result;
  } cases[] = {
      {there, true, true, there, there},
      {missing, false, false, "", missing},  // not selected; Cancel leaves the caller's text
      {there, false, false, there, there},
  };
  for (const auto& c : cases) {
    std::string folder = c.initial;
    bool statusShown = false, missingShown = true, otherWindowEnabled = true;
    HWND other = CreateWindowExA(0, "STATIC", "other window", WS_OVERLAPPED | WS_VISIBLE, 0, 0, 100, 50, nullptr,
                                 nullptr, nullptr, nullptr);
    bool ok = Browse("Browse start", "", false, folder, [&](HWND dlg) {
      statusShown = !c.status.empty() && HasText(dlg, c.status);
      missingShown = HasText(dlg, missing);
      otherWindowEnabled = IsWindowEnabled(other) != FALSE;
      tt::ClickButtonId(dlg, c.press_ok ? IDOK : IDCANCEL);
    });
    EXPECT_EQ(c.chosen, ok) << c.initial;
    EXPECT_TRUE(EqualTextNoCase(c.result, folder)) << c.initial << " gave " << folder;
    EXPECT_EQ(!c.status.empty(), statusShown) << c.initial;
    EXPECT_FALSE(missingShown) << c.initial;
    EXPECT_FALSE(otherWindowEnabled) << "the program's windows stay usable under the dialog";
    EXPECT_TRUE(IsWindowEnabled(other)) << "and are enabled again afterwards";
    DestroyWindow(other);
  }
}

TEST(BrowseForFolder, SelectionChangesShowTheirPathAsStatus) {
  const std::string parent = tt::ScratchDir("browse_change");
  const std::string child = parent + "\\inner";
  CreateDirectoryA(child.c_str(), nullptr);
  std::string folder = parent;
  bool before = false, after = false;
  EXPECT_TRUE(Browse("Browse change", "My Computer", false, folder, [&](HWND dlg) {
    before = HasText(dlg, parent);
    after = ClickTreeChild(dlg, "inner") && tt::WaitUntil([&] { return HasText(dlg, child); }, 5000);
    tt::ClickButtonId(dlg, IDOK);
  }));
  EXPECT_TRUE(before);
  EXPECT_TRUE(after);
  EXPECT_TRUE(EqualTextNoCase(child, folder)) << folder;
}

TEST(BrowseForFolder, RootNewFolderButtonAndCaption) {
  const std::string dir = tt::ScratchDir("browse_root");
  const struct {
    const char* root;
    bool allowNew;
    const char* treeRoot;
  } cases[] = {
      {"My Computer", true, "My Computer"},
      {"my computer", false, "My Computer"},
      {"", false, "Desktop"},
      {"No such item", true, "Desktop"},
  };
  for (const auto& c : cases) {
    std::string folder = dir, root, title;
    bool newButton = false;
    Browse("Browse root", c.root, c.allowNew, folder, [&](HWND dlg) {
      root = TreeRoot(dlg);
      newButton = VisibleButton(dlg, "&Make New Folder");
      title = tt::WindowText(dlg);
      tt::ClickButtonId(dlg, IDCANCEL);
    });
    EXPECT_EQ(c.treeRoot, root) << c.root;
    EXPECT_EQ(c.allowNew, newButton) << c.root;
    EXPECT_EQ("Browse root", title);
  }
}
