// Windows services through the Service Control Manager (NT family only; on Windows 9x
// every call answers false). Start, stop, remove and the running test take the display
// name. Waits for a state are bounded and pump messages.
#pragma once
#include <string>

bool StartNtService(const std::string& displayName, bool showBar);
bool StopNtService(const std::string& displayName, bool showBar);
bool CreateNtService(const std::string& programFile, const std::string& serviceName, const std::string& displayName,
                     bool showBar);
bool RemoveNtService(const std::string& displayName, bool showBar);
bool IsNtServiceRunning(const std::string& displayName);
// Text of a service state for the trace.
std::string ServiceStateText(unsigned long state);
// How long start, stop and remove wait for the awaited state (ms); tests shorten it.
void SetServiceWaitLimit(unsigned long ms);
