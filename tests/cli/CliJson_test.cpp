// velkor-cli info --json: valid JSON whatever the names and errors.
#include "CliTestSupport.h"
#include "cli/CliJson.h"

#include <gtest/gtest.h>

using namespace vktest;

TEST(CliJson, StringsAreEscapedAndAlwaysValid)
{
    EXPECT_EQ(JsonString("plain"), "\"plain\"");
    EXPECT_EQ(JsonString("a\"b\\c\n\t\x01"), "\"a\\\"b\\\\c\\n\\t\\u0001\"");
    EXPECT_EQ(JsonString("caf\xc3\xa9 \xe2\x82\xac \xf0\x9f\x98\x80"),
              "\"caf\xc3\xa9 \xe2\x82\xac \xf0\x9f\x98\x80\"");
    // Bytes that are not UTF-8: a stray continuation, a cut sequence, an
    // overlong form and an encoded surrogate.
    EXPECT_EQ(JsonString("\x80x\xe2\x82"), "\"\\ufffdx\\ufffd\\ufffd\"");
    EXPECT_EQ(JsonString("\xc0\xaf"), "\"\\ufffd\\ufffd\"");
    EXPECT_EQ(JsonString("\xed\xa0\x80"), "\"\\ufffd\\ufffd\\ufffd\"");
}

TEST(CliJson, InfoParsesWithPythonsJson)
{
    if (!HasProgram("python3"))
        GTEST_SKIP() << "python3 is not installed";
    TempDir dir;
    const std::string odd = dir.File("we\"ird\\name \x01\xff.bmp");
    vkclitest::Picture(dir.File("a.bmp"), 21, 13);
    vkclitest::Picture(odd, 21, 13);
    WriteFile(dir.File("bad.png"), "\x89PNG\r\n\x1a\n cut short");
    const std::string check =
        "import json, sys\n"
        "d = json.load(sys.stdin)\n"
        "assert len(d) == 3, d\n"
        "a, o, b = d\n"
        "assert a['format'] == 'BMP' and a['width'] == 21 and a['height'] == 13, a\n"
        "assert a['bits_per_pixel'] == 24 and a['orientation'] is None and a['error'] is None, a\n"
        "assert o['path'].startswith(sys.argv[1]) and o['path'].endswith('\\x01\\ufffd.bmp'), o\n"
        "assert b['format'] is None and b['error']['code'] > 0 and b['error']['text'], b\n"
        "print('ok')\n";
    WriteFile(dir.File("check.py"), check);
    std::string out;
    const int status =
        vktest::Run(std::string(VELKOR_CLI) + " info --json " + Quote(dir.File("a.bmp")) + " " + Quote(odd) +
                        " " + Quote(dir.File("bad.png")) + " 2>/dev/null | python3 " +
                        Quote(dir.File("check.py")) + " " + Quote(dir.File("we\"ird\\name ")),
                    &out);
    EXPECT_EQ(status, 0);
    EXPECT_EQ(out, "ok\n");
    // The exit status says a file failed.
    EXPECT_EQ(
        vktest::Run(std::string(VELKOR_CLI) + " info --json " + Quote(dir.File("bad.png")) + " >/dev/null"),
        1);
    EXPECT_EQ(
        vktest::Run(std::string(VELKOR_CLI) + " info --json " + Quote(dir.File("a.bmp")) + " >/dev/null"), 0);
}
