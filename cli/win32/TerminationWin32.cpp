#include "cli/Interrupt.h"
#include "cli/SafeOutput.h"

#include <windows.h>

namespace clipreel {
namespace cli {

namespace {

// The handler runs on its own thread while the command goes on. A file open
// for writing cannot be deleted here, so it first gives the command a moment
// to see the flag, stop between two writes and remove its temporary itself
// (the system allows a closing console about five seconds in all).
BOOL WINAPI OnConsoleEvent(DWORD event) {
    if (event == CTRL_C_EVENT && CooperativeCancelActive() && !InterruptRequested()) {
        RequestInterrupt();
        return TRUE;
    }
    RequestInterrupt();
    for (int wait = 0; wait < 30 && AnyLiveTemporary(); ++wait) Sleep(100);
    CleanUpLiveTemporaries();
    TerminateProcess(GetCurrentProcess(), static_cast<UINT>(STATUS_CONTROL_C_EXIT));
    return TRUE;
}

}

void InstallTerminationHandlers() {
    SetConsoleCtrlHandler(OnConsoleEvent, TRUE);
}

}
}
