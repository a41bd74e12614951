/* The image imports the C and C++ runtimes (the simulator's model runs inside), so Wine's
 * loader takes it for an ordinary DLL and calls its entry point as DllMain before ntoskrnl
 * calls it as DriverEntry. The two calls are told apart by their second argument: a reason
 * code (0 to 3) or the service key's name. The runtime's start-up code then runs as for any
 * DLL, static constructors included. This works because Wine runs drivers in user space. */
#include <ntddk.h>

#include "tests/usb_driver/stand_in_driver.h"

/* The runtime's DLL start-up and the DllMain it calls; BOOL is an int. */
int WINAPI DllMainCRTStartup(PVOID instance, ULONG reason, PVOID reserved);
int WINAPI DllMain(PVOID instance, ULONG reason, PVOID reserved);

int WINAPI DllMain(PVOID instance, ULONG reason, PVOID reserved) {
  (void)instance;
  (void)reason;
  (void)reserved;
  return TRUE;
}

#if defined(__i386__)
/* On i686 both calls are stdcall, and the callee pops the arguments: three as DllMain, two as
 * DriverEntry. No C function pops both counts, so the entry jumps, with the caller's stack as it
 * is, to the function whose count its caller pushed; that one returns to the caller itself.
 * (Wine's loader resets the stack after DllMain, whatever was popped; ntoskrnl, after
 * DriverEntry, counts on 8 bytes popped.) */
__asm__(".text\n"
        ".globl _DriverEntry\n"
        "_DriverEntry:\n"
        "  cmpl $3, 8(%esp)\n"
        "  ja 1f\n"
        "  jmp _DllMainCRTStartup@12\n"
        "1:\n"
        "  jmp _StartStandIn@8\n");
#else
NTSTATUS DriverEntry(PVOID first, PVOID second, PVOID third);

NTSTATUS DriverEntry(PVOID first, PVOID second, PVOID third) {
  /* As DllMain the answer is a BOOL: nonzero (not STATUS_SUCCESS) is success. */
  if ((ULONG_PTR)second <= 3)
    return (NTSTATUS)DllMainCRTStartup(first, (ULONG)(ULONG_PTR)second, third);
  return StartStandIn((PDRIVER_OBJECT)first, (PUNICODE_STRING)second);
}
#endif
