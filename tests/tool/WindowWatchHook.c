/* Hook procedures of the test tool's window watch. While a watch is on, the system loads
   this library into every process that makes windows; in a watched process it writes the
   creation, showing, hiding, moves and end of each top-level window into the watch table,
   at the moment they happen, so none is lost when the process ends right after. */
#include <windows.h>

#include "WindowWatch.h"

static KvWatchTable* g_table;

static KvWatchTable* Table(void) {
  if (!g_table) {
    HANDLE mapping = OpenFileMappingA(FILE_MAP_WRITE, FALSE, KV_WATCH_MAPPING);
    if (!mapping) return NULL;
    g_table = (KvWatchTable*)MapViewOfFile(mapping, FILE_MAP_WRITE, 0, 0, sizeof(KvWatchTable));
    CloseHandle(mapping); /* the view keeps the table */
  }
  return g_table;
}

static int TopLevel(HWND wnd) { return !(GetWindowLongA(wnd, GWL_STYLE) & WS_CHILD); }

static void Note(LONG kind, HWND wnd) {
  KvWatchTable* table = Table();
  const LONG me = (LONG)GetCurrentProcessId();
  int i;
  if (!table) return;
  for (i = 0; i < KV_WATCH_SLOTS; ++i) {
    KvWatchSlot* slot = &table->slots[i];
    KvWatchEvent* e;
    LONG n;
    if (slot->pid != me) continue;
    n = InterlockedIncrement(&slot->count) - 1;
    if (n >= KV_WATCH_EVENTS) continue; /* full: the reader sees it by the count */
    e = &slot->events[n];
    e->kind = kind;
    e->at = GetTickCount();
    e->wnd = (DWORD)(ULONG_PTR)wnd;
    GetWindowRect(wnd, &e->window);
    GetClientRect(wnd, &e->client);
    MapWindowPoints(wnd, NULL, (POINT*)&e->client, 2);
    if (GetClassNameA(wnd, e->cls, sizeof e->cls) <= 0) e->cls[0] = 0;
    InterlockedExchange(&e->ready, 1);
  }
}

__declspec(dllexport) LRESULT CALLBACK KvWatchCbt(int code, WPARAM wp, LPARAM lp) {
  if (code == HCBT_CREATEWND) {
    const CBT_CREATEWNDA* c = (const CBT_CREATEWNDA*)lp;
    if (!(c->lpcs->style & WS_CHILD)) Note(KV_WATCH_CREATED, (HWND)wp);
  } else if (code == HCBT_DESTROYWND && TopLevel((HWND)wp)) {
    Note(KV_WATCH_DESTROYED, (HWND)wp);
  }
  return CallNextHookEx(NULL, code, wp, lp);
}

/* Every show, hide, move and size of a window ends in WM_WINDOWPOSCHANGED. */
__declspec(dllexport) LRESULT CALLBACK KvWatchSent(int code, WPARAM wp, LPARAM lp) {
  const CWPRETSTRUCT* m = (const CWPRETSTRUCT*)lp;
  if (code == HC_ACTION && m->message == WM_WINDOWPOSCHANGED && TopLevel(m->hwnd)) {
    const UINT flags = ((const WINDOWPOS*)m->lParam)->flags;
    if (flags & SWP_SHOWWINDOW)
      Note(KV_WATCH_SHOWN, m->hwnd);
    else if (flags & SWP_HIDEWINDOW)
      Note(KV_WATCH_HIDDEN, m->hwnd);
    else if ((flags & (SWP_NOMOVE | SWP_NOSIZE)) != (SWP_NOMOVE | SWP_NOSIZE))
      Note(KV_WATCH_MOVED, m->hwnd);
  }
  return CallNextHookEx(NULL, code, wp, lp);
}
