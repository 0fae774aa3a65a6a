#include <gtest/gtest.h>

#include <QApplication>

#include "BundledFonts.h"

int main(int argc, char** argv) {
    // Widget tests never need a real display.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    ::testing::InitGoogleTest(&argc, argv);
    QApplication app(argc, argv);
    prepareDrawing();
    return RUN_ALL_TESTS();
}
