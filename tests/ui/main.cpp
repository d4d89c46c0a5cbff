#include <QApplication>

#include <gtest/gtest.h>

#include <cstdlib>

// The user-interface tests need one QApplication for the whole run (offscreen platform).
int main(int argc, char** argv) {
    // Real widgets and real painting, without a display server.
    ::setenv("QT_QPA_PLATFORM", "offscreen", 0);
    ::setenv("TONWERK_AUDIO_NONE", "1", 0); // the shell's sound plays into the silent real-time output
    QApplication application(argc, argv);
    testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
