// Start-up: runtime services, the Main window, the message loop; the process
// ends when the window is closed, whatever workers still run.
#include "app/desktop_qt.h"
#include "app/main_window.h"
#include "runtime/files.h"

#include "app/widgets.h"

#include <QApplication>

int main(int argc, char** argv)
{
    fenrow::init_program_dir();
    QApplication app(argc, argv);
    fenrow::use_design_font();
    fenrow::install_qt_services();
    fenrow::MainWindow window;
    window.show();
    fenrow::run_until_closed();
}
