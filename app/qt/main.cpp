// Start-up: runtime services, the Main window, the message loop; the process
// ends with the loop's exit code once the window has gone.
#include "app/qt/desktop_qt.h"
#include "app/qt/main_window.h"
#include "app/qt/qt_text.h"
#include "app/qt/widgets.h"
#include "app/shell.h"
#include "runtime/codepage.h"
#include "runtime/heap.h"

#include <QApplication>

#include <cstdio>
#include <cstring>

namespace {

void print(const fenrow::Text& t) { std::fputs(fenrow::text_to_utf8(t).c_str(), stdout); }

// --help and --version answer without a display; other arguments go to Qt.
bool answered_on_the_command_line(int argc, char** argv)
{
    using fenrow::operator""_t;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--version") == 0) {
            std::printf("fenrow %s\n", FENROW_VERSION);
            return true;
        }
        if (std::strcmp(argv[i], "--help") == 0 || std::strcmp(argv[i], "-h") == 0) {
            print("用法：fenrow [--help] [--version]\n"_t);
            print("Fenrow：整理一行一个账号的列表（编号、后缀、分组、提取、去空行、去重复、生成文本）。\n"_t);
            print("  --help     显示本说明后退出\n"_t);
            print("  --version  显示版本后退出\n"_t);
            print("生成的文本文件写在程序所在的文件夹；那里不可写（已安装）或是临时文件夹时，写在“文档/Fenrow”。\n"_t);
            print("A desktop tool for lists of accounts, one a line. Generated files go to the program's folder,\n"
                  "or to Documents/Fenrow when that cannot be written (installed) or is a temporary folder.\n");
            return true;
        }
    }
    return false;
}

} // namespace

int main(int argc, char** argv)
{
    if (answered_on_the_command_line(argc, argv))
        return 0;
    fenrow::init_program_folders();
    fenrow::keep_freed_blocks(); // before any thread
    QApplication app(argc, argv);
    // The desktop entry's name: Wayland compositors and software centres tie
    // the window to its entry, icon and metainfo by it.
    QGuiApplication::setDesktopFileName(QStringLiteral(FENROW_APP_ID));
    fenrow::use_chinese_translations();
    fenrow::use_design_font();
    fenrow::install_qt_services();
    return fenrow::run_main_window();
}
