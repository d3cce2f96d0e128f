// Every test binary runs with a QApplication, so widget tests and queued
// connections work; the platform comes from QT_QPA_PLATFORM (offscreen for unit tests).
#include <QApplication>

#include <gtest/gtest.h>

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
