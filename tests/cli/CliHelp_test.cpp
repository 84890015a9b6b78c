// velkor-cli's help, manual page and bash completion against the tables
// they are made from, and the command line's usage errors.
#include "CliTestSupport.h"
#include "cli/CliFormats.h"
#include "cli/CliHelp.h"
#include "cli/CliOptions.h"
#include "engine/edit/EditOperations.h"
#include "engine/save/SaveDispatch.h"

#include <gtest/gtest.h>

using namespace vktest;
using vkclitest::Cli;
using vkclitest::Has;

namespace {

// What the completion script offers for the words typed so far (the last
// one being completed).
std::string Complete(const std::string& script, const std::string& words)
{
    TempDir dir;
    WriteFile(dir.File("c.bash"), script);
    const std::string command =
        "source " + Quote(dir.File("c.bash")) + "; COMP_WORDS=(" + words +
        "); COMP_CWORD=$((${#COMP_WORDS[@]} - 1)); _velkor_cli; echo \"${COMPREPLY[*]}\"";
    std::string out;
    vktest::Run("bash -c " + Quote(command) + " 2>&1", &out);
    return out;
}

// Parses the words as the tool's command line.
bool Parse(std::vector<std::string> words, CliRequest& request, std::string& error)
{
    std::vector<char*> argv;
    for (std::string& w : words)
        argv.push_back(w.data());
    return ParseCommandLine(int(argv.size()), argv.data(), request, error);
}

} // namespace

TEST(CliHelp, ListsEveryCommandOptionAndFormatOfTheTables)
{
    int status = 0;
    const std::string help = Cli("--help", &status);
    EXPECT_EQ(status, 0);
    EXPECT_EQ(Cli("-h", &status), help);
    EXPECT_EQ(Cli("help", &status), help);
    const std::string man = ManPage();
    for (const CliCommand& c : CliCommands()) {
        EXPECT_TRUE(Has(help, "  " + c.name + " ")) << c.name;
        std::string escaped;
        for (char ch : c.name)
            escaped += ch == '-' ? std::string("\\-") : std::string(1, ch);
        EXPECT_TRUE(Has(man, ".B " + escaped)) << c.name;
    }
    for (const CliOption& o : CliOptions()) {
        SCOPED_TRACE(o.name);
        EXPECT_TRUE(Has(help, "--" + o.name + (o.value.empty() ? "" : " " + o.value)));
        if (o.shortName) {
            EXPECT_TRUE(Has(help, std::string("-") + o.shortName + ", --" + o.name));
        }
        if (!o.range.empty()) {
            EXPECT_TRUE(Has(help, o.range.substr(0, 20)));
        }
        std::string escaped;
        for (char c : o.name)
            escaped += c == '-' ? std::string("\\-") : std::string(1, c);
        EXPECT_TRUE(Has(man, "\\-\\-" + escaped));
    }
    // Every writer of the engine is in the tables.
    for (const SaveExtension& e : kSaveExtensions) {
        EXPECT_TRUE(Has(help, e.extension)) << e.extension;
        EXPECT_TRUE(Has(man, e.extension)) << e.extension;
    }
    for (const std::string& name : ReadableFormatNames())
        EXPECT_TRUE(Has(help, name)) << name;
    EXPECT_TRUE(Has(help, "--png-level N") && Has(help, "0..9") && Has(help, "default 6"));
    // Which way each flip goes, as the window's Flip Horizontal does.
    EXPECT_TRUE(Has(help, "--flip-horizontal         flip about the horizontal axis: top and bottom"))
        << help;
    // One quality for every lossy writer, each with its own default.
    EXPECT_EQ(FindCliOption("quality")->formats, "jpg webp avif jxl heic");
    EXPECT_EQ(FindCliOption("quality")->defaults, "jpg 90, webp 75, avif 60, jxl 90, heic 50");
    EXPECT_TRUE(Has(help, "quality of lossy writing (0..100; for jpg webp avif"));
    EXPECT_TRUE(Has(help, "Exit status"));

    // A command's help lists its own options only.
    const std::string info = Cli("help info", &status);
    EXPECT_EQ(status, 0);
    EXPECT_TRUE(Has(info, "--json"));
    EXPECT_FALSE(Has(info, "--png-level"));
    EXPECT_EQ(Cli("convert --help", &status), Cli("help convert", &status));
    EXPECT_TRUE(Has(Cli("help convert", &status), "--exists POLICY"));
    Cli("help frobnicate", &status);
    EXPECT_EQ(status, 2);

    EXPECT_EQ(Cli("--version", &status), VersionText());
    EXPECT_EQ(status, 0);
    EXPECT_TRUE(Has(VersionText(), "velkor-cli "));
}

TEST(CliHelp, GeneratedManPageAndCompletionMatchTheTool)
{
    int status = 0;
    EXPECT_EQ(Cli("--man", &status), ManPage());
    EXPECT_EQ(Cli("--completion bash", &status), BashCompletion());
    if (HasProgram("groff")) {
        TempDir dir;
        WriteFile(dir.File("v.1"), ManPage());
        std::string warnings;
        vktest::Run("groff -man -Tutf8 -ww -z " + Quote(dir.File("v.1")) + " 2>&1", &warnings);
        EXPECT_EQ(warnings, "");
    }
    if (!HasProgram("bash"))
        GTEST_SKIP() << "bash is not installed";
    const std::string script = BashCompletion();
    std::string commands = Complete(script, "velkor-cli ''");
    for (const CliCommand& c : CliCommands())
        EXPECT_TRUE(Has(commands, c.name)) << commands;
    std::string types = Complete(script, "velkor-cli convert --to ''");
    for (const std::string& t : WritableTypes())
        EXPECT_TRUE(Has(types, t)) << types;
    const std::string policies = Complete(script, "velkor-cli convert --exists r");
    EXPECT_TRUE(Has(policies, "rename") && Has(policies, "replace") && !Has(policies, "skip")) << policies;
    const std::string convertOptions = Complete(script, "velkor-cli convert --");
    const std::string infoOptions = Complete(script, "velkor-cli info --");
    const std::string turnOptions = Complete(script, "velkor-cli jpeg-turn --");
    // jpeg-turn's turns share names with convert's edits.
    const auto anyFor = [](const std::string& name, unsigned bit) {
        for (const CliOption& o : CliOptions())
            if (o.name == name && (o.commands & bit))
                return true;
        return false;
    };
    const auto listed = [](const std::string& words, const std::string& name) {
        return Has(words, "--" + name + " ") || Has(words, "--" + name + "\n");
    };
    for (const CliOption& o : CliOptions()) {
        EXPECT_EQ(listed(convertOptions, o.name), anyFor(o.name, kCmdConvert)) << o.name;
        EXPECT_EQ(listed(infoOptions, o.name), anyFor(o.name, kCmdInfo)) << o.name;
        EXPECT_EQ(listed(turnOptions, o.name), anyFor(o.name, kCmdJpegTurn)) << o.name;
    }
}

TEST(CliHelp, EveryOptionOfTheTableParses)
{
    for (const CliOption& o : CliOptions()) {
        SCOPED_TRACE(o.name);
        const bool convert = (o.commands & kCmdConvert) != 0;
        const bool turn = !convert && (o.commands & kCmdJpegTurn) != 0;
        const char* command = convert                        ? "convert"
                              : turn                         ? "jpeg-turn"
                              : (o.commands & kCmdInfo) != 0 ? "info"
                                                             : "thumbnails";
        std::vector<std::string> words = {"velkor-cli", command, "--" + o.name};
        if (!o.value.empty()) {
            std::string value = !o.choices.empty() ? o.choices[0] : "1";
            if (o.group == CliOptionGroup::Edit) {
                const EditOperation* op = FindEditOperation(o.name);
                ASSERT_NE(op, nullptr);
                value.clear();
                for (const EditArgument& a : op->arguments)
                    if (a.kind == EditArgumentKind::Integer && a.required)
                        value += (value.empty() ? "" : ",") + std::to_string(a.minimum);
            }
            if (o.name == "output-dir" || o.name == "to")
                value = "png";
            words.push_back(value);
        }
        if (convert)
            words.insert(words.end(), {"--to", "png", "-o", "out"});
        if (turn && o.group != CliOptionGroup::Turn)
            words.push_back("--upright");
        if (o.name == "trim")
            words.push_back("--transpose");
        words.push_back("in.bmp");
        CliRequest request;
        std::string error;
        EXPECT_TRUE(Parse(words, request, error)) << error;
    }
}

TEST(CliHelp, UsageMistakesExitWithTwoAndSayWhy)
{
    const std::pair<const char*, const char*> cases[] = {
        {"", "no command"},
        {"frob a.bmp", "unknown command: frob"},
        {"convert --frob a.bmp b.png", "unknown option: --frob"},
        {"convert --png-level 10 a.bmp b.png", "--png-level takes a whole number from 0 to 9"},
        {"convert --quality 101 a.bmp b.png", "--quality"},
        {"convert --distance 16 a.bmp b.jxl", "--distance takes a number from 0 to 15, not \"16\""},
        {"convert --distance 1e1x a.bmp b.jxl", "--distance takes a number"},
        {"convert --speed 11 a.bmp b.avif", "--speed takes a whole number from 0 to 10"},
        {"convert --effort 0 a.bmp b.jxl", "--effort takes a whole number from 1 to 9"},
        {"convert --exists always --to png -o d a.bmp", "--exists takes ask, replace, rename, skip"},
        {"convert -j 0 --to png -o d a.bmp", "--jobs"},
        {"convert --rotate 400 a.bmp b.png", "angle must be 1 to 359"},
        // Edit arguments are checked before any work: the missing input is never reached.
        {"convert --resize 0x10 a.bmp b.png", "--resize: width must be 1 to 1000000"},
        {"convert --rotate 45,best a.bmp b.png", "unexpected \"best\" in \"45,best\""},
        {"convert --brightness 150 a.bmp b.png", "--brightness: value must be -100 to 100"},
        {"convert --balance 1,2 a.bmp b.png", "--balance: blue is missing"},
        {"convert --canvas 10x10,9 a.bmp b.png", "--canvas: anchor must be 0 to 8"},
        {"info --png-level 3 a.bmp", "does not apply to info"},
        {"convert --to png a.bmp", "needs -o DIR"},
        {"convert a.bmp", "needs INPUT and OUTPUT"},
        {"convert --quality", "missing value after --quality"},
        {"convert --invert=3 a.bmp b.png", "takes no value"},
    };
    for (auto [args, expected] : cases) {
        SCOPED_TRACE(args);
        int status = 0;
        const std::string out = Cli(args, &status);
        EXPECT_EQ(status, 2);
        EXPECT_TRUE(Has(out, expected)) << out;
    }
    // --name=value and -jN are the same as the spaced forms.
    CliRequest request;
    std::string error;
    ASSERT_TRUE(Parse({"velkor-cli", "convert", "--png-level=3", "-j3", "--to=png", "-o", "d", "x.bmp"},
                      request, error))
        << error;
    EXPECT_EQ(request.save.pngLevel, 3);
    EXPECT_EQ(request.jobs, 3);
    EXPECT_EQ(request.toExt, "png");
}
