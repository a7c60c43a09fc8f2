#include "platform/native_file_services.h"
#include "support/recording_control_layer.h"
#include "support/temp_tree.h"
#include "ui/event_loop.h"
#include "ui/program.h"
#include "ui/status_line.h"

#include <gtest/gtest.h>

namespace bk::test {

namespace {

using Texts = std::vector<std::string>;

class StatusLineTest : public ::testing::Test {
  protected:
    StatusLineTest() : files(tree.root() + "/"), program(controls, files) {}

    TempTree tree;
    NativeFileServices files;
    RecordingControlLayer controls;
    Program program;
};

TEST_F(StatusLineTest, RepeatedTextIsSentOnce) {
    SetStatusActivity(program, "Lese Dateien...");
    SetStatusActivity(program, "Lese Dateien...");
    SetStatusDetail(program, "1 Dateien");
    SetStatusDetail(program, "1 Dateien");
    SetStatusDetail(program, "2 Dateien");
    SetStatusDetail(program, "2 Dateien");
    EXPECT_EQ(controls.statusTextsOf(0), Texts{"Lese Dateien..."});
    EXPECT_EQ(controls.statusTextsOf(1), (Texts{"1 Dateien", "2 Dateien"}));
}

TEST_F(StatusLineTest, EmptyTextFirstSendsNothingButEmptyingALaterTextIsSent) {
    SetStatusActivity(program, "");
    SetStatusDetail(program, "");
    EXPECT_TRUE(controls.statusTexts.empty());

    SetStatusActivity(program, "Update Liste");
    SetStatusActivity(program, "");
    SetStatusActivity(program, "");
    EXPECT_EQ(controls.statusTextsOf(0), (Texts{"Update Liste", ""}));
}

TEST_F(StatusLineTest, TextReturningAfterAnotherIsSentAgain) {
    for (const char* text : {"Willkommen beim Brannoway-Kestrill", "Update Liste",
                             "Willkommen beim Brannoway-Kestrill",
                             "Willkommen beim Brannoway-Kestrill", "Update Liste"}) {
        SetStatusActivity(program, text);
    }
    EXPECT_EQ(controls.statusTextsOf(0),
              (Texts{"Willkommen beim Brannoway-Kestrill", "Update Liste",
                     "Willkommen beim Brannoway-Kestrill", "Update Liste"}));
}

TEST_F(StatusLineTest, EachFieldRemembersItsOwnLastText) {
    SetStatusActivity(program, "same");
    SetStatusDetail(program, "same");
    SetStatusActivity(program, "same");
    EXPECT_EQ(controls.statusTextsOf(0), Texts{"same"});
    EXPECT_EQ(controls.statusTextsOf(1), Texts{"same"});
    EXPECT_EQ(controls.statusTexts.size(), 2U);
}

TEST_F(StatusLineTest, TextsAreComparedByteForByte) {
    // The comparison is byte for byte: letter case counts, and so does a text that merely
    // starts like the last one.
    SetStatusDetail(program, "10 Dateien");
    SetStatusDetail(program, "10 dateien");
    SetStatusDetail(program, "10 dateien!");
    SetStatusDetail(program, "10 dateien");
    SetStatusDetail(program, std::string("1\0", 2));
    SetStatusDetail(program, "1");
    EXPECT_EQ(controls.statusTextsOf(1), (Texts{"10 Dateien", "10 dateien", "10 dateien!",
                                                "10 dateien", std::string("1\0", 2), "1"}));
}

TEST_F(StatusLineTest, EventLoopSendsIdleTextsOnlyWhenSomethingElseWasShown) {
    // The recording layer answers every wait with a close request: one pass a run.
    RunEventLoop(program);
    RunEventLoop(program);
    EXPECT_EQ(controls.statusTextsOf(0), Texts{"Willkommen beim Brannoway-Kestrill"});
    EXPECT_EQ(controls.statusTextsOf(1), Texts{"Programmed by Ostrevallen"});

    SetStatusActivity(program, "Update Liste");
    RunEventLoop(program);
    EXPECT_EQ(controls.statusTextsOf(0),
              (Texts{"Willkommen beim Brannoway-Kestrill", "Update Liste",
                     "Willkommen beim Brannoway-Kestrill"}));
    EXPECT_EQ(controls.statusTextsOf(1), Texts{"Programmed by Ostrevallen"});
}

} // namespace

} // namespace bk::test
