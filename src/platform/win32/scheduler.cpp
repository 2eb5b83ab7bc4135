// Task Scheduler 2.0 (taskschd) and the service control manager.
//
// The seam's header comes first: <windows.h> defines macros with the names of
// the constants it repeats.
#include "platform/scheduler.h"

#include <windows.h>
#include <winsvc.h>
#include <objbase.h>
#include <oleauto.h>
#include <taskschd.h>

#include "platform/win32/unique.h"

#include <vector>

// ILogonTrigger is missing from MinGW's <taskschd.h>: its four properties
// follow those of ITrigger in the vtable.
struct ILogonTriggerV2 : public ITrigger {
  virtual HRESULT STDMETHODCALLTYPE get_Delay(BSTR* delay) = 0;
  virtual HRESULT STDMETHODCALLTYPE put_Delay(BSTR delay) = 0;
  virtual HRESULT STDMETHODCALLTYPE get_UserId(BSTR* user) = 0;
  virtual HRESULT STDMETHODCALLTYPE put_UserId(BSTR user) = 0;
};
const IID kIID_ILogonTrigger = {0x72dade38, 0xfae4, 0x4b3e, {0xba, 0xf4, 0x5d, 0x00, 0x9a, 0xf0, 0x2b, 0x1c}};

namespace plat {
namespace {

// The object numbers are the interface pointers themselves.
template <typename T>
T* As(TaskObject object) {
  return reinterpret_cast<T*>(static_cast<std::uintptr_t>(object));
}

TaskObject Obj(IUnknown* p) { return static_cast<TaskObject>(reinterpret_cast<std::uintptr_t>(p)); }

VARIANT NullVariant() {
  VARIANT v;
  ::VariantInit(&v);
  v.vt = VT_NULL;
  return v;
}

VARIANT EmptyVariant() {
  VARIANT v;
  ::VariantInit(&v);
  return v;
}

HRESULT GetTriggers(TaskObject definition, win32::ComPtr<ITriggerCollection>* triggers) {
  if (!definition) return E_POINTER;
  return As<ITaskDefinition>(definition)->get_Triggers(triggers->Out());
}

HRESULT GetActions(TaskObject definition, win32::ComPtr<IActionCollection>* actions) {
  if (!definition) return E_POINTER;
  return As<ITaskDefinition>(definition)->get_Actions(actions->Out());
}

HRESULT FirstExecAction(TaskObject definition, win32::ComPtr<IExecAction>* exec) {
  win32::ComPtr<IActionCollection> actions;
  HRESULT hr = GetActions(definition, &actions);
  if (FAILED(hr)) return hr;
  LONG count = 0;
  hr = actions->get_Count(&count);
  if (FAILED(hr)) return hr;
  if (count < 1) return E_INVALIDARG;
  win32::ComPtr<IAction> action;
  hr = actions->get_Item(1, action.Out());  // the collection counts from 1
  if (FAILED(hr)) return hr;
  return action->QueryInterface(IID_IExecAction, reinterpret_cast<void**>(exec->Out()));
}

HRESULT PutExec(IExecAction* exec, const TaskExecAction& action) {
  HRESULT hr = exec->put_Path(win32::UniqueBstr(action.path));
  if (SUCCEEDED(hr)) hr = exec->put_Arguments(win32::UniqueBstr(action.arguments));
  if (SUCCEEDED(hr)) hr = exec->put_WorkingDirectory(win32::UniqueBstr(action.working_directory));
  return hr;
}

// COM is initialised by the application on the main thread; a thread that
// reaches the scheduler without it (a test program) initialises it here once.
HRESULT CreateWithCom(REFCLSID clsid, REFIID iid, void** out) {
  HRESULT hr = ::CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER, iid, out);
  if (hr == CO_E_NOTINITIALIZED) {
    ::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    hr = ::CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER, iid, out);
  }
  return hr;
}

}  // namespace

HResult CreateTaskService(TaskObject* service) {
  *service = 0;
  ITaskService* p = nullptr;
  HRESULT hr = CreateWithCom(CLSID_TaskScheduler, IID_ITaskService, reinterpret_cast<void**>(&p));
  if (SUCCEEDED(hr) && !p) hr = E_POINTER;
  if (SUCCEEDED(hr)) *service = Obj(p);
  return hr;
}

HResult TaskServiceConnect(TaskObject service) {
  if (!service) return E_POINTER;
  return As<ITaskService>(service)->Connect(NullVariant(), NullVariant(), NullVariant(), NullVariant());
}

HResult TaskServiceGetFolder(TaskObject service, const std::wstring& path, TaskObject* folder) {
  *folder = 0;
  if (!service) return E_POINTER;
  ITaskFolder* p = nullptr;
  HRESULT hr = As<ITaskService>(service)->GetFolder(win32::UniqueBstr(path), &p);
  if (SUCCEEDED(hr) && !p) hr = E_POINTER;
  if (SUCCEEDED(hr)) *folder = Obj(p);
  return hr;
}

HResult TaskServiceNewTask(TaskObject service, TaskObject* definition) {
  *definition = 0;
  if (!service) return E_POINTER;
  ITaskDefinition* p = nullptr;
  HRESULT hr = As<ITaskService>(service)->NewTask(0, &p);
  if (SUCCEEDED(hr) && !p) hr = E_POINTER;
  if (SUCCEEDED(hr)) *definition = Obj(p);
  return hr;
}

HResult TaskFolderGetTask(TaskObject folder, const std::wstring& name, TaskObject* registered_task) {
  *registered_task = 0;
  if (!folder) return E_POINTER;
  IRegisteredTask* p = nullptr;
  HRESULT hr = As<ITaskFolder>(folder)->GetTask(win32::UniqueBstr(name), &p);
  if (SUCCEEDED(hr) && !p) hr = E_POINTER;
  if (SUCCEEDED(hr)) *registered_task = Obj(p);
  return hr;
}

HResult TaskFolderDeleteTask(TaskObject folder, const std::wstring& name) {
  if (!folder) return E_POINTER;
  return As<ITaskFolder>(folder)->DeleteTask(win32::UniqueBstr(name), 0);
}

HResult TaskFolderRegisterTaskDefinition(TaskObject folder, const std::wstring& name, TaskObject definition, int flags,
                                         int logon_type, TaskObject* registered_task) {
  *registered_task = 0;
  if (!folder || !definition) return E_POINTER;
  IRegisteredTask* p = nullptr;
  VARIANT sddl;
  ::VariantInit(&sddl);
  sddl.vt = VT_BSTR;
  sddl.bstrVal = ::SysAllocString(L"");
  HRESULT hr = As<ITaskFolder>(folder)->RegisterTaskDefinition(win32::UniqueBstr(name), As<ITaskDefinition>(definition),
                                                               flags, EmptyVariant(), EmptyVariant(),
                                                               static_cast<TASK_LOGON_TYPE>(logon_type), sddl, &p);
  ::VariantClear(&sddl);
  if (SUCCEEDED(hr) && !p) hr = E_POINTER;
  if (SUCCEEDED(hr)) *registered_task = Obj(p);
  return hr;
}

HResult TaskDefinitionSetAuthor(TaskObject definition, const std::wstring& author) {
  if (!definition) return E_POINTER;
  win32::ComPtr<IRegistrationInfo> info;
  HRESULT hr = As<ITaskDefinition>(definition)->get_RegistrationInfo(info.Out());
  if (FAILED(hr)) return hr;
  return info->put_Author(win32::UniqueBstr(author));
}

HResult TaskDefinitionTriggerCount(TaskObject definition, long* count) {
  win32::ComPtr<ITriggerCollection> triggers;
  HRESULT hr = GetTriggers(definition, &triggers);
  if (FAILED(hr)) return hr;
  LONG n = 0;
  hr = triggers->get_Count(&n);
  *count = n;
  return hr;
}

HResult TaskDefinitionClearTriggers(TaskObject definition) {
  win32::ComPtr<ITriggerCollection> triggers;
  HRESULT hr = GetTriggers(definition, &triggers);
  if (FAILED(hr)) return hr;
  return triggers->Clear();
}

HResult TaskDefinitionAddLogonTrigger(TaskObject definition, const TaskLogonTrigger& trigger) {
  win32::ComPtr<ITriggerCollection> triggers;
  HRESULT hr = GetTriggers(definition, &triggers);
  if (FAILED(hr)) return hr;
  win32::ComPtr<ITrigger> created;
  hr = triggers->Create(TASK_TRIGGER_LOGON, created.Out());
  if (FAILED(hr)) return hr;
  win32::ComPtr<ILogonTriggerV2> logon;
  hr = created->QueryInterface(kIID_ILogonTrigger, reinterpret_cast<void**>(logon.Out()));
  if (FAILED(hr)) return hr;
  hr = logon->put_UserId(win32::UniqueBstr(trigger.user_id));
  if (SUCCEEDED(hr)) hr = logon->put_Delay(win32::UniqueBstr(trigger.delay));
  return hr;
}

HResult TaskDefinitionGetSettings(TaskObject definition, TaskSettings* s) {
  if (!definition) return E_POINTER;
  win32::ComPtr<ITaskSettings> settings;
  HRESULT hr = As<ITaskDefinition>(definition)->get_Settings(settings.Out());
  if (FAILED(hr)) return hr;
  VARIANT_BOOL b = VARIANT_FALSE;
  if (SUCCEEDED(hr = settings->get_StartWhenAvailable(&b))) s->start_when_available = b != VARIANT_FALSE;
  TASK_INSTANCES_POLICY policy = TASK_INSTANCES_IGNORE_NEW;
  if (SUCCEEDED(hr)) hr = settings->get_MultipleInstances(&policy);
  s->multiple_instances = policy;
  int priority = 7;
  if (SUCCEEDED(hr)) hr = settings->get_Priority(&priority);
  s->priority = priority;
  if (SUCCEEDED(hr) && SUCCEEDED(hr = settings->get_DisallowStartIfOnBatteries(&b)))
    s->disallow_start_if_on_batteries = b != VARIANT_FALSE;
  if (SUCCEEDED(hr) && SUCCEEDED(hr = settings->get_StopIfGoingOnBatteries(&b)))
    s->stop_if_going_on_batteries = b != VARIANT_FALSE;
  if (SUCCEEDED(hr) && SUCCEEDED(hr = settings->get_RunOnlyIfIdle(&b))) s->run_only_if_idle = b != VARIANT_FALSE;
  win32::UniqueBstr limit;
  if (SUCCEEDED(hr) && SUCCEEDED(hr = settings->get_ExecutionTimeLimit(limit.Out())))
    s->execution_time_limit = limit.Text();
  if (FAILED(hr)) return hr;
  win32::ComPtr<IIdleSettings> idle;
  hr = settings->get_IdleSettings(idle.Out());
  if (hr == E_NOTIMPL) {
    // A scheduler without idle settings (Wine's) never stops a task at the
    // end of an idle period.
    s->idle_stop_on_idle_end = false;
    return S_OK;
  }
  if (SUCCEEDED(hr) && SUCCEEDED(hr = idle->get_StopOnIdleEnd(&b))) s->idle_stop_on_idle_end = b != VARIANT_FALSE;
  return hr;
}

HResult TaskDefinitionSetSettings(TaskObject definition, const TaskSettings& s) {
  if (!definition) return E_POINTER;
  auto vb = [](bool v) { return v ? VARIANT_TRUE : VARIANT_FALSE; };
  win32::ComPtr<ITaskSettings> settings;
  HRESULT hr = As<ITaskDefinition>(definition)->get_Settings(settings.Out());
  if (FAILED(hr)) return hr;
  if (SUCCEEDED(hr)) hr = settings->put_StartWhenAvailable(vb(s.start_when_available));
  if (SUCCEEDED(hr)) hr = settings->put_MultipleInstances(static_cast<TASK_INSTANCES_POLICY>(s.multiple_instances));
  if (SUCCEEDED(hr)) hr = settings->put_Priority(s.priority);
  if (SUCCEEDED(hr)) hr = settings->put_DisallowStartIfOnBatteries(vb(s.disallow_start_if_on_batteries));
  if (SUCCEEDED(hr)) hr = settings->put_StopIfGoingOnBatteries(vb(s.stop_if_going_on_batteries));
  if (SUCCEEDED(hr)) hr = settings->put_RunOnlyIfIdle(vb(s.run_only_if_idle));
  if (SUCCEEDED(hr)) hr = settings->put_ExecutionTimeLimit(win32::UniqueBstr(s.execution_time_limit));
  if (FAILED(hr)) return hr;
  win32::ComPtr<IIdleSettings> idle;
  hr = settings->get_IdleSettings(idle.Out());
  if (hr == E_NOTIMPL) return S_OK;  // no idle settings to keep (Wine)
  if (SUCCEEDED(hr)) hr = idle->put_StopOnIdleEnd(vb(s.idle_stop_on_idle_end));
  return hr;
}

HResult TaskDefinitionAddExecAction(TaskObject definition, const TaskExecAction& action) {
  win32::ComPtr<IActionCollection> actions;
  HRESULT hr = GetActions(definition, &actions);
  if (FAILED(hr)) return hr;
  win32::ComPtr<IAction> created;
  hr = actions->Create(TASK_ACTION_EXEC, created.Out());
  if (FAILED(hr)) return hr;
  win32::ComPtr<IExecAction> exec;
  hr = created->QueryInterface(IID_IExecAction, reinterpret_cast<void**>(exec.Out()));
  if (FAILED(hr)) return hr;
  return PutExec(exec.get(), action);
}

HResult TaskDefinitionGetFirstExecAction(TaskObject definition, TaskExecAction* action) {
  win32::ComPtr<IExecAction> exec;
  HRESULT hr = FirstExecAction(definition, &exec);
  if (FAILED(hr)) return hr;
  win32::UniqueBstr path, args, dir;
  if (SUCCEEDED(hr = exec->get_Path(path.Out())) && SUCCEEDED(hr = exec->get_Arguments(args.Out())) &&
      SUCCEEDED(hr = exec->get_WorkingDirectory(dir.Out()))) {
    action->path = path.Text();
    action->arguments = args.Text();
    action->working_directory = dir.Text();
  }
  return hr;
}

HResult TaskDefinitionSetFirstExecAction(TaskObject definition, const TaskExecAction& action) {
  win32::ComPtr<IExecAction> exec;
  HRESULT hr = FirstExecAction(definition, &exec);
  if (FAILED(hr)) return hr;
  return PutExec(exec.get(), action);
}

HResult TaskDefinitionClearActions(TaskObject definition) {
  win32::ComPtr<IActionCollection> actions;
  HRESULT hr = GetActions(definition, &actions);
  if (FAILED(hr)) return hr;
  return actions->Clear();
}

HResult TaskDefinitionGetPrincipal(TaskObject definition, TaskPrincipal* principal) {
  if (!definition) return E_POINTER;
  win32::ComPtr<IPrincipal> p;
  HRESULT hr = As<ITaskDefinition>(definition)->get_Principal(p.Out());
  if (FAILED(hr)) return hr;
  TASK_RUNLEVEL_TYPE level = ::TASK_RUNLEVEL_LUA;
  win32::UniqueBstr user;
  if (SUCCEEDED(hr = p->get_RunLevel(&level)) && SUCCEEDED(hr = p->get_UserId(user.Out()))) {
    principal->run_level = level;
    principal->user_id = user.Text();
  }
  return hr;
}

HResult TaskDefinitionSetPrincipal(TaskObject definition, const TaskPrincipal& principal) {
  if (!definition) return E_POINTER;
  win32::ComPtr<IPrincipal> p;
  HRESULT hr = As<ITaskDefinition>(definition)->get_Principal(p.Out());
  if (FAILED(hr)) return hr;
  hr = p->put_RunLevel(static_cast<TASK_RUNLEVEL_TYPE>(principal.run_level));
  if (SUCCEEDED(hr)) hr = p->put_UserId(win32::UniqueBstr(principal.user_id));
  return hr;
}

HResult RegisteredTaskGetDefinition(TaskObject registered_task, TaskObject* definition) {
  *definition = 0;
  if (!registered_task) return E_POINTER;
  ITaskDefinition* p = nullptr;
  HRESULT hr = As<IRegisteredTask>(registered_task)->get_Definition(&p);
  if (SUCCEEDED(hr) && !p) hr = E_POINTER;
  if (SUCCEEDED(hr)) *definition = Obj(p);
  return hr;
}

HResult RegisteredTaskGetState(TaskObject registered_task, int* state) {
  if (!registered_task) return E_POINTER;
  TASK_STATE s = ::TASK_STATE_UNKNOWN;
  HRESULT hr = As<IRegisteredTask>(registered_task)->get_State(&s);
  if (SUCCEEDED(hr)) *state = s;
  return hr;
}

HResult RegisteredTaskGetLastRunTime(TaskObject registered_task, double* date) {
  if (!registered_task) return E_POINTER;
  DATE d = 0;
  HRESULT hr = As<IRegisteredTask>(registered_task)->get_LastRunTime(&d);
  if (SUCCEEDED(hr)) *date = d;
  return hr;
}

HResult RegisteredTaskGetNextRunTime(TaskObject registered_task, double* date) {
  if (!registered_task) return E_POINTER;
  DATE d = 0;
  HRESULT hr = As<IRegisteredTask>(registered_task)->get_NextRunTime(&d);
  if (SUCCEEDED(hr)) *date = d;
  return hr;
}

HResult RegisteredTaskGetLastTaskResult(TaskObject registered_task, std::int32_t* result) {
  if (!registered_task) return E_POINTER;
  LONG r = 0;
  HRESULT hr = As<IRegisteredTask>(registered_task)->get_LastTaskResult(&r);
  if (SUCCEEDED(hr)) *result = r;
  return hr;
}

HResult RegisteredTaskRun(TaskObject registered_task, TaskObject* running_task) {
  *running_task = 0;
  if (!registered_task) return E_POINTER;
  IRunningTask* p = nullptr;
  HRESULT hr = As<IRegisteredTask>(registered_task)->Run(NullVariant(), &p);
  if (SUCCEEDED(hr) && p) *running_task = Obj(p);
  return hr;
}

HResult RegisteredTaskStop(TaskObject registered_task) {
  if (!registered_task) return E_POINTER;
  return As<IRegisteredTask>(registered_task)->Stop(0);
}

HResult RunningTaskRefresh(TaskObject running_task) {
  if (!running_task) return E_POINTER;
  return As<IRunningTask>(running_task)->Refresh();
}

HResult RunningTaskGetState(TaskObject running_task, int* state) {
  if (!running_task) return E_POINTER;
  TASK_STATE s = ::TASK_STATE_UNKNOWN;
  HRESULT hr = As<IRunningTask>(running_task)->get_State(&s);
  if (SUCCEEDED(hr)) *state = s;
  return hr;
}

void ReleaseTaskObject(TaskObject object) {
  if (object) As<IUnknown>(object)->Release();
}

std::wstring FormatTaskDate(double date) {
  SYSTEMTIME st{};
  if (!::VariantTimeToSystemTime(date, &st)) return std::wstring();
  wchar_t d[128] = {0}, t[128] = {0};
  ::GetDateFormatW(LOCALE_USER_DEFAULT, DATE_SHORTDATE, &st, nullptr, d, 128);
  ::GetTimeFormatW(LOCALE_USER_DEFAULT, 0, &st, nullptr, t, 128);
  return std::wstring(d) + L" " + t;
}

Handle OpenSCManagerW(std::uint32_t access, std::uint32_t* error) {
  SC_HANDLE h = ::OpenSCManagerW(nullptr, nullptr, access);
  *error = h ? 0 : ::GetLastError();
  return static_cast<Handle>(reinterpret_cast<std::uintptr_t>(h));
}

Handle OpenServiceW(Handle manager, const std::wstring& name, std::uint32_t access, std::uint32_t* error) {
  SC_HANDLE h = ::OpenServiceW(reinterpret_cast<SC_HANDLE>(static_cast<std::uintptr_t>(manager)), name.c_str(), access);
  *error = h ? 0 : ::GetLastError();
  return static_cast<Handle>(reinterpret_cast<std::uintptr_t>(h));
}

bool QueryServiceStatus(Handle service, std::uint32_t* current_state, std::uint32_t* error) {
  SERVICE_STATUS status{};
  if (!::QueryServiceStatus(reinterpret_cast<SC_HANDLE>(static_cast<std::uintptr_t>(service)), &status)) {
    *error = ::GetLastError();
    return false;
  }
  *current_state = status.dwCurrentState;
  *error = 0;
  return true;
}

bool QueryServiceConfigSize(Handle service, std::uint32_t* bytes_needed, std::uint32_t* error) {
  DWORD needed = 0;
  const BOOL ok =
      ::QueryServiceConfigW(reinterpret_cast<SC_HANDLE>(static_cast<std::uintptr_t>(service)), nullptr, 0, &needed);
  *error = ok ? 0 : ::GetLastError();
  *bytes_needed = needed;
  return !ok && *error == ERROR_INSUFFICIENT_BUFFER;
}

bool QueryServiceConfigStartType(Handle service, std::uint32_t buffer_size, std::uint32_t* start_type,
                                 std::uint32_t* error) {
  std::vector<unsigned char> buf(buffer_size < sizeof(QUERY_SERVICE_CONFIGW) ? sizeof(QUERY_SERVICE_CONFIGW)
                                                                             : buffer_size);
  DWORD needed = 0;
  auto* config = reinterpret_cast<QUERY_SERVICE_CONFIGW*>(buf.data());
  if (!::QueryServiceConfigW(reinterpret_cast<SC_HANDLE>(static_cast<std::uintptr_t>(service)), config,
                             static_cast<DWORD>(buf.size()), &needed)) {
    *error = ::GetLastError();
    return false;
  }
  *start_type = config->dwStartType;
  *error = 0;
  return true;
}

bool ChangeServiceStartType(Handle service, std::uint32_t start_type, std::uint32_t* error) {
  if (!::ChangeServiceConfigW(reinterpret_cast<SC_HANDLE>(static_cast<std::uintptr_t>(service)), SERVICE_NO_CHANGE,
                              start_type, SERVICE_NO_CHANGE, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr,
                              nullptr)) {
    *error = ::GetLastError();
    return false;
  }
  *error = 0;
  return true;
}

void CloseServiceHandle(Handle handle) {
  if (handle) ::CloseServiceHandle(reinterpret_cast<SC_HANDLE>(static_cast<std::uintptr_t>(handle)));
}

}  // namespace plat
