// main() for tests that need a QApplication: offscreen unless told otherwise.
#include "app/shell.h"

#include <QApplication>
#include <gtest/gtest.h>

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    fenrow::usage_counter_at_start = false;
    testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
