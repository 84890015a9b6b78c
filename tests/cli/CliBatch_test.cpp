// velkor-cli's batch form: rules for outputs that exist, folders taken
// recursively, several workers, the summary and exit status, and a run
// interrupted by a signal.
#include "CliTestSupport.h"
#include "cli/CliBatch.h"
#include "engine/save/GIFEncoder.h"

#include <gtest/gtest.h>

#include <csignal>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <functional>
#include <sys/stat.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

using namespace vktest;
using vkclitest::Cli;
using vkclitest::Has;
using vkclitest::Paths;
using vkclitest::Picture;

namespace {

// Every file under dir, relative, sorted; folders end in '/'.
std::vector<std::string> Tree(const std::string& dir)
{
    namespace fs = std::filesystem;
    std::vector<std::string> out;
    std::error_code error, vanished;
    for (fs::recursive_directory_iterator it(dir, error), end; !error && it != end; it.increment(error))
        out.push_back(fs::relative(it->path(), dir).string() + (it->is_directory(vanished) ? "/" : ""));
    std::sort(out.begin(), out.end());
    return out;
}

} // namespace

// Each policy on a.bmp, b.bmp and c.bmp, with out/ already holding an a.png
// and a b.png of other contents.
TEST(CliExists, EachPolicyOnAFolderWithClashes)
{
    // Each file out/ holds after the runs: the input it came from, or 'o' for the old file.
    using Files = std::vector<std::pair<std::string, char>>;
    const Files untouched = {{"a.png", 'o'}, {"b.png", 'o'}, {"c.png", 'c'}};
    const struct {
        std::vector<std::string> runs;
        int status;
        std::vector<std::string> says;
        Files files;
    } cases[] = {
        {{""}, 1, {"/out/a.png exists; not replaced", "converted 1, skipped 0, failed 2"}, untouched},
        {{"--exists replace"},
         0,
         {"converted 3, skipped 0, failed 0"},
         {{"a.png", 'a'}, {"b.png", 'b'}, {"c.png", 'c'}}},
        // Renaming counts up on the next run.
        {{"--exists rename", "--exists=rename"},
         0,
         {"converted 3, skipped 0, failed 0"},
         {{"a.png", 'o'},
          {"a_2.png", 'a'},
          {"a_3.png", 'a'},
          {"b.png", 'o'},
          {"b_2.png", 'b'},
          {"b_3.png", 'b'},
          {"c.png", 'c'},
          {"c_2.png", 'c'}}},
        {{"--exists skip"}, 0, {"converted 1, skipped 2, failed 0"}, untouched},
        {{"--exists ask < /dev/null"}, 1, {"not replaced (no answer from a terminal)"}, untouched},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.runs.back());
        TempDir dir;
        const std::string out = dir.File("out");
        for (const char* name : {"a", "b", "c"})
            Picture(dir.File(name + std::string(".bmp")), 20, 10, unsigned(name[0]));
        ::mkdir(out.c_str(), 0777);
        WriteFile(out + "/a.png", "old a");
        WriteFile(out + "/b.png", "old b");
        std::string said;
        for (const std::string& options : c.runs) {
            int status = 0;
            said = Cli("convert " + options + " --to png -o" +
                           Paths({out, dir.File("a.bmp"), dir.File("b.bmp"), dir.File("c.bmp")}),
                       &status);
            EXPECT_EQ(status, c.status) << said;
        }
        for (const std::string& text : c.says)
            EXPECT_TRUE(Has(said, text)) << said;
        std::vector<std::string> names;
        for (const auto& [name, from] : c.files) {
            names.push_back(name);
            if (from == 'o') {
                EXPECT_EQ(ReadFile(out + "/" + name), "old " + name.substr(0, 1));
            } else {
                EXPECT_EQ(DecodeWithVelkor(out + "/" + name),
                          DecodeWithVelkor(dir.File(from + std::string(".bmp"))))
                    << name;
            }
        }
        EXPECT_EQ(Tree(out), names);
    }
}

TEST(CliExists, InputsOfTheRunAreNeverWrittenOver)
{
    TempDir dir;
    Picture(dir.File("p.bmp"), 12, 9, 4);
    Picture(dir.File("q.bmp"), 12, 9, 5);
    int status = 0;
    // p.png and p.bmp both become p.png: the second is numbered, or refused.
    ASSERT_EQ(Cli("convert" + Paths({dir.File("p.bmp"), dir.File("p.png")}), &status), "");
    std::string out = Cli("convert --exists rename --to png -o" +
                              Paths({dir.Path(), dir.File("q.bmp"), dir.File("p.bmp"), dir.File("p.png")}),
                          &status);
    EXPECT_EQ(status, 0) << out;
    EXPECT_TRUE(FileExists(dir.File("p_2.png")));
    EXPECT_EQ(DecodeWithVelkor(dir.File("p_2.png")), DecodeWithVelkor(dir.File("p.bmp")));

    // Replacing: p.bmp's output would be the input p.png; refused.
    const std::string before = ReadFile(dir.File("p.png"));
    out = Cli("convert --exists replace --to png -o" +
                  Paths({dir.Path(), dir.File("p.bmp"), dir.File("p.png")}),
              &status);
    EXPECT_EQ(status, 1);
    EXPECT_TRUE(Has(out, "is another input of this run; not replaced")) << out;
    EXPECT_EQ(ReadFile(dir.File("p.png")), before);

    // Two inputs of one name in different folders, both to one folder.
    ::mkdir(dir.File("x").c_str(), 0777);
    Picture(dir.File("x/q.bmp"), 7, 7, 6);
    out =
        Cli("convert --to ppm -o" + Paths({dir.File("o"), dir.File("q.bmp"), dir.File("x/q.bmp")}), &status);
    EXPECT_EQ(status, 1);
    EXPECT_TRUE(Has(out, "is the output of another input of this run")) << out;
    EXPECT_EQ(DecodeWithVelkor(dir.File("o/q.ppm")), DecodeWithVelkor(dir.File("q.bmp")));
}

TEST(CliExists, PlannerFollowsTheAnswers)
{
    TempDir dir;
    for (const char* name : {"a.png", "b.png", "c.png", "d.png"})
        WriteFile(dir.File(name), "x");
    std::vector<AskAnswer> answers = {AskAnswer::Rename, AskAnswer::Skip, AskAnswer::ReplaceAll};
    std::vector<std::string> asked;
    ExistsPlanner planner(ExistsPolicy::Ask, [&](const std::string& path) {
        asked.push_back(path);
        const AskAnswer a = answers.front();
        answers.erase(answers.begin());
        return a;
    });
    BatchJob jobs[5];
    const char* names[] = {"a.png", "b.png", "c.png", "d.png", "e.png"};
    for (int i = 0; i < 5; ++i) {
        jobs[i].input = dir.File(std::string("in") + char('0' + i));
        planner.Plan(jobs[i], dir.File(names[i]));
    }
    EXPECT_EQ(asked, (std::vector<std::string>{dir.File("a.png"), dir.File("b.png"), dir.File("c.png")}));
    EXPECT_EQ(jobs[0].output, dir.File("a_2.png"));
    EXPECT_EQ(jobs[1].plan, BatchJob::Plan::Skip);
    EXPECT_TRUE(jobs[2].plan == BatchJob::Plan::Write && jobs[2].replaces);
    EXPECT_TRUE(jobs[3].plan == BatchJob::Plan::Write && jobs[3].replaces); // "all" holds
    EXPECT_TRUE(jobs[4].plan == BatchJob::Plan::Write);
}

TEST(CliRecursive, KeepsTheLayoutAndReportsFoldersItCannotRead)
{
    TempDir dir;
    const std::string in = dir.File("photos");
    for (const char* sub : {"", "/2024", "/2024/summer", "/empty", "/text"})
        ::mkdir((in + sub).c_str(), 0777);
    Picture(in + "/top.bmp", 9, 5, 1);
    Picture(in + "/2024/a.BMP", 9, 5, 2);
    Picture(in + "/2024/summer/b.bmp", 9, 5, 3);
    Picture(in + "/2024/summer/named.txt", 9, 5, 4); // a picture, but not a listed type
    WriteFile(in + "/text/readme.txt", "not a picture");
    WriteFile(in + "/text/fake.png", "not a picture either");
    // A folder whose path is too long to open, whoever runs the test.
    std::string deep = in + "/deep";
    ::mkdir(deep.c_str(), 0777);
    int fd = ::open(deep.c_str(), O_RDONLY | O_DIRECTORY);
    for (int i = 0; i < 24 && fd >= 0; ++i) {
        const std::string name(200, char('a' + i % 26));
        ::mkdirat(fd, name.c_str(), 0777);
        const int next = ::openat(fd, name.c_str(), O_RDONLY | O_DIRECTORY);
        ::close(fd);
        fd = next;
    }
    ASSERT_GE(fd, 0);
    const int picture = ::openat(fd, "lost.bmp", O_WRONLY | O_CREAT, 0666);
    ASSERT_GE(picture, 0);
    ::close(picture);
    ::close(fd);
    // A folder without permissions, unless we are root.
    const bool root = ::geteuid() == 0;
    ::mkdir((in + "/locked").c_str(), 0777);
    Picture(in + "/locked/c.bmp", 9, 5, 5);
    ::chmod((in + "/locked").c_str(), 0);

    int status = 0;
    const std::string out =
        Cli("convert -r --to ppm -o " + Quote(dir.File("out")) + " " + Quote(in), &status);
    ::chmod((in + "/locked").c_str(), 0777);
    EXPECT_EQ(status, 1) << out;
    EXPECT_TRUE(Has(out, "cannot read " + deep + "/")) << out;
    EXPECT_TRUE(Has(out, "1 input not read")) << out;
    if (!root) {
        EXPECT_TRUE(Has(out, "cannot read folder " + in + "/locked: Permission denied")) << out;
    }
    EXPECT_TRUE(Has(out, "text/fake.png: error")) << out;
    std::vector<std::string> want = {"2024/", "2024/a.ppm", "2024/summer/", "2024/summer/b.ppm"};
    if (root)
        want.insert(want.end(), {"locked/", "locked/c.ppm"});
    want.push_back("top.ppm");
    EXPECT_EQ(Tree(dir.File("out")), want);
    EXPECT_EQ(DecodeWithVelkor(dir.File("out/2024/summer/b.ppm")),
              DecodeWithVelkor(in + "/2024/summer/b.bmp"));

    // Without -r a folder is refused; the files beside it still convert.
    const std::string plain =
        Cli("convert --to ppm -o" + Paths({dir.File("o2"), in, in + "/top.bmp"}), &status);
    EXPECT_EQ(status, 1);
    EXPECT_TRUE(Has(plain, "is a folder; -r converts folders")) << plain;
    EXPECT_TRUE(FileExists(dir.File("o2/top.ppm")));

    // The output folder inside the tree is not taken as input on the next run.
    Cli("convert -r --to ppm -o " + Quote(in + "/converted") + " " + Quote(in + "/2024"), &status);
    Cli("convert -r --exists skip --to ppm -o " + Quote(in + "/converted") + " " + Quote(in + "/2024"),
        &status);
    EXPECT_EQ(Tree(in + "/converted"), (std::vector<std::string>{"a.ppm", "summer/", "summer/b.ppm"}));
}

// Every extension the browser reads is taken from a folder; the files
// left out are counted, not silently dropped.
TEST(CliRecursive, TakesEveryExtensionReadAndCountsWhatItLeavesOut)
{
    TempDir dir;
    const std::string in = dir.File("photos");
    ::mkdir(in.c_str(), 0777);
    int seed = 1;
    for (const char* name : {"photo.jpeg", "CAMERA.JPG", "old.jfif", "scan.tiff", "pic.heif"})
        Picture(in + "/" + name, 9, 5, seed++); // the content decides the decoder
    WriteFile(in + "/notes.txt", "not a picture");
    int status = 0;
    const std::string out =
        Cli("convert -r --to ppm -o " + Quote(dir.File("out")) + " " + Quote(in), &status);
    EXPECT_EQ(status, 0) << out;
    EXPECT_EQ(Tree(dir.File("out")),
              (std::vector<std::string>{"CAMERA.ppm", "old.ppm", "photo.ppm", "pic.ppm", "scan.ppm"}));
    EXPECT_TRUE(Has(out, "converted 5, skipped 0, failed 0, 1 file without a picture extension left out"))
        << out;
}

TEST(CliBatch, OneOrFourWorkersWriteTheSameBytes)
{
    TempDir dir;
    std::string inputs;
    for (int i = 0; i < 10; ++i) {
        const std::string path = dir.File("in" + std::to_string(i) + ".bmp");
        Picture(path, 40 + i * 7, 30 + i * 3, unsigned(i + 1));
        inputs += " " + Quote(path);
    }
    for (const char* type : {"png", "jpg", "gif", "tif"}) {
        SCOPED_TRACE(type);
        int status = 0;
        for (const char* jobs : {"1", "4"})
            Cli(std::string("convert -q -j ") + jobs + " --rotate 30 --gray --to " + type + " -o " +
                    Quote(dir.File(std::string("j") + jobs)) + inputs,
                &status);
        ASSERT_EQ(status, 0);
        for (int i = 0; i < 10; ++i) {
            const std::string name = "/in" + std::to_string(i) + "." + type;
            const std::string one = ReadFile(dir.File("j1") + name);
            ASSERT_FALSE(one.empty());
            EXPECT_EQ(one, ReadFile(dir.File("j4") + name)) << name;
        }
    }
}

TEST(CliBatch, FailuresDoNotStopTheRestAndSetTheExitStatus)
{
    TempDir dir;
    Picture(dir.File("good1.bmp"), 10, 8, 1);
    Picture(dir.File("good2.bmp"), 10, 8, 2);
    WriteFile(dir.File("bad.bmp"), "BM but nothing else");
    int status = 0;
    std::string out =
        Cli("convert -j 2 --to png -o" + Paths({dir.File("o"), dir.File("good1.bmp"), dir.File("bad.bmp"),
                                                dir.File("missing.bmp"), dir.File("good2.bmp")}),
            &status);
    EXPECT_EQ(status, 1);
    EXPECT_TRUE(Has(out, dir.File("bad.bmp") + ": error ")) << out;
    EXPECT_TRUE(Has(out, dir.File("missing.bmp") + ": error ")) << out;
    EXPECT_TRUE(Has(out, "converted 2, skipped 0, failed 2\n")) << out;
    EXPECT_EQ(Tree(dir.File("o")), (std::vector<std::string>{"good1.png", "good2.png"}));

    // Not a terminal: no progress, only the summary; -q drops that too.
    const std::string again = " --exists replace --to png -o" + Paths({dir.File("o"), dir.File("good1.bmp")});
    std::string err;
    vktest::Run(std::string(VELKOR_CLI) + " convert" + again + " 2>&1 >/dev/null", &err);
    EXPECT_EQ(err, "converted 1, skipped 0, failed 0\n");
    EXPECT_EQ(Cli("convert -q" + again, &status), "");
    EXPECT_EQ(status, 0);
    // On a terminal, progress counts up to the total.
    if (HasProgram("script")) {
        std::string tty;
        vktest::Run("script -qec " +
                        Quote(std::string(VELKOR_CLI) + " convert --exists replace --to png -o " +
                              Quote(dir.File("o")) + " " + Quote(dir.File("good1.bmp")) + " " +
                              Quote(dir.File("good2.bmp"))) +
                        " /dev/null",
                    &tty);
        EXPECT_TRUE(Has(tty, "[2/2] ")) << tty;
        EXPECT_TRUE(Has(tty, "pictures/s")) << tty;
    }
}

namespace {

// Starts velkor-cli with its output to `log`; returns its process id.
pid_t Start(const std::vector<std::string>& args, const std::string& log)
{
    std::vector<std::string> words = {VELKOR_CLI};
    words.insert(words.end(), args.begin(), args.end());
    const pid_t pid = ::fork();
    if (pid == 0) {
        const int fd = ::open(log.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        ::dup2(fd, 1);
        ::dup2(fd, 2);
        std::vector<char*> argv;
        for (std::string& w : words)
            argv.push_back(w.data());
        argv.push_back(nullptr);
        ::execv(argv[0], argv.data());
        ::_exit(127);
    }
    return pid;
}

// Waits until `ready` holds or the process ended.
void WaitFor(pid_t pid, const std::function<bool()>& ready)
{
    for (int i = 0; i < 6000; ++i) {
        siginfo_t info{};
        if (::waitid(P_PID, id_t(pid), &info, WEXITED | WNOHANG | WNOWAIT) != 0 || info.si_pid != 0)
            return;
        if (ready())
            return;
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
}

// A large GIF whose picture data stops after 90 % of its blocks but is
// otherwise whole: its decode fills every row and warns, once the data runs
// out, that it ran off the end. Noise of 200 colours, so the decode takes
// a while.
void ShortGif(const std::string& path)
{
    CWinBmp bmp;
    bmp.Create(6000, 4000, 32, false);
    unsigned state = 5;
    auto next = [&state] { return (state = state * 1103515245u + 12345u) >> 16; };
    uint32_t colors[200];
    for (uint32_t& c : colors)
        c = MakePixel(uint8_t(next()), uint8_t(next()), uint8_t(next()));
    for (int y = 0; y < bmp.GetHeight(); ++y)
        for (int x = 0; x < bmp.GetWidth(); ++x)
            bmp.GetLine32(y)[x] = colors[next() % 200];
    CGIFEncoder().Save(path, bmp, false);
    std::string gif = ReadFile(path);
    auto table = [](uint8_t flags) { return flags & 0x80 ? size_t(3) << ((flags & 7) + 1) : 0; };
    size_t at = 13 + table(uint8_t(gif.at(10)));
    ASSERT_EQ(gif.at(at), ',');
    at += 10 + table(uint8_t(gif.at(at + 9))) + 1; // descriptor, its table, code size
    std::vector<size_t> blocks;
    for (; at < gif.size() && gif[at] != 0; at += 1 + uint8_t(gif[at]))
        blocks.push_back(at);
    ASSERT_GT(blocks.size(), 10u);
    gif.resize(blocks[blocks.size() * 9 / 10]);
    gif += std::string("\0;", 2); // block terminator, trailer
    WriteFile(path, gif);
}

// Resident memory of a running process.
size_t ResidentMegabytes(pid_t pid)
{
    std::ifstream statm("/proc/" + std::to_string(pid) + "/statm");
    size_t size = 0, resident = 0;
    statm >> size >> resident;
    return resident * size_t(::sysconf(_SC_PAGESIZE)) >> 20;
}

int ExitStatus(pid_t pid)
{
    int status = 0;
    ::waitpid(pid, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
}

} // namespace

TEST(CliBatch, InterruptedRunLeavesOnlyCompleteFiles)
{
    TempDir dir;
    std::vector<std::string> args = {"convert", "-j",  "2",  "--png-level",  "9",
                                     "--to",    "png", "-o", dir.File("out")};
    for (int i = 0; i < 24; ++i) {
        const std::string path = dir.File("in" + std::to_string(i) + ".bmp");
        Picture(path, 600, 400, unsigned(i + 1));
        args.push_back(path);
    }
    for (int signals : {1, 2}) {
        SCOPED_TRACE(signals);
        vktest::Run("rm -rf " + Quote(dir.File("out")));
        const pid_t pid = Start(args, dir.File("log"));
        ASSERT_GT(pid, 0);
        // Until out/ holds a file (a temporary one counts).
        WaitFor(pid, [&] { return !Tree(dir.File("out")).empty(); });
        for (int i = 0; i < signals; ++i)
            ::kill(pid, SIGINT);
        const int status = ExitStatus(pid);
        const std::string log = ReadFile(dir.File("log"));
        // A run that ended before the signal proves nothing; it is rare with these sizes.
        if (status == 0)
            continue;
        EXPECT_EQ(status, 130) << log;
        EXPECT_TRUE(Has(log, "interrupted")) << log;
        for (const std::string& name : Tree(dir.File("out"))) {
            SCOPED_TRACE(name);
            EXPECT_EQ(name.find(".velkor-"), std::string::npos);
            const std::string input = dir.File(name.substr(0, name.size() - 4) + ".bmp");
            EXPECT_EQ(DecodeWithVelkor(dir.File("out/" + name)), DecodeWithVelkor(input));
        }
        if (signals == 1) {
            EXPECT_TRUE(Has(log, "interrupted before ")) << log;
        }
    }

    // One signal while a long decode is in hand abandons it: the decode
    // never reaches the end of its data (whose warning would follow the
    // interrupt), nothing is written for it and it counts as not converted,
    // not as failed.
    SCOPED_TRACE("decode in hand");
    const std::string large = dir.File("large.gif");
    ShortGif(large);
    {
        // The decode warns when it runs to its end.
        vktest::Run("rm -rf " + Quote(dir.File("out")));
        int status = 0;
        const std::string log =
            Cli("convert -j 1 --to ppm -o " + Quote(dir.File("out")) + " " + Quote(large), &status);
        EXPECT_EQ(status, 0) << log;
        ASSERT_TRUE(Has(log, "ran off the end")) << log;
    }
    vktest::Run("rm -rf " + Quote(dir.File("out")));
    const pid_t pid =
        Start({"convert", "-j", "1", "--to", "png", "-o", dir.File("out"), dir.File("in0.bmp"), large},
              dir.File("log"));
    ASSERT_GT(pid, 0);
    // The first picture is written and the large one's rows are being
    // filled: its 96 MB grow the process beyond its file's 32 MB and the rest.
    WaitFor(pid, [&] { return FileExists(dir.File("out/in0.png")) && ResidentMegabytes(pid) > 80; });
    ::kill(pid, SIGINT);
    const int status = ExitStatus(pid);
    const std::string log = ReadFile(dir.File("log"));
    if (status != 0) {
        EXPECT_EQ(status, 130) << log;
        const size_t interrupt = log.find("interrupted:");
        ASSERT_NE(interrupt, std::string::npos) << log;
        // Before the interrupt the decode may have ended on its own; after it, never.
        EXPECT_EQ(log.find("ran off the end", interrupt), std::string::npos) << log;
        EXPECT_FALSE(Has(log, "error ")) << log;
        if (log.find("ran off the end") == std::string::npos) {
            EXPECT_TRUE(Has(log, "converted 1, skipped 0, failed 0, interrupted before 1")) << log;
            EXPECT_EQ(Tree(dir.File("out")), std::vector<std::string>{"in0.png"});
        }
    }
}
