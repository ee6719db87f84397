// SPDX-FileCopyrightText: 2026 The trivane developers
// SPDX-License-Identifier: MIT
// trivane-setup: writes a copy of the installed trivane that reads this machine's
// devices, as trivane-detect finds them. Only the copy's path slots, contents hash
// and build-id differ from the installed binary, so the copy is byte for byte what a
// build from source with the same device options gives; no compiler is needed.
// With --system (as root) the copy is the trivane of every user, through the
// alternatives system, and package upgrades write it anew from /etc/trivane.
#include "monitors/devices.h"
#include "monitors/paths.h"
#include "setup/image.h"

#include <elf.h>
#include <errno.h>
#include <fcntl.h>
#include <limits.h>
#include <poll.h>
#include <signal.h>
#include <stdarg.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

const char usage[] =
    "usage: trivane-setup [-o FILE] [--sys DIR] [--devices FILE] [--force] [--from FILE]\n"
    "       trivane-setup --system [--sys DIR] [--devices FILE] [--force] [--from FILE]\n"
    "       trivane-setup --system --undo\n"
    "       trivane-setup --check [--sys DIR] [--devices FILE]\n"
    "\n"
    "Finds this machine's fan, backlight, mains adapter and battery with trivane-detect\n"
    "(which says what it chose and why) and writes a trivane that reads them: a copy of\n"
    "the installed one, which it never changes.\n"
    "\n"
    "  -o FILE         where to write the copy (default: ~/.local/bin/trivane; as root,\n"
    "                  -o or --system must be given)\n"
    "  --system        as root: make the copy the trivane of every user and status bar,\n"
    "                  whatever their PATH, and keep the devices in\n"
    "                  /etc/trivane/devices.cmake, from which package upgrades write it anew\n"
    "  --undo          with --system: go back to the packaged trivane\n"
    "  --check         say whether the trivane PATH finds is of this version and reads\n"
    "                  this machine's devices (status 0) or not (status 1)\n"
    "  --devices FILE  take the devices from a file that trivane-detect -o wrote\n"
    "  --sys DIR       the machine's sysfs is a tree laid out in DIR (for tests): the\n"
    "                  devices are found there, or checked there with --devices\n"
    "  --force         write a copy even where the installed trivane fits, or over a\n"
    "                  file that is not a trivane\n"
    "  --from FILE     the trivane to copy (default: the packaged one)\n"
    "  --version       print the version\n"
    "  --stamp FILE    (for builds) set FILE's contents hash and build-id\n";

// The processor this setup runs on, whose trivane alone it copies.
#if defined(__x86_64__)
constexpr unsigned OWN_MACHINE = EM_X86_64;
#elif defined(__i386__)
constexpr unsigned OWN_MACHINE = EM_386;
#elif defined(__aarch64__)
constexpr unsigned OWN_MACHINE = EM_AARCH64;
#elif defined(__arm__)
constexpr unsigned OWN_MACHINE = EM_ARM;
#elif defined(__riscv)
constexpr unsigned OWN_MACHINE = EM_RISCV;
#else
#error "trivane-setup does not know this processor's ELF machine number"
#endif

// Files setup reads: a trivane is some 30 KB; a saved configuration a few.
constexpr size_t MAX_FILE = size_t{8} << 20;

// The machine-wide copy, kept as Debian Policy wants: the administrator's choice
// in /etc, the package's state in /var/lib.
constexpr char SYSTEM_COPY[] = "/var/lib/trivane/trivane";
constexpr char SYSTEM_DEVICES[] = "/etc/trivane/devices.cmake";
// Above the packaged trivane's priority, which its maintainer scripts give.
constexpr char SYSTEM_PRIORITY[] = "20";

struct options {
    const char *output = nullptr;
    const char *from = nullptr;
    const char *sys = nullptr;
    const char *devices = nullptr;
    const char *stamp = nullptr;
    bool force = false;
    bool system = false;
    bool undo = false;
    bool check = false;
};

// What a refusal or a signal must take away: temporary files not yet renamed
// over their targets, the folders made for a copy in ~/.local/bin, and a
// detector still running. Global, for the signal handler.
struct pending_work {
    int dir[2] = {-1, -1};
    char temp[2][NAME_MAX + 1] = {};
    char made[2][PATH_MAX] = {};
    pid_t child = 0;
};
pending_work pending;

void clean_up()
{
    for (int i = 0; i < 2; ++i) {
        if (pending.temp[i][0] != '\0') {
            unlinkat(pending.dir[i], pending.temp[i], 0);
            pending.temp[i][0] = '\0';
        }
    }
    for (int i = 1; i >= 0; --i) {
        if (pending.made[i][0] != '\0') {
            rmdir(pending.made[i]);
        }
    }
    if (pending.child > 0) {
        kill(pending.child, SIGTERM);
    }
}

// gcov counts nothing of a process that ends by a signal: the rows of
// tests/setup_test that signal setup prove this.
// GCOVR_EXCL_START
void on_signal(int sig)
{
    clean_up();
    signal(sig, SIG_DFL);
    raise(sig);
}
// GCOVR_EXCL_STOP

// Says why nothing was written, and ends with status 1.
[[noreturn]] __attribute__((format(printf, 1, 2))) void refuse(const char *format, ...)
{
    clean_up();
    va_list args;
    va_start(args, format);
    fputs("trivane-setup: ", stderr);
    vfprintf(stderr, format, args);
    va_end(args);
    fputs("\nNothing was written.\n", stderr);
    exit(1);
}

// A bad argument or combination of arguments: the usage, and status 2.
[[noreturn]] __attribute__((format(printf, 1, 2))) void misuse(const char *format, ...)
{
    va_list args;
    va_start(args, format);
    fputs("trivane-setup: ", stderr);
    vfprintf(stderr, format, args);
    va_end(args);
    fprintf(stderr, "\n%s", usage);
    exit(2);
}

// Text that grows as it is read, a zero after its end: a file, or what a
// detector says.
struct text {
    char *data = nullptr;
    size_t size = 0;
};

// The texts setup reads live as long as the process, which is short: they are
// kept here, where a leak checker sees them as the program's own.
char *kept[64];
size_t kept_count = 0;

void append(text &t, const char *bytes, size_t n)
{
    if (t.size + n > MAX_FILE) {
        refuse("the text read is far too large (over %zu bytes).", MAX_FILE);
    }
    auto *grown = static_cast<char *>(realloc(t.data, t.size + n + 1));
    // GCOVR_EXCL_START: only where memory fails
    if (grown == nullptr) {
        refuse("no memory for %zu bytes.", t.size + n);
    }
    // GCOVR_EXCL_STOP
    for (char *&k : kept) {
        if (t.data != nullptr && k == t.data) {
            k = grown;
        }
    }
    if (t.data == nullptr) {
        kept[kept_count++ % 64] = grown;
    }
    memcpy(grown + t.size, bytes, n);
    t.data = grown;
    t.size += n;
    t.data[t.size] = '\0';
}

// The whole of a regular file; false, with errno set, where it cannot be read
// (EINVAL: it is not a regular file).
bool read_file(const char *path, text &t)
{
    t = {};
    append(t, "", 0);
    const int fd = open(path, O_RDONLY | O_CLOEXEC);
    struct stat st = {};
    if (fd < 0 || fstat(fd, &st) != 0) {
        return false;
    }
    errno = EINVAL;
    ssize_t n = S_ISREG(st.st_mode) ? 1 : -1;
    while (n > 0) {
        char chunk[65536];
        n = read(fd, chunk, sizeof chunk);
        append(t, chunk, n > 0 ? static_cast<size_t>(n) : 0);
    }
    const int error = errno;
    close(fd);
    errno = error;
    return n == 0;
}

const char *why_unread(int error)
{
    return error == EINVAL ? "it is not a regular file" : strerror(error);
}

// The folder of this program, where the package puts trivane-detect, and the
// link to the trivane users run.
void own_folder(char (&dir)[PATH_MAX])
{
    const ssize_t n = readlink("/proc/self/exe", dir, sizeof dir - 1);
    if (n <= 0) {
        refuse("cannot tell where it is installed (/proc/self/exe): give --from FILE.");
    }
    dir[n] = '\0';
    *strrchr(dir, '/') = '\0';
}

// Starts a program with its standard output and error on out and err, as a shell
// would start it: no signal blocked or ignored. Its pid, or -1.
pid_t spawn(const char *const argv[], int out, int err)
{
    const pid_t pid = fork();
    // gcov counts nothing of a process that ends by exec or _exit.
    // GCOVR_EXCL_START
    if (pid == 0) {
        sigset_t none;
        sigemptyset(&none);
        sigprocmask(SIG_SETMASK, &none, nullptr);
        signal(SIGXFSZ, SIG_DFL);
        dup2(out, 1);
        dup2(err, 2);
        execv(argv[0], const_cast<char *const *>(argv));
        fprintf(stderr, "cannot run %s: %s\n", argv[0], strerror(errno));
        _exit(127);
    }
    // GCOVR_EXCL_STOP
    pending.child = pid;
    return pid;
}

// The device options, as the configure step takes them.
struct devices {
    const char *fan_files = nullptr;
    const char *backlight = nullptr;
    const char *ac = nullptr;
    const char *battery = nullptr;
    const char *units = nullptr;
    char not_found[64] = {}; // the devices the detector found nowhere, by name
};

// The lines trivane-detect writes: set(NAME "VALUE" CACHE STRING "" FORCE), and
// "# not found, the default kept: fan ..." where it found a device nowhere.
devices parse_devices(char *text, const char *path)
{
    devices d;
    const char tail[] = "\" CACHE STRING \"\" FORCE)";
    const char not_found[] = "# not found, the default kept: ";
    for (char *line = strtok(text, "\n"); line != nullptr; line = strtok(nullptr, "\n")) {
        if (strncmp(line, not_found, sizeof not_found - 1) == 0) {
            snprintf(d.not_found, sizeof d.not_found, "%s", line + sizeof not_found - 1);
        }
        if (line[0] == '#') {
            continue;
        }
        char *value = strstr(line, " \"");
        const size_t len = strlen(line);
        if (strncmp(line, "set(TRIVANE_", 12) != 0 || value == nullptr || len < sizeof tail ||
            strcmp(line + len - (sizeof tail - 1), tail) != 0 ||
            value + 2 > line + len - (sizeof tail - 1)) {
            refuse("%s is not a file that trivane-detect wrote: '%s'.", path, line);
        }
        *value = '\0';
        value += 2;
        line[len - (sizeof tail - 1)] = '\0';
        const char *name = line + 4;
        const char **slot = strcmp(name, "TRIVANE_FAN_FILES") == 0       ? &d.fan_files
                            : strcmp(name, "TRIVANE_BACKLIGHT") == 0     ? &d.backlight
                            : strcmp(name, "TRIVANE_AC") == 0            ? &d.ac
                            : strcmp(name, "TRIVANE_BATTERY") == 0       ? &d.battery
                            : strcmp(name, "TRIVANE_BATTERY_UNITS") == 0 ? &d.units
                                                                         : nullptr;
        if (slot == nullptr) {
            refuse("%s sets %s, which is no device option.", path, name);
        }
        *slot = value;
    }
    const char *missing = d.fan_files == nullptr   ? "TRIVANE_FAN_FILES"
                          : d.backlight == nullptr ? "TRIVANE_BACKLIGHT"
                          : d.ac == nullptr        ? "TRIVANE_AC"
                          : d.battery == nullptr   ? "TRIVANE_BATTERY"
                          : d.units == nullptr     ? "TRIVANE_BATTERY_UNITS"
                                                   : nullptr;
    if (missing != nullptr) {
        refuse("%s does not set %s: write it anew with trivane-detect -o %s.", path, missing, path);
    }
    return d;
}

// Runs trivane-detect and returns the devices file it prints. What it says of its
// choices goes to standard error where say is set; where it fails, its own reason
// is the refusal's.
devices detect(const char *folder, const char *sys, bool say)
{
    char detector[PATH_MAX + 32];
    snprintf(detector, sizeof detector, "%s/trivane-detect", folder);
    const char *argv[] = {detector, sys != nullptr ? "--sys" : nullptr, sys, nullptr};
    int out[2];
    int err[2];
    if (pipe2(out, O_CLOEXEC) != 0 || pipe2(err, O_CLOEXEC) != 0 ||
        spawn(argv, out[1], err[1]) < 0) {
        refuse("cannot run %s: %s.", detector, strerror(errno));
    }
    close(out[1]);
    close(err[1]);
    // Both pipes at once, so that neither fills while the other is read.
    text said[2];
    pollfd fds[] = {{out[0], POLLIN, 0}, {err[0], POLLIN, 0}};
    for (int i = 0; i < 2; ++i) {
        append(said[i], "", 0);
    }
    while (fds[0].fd >= 0 || fds[1].fd >= 0) {
        if (poll(fds, 2, -1) < 0) {
            refuse("cannot read what %s says: %s.", detector, strerror(errno));
        }
        for (int i = 0; i < 2; ++i) {
            char chunk[4096];
            const ssize_t n = fds[i].revents != 0 ? read(fds[i].fd, chunk, sizeof chunk) : 1;
            if (n <= 0) {
                close(fds[i].fd);
                fds[i].fd = -1;
            } else if (fds[i].revents != 0) {
                append(said[i], chunk, static_cast<size_t>(n));
            }
        }
    }
    int status = 0;
    waitpid(pending.child, &status, 0);
    pending.child = 0;
    if (status != 0) {
        // Its first line says why.
        const int line = static_cast<int>(strcspn(said[1].data, "\n"));
        refuse("trivane-detect could not find the devices: %.*s%s", line, said[1].data,
               line > 0 ? "" : "it failed, and said nothing");
    }
    if (say) {
        fputs(said[1].data, stderr);
    }
    return parse_devices(said[0].data, "what trivane-detect printed");
}

// The characters of sysfs names; the configure step and trivane-detect take the same.
bool name_char(char c)
{
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') ||
           strchr("._:+@,=~-", c) != nullptr;
}

bool good_name(const char *s, size_t len)
{
    for (size_t i = 0; i < len; ++i) {
        if (!name_char(s[i])) {
            return false;
        }
    }
    return len > 0 && !(len == 1 && s[0] == '.') && !(len == 2 && s[0] == '.' && s[1] == '.');
}

// A fan file: /sys, then names between slashes.
bool good_fan_file(const char *s, size_t len)
{
    if (len < 6 || strncmp(s, "/sys/", 5) != 0) {
        return false;
    }
    size_t start = 5;
    for (size_t i = 5; i <= len; ++i) {
        if (i == len || s[i] == '/') {
            if (!good_name(s + start, i - start)) {
                return false;
            }
            start = i + 1;
        }
    }
    return true;
}

const char chars_words[] = "letters, digits and . _ : + @ , = ~ -";

// Copies text into a slot, or refuses naming the option and the limit.
void put(char (&slot)[PATH_SLOT], const char *option, const char *text)
{
    if (strlen(text) >= PATH_SLOT) {
        refuse("%s gives the path '%s', too long for its slot: a path may take at most %u bytes.",
               option, text, PATH_SLOT - 1);
    }
    memset(slot, 0, PATH_SLOT);
    memcpy(slot, text, strlen(text));
}

// A battery's files, in the slots i: NAME/UNITS_full and NAME/UNITS_now. Where
// there are several and the machine at sys shows this one with the other units'
// files alone, they are refused: batteries of other units cannot be summed.
void fill_battery(device_paths &p, unsigned i, const char *name, size_t len, const char *units,
                  const char *sys)
{
    char path[PATH_SLOT * 2];
    snprintf(path, sizeof path, "/sys/class/power_supply/%.*s/%s_full", static_cast<int>(len), name,
             units);
    put(p.battery_full[i], "TRIVANE_BATTERY", path);
    snprintf(path, sizeof path, "/sys/class/power_supply/%.*s/%s_now", static_cast<int>(len), name,
             units);
    put(p.battery_now[i], "TRIVANE_BATTERY", path);
    const char *other = strcmp(units, "charge") == 0 ? "energy" : "charge";
    char here[PATH_MAX];
    char there[PATH_MAX];
    snprintf(here, sizeof here, "%s/class/power_supply/%.*s/%s_full", sys, static_cast<int>(len),
             name, units);
    snprintf(there, sizeof there, "%s/class/power_supply/%.*s/%s_full", sys, static_cast<int>(len),
             name, other);
    if (sys != nullptr && access(here, F_OK) != 0 && access(there, F_OK) == 0) {
        refuse("TRIVANE_BATTERY_UNITS is %s, and this machine's %.*s has %s files: every battery "
               "must have the files of the units set, since the levels of batteries of other "
               "units cannot be summed.",
               units, static_cast<int>(len), name, other);
    }
}

// The slots for the devices, by the configure step's rules; sys is the machine's
// sysfs, where the batteries' units are checked.
void fill(device_paths &p, const devices &d, const char *sys)
{
    const char *names[][2] = {{"TRIVANE_BACKLIGHT", d.backlight}, {"TRIVANE_AC", d.ac}};
    for (const auto &n : names) {
        if (!good_name(n[1], strlen(n[1]))) {
            refuse("%s is '%s': it must be one device name, as listed in /sys/class, of %s only, "
                   "and not '.' or '..'.",
                   n[0], n[1], chars_words);
        }
    }
    if (strcmp(d.units, "charge") != 0 && strcmp(d.units, "energy") != 0) {
        refuse("TRIVANE_BATTERY_UNITS is '%s': it must be charge or energy.", d.units);
    }
    if (*d.fan_files == '\0') {
        refuse("TRIVANE_FAN_FILES is empty: it must list at least one fan file.");
    }
    memset(p.fan, 0, sizeof p.fan);
    unsigned count = 0;
    for (const char *file = d.fan_files;;) {
        const char *end = strchr(file, ';');
        const size_t len = end != nullptr ? static_cast<size_t>(end - file) : strlen(file);
        char shown[PATH_SLOT * 2];
        snprintf(shown, sizeof shown, "%.*s", static_cast<int>(len < PATH_SLOT ? len : PATH_SLOT),
                 file);
        if (!good_fan_file(file, len)) {
            refuse(
                "TRIVANE_FAN_FILES holds '%s': each fan file must be an absolute path under /sys, "
                "of %s between its slashes, without '.' or '..'.",
                shown, chars_words);
        }
        if (count == FAN_SLOTS) {
            refuse("TRIVANE_FAN_FILES lists more fan files than a build takes: at most %u.",
                   FAN_SLOTS);
        }
        if (len >= PATH_SLOT) {
            put(p.fan[count], "TRIVANE_FAN_FILES", shown); // refuses, naming the limit
        }
        memcpy(p.fan[count++], file, len);
        if (end == nullptr) {
            break;
        }
        file = end + 1;
    }
    char path[PATH_SLOT * 2];
    snprintf(path, sizeof path, "/sys/class/backlight/%s/max_brightness", d.backlight);
    put(p.backlight_max, "TRIVANE_BACKLIGHT", path);
    snprintf(path, sizeof path, "/sys/class/backlight/%s/brightness", d.backlight);
    put(p.backlight_level, "TRIVANE_BACKLIGHT", path);
    snprintf(path, sizeof path, "/sys/class/power_supply/%s/online", d.ac);
    put(p.ac, "TRIVANE_AC", path);
    // Up to four batteries, between semicolons, of one units setting.
    memset(p.battery_full, 0, sizeof p.battery_full);
    memset(p.battery_now, 0, sizeof p.battery_now);
    unsigned batteries = 0;
    for (const char *name = d.battery;;) {
        const char *end = strchr(name, ';');
        const size_t len = end != nullptr ? static_cast<size_t>(end - name) : strlen(name);
        if (!good_name(name, len)) {
            refuse("TRIVANE_BATTERY is '%s': it must be one device name, as listed in /sys/class, "
                   "of %s only, and not '.' or '..'; or up to four such names, between "
                   "semicolons.",
                   d.battery, chars_words);
        }
        if (batteries == BATTERY_SLOTS) {
            refuse("TRIVANE_BATTERY lists more batteries than a build takes: at most %u.",
                   BATTERY_SLOTS);
        }
        const bool several = end != nullptr || batteries > 0;
        fill_battery(p, batteries++, name, len, d.units, several ? sys : nullptr);
        if (end == nullptr) {
            break;
        }
        name = end + 1;
    }
}

// Whether two sets of slots read the same devices (their hashes aside).
bool same_devices(const device_paths &a, const device_paths &b)
{
    return memcmp(a.fan, b.fan, sizeof a.fan) == 0 &&
           memcmp(a.backlight_max, b.backlight_max,
                  sizeof(device_paths) - offsetof(device_paths, backlight_max)) == 0;
}

// What a path holds, as setup sees it.
enum class holds {
    nothing,     // no such file
    other,       // a file that is not a trivane, or that cannot be read
    old_trivane, // a trivane of another version, or whose contents changed
    trivane,     // a trivane of this version, unchanged since its build
};

struct binary {
    holds what = holds::nothing;
    text file;
    image img = {};
    device_paths paths = {};
    char version[VERSION_SLOT] = "another version";
};

// The sentinels that examine returns for a trivane of another version, and for one
// whose contents changed since its build.
const char another_version[] = "another version";
const char changed[] = "changed";
const char another_machine[] = "it is for another processor than this trivane-setup's";

// Whether b.file is a trivane of this version whose contents are as built: nullptr,
// or why not (another_version, changed, or why it is no trivane setup can read).
const char *examine(binary &b)
{
    const char *why =
        image_read(b.img, reinterpret_cast<unsigned char *>(b.file.data), b.file.size);
    // The paths section of every trivane since 1.3.0 begins with the magic.
    b.what = why == nullptr || memmem(b.file.data, b.file.size, PATHS_MAGIC, sizeof PATHS_MAGIC)
                 ? holds::old_trivane
                 : holds::other;
    if (why != nullptr) {
        return why;
    }
    if (b.img.machine != OWN_MACHINE) {
        return another_machine;
    }
    image_paths(b.img, b.paths);
    memcpy(b.version, b.paths.version, sizeof b.version);
    if (strcmp(b.paths.version, TRIVANE_VERSION) != 0) {
        return another_version;
    }
    // A changed byte shows in the hash of the contents. The build-id alone may
    // differ: some distributions' debug tools set it anew after the build.
    unsigned char hash[CONTENTS_HASH_SIZE];
    image_hash(b.img, hash);
    if (memcmp(hash, b.paths.contents_hash, sizeof hash) != 0) {
        return changed;
    }
    b.what = holds::trivane;
    return nullptr;
}

// What path holds, following a link; a file that cannot be read is another file.
void inspect(const char *path, binary &b)
{
    b = {};
    struct stat st = {};
    if (lstat(path, &st) != 0) {
        return;
    }
    b.what = holds::other;
    if (read_file(path, b.file)) {
        examine(b);
    }
}

// The trivane to copy: this version's, unchanged since its build.
void read_from(const char *path, binary &b)
{
    if (!read_file(path, b.file)) {
        refuse("cannot read the trivane to copy, %s: %s.", path, why_unread(errno));
    }
    const char *why = examine(b);
    if (why == another_version) {
        refuse("%s is trivane %s, and this is trivane-setup " TRIVANE_VERSION
               ": use the trivane-setup installed with it, or give --from the trivane of this one.",
               path, b.version);
    }
    if (why == changed) {
        refuse("%s has changed since it was built: its contents no longer match their hash. "
               "Reinstall the trivane package.",
               path);
    }
    if (why != nullptr) {
        refuse("%s is not a trivane that this setup can copy: %s.", path, why);
    }
}

void write_all(int fd, const unsigned char *data, size_t size, const char *path)
{
    while (size > 0) {
        const ssize_t n = write(fd, data, size);
        if (n < 0) {
            refuse("cannot write %s: %s.", path, strerror(errno));
        }
        data += n, size -= static_cast<size_t>(n);
    }
}

int stamp(const char *path)
{
    binary b;
    if (!read_file(path, b.file)) {
        refuse("cannot read %s: %s.", path, why_unread(errno));
    }
    const char *why =
        image_read(b.img, reinterpret_cast<unsigned char *>(b.file.data), b.file.size);
    if (why != nullptr) {
        refuse("%s is not a trivane that this setup can stamp: %s.", path, why);
    }
    if (!image_stamp(b.img)) {
        refuse("%s has no build-id of 20 bytes: link it with --build-id=0x followed by 40 zeros.",
               path);
    }
    const int fd = open(path, O_WRONLY | O_CLOEXEC);
    if (fd < 0) {
        refuse("cannot write %s: %s.", path, strerror(errno));
    }
    write_all(fd, b.img.data, b.img.size, path);
    if (close(fd) != 0) {
        refuse("cannot write %s: %s.", path, strerror(errno));
    }
    return 0;
}

// Where a file is written: its folder, resolved link by link and opened, and its
// name in that folder.
struct target {
    char path[PATH_MAX]; // as given
    char folder[PATH_MAX];
    char name[NAME_MAX + 1];
    char full[PATH_MAX + NAME_MAX + 2];
    int dir;
};

// Opens the folder of path after following it as the kernel would, link by link:
// a link on the way that neither root nor this user owns is refused, since the
// one who owns it could lead the write anywhere (as root, into /etc/sudoers.d).
target open_target(const char *path)
{
    target t = {{}, {}, {}, {}, -1};
    snprintf(t.path, sizeof t.path, "%s", path);
    const char *slash = strrchr(path, '/');
    const char *name = slash != nullptr ? slash + 1 : path;
    if (*name == '\0' || strcmp(name, ".") == 0 || strcmp(name, "..") == 0) {
        refuse("%s names a folder: give the path of the file to write.", path);
    }
    if (strlen(name) > NAME_MAX || strlen(path) >= PATH_MAX) {
        refuse("the path given is too long: a path may take %d bytes, a name %d.", PATH_MAX - 1,
               NAME_MAX);
    }
    snprintf(t.name, sizeof t.name, "%s", name);
    char rest[PATH_MAX * 2];
    snprintf(rest, sizeof rest, "%.*s",
             static_cast<int>(slash == nullptr ? 0 : slash - path + (slash == path)), path);
    t.folder[0] = '/';
    if (path[0] != '/' && getcwd(t.folder, sizeof t.folder) == nullptr) {
        refuse("cannot tell the current folder: %s.", strerror(errno));
    }
    unsigned links = 0;
    for (char *r = rest; *r != '\0';) {
        const size_t len = strcspn(r, "/");
        char part[PATH_MAX];
        snprintf(part, sizeof part, "%.*s", static_cast<int>(len), r);
        r += len + (r[len] == '/');
        if (strcmp(part, "..") == 0) {
            // The folder above; above the root is the root.
            char *up = strrchr(t.folder, '/');
            up[up == t.folder] = '\0';
        }
        if (len == 0 || strcmp(part, ".") == 0 || strcmp(part, "..") == 0) {
            continue;
        }
        char next[PATH_MAX * 2];
        snprintf(next, sizeof next, "%s%s%s", t.folder, strcmp(t.folder, "/") == 0 ? "" : "/",
                 part);
        struct stat st = {};
        if (lstat(next, &st) != 0) {
            refuse("the folder %s does not exist: make it first, or give another path.", next);
        }
        if (S_ISDIR(st.st_mode)) {
            memcpy(t.folder, next, sizeof t.folder);
            continue;
        }
        if (!S_ISLNK(st.st_mode)) {
            refuse("%s is not a folder.", next);
        }
        if (st.st_uid != 0 && st.st_uid != geteuid()) {
            refuse("%s is a link that another user (uid %u) owns: trivane-setup follows no such "
                   "link. Give the real path with -o.",
                   next, static_cast<unsigned>(st.st_uid));
        }
        char link[PATH_MAX];
        const ssize_t n = readlink(next, link, sizeof link - 1);
        if (n < 0 || ++links > 40) {
            refuse("cannot follow the link %s: %s.", next,
                   n < 0 ? strerror(errno) : "too many links");
        }
        link[n] = '\0';
        char joined[PATH_MAX * 2];
        snprintf(joined, sizeof joined, "%s/%s", link, r);
        memcpy(rest, joined, sizeof rest);
        r = rest;
        if (link[0] == '/') {
            snprintf(t.folder, sizeof t.folder, "/");
        }
    }
    snprintf(t.full, sizeof t.full, "%s%s%s", t.folder, strcmp(t.folder, "/") == 0 ? "" : "/",
             t.name);
    t.dir = open(t.folder, O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (t.dir < 0) {
        refuse("cannot open the folder of %s: %s.", path, strerror(errno));
    }
    return t;
}

// Refuses a target that is a folder or a special file, as install and cp do. A
// link is replaced by the rename, never followed.
void check_target(const target &t)
{
    struct stat st = {};
    if (fstatat(t.dir, t.name, &st, AT_SYMLINK_NOFOLLOW) != 0 || S_ISREG(st.st_mode) ||
        S_ISLNK(st.st_mode)) {
        return;
    }
    const char *kinds[16] = {};
    kinds[S_IFDIR >> 12] = "a folder";
    kinds[S_IFCHR >> 12] = "a character device";
    kinds[S_IFBLK >> 12] = "a block device";
    kinds[S_IFIFO >> 12] = "a pipe (FIFO)";
    kinds[S_IFSOCK >> 12] = "a socket";
    refuse("%s is %s: trivane-setup writes a regular file only. Give another path.", t.path,
           kinds[(st.st_mode & S_IFMT) >> 12]);
}

// Writes data into a temporary file beside the target, NAME.trivane-setup (slot i
// of the pending work), made whole on disk, with mode; commit renames it over the
// target, so the target is whole or as it was. A temporary file that exists is
// never taken over: two setups at once, or one killed, leave it to the user.
void stage(int i, const target &t, const unsigned char *data, size_t size, mode_t mode)
{
    check_target(t);
    snprintf(pending.temp[i], sizeof pending.temp[i], "%.*s.trivane-setup", NAME_MAX - 14, t.name);
    pending.dir[i] = t.dir;
    const int fd =
        openat(t.dir, pending.temp[i], O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOFOLLOW, 0600);
    if (fd < 0) {
        const int error = errno;
        char temp[NAME_MAX + 1];
        memcpy(temp, pending.temp[i], sizeof temp);
        pending.temp[i][0] = '\0';
        refuse("cannot write beside %s, as %s: %s.", t.path, temp, strerror(error));
    }
    write_all(fd, data, size, t.path);
    if (fchmod(fd, mode) != 0 || fsync(fd) != 0 || close(fd) != 0) {
        refuse("cannot write %s: %s.", t.path, strerror(errno));
    }
}

void commit(int i, const target &t)
{
    if (renameat(t.dir, pending.temp[i], t.dir, t.name) != 0) {
        refuse("cannot write %s: %s.", t.path, strerror(errno));
    }
    pending.temp[i][0] = '\0';
}

// Each folder of PATH in turn, as given and as a real path; false at the end.
bool next_in_path(const char *&rest, char (&entry)[PATH_MAX], char (&real)[PATH_MAX])
{
    while (rest != nullptr && *rest != '\0') {
        const size_t len = strcspn(rest, ":");
        snprintf(entry, sizeof entry, "%.*s", static_cast<int>(len), rest);
        rest += len + (rest[len] == ':');
        if (len > 0 && realpath(entry, real) != nullptr) {
            return true;
        }
    }
    return false;
}

// Where PATH finds a command named trivane first: as named, and its real path.
bool first_in_path(char (&named)[PATH_MAX + 16], char (&found)[PATH_MAX])
{
    const char *rest = getenv("PATH");
    char entry[PATH_MAX];
    char real[PATH_MAX];
    while (next_in_path(rest, entry, real)) {
        snprintf(named, sizeof named, "%s/trivane", entry);
        if (realpath(named, found) != nullptr && access(found, X_OK) == 0) {
            return true;
        }
    }
    return false;
}

// Whether PATH has the folder.
bool in_path(const char *folder)
{
    const char *rest = getenv("PATH");
    char entry[PATH_MAX];
    char real[PATH_MAX];
    while (next_in_path(rest, entry, real)) {
        if (strcmp(real, folder) == 0) {
            return true;
        }
    }
    return false;
}

// Whether a login file adds ~/.local/bin to PATH where it exists, as Debian's and
// Ubuntu's ~/.profile do: then a new login finds the copy.
bool login_adds_local_bin(const char *home)
{
    bool adds = false;
    const char *const files[] = {".profile", ".bash_profile", ".bash_login", ".zprofile"};
    for (const char *file : files) {
        char path[PATH_MAX];
        snprintf(path, sizeof path, "%s/%s", home, file);
        text t;
        adds = adds || (read_file(path, t) && strstr(t.data, ".local/bin") != nullptr);
        free(t.data);
    }
    return adds;
}

// What the report does without the devices the detector found nowhere.
void say_not_found(const devices &d)
{
    const char *const lines[][2] = {
        {" fan ", "No fan was found: the report's fan line will say \"Cannot read fan RPM\"."},
        {" backlight ", "No backlight was found: the report will stop with \"Cannot open file\" "
                        "after the fan line."},
        {" ac ", "No mains adapter was found: the report will stop with \"Cannot open file\" "
                 "where the power line would be."},
        {" battery ", "No battery was found: the report will stop with \"Cannot open file\" where "
                      "the level line would be."},
    };
    char list[sizeof d.not_found + 2];
    snprintf(list, sizeof list, " %s ", d.not_found);
    for (const auto &line : lines) {
        if (strstr(list, line[0]) != nullptr) {
            printf("%s\n", line[1]);
        }
    }
}

bool found_nothing(const devices &d)
{
    return strcmp(d.not_found, "fan backlight ac battery") == 0;
}

// Debian's update-alternatives, or that of RPM systems: both take --install LINK
// NAME PATH PRIORITY and --remove NAME PATH. Where neither is, the first, which
// cannot run.
const char *alternatives_tool()
{
    const char *const tools[] = {"/usr/bin/update-alternatives", "/usr/sbin/update-alternatives"};
    for (const char *tool : tools) {
        if (access(tool, X_OK) == 0) {
            return tool;
        }
    }
    return tools[0];
}

// Runs the alternatives tool with standard output quiet: whether it succeeded.
bool alternatives(const char *tool, const char *a, const char *b, const char *c,
                  const char *d = nullptr, const char *e = nullptr)
{
    const char *argv[] = {tool, a, b, c, d, e, nullptr};
    const int null = open("/dev/null", O_WRONLY | O_CLOEXEC);
    int status = 1;
    if (spawn(argv, null, 2) < 0 || waitpid(pending.child, &status, 0) < 0) {
        status = 1;
    }
    pending.child = 0;
    close(null);
    return status == 0;
}

// The packaged trivane, where the package keeps it: users run it through the
// alternatives link beside this program. A build folder or a source install has
// it beside this program.
void packaged_trivane(const char *folder, char (&path)[PATH_MAX + 32])
{
    snprintf(path, sizeof path, "%s/../libexec/trivane/trivane", folder);
    if (access(path, F_OK) != 0) {
        snprintf(path, sizeof path, "%s/trivane", folder);
    }
}

// Removes a file of the machine's copy, and its folder where it is empty; says so.
bool remove_file(const char *file, const char *folder, const char *also)
{
    if (unlink(file) != 0) {
        refuse("cannot remove %s: %s.", file, strerror(errno));
    }
    rmdir(folder);
    printf("Removed %s%s.\n", file, also);
    return true;
}

// Takes the machine-wide copy away: its alternative, the copy and, with
// config, the saved devices. False if there was nothing to take.
bool remove_system_copy(const char *tool, bool config)
{
    bool removed = false;
    if (access(SYSTEM_COPY, F_OK) == 0) {
        alternatives(tool, "--remove", "trivane", SYSTEM_COPY);
        removed = remove_file(SYSTEM_COPY, "/var/lib/trivane", " and its alternative");
    }
    if (config && access(SYSTEM_DEVICES, F_OK) == 0) {
        removed = remove_file(SYSTEM_DEVICES, "/etc/trivane", "");
    }
    return removed;
}

// The text of a devices file for /etc/trivane, from the options it sets.
void devices_text(const devices &d, text &t)
{
    char line[4096];
    snprintf(line, sizeof line,
             "# trivane's devices, for trivane-setup --system: package upgrades write the\n"
             "# machine's copy of trivane anew from this file. Edit it, then run\n"
             "# trivane-setup --system --devices %s.\n",
             SYSTEM_DEVICES);
    append(t, line, strlen(line));
    if (d.not_found[0] != '\0') {
        snprintf(line, sizeof line, "# not found, the default kept: %s\n", d.not_found);
        append(t, line, strlen(line));
    }
    const char *values[][2] = {{"TRIVANE_FAN_FILES", d.fan_files},
                               {"TRIVANE_BACKLIGHT", d.backlight},
                               {"TRIVANE_AC", d.ac},
                               {"TRIVANE_BATTERY", d.battery},
                               {"TRIVANE_BATTERY_UNITS", d.units}};
    for (const auto &v : values) {
        snprintf(line, sizeof line, "set(%s \"%s\" CACHE STRING \"\" FORCE)\n", v[0], v[1]);
        append(t, line, strlen(line));
    }
}

// Whether path holds these bytes.
bool holds_bytes(const char *path, const unsigned char *data, size_t size)
{
    text t;
    const bool same = read_file(path, t) && t.size == size && memcmp(t.data, data, size) == 0;
    free(t.data);
    return same;
}

// The real path of a file, or nothing where it does not exist.
void real_path(const char *path, char (&real)[PATH_MAX])
{
    if (realpath(path, real) == nullptr) {
        real[0] = '\0';
    }
}

int system_setup(const options &o, const char *link, const binary &from, const devices &d,
                 const image &copy, const device_paths &wanted)
{
    const char *tool = alternatives_tool();
    if (same_devices(wanted, from.paths) && !o.force) {
        const bool removed = remove_system_copy(tool, false);
        printf("The packaged trivane reads this machine's devices%s.\n",
               removed ? ": every user runs it again" : ": nothing to write");
        say_not_found(d);
        return 0;
    }
    text saved;
    devices_text(d, saved);
    char given[PATH_MAX];
    real_path(o.devices != nullptr ? o.devices : "", given);
    // The saved devices are the administrator's, comments and all, where they are given.
    const bool same_saved =
        strcmp(given, SYSTEM_DEVICES) == 0 ||
        holds_bytes(SYSTEM_DEVICES, reinterpret_cast<unsigned char *>(saved.data), saved.size);
    char now[PATH_MAX];
    real_path(link, now);
    if (strcmp(now, SYSTEM_COPY) == 0 && same_saved &&
        holds_bytes(SYSTEM_COPY, copy.data, copy.size)) {
        printf("%s already is this machine's trivane, for these devices: nothing to write.\n",
               SYSTEM_COPY);
        return 0;
    }
    const char *const folders[] = {"/etc/trivane", "/var/lib/trivane"};
    for (const char *dir : folders) {
        if (mkdir(dir, 0755) != 0 && errno != EEXIST) {
            refuse("cannot make the folder %s: %s.", dir, strerror(errno));
        }
    }
    // Every user runs the copy, whatever the umask of the one who wrote it.
    const target to = open_target(SYSTEM_COPY);
    const target config = open_target(SYSTEM_DEVICES);
    stage(0, to, copy.data, copy.size, 0755);
    if (!same_saved) {
        stage(1, config, reinterpret_cast<unsigned char *>(saved.data), saved.size, 0644);
        commit(1, config);
    }
    commit(0, to);
    if (!alternatives(tool, "--install", link, "trivane", SYSTEM_COPY, SYSTEM_PRIORITY)) {
        unlink(SYSTEM_COPY);
        refuse("%s --install %s trivane %s %s failed: every user runs the packaged trivane.", tool,
               link, SYSTEM_COPY, SYSTEM_PRIORITY);
    }
    printf("Wrote %s, a trivane that reads this machine's devices, and saved them in %s:\n"
           "package upgrades write the copy anew from that file.\n",
           SYSTEM_COPY, SYSTEM_DEVICES);
    real_path(link, now);
    if (strcmp(now, SYSTEM_COPY) == 0) {
        printf("%s runs it now, for every user and status bar, whatever their PATH.\n", link);
    } else {
        printf("%s runs %s, chosen by hand among the alternatives: %s --auto trivane makes it "
               "run the copy.\n",
               link, now, tool);
    }
    printf("trivane-setup --system --undo goes back to the packaged trivane.\n");
    say_not_found(d);
    return 0;
}

// Where the user's copy goes, checked before anything else is done: -o FILE, or
// ~/.local/bin/trivane, whose folders are made only when the copy is written.
target user_target(const options &o, const char *link, const char *from_path)
{
    const char *home = getenv("HOME");
    char output[PATH_MAX + 32];
    snprintf(output, sizeof output, "%s/.local/bin", home);
    struct stat st = {};
    const bool make = o.output == nullptr && stat(output, &st) != 0;
    if (o.output != nullptr) {
        snprintf(output, sizeof output, "%s", o.output);
    } else {
        // Where ~/.local/bin is still to be made, HOME's own way is checked now.
        snprintf(output, sizeof output, make ? "%s/trivane" : "%s/.local/bin/trivane", home);
    }
    target to = open_target(output);
    if (make) {
        close(to.dir);
        to.dir = -1;
        snprintf(to.path, sizeof to.path, "%s/.local/bin/trivane", home);
        const size_t len = strlen(to.folder);
        snprintf(to.folder + len, sizeof to.folder - len, "%s.local/bin", len > 1 ? "/" : "");
        snprintf(to.full, sizeof to.full, "%s/trivane", to.folder);
        return to;
    }
    char installed[PATH_MAX];
    char copied[PATH_MAX];
    real_path(link, installed);
    real_path(from_path, copied);
    if (strcmp(installed, to.full) == 0 || strcmp(copied, to.full) == 0) {
        refuse("%s is the trivane it copies, or the installed one: give another path with -o FILE.",
               output);
    }
    check_target(to);
    return to;
}

// Makes ~/.local and ~/.local/bin, as mkdir makes them (the umask applies), and
// opens the copy's folder.
void make_local_bin(target &to)
{
    const char *home = getenv("HOME");
    const char *const parts[] = {".local", ".local/bin"};
    for (int i = 0; i < 2; ++i) {
        char dir[PATH_MAX];
        snprintf(dir, sizeof dir, "%s/%s", home, parts[i]);
        const bool made = mkdir(dir, 0777) == 0;
        if (!made && errno != EEXIST) {
            refuse("cannot make the folder %s: %s.", dir, strerror(errno));
        }
        if (made) {
            memcpy(pending.made[i], dir, sizeof dir);
        }
    }
    to = open_target(to.path);
}

int user_setup(const options &o, const char *link, target &to, const devices &d, const image &copy,
               const device_paths &wanted)
{
    const char *home = getenv("HOME");
    const char *output = to.path;
    // What the installed trivane (the one users run without a copy) and the
    // output hold now.
    char installed_path[PATH_MAX];
    real_path(link, installed_path);
    binary installed;
    binary there;
    inspect(installed_path, installed);
    inspect(to.full, there);
    const bool installed_fits =
        installed.what == holds::trivane && same_devices(installed.paths, wanted);
    const bool there_fits = there.what == holds::trivane && same_devices(there.paths, wanted);
    if (installed_fits && !o.force) {
        if (there.what == holds::old_trivane || (there.what == holds::trivane && !there_fits)) {
            if (unlinkat(to.dir, to.name, 0) != 0) {
                refuse("cannot remove %s: %s.", output, strerror(errno));
            }
            printf("Removed %s, a trivane %s: the installed %s reads this machine's devices.\n",
                   output,
                   there.what == holds::old_trivane ? "of another version" : "for other devices",
                   link);
        } else if (found_nothing(d)) {
            printf("trivane-detect found no fan, backlight, mains adapter or battery here: a copy "
                   "would read no more than the installed %s. Nothing was written.\n",
                   link);
        } else {
            printf("The installed %s already reads this machine's devices: nothing to write "
                   "(--force writes a copy all the same).\n",
                   link);
        }
        say_not_found(d);
        return 0;
    }
    if (there_fits && holds_bytes(to.full, copy.data, copy.size)) {
        printf("%s already is a trivane for this machine's devices: nothing to write.\n", output);
        return 0;
    }
    if (there.what == holds::other && !o.force) {
        refuse("%s holds a file that is not a trivane (a script of yours?): remove it, give "
               "another path with -o, or --force to write over it.",
               output);
    }
    if (to.dir < 0) {
        make_local_bin(to);
    }
    const mode_t mask = umask(0);
    umask(mask);
    stage(0, to, copy.data, copy.size, 0777 & ~mask);
    commit(0, to);

    const char *over[] = {"", ", over the file that was there",
                          ", over a trivane of another version", ", over a copy for other devices"};
    printf("Wrote %s, a trivane that reads this machine's devices%s.\n", output,
           there_fits ? ", over another build for them" : over[static_cast<int>(there.what)]);
    say_not_found(d);
    char named[PATH_MAX + 16];
    char first[PATH_MAX];
    char local_bin[PATH_MAX + 16];
    char real_local_bin[PATH_MAX];
    snprintf(local_bin, sizeof local_bin, "%s/.local/bin", home);
    real_path(local_bin, real_local_bin);
    if (first_in_path(named, first) && strcmp(first, to.full) == 0) {
        printf("It comes first in your PATH: the command trivane runs it.\n");
    } else if (in_path(to.folder)) {
        printf("Your PATH finds %s first: put %s before its folder in PATH, or run the copy by its "
               "path.\n",
               named, to.folder);
    } else if (strcmp(to.folder, real_local_bin) == 0 && login_adds_local_bin(home)) {
        printf("Your login adds %s to PATH where it exists: log in again, and the command trivane "
               "runs it.\n",
               to.folder);
    } else {
        printf("Your PATH does not have %s: add PATH=\"%s:$PATH\" to ~/.profile and log in again, "
               "or run it by its path.\n",
               to.folder, to.folder);
    }
    if (there.what == holds::nothing) {
        printf("A status bar started before the copy existed keeps running the one it found: "
               "restart it.\n");
    }
    printf("To remove it: rm %s\n"
           "After an upgrade of the trivane package, run trivane-setup again (trivane-setup "
           "--check tells whether it is needed).\n",
           output);
    return 0;
}

// One line and a status: whether the trivane PATH finds is of this version and
// reads this machine's devices.
int check(const devices &d, const device_paths &wanted)
{
    char named[PATH_MAX + 16];
    char first[PATH_MAX];
    if (!first_in_path(named, first)) {
        printf("No trivane is in PATH: install the trivane package.\n");
        return 1;
    }
    binary b;
    inspect(first, b);
    const bool fits = same_devices(b.paths, wanted);
    if (b.what == holds::trivane && fits) {
        printf("%s is trivane " TRIVANE_VERSION " and reads this machine's devices%s.\n", named,
               found_nothing(d) ? " (none was found: it reads the defaults)" : "");
        return 0;
    }
    if (b.what == holds::trivane) {
        printf("%s is trivane " TRIVANE_VERSION ", for other devices than this machine's: run "
               "trivane-setup.\n",
               named);
    } else if (b.what == holds::old_trivane) {
        printf("%s is trivane %s, not this setup's " TRIVANE_VERSION
               ", or changed since its build: run trivane-setup.\n",
               named, b.version);
    } else {
        printf("%s is not a trivane this setup can read.\n", named);
    }
    return 1;
}

} // namespace

int main(int argc, char **argv)
{
    options o;
    for (int i = 1; i < argc; ++i) {
        const char *a = argv[i];
        const char **value = strcmp(a, "-o") == 0 || strcmp(a, "--output") == 0 ? &o.output
                             : strcmp(a, "--from") == 0                         ? &o.from
                             : strcmp(a, "--sys") == 0                          ? &o.sys
                             : strcmp(a, "--devices") == 0                      ? &o.devices
                             : strcmp(a, "--stamp") == 0                        ? &o.stamp
                                                                                : nullptr;
        bool *flag = strcmp(a, "--force") == 0    ? &o.force
                     : strcmp(a, "--system") == 0 ? &o.system
                     : strcmp(a, "--undo") == 0   ? &o.undo
                     : strcmp(a, "--check") == 0  ? &o.check
                                                  : nullptr;
        if (strcmp(a, "-h") == 0 || strcmp(a, "--help") == 0) {
            fputs(usage, stdout);
            return 0;
        }
        if (strcmp(a, "--version") == 0) {
            puts("trivane-setup " TRIVANE_VERSION);
            return 0;
        }
        if (flag != nullptr) {
            *flag = true;
        } else if (value == nullptr) {
            misuse("unknown argument '%s'", a);
        } else if (i + 1 == argc) {
            misuse("%s needs a value", a);
        } else {
            *value = argv[++i];
        }
    }
    struct sigaction quit = {};
    quit.sa_handler = on_signal;
    const int signals[] = {SIGHUP, SIGINT, SIGTERM};
    for (const int sig : signals) {
        sigaction(sig, &quit, nullptr);
    }
    // A file size limit makes a write fail, which is refused like any other,
    // instead of killing setup before it can clean up.
    signal(SIGXFSZ, SIG_IGN);
    if (o.stamp != nullptr) {
        return stamp(o.stamp);
    }
    if (o.undo && (!o.system || o.sys || o.devices || o.from || o.force)) {
        misuse("--undo goes with --system alone");
    }
    if (o.system && o.output != nullptr) {
        misuse("--system writes the machine's copy in its own place: -o does not go with it");
    }
    if (o.check && (o.system || o.output || o.force || o.from)) {
        misuse("--check takes --sys or --devices only");
    }
    const char *home = getenv("HOME");
    if (o.system && geteuid() != 0) {
        refuse("--system changes the trivane of every user: run it as root (sudo trivane-setup "
               "--system).");
    }
    // Root writes into no home by default: the home may be another user's (sudo
    // -E, su -m), who could then neither remove nor replace the copy.
    if (!o.system && !o.check && o.output == nullptr && geteuid() == 0) {
        refuse("as root, it writes into no home: give -o FILE, or --system to make the copy the "
               "trivane of every user of this machine.");
    }
    if (!o.system && !o.check && o.output == nullptr && (home == nullptr || home[0] != '/')) {
        refuse("HOME is not set: give the copy's path with -o FILE.");
    }

    char folder[PATH_MAX];
    own_folder(folder);
    char link[PATH_MAX + 16];
    snprintf(link, sizeof link, "%s/trivane", folder);
    char from_path[PATH_MAX + 32];
    packaged_trivane(folder, from_path);
    if (o.from != nullptr) {
        snprintf(from_path, sizeof from_path, "%s", o.from);
    }
    if (o.system) {
        struct stat st = {};
        if (lstat(link, &st) != 0 || !S_ISLNK(st.st_mode) ||
            access(alternatives_tool(), X_OK) != 0) {
            refuse("--system makes the copy an alternative of the packaged trivane, and %s is not "
                   "one: it works with the trivane package. Write a copy per user (trivane-setup "
                   "as each user), or with -o.",
                   link);
        }
        // A copy of another version is stale whatever comes next: every user runs
        // the packaged trivane until a copy is written anew.
        binary old;
        inspect(SYSTEM_COPY, old);
        if (old.what != holds::nothing && old.what != holds::trivane) {
            remove_system_copy(alternatives_tool(), false);
        }
        if (o.undo && !remove_system_copy(alternatives_tool(), true)) {
            printf("There is no machine-wide copy: every user runs the packaged trivane.\n");
        }
        if (o.undo) {
            return 0;
        }
    }

    binary from;
    target to = {};
    if (!o.check) {
        read_from(from_path, from);
    }
    if (!o.system && !o.check) {
        to = user_target(o, link, from_path);
    }
    text saved;
    if (o.devices != nullptr && !read_file(o.devices, saved)) {
        refuse("cannot read the devices file %s: %s.", o.devices, why_unread(errno));
    }
    const devices d = o.devices != nullptr ? parse_devices(saved.data, o.devices)
                                           : detect(folder, o.sys, !o.check);
    device_paths wanted = {};
    fill(wanted, d, o.sys != nullptr ? o.sys : "/sys");
    if (o.check) {
        return check(d, wanted);
    }
    memcpy(wanted.magic, from.paths.magic, offsetof(device_paths, fan));
    image_set_paths(from.img, wanted);
    // The copy's build-id is its hash, as a build for these devices would have it;
    // its size was checked with the hash of the binary it copies.
    image_stamp(from.img);
    return o.system ? system_setup(o, link, from, d, from.img, wanted)
                    : user_setup(o, link, to, d, from.img, wanted);
}
