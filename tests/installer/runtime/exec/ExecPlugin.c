/* A plug-in DLL of the execute-operation engine, for the tests. Built twice: with and
   without GetExecutionAlias. Condition names come from this DLL's own data, so the engine
   must copy them before it frees the library. */
#include <windows.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#define EXPORT __declspec(dllexport)

static const char kLongName[] =
    "Kv Long Name 0123456789012345678901234567890123456789012345678901234567890123456789"
    "0123456789012345678901234567890123456789012345678901234567890123456789012345678901234567"
    "0123456789012345678901234567890123456789012345678901234567890123456789012345678901234567"
    "0123456789012345678901234567890123456789";
static const char* const kConditions[10] = {"Kv Stage Is", NULL, "Kv Texts Equal", "", NULL, NULL, NULL, NULL, NULL,
                                            kLongName};

EXPORT const char* __cdecl GetConditionAlias(int index, char* buffer) {
  (void)buffer;
  return index >= 0 && index < 10 ? kConditions[index] : NULL;
}

/* True when the stage is the number p1. */
EXPORT int __cdecl GetCondition_0(HWND owner, int stage, const char* p1, const char* relation, const char* p2) {
  (void)owner, (void)relation, (void)p2;
  return stage == atoi(p1) ? 1 : 0;
}

/* 1 when relation is "=" and the texts are equal; otherwise 2, which is no true. */
EXPORT int __cdecl GetCondition_2(HWND owner, int stage, const char* p1, const char* relation, const char* p2) {
  (void)owner, (void)stage;
  return strcmp(relation, "=") == 0 && strcmp(p1, p2) == 0 ? 1 : 2;
}

EXPORT int __cdecl GetCondition_9(HWND owner, int stage, const char* p1, const char* relation, const char* p2) {
  (void)owner, (void)stage, (void)p1, (void)relation, (void)p2;
  return 1;
}

#ifndef NO_EXECUTION_ALIAS
static const char* const kExecutions[10] = {"Kv Write File", "Kv Answer Two", "Kv Missing Export"};

EXPORT const char* __cdecl GetExecutionAlias(int index, char* buffer) {
  if (index < 0 || index >= 10 || !kExecutions[index]) return "";
  strcpy(buffer, kExecutions[index]);
  return buffer;
}
#endif

/* Writes "stage=<n> text=<p2>" into the file p1. */
EXPORT int __cdecl SetExecution_0(HWND owner, int stage, const char* p1, const char* p2) {
  FILE* f = fopen(p1, "wb");
  (void)owner;
  if (!f) return 0;
  fprintf(f, "stage=%d text=%s", stage, p2);
  fclose(f);
  return 1;
}

EXPORT int __cdecl SetExecution_1(HWND owner, int stage, const char* p1, const char* p2) {
  (void)owner, (void)stage, (void)p1, (void)p2;
  return 2;
}
/* SetExecution_2 is missing on purpose. */
