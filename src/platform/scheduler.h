// Task Scheduler 2.0 and the service control manager.
//
// The COM objects of the Task Scheduler (ITaskService, ITaskFolder,
// ITaskDefinition, IRegisteredTask, IRunningTask) are held as references:
// numbers that stand for one counted interface pointer each and are given
// back with ReleaseTaskObject. Every call mirrors one COM method or property
// and returns its HRESULT. The elements of a definition that the agent reads
// or writes (registration author, logon triggers, settings, the first exec
// action, principal) travel as small value types; setting them changes only
// those properties of the definition and keeps everything else it holds.
#pragma once
#include <cstdint>
#include <string>

#include "platform/owned.h"
#include "platform/types.h"

namespace plat {

// ---- HRESULTs -------------------------------------------------------------

using HResult = std::int32_t;
inline bool Failed(HResult hr) { return hr < 0; }
inline bool Succeeded(HResult hr) { return hr >= 0; }

constexpr HResult kS_OK = 0;
constexpr HResult kE_FAIL = static_cast<HResult>(0x80004005);
constexpr HResult kE_ACCESSDENIED = static_cast<HResult>(0x80070005);
// HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND): GetTask of a missing task.
constexpr HResult kHRESULT_FILE_NOT_FOUND = static_cast<HResult>(0x80070002);
constexpr HResult kREGDB_E_CLASSNOTREG = static_cast<HResult>(0x80040154);
constexpr HResult kE_NOTIMPL = static_cast<HResult>(0x80004001);

// Last results of a task (IRegisteredTask::LastTaskResult).
constexpr std::int32_t SCHED_S_TASK_RUNNING = 0x00041301;
constexpr std::int32_t SCHED_S_TASK_HAS_NOT_RUN = 0x00041303;

// ---- Task Scheduler constants ----------------------------------------------

// TASK_STATE
constexpr int TASK_STATE_UNKNOWN = 0;
constexpr int TASK_STATE_DISABLED = 1;
constexpr int TASK_STATE_QUEUED = 2;
constexpr int TASK_STATE_READY = 3;
constexpr int TASK_STATE_RUNNING = 4;

// TASK_RUNLEVEL
constexpr int TASK_RUNLEVEL_LUA = 0;
constexpr int TASK_RUNLEVEL_HIGHEST = 1;

// TASK_INSTANCES_POLICY
constexpr int TASK_INSTANCES_PARALLEL = 0;

// TASK_CREATION
constexpr int TASK_CREATE_OR_UPDATE = 6;

// TASK_LOGON_TYPE
constexpr int TASK_LOGON_INTERACTIVE_TOKEN = 3;

// ---- Service control manager constants ------------------------------------

constexpr std::uint32_t SC_MANAGER_CONNECT = 0x0001;
constexpr std::uint32_t SERVICE_QUERY_CONFIG = 0x0001;
constexpr std::uint32_t SERVICE_CHANGE_CONFIG = 0x0002;
constexpr std::uint32_t SERVICE_QUERY_STATUS = 0x0004;

constexpr std::uint32_t SERVICE_STOPPED = 1;
constexpr std::uint32_t SERVICE_START_PENDING = 2;
constexpr std::uint32_t SERVICE_STOP_PENDING = 3;
constexpr std::uint32_t SERVICE_RUNNING = 4;

constexpr std::uint32_t SERVICE_AUTO_START = 2;
constexpr std::uint32_t SERVICE_DEMAND_START = 3;
constexpr std::uint32_t SERVICE_DISABLED = 4;

constexpr std::uint32_t kERROR_ACCESS_DENIED = 5;
constexpr std::uint32_t kERROR_INSUFFICIENT_BUFFER = 122;
constexpr std::uint32_t kERROR_SERVICE_DOES_NOT_EXIST = 1060;

// ---- Value types ------------------------------------------------------------

// A referenced COM object of the Task Scheduler; 0 is none.
using TaskObject = std::uint64_t;

// ILogonTrigger: UserId and Delay (an XML duration such as "PT0S").
struct TaskLogonTrigger {
  std::wstring user_id;
  std::wstring delay;
  bool operator==(const TaskLogonTrigger&) const = default;
};

// ITaskSettings with its IIdleSettings::StopOnIdleEnd.
struct TaskSettings {
  bool start_when_available = false;
  int multiple_instances = 1;  // TASK_INSTANCES_IGNORE_NEW, the platform's default
  int priority = 7;
  bool disallow_start_if_on_batteries = true;
  bool stop_if_going_on_batteries = true;
  bool run_only_if_idle = false;
  bool idle_stop_on_idle_end = true;
  std::wstring execution_time_limit = L"PT72H";
  bool operator==(const TaskSettings&) const = default;
};

// IExecAction.
struct TaskExecAction {
  std::wstring path;
  std::wstring arguments;
  std::wstring working_directory;
  bool operator==(const TaskExecAction&) const = default;
};

// IPrincipal: RunLevel and UserId.
struct TaskPrincipal {
  int run_level = TASK_RUNLEVEL_LUA;
  std::wstring user_id;
  bool operator==(const TaskPrincipal&) const = default;
};

// ---- ITaskService / ITaskFolder --------------------------------------------

// CoCreateInstance(CLSID_TaskScheduler, IID_ITaskService).
HResult CreateTaskService(TaskObject* service);
// ITaskService::Connect with four VT_NULL values (local machine, current user).
HResult TaskServiceConnect(TaskObject service);
// ITaskService::GetFolder.
HResult TaskServiceGetFolder(TaskObject service, const std::wstring& path, TaskObject* folder);
// ITaskService::NewTask(0).
HResult TaskServiceNewTask(TaskObject service, TaskObject* definition);

// ITaskFolder::GetTask.
HResult TaskFolderGetTask(TaskObject folder, const std::wstring& name, TaskObject* registered_task);
// ITaskFolder::DeleteTask(name, 0).
HResult TaskFolderDeleteTask(TaskObject folder, const std::wstring& name);
// ITaskFolder::RegisterTaskDefinition(name, definition, flags, VT_EMPTY user,
// VT_EMPTY password, logon_type, empty security descriptor).
HResult TaskFolderRegisterTaskDefinition(TaskObject folder, const std::wstring& name, TaskObject definition, int flags,
                                         int logon_type, TaskObject* registered_task);

// ---- ITaskDefinition ---------------------------------------------------------

// IRegistrationInfo::put_Author.
HResult TaskDefinitionSetAuthor(TaskObject definition, const std::wstring& author);
// ITriggerCollection::get_Count.
HResult TaskDefinitionTriggerCount(TaskObject definition, long* count);
// ITriggerCollection::Clear.
HResult TaskDefinitionClearTriggers(TaskObject definition);
// ITriggerCollection::Create(TASK_TRIGGER_LOGON), then UserId and Delay.
HResult TaskDefinitionAddLogonTrigger(TaskObject definition, const TaskLogonTrigger& trigger);
// ITaskSettings (and its IIdleSettings) read and written as a whole.
HResult TaskDefinitionGetSettings(TaskObject definition, TaskSettings* settings);
HResult TaskDefinitionSetSettings(TaskObject definition, const TaskSettings& settings);
// IActionCollection::Create(TASK_ACTION_EXEC) with path, arguments, directory.
HResult TaskDefinitionAddExecAction(TaskObject definition, const TaskExecAction& action);
// The first action of the collection as an IExecAction; fails when there is
// no action or the first one is of another kind.
HResult TaskDefinitionGetFirstExecAction(TaskObject definition, TaskExecAction* action);
HResult TaskDefinitionSetFirstExecAction(TaskObject definition, const TaskExecAction& action);
// IActionCollection::Clear.
HResult TaskDefinitionClearActions(TaskObject definition);
// IPrincipal RunLevel and UserId.
HResult TaskDefinitionGetPrincipal(TaskObject definition, TaskPrincipal* principal);
HResult TaskDefinitionSetPrincipal(TaskObject definition, const TaskPrincipal& principal);

// ---- IRegisteredTask / IRunningTask -----------------------------------------

// IRegisteredTask::get_Definition.
HResult RegisteredTaskGetDefinition(TaskObject registered_task, TaskObject* definition);
// IRegisteredTask::get_State (TASK_STATE_*).
HResult RegisteredTaskGetState(TaskObject registered_task, int* state);
// IRegisteredTask::get_LastRunTime / get_NextRunTime: DATE values (days since
// 30 December 1899, the time of day as the fraction).
HResult RegisteredTaskGetLastRunTime(TaskObject registered_task, double* date);
HResult RegisteredTaskGetNextRunTime(TaskObject registered_task, double* date);
// IRegisteredTask::get_LastTaskResult.
HResult RegisteredTaskGetLastTaskResult(TaskObject registered_task, std::int32_t* result);
// IRegisteredTask::Run(VT_NULL).
HResult RegisteredTaskRun(TaskObject registered_task, TaskObject* running_task);
// IRegisteredTask::Stop(0).
HResult RegisteredTaskStop(TaskObject registered_task);
// IRunningTask::Refresh and get_State.
HResult RunningTaskRefresh(TaskObject running_task);
HResult RunningTaskGetState(TaskObject running_task, int* state);

// IUnknown::Release of any object above; 0 is ignored.
void ReleaseTaskObject(TaskObject object);
using OwnedTaskObject = Owned<TaskObject, ReleaseTaskObject>;

// A DATE value as date and time in the user's default format (GetDateFormatW
// and GetTimeFormatW with LOCALE_USER_DEFAULT).
std::wstring FormatTaskDate(double date);

// ---- Service control manager ------------------------------------------------

// OpenSCManagerW on the local machine; 0 on failure (error in *error).
Handle OpenSCManagerW(std::uint32_t access, std::uint32_t* error);
// OpenServiceW; 0 on failure.
Handle OpenServiceW(Handle manager, const std::wstring& name, std::uint32_t access, std::uint32_t* error);
// QueryServiceStatus: dwCurrentState.
bool QueryServiceStatus(Handle service, std::uint32_t* current_state, std::uint32_t* error);
// QueryServiceConfigW with no buffer: the size it needs. Succeeds only when
// the platform answers ERROR_INSUFFICIENT_BUFFER (the error is given back
// either way).
bool QueryServiceConfigSize(Handle service, std::uint32_t* bytes_needed, std::uint32_t* error);
// QueryServiceConfigW into a buffer of buffer_size bytes: dwStartType.
bool QueryServiceConfigStartType(Handle service, std::uint32_t buffer_size, std::uint32_t* start_type,
                                 std::uint32_t* error);
// ChangeServiceConfigW changing only the start type (SERVICE_NO_CHANGE for
// everything else).
bool ChangeServiceStartType(Handle service, std::uint32_t start_type, std::uint32_t* error);
// CloseServiceHandle.
void CloseServiceHandle(Handle handle);

}  // namespace plat
