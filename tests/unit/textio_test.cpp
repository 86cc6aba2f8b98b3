#include "platform/failure.h"
#include "platform/textio.h"
#include "support/testsupport.h"

#include <gtest/gtest.h>

#include <string>

using testsupport::read_file;
using testsupport::scratch_dir;
using testsupport::write_file;

namespace {

struct reading_case {
    const char* name;
    std::string raw;
    std::string text;
};

// What a text read delivers for the raw bytes of a file.
const reading_case reading_cases[] = {
    {"plain", "ab\ncd\n", "ab\ncd\n"},
    {"crlf_loses_cr", "ab\r\ncd\r\n", "ab\ncd\n"},
    {"lone_cr_joins", "ab\rcd", "abcd"},
    {"second_cr_delivered", std::string("a\r\r\nb"), "a\r\nb"},
    {"three_crs", std::string("a\r\r\rb"), "a\rb"},
    {"byte26_ends",
     std::string("ab\x1a"
                 "cd"),
     "ab"},
    {"byte26_after_cr_ends",
     std::string("ab\r\x1a"
                 "cd"),
     "ab"},
    {"cr_last_dropped", "ab\r", "ab"},
    {"byte26_first",
     std::string("\x1a"
                 "abc"),
     ""},
    {"empty", "", ""},
    {"nul_and_high_bytes", std::string("a\0\xff\x80", 4), std::string("a\0\xff\x80", 4)},
};

void PrintTo(const reading_case& c, std::ostream* os) {
    *os << c.name;
}

class TextReading : public ::testing::TestWithParam<reading_case> {};

TEST_P(TextReading, GetDeliversTheTextBytes) {
    scratch_dir dir;
    write_file(dir / "f", GetParam().raw);
    platform::text_reader in;
    ASSERT_TRUE(in.open((dir / "f").c_str()));
    std::string got;
    for (int c = in.get(); c >= 0; c = in.get()) {
        got += static_cast<char>(c);
    }
    EXPECT_EQ(got, GetParam().text);
    EXPECT_EQ(in.get(), -1) << "the end stays the end";
    EXPECT_FALSE(in.failed());
}

TEST_P(TextReading, BlockReadDeliversTheSameBytes) {
    scratch_dir dir;
    write_file(dir / "f", GetParam().raw);
    platform::text_reader in;
    ASSERT_TRUE(in.open((dir / "f").c_str()));
    std::string got;
    char buf[3]; // small blocks: special bytes fall on every boundary
    for (std::size_t n = in.read(buf, sizeof buf); n > 0; n = in.read(buf, sizeof buf)) {
        got.append(buf, n);
    }
    EXPECT_EQ(got, GetParam().text);
}

INSTANTIATE_TEST_SUITE_P(Rules, TextReading, ::testing::ValuesIn(reading_cases),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(TextReading, CrLfAcrossTheReadBufferBoundary) {
    // A carriage return as the last byte of one 64 KiB block, its line feed
    // first in the next: still one line end.
    scratch_dir dir;
    std::string raw(65535, 'x');
    raw += "\r\ny";
    write_file(dir / "f", raw);
    platform::text_reader in;
    ASSERT_TRUE(in.open((dir / "f").c_str()));
    std::string got;
    for (int c = in.get(); c >= 0; c = in.get()) {
        got += static_cast<char>(c);
    }
    EXPECT_EQ(got, std::string(65535, 'x') + "\ny");
}

TEST(TextReading, MissingFileDoesNotOpen) {
    scratch_dir dir;
    platform::text_reader in;
    EXPECT_FALSE(in.open((dir / "missing").c_str()));
}

TEST(TextReading, DirectoryIsAReadErrorNotAnEmptyFile) {
    scratch_dir dir;
    platform::text_reader in;
    ASSERT_TRUE(in.open(dir.path().c_str()));
    EXPECT_EQ(in.get(), -1);
    EXPECT_TRUE(in.failed());
}

TEST(TextWriting, EveryLineFeedBecomesCrLf) {
    scratch_dir dir;
    platform::text_writer out;
    ASSERT_TRUE(out.open((dir / "f").c_str()));
    out.write("a\nb\r\n\n");
    out.put('\n');
    out.put('c');
    ASSERT_TRUE(out.close());
    EXPECT_EQ(read_file(dir / "f"), "a\r\nb\r\r\n\r\n\r\nc");
}

TEST(TextWriting, LongTextCrossesTheBufferIntact) {
    scratch_dir dir;
    std::string text;
    for (int i = 0; i < 50000; ++i) {
        text += "line\n";
    }
    platform::text_writer out;
    ASSERT_TRUE(out.open((dir / "f").c_str()));
    out.write(text);
    ASSERT_TRUE(out.close());
    std::string expected;
    for (int i = 0; i < 50000; ++i) {
        expected += "line\r\n";
    }
    EXPECT_EQ(read_file(dir / "f"), expected);
}

TEST(TextWriting, FullDeviceIsReportedAtClose) {
    platform::text_writer out;
    ASSERT_TRUE(out.open("/dev/full"));
    out.write("ambient 0.5\n");
    EXPECT_FALSE(out.close());
}

TEST(TextWriting, MissingDirectoryDoesNotOpen) {
    scratch_dir dir;
    platform::text_writer out;
    EXPECT_FALSE(out.open((dir / "no/such/file").c_str()));
}

TEST(TextWriting, DestructorFlushesWhatWasWritten) {
    // The way out on an error: an open writer still leaves its bytes behind.
    scratch_dir dir;
    {
        platform::text_writer out;
        ASSERT_TRUE(out.open((dir / "f").c_str()));
        out.write("header\n");
    }
    EXPECT_EQ(read_file(dir / "f"), "header\r\n");
}

TEST(BinaryReading, EveryByteUnchangedAndTheRestIgnored) {
    scratch_dir dir;
    std::string raw;
    for (int i = 0; i < 300; ++i) {
        raw += static_cast<char>(i % 256);
    }
    write_file(dir / "f", raw);
    unsigned char buf[256];
    std::size_t got = 0;
    EXPECT_EQ(platform::read_binary_prefix((dir / "f").c_str(), buf, sizeof buf, got),
              platform::read_status::ok);
    ASSERT_EQ(got, 256u);
    for (int i = 0; i < 256; ++i) {
        EXPECT_EQ(buf[i], i) << "byte " << i; // 13 and 26 included
    }
}

TEST(BinaryReading, ShortFileMissingFileAndDirectory) {
    scratch_dir dir;
    write_file(dir / "short", "abc");
    unsigned char buf[10];
    std::size_t got = 99;
    EXPECT_EQ(platform::read_binary_prefix((dir / "short").c_str(), buf, sizeof buf, got),
              platform::read_status::ok);
    EXPECT_EQ(got, 3u);
    EXPECT_EQ(platform::read_binary_prefix((dir / "missing").c_str(), buf, sizeof buf, got),
              platform::read_status::cannot_open);
    EXPECT_EQ(platform::read_binary_prefix(dir.path().c_str(), buf, sizeof buf, got),
              platform::read_status::read_error);
}

TEST(Failure, FormatAndFail) {
    EXPECT_EQ(platform::format("Could not open '%s'\r\n", "x.trk"), "Could not open 'x.trk'\r\n");
    EXPECT_EQ(platform::format("%s", ""), "");
    try {
        platform::fail("Some error\r\n");
        FAIL() << "fail returned";
    } catch (const platform::failure& f) {
        EXPECT_EQ(f.message, "Some error\r\n");
    }
}

TEST(Failure, ConsoleCaptureCollectsEveryByte) {
    std::string captured;
    std::string* before = platform::capture_console(&captured);
    platform::say("Rotated 0.00 degrees\r\n");
    platform::say(std::string_view("a\0b", 3));
    platform::capture_console(before);
    EXPECT_EQ(captured, std::string("Rotated 0.00 degrees\r\na\0b", 25));
}

} // namespace
