#include "core/ErrorReporting.h"
#include "support/RecordingNotifier.h"

#include <gtest/gtest.h>

#include <regex>

using namespace tonwerk::core;
using tonwerk::test::RecordingNotifier;

namespace {

TEST(ErrorReporting, MessageKindsCarryTheirCaptionsAndIcons) {
    EXPECT_EQ(messageOf(MessageKind::Notice, "t").caption, "Notice");
    EXPECT_EQ(messageOf(MessageKind::Notice, "t").icon, MessageIcon::Information);
    EXPECT_EQ(messageOf(MessageKind::Warning, "t").caption, "Warning");
    EXPECT_EQ(messageOf(MessageKind::Error, "t").caption, "Error");
    EXPECT_EQ(messageOf(MessageKind::FatalError, "t").caption, "FATAL ERROR");
    EXPECT_EQ(messageOf(MessageKind::FatalError, "t").icon, MessageIcon::Error);
    EXPECT_EQ(messageOf(MessageKind::Confirm, "t", MessageButtons::YesNo).caption, "Please Confirm");
    EXPECT_EQ(messageOf(MessageKind::Confirm, "t").icon, MessageIcon::Question);

    RecordingNotifier notifier;
    showMessage(notifier, 8231, MessageKind::Error);
    EXPECT_EQ(notifier.last().text,
              "The selected Wave file is not a PCM encoded file and cannot be opened by this application.");
    EXPECT_EQ(notifier.last().caption, "Error");
}

TEST(ErrorReporting, InternalErrorText) {
    RecordingNotifier notifier;
    internalError(notifier, "Something broke", "th_midi", 1234);
    ASSERT_EQ(notifier.count(), 1u);
    EXPECT_EQ(notifier.last().text, "Sorry, Internal Error!\n Something broke\nFile: th_midi\nLine: 1234\n");
    EXPECT_EQ(notifier.last().icon, MessageIcon::Error);
}

TEST(ErrorReporting, AllocGlobalEdges) {
    RecordingNotifier notifier;
    // Zero bytes is an ordinary request.
    GlobalBlock empty = allocGlobal(notifier, 0);
    EXPECT_NE(empty, nullptr);
    EXPECT_EQ(notifier.count(), 0u);

    GlobalBlock block = allocGlobal(notifier, 1000);
    ASSERT_NE(block, nullptr);
    EXPECT_EQ(block[999], std::byte{0});

    // A negative size is an internal error of the caller.
    EXPECT_EQ(allocGlobal(notifier, -1), nullptr);
    ASSERT_EQ(notifier.count(), 1u);
    EXPECT_TRUE(std::regex_match(notifier.last().text,
                                 std::regex("Sorry, Internal Error!\n Negative memory allocation!\nFile: th_midi\n"
                                            "Line: [0-9]+\n")))
        << notifier.last().text;

    // More than the machine has.
    EXPECT_EQ(allocGlobal(notifier, std::int64_t{1} << 62), nullptr);
    ASSERT_EQ(notifier.count(), 2u);
    EXPECT_EQ(notifier.last().text, "No global memory in MyAllocGlobalPtr");
}

TEST(ErrorReporting, FreeGlobalEdges) {
    RecordingNotifier notifier;
    GlobalBlock none;
    freeGlobal(notifier, none, 10);
    ASSERT_EQ(notifier.count(), 1u);
    EXPECT_NE(notifier.last().text.find("Negative memory deallocation!"), std::string::npos);

    GlobalBlock block = allocGlobal(notifier, 16);
    freeGlobal(notifier, block, -5); // refused: the block stays
    EXPECT_NE(block, nullptr);
    EXPECT_NE(notifier.last().text.find("Negative memory allocation!"), std::string::npos);
    freeGlobal(notifier, block, 16);
    EXPECT_EQ(block, nullptr);
    EXPECT_EQ(notifier.count(), 2u);
}

TEST(ErrorReporting, DefaultAnswerIsTheFirstButton) {
    EXPECT_EQ(defaultAnswer(MessageButtons::Ok), MessageAnswer::Ok);
    EXPECT_EQ(defaultAnswer(MessageButtons::OkCancel), MessageAnswer::Ok);
    EXPECT_EQ(defaultAnswer(MessageButtons::YesNo), MessageAnswer::Yes);
    EXPECT_EQ(defaultAnswer(MessageButtons::YesNoCancel), MessageAnswer::Yes);
    EXPECT_EQ(defaultAnswer(MessageButtons::RetryCancel), MessageAnswer::Retry);
}

} // namespace
