// The simulated controller's replies: which lines are commands, what each is answered
// with, and what each fault puts on the line instead.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tools/ctlsim/protocol.h"

namespace {

using ctlsim::CommandKind;

TEST(CtlsimProtocol, ParsesOnlyTheControllersCommands) {
    struct Case {
        const char* Line;
        CommandKind Kind;
        uint16_t Number;
    };
    const Case cases[] = {
        {"CR", CommandKind::Greeting, 0},
        {"RD DM109", CommandKind::DataWord, 109},
        {"RD DM0", CommandKind::DataWord, 0},
        {"RD DM65535", CommandKind::DataWord, 65535},
        {"RD DM020", CommandKind::DataWord, 20},
        {"RD T48", CommandKind::Timer, 48},
        {"RD T2", CommandKind::Timer, 2},
        {"RD DM65536", CommandKind::Unknown, 0},
        {"RD DM", CommandKind::Unknown, 0},
        {"RD DM12a", CommandKind::Unknown, 0},
        {"RD DM-1", CommandKind::Unknown, 0},
        {"RD  DM1", CommandKind::Unknown, 0},
        {"rd dm1", CommandKind::Unknown, 0},
        {"cr", CommandKind::Unknown, 0},
        {"CR ", CommandKind::Unknown, 0},
        {"", CommandKind::Unknown, 0},
    };
    for (const Case& c : cases) {
        ctlsim::Command command = ctlsim::ParseCommand(c.Line);
        EXPECT_EQ(command.Kind, c.Kind) << "line \"" << c.Line << "\"";
        if (c.Kind != CommandKind::Unknown) {
            EXPECT_EQ(command.Number, c.Number) << "line \"" << c.Line << "\"";
        }
    }
}

TEST(CtlsimProtocol, AnswersFromTheDefaultImage) {
    const ctlsim::RegisterImage image = ctlsim::DefaultImage();
    struct Case {
        const char* Line;
        std::string Bytes;
        bool Known;
    };
    const Case cases[] = {
        {"CR", "CC\r\n", true},
        {"RD DM109", "123\r\n", true},
        {"RD DM20", "0\r\n", true},
        {"RD DM22", "12345\r\n", true},
        {"RD DM23", "65535\r\n", true},
        {"RD DM57", "57\r\n", true},       // a word answers its own number
        {"RD DM5000", "0\r\n", true},      // a word the image does not hold
        {"RD T2", "T002    00150\r\n", true},
        {"RD T48", "T048    1234\r\n", true},
        {"RD T1000", "T1000   0\r\n", true},
        {"WR DM20 5", "ERR\r\n", false},
    };
    for (const Case& c : cases) {
        ctlsim::ProtocolState state;
        ctlsim::Response response = ctlsim::Respond(c.Line, image, {}, state);
        EXPECT_EQ(response.Bytes, c.Bytes) << "line \"" << c.Line << "\"";
        EXPECT_EQ(response.Known, c.Known) << "line \"" << c.Line << "\"";
        EXPECT_FALSE(response.HangUp) << "line \"" << c.Line << "\"";
    }
}

TEST(CtlsimProtocol, DefaultImageCoversEveryDumpedWordAndTimer) {
    const ctlsim::RegisterImage image = ctlsim::DefaultImage();
    for (auto [first, last] : {std::pair{20, 139}, {200, 249}, {890, 899}, {980, 989}})
        for (int word = first; word <= last; ++word)
            EXPECT_TRUE(image.DataWords.count(static_cast<uint16_t>(word))) << "DM" << word;
    for (uint16_t timer : {2, 3, 12, 13, 48}) EXPECT_TRUE(image.Timers.count(timer)) << "T" << timer;
}

TEST(CtlsimProtocol, EachFaultChangesTheBytesOnTheLine) {
    const ctlsim::RegisterImage image = ctlsim::DefaultImage();
    struct Case {
        const char* Name;
        ctlsim::Faults Faults;
        const char* Line;
        std::string Bytes;
    };
    auto with = [](auto set) {
        ctlsim::Faults faults;
        set(faults);
        return faults;
    };
    const std::string longText = "123" + std::string(ctlsim::LongReplyLength - 3, '#');
    const std::vector<Case> cases = {
        {"silent, data word", with([](auto& f) { f.Silent = true; }), "RD DM109", ""},
        {"silent, greeting", with([](auto& f) { f.Silent = true; }), "CR", ""},
        {"silent greeting, greeting", with([](auto& f) { f.SilentGreeting = true; }), "CR", ""},
        {"silent greeting, data word", with([](auto& f) { f.SilentGreeting = true; }), "RD DM109", "123\r\n"},
        {"lower-case greeting", with([](auto& f) { f.LowerGreeting = true; }), "CR", "cc\r\n"},
        {"lower-case greeting, timer", with([](auto& f) { f.LowerGreeting = true; }), "RD T2", "T002    00150\r\n"},
        {"ETX", with([](auto& f) { f.EtxEnd = true; }), "RD DM109", "123\x03"},
        {"two blank lines", with([](auto& f) { f.BlankLines = 2; }), "RD DM109", "\r\n\r\n123\r\n"},
        {"no terminator", with([](auto& f) { f.NoTerminator = true; }), "RD DM109", "123"},
        {"no terminator beats ETX", with([](auto& f) { f.NoTerminator = f.EtxEnd = true; }), "RD DM109", "123"},
        {"long reply", with([](auto& f) { f.LongReply = true; }), "RD DM109", longText + "\r\n"},
        {"unsolicited", with([](auto& f) { f.Unsolicited = true; }), "RD DM109", "123\r\n" + ctlsim::UnsolicitedLine},
        {"garbage", with([](auto& f) { f.Garbage = true; }), "RD DM109", ctlsim::GarbageBytes + "123\r\n"},
        {"flood", with([](auto& f) { f.Flood = true; }), "RD DM109", ctlsim::FloodBytes},
        {"only another command", with([](auto& f) { f.NoTerminator = true; f.Only = {"RD DM25"}; }), "RD DM109", "123\r\n"},
        {"only this command", with([](auto& f) { f.NoTerminator = true; f.Only = {"RD DM25", "RD DM109"}; }), "RD DM109", "123"},
        {"unknown command, ETX", with([](auto& f) { f.EtxEnd = true; }), "XX", "ERR\x03"},
    };
    for (const Case& c : cases) {
        ctlsim::ProtocolState state;
        EXPECT_EQ(ctlsim::Respond(c.Line, image, c.Faults, state).Bytes, c.Bytes) << c.Name;
    }
    // A flood starts only where bytes are sent at all.
    for (bool silent : {false, true}) {
        ctlsim::Faults faults;
        faults.Flood = true;
        faults.Silent = silent;
        ctlsim::ProtocolState state;
        EXPECT_EQ(ctlsim::Respond("RD DM109", image, faults, state).Flood, !silent) << "silent " << silent;
    }
    // What the host receives from a long reply must not fit its 255-byte texts.
    EXPECT_GT(longText.size(), 255u);
    // Garbage must not end the line early or start an escape sequence on a console.
    for (const std::string* bytes : {&ctlsim::GarbageBytes, &ctlsim::FloodBytes})
        for (char byte : *bytes)
            EXPECT_TRUE(byte != '\r' && byte != '\n' && byte != '\x03' && byte != '\x1b')
                << (bytes == &ctlsim::GarbageBytes ? "garbage" : "flood") << " byte " << int(byte);
}

TEST(CtlsimProtocol, HangsUpAfterTheNthCommandWithItsReplyStillSent) {
    ctlsim::Faults faults;
    faults.HangUpAfter = 3;
    const ctlsim::RegisterImage image = ctlsim::DefaultImage();
    ctlsim::ProtocolState state;
    const char* lines[] = {"CR", "XX", "RD DM20", "RD DM21"};
    const bool hangUps[] = {false, false, true, false};
    for (int i = 0; i < 4; ++i) {
        ctlsim::Response response = ctlsim::Respond(lines[i], image, faults, state);
        EXPECT_EQ(response.HangUp, hangUps[i]) << "command " << i + 1 << " " << lines[i];
        EXPECT_FALSE(response.Bytes.empty()) << "command " << i + 1 << " " << lines[i];
    }
}

}  // namespace
