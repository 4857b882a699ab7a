// Start-up on Windows: the program directory, the Main window, the message
// loop; the process ends with the loop's exit code once the window has gone.
#include "app/shell.h"
#include "app/win32/dpi.h"
#include "app/win32/main_window.h"
#include "runtime/heap.h"

#include <objbase.h>

int main()
{
    // Before any window: the program draws itself crisp at every scale.
    fenrow::declare_dpi_awareness();
    fenrow::init_program_folders();
    fenrow::keep_freed_blocks(); // before any thread
    // Screen readers' requests reach the large boxes through COM on this thread.
    CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    return fenrow::run_main_window();
}
