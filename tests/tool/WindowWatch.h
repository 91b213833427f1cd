/* The table that the window watch's hook library fills and the test tool reads: one named,
   shared block of memory, one slot per watched process, each slot a list of window events
   written in the watched process as they happen. */
#pragma once
#include <windows.h>

#define KV_WATCH_MAPPING "KvTestToolWindowWatch"
#define KV_WATCH_SLOTS 32
#define KV_WATCH_EVENTS 1024

enum { KV_WATCH_CREATED, KV_WATCH_SHOWN, KV_WATCH_HIDDEN, KV_WATCH_MOVED, KV_WATCH_DESTROYED };

typedef struct {
  volatile LONG ready; /* set once the rest is written */
  LONG kind;
  DWORD at;            /* GetTickCount() in the watched process */
  DWORD wnd;
  RECT window;         /* window and client area, in screen coordinates */
  RECT client;
  char cls[64];
} KvWatchEvent;

typedef struct {
  volatile LONG owner; /* process id of the watching test; 0: free */
  volatile LONG pid;   /* the watched process; 0: none */
  volatile LONG count; /* events written or being written, also past the end */
  KvWatchEvent events[KV_WATCH_EVENTS];
} KvWatchSlot;

typedef struct {
  KvWatchSlot slots[KV_WATCH_SLOTS];
} KvWatchTable;
