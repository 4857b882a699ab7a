// Start-up: runtime services, the Main window, the message loop; the process
// ends with the loop's exit code once the window has gone.
#include "app/qt/desktop_qt.h"
#include "app/qt/main_window.h"
#include "app/qt/widgets.h"
#include "runtime/files.h"

#include <QApplication>

int main(int argc, char** argv)
{
    fenrow::init_program_dir();
    QApplication app(argc, argv);
    fenrow::use_design_font();
    fenrow::install_qt_services();
    return fenrow::run_main_window();
}
