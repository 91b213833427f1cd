#include "Services.h"

#include <windows.h>

#include "Common.h"
#include "KMsgBox.h"
#include "SrvBar.h"
#include "U_DEBUG0.h"

namespace {

const DWORD kManagerAccess = 0xF003F;  // SC_MANAGER_ALL_ACCESS
const DWORD kServiceAccess = 0xF01FF;  // SERVICE_ALL_ACCESS
DWORD g_waitLimit = 30000;

// The manager and one service, closed together; the bar shown for the time it lives.
class ServiceSession {
 public:
  ServiceSession(const std::string& action, const std::string& displayName, bool showBar) : bar_(showBar) {
    if (bar_) ShowServiceBar(action, displayName);
    manager_ = OpenSCManagerA(nullptr, "ServicesActive", kManagerAccess);
    if (!manager_ || displayName.empty()) return;
    char keyName[256] = "";
    DWORD size = sizeof keyName;
    if (GetServiceKeyNameA(manager_, displayName.c_str(), keyName, &size))
      service_ = OpenServiceA(manager_, keyName, kServiceAccess);
  }
  ~ServiceSession() {
    if (service_) CloseServiceHandle(service_);
    if (manager_) CloseServiceHandle(manager_);
    if (bar_) FreeServiceBar();
  }
  ServiceSession(const ServiceSession&) = delete;
  ServiceSession& operator=(const ServiceSession&) = delete;

  SC_HANDLE Manager() const { return manager_; }
  SC_HANDLE Service() const { return service_; }
  DWORD State() const {
    SERVICE_STATUS status = {};
    return service_ && QueryServiceStatus(service_, &status) ? status.dwCurrentState : 0;
  }
  void TraceState() const { WriteDebugLine(ServiceStateText(State())); }
  // Waits, pumping messages, until the state is the wanted one; gives up after the limit
  // or once the service settles in another state than the pending one it passes through.
  bool WaitFor(DWORD wanted, DWORD pending) const {
    const DWORD start = GetTickCount();
    for (;;) {
      const DWORD state = State();
      if (state == wanted) return true;
      if (state != pending && GetTickCount() - start > 1000) return false;
      if (GetTickCount() - start >= g_waitLimit) return false;
      PumpMessagesSleeping(100);
    }
  }
  bool Stop() const {
    SERVICE_STATUS status = {};
    return ControlService(service_, SERVICE_CONTROL_STOP, &status) != 0;
  }

 private:
  bool bar_;
  SC_HANDLE manager_ = nullptr;
  SC_HANDLE service_ = nullptr;
};

// A program path with a blank goes quoted, so that the manager does not take its first
// word for the program.
std::string QuotedProgram(const std::string& path) {
  if (path.find(' ') == std::string::npos || (!path.empty() && path[0] == '"')) return path;
  return "\"" + path + "\"";
}

// The frame of start, stop and remove: the session, the state before and after the work.
template <class Work>
bool WithService(const char* action, const std::string& displayName, bool showBar, Work work) {
  if (!IsWinNT()) return false;
  ServiceSession s(action, displayName, showBar);
  if (!s.Service()) return false;
  s.TraceState();
  const bool ok = work(s);
  s.TraceState();
  return ok;
}

}  // namespace

std::string ServiceStateText(unsigned long state) {
  switch (state) {
    case 1: return "The service is not running.";
    case 2: return "The service is starting.";
    case 3: return "The service is stopping.";
    case 4: return "The service is running.";
    case 5: return "The service continue is pending.";
    case 6: return "The service pause is pending.";
    case 7: return "The service is paused.";
    default: return "Unknown state condition";
  }
}

void SetServiceWaitLimit(unsigned long ms) { g_waitLimit = ms; }

bool StartNtService(const std::string& displayName, bool showBar) {
  return WithService("STARTING Service:", displayName, showBar, [](const ServiceSession& s) {
    return StartServiceA(s.Service(), 0, nullptr) && s.WaitFor(SERVICE_RUNNING, SERVICE_START_PENDING);
  });
}

bool StopNtService(const std::string& displayName, bool showBar) {
  return WithService("STOPING Service:", displayName, showBar,
                     [](const ServiceSession& s) { return s.Stop() && s.WaitFor(SERVICE_STOPPED, SERVICE_STOP_PENDING); });
}

bool RemoveNtService(const std::string& displayName, bool showBar) {
  return WithService("REMOVING Service:", displayName, showBar, [](const ServiceSession& s) {
    if (s.State() == SERVICE_RUNNING && s.Stop()) s.WaitFor(SERVICE_STOPPED, SERVICE_STOP_PENDING);
    return DeleteService(s.Service()) != 0;
  });
}

bool CreateNtService(const std::string& programFile, const std::string& serviceName, const std::string& displayName,
                     bool showBar) {
  if (!IsWinNT()) return false;
  ServiceSession s("CREATING Service:", displayName, showBar);
  if (!s.Manager() || serviceName.empty()) return false;
  SC_HANDLE service = CreateServiceA(s.Manager(), serviceName.c_str(), displayName.c_str(), kServiceAccess,
                                     SERVICE_WIN32_OWN_PROCESS, SERVICE_AUTO_START, SERVICE_ERROR_NORMAL,
                                     QuotedProgram(programFile).c_str(), nullptr, nullptr, nullptr, nullptr, nullptr);
  if (!service) return false;
  SERVICE_STATUS status = {};
  WriteDebugLine(ServiceStateText(QueryServiceStatus(service, &status) ? status.dwCurrentState : 0));
  CloseServiceHandle(service);
  return true;
}

bool IsNtServiceRunning(const std::string& displayName) {
  if (!IsWinNT()) return false;
  ServiceSession s("", displayName, false);
  return s.Service() && s.State() == SERVICE_RUNNING;
}
