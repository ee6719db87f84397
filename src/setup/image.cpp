// SPDX-FileCopyrightText: 2026 The trivane developers
// SPDX-License-Identifier: MIT
#include "setup/image.h"

#include <elf.h>
#include <stdint.h>
#include <string.h>

namespace {

// [at, at + size) lies within the file: no overflow, no byte past its end.
bool within(const image &img, uint64_t at, uint64_t size)
{
    return at <= img.size && size <= img.size - at;
}

template <typename T> T get(const image &img, size_t at)
{
    T value;
    memcpy(&value, img.data + at, sizeof value);
    return value;
}

// The ELF types of one class, so one reader serves 32- and 64-bit files. Offsets
// and sizes are held to the file's size as 64-bit values, and only then taken
// as size_t, which a 32-bit setup's is.
template <typename Ehdr, typename Phdr, typename Shdr, typename Nhdr> struct elf {
    static const char *read(image &img)
    {
        if (!within(img, 0, sizeof(Ehdr))) {
            return "it is cut short: its ELF header is incomplete";
        }
        const Ehdr eh = get<Ehdr>(img, 0);
        img.machine = eh.e_machine;
        img.section_fields[0] = {offsetof(Ehdr, e_shoff), sizeof eh.e_shoff};
        img.section_fields[1] = {offsetof(Ehdr, e_shentsize),
                                 sizeof(Ehdr) - offsetof(Ehdr, e_shentsize)};
        if (eh.e_phentsize != sizeof(Phdr) ||
            !within(img, eh.e_phoff, uint64_t{eh.e_phnum} * sizeof(Phdr))) {
            return "its program headers lie outside the file";
        }
        for (unsigned i = 0; i < eh.e_phnum; ++i) {
            const Phdr ph =
                get<Phdr>(img, static_cast<size_t>(eh.e_phoff + uint64_t{i} * sizeof(Phdr)));
            if (ph.p_type != PT_LOAD && ph.p_type != PT_NOTE) {
                continue;
            }
            if (!within(img, ph.p_offset, ph.p_filesz)) {
                return "a segment lies outside the file: it is cut short";
            }
            if (ph.p_type == PT_NOTE) {
                notes(img, static_cast<size_t>(ph.p_offset), static_cast<size_t>(ph.p_filesz));
            } else if (img.load_count == IMAGE_MAX_LOADS) {
                return "it has more loaded segments than a trivane has";
            } else {
                img.loads[img.load_count++] = {static_cast<size_t>(ph.p_offset),
                                               static_cast<size_t>(ph.p_filesz)};
            }
        }
        return paths_section(img, eh);
    }

    // The GNU build-id among the notes of [at, at + size).
    static void notes(image &img, size_t at, size_t size)
    {
        const size_t end = at + size;
        while (end - at >= sizeof(Nhdr)) {
            const Nhdr nh = get<Nhdr>(img, at);
            const size_t name = at + sizeof(Nhdr);
            const uint64_t name_size = (uint64_t{nh.n_namesz} + 3) & ~uint64_t{3};
            const uint64_t desc_size = (uint64_t{nh.n_descsz} + 3) & ~uint64_t{3};
            if (name_size > end - name || desc_size > end - name - name_size) {
                return;
            }
            if (nh.n_type == NT_GNU_BUILD_ID && nh.n_namesz == 4 &&
                memcmp(img.data + name, "GNU", 4) == 0) {
                img.build_id = {static_cast<size_t>(name + name_size), nh.n_descsz};
                return;
            }
            at = static_cast<size_t>(name + name_size + desc_size);
        }
    }

    static const char *paths_section(image &img, const Ehdr &eh)
    {
        if (eh.e_shentsize != sizeof(Shdr) || eh.e_shstrndx >= eh.e_shnum ||
            !within(img, eh.e_shoff, uint64_t{eh.e_shnum} * sizeof(Shdr))) {
            return "its section headers lie outside the file";
        }
        const Shdr names = get<Shdr>(
            img, static_cast<size_t>(eh.e_shoff + uint64_t{eh.e_shstrndx} * sizeof(Shdr)));
        if (!within(img, names.sh_offset, names.sh_size)) {
            return "its section names lie outside the file";
        }
        for (unsigned i = 0; i < eh.e_shnum; ++i) {
            const Shdr sh =
                get<Shdr>(img, static_cast<size_t>(eh.e_shoff + uint64_t{i} * sizeof(Shdr)));
            if (sh.sh_name >= names.sh_size || names.sh_size - sh.sh_name < sizeof PATHS_SECTION ||
                memcmp(img.data + names.sh_offset + sh.sh_name, PATHS_SECTION,
                       sizeof PATHS_SECTION) != 0) {
                continue;
            }
            if (sh.sh_size < sizeof(device_paths) ||
                !within(img, sh.sh_offset, sizeof(device_paths))) {
                return "its paths section is cut short";
            }
            img.paths_at = static_cast<size_t>(sh.sh_offset);
            return nullptr;
        }
        return "it has no paths section: it is not a trivane of 1.3.0 or later";
    }
};

using elf32 = elf<Elf32_Ehdr, Elf32_Phdr, Elf32_Shdr, Elf32_Nhdr>;
using elf64 = elf<Elf64_Ehdr, Elf64_Phdr, Elf64_Shdr, Elf64_Nhdr>;

// r lies wholly within one loaded segment.
bool loaded(const image &img, image_range r)
{
    for (unsigned i = 0; i < img.load_count; ++i) {
        const image_range &l = img.loads[i];
        if (r.at >= l.at && r.size <= l.size && r.at - l.at <= l.size - r.size) {
            return true;
        }
    }
    return false;
}

uint32_t rol(uint32_t x, unsigned n) { return (x << n) | (x >> (32 - n)); }

void sha1_block(sha1 &s, const unsigned char *b)
{
    uint32_t w[80];
    for (size_t i = 0; i < 16; ++i) {
        w[i] = uint32_t{b[4 * i]} << 24 | uint32_t{b[4 * i + 1]} << 16 |
               uint32_t{b[4 * i + 2]} << 8 | b[4 * i + 3];
    }
    for (size_t i = 16; i < 80; ++i) {
        w[i] = rol(w[i - 3] ^ w[i - 8] ^ w[i - 14] ^ w[i - 16], 1);
    }
    uint32_t a = s.h[0];
    uint32_t bb = s.h[1];
    uint32_t c = s.h[2];
    uint32_t d = s.h[3];
    uint32_t e = s.h[4];
    for (unsigned i = 0; i < 80; ++i) {
        uint32_t f = 0;
        uint32_t k = 0;
        if (i < 20) {
            f = (bb & c) | (~bb & d), k = 0x5a827999;
        } else if (i < 40) {
            f = bb ^ c ^ d, k = 0x6ed9eba1;
        } else if (i < 60) {
            f = (bb & c) | (bb & d) | (c & d), k = 0x8f1bbcdc;
        } else {
            f = bb ^ c ^ d, k = 0xca62c1d6;
        }
        const uint32_t t = rol(a, 5) + f + e + k + w[i];
        e = d, d = c, c = rol(bb, 30), bb = a, a = t;
    }
    s.h[0] += a, s.h[1] += bb, s.h[2] += c, s.h[3] += d, s.h[4] += e;
}

} // namespace

void sha1_start(sha1 &s)
{
    s = {{0x67452301, 0xefcdab89, 0x98badcfe, 0x10325476, 0xc3d2e1f0}, {}, 0, 0};
}

void sha1_add(sha1 &s, const unsigned char *data, size_t size)
{
    s.total += size;
    while (size > 0) {
        const size_t n = size < 64 - s.used ? size : 64 - s.used;
        memcpy(s.block + s.used, data, n);
        s.used += n, data += n, size -= n;
        if (s.used == 64) {
            sha1_block(s, s.block);
            s.used = 0;
        }
    }
}

void sha1_end(sha1 &s, unsigned char out[20])
{
    const unsigned long long bits = s.total * 8;
    const unsigned char one = 0x80;
    const unsigned char zero = 0;
    sha1_add(s, &one, 1);
    while (s.used != 56) {
        sha1_add(s, &zero, 1);
    }
    unsigned char length[8];
    for (unsigned i = 0; i < 8; ++i) {
        length[i] = static_cast<unsigned char>(bits >> (56 - 8 * i));
    }
    sha1_add(s, length, 8);
    for (unsigned i = 0; i < 20; ++i) {
        out[i] = static_cast<unsigned char>(s.h[i / 4] >> (24 - 8 * (i % 4)));
    }
}

const char *image_read(image &img, unsigned char *data, size_t size)
{
    img = {};
    img.data = data;
    img.size = size;
    if (size < EI_NIDENT || memcmp(data, ELFMAG, SELFMAG) != 0) {
        return "it is not an ELF program";
    }
    if (data[EI_DATA] != ELFDATA2LSB) {
        return "it is a big-endian program, and trivane-setup reads little-endian ones";
    }
    const char *why = data[EI_CLASS] == ELFCLASS64 ? elf64::read(img)
                      : data[EI_CLASS] == ELFCLASS32
                          ? elf32::read(img)
                          : "it is not a program for this kind of processor";
    if (why != nullptr) {
        return why;
    }
    if (!loaded(img, {img.paths_at, sizeof(device_paths)})) {
        return "its paths section is not loaded with the program";
    }
    device_paths p;
    image_paths(img, p);
    if (memcmp(p.magic, PATHS_MAGIC, sizeof PATHS_MAGIC) != 0) {
        return "its paths section is not a trivane's";
    }
    if (p.layout != PATHS_LAYOUT) {
        return "its paths are laid out as another version of trivane lays them";
    }
    if (memchr(p.version, 0, sizeof p.version) == nullptr) {
        return "its version is not a string";
    }
    if (img.build_id.size != 0 && !loaded(img, img.build_id)) {
        return "its build-id is not loaded with the program";
    }
    return nullptr;
}

void image_paths(const image &img, device_paths &out)
{
    memcpy(&out, img.data + img.paths_at, sizeof out);
}

void image_set_paths(image &img, const device_paths &in)
{
    memcpy(img.data + img.paths_at, &in, sizeof in);
}

void image_hash(const image &img, unsigned char out[CONTENTS_HASH_SIZE])
{
    const image_range zeros[] = {
        img.section_fields[0],
        img.section_fields[1],
        img.build_id,
        {img.paths_at + offsetof(device_paths, contents_hash), CONTENTS_HASH_SIZE}};
    sha1 s;
    sha1_start(s);
    for (unsigned i = 0; i < img.load_count; ++i) {
        for (size_t at = img.loads[i].at; at < img.loads[i].at + img.loads[i].size; ++at) {
            unsigned char byte = img.data[at];
            for (const image_range &z : zeros) {
                if (at >= z.at && at - z.at < z.size) {
                    byte = 0;
                }
            }
            sha1_add(s, &byte, 1);
        }
    }
    sha1_end(s, out);
}

bool image_stamp(image &img)
{
    if (img.build_id.size != CONTENTS_HASH_SIZE) {
        return false;
    }
    unsigned char hash[CONTENTS_HASH_SIZE];
    image_hash(img, hash);
    memcpy(img.data + img.paths_at + offsetof(device_paths, contents_hash), hash, sizeof hash);
    memcpy(img.data + img.build_id.at, hash, sizeof hash);
    return true;
}
