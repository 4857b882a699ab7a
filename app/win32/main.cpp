// Start-up on Windows: the program directory, the Main window, the message
// loop; the process ends with the loop's exit code once the window has gone.
#include "app/win32/main_window.h"
#include "app/shell.h"

int main()
{
    fenrow::init_program_folders();
    return fenrow::run_main_window();
}
