#include <gtest/gtest.h>

#include <ostream>
#include <string>
#include <vector>

#include "common/fs/file_system.h"
#include "common/fs/real_file_system.h"
#include "common/text/text_reader.h"
#include "tests/support/temp_site.h"

namespace {

using site::TextReader;

// One line read: what the buffer holds afterwards, whether the read
// delivered anything, and the end-of-file indicator after it.
struct LineRead {
    std::string buffer;
    bool delivered;
    bool eof;
};

struct LineCase {
    const char* what;
    std::string raw;
    size_t buffer_size;
    std::vector<LineRead> reads;
};

void PrintTo(const LineCase& c, std::ostream* out) { *out << c.what; }

class LineReads : public ::testing::TestWithParam<LineCase> {};

TEST_P(LineReads, FollowTextModeStreamRules) {
    const LineCase& c = GetParam();
    TextReader reader = TextReader::from_bytes(c.raw);
    std::string buffer = "before";
    for (size_t i = 0; i < c.reads.size(); ++i) {
        const bool delivered = reader.read_line(buffer, c.buffer_size);
        EXPECT_EQ(delivered, c.reads[i].delivered) << "read " << i;
        EXPECT_EQ(buffer, c.reads[i].buffer) << "read " << i;
        EXPECT_EQ(reader.eof(), c.reads[i].eof) << "read " << i;
    }
}

INSTANTIATE_TEST_SUITE_P(
    TextReader, LineReads,
    ::testing::Values(
        LineCase{"last line with newline needs one more read to set eof",
                 "ab\ncd\n",
                 200,
                 {{"ab\n", true, false}, {"cd\n", true, false}, {"cd\n", false, true}}},
        LineCase{"last line without newline sets eof while delivering it",
                 "ab\ncd",
                 200,
                 {{"ab\n", true, false}, {"cd", true, true}, {"cd", false, true}}},
        LineCase{"empty data: the buffer stays as it was", "", 200, {{"before", false, true}}},
        LineCase{"carriage returns are dropped everywhere",
                 "a\rb\r\nc\r\n",
                 200,
                 {{"ab\n", true, false}, {"c\n", true, false}, {"c\n", false, true}}},
        LineCase{"0x1A ends the data",
                 "ab\n\x1A"
                 "cd\n",
                 200,
                 {{"ab\n", true, false}, {"ab\n", false, true}}},
        LineCase{"a long line comes in pieces of n-1 characters",
                 "abcdefg\n",
                 4,
                 {{"abc", true, false}, {"def", true, false}, {"g\n", true, false}, {"g\n", false, true}}},
        LineCase{"a piece that ends exactly at the end of the data leaves eof clear",
                 "abc",
                 4,
                 {{"abc", true, false}, {"abc", false, true}}},
        LineCase{
            "the newline that fills the buffer is kept", "abc\nd", 5, {{"abc\n", true, false}, {"d", true, true}}}),
    [](const ::testing::TestParamInfo<LineCase>& info) { return "case" + std::to_string(info.index); });

TEST(TextReaderWords, SkipWhiteSpaceAcrossLinesAndSetEofAtTheEnd) {
    TextReader reader = TextReader::from_bytes("  one\n\n two");
    std::string word = "x";
    EXPECT_TRUE(reader.read_word(word));
    EXPECT_EQ(word, "one");
    EXPECT_FALSE(reader.eof());
    EXPECT_TRUE(reader.read_word(word));
    EXPECT_EQ(word, "two");
    EXPECT_TRUE(reader.eof());  // the word ran into the end of the data
    EXPECT_FALSE(reader.read_word(word));
    EXPECT_EQ(word, "two");
}

TEST(TextReaderWords, WordFollowedByNewlineLeavesEofClear) {
    TextReader reader = TextReader::from_bytes("one\n");
    std::string word;
    EXPECT_TRUE(reader.read_word(word));
    EXPECT_FALSE(reader.eof());
    reader.skip_space();
    EXPECT_TRUE(reader.eof());
}

TEST(TextReaderWords, OnlyWhiteSpaceGivesNoWord) {
    TextReader reader = TextReader::from_bytes(" \r\n\t ");
    std::string word = "kept";
    EXPECT_FALSE(reader.read_word(word));
    EXPECT_EQ(word, "kept");
    EXPECT_TRUE(reader.eof());
}

struct IntCase {
    std::string raw;
    bool matched;
    std::int32_t value;
    std::string rest;  // the word that follows
};

void PrintTo(const IntCase& c, std::ostream* out) { *out << c.raw; }

class IntReads : public ::testing::TestWithParam<IntCase> {};

TEST_P(IntReads, AcceptSignOctalAndHex) {
    const IntCase& c = GetParam();
    TextReader reader = TextReader::from_bytes(c.raw);
    std::int32_t value = -777;
    EXPECT_EQ(reader.read_int(value), c.matched) << c.raw;
    EXPECT_EQ(value, c.value) << c.raw;
    std::string rest;
    reader.read_word(rest);
    EXPECT_EQ(rest, c.rest) << c.raw;
}

INSTANTIATE_TEST_SUITE_P(
    TextReader, IntReads,
    ::testing::Values(IntCase{" 42 x", true, 42, "x"}, IntCase{"-3 x", true, -3, "x"}, IntCase{"+7x", true, 7, "x"},
                      IntCase{"010 x", true, 8, "x"}, IntCase{"0x1F x", true, 31, "x"},
                      IntCase{"0X1f x", true, 31, "x"}, IntCase{"09 x", true, 0, "9"}, IntCase{"0 x", true, 0, "x"},
                      IntCase{"abc", false, -777, "abc"}, IntCase{"99999999999 x", true, 2147483647, "x"},
                      IntCase{"-99999999999 x", true, -2147483647 - 1, "x"}, IntCase{"\n\n 5\nx", true, 5, "x"}));

TEST(TextReaderInts, NumberAtTheEndSetsEof) {
    TextReader reader = TextReader::from_bytes("12");
    std::int32_t value = 0;
    EXPECT_TRUE(reader.read_int(value));
    EXPECT_EQ(value, 12);
    EXPECT_TRUE(reader.eof());
}

TEST(TextReaderFiles, OpenReadsRegularFilesOnly) {
    testing_site::TempDir dir;
    testing_site::write_file(dir / "a.txt", "x\r\ny\r\n");
    site::RealFileSystem disk;
    auto reader = site::read_text(disk, dir / "a.txt");
    ASSERT_TRUE(reader.has_value());
    std::string line;
    reader->read_line(line, 200);
    EXPECT_EQ(line, "x\n");
    EXPECT_FALSE(site::read_text(disk, dir / "missing.txt").has_value());
    EXPECT_FALSE(site::read_text(disk, dir.path()).has_value());
}

}  // namespace
