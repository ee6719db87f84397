// SPDX-FileCopyrightText: 2026 The trivane developers
// SPDX-License-Identifier: MIT
// trivane-setup: writes a copy of the installed trivane that reads this machine's
// devices, as trivane-detect finds them. Only the copy's path slots, contents hash
// and build-id differ from the installed binary, so the copy is byte for byte what a
// build from source with the same device options gives; no compiler is needed.
#include "monitors/devices.h"
#include "monitors/paths.h"
#include "setup/image.h"

#include <errno.h>
#include <fcntl.h>
#include <limits.h>
#include <stdarg.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

const char usage[] =
    "usage: trivane-setup [-o FILE] [--from FILE] [--sys DIR | --devices FILE] [--force]\n"
    "\n"
    "Finds this machine's fan, backlight, mains adapter and battery with trivane-detect\n"
    "(which says what it chose and why) and writes a trivane that reads them: a copy of\n"
    "the installed one, which it never changes.\n"
    "\n"
    "  -o FILE         where to write the copy (default: ~/.local/bin/trivane)\n"
    "  --from FILE     the trivane to copy (default: the one installed beside this)\n"
    "  --sys DIR       find the devices in a sysfs tree laid out in DIR (for tests)\n"
    "  --devices FILE  take the devices from a file that trivane-detect -o wrote\n"
    "  --force         write the copy even where the installed trivane already fits\n"
    "  --stamp FILE    (for builds) set FILE's contents hash and build-id\n";

// Files setup reads: a trivane is some 25 KB; a saved configuration a few.
constexpr size_t MAX_FILE = size_t{8} << 20;

struct options {
    const char *output = nullptr;
    const char *from = nullptr;
    const char *sys = nullptr;
    const char *devices = nullptr;
    const char *stamp = nullptr;
    bool force = false;
};

// Says why nothing was written, and ends with status 1.
[[noreturn]] __attribute__((format(printf, 1, 2))) void refuse(const char *format, ...)
{
    va_list args;
    va_start(args, format);
    fputs("trivane-setup: ", stderr);
    vfprintf(stderr, format, args);
    va_end(args);
    fputs("\nNothing was written.\n", stderr);
    exit(1);
}

// The folder of this program, where the package puts trivane and trivane-detect.
void own_folder(char (&dir)[PATH_MAX])
{
    const ssize_t n = readlink("/proc/self/exe", dir, sizeof dir - 1);
    if (n <= 0) {
        refuse("cannot tell where it is installed (/proc/self/exe): give --from FILE");
    }
    dir[n] = '\0';
    *strrchr(dir, '/') = '\0';
}

// The whole of a regular file, in memory that lives as long as the process.
unsigned char *slurp(const char *path, size_t &size, const char *what)
{
    const int fd = open(path, O_RDONLY | O_CLOEXEC);
    struct stat st = {};
    if (fd < 0 || fstat(fd, &st) != 0) {
        refuse("cannot read %s %s: %s.", what, path, strerror(errno));
    }
    if (!S_ISREG(st.st_mode) || static_cast<size_t>(st.st_size) > MAX_FILE) {
        refuse("%s %s is not a file of its kind: %s.", what, path,
               S_ISREG(st.st_mode) ? "it is far too large" : "it is not a regular file");
    }
    size = static_cast<size_t>(st.st_size);
    auto *data = static_cast<unsigned char *>(malloc(size + 1));
    size_t got = 0;
    while (data != nullptr && got < size) {
        const ssize_t n = read(fd, data + got, size - got);
        if (n <= 0) {
            refuse("cannot read %s %s: %s.", what, path,
                   n == 0 ? "it shrank while read" : strerror(errno));
        }
        got += static_cast<size_t>(n);
    }
    close(fd);
    if (data == nullptr) {
        refuse("no memory to read %s %s.", what, path);
    }
    data[size] = 0;
    return data;
}

// The device options, as the configure step takes them.
struct devices {
    char *text = nullptr; // the file they were read from, which holds them
    const char *fan_files = nullptr;
    const char *backlight = nullptr;
    const char *ac = nullptr;
    const char *battery = nullptr;
    const char *units = nullptr;
};

// The lines trivane-detect -o writes: set(NAME "VALUE" CACHE STRING "" FORCE).
devices parse_devices(char *text, const char *path)
{
    devices d;
    d.text = text;
    const char tail[] = "\" CACHE STRING \"\" FORCE)";
    for (char *line = strtok(text, "\n"); line != nullptr; line = strtok(nullptr, "\n")) {
        if (line[0] == '#') {
            continue;
        }
        char *value = strstr(line, " \"");
        const size_t len = strlen(line);
        if (strncmp(line, "set(TRIVANE_", 12) != 0 || value == nullptr || len < sizeof tail ||
            strcmp(line + len - (sizeof tail - 1), tail) != 0 ||
            value + 2 > line + len - (sizeof tail - 1)) {
            refuse("%s is not a file that trivane-detect -o wrote: '%s'.", path, line);
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

// Runs trivane-detect, whose lines on standard error tell the user what it chose,
// and reads the file it writes.
devices detect(const options &o, const char *folder)
{
    char detector[PATH_MAX + 32];
    char dir[] = "/tmp/trivane-setup-XXXXXX";
    char file[sizeof dir + 16];
    snprintf(detector, sizeof detector, "%s/trivane-detect", folder);
    if (mkdtemp(dir) == nullptr) {
        refuse("cannot make a folder in /tmp: %s.", strerror(errno));
    }
    snprintf(file, sizeof file, "%s/devices", dir);
    const char *argv[] = {detector, "-o",   file, o.sys != nullptr ? "--sys" : nullptr,
                          o.sys,    nullptr};
    const pid_t pid = fork();
    if (pid == 0) {
        // Its choices go to standard error; standard output has only its advice
        // for cmake, which is not for the user here.
        const int null = open("/dev/null", O_WRONLY);
        dup2(null, 1);
        execv(detector, const_cast<char *const *>(argv));
        fprintf(stderr, "trivane-setup: cannot run %s: %s\n", detector, strerror(errno));
        _exit(127);
    }
    int status = 0;
    if (pid < 0 || waitpid(pid, &status, 0) != pid || !WIFEXITED(status) ||
        WEXITSTATUS(status) != 0) {
        rmdir(dir);
        refuse("%s did not find the devices.", detector);
    }
    size_t size = 0;
    char *text = reinterpret_cast<char *>(slurp(file, size, "the devices file"));
    unlink(file);
    rmdir(dir);
    return parse_devices(text, "trivane-detect's file");
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

// The slots for the devices, by the configure step's rules.
void fill(device_paths &p, const devices &d)
{
    const char *names[][2] = {
        {"TRIVANE_BACKLIGHT", d.backlight}, {"TRIVANE_AC", d.ac}, {"TRIVANE_BATTERY", d.battery}};
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
    snprintf(path, sizeof path, "/sys/class/power_supply/%s/%s_full", d.battery, d.units);
    put(p.battery_full, "TRIVANE_BATTERY", path);
    snprintf(path, sizeof path, "/sys/class/power_supply/%s/%s_now", d.battery, d.units);
    put(p.battery_now, "TRIVANE_BATTERY", path);
}

// Reads a trivane binary and checks that setup may rewrite it.
image read_trivane(const char *path, unsigned char *data, size_t size)
{
    image img;
    const char *why = image_read(img, data, size);
    if (why != nullptr) {
        refuse("%s is not a trivane that this setup can copy: %s.", path, why);
    }
    device_paths p;
    image_paths(img, p);
    if (strcmp(p.version, TRIVANE_VERSION) != 0) {
        refuse("%s is trivane %s, and this is trivane-setup " TRIVANE_VERSION
               ": use the trivane-setup installed with it, or give --from the trivane of this one.",
               path, p.version);
    }
    return img;
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
    size_t size = 0;
    unsigned char *data = slurp(path, size, "the build's trivane");
    image img;
    const char *why = image_read(img, data, size);
    if (why != nullptr) {
        refuse("%s is not a trivane that this setup can stamp: %s.", path, why);
    }
    if (!image_stamp(img)) {
        refuse("%s has no build-id of 20 bytes: link it with --build-id=0x followed by 40 zeros.",
               path);
    }
    const int fd = open(path, O_WRONLY | O_CLOEXEC);
    if (fd < 0) {
        refuse("cannot write %s: %s.", path, strerror(errno));
    }
    write_all(fd, data, size, path);
    free(data);
    return close(fd) == 0 ? 0 : 1;
}

// Where PATH finds a command named trivane first, in found.
bool first_in_path(char (&found)[PATH_MAX])
{
    const char *path = getenv("PATH");
    for (const char *dir = path; dir != nullptr && *dir != '\0';) {
        const char *end = strchr(dir, ':');
        const size_t len = end != nullptr ? static_cast<size_t>(end - dir) : strlen(dir);
        char file[PATH_MAX];
        snprintf(file, sizeof file, "%.*s/trivane", static_cast<int>(len), dir);
        if (len > 0 && access(file, X_OK) == 0 && realpath(file, found) != nullptr) {
            return true;
        }
        dir = end != nullptr ? end + 1 : nullptr;
    }
    return false;
}

// Writes the copy through a temporary file beside it and a rename.
void write_copy(const char *output, const unsigned char *data, size_t size)
{
    char tmp[PATH_MAX];
    if (snprintf(tmp, sizeof tmp, "%s.XXXXXX", output) >= static_cast<int>(sizeof tmp)) {
        refuse("the path %s is too long.", output);
    }
    const int fd = mkstemp(tmp);
    if (fd < 0) {
        refuse("cannot write beside %s: %s.", output, strerror(errno));
    }
    write_all(fd, data, size, tmp);
    if (fchmod(fd, 0755) != 0 || fsync(fd) != 0 || close(fd) != 0 || rename(tmp, output) != 0) {
        const int error = errno;
        unlink(tmp);
        refuse("cannot write %s: %s.", output, strerror(error));
    }
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
        if (strcmp(a, "-h") == 0 || strcmp(a, "--help") == 0) {
            fputs(usage, stdout);
            return 0;
        }
        if (strcmp(a, "--force") == 0) {
            o.force = true;
        } else if (value == nullptr || i + 1 == argc) {
            fprintf(stderr, "trivane-setup: %s '%s'\n%s",
                    value == nullptr ? "unknown argument" : "no value after", a, usage);
            return 2;
        } else {
            *value = argv[++i];
        }
    }
    if (o.stamp != nullptr) {
        return stamp(o.stamp);
    }
    if (o.sys != nullptr && o.devices != nullptr) {
        fprintf(stderr, "trivane-setup: --sys and --devices do not go together\n%s", usage);
        return 2;
    }

    char folder[PATH_MAX];
    own_folder(folder);
    char from[PATH_MAX + 16];
    snprintf(from, sizeof from, "%s/trivane", folder);
    if (o.from != nullptr) {
        snprintf(from, sizeof from, "%s", o.from);
    }
    size_t size = 0;
    unsigned char *data = slurp(from, size, "the trivane to copy,");
    image img = read_trivane(from, data, size);
    // A changed byte shows in the hash of the contents. The build-id alone may
    // differ: some distributions' debug tools set it anew after the build.
    unsigned char hash[CONTENTS_HASH_SIZE];
    image_hash(img, hash);
    device_paths p;
    image_paths(img, p);
    if (memcmp(hash, p.contents_hash, sizeof hash) != 0) {
        refuse("%s has changed since it was built: its contents no longer match their hash. "
               "Reinstall the trivane package.",
               from);
    }

    size_t devices_size = 0;
    const devices d = o.devices != nullptr
                          ? parse_devices(reinterpret_cast<char *>(
                                              slurp(o.devices, devices_size, "the devices file")),
                                          o.devices)
                          : detect(o, folder);
    device_paths wanted = p;
    fill(wanted, d);
    if (memcmp(&wanted, &p, sizeof p) == 0 && !o.force) {
        printf("%s already reads this machine's devices: nothing to write (--force writes a copy "
               "all the same).\n",
               from);
        free(data);
        free(d.text);
        return 0;
    }
    image_set_paths(img, wanted);
    if (!image_stamp(img)) {
        refuse("%s has no build-id of 20 bytes, which the copy must carry.", from);
    }

    char output[PATH_MAX];
    if (o.output != nullptr) {
        snprintf(output, sizeof output, "%s", o.output);
    } else {
        const char *home = getenv("HOME");
        if (home == nullptr || home[0] != '/') {
            refuse("HOME is not set: give the copy's path with -o FILE.");
        }
        snprintf(output, sizeof output, "%s/.local", home);
        mkdir(output, 0755);
        snprintf(output, sizeof output, "%s/.local/bin", home);
        mkdir(output, 0755);
        snprintf(output, sizeof output, "%s/.local/bin/trivane", home);
    }
    struct stat to = {};
    struct stat was = {};
    if (stat(output, &to) == 0 && stat(from, &was) == 0 && to.st_dev == was.st_dev &&
        to.st_ino == was.st_ino) {
        refuse("%s is the trivane it copies: give another path with -o FILE.", output);
    }
    write_copy(output, img.data, img.size);

    char first[PATH_MAX];
    char written[PATH_MAX];
    printf("Wrote %s, a trivane that reads this machine's devices.\n", output);
    if (realpath(output, written) != nullptr && first_in_path(first) &&
        strcmp(first, written) == 0) {
        printf("It comes first in your PATH: the command trivane runs it.\n");
    } else {
        printf(
            "Your PATH finds another trivane first: put the folder of %s before /usr/bin in PATH\n"
            "(for ~/.local/bin, add PATH=\"$HOME/.local/bin:$PATH\" to ~/.profile), or run it by "
            "its path.\n",
            output);
    }
    printf("To remove it: rm %s\n"
           "After an upgrade of the trivane package, run trivane-setup again.\n",
           output);
    free(data);
    free(d.text);
    return 0;
}
