#include "tests/usb_driver/stand_in_driver.h"

#include "tests/usb_driver/interface_registry.h"
#include "tests/usb_driver/topology_model.h"

/* As the simulator's programs refuse it: a larger topology file is not read. */
#define MAX_TOPOLOGY_BYTES (1u << 20)
#define PATH_ROOM 512
#define LINK_ROOM (MODEL_NAME_ROOM + 16)
#define POOL_TAG 0x6e497355u /* "UsIn" */

typedef struct DeviceState {
  ModelDevice model;
  unsigned ordinal; /* among the controllers: names its registry instance */
} DeviceState;

static TopologyModel* g_model;
static FAST_MUTEX g_lock; /* the model answers one request at a time */

/* "\DosDevices\" and an ASCII name, as a counted string in `units`. */
static int LinkName(const char* name, WCHAR* units, UNICODE_STRING* link) {
  static const WCHAR prefix[] = L"\\DosDevices\\";
  size_t n = 0, i;
  for (i = 0; prefix[i]; ++i) units[n++] = prefix[i];
  for (i = 0; name[i]; ++i) {
    if (n + 1 >= LINK_ROOM) return 0;
    units[n++] = (WCHAR)(unsigned char)name[i];
  }
  units[n] = 0;
  link->Buffer = units;
  link->Length = (USHORT)(n * sizeof(WCHAR));
  link->MaximumLength = (USHORT)(link->Length + sizeof(WCHAR));
  return 1;
}

static void DeviceNumberName(unsigned number, WCHAR* units, UNICODE_STRING* name) {
  static const WCHAR prefix[] = L"\\Device\\UsbStandIn";
  WCHAR digits[12];
  size_t n = 0, d = 0;
  for (; prefix[n]; ++n) units[n] = prefix[n];
  do {
    digits[d++] = (WCHAR)(L'0' + number % 10);
    number /= 10;
  } while (number);
  while (d) units[n++] = digits[--d];
  units[n] = 0;
  name->Buffer = units;
  name->Length = (USHORT)(n * sizeof(WCHAR));
  name->MaximumLength = (USHORT)(name->Length + sizeof(WCHAR));
}

/* The names a device is opened by: "HCDn" and its interface for a controller, its name for a
 * hub. Each call gives the next; 0 when there are no more. */
static int NextLink(const ModelDevice* device, int* step, WCHAR* units, UNICODE_STRING* link) {
  if (!device->openable) return 0;
  if (device->hub) return (*step)++ == 0 && LinkName(device->path, units, link);
  if (*step == 0) {
    ++*step;
    if (device->legacyNumber >= 0) {
      char hcd[8] = {'H', 'C', 'D', (char)('0' + device->legacyNumber % 10), 0};
      return LinkName(hcd, units, link);
    }
  }
  if (*step == 1) {
    ++*step;
    /* Wine hands a reference string ("\2") to the device as the rest of the name. */
    if (device->interfaces > 0) return LinkName(device->path + 4, units, link);
  }
  return 0;
}

static void RemoveDevices(PDRIVER_OBJECT driver) {
  while (driver->DeviceObject) {
    PDEVICE_OBJECT object = driver->DeviceObject;
    DeviceState* state = (DeviceState*)object->DeviceExtension;
    WCHAR units[LINK_ROOM];
    UNICODE_STRING link;
    int step = 0;
    while (NextLink(&state->model, &step, units, &link)) IoDeleteSymbolicLink(&link);
    if (state->model.controller) UnregisterInterfaces(state->ordinal, &state->model);
    IoDeleteDevice(object);
  }
}

static VOID NTAPI Unload(PDRIVER_OBJECT driver) {
  RemoveDevices(driver);
  if (g_model) ModelFree(g_model);
  g_model = NULL;
}

static NTSTATUS Complete(PIRP irp, NTSTATUS status, ULONG_PTR information) {
  irp->IoStatus.Status = status;
  irp->IoStatus.Information = information;
  IoCompleteRequest(irp, IO_NO_INCREMENT);
  return status;
}

static NTSTATUS NTAPI OpenOrClose(PDEVICE_OBJECT object, PIRP irp) {
  (void)object;
  return Complete(irp, STATUS_SUCCESS, 0);
}

static NTSTATUS NTAPI Control(PDEVICE_OBJECT object, PIRP irp) {
  const IO_STACK_LOCATION* stack = IoGetCurrentIrpStackLocation(irp);
  const DeviceState* state = (const DeviceState*)object->DeviceExtension;
  const ULONG code = stack->Parameters.DeviceIoControl.IoControlCode;
  size_t written = 0;
  ModelOutcome outcome;
  if ((code & 3) != METHOD_BUFFERED) return Complete(irp, STATUS_INVALID_DEVICE_REQUEST, 0);
  ExAcquireFastMutex(&g_lock);
  outcome = ModelAnswer(g_model, &state->model, code, irp->AssociatedIrp.SystemBuffer,
                        stack->Parameters.DeviceIoControl.InputBufferLength,
                        stack->Parameters.DeviceIoControl.OutputBufferLength, &written);
  ExReleaseFastMutex(&g_lock);
  switch (outcome) {
    case kModelOk: return Complete(irp, STATUS_SUCCESS, written);
    case kModelBufferTooSmall: return Complete(irp, STATUS_BUFFER_TOO_SMALL, 0);
    case kModelInvalidParameter: return Complete(irp, STATUS_INVALID_PARAMETER, 0);
    case kModelInvalidRequest: return Complete(irp, STATUS_INVALID_DEVICE_REQUEST, 0);
    default: return Complete(irp, STATUS_UNSUCCESSFUL, 0);
  }
}

static HANDLE OpenServiceKey(PUNICODE_STRING serviceKey) {
  OBJECT_ATTRIBUTES attributes;
  HANDLE key = NULL;
  InitializeObjectAttributes(&attributes, serviceKey, OBJ_CASE_INSENSITIVE | OBJ_KERNEL_HANDLE,
                             NULL, NULL);
  if (!NT_SUCCESS(ZwOpenKey(&key, KEY_READ | KEY_SET_VALUE, &attributes))) return NULL;
  return key;
}

/* The value "TopologyFile": a DOS path, kept as the object name "\??\<path>" and in ASCII for
 * the simulator's error lines. */
static int TopologyPath(HANDLE key, WCHAR* objectName, char* narrow) {
  union {
    KEY_VALUE_PARTIAL_INFORMATION info;
    UCHAR bytes[sizeof(KEY_VALUE_PARTIAL_INFORMATION) + PATH_ROOM * sizeof(WCHAR)];
  } value;
  UNICODE_STRING name;
  ULONG size = 0, units, i;
  const WCHAR* path;
  RtlInitUnicodeString(&name, L"TopologyFile");
  if (!NT_SUCCESS(ZwQueryValueKey(key, &name, KeyValuePartialInformation, &value, sizeof value,
                                  &size)) ||
      value.info.Type != REG_SZ)
    return 0;
  path = (const WCHAR*)value.info.Data;
  units = value.info.DataLength / sizeof(WCHAR);
  while (units > 0 && path[units - 1] == 0) --units;
  if (units == 0 || units + 5 > PATH_ROOM) return 0;
  objectName[0] = L'\\';
  objectName[1] = L'?';
  objectName[2] = L'?';
  objectName[3] = L'\\';
  for (i = 0; i < units; ++i) {
    objectName[4 + i] = path[i];
    narrow[i] = path[i] < 0x80 ? (char)path[i] : '?';
  }
  objectName[4 + units] = 0;
  narrow[units] = 0;
  return 1;
}

/* The whole file into a pool block, at most MAX_TOPOLOGY_BYTES; status as the simulator's
 * driver reports it: 0 read, 1 unreadable, 2 too large. */
static int ReadTopology(const WCHAR* objectName, char** bytes, size_t* size) {
  UNICODE_STRING name;
  OBJECT_ATTRIBUTES attributes;
  IO_STATUS_BLOCK io;
  HANDLE file;
  char* block;
  size_t have = 0;
  int result = 0;
  RtlInitUnicodeString(&name, objectName);
  InitializeObjectAttributes(&attributes, &name, OBJ_CASE_INSENSITIVE | OBJ_KERNEL_HANDLE, NULL,
                             NULL);
  if (!NT_SUCCESS(ZwCreateFile(&file, GENERIC_READ | SYNCHRONIZE, &attributes, &io, NULL,
                               FILE_ATTRIBUTE_NORMAL, FILE_SHARE_READ | FILE_SHARE_DELETE,
                               FILE_OPEN, FILE_SYNCHRONOUS_IO_NONALERT | FILE_NON_DIRECTORY_FILE,
                               NULL, 0)))
    return 1;
  /* One byte more than allowed tells a file of exactly the bound from a larger one. */
  block = (char*)ExAllocatePoolWithTag(PagedPool, MAX_TOPOLOGY_BYTES + 1, POOL_TAG);
  if (!block) {
    ZwClose(file);
    return 1;
  }
  for (;;) {
    NTSTATUS status = ZwReadFile(file, NULL, NULL, NULL, &io, block + have,
                                 (ULONG)(MAX_TOPOLOGY_BYTES + 1 - have), NULL, NULL);
    if (status == STATUS_END_OF_FILE || (NT_SUCCESS(status) && io.Information == 0)) break;
    if (!NT_SUCCESS(status)) {
      result = 1;
      break;
    }
    have += io.Information;
    if (have > MAX_TOPOLOGY_BYTES) {
      result = 2;
      break;
    }
  }
  ZwClose(file);
  if (result != 0) {
    ExFreePoolWithTag(block, POOL_TAG);
    return result;
  }
  *bytes = block;
  *size = have;
  return 0;
}

/* "TopologyStatus" under the service key: "ok", or the line the simulator's programs print. */
static void ReportStatus(HANDLE key, const char* text) {
  WCHAR units[MODEL_NAME_ROOM + PATH_ROOM];
  UNICODE_STRING name;
  size_t n = 0;
  while (text[n] && n + 1 < sizeof units / sizeof units[0]) {
    units[n] = (WCHAR)(unsigned char)text[n];
    ++n;
  }
  units[n] = 0;
  RtlInitUnicodeString(&name, L"TopologyStatus");
  ZwSetValueKey(key, &name, 0, REG_SZ, units, (ULONG)((n + 1) * sizeof(WCHAR)));
}

static void Format(char* out, size_t room, const char* a, const char* b) {
  size_t n = 0;
  while (*a && n + 1 < room) out[n++] = *a++;
  while (*b && n + 1 < room) out[n++] = *b++;
  out[n] = 0;
}

static NTSTATUS MakeDevices(PDRIVER_OBJECT driver) {
  const size_t count = ModelDeviceCount(g_model);
  unsigned controllers = 0;
  size_t i;
  for (i = 0; i < count; ++i) {
    WCHAR deviceUnits[40], linkUnits[LINK_ROOM];
    UNICODE_STRING deviceName, link;
    PDEVICE_OBJECT object;
    DeviceState* state;
    NTSTATUS status;
    int step = 0;
    DeviceNumberName((unsigned)i, deviceUnits, &deviceName);
    status = IoCreateDevice(driver, sizeof(DeviceState), &deviceName, FILE_DEVICE_UNKNOWN, 0,
                            FALSE, &object);
    if (!NT_SUCCESS(status)) return status;
    state = (DeviceState*)object->DeviceExtension;
    ModelDeviceAt(g_model, i, &state->model);
    state->ordinal = state->model.controller ? controllers++ : 0;
    object->Flags |= DO_BUFFERED_IO;
    object->Flags &= ~DO_DEVICE_INITIALIZING;
    while (NextLink(&state->model, &step, linkUnits, &link)) {
      status = IoCreateSymbolicLink(&link, &deviceName);
      if (!NT_SUCCESS(status)) return status;
    }
    if (state->model.controller) {
      status = RegisterInterfaces(state->ordinal, &state->model);
      if (!NT_SUCCESS(status)) return status;
    }
  }
  return STATUS_SUCCESS;
}

NTSTATUS NTAPI StartStandIn(PDRIVER_OBJECT driver, PUNICODE_STRING serviceKey) {
  static WCHAR objectName[PATH_ROOM];
  static char source[PATH_ROOM];
  char error[MODEL_NAME_ROOM + PATH_ROOM], parseError[MODEL_NAME_ROOM + PATH_ROOM];
  char* bytes = NULL;
  size_t size = 0;
  NTSTATUS status;
  HANDLE key = OpenServiceKey(serviceKey);
  int read;
  if (!key) return STATUS_OBJECT_NAME_NOT_FOUND;
  ExInitializeFastMutex(&g_lock);
  driver->DriverUnload = Unload;
  driver->MajorFunction[IRP_MJ_CREATE] = OpenOrClose;
  driver->MajorFunction[IRP_MJ_CLOSE] = OpenOrClose;
  driver->MajorFunction[IRP_MJ_DEVICE_CONTROL] = Control;

  read = TopologyPath(key, objectName, source) ? ReadTopology(objectName, &bytes, &size) : 1;
  error[0] = 0;
  if (read == 1) Format(error, sizeof error, source, ":0: cannot read the topology file");
  if (read == 2)
    Format(error, sizeof error, source, ":0: the topology file is larger than 1048576 bytes");
  /* An unread file is a machine without controllers, as for the simulator's programs. */
  g_model = ModelLoad(read == 0 ? bytes : "", read == 0 ? size : 0, source, parseError,
                      sizeof parseError);
  if (!error[0]) Format(error, sizeof error, parseError, "");
  if (bytes) ExFreePoolWithTag(bytes, POOL_TAG);
  if (!g_model) {
    ZwClose(key);
    return STATUS_INSUFFICIENT_RESOURCES;
  }
  ReportStatus(key, error[0] ? error : "ok");
  ZwClose(key);
  status = MakeDevices(driver);
  if (!NT_SUCCESS(status)) Unload(driver);
  return status;
}
