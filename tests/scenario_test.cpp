// SPDX-FileCopyrightText: 2026 The trivane developers
// SPDX-License-Identifier: MIT
// Golden scenarios: the real trivane executable, unchanged, run against a fake sysfs
// laid over /sys by tests/fakesys in a private mount namespace.
#include "setup/image.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <ostream>
#include <set>
#include <sstream>
#include <string>
#include <vector>

namespace fs = std::filesystem;

namespace {

// The binary under test: the build's own, or any other (a copy that
// trivane-setup wrote, say) given in TRIVANE_UNDER_TEST.
const std::string under_test = [] {
    const char *other = std::getenv("TRIVANE_UNDER_TEST");
    return std::string(other != nullptr && *other != '\0' ? other : TRIVANE_BIN);
}();

// A build for another processor runs its programs through an emulator, whose
// words TRIVANE_EMULATOR holds; on the build's own processor, none.
const std::vector<std::string> emulator = [] {
    const char *named = std::getenv("TRIVANE_EMULATOR");
    std::istringstream words(named != nullptr ? named : "");
    return std::vector<std::string>{std::istream_iterator<std::string>(words),
                                    std::istream_iterator<std::string>()};
}();

// The files it reads, below /sys, by role, from its own slots: the scenarios lay
// each role at the path of the binary under test, so they prove a build for any
// devices. A fan candidate it does not have is empty, and a scenario that needs it
// is skipped.
std::string paths_problem;
const device_paths built = [] {
    std::ifstream in(under_test, std::ios::binary);
    std::vector<unsigned char> bytes{std::istreambuf_iterator<char>(in),
                                     std::istreambuf_iterator<char>()};
    image img;
    device_paths p{};
    const char *why = image_read(img, bytes.data(), bytes.size());
    if (why != nullptr) {
        paths_problem = under_test + ": " + why;
    } else {
        image_paths(img, p);
    }
    return p;
}();
std::string below_sys(const char *path)
{
    const std::string sys = "/sys/";
    return std::string(path).rfind(sys, 0) == 0 ? std::string(path).substr(sys.size())
                                                : std::string();
}
const std::string FAN0 = below_sys(built.fan[0]);
const std::string FAN1 = below_sys(built.fan[1]);
const std::string FAN2 = below_sys(built.fan[2]);
const std::string BL_MAX = below_sys(built.backlight_max);
const std::string BL_NOW = below_sys(built.backlight_level);
const std::string AC = below_sys(built.ac[0]);
const std::string BAT_FULL = below_sys(built.battery_full[0]);
const std::string BAT_NOW = below_sys(built.battery_now[0]);

// Rows about several batteries or adapters run on the binary under test where it
// reads as many, else on a copy of it that trivane-setup writes for as many as
// the row needs: its own, then BATX1 to BATX3 of the same units, ACX1 to ACX3.
// Battery i's files and adapter i's, below /sys.
template <size_t N> unsigned in_use(const char (&slots)[N][PATH_SLOT])
{
    unsigned n = 0;
    while (n < N && slots[n][0] != '\0') {
        ++n;
    }
    return n;
}
const unsigned built_batteries = in_use(built.battery_full);
const unsigned built_adapters = in_use(built.ac);
// "class/power_supply/NAME/UNITS_full": NAME, and UNITS.
std::string part_of(const std::string &file, int from_end)
{
    std::string path = file;
    for (int i = 0; i < from_end; ++i) {
        path = path.substr(0, path.rfind('/'));
    }
    return path.substr(path.rfind('/') + 1);
}
const std::string units = part_of(BAT_FULL, 0).substr(0, part_of(BAT_FULL, 0).find('_'));
std::string battery_name(unsigned i)
{
    return i < built_batteries ? part_of(below_sys(built.battery_full[i]), 1)
                               : "BATX" + std::to_string(i);
}
std::string bat_full(unsigned i)
{
    return "class/power_supply/" + battery_name(i) + "/" + units + "_full";
}
std::string bat_now(unsigned i)
{
    return "class/power_supply/" + battery_name(i) + "/" + units + "_now";
}
std::string adapter_name(unsigned i)
{
    return i < built_adapters ? part_of(below_sys(built.ac[i]), 1) : "ACX" + std::to_string(i);
}
std::string ac(unsigned i) { return "class/power_supply/" + adapter_name(i) + "/online"; }

enum class Kind { file, missing, dir, unreadable, nines };

struct Node {
    std::string path;
    std::string text;
    Kind kind = Kind::file;
    const char *tail = ""; // Kind::nines: what follows the digits
};

Node missing(const std::string &path) { return {path, "", Kind::missing}; }
Node dir(const std::string &path) { return {path, "", Kind::dir}; }
Node unreadable(const std::string &path) { return {path, "1\n", Kind::unreadable}; }
// head, then 3.6 MB of nines (400,000 chunks of nine), then tail; written only by
// the scenario that uses it. In an expected report, NINES stands for those digits.
Node nines(const std::string &path, const char *head, const char *tail)
{
    return {path, head, Kind::nines, tail};
}
const std::string NINES = "<3.6 MB of nines>";
std::string many_nines() { return std::string(std::size_t{9} * 400000, '9'); }
std::string repeat(const std::string &text, int times)
{
    std::string all;
    for (int i = 0; i < times; ++i) {
        all += text;
    }
    return all;
}

// The machine every scenario starts from; a scenario's nodes replace its files.
const std::vector<Node> laptop = {{FAN0, "980\n"}, {BL_MAX, "852\n"},   {BL_NOW, "426\n"},
                                  {AC, "1\n"},     {BAT_FULL, "800\n"}, {BAT_NOW, "700\n"}};

const std::string FAN = "FAN rpm: 980\n";
const std::string NO_FAN = "Cannot read fan RPM\n";
const std::string BRIGHT = "Brightness: 50.00%\n";
const std::string POWER = "Power state: 1\n";
const std::string LEVEL = "Level: 87.50%\n";
const std::string STOP = "Cannot open file\n";
const std::string REPORT = FAN + BRIGHT + POWER + LEVEL;

struct Scenario {
    const char *name;
    std::vector<Node> nodes;
    std::string out;
    std::vector<std::string> command = {"trivane"}; // "trivane" stands for the built binary
    // or "full", "closed", "gone", or "limited": a file under a file size limit of 0
    const char *stdout_to = "pipe";
    unsigned batteries = 1; // how many the binary must read
    unsigned adapters = 1;
};

// trivane run with its Nth read of the file at path (below /sys) failing with EIO,
// as a failing driver's would. (LeakSanitizer cannot work under ptrace, and
// trivane allocates nothing.)
std::vector<std::string> read_fails(const std::string &path, int n)
{
    return {"/usr/bin/strace",
            "-qq",
            "-o",
            "/dev/null",
            "-E",
            "ASAN_OPTIONS=detect_leaks=0",
            "-P",
            "/sys/" + path,
            "-e",
            "trace=read",
            "-e",
            "inject=read:error=EIO:when=" + std::to_string(n),
            "trivane"};
}
// trivane allowed four descriptors: the standard three and one file at a time.
const std::vector<std::string> one_file_at_a_time = {"/usr/bin/prlimit", "--nofile=4", "trivane"};

void PrintTo(const Scenario &s, std::ostream *os) { *os << s.name; }

std::string slurp(const fs::path &path)
{
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

struct Outcome {
    int status = -1;
    std::string out;
    std::string err;
};

// Runs argv with stdout and stderr sent to files in dir, under a file size limit of
// 0 where limited.
Outcome run(const std::vector<std::string> &argv, const fs::path &dir, bool limited = false)
{
    const fs::path out = dir / "stdout";
    const fs::path err = dir / "stderr";
    const pid_t pid = fork();
    if (pid == 0) {
        signal(SIGPIPE, SIG_DFL); // as a shell would start it
        const int o = open(out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        const int e = open(err.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        if (o < 0 || e < 0 || dup2(o, 1) < 0 || dup2(e, 2) < 0) {
            _exit(126);
        }
        // Nothing else the test process holds open reaches the command.
        close_range(3, ~0U, 0);
        const rlimit none = {0, 0};
        if (limited && setrlimit(RLIMIT_FSIZE, &none) != 0) {
            _exit(126);
        }
        std::vector<char *> args;
        args.reserve(argv.size() + 1);
        for (const std::string &a : argv) {
            args.push_back(const_cast<char *>(a.c_str()));
        }
        args.push_back(nullptr);
        execvp(args[0], args.data());
        _exit(127);
    }
    Outcome r;
    int status = 0;
    waitpid(pid, &status, 0);
    r.status = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    r.out = slurp(out);
    r.err = slurp(err);
    return r;
}

class TempDir {
  public:
    TempDir()
    {
        const char *tmp = std::getenv("TMPDIR");
        std::string tmpl = std::string(tmp != nullptr ? tmp : "/tmp") + "/trivane-scenario-XXXXXX";
        path_ = mkdtemp(tmpl.data());
    }
    ~TempDir()
    {
        std::error_code ec;
        fs::remove_all(path_, ec);
    }
    TempDir(const TempDir &) = delete;
    TempDir &operator=(const TempDir &) = delete;
    const fs::path &path() const { return path_; }

  private:
    fs::path path_;
};

void lay(const fs::path &tree, const std::vector<Node> &nodes)
{
    std::vector<Node> all = laptop;
    all.insert(all.end(), nodes.begin(), nodes.end());
    std::set<std::string> laid;
    for (auto it = all.rbegin(); it != all.rend(); ++it) { // later nodes win
        const fs::path p = tree / it->path;
        if (!laid.insert(it->path).second || it->kind == Kind::missing) {
            continue;
        }
        fs::create_directories(p.parent_path());
        if (it->kind == Kind::dir) {
            fs::create_directory(p);
            continue;
        }
        std::ofstream file(p, std::ios::binary);
        file << it->text;
        if (it->kind == Kind::nines) {
            file << many_nines() << it->tail;
        }
        if (it->kind == Kind::unreadable) {
            // By the system call itself: under fakeroot, chmod() only pretends, and
            // the file would stay readable where trivane runs.
            syscall(SYS_fchmodat, AT_FDCWD, p.c_str(), 0, 0);
        }
    }
}

// Under TRIVANE_VALGRIND the scenarios run trivane under memcheck, which must find no
// error, no definite or indirect leak and no descriptor trivane opened left open.
// Memcheck computes long double in double precision, so percentage digits are
// masked there; the native runs prove them.
const bool under_valgrind = std::getenv("TRIVANE_VALGRIND") != nullptr;

std::string mask_percentages(std::string report)
{
    for (const char *label : {"Brightness: ", "Level: "}) {
        for (std::size_t at = report.find(label); at != std::string::npos;
             at = report.find(label, at + 1)) {
            const std::size_t from = at + std::string(label).size();
            const std::size_t to = report.find('%', from);
            if (to != std::string::npos) {
                report.replace(from, to - from, "#");
            }
        }
    }
    return report;
}

// Descriptors memcheck lists as open at exit that trivane did not inherit.
int opened_fds_left(const std::string &report)
{
    std::istringstream lines(report);
    std::string line;
    int left = 0;
    bool listed = false;
    while (std::getline(lines, line)) {
        if (listed && line.find("<inherited from parent>") == std::string::npos) {
            ++left;
        }
        listed = line.find("Open file descriptor") != std::string::npos;
    }
    return left;
}

// Whether private namespaces work here; where they do not, the scenarios skip,
// unless TRIVANE_REQUIRE_SCENARIOS=1 (CI, package builds that must run them).
const std::string &namespace_problem()
{
    static const std::string problem = [] {
        TempDir dir;
        const Outcome r = run({FAKESYS, "probe"}, dir.path());
        return r.status == 0 ? std::string() : r.err;
    }();
    return problem;
}

const bool scenarios_required = [] {
    const char *required = std::getenv("TRIVANE_REQUIRE_SCENARIOS");
    return required != nullptr && std::string(required) == "1";
}();

// A copy of the binary under test that reads so many batteries and adapters,
// written once by the build's trivane-setup (the machine's own /sys plays no
// part: --sys names an empty tree); why it could not be written, where it could
// not.
std::string copy_problem;
std::string with_supplies(unsigned batteries_read, unsigned adapters_read)
{
    static TempDir dir;
    static std::map<std::string, std::string> copies;
    const std::string key = std::to_string(batteries_read) + "-" + std::to_string(adapters_read);
    if (copies.count(key) != 0) {
        return copies[key];
    }
    return copies[key] = [&] {
        const auto name = [](const char *path, int from_end) { return part_of(path, from_end); };
        std::string fans;
        for (const auto &fan : built.fan) {
            fans += fan[0] != '\0' ? (fans.empty() ? "" : ";") + std::string(fan) : "";
        }
        std::string batteries = battery_name(0);
        for (unsigned i = 1; i < batteries_read; ++i) {
            batteries += ";" + battery_name(i);
        }
        std::string adapters = adapter_name(0);
        for (unsigned i = 1; i < adapters_read; ++i) {
            adapters += ";" + adapter_name(i);
        }
        const fs::path devices = dir.path() / ("devices-" + key);
        std::ofstream(devices) << "set(TRIVANE_FAN_FILES \"" << fans
                               << "\" CACHE STRING \"\" FORCE)\n"
                               << "set(TRIVANE_BACKLIGHT \"" << name(built.backlight_max, 1)
                               << "\" CACHE STRING \"\" FORCE)\n"
                               << "set(TRIVANE_AC \"" << adapters << "\" CACHE STRING \"\" FORCE)\n"
                               << "set(TRIVANE_BATTERY \"" << batteries
                               << "\" CACHE STRING \"\" FORCE)\n"
                               << "set(TRIVANE_BATTERY_UNITS \"" << units
                               << "\" CACHE STRING \"\" FORCE)\n";
        fs::create_directories(dir.path() / "empty");
        const fs::path out = dir.path() / ("trivane-" + key);
        std::vector<std::string> argv = emulator;
        argv.insert(argv.end(), {TRIVANE_SETUP, "--from", under_test, "--sys", dir.path() / "empty",
                                 "--devices", devices, "--force", "-o", out});
        const Outcome r = run(argv, dir.path());
        copy_problem = r.status == 0 ? "" : r.err;
        return out.string();
    }();
}

class Scenarios : public testing::TestWithParam<Scenario> {};

TEST_P(Scenarios, PrintsExactReport)
{
    if (!namespace_problem().empty()) {
        if (scenarios_required) {
            FAIL() << "TRIVANE_REQUIRE_SCENARIOS=1, and " << namespace_problem();
        }
        GTEST_SKIP() << namespace_problem();
    }
    const Scenario &s = GetParam();
    ASSERT_EQ(paths_problem, "");
    for (const Node &node : s.nodes) {
        if (node.path.empty()) {
            GTEST_SKIP() << under_test << " reads fewer fan files than the scenario needs";
        }
    }
    const std::string binary = s.batteries > built_batteries || s.adapters > built_adapters
                                   ? with_supplies(std::max(s.batteries, built_batteries),
                                                   std::max(s.adapters, built_adapters))
                                   : under_test;
    ASSERT_EQ(copy_problem, "");
    const bool limited = std::string(s.stdout_to) == "limited";
    if (under_valgrind &&
        ((s.command.front() != "trivane" && s.command.front() != "/usr/bin/env") || limited)) {
        GTEST_SKIP() << "memcheck cannot run under strace, with four descriptors or without room "
                        "for its log";
    }
    TempDir dir;
    const fs::path tree = dir.path() / "sys";
    lay(tree, s.nodes);

    const fs::path log = dir.path() / "valgrind.log";
    std::vector<std::string> argv = {FAKESYS, "run", "--stdout", limited ? "pipe" : s.stdout_to,
                                     tree};
    for (const std::string &word : s.command) {
        if (word == "trivane" && under_valgrind) {
            argv.insert(argv.end(), {"valgrind", "-q", "--error-exitcode=99", "--leak-check=full",
                                     "--show-leak-kinds=definite,indirect",
                                     "--errors-for-leak-kinds=definite,indirect", "--track-fds=yes",
                                     "--log-file=" + log.string()});
        }
        if (word == "trivane") {
            argv.insert(argv.end(), emulator.begin(), emulator.end());
        }
        argv.push_back(word == "trivane" ? binary : word);
    }
    const Outcome r = run(argv, dir.path(), limited);
    std::string expected = s.out;
    if (const std::size_t at = expected.find(NINES); at != std::string::npos) {
        expected.replace(at, NINES.size(), many_nines());
    }
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.err, "");
    if (!under_valgrind) {
        EXPECT_EQ(r.out, expected);
        return;
    }
    EXPECT_EQ(mask_percentages(r.out), mask_percentages(expected));
    const std::string report = slurp(log);
    EXPECT_EQ(opened_fds_left(report), 0) << report;
    EXPECT_EQ(r.status, 0) << report;
}

// One row a machine: what differs from the laptop, and the exact report.
// clang-format off
const Scenario scenarios[] = {
    {"FullReport", {}, REPORT},
    {"ArgumentsChangeNothing", {}, REPORT, {"trivane", "--help", "-v", "x"}},
    {"LocaleChangesNothing", {}, REPORT, {"/usr/bin/env", "LC_ALL=de_DE.UTF-8", "LANG=fr_FR", "trivane"}},

    // Fan: first candidate that opens, last chunk, never stops the run.
    {"Fan_OnlyThird", {missing(FAN0), {FAN2, "1200\n"}}, "FAN rpm: 1200\n" + BRIGHT + POWER + LEVEL},
    {"Fan_FirstWinsOverSecond", {{FAN1, "1\n"}}, REPORT},
    {"Fan_NoneOpens", {missing(FAN0)}, NO_FAN + BRIGHT + POWER + LEVEL},
    {"Fan_Zero", {{FAN0, "0\n"}}, "FAN rpm: 0\n" + BRIGHT + POWER + LEVEL},
    {"Fan_TwoLinesShowSecond", {{FAN0, "100\n200\n"}}, "FAN rpm: 200\n" + BRIGHT + POWER + LEVEL},
    {"Fan_EmptyIsZero", {{FAN0, ""}}, "FAN rpm: 0\n" + BRIGHT + POWER + LEVEL},
    {"Fan_NineDigitsEndInNewlineChunk", {{FAN0, "123456789\n"}}, "FAN rpm: 0\n" + BRIGHT + POWER + LEVEL},
    {"Fan_NotANumber", {{FAN0, "abc\n"}}, "FAN rpm: 0\n" + BRIGHT + POWER + LEVEL},
    {"Fan_Negative", {{FAN0, "  -5\n"}}, "FAN rpm: -5\n" + BRIGHT + POWER + LEVEL},
    {"Fan_MegabytesOfDigits", {nines(FAN0, "", "42\n")}, "FAN rpm: 42\n" + BRIGHT + POWER + LEVEL},
    {"Fan_DirectoryAtFirstIsRead", {dir(FAN0), {FAN1, "1\n"}}, "FAN rpm: 0\n" + BRIGHT + POWER + LEVEL},
    {"Fan_UnreadableFirstFallsBack", {unreadable(FAN0), {FAN1, "1500\n"}}, "FAN rpm: 1500\n" + BRIGHT + POWER + LEVEL},
    {"Fan_DirectoryAtSecond", {missing(FAN0), dir(FAN1), {FAN2, "1\n"}}, "FAN rpm: 0\n" + BRIGHT + POWER + LEVEL},
    {"Fan_UnreadableSecond", {missing(FAN0), unreadable(FAN1), {FAN2, "7\n"}}, "FAN rpm: 7\n" + BRIGHT + POWER + LEVEL},
    {"Fan_DirectoryAtThird", {missing(FAN0), dir(FAN2)}, "FAN rpm: 0\n" + BRIGHT + POWER + LEVEL},
    {"Fan_NoNewline", {{FAN0, "1500"}}, "FAN rpm: 1500\n" + BRIGHT + POWER + LEVEL},
    {"Fan_UnreadableThird", {missing(FAN0), unreadable(FAN2)}, NO_FAN + BRIGHT + POWER + LEVEL},

    // Backlight: both files required; one shared buffer.
    {"Backlight_MaxMissing", {missing(BL_MAX)}, FAN + STOP},
    {"Backlight_LevelMissing", {missing(BL_NOW)}, FAN + STOP},
    {"Backlight_NoFanNoBacklight", {missing(FAN0), missing(BL_MAX), missing(BL_NOW)}, NO_FAN + STOP},
    {"Backlight_MaxUnreadable", {unreadable(BL_MAX)}, FAN + STOP},
    {"Backlight_LevelUnreadable", {unreadable(BL_NOW)}, FAN + STOP},
    {"Backlight_LevelZero", {{BL_NOW, "0\n"}}, FAN + "Brightness: 0.00%\n" + POWER + LEVEL},
    {"Backlight_AboveMax", {{BL_NOW, "900\n"}}, FAN + "Brightness: 105.63%\n" + POWER + LEVEL},
    {"Backlight_ExtendedPrecision", {{BL_MAX, "160\n"}, {BL_NOW, "23\n"}}, FAN + "Brightness: 14.38%\n" + POWER + LEVEL},
    {"Backlight_MaxZero", {{BL_MAX, "0\n"}}, FAN + "Brightness: inf%\n" + POWER + LEVEL},
    {"Backlight_MaxZeroNegativeLevel", {{BL_MAX, "0\n"}, {BL_NOW, "-5\n"}}, FAN + "Brightness: -inf%\n" + POWER + LEVEL},
    {"Backlight_ZeroOverZero", {{BL_MAX, "0\n"}, {BL_NOW, "0\n"}}, FAN + "Brightness: -nan%\n" + POWER + LEVEL},
    {"Backlight_EmptyLevelRepeatsMax", {{BL_NOW, ""}}, FAN + "Brightness: 100.00%\n" + POWER + LEVEL},
    {"Backlight_EmptyMaxIsZero", {{BL_MAX, ""}}, FAN + "Brightness: inf%\n" + POWER + LEVEL},
    {"Backlight_DirectoryAtMax", {dir(BL_MAX)}, FAN + "Brightness: inf%\n" + POWER + LEVEL},
    {"Backlight_DirectoryAtLevel", {dir(BL_NOW)}, FAN + "Brightness: 100.00%\n" + POWER + LEVEL},
    {"Backlight_SpacesAndPlusSign", {{BL_MAX, "\t\v\f\r+852\n"}, {BL_NOW, "\n 426 x\n"}}, REPORT},
    {"Backlight_BinaryBytes", {{BL_NOW, std::string("\x01\xff\0" "12", 5)}}, FAN + "Brightness: 0.00%\n" + POWER + LEVEL},

    // Power and battery: the AC text is copied as it stands; charges by first chunk.
    {"Power_AcMissing", {missing(AC)}, FAN + BRIGHT + STOP},
    {"Power_AcUnreadable", {unreadable(AC)}, FAN + BRIGHT + STOP},
    {"Power_AcSeveralLines", {{AC, "1\nextra\n"}}, FAN + BRIGHT + POWER + "extra\n" + LEVEL},
    {"Power_AcNoNewline", {{AC, "0"}}, FAN + BRIGHT + "Power state: 0" + LEVEL},
    {"Power_AcNoNewlineThenStop", {{AC, "1"}, missing(BAT_FULL)}, FAN + BRIGHT + "Power state: 1" + STOP},
    {"Power_AcBinaryBytesCopied", {{AC, std::string("\0\xfe\n", 3)}}, FAN + BRIGHT + "Power state: " + std::string("\0\xfe\n", 3) + LEVEL},
    {"Power_AcMegabytes", {nines(AC, "1", "\n")}, FAN + BRIGHT + "Power state: 1" + NINES + "\n" + LEVEL},
    {"Power_AcDirectory", {dir(AC)}, FAN + BRIGHT + "Power state: " + LEVEL},
    {"Battery_Missing", {missing(BAT_FULL), missing(BAT_NOW)}, FAN + BRIGHT + POWER + STOP},
    {"Battery_NowMissing", {missing(BAT_NOW)}, FAN + BRIGHT + POWER + STOP},
    {"Battery_FullUnreadable", {unreadable(BAT_FULL)}, FAN + BRIGHT + POWER + STOP},
    {"Battery_NowUnreadable", {unreadable(BAT_NOW)}, FAN + BRIGHT + POWER + STOP},
    {"Battery_AboveFull", {{BAT_NOW, "900\n"}}, FAN + BRIGHT + POWER + "Level: 112.50%\n"},
    {"Battery_EmptyNowRepeatsFull", {{BAT_NOW, ""}}, FAN + BRIGHT + POWER + "Level: 100.00%\n"},
    {"Battery_EmptyFullIsZero", {{BAT_FULL, ""}}, FAN + BRIGHT + POWER + "Level: inf%\n"},
    {"Battery_TenDigitsCutToNine", {{BAT_FULL, "1000000000\n"}, {BAT_NOW, "50000000\n"}}, FAN + BRIGHT + POWER + "Level: 50.00%\n"},
    {"Battery_FirstLineOnly", {{BAT_FULL, "800\n400\n"}}, REPORT},
    {"Battery_MegabytesOfDigits", {nines(BAT_NOW, "350", "")}, FAN + BRIGHT + POWER + "Level: 43874999.88%\n"},
    {"Battery_FullZero", {{BAT_FULL, "0\n"}}, FAN + BRIGHT + POWER + "Level: inf%\n"},
    {"Battery_DirectoryAtFull", {dir(BAT_FULL)}, FAN + BRIGHT + POWER + "Level: inf%\n"},
    {"Battery_DirectoryAtNow", {dir(BAT_NOW)}, FAN + BRIGHT + POWER + "Level: 100.00%\n"},

    // Several batteries: the machine's level, the sum of the present charges over the
    // sum of the full charges; not the average of the percentages (74.75 here).
    {"Batteries_TwoSummed", {{BAT_FULL, "23480000\n"}, {BAT_NOW, "14120000\n"}, {bat_full(1), "68510000\n"}, {bat_now(1), "61230000\n"}}, FAN + BRIGHT + POWER + "Level: 81.91%\n", {"trivane"}, "pipe", 2},
    {"Batteries_SmallAndLargePack", {{BAT_FULL, "24000000\n"}, {BAT_NOW, "6000000\n"}, {bat_full(1), "72000000\n"}, {bat_now(1), "72000000\n"}}, FAN + BRIGHT + POWER + "Level: 81.25%\n", {"trivane"}, "pipe", 2},
    {"Batteries_FourSummed", {{bat_full(1), "1000\n"}, {bat_now(1), "1\n"}, {bat_full(2), "3\n"}, {bat_now(2), "2\n"}, {bat_full(3), "999999999\n"}, {bat_now(3), "123456789\n"}}, FAN + BRIGHT + POWER + "Level: 12.35%\n", {"trivane"}, "pipe", 4},
    {"Batteries_ExtendedPrecision", {{BAT_FULL, "80\n"}, {BAT_NOW, "11\n"}, {bat_full(1), "80\n"}, {bat_now(1), "12\n"}}, FAN + BRIGHT + POWER + "Level: 14.38%\n", {"trivane"}, "pipe", 2},
    {"Batteries_BayEmptied", {missing(bat_full(1)), missing(bat_now(1))}, REPORT, {"trivane"}, "pipe", 2},
    {"Batteries_SecondNowMissing", {{bat_full(1), "100\n"}, missing(bat_now(1))}, REPORT, {"trivane"}, "pipe", 2},
    {"Batteries_FirstGone", {missing(BAT_FULL), missing(BAT_NOW), {bat_full(1), "40\n"}, {bat_now(1), "10\n"}}, FAN + BRIGHT + POWER + "Level: 25.00%\n", {"trivane"}, "pipe", 2},
    {"Batteries_AllGone", {missing(BAT_FULL), missing(BAT_NOW)}, FAN + BRIGHT + POWER + STOP, {"trivane"}, "pipe", 4},
    {"Batteries_EmptyBay", {{bat_full(1), "0\n"}, {bat_now(1), "0\n"}}, REPORT, {"trivane"}, "pipe", 2},
    {"Batteries_FullZeroAddsItsCharge", {{bat_full(1), "0\n"}, {bat_now(1), "5\n"}}, FAN + BRIGHT + POWER + "Level: 88.12%\n", {"trivane"}, "pipe", 2},
    {"Batteries_FirstFullZero", {{BAT_FULL, "0\n"}, {bat_full(1), "0\n"}, {bat_now(1), "0\n"}}, FAN + BRIGHT + POWER + "Level: inf%\n", {"trivane"}, "pipe", 3},
    {"Batteries_AllFullZero", {{BAT_FULL, "0\n"}, {BAT_NOW, "0\n"}, {bat_full(1), "0\n"}, {bat_now(1), "0\n"}}, FAN + BRIGHT + POWER + "Level: -nan%\n", {"trivane"}, "pipe", 2},
    {"Batteries_EmptyNowRepeatsItsFull", {{bat_full(1), "200\n"}, {bat_now(1), ""}}, FAN + BRIGHT + POWER + "Level: 90.00%\n", {"trivane"}, "pipe", 2},
    {"Batteries_EmptyFullIsZero", {{bat_full(1), ""}, {bat_now(1), "50\n"}}, FAN + BRIGHT + POWER + "Level: 93.75%\n", {"trivane"}, "pipe", 2},
    {"Batteries_OneFileOpenAtATime", {{bat_full(1), "800\n"}, {bat_now(1), "100\n"}}, FAN + BRIGHT + POWER + "Level: 50.00%\n", one_file_at_a_time, "pipe", 2},

    // Several adapters (a laptop whose USB-C ports report charging apart): the
    // first online one's text, whole; else the first offline one's "0"; an
    // adapter gone since the build, empty or failing to read says nothing.
    {"Adapters_SecondOnline", {{AC, "0\n"}, {ac(1), "1\n"}}, REPORT, {"trivane"}, "pipe", 1, 2},
    {"Adapters_FirstOnlineWins", {{AC, "1\n"}, {ac(1), "2\n"}}, REPORT, {"trivane"}, "pipe", 1, 2},
    {"Adapters_FourthOnline", {{AC, "0\n"}, {ac(1), "0\n"}, {ac(2), "0\n"}, {ac(3), "1\n"}}, REPORT, {"trivane"}, "pipe", 1, 4},
    {"Adapters_NoneOnline", {{AC, "0\n"}, {ac(1), "0\n"}}, FAN + BRIGHT + "Power state: 0\n" + LEVEL, {"trivane"}, "pipe", 1, 2},
    {"Adapters_AllGone", {missing(AC)}, FAN + BRIGHT + STOP, {"trivane"}, "pipe", 1, 4},
    {"Adapters_FirstVanished", {missing(AC), {ac(1), "1\n"}}, REPORT, {"trivane"}, "pipe", 1, 2},
    {"Adapters_FirstVanishedSecondOffline", {missing(AC), {ac(1), "0\n"}}, FAN + BRIGHT + "Power state: 0\n" + LEVEL, {"trivane"}, "pipe", 1, 2},
    {"Adapters_UsbPdTwoIsOnline", {{AC, "0\n"}, {ac(1), "2\n"}}, FAN + BRIGHT + "Power state: 2\n" + LEVEL, {"trivane"}, "pipe", 1, 2},
    {"Adapters_EmptySaysNothing", {{AC, ""}, {ac(1), "0\n"}}, FAN + BRIGHT + "Power state: 0\n" + LEVEL, {"trivane"}, "pipe", 1, 2},
    {"Adapters_OnlyEmptyOnes", {{AC, ""}}, FAN + BRIGHT + "Power state: " + LEVEL, {"trivane"}, "pipe", 1, 2},
    {"Adapters_DirectorySaysNothing", {dir(AC), {ac(1), "1\n"}}, REPORT, {"trivane"}, "pipe", 1, 2},
    {"Adapters_ReadErrorSaysNothing", {{AC, "1\n"}, {ac(1), "0\n"}}, FAN + BRIGHT + "Power state: 0\n" + LEVEL, read_fails(AC, 1), "pipe", 1, 2},
    {"Adapters_ZeroWithoutNewlineIsOffline", {{AC, "0"}, {ac(1), "1\n"}}, REPORT, {"trivane"}, "pipe", 1, 2},
    {"Adapters_OfflineTextAsItStands", {{AC, "0"}, {ac(1), "0\n"}}, FAN + BRIGHT + "Power state: 0" + LEVEL, {"trivane"}, "pipe", 1, 2},
    {"Adapters_OnlineWithoutNewline", {{AC, "1"}, {ac(1), "0\n"}}, FAN + BRIGHT + "Power state: 1" + LEVEL, {"trivane"}, "pipe", 1, 2},
    {"Adapters_TwoCharactersNotZeroAreShown", {{AC, "-1"}, {ac(1), "0\n"}}, FAN + BRIGHT + "Power state: -1" + LEVEL, {"trivane"}, "pipe", 1, 2},
    {"Adapters_ZeroThenMoreIsOnline", {{AC, "0\nx\n"}, {ac(1), "1\n"}}, FAN + BRIGHT + "Power state: 0\nx\n" + LEVEL, {"trivane"}, "pipe", 1, 2},
    {"Adapters_OnlineCopiedWhole", {{AC, "0\n"}, {ac(1), std::string("\0\xfe", 2), Kind::nines, "\n"}}, FAN + BRIGHT + "Power state: " + std::string("\0\xfe", 2) + NINES + "\n" + LEVEL, {"trivane"}, "pipe", 1, 2},
    {"Adapters_OneFileOpenAtATime", {{AC, "0\n"}, {ac(1), "1\n"}}, REPORT, one_file_at_a_time, "pipe", 1, 2},
    {"Adapters_WithBatteries", {{AC, "0\n"}, {ac(1), "1\n"}, {bat_full(1), "800\n"}, {bat_now(1), "100\n"}}, FAN + BRIGHT + POWER + "Level: 50.00%\n", {"trivane"}, "pipe", 2, 2},

    // Reading: one file open at a time; a read that fails after data ends the file
    // there, keeping what came (the fan file's 64-byte first read ends in "2"; its
    // 1,004th read of nines leaves a chunk of four; the AC file's first read brings
    // 64 ones).
    {"Read_OneFileOpenAtATime", {}, REPORT, one_file_at_a_time},
    {"Read_ErrorOnSecondRead", {{FAN0, repeat("11111111\n", 7) + "2\n3333\n"}}, "FAN rpm: 2\n" + BRIGHT + POWER + LEVEL, read_fails(FAN0, 2)},
    {"Read_ErrorInLongFile", {nines(FAN0, "", "42\n")}, "FAN rpm: 9999\n" + BRIGHT + POWER + LEVEL, read_fails(FAN0, 1004)},
    {"Read_ErrorInAcCopy", {{AC, std::string(64, '1') + "0\n"}}, FAN + BRIGHT + "Power state: " + std::string(64, '1') + LEVEL, read_fails(AC, 2)},

    // Standard output that cannot take the report: still status 0, nothing on stderr.
    {"Stdout_Full", {}, "", {"trivane"}, "full"},
    {"Stdout_Closed", {}, "", {"trivane"}, "closed"},
    {"Stdout_ReaderGone", {}, "", {"trivane"}, "gone"},
    {"Stdout_FileSizeLimit", {}, "", {"trivane"}, "limited"},
};
// clang-format on

INSTANTIATE_TEST_SUITE_P(Trivane, Scenarios, testing::ValuesIn(scenarios),
                         [](const testing::TestParamInfo<Scenario> &p) {
                             return std::string(p.param.name);
                         });

} // namespace
