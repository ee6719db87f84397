// SPDX-FileCopyrightText: 2026 The trivane developers
// SPDX-License-Identifier: MIT
#include "setup/binary.h"

#include "monitors/devices.h"
#include "setup/failure.h"

#include <elf.h>
#include <errno.h>
#include <fcntl.h>
#include <stdio.h>
#include <string.h>
#include <sys/stat.h>
#include <unistd.h>

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

// The sentinels that examine returns for a trivane of another version, and for one
// whose contents changed since its build.
extern const char another_version[];
const char another_version[] = "another version";
extern const char changed[];
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
