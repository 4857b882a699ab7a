// Start-up: runtime services, the Main window, the message loop; the process
// ends when the window is closed, whatever workers still run.
#include "app/desktop_qt.h"
#include "app/main_window.h"
#include "runtime/files.h"

#include <QApplication>

#include <cstdio>
#include <cstdlib>

int main(int argc, char** argv)
{
    fenrow::init_program_dir();
    QApplication app(argc, argv);
    // The design geometry assumes a 12-pixel user-interface font.
    QFont font = QApplication::font();
    font.setPixelSize(12);
    QApplication::setFont(font);
    fenrow::install_qt_services();
    fenrow::MainWindow window;
    window.show();
    const int code = app.exec();
    std::fflush(nullptr);
    // Workers may still be running or waiting for the window: end at once.
    std::_Exit(code);
}
