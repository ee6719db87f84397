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
#include <unistd.h>

namespace {

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

} // namespace

verdict examine(binary &b)
{
    b.image_words = image_read(b.img, reinterpret_cast<unsigned char *>(b.file.data), b.file.size);
    if (b.image_words != nullptr) {
        // The paths section of every trivane since 1.3.0 begins with the magic:
        // one that setup cannot read is of another layout, so another version.
        return b.is = memmem(b.file.data, b.file.size, PATHS_MAGIC, sizeof PATHS_MAGIC) != nullptr
                          ? verdict::other_version
                          : verdict::not_trivane;
    }
    if (b.img.machine != OWN_MACHINE) {
        return b.is = verdict::other_machine;
    }
    image_paths(b.img, b.paths);
    memcpy(b.version, b.paths.version, sizeof b.version);
    b.version[sizeof b.version - 1] = '\0';
    if (strcmp(b.paths.version, TRIVANE_VERSION) != 0) {
        return b.is = verdict::other_version;
    }
    // A changed byte shows in the hash of the contents. The build-id alone may
    // differ: some distributions' debug tools set it anew after the build.
    unsigned char hash[CONTENTS_HASH_SIZE];
    image_hash(b.img, hash);
    return b.is = memcmp(hash, b.paths.contents_hash, sizeof hash) != 0 ? verdict::changed
                                                                        : verdict::trivane;
}

void inspect(const place &p, binary &b)
{
    read_fault f;
    b.is = p.st.st_mode == 0        ? verdict::nothing
           : !read_at(p, b.file, f) ? verdict::unreadable
                                    : examine(b);
}

void inspect(const char *path, binary &b)
{
    // Where the way cannot be walked, nothing is there to read.
    place p;
    read_fault f;
    walk(AT_FDCWD, ".", path, false, p, f);
    inspect(p, b);
}

void read_from(const char *path, binary &b)
{
    const shown from(path);
    read_fault f;
    if (!read_file(path, b.file, f)) {
        char words[PATH_MAX + 128];
        refuse("cannot read the trivane to copy, %s: %s.", from.text,
               read_words(f, words, sizeof words));
    }
    switch (examine(b)) {
    case verdict::trivane:
        return;
    case verdict::other_version:
        if (b.image_words != nullptr) {
            break;
        }
        refuse("%s is trivane %s, and this is trivane-setup " TRIVANE_VERSION
               ": use the trivane-setup installed with it, or give --from the trivane of this one.",
               from.text, shown(b.version).text);
    case verdict::changed:
        refuse("%s has changed since it was built: its contents no longer match their hash. "
               "Reinstall the trivane package.",
               from.text);
    case verdict::other_machine:
        b.image_words = "it is for another processor than this trivane-setup's";
        break;
    default:
        break;
    }
    refuse("%s is not a trivane that this setup can copy: %s.", from.text, b.image_words);
}

int stamp(const char *path)
{
    binary b;
    read_fault f;
    char words[PATH_MAX + 128];
    if (!read_file(path, b.file, f)) {
        refuse("cannot read %s: %s.", path, read_words(f, words, sizeof words));
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
    const int fd = open(path, O_WRONLY | O_NOFOLLOW | O_CLOEXEC);
    if (fd < 0) {
        refuse("cannot write %s: %s.", path, strerror(errno));
    }
    write_all(fd, b.img.data, b.img.size, path);
    if (close(fd) != 0) {
        refuse("cannot write %s: %s.", path, strerror(errno));
    }
    return 0;
}
