#include <gtest/gtest.h>

#include <sstream>

#include "support/e2e.h"
#include "textio/format.h"
#include "textio/records.h"

namespace quilmo {
namespace {

using quilmo_test::TempDir;

TEST(TextOutFile, RecordsEndInCrLfAndNonAdvancingContinues) {
    TempDir dir;
    const std::string p = (dir / "a.txt").string();
    TextOut out;
    ASSERT_TRUE(out.open(p, TextOut::Mode::Replace));
    EXPECT_TRUE(out.write("(A,I3)", {"n=", 5}));
    EXPECT_TRUE(out.write("(A)", {"part "}, false));
    EXPECT_TRUE(out.write("(A)", {"one"}, false));
    EXPECT_TRUE(out.write("(A)", {" and more"}));
    EXPECT_TRUE(out.list());
    EXPECT_TRUE(out.list({"x", 2}));
    EXPECT_TRUE(out.write("(A)", {"open"}, false));
    EXPECT_TRUE(out.close());
    EXPECT_TRUE(out.close());  // harmless twice
    EXPECT_FALSE(out.write("(A)", {"closed"}));
    EXPECT_EQ(dir.read("a.txt"), "n=  5\r\npart one and more\r\n\r\n x 2\r\nopen\r\n");
}

TEST(TextOutFile, OpenModes) {
    TempDir dir;
    const std::string p = (dir / "m.txt").string();
    TextOut out;
    EXPECT_FALSE(out.open(p, TextOut::Mode::Old));  // must exist
    ASSERT_TRUE(out.open(p, TextOut::Mode::Append));  // created
    out.write("('1')");
    out.close();
    ASSERT_TRUE(out.open(p, TextOut::Mode::Old));
    out.write("('2')");
    out.close();
    ASSERT_TRUE(out.open(p, TextOut::Mode::Append));
    out.write("('3')");
    out.close();
    EXPECT_EQ(dir.read("m.txt"), "1\r\n2\r\n3\r\n");
    EXPECT_FALSE(out.open(p, TextOut::Mode::New));  // exists: left untouched
    EXPECT_EQ(dir.read("m.txt"), "1\r\n2\r\n3\r\n");
    ASSERT_TRUE(out.open(p, TextOut::Mode::Replace));
    out.write("('4')");
    out.close();
    EXPECT_EQ(dir.read("m.txt"), "4\r\n");
    ASSERT_TRUE(out.open((dir / "n.txt").string(), TextOut::Mode::New));
    out.close();
    EXPECT_TRUE(dir.exists("n.txt"));
    EXPECT_FALSE(out.open((dir / "no/such/dir.txt").string(), TextOut::Mode::Replace));
}

TEST(TextOutFile, OpenRecordIsEndedWhenTheUnitGoes) {
    TempDir dir;
    {
        TextOut out;
        ASSERT_TRUE(out.open((dir / "d.txt").string(), TextOut::Mode::Replace));
        out.write("(A)", {"half"}, false);
        TextOut moved(std::move(out));
        EXPECT_FALSE(out.is_open());
    }
    EXPECT_EQ(dir.read("d.txt"), "half\r\n");
}

TEST(TextOutConsole, RecordsEndInLf) {
    std::ostringstream con;
    TextOut out(con);
    out.write("(A)", {"Prompt: "}, false);
    out.write("(I2)", {7});
    out.list({"Error", 1.5});
    out.write("(A)", {"tail"}, false);
    EXPECT_TRUE(out.close());
    EXPECT_TRUE(out.is_open());  // the console stays usable
    out.list();
    EXPECT_EQ(con.str(), "Prompt:  7\n Error 1.5\ntail\n\n");
}

TEST(TextInFile, RecordsFormattedReadsAndRewind) {
    TempDir dir;
    dir.write("in.txt", "  12  3.5\r\nabc def\n 1 2 3\nlast");
    TextIn in;
    EXPECT_FALSE(in.open((dir / "missing.txt").string()));
    ASSERT_TRUE(in.open((dir / "in.txt").string()));
    int i = 0;
    double x = 0;
    EXPECT_EQ(in.read("(I4,F5.0)", {i, x}), kReadOk);
    EXPECT_EQ(i, 12);
    EXPECT_DOUBLE_EQ(x, 3.5);  // the CR is not part of the field
    std::string line;
    EXPECT_EQ(in.readline(line), kReadOk);
    EXPECT_EQ(line, "abc def");
    int a[3];
    EXPECT_EQ(in.read("(I2)", {a[0]}, false), kReadOk);
    EXPECT_EQ(in.read("(2I2)", {a[1], a[2]}), kReadOk);  // continues the open record
    EXPECT_EQ(a[0] * 100 + a[1] * 10 + a[2], 123);
    EXPECT_EQ(in.readline(line), kReadOk);
    EXPECT_EQ(line, "last");
    EXPECT_EQ(in.readline(line), kReadEnd);
    EXPECT_EQ(in.read("(I2)", {i}), kReadEnd);
    in.rewind();
    EXPECT_EQ(in.readline(line), kReadOk);
    EXPECT_EQ(line, "  12  3.5");
    // Reversion takes further records.
    EXPECT_EQ(in.read("(A3)", {line, line}), kReadOk);
    EXPECT_EQ(line, " 1 ");
    EXPECT_EQ(in.read("(A2)", {line, line}), kReadEnd);  // "last", then no record
    EXPECT_EQ(line, "la");
    EXPECT_TRUE(in.close());
}

TEST(TextInConsole, ReadsFromStream) {
    std::istringstream con("Title\r\n 42\n");
    TextIn in(con);
    std::string t;
    int n = 0;
    EXPECT_EQ(in.read("(A)", {t}), kReadOk);
    EXPECT_EQ(t, "Title");
    EXPECT_EQ(in.read("(I3)", {n}), kReadOk);
    EXPECT_EQ(n, 42);
    EXPECT_EQ(in.read("(I3)", {n}), kReadEnd);
}

TEST(BinaryRecords, LittleEndianPacking) {
    std::vector<unsigned char> b;
    put_i32(b, 0, -2);
    put_f32(b, 4, 1.5f);
    put_f64(b, 8, -0.1);
    ASSERT_EQ(b.size(), 16u);
    EXPECT_EQ(b[0], 0xFE);
    EXPECT_EQ(b[3], 0xFF);
    EXPECT_EQ(b[7], 0x3F);  // 1.5f = 0x3FC00000
    EXPECT_EQ(b[6], 0xC0);
    EXPECT_EQ(get_i32(b, 0), -2);
    EXPECT_EQ(get_f32(b, 4), 1.5f);
    EXPECT_EQ(get_f64(b, 8), -0.1);
    EXPECT_THROW(get_f64(b, 12), std::out_of_range);
}

TEST(BinaryRecords, SequentialRoundTripAndDamage) {
    TempDir dir;
    const std::string p = (dir / "s.bin").string();
    BinaryFile f;
    ASSERT_TRUE(f.open(p, BinaryFile::Mode::Replace));
    std::vector<unsigned char> r1 = {1, 2, 3}, r2;
    EXPECT_TRUE(f.write_record(r1));
    EXPECT_TRUE(f.write_record(r2));
    EXPECT_TRUE(f.close());
    EXPECT_EQ(quilmo_test::slurp(dir / "s.bin").size(), 11u + 8u);
    const std::string bytes = quilmo_test::slurp(dir / "s.bin");
    EXPECT_EQ(bytes.substr(0, 4), std::string("\x03\0\0\0", 4));

    ASSERT_TRUE(f.open(p, BinaryFile::Mode::Read));
    std::vector<unsigned char> got;
    EXPECT_EQ(f.read_record(got), 0);
    EXPECT_EQ(got, r1);
    EXPECT_EQ(f.read_record(got), 0);
    EXPECT_TRUE(got.empty());
    EXPECT_LT(f.read_record(got), 0);  // clean end
    EXPECT_FALSE(f.write_record(r1));  // read-only
    f.close();

    dir.write("t.bin", bytes.substr(0, 9));  // truncated in the first record's data... and trailer
    ASSERT_TRUE(f.open((dir / "t.bin").string(), BinaryFile::Mode::Read));
    EXPECT_GT(f.read_record(got), 0);
    f.close();
    std::string bad = bytes;
    bad[7] = 9;  // trailing length differs
    dir.write("u.bin", bad);
    ASSERT_TRUE(f.open((dir / "u.bin").string(), BinaryFile::Mode::Read));
    EXPECT_GT(f.read_record(got), 0);
    f.close();
    dir.write("v.bin", std::string("\xff\xff\xff\x7f", 4) + "abc");  // absurd length
    ASSERT_TRUE(f.open((dir / "v.bin").string(), BinaryFile::Mode::Read));
    EXPECT_GT(f.read_record(got), 0);
    f.close();
    dir.write("w.bin", std::string("\x01\0", 2));  // a broken length word
    ASSERT_TRUE(f.open((dir / "w.bin").string(), BinaryFile::Mode::Read));
    EXPECT_GT(f.read_record(got), 0);
}

TEST(BinaryRecords, DirectAccessAndModes) {
    TempDir dir;
    const std::string p = (dir / "d.bin").string();
    BinaryFile f;
    EXPECT_FALSE(f.open(p, BinaryFile::Mode::Read));
    ASSERT_TRUE(f.open(p, BinaryFile::Mode::New));
    EXPECT_TRUE(f.write_direct(2, 4, {5, 6, 7, 8}));
    EXPECT_TRUE(f.write_direct(1, 4, {1, 2}));  // padded with zero bytes
    EXPECT_FALSE(f.write_direct(3, 4, {1, 2, 3, 4, 5}));
    EXPECT_FALSE(f.write_direct(0, 4, {1}));
    std::vector<unsigned char> got;
    EXPECT_TRUE(f.read_direct(2, 4, got));
    EXPECT_EQ(got, (std::vector<unsigned char>{5, 6, 7, 8}));
    EXPECT_TRUE(f.read_direct(1, 4, got));
    EXPECT_EQ(got, (std::vector<unsigned char>{1, 2, 0, 0}));
    EXPECT_FALSE(f.read_direct(3, 4, got));  // past the end
    EXPECT_TRUE(f.close());

    EXPECT_FALSE(f.open(p, BinaryFile::Mode::New));  // exists: untouched
    EXPECT_EQ(quilmo_test::slurp(dir / "d.bin").size(), 8u);
    ASSERT_TRUE(f.open(p, BinaryFile::Mode::Replace));
    EXPECT_TRUE(f.close_delete());
    EXPECT_FALSE(dir.exists("d.bin"));
}

}  // namespace
}  // namespace quilmo
