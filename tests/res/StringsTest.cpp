#include "res/Strings.h"

#include <gtest/gtest.h>

using namespace tonwerk::res;

namespace {

TEST(StringTable, IdentifiersAreSortedAndUnique) {
    for (const StringEntry* e = stringTableBegin(); e + 1 < stringTableEnd(); ++e) {
        EXPECT_LT(e->id, (e + 1)->id) << e->id;
    }
    for (const StringEntry* e = stringTableBegin(); e < stringTableEnd(); ++e) {
        EXPECT_TRUE(hasString(e->id));
        EXPECT_EQ(loadString(e->id), e->text);
    }
}

TEST(StringTable, TextsVerbatim) {
    EXPECT_EQ(loadString(3000), "ORVAN Tonwerk");
    EXPECT_EQ(loadString(3004), "Notice");
    EXPECT_EQ(loadString(3005), "Warning");
    EXPECT_EQ(loadString(3006), "Error");
    EXPECT_EQ(loadString(3007), "FATAL ERROR");
    EXPECT_EQ(loadString(3008), "Please Confirm");
    EXPECT_EQ(loadString(3009), "Unknown Error.");
    EXPECT_EQ(loadString(3151), "\\ZXCVBNM,./");
    EXPECT_EQ(loadString(3316), "Stream-No.: %d [%4.4hs/%4.4hs] Start: %ld Length: %ld (%ld.%03ld s)\n\r");
    EXPECT_EQ(loadString(3317), "Position: %ld\t Time: %ld.%03ld s\t Size: %ld Byte\n\r");
    EXPECT_EQ(loadString(8229), "Could not create a Directsound object: Either the required device is busy, or "
                                "the DirectSound subsystem is not properly installed.");
    EXPECT_EQ(loadString(8269), "Calling the primary DirectSound-driver failed. \n Please check your system for a "
                                "correctly installed sound-device.");
    EXPECT_EQ(loadString(8275), "The buffer isn't a secundary buffer!");
    EXPECT_EQ(loadString(8296), "File not found!");
    EXPECT_EQ(loadString(17002), "found a droppable target");
    EXPECT_EQ(loadString(59158), "%u Hz, %u bit, Stereo");
    EXPECT_EQ(loadString(106), "%lu KB RAM free");
}

TEST(StringTable, UnknownIdentifiersAreEmpty) {
    EXPECT_FALSE(hasString(0));
    EXPECT_FALSE(hasString(-1));
    EXPECT_FALSE(hasString(99999));
    EXPECT_EQ(loadString(3001), "");
}

} // namespace
