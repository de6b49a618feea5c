// The program's entry point: one run of the dialog flow. The command line and
// the other arguments have no meaning for it.
#include "interactive/interactive.h"
#include "platform/platform.h"

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int)
{
    return run_dialog_flow();
}
