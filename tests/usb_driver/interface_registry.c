#include "tests/usb_driver/interface_registry.h"

#define MACHINE L"\\Registry\\Machine\\System\\CurrentControlSet\\"
#define HOST_CONTROLLER_CLASS L"{3abf6f2d-71c4-462a-8a92-1e6861e6af27}"
#define USB_SETUP_CLASS L"{36fc9e60-c465-11cf-8056-444553540000}"
#define INSTANCE_PARENT L"ROOT\\USBSTANDIN"

/* Longest key name this file builds, in units with the terminator. */
#define KEY_ROOM 512

typedef struct KeyName {
  WCHAR units[KEY_ROOM];
  size_t length;
} KeyName;

static int Append(KeyName* name, const WCHAR* text) {
  while (*text) {
    if (name->length + 1 >= KEY_ROOM) return 0;
    name->units[name->length++] = *text++;
  }
  name->units[name->length] = 0;
  return 1;
}

static int AppendAscii(KeyName* name, const char* text) {
  while (*text) {
    if (name->length + 1 >= KEY_ROOM) return 0;
    name->units[name->length++] = (WCHAR)(unsigned char)*text++;
  }
  name->units[name->length] = 0;
  return 1;
}

static int AppendNumber(KeyName* name, unsigned value) {
  WCHAR digits[12];
  size_t n = 0;
  do {
    digits[n++] = (WCHAR)(L'0' + value % 10);
    value /= 10;
  } while (value && n < 11);
  while (n) {
    if (name->length + 1 >= KEY_ROOM) return 0;
    name->units[name->length++] = digits[--n];
  }
  name->units[name->length] = 0;
  return 1;
}

static void Unicode(const KeyName* name, UNICODE_STRING* text) {
  text->Buffer = (PWSTR)name->units;
  text->Length = (USHORT)(name->length * sizeof(WCHAR));
  text->MaximumLength = (USHORT)(text->Length + sizeof(WCHAR));
}

static NTSTATUS CreateKey(const KeyName* name, ULONG options, HANDLE* key) {
  UNICODE_STRING text;
  OBJECT_ATTRIBUTES attributes;
  Unicode(name, &text);
  InitializeObjectAttributes(&attributes, &text, OBJ_CASE_INSENSITIVE | OBJ_KERNEL_HANDLE, NULL,
                             NULL);
  return ZwCreateKey(key, KEY_ALL_ACCESS, &attributes, 0, NULL, options, NULL);
}

static NTSTATUS CreateOnly(const KeyName* name, ULONG options) {
  HANDLE key;
  NTSTATUS status = CreateKey(name, options, &key);
  if (NT_SUCCESS(status)) ZwClose(key);
  return status;
}

static NTSTATUS SetString(HANDLE key, const WCHAR* value, const KeyName* data) {
  UNICODE_STRING text;
  RtlInitUnicodeString(&text, value);
  return ZwSetValueKey(key, &text, 0, REG_SZ, (PVOID)data->units,
                       (ULONG)((data->length + 1) * sizeof(WCHAR)));
}

static void DeleteKey(const KeyName* name) {
  UNICODE_STRING text;
  OBJECT_ATTRIBUTES attributes;
  HANDLE key;
  Unicode(name, &text);
  InitializeObjectAttributes(&attributes, &text, OBJ_CASE_INSENSITIVE | OBJ_KERNEL_HANDLE, NULL,
                             NULL);
  if (NT_SUCCESS(ZwOpenKey(&key, KEY_ALL_ACCESS, &attributes))) {
    ZwDeleteKey(key);
    ZwClose(key);
  }
}

/* "ROOT\USBSTANDIN\<ordinal>": the device instance the interfaces belong to. */
static int InstanceId(unsigned ordinal, KeyName* id) {
  id->length = 0;
  return Append(id, INSTANCE_PARENT L"\\") && AppendNumber(id, ordinal);
}

/* The interface's key, "##?#<path after \\?\>", under the class's key. */
static int InterfaceKey(const ModelDevice* device, KeyName* key) {
  key->length = 0;
  return Append(key, MACHINE L"Control\\DeviceClasses\\" HOST_CONTROLLER_CLASS L"\\##?#") &&
         AppendAscii(key, device->path + 4);
}

/* Its reference string's key: "#" for the first, "#<i>" for the others. */
static int ReferenceKey(const ModelDevice* device, unsigned i, KeyName* key) {
  if (!InterfaceKey(device, key) || !Append(key, L"\\#")) return 0;
  return i <= 1 || AppendNumber(key, i);
}

NTSTATUS RegisterInterfaces(unsigned ordinal, const ModelDevice* device) {
  KeyName id, name;
  HANDLE key;
  NTSTATUS status;
  unsigned i;
  if (device->interfaces == 0) return STATUS_SUCCESS;
  if (!InstanceId(ordinal, &id)) return STATUS_NAME_TOO_LONG;

  name.length = 0;
  Append(&name, MACHINE L"Enum\\" INSTANCE_PARENT);
  status = CreateOnly(&name, REG_OPTION_NON_VOLATILE);
  if (!NT_SUCCESS(status)) return status;
  name.length = 0;
  if (!Append(&name, MACHINE L"Enum\\") || !Append(&name, id.units)) return STATUS_NAME_TOO_LONG;
  status = CreateKey(&name, REG_OPTION_NON_VOLATILE, &key);
  if (!NT_SUCCESS(status)) return status;
  {
    KeyName setupClass = {{0}, 0};
    Append(&setupClass, USB_SETUP_CLASS);
    status = SetString(key, L"ClassGUID", &setupClass);
  }
  ZwClose(key);
  if (!NT_SUCCESS(status)) return status;

  name.length = 0;
  Append(&name, MACHINE L"Control\\DeviceClasses\\" HOST_CONTROLLER_CLASS);
  status = CreateOnly(&name, REG_OPTION_NON_VOLATILE);
  if (!NT_SUCCESS(status)) return status;
  if (!InterfaceKey(device, &name)) return STATUS_NAME_TOO_LONG;
  status = CreateKey(&name, REG_OPTION_NON_VOLATILE, &key);
  if (!NT_SUCCESS(status)) return status;
  status = SetString(key, L"DeviceInstance", &id);
  ZwClose(key);
  if (!NT_SUCCESS(status)) return status;

  for (i = 1; i <= device->interfaces; ++i) {
    KeyName link = {{0}, 0};
    if (!AppendAscii(&link, device->path)) return STATUS_NAME_TOO_LONG;
    if (i > 1 && !(Append(&link, L"\\") && AppendNumber(&link, i))) return STATUS_NAME_TOO_LONG;
    if (!ReferenceKey(device, i, &name)) return STATUS_NAME_TOO_LONG;
    status = CreateKey(&name, REG_OPTION_NON_VOLATILE, &key);
    if (!NT_SUCCESS(status)) return status;
    status = SetString(key, L"SymbolicLink", &link);
    ZwClose(key);
    if (!NT_SUCCESS(status)) return status;
    /* Volatile, as the platform keeps it: entries a crashed driver leaves are not present. */
    if (!Append(&name, L"\\Control")) return STATUS_NAME_TOO_LONG;
    status = CreateKey(&name, REG_OPTION_VOLATILE, &key);
    if (!NT_SUCCESS(status)) return status;
    {
      UNICODE_STRING value;
      ULONG linked = 1;
      RtlInitUnicodeString(&value, L"Linked");
      status = ZwSetValueKey(key, &value, 0, REG_DWORD, &linked, sizeof linked);
    }
    ZwClose(key);
    if (!NT_SUCCESS(status)) return status;
  }
  return STATUS_SUCCESS;
}

void UnregisterInterfaces(unsigned ordinal, const ModelDevice* device) {
  KeyName id, name;
  unsigned i;
  if (device->interfaces == 0) return;
  for (i = 1; i <= device->interfaces; ++i) {
    if (!ReferenceKey(device, i, &name)) continue;
    if (Append(&name, L"\\Control")) DeleteKey(&name);
    if (ReferenceKey(device, i, &name)) DeleteKey(&name);
  }
  if (InterfaceKey(device, &name)) DeleteKey(&name);
  if (InstanceId(ordinal, &id)) {
    name.length = 0;
    if (Append(&name, MACHINE L"Enum\\") && Append(&name, id.units)) DeleteKey(&name);
  }
}
