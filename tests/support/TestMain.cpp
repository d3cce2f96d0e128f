// SPDX-License-Identifier: GPL-3.0-or-later
// Every test binary runs with a QApplication, so widget tests and queued
// connections work; the platform comes from QT_QPA_PLATFORM (offscreen for unit tests).
#include <QApplication>

#include <gtest/gtest.h>

int main(int argc, char **argv)
{
    // No test, nor any kelvo it starts, checks for updates unless the test asks.
    qputenv("KELVO_NO_UPDATES", "1");
    // Texts, dates and the PDF page size follow the locale: every test, and every
    // kelvo it starts, sees the same one whatever the machine's language.
    qputenv("LC_ALL", "C.UTF-8");
    qunsetenv("LANGUAGE");
    QApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
