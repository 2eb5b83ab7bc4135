// The simulated Task Scheduler and service control manager.
#include <cmath>
#include <cstdio>
#include <cwctype>
#include <map>
#include <mutex>

#include "platform/scheduler.h"
#include "platform/system.h"
#include "sim/sim_clock.h"
#include "sim/sim_scheduler.h"
#include "sim/sim_world.h"

namespace sim {
namespace {

constexpr plat::HResult kE_NOINTERFACE = static_cast<plat::HResult>(0x80004002);
constexpr plat::HResult kE_INVALIDARG = static_cast<plat::HResult>(0x80070057);
// HRESULT_FROM_WIN32(ERROR_SERVICE_NOT_ACTIVE)
constexpr plat::HResult kServiceNotActive = static_cast<plat::HResult>(0x80070426);
// SCHED_E_TASK_DISABLED
constexpr plat::HResult kTaskDisabled = static_cast<plat::HResult>(0x80041326);

struct Stored {
  std::wstring name;  // as registered
  SimTask task;
  std::uint64_t generation = 0;
  // The current run, if any, and its script.
  bool running = false;
  std::uint64_t run_at = 0;
  std::uint64_t run_serial = 0;
  TaskRunScript script;
};

enum class Kind { Service, Folder, Definition, Registered, Running };
struct Obj {
  explicit Obj(Kind k) : kind(k) {}
  Kind kind;
  bool connected = false;        // Service
  SimTask definition;            // Definition
  std::wstring key;              // Registered, Running: folded task name
  std::uint64_t generation = 0;  // Registered, Running
  std::uint64_t run_serial = 0;  // Running
};

struct Fail {
  plat::HResult hr = plat::kE_FAIL;
  int times = 0;
};

struct SvcHandle {
  bool manager = false;
  std::uint32_t access = 0;
};

struct State {
  std::recursive_mutex lock;
  std::map<std::wstring, Stored> tasks;  // by folded name
  std::map<std::uint64_t, Obj> objects;
  std::uint64_t next_object = 0x1000;
  std::uint64_t next_generation = 1;
  std::uint64_t next_run_serial = 1;
  std::map<SchedStep, Fail> fails;
  TaskRunScript script;
  std::vector<SimTaskRun> runs;
  std::vector<std::wstring> calls;
  bool service_exists = true;
  std::uint32_t service_state = plat::SERVICE_RUNNING;
  std::uint32_t service_start_type = plat::SERVICE_AUTO_START;
  std::uint32_t service_rights = 0xF01FF;  // SERVICE_ALL_ACCESS
  std::map<std::uint64_t, SvcHandle> handles;
  std::uint64_t next_handle = 0x5000;
};

State& S() {
  static State s;
  return s;
}

const bool kReset = RegisterReset([] {
  std::lock_guard<std::recursive_mutex> g(S().lock);
  State& s = S();
  s.tasks.clear();
  s.objects.clear();
  s.fails.clear();
  s.script = TaskRunScript{};
  s.runs.clear();
  s.calls.clear();
  s.service_exists = true;
  s.service_state = plat::SERVICE_RUNNING;
  s.service_start_type = plat::SERVICE_AUTO_START;
  s.service_rights = 0xF01FF;
  s.handles.clear();
});

std::wstring Fold(const std::wstring& text) {
  std::wstring out = text;
  for (auto& c : out) c = static_cast<wchar_t>(std::towupper(c));
  return out;
}

// True (with the hr to give back) when this call of the step is to fail.
bool Fails(SchedStep step, plat::HResult* hr) {
  auto it = S().fails.find(step);
  if (it == S().fails.end() || it->second.times == 0) return false;
  if (it->second.times > 0) --it->second.times;
  *hr = it->second.hr;
  return true;
}

plat::TaskObject NewObject(Obj obj) {
  std::uint64_t id = S().next_object++;
  S().objects.emplace(id, std::move(obj));
  return id;
}

Obj* Find(plat::TaskObject id, Kind kind) {
  auto it = S().objects.find(id);
  if (it == S().objects.end() || it->second.kind != kind) return nullptr;
  return &it->second;
}

template <typename T>
T Scripted(const std::vector<std::pair<std::uint64_t, T>>& script, std::uint64_t elapsed, T keep) {
  T value = keep;
  for (const auto& [at, v] : script) {
    if (at <= elapsed) value = v;
  }
  return value;
}

// Brings a running task's state and result up to the current virtual time.
void CatchUp(Stored& st) {
  if (!st.running) return;
  const std::uint64_t elapsed = Now() - st.run_at;
  st.task.state = Scripted(st.script.registered_states, elapsed, st.task.state);
  st.task.last_task_result = Scripted(st.script.last_results, elapsed, st.task.last_task_result);
}

// The stored task a registered-task reference stands for; null when the task
// was deleted or replaced since the reference was taken.
Stored* Live(const Obj& obj) {
  auto it = S().tasks.find(obj.key);
  if (it == S().tasks.end() || it->second.generation != obj.generation) return nullptr;
  return &it->second;
}

Obj* Definition(plat::TaskObject id, plat::HResult* hr) {
  if (Fails(SchedStep::EditDefinition, hr)) return nullptr;
  Obj* o = Find(id, Kind::Definition);
  if (!o) *hr = kE_INVALIDARG;
  return o;
}

// Runs edit on a task definition under the lock; the definition step's
// failure or an unknown handle answers instead.
template <class Edit>
plat::HResult EditDefinition(plat::TaskObject id, Edit&& edit) {
  std::lock_guard<std::recursive_mutex> g(S().lock);
  plat::HResult hr = plat::kS_OK;
  Obj* o = Definition(id, &hr);
  if (!o) return hr;
  return edit(o->definition);
}

// A task that runs with the highest run level is registered, changed and
// deleted only by an elevated process; anyone may run it.
bool MayManage(int run_level) {
  bool elevated = false;
  return run_level != plat::TASK_RUNLEVEL_HIGHEST || (plat::GetTokenElevation(elevated) && elevated);
}

// Days from 1970-01-01 of a civil date.
long long DaysFromCivil(long long y, unsigned m, unsigned d) {
  y -= m <= 2;
  const long long era = (y >= 0 ? y : y - 399) / 400;
  const unsigned yoe = static_cast<unsigned>(y - era * 400);
  const unsigned doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
  const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
  return era * 146097 + static_cast<long long>(doe) - 719468;
}

void CivilFromDays(long long z, int* y, int* m, int* d) {
  z += 719468;
  const long long era = (z >= 0 ? z : z - 146096) / 146097;
  const unsigned doe = static_cast<unsigned>(z - era * 146097);
  const unsigned yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
  const long long yy = static_cast<long long>(yoe) + era * 400;
  const unsigned doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
  const unsigned mp = (5 * doy + 2) / 153;
  *d = static_cast<int>(doy - (153 * mp + 2) / 5 + 1);
  *m = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
  *y = static_cast<int>(yy + (*m <= 2));
}

// 1899-12-30 is day 0 of a DATE.
const long long kDateEpoch = DaysFromCivil(1899, 12, 30);

}  // namespace

void FailSchedulerStep(SchedStep step, plat::HResult hr, int times) {
  std::lock_guard<std::recursive_mutex> g(S().lock);
  S().fails[step] = Fail{hr, times};
}

void PutScheduledTask(const std::wstring& name, const SimTask& task) {
  std::lock_guard<std::recursive_mutex> g(S().lock);
  Stored& st = S().tasks[Fold(name)];
  st = Stored{};
  st.name = name;
  st.task = task;
  st.generation = S().next_generation++;
}

std::optional<SimTask> ScheduledTask(const std::wstring& name) {
  std::lock_guard<std::recursive_mutex> g(S().lock);
  auto it = S().tasks.find(Fold(name));
  if (it == S().tasks.end()) return std::nullopt;
  CatchUp(it->second);
  return it->second.task;
}

void SetTaskRunScript(const TaskRunScript& script) {
  std::lock_guard<std::recursive_mutex> g(S().lock);
  S().script = script;
}

std::vector<SimTaskRun> TaskRuns() {
  std::lock_guard<std::recursive_mutex> g(S().lock);
  return S().runs;
}

std::vector<std::wstring> SchedulerCalls() {
  std::lock_guard<std::recursive_mutex> g(S().lock);
  return S().calls;
}

int LiveTaskObjects() {
  std::lock_guard<std::recursive_mutex> g(S().lock);
  return static_cast<int>(S().objects.size());
}

void SetScheduleService(bool exists, std::uint32_t state, std::uint32_t start_type) {
  std::lock_guard<std::recursive_mutex> g(S().lock);
  S().service_exists = exists;
  S().service_state = state;
  S().service_start_type = start_type;
}

void SetServiceRightsGranted(std::uint32_t access) {
  std::lock_guard<std::recursive_mutex> g(S().lock);
  S().service_rights = access;
}

std::uint32_t ScheduleServiceStartType() {
  std::lock_guard<std::recursive_mutex> g(S().lock);
  return S().service_start_type;
}

int OpenServiceHandles() {
  std::lock_guard<std::recursive_mutex> g(S().lock);
  return static_cast<int>(S().handles.size());
}

double TaskDateAt(std::uint64_t tick) {
  const plat::LocalTime t = LocalTimeAt(tick);
  const long long days =
      DaysFromCivil(t.year, static_cast<unsigned>(t.month), static_cast<unsigned>(t.day)) - kDateEpoch;
  const double seconds = t.hour * 3600.0 + t.minute * 60.0 + t.second + t.milliseconds / 1000.0;
  return static_cast<double>(days) + seconds / 86400.0;
}

}  // namespace sim

namespace plat {

using sim::Fails;
using sim::Find;
using sim::Kind;
using sim::Obj;
using sim::S;
using sim::SchedStep;

HResult CreateTaskService(TaskObject* service) {
  std::lock_guard<std::recursive_mutex> g(S().lock);
  *service = 0;
  S().calls.push_back(L"CreateTaskService");
  HResult hr;
  if (Fails(SchedStep::CreateService, &hr)) return hr;
  *service = sim::NewObject(Obj{Kind::Service});
  return kS_OK;
}

HResult TaskServiceConnect(TaskObject service) {
  std::lock_guard<std::recursive_mutex> g(S().lock);
  S().calls.push_back(L"Connect");
  HResult hr;
  if (Fails(SchedStep::Connect, &hr)) return hr;
  Obj* o = Find(service, Kind::Service);
  if (!o) return sim::kE_INVALIDARG;
  if (!S().service_exists || S().service_state != SERVICE_RUNNING) return sim::kServiceNotActive;
  o->connected = true;
  return kS_OK;
}

HResult TaskServiceGetFolder(TaskObject service, const std::wstring& path, TaskObject* folder) {
  std::lock_guard<std::recursive_mutex> g(S().lock);
  *folder = 0;
  HResult hr;
  if (Fails(SchedStep::GetFolder, &hr)) return hr;
  Obj* o = Find(service, Kind::Service);
  if (!o) return sim::kE_INVALIDARG;
  if (!o->connected) return static_cast<HResult>(0x80041315);  // SCHED_E_SERVICE_NOT_CONNECTED
  if (path != L"\\") return kHRESULT_FILE_NOT_FOUND;           // only the root folder exists
  *folder = sim::NewObject(Obj{Kind::Folder});
  return kS_OK;
}

HResult TaskServiceNewTask(TaskObject service, TaskObject* definition) {
  std::lock_guard<std::recursive_mutex> g(S().lock);
  *definition = 0;
  S().calls.push_back(L"NewTask");
  HResult hr;
  if (Fails(SchedStep::NewTask, &hr)) return hr;
  Obj* o = Find(service, Kind::Service);
  if (!o) return sim::kE_INVALIDARG;
  if (!o->connected) return static_cast<HResult>(0x80041315);
  Obj def{Kind::Definition};
  def.definition.actions.clear();
  *definition = sim::NewObject(std::move(def));
  return kS_OK;
}

HResult TaskFolderGetTask(TaskObject folder, const std::wstring& name, TaskObject* registered_task) {
  std::lock_guard<std::recursive_mutex> g(S().lock);
  *registered_task = 0;
  S().calls.push_back(L"GetTask " + name);
  HResult hr;
  if (Fails(SchedStep::GetTask, &hr)) return hr;
  if (!Find(folder, Kind::Folder)) return sim::kE_INVALIDARG;
  auto it = S().tasks.find(sim::Fold(name));
  if (it == S().tasks.end()) return kHRESULT_FILE_NOT_FOUND;
  Obj reg{Kind::Registered};
  reg.key = it->first;
  reg.generation = it->second.generation;
  *registered_task = sim::NewObject(std::move(reg));
  return kS_OK;
}

HResult TaskFolderDeleteTask(TaskObject folder, const std::wstring& name) {
  std::lock_guard<std::recursive_mutex> g(S().lock);
  S().calls.push_back(L"DeleteTask " + name);
  HResult hr;
  if (Fails(SchedStep::Delete, &hr)) return hr;
  if (!Find(folder, Kind::Folder)) return sim::kE_INVALIDARG;
  auto it = S().tasks.find(sim::Fold(name));
  if (it == S().tasks.end()) return kHRESULT_FILE_NOT_FOUND;
  if (!sim::MayManage(it->second.task.principal.run_level)) return kE_ACCESSDENIED;
  S().tasks.erase(it);
  return kS_OK;
}

HResult TaskFolderRegisterTaskDefinition(TaskObject folder, const std::wstring& name, TaskObject definition, int flags,
                                         int logon_type, TaskObject* registered_task) {
  std::lock_guard<std::recursive_mutex> g(S().lock);
  *registered_task = 0;
  S().calls.push_back(L"RegisterTaskDefinition " + name);
  HResult hr;
  if (Fails(SchedStep::Register, &hr)) return hr;
  Obj* def = Find(definition, Kind::Definition);
  if (!Find(folder, Kind::Folder) || !def || flags != TASK_CREATE_OR_UPDATE ||
      logon_type != TASK_LOGON_INTERACTIVE_TOKEN)
    return sim::kE_INVALIDARG;
  // A task needs at least one action.
  if (def->definition.actions.empty()) return static_cast<HResult>(0x80041319);  // SCHED_E_MISSINGNODE
  const std::wstring key = sim::Fold(name);
  auto it = S().tasks.find(key);
  if (!sim::MayManage(def->definition.principal.run_level) ||
      (it != S().tasks.end() && !sim::MayManage(it->second.task.principal.run_level)))
    return kE_ACCESSDENIED;
  sim::Stored st;
  if (it != S().tasks.end()) st = it->second;  // an update keeps the run history
  st.name = name;
  const double last = st.task.last_run_time;
  const std::int32_t result = st.task.last_task_result;
  st.task = def->definition;
  st.task.last_run_time = it != S().tasks.end() ? last : 0;
  st.task.last_task_result = it != S().tasks.end() ? result : SCHED_S_TASK_HAS_NOT_RUN;
  st.task.state = TASK_STATE_READY;
  st.running = false;
  st.generation = S().next_generation++;
  S().tasks[key] = st;
  Obj reg{Kind::Registered};
  reg.key = key;
  reg.generation = st.generation;
  *registered_task = sim::NewObject(std::move(reg));
  return kS_OK;
}

HResult TaskDefinitionSetAuthor(TaskObject definition, const std::wstring& author) {
  return sim::EditDefinition(definition, [&](auto& d) -> HResult {
    d.author = author;
    return kS_OK;
  });
}

HResult TaskDefinitionTriggerCount(TaskObject definition, long* count) {
  return sim::EditDefinition(definition, [&](auto& d) -> HResult {
    *count = static_cast<long>(d.triggers.size());
    return kS_OK;
  });
}

HResult TaskDefinitionClearTriggers(TaskObject definition) {
  return sim::EditDefinition(definition, [&](auto& d) -> HResult {
    d.triggers.clear();
    return kS_OK;
  });
}

HResult TaskDefinitionAddLogonTrigger(TaskObject definition, const TaskLogonTrigger& trigger) {
  return sim::EditDefinition(definition, [&](auto& d) -> HResult {
    d.triggers.push_back(trigger);
    return kS_OK;
  });
}

HResult TaskDefinitionGetSettings(TaskObject definition, TaskSettings* settings) {
  return sim::EditDefinition(definition, [&](auto& d) -> HResult {
    *settings = d.settings;
    return kS_OK;
  });
}

HResult TaskDefinitionSetSettings(TaskObject definition, const TaskSettings& settings) {
  return sim::EditDefinition(definition, [&](auto& d) -> HResult {
    d.settings = settings;
    return kS_OK;
  });
}

HResult TaskDefinitionAddExecAction(TaskObject definition, const TaskExecAction& action) {
  return sim::EditDefinition(definition, [&](auto& d) -> HResult {
    if (d.actions.empty()) d.first_action_is_exec = true;
    d.actions.push_back(action);
    return kS_OK;
  });
}

HResult TaskDefinitionGetFirstExecAction(TaskObject definition, TaskExecAction* action) {
  return sim::EditDefinition(definition, [&](auto& d) -> HResult {
    if (d.actions.empty()) return sim::kE_INVALIDARG;
    if (!d.first_action_is_exec) return sim::kE_NOINTERFACE;
    *action = d.actions.front();
    return kS_OK;
  });
}

HResult TaskDefinitionSetFirstExecAction(TaskObject definition, const TaskExecAction& action) {
  return sim::EditDefinition(definition, [&](auto& d) -> HResult {
    if (d.actions.empty()) return sim::kE_INVALIDARG;
    if (!d.first_action_is_exec) return sim::kE_NOINTERFACE;
    d.actions.front() = action;
    return kS_OK;
  });
}

HResult TaskDefinitionClearActions(TaskObject definition) {
  return sim::EditDefinition(definition, [&](auto& d) -> HResult {
    d.actions.clear();
    d.first_action_is_exec = true;
    return kS_OK;
  });
}

HResult TaskDefinitionGetPrincipal(TaskObject definition, TaskPrincipal* principal) {
  return sim::EditDefinition(definition, [&](auto& d) -> HResult {
    *principal = d.principal;
    return kS_OK;
  });
}

HResult TaskDefinitionSetPrincipal(TaskObject definition, const TaskPrincipal& principal) {
  return sim::EditDefinition(definition, [&](auto& d) -> HResult {
    d.principal = principal;
    return kS_OK;
  });
}

HResult RegisteredTaskGetDefinition(TaskObject registered_task, TaskObject* definition) {
  std::lock_guard<std::recursive_mutex> g(S().lock);
  *definition = 0;
  HResult hr;
  if (Fails(SchedStep::GetDefinition, &hr)) return hr;
  Obj* o = Find(registered_task, Kind::Registered);
  if (!o) return sim::kE_INVALIDARG;
  sim::Stored* st = sim::Live(*o);
  if (!st) return kHRESULT_FILE_NOT_FOUND;
  Obj def{Kind::Definition};
  def.definition = st->task;  // a copy: changes reach the task only by registration
  *definition = sim::NewObject(std::move(def));
  return kS_OK;
}

HResult RegisteredTaskGetState(TaskObject registered_task, int* state) {
  std::lock_guard<std::recursive_mutex> g(S().lock);
  HResult hr;
  if (Fails(SchedStep::RegisteredState, &hr)) return hr;
  Obj* o = Find(registered_task, Kind::Registered);
  if (!o) return sim::kE_INVALIDARG;
  sim::Stored* st = sim::Live(*o);
  if (!st) return kHRESULT_FILE_NOT_FOUND;
  sim::CatchUp(*st);
  *state = st->task.state;
  return kS_OK;
}

HResult RegisteredTaskGetLastRunTime(TaskObject registered_task, double* date) {
  std::lock_guard<std::recursive_mutex> g(S().lock);
  HResult hr;
  if (Fails(SchedStep::RunTimes, &hr)) return hr;
  Obj* o = Find(registered_task, Kind::Registered);
  if (!o) return sim::kE_INVALIDARG;
  sim::Stored* st = sim::Live(*o);
  if (!st) return kHRESULT_FILE_NOT_FOUND;
  *date = st->task.last_run_time;
  return kS_OK;
}

HResult RegisteredTaskGetNextRunTime(TaskObject registered_task, double* date) {
  std::lock_guard<std::recursive_mutex> g(S().lock);
  HResult hr;
  if (Fails(SchedStep::RunTimes, &hr)) return hr;
  Obj* o = Find(registered_task, Kind::Registered);
  if (!o) return sim::kE_INVALIDARG;
  sim::Stored* st = sim::Live(*o);
  if (!st) return kHRESULT_FILE_NOT_FOUND;
  *date = st->task.next_run_time;
  return kS_OK;
}

HResult RegisteredTaskGetLastTaskResult(TaskObject registered_task, std::int32_t* result) {
  std::lock_guard<std::recursive_mutex> g(S().lock);
  HResult hr;
  if (Fails(SchedStep::LastTaskResult, &hr)) return hr;
  Obj* o = Find(registered_task, Kind::Registered);
  if (!o) return sim::kE_INVALIDARG;
  sim::Stored* st = sim::Live(*o);
  if (!st) return kHRESULT_FILE_NOT_FOUND;
  sim::CatchUp(*st);
  *result = st->task.last_task_result;
  return kS_OK;
}

HResult RegisteredTaskRun(TaskObject registered_task, TaskObject* running_task) {
  std::lock_guard<std::recursive_mutex> g(S().lock);
  *running_task = 0;
  Obj* o = Find(registered_task, Kind::Registered);
  if (!o) return sim::kE_INVALIDARG;
  sim::Stored* live = sim::Live(*o);
  S().calls.push_back(L"Run " + (live ? live->name : o->key));
  HResult hr;
  if (Fails(SchedStep::Run, &hr)) return hr;
  if (!live) return kHRESULT_FILE_NOT_FOUND;
  sim::CatchUp(*live);
  if (live->task.state == TASK_STATE_DISABLED) return sim::kTaskDisabled;
  sim::SimTaskRun run;
  run.task = live->name;
  if (!live->task.actions.empty() && live->task.first_action_is_exec) run.action = live->task.actions.front();
  run.run_level = live->task.principal.run_level;
  run.at = sim::Now();
  S().runs.push_back(run);
  live->running = true;
  live->run_at = sim::Now();
  live->run_serial = S().next_run_serial++;
  live->script = S().script;
  live->task.last_run_time = sim::TaskDateAt(sim::Now());
  sim::CatchUp(*live);
  Obj running{Kind::Running};
  running.key = o->key;
  running.generation = o->generation;
  running.run_serial = live->run_serial;
  *running_task = sim::NewObject(std::move(running));
  return kS_OK;
}

HResult RegisteredTaskStop(TaskObject registered_task) {
  std::lock_guard<std::recursive_mutex> g(S().lock);
  Obj* o = Find(registered_task, Kind::Registered);
  if (!o) return sim::kE_INVALIDARG;
  sim::Stored* live = sim::Live(*o);
  S().calls.push_back(L"Stop " + (live ? live->name : o->key));
  HResult hr;
  if (Fails(SchedStep::Stop, &hr)) return hr;
  if (!live) return kHRESULT_FILE_NOT_FOUND;
  live->running = false;
  live->task.state = TASK_STATE_READY;
  return kS_OK;
}

HResult RunningTaskRefresh(TaskObject running_task) {
  std::lock_guard<std::recursive_mutex> g(S().lock);
  HResult hr;
  if (Fails(SchedStep::RunningRefresh, &hr)) return hr;
  if (!Find(running_task, Kind::Running)) return sim::kE_INVALIDARG;
  return kS_OK;
}

HResult RunningTaskGetState(TaskObject running_task, int* state) {
  std::lock_guard<std::recursive_mutex> g(S().lock);
  HResult hr;
  if (Fails(SchedStep::RunningState, &hr)) return hr;
  Obj* o = Find(running_task, Kind::Running);
  if (!o) return sim::kE_INVALIDARG;
  auto it = S().tasks.find(o->key);
  if (it == S().tasks.end() || it->second.run_serial != o->run_serial || !it->second.running) {
    *state = TASK_STATE_UNKNOWN;  // the instance is gone
    return kS_OK;
  }
  const std::uint64_t elapsed = sim::Now() - it->second.run_at;
  *state = sim::Scripted(it->second.script.running_states, elapsed, TASK_STATE_RUNNING);
  return kS_OK;
}

void ReleaseTaskObject(TaskObject object) {
  if (object == 0) return;
  std::lock_guard<std::recursive_mutex> g(S().lock);
  S().objects.erase(object);
}

std::wstring FormatTaskDate(double date) {
  const double whole = std::floor(date);
  long long days = static_cast<long long>(whole) + sim::kDateEpoch;
  long long secs = std::llround((date - whole) * 86400.0);
  if (secs >= 86400) {
    secs -= 86400;
    ++days;
  }
  int y, m, d;
  sim::CivilFromDays(days, &y, &m, &d);
  wchar_t buf[64];
  std::swprintf(buf, 64, L"%04d-%02d-%02d %02d:%02d:%02d", y, m, d, static_cast<int>(secs / 3600),
                static_cast<int>(secs / 60 % 60), static_cast<int>(secs % 60));
  return buf;
}

Handle OpenSCManagerW(std::uint32_t access, std::uint32_t* error) {
  std::lock_guard<std::recursive_mutex> g(S().lock);
  S().calls.push_back(L"OpenSCManager");
  HResult hr;
  if (Fails(SchedStep::OpenSCManager, &hr)) {
    *error = static_cast<std::uint32_t>(hr);
    return 0;
  }
  Handle h = S().next_handle++;
  S().handles[h] = sim::SvcHandle{true, access};
  *error = 0;
  return h;
}

Handle OpenServiceW(Handle manager, const std::wstring& name, std::uint32_t access, std::uint32_t* error) {
  std::lock_guard<std::recursive_mutex> g(S().lock);
  S().calls.push_back(L"OpenService " + name);
  HResult hr;
  if (Fails(SchedStep::OpenService, &hr)) {
    *error = static_cast<std::uint32_t>(hr);
    return 0;
  }
  auto m = S().handles.find(manager);
  if (m == S().handles.end() || !m->second.manager) {
    *error = 6;  // ERROR_INVALID_HANDLE
    return 0;
  }
  if (sim::Fold(name) != L"SCHEDULE" || !S().service_exists) {
    *error = kERROR_SERVICE_DOES_NOT_EXIST;
    return 0;
  }
  if ((access & ~S().service_rights) != 0) {
    *error = kERROR_ACCESS_DENIED;
    return 0;
  }
  Handle h = S().next_handle++;
  S().handles[h] = sim::SvcHandle{false, access};
  *error = 0;
  return h;
}

namespace {
// The open service handle, when it carries the right.
bool ServiceWith(Handle service, std::uint32_t right, std::uint32_t* error) {
  auto it = S().handles.find(service);
  if (it == S().handles.end() || it->second.manager) {
    *error = 6;
    return false;
  }
  if ((it->second.access & right) == 0) {
    *error = kERROR_ACCESS_DENIED;
    return false;
  }
  return true;
}
}  // namespace

bool QueryServiceStatus(Handle service, std::uint32_t* current_state, std::uint32_t* error) {
  std::lock_guard<std::recursive_mutex> g(S().lock);
  HResult hr;
  if (Fails(SchedStep::QueryServiceStatus, &hr)) {
    *error = static_cast<std::uint32_t>(hr);
    return false;
  }
  if (!ServiceWith(service, SERVICE_QUERY_STATUS, error)) return false;
  *current_state = S().service_state;
  *error = 0;
  return true;
}

// The size of a QUERY_SERVICE_CONFIGW with the Schedule service's strings.
constexpr std::uint32_t kConfigSize = 36 + 2 * 120;

bool QueryServiceConfigSize(Handle service, std::uint32_t* bytes_needed, std::uint32_t* error) {
  std::lock_guard<std::recursive_mutex> g(S().lock);
  HResult hr;
  if (Fails(SchedStep::QueryServiceConfig, &hr)) {
    *error = static_cast<std::uint32_t>(hr);
    return false;
  }
  if (!ServiceWith(service, SERVICE_QUERY_CONFIG, error)) return false;
  *bytes_needed = kConfigSize;
  *error = kERROR_INSUFFICIENT_BUFFER;
  return true;
}

bool QueryServiceConfigStartType(Handle service, std::uint32_t buffer_size, std::uint32_t* start_type,
                                 std::uint32_t* error) {
  std::lock_guard<std::recursive_mutex> g(S().lock);
  HResult hr;
  if (Fails(SchedStep::QueryServiceConfig, &hr)) {
    *error = static_cast<std::uint32_t>(hr);
    return false;
  }
  if (!ServiceWith(service, SERVICE_QUERY_CONFIG, error)) return false;
  if (buffer_size < kConfigSize) {
    *error = kERROR_INSUFFICIENT_BUFFER;
    return false;
  }
  *start_type = S().service_start_type;
  *error = 0;
  return true;
}

bool ChangeServiceStartType(Handle service, std::uint32_t start_type, std::uint32_t* error) {
  std::lock_guard<std::recursive_mutex> g(S().lock);
  S().calls.push_back(L"ChangeServiceConfig Schedule " + std::to_wstring(start_type));
  HResult hr;
  if (Fails(SchedStep::ChangeServiceConfig, &hr)) {
    *error = static_cast<std::uint32_t>(hr);
    return false;
  }
  if (!ServiceWith(service, SERVICE_CHANGE_CONFIG, error)) return false;
  S().service_start_type = start_type;
  *error = 0;
  return true;
}

void CloseServiceHandle(Handle handle) {
  std::lock_guard<std::recursive_mutex> g(S().lock);
  S().handles.erase(handle);
}

}  // namespace plat
