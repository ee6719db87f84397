// SPDX-FileCopyrightText: 2026 The trivane developers
// SPDX-License-Identifier: MIT
// trivane-setup's reading of a built binary: which ELF files it takes and which it
// refuses, what its contents hash leaves out, and its SHA-1, which makes the hash
// and the build-id (the known answers of FIPS 180-4, and sha1sum's answers around
// the block size).
#include "setup/image.h"

#include <gtest/gtest.h>

#include <elf.h>
#include <unistd.h>

#include <cstddef>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <string>
#include <vector>

namespace {

std::string hex(const unsigned char (&digest)[20])
{
    std::string text;
    for (const unsigned char byte : digest) {
        static const char digits[] = "0123456789abcdef";
        text += digits[byte >> 4];
        text += digits[byte & 15];
    }
    return text;
}

// The digest of data, fed in pieces of at most piece bytes.
std::string digest(const std::string &data, std::size_t piece)
{
    sha1 s;
    sha1_start(s);
    for (std::size_t at = 0; at < data.size(); at += piece) {
        const std::size_t n = data.size() - at < piece ? data.size() - at : piece;
        sha1_add(s, reinterpret_cast<const unsigned char *>(data.data() + at), n);
    }
    unsigned char out[20];
    sha1_end(s, out);
    return hex(out);
}

TEST(Sha1, KnownAnswers)
{
    const struct {
        std::string message;
        const char *digest;
    } rows[] = {
        {"abc", "a9993e364706816aba3e25717850c26c9cd0d89d"},
        {"", "da39a3ee5e6b4b0d3255bfef95601890afd80709"},
        {"abcdbcdecdefdefgefghfghighijhijkijkljklmklmnlmnomnopnopq",
         "84983e441c3bd26ebaae4aa1f95129e5e54670f1"},
        {"abcdefghbcdefghicdefghijdefghijkefghijklfghijklmghijklmnhijklmnoijklmnopjklmnopqklmnopqr"
         "lmnopqrsmnopqrstnopqrstu",
         "a49b2446a02c645bf419f995b67091253a04a259"},
        {std::string(1000000, 'a'), "34aa973cd4c4daa4f61eeb2bdbad27316534016f"},
    };
    for (const auto &row : rows) {
        for (const std::size_t piece :
             {std::size_t{1}, std::size_t{63}, std::size_t{64}, row.message.size() + 1}) {
            EXPECT_EQ(digest(row.message, piece), row.digest)
                << row.message.size() << " bytes in pieces of " << piece;
        }
    }
}

// What sha1sum says of data.
// sha1sum's digests of the texts, from one run of it over a file each.
std::vector<std::string> sha1sum(const std::vector<std::string> &texts)
{
    const char *tmp = std::getenv("TMPDIR");
    std::string folder = std::string(tmp != nullptr ? tmp : "/tmp") + "/trivane-sha1-XXXXXX";
    EXPECT_NE(mkdtemp(folder.data()), nullptr);
    std::string command = "cd " + folder + " && sha1sum";
    for (std::size_t i = 0; i < texts.size(); ++i) {
        std::ofstream(folder + "/" + std::to_string(i), std::ios::binary) << texts[i];
        command += " " + std::to_string(i);
    }
    FILE *p = popen(command.c_str(), "r");
    std::vector<std::string> digests;
    char line[128];
    while (std::fgets(line, sizeof line, p) != nullptr) {
        digests.emplace_back(line, 40);
    }
    pclose(p);
    for (std::size_t i = 0; i < texts.size(); ++i) {
        unlink((folder + "/" + std::to_string(i)).c_str());
    }
    rmdir(folder.c_str());
    return digests;
}

TEST(Sha1, AgreesWithSha1sumAtThePaddingsEdges)
{
    // The padding takes a block of its own from 56 bytes on: the lengths at the
    // edges of the first three blocks, each fed whole and in odd pieces.
    const std::size_t lengths[] = {0,   1,   55,  56,  57,  63,  64,  65,  119,
                                   120, 121, 127, 128, 129, 183, 184, 191, 192};
    std::vector<std::string> texts;
    for (const std::size_t length : lengths) {
        std::string data;
        for (std::size_t i = 0; i < length; ++i) {
            data += static_cast<char>(i * 37 + 11);
        }
        texts.push_back(data);
    }
    const std::vector<std::string> expected = sha1sum(texts);
    ASSERT_EQ(texts.size(), expected.size());
    for (std::size_t i = 0; i < texts.size(); ++i) {
        EXPECT_EQ(digest(texts[i], texts[i].size() + 1), expected[i])
            << lengths[i] << " bytes whole";
        EXPECT_EQ(digest(texts[i], 7), expected[i]) << lengths[i] << " bytes in pieces of 7";
    }
}

} // namespace

namespace {

// Sets an ELF field of either class's width.
template <typename Field, typename Value> void put(Field &field, Value value)
{
    field = static_cast<Field>(value);
}

// A small ELF file of either class, laid out as a trivane is: one loaded segment
// that holds the headers, the build-id note and the paths section, then the
// section names and headers, which are not loaded.
template <typename Ehdr, typename Phdr, typename Shdr, typename Nhdr> struct elf_file {
    std::vector<unsigned char> bytes;
    std::size_t phoff = sizeof(Ehdr);
    std::size_t note_at = sizeof(Ehdr) + 2 * sizeof(Phdr);
    std::size_t paths_at = (note_at + sizeof(Nhdr) + 4 + 20 + 7) / 8 * 8;
    std::size_t names_at = paths_at + sizeof(device_paths);
    std::size_t shoff = (names_at + 32 + 7) / 8 * 8;

    template <typename T> T get(std::size_t at) const
    {
        T value;
        std::memcpy(&value, bytes.data() + at, sizeof value);
        return value;
    }
    template <typename T> void set(std::size_t at, const T &value)
    {
        std::memcpy(bytes.data() + at, &value, sizeof value);
    }
    Ehdr header() const { return get<Ehdr>(0); }
    // Sets one field of the header, of segment i or of section i.
    template <typename Field, typename Value> void set_header(Field Ehdr::*field, Value value)
    {
        Ehdr eh = header();
        put(eh.*field, value);
        set(0, eh);
    }
    template <typename Field, typename Value>
    void set_segment(std::size_t i, Field Phdr::*field, Value value)
    {
        Phdr ph = segment(i);
        put(ph.*field, value);
        set(phoff + i * sizeof(Phdr), ph);
    }
    template <typename Field, typename Value>
    void set_section(std::size_t i, Field Shdr::*field, Value value)
    {
        Shdr sh = section(i);
        put(sh.*field, value);
        set(shoff + i * sizeof(Shdr), sh);
    }
    Phdr segment(std::size_t i) const { return get<Phdr>(phoff + i * sizeof(Phdr)); }
    Shdr section(std::size_t i) const { return get<Shdr>(shoff + i * sizeof(Shdr)); }

    explicit elf_file(unsigned char elf_class)
    {
        bytes.assign(shoff + 3 * sizeof(Shdr), 0);
        Ehdr eh = {};
        std::memcpy(eh.e_ident, ELFMAG, SELFMAG);
        eh.e_ident[EI_CLASS] = elf_class;
        eh.e_ident[EI_DATA] = ELFDATA2LSB;
        put(eh.e_phoff, phoff);
        put(eh.e_phentsize, sizeof(Phdr));
        put(eh.e_phnum, 2);
        put(eh.e_shoff, shoff);
        put(eh.e_shentsize, sizeof(Shdr));
        put(eh.e_shnum, 3);
        put(eh.e_shstrndx, 1);
        set(0, eh);
        Phdr load = {};
        put(load.p_type, PT_LOAD);
        put(load.p_filesz, names_at);
        set(phoff, load);
        Phdr note = {};
        put(note.p_type, PT_NOTE);
        put(note.p_offset, note_at);
        put(note.p_filesz, sizeof(Nhdr) + 4 + 20);
        set(phoff + sizeof(Phdr), note);
        set(note_at, Nhdr{4, 20, NT_GNU_BUILD_ID});
        std::memcpy(bytes.data() + note_at + sizeof(Nhdr), "GNU", 4);
        device_paths p = {};
        std::memcpy(p.magic, PATHS_MAGIC, sizeof PATHS_MAGIC);
        p.layout = PATHS_LAYOUT;
        std::strcpy(p.version, "1.2.3");
        set(paths_at, p);
        const char names[] = "\0.shstrtab\0" PATHS_SECTION;
        std::memcpy(bytes.data() + names_at, names, sizeof names);
        Shdr strtab = {};
        put(strtab.sh_name, 1);
        put(strtab.sh_offset, names_at);
        put(strtab.sh_size, sizeof names);
        set(shoff + sizeof(Shdr), strtab);
        Shdr paths = {};
        put(paths.sh_name, 11);
        put(paths.sh_offset, paths_at);
        put(paths.sh_size, sizeof(device_paths));
        set(shoff + 2 * sizeof(Shdr), paths);
    }
};

// One way to spoil a sound file, and what image_read says of it.
template <typename File> struct spoiled {
    const char *name;
    void (*spoil)(File &);
    const char *why; // nullptr: still read; then whether it has a build-id
    bool build_id = true;
};

template <typename File>
void check_spoiled(unsigned char elf_class, std::vector<spoiled<File>> rows)
{
    for (const spoiled<File> &row : rows) {
        File f(elf_class);
        row.spoil(f);
        image img;
        const char *why = image_read(img, f.bytes.data(), f.bytes.size());
        EXPECT_STREQ(why, row.why) << (elf_class == ELFCLASS32 ? "ELF32: " : "ELF64: ") << row.name;
        if (why == nullptr) {
            EXPECT_EQ(img.build_id.size != 0, row.build_id) << row.name;
        }
    }
}

template <typename Ehdr, typename Phdr, typename Shdr, typename Nhdr>
void check_class(unsigned char elf_class)
{
    using File = elf_file<Ehdr, Phdr, Shdr, Nhdr>;
    check_spoiled<File>(
        elf_class,
        {
            {"sound", [](File &) {}, nullptr},
            {"header cut short", [](File &f) { f.bytes.resize(sizeof(Ehdr) - 1); },
             "it is cut short: its ELF header is incomplete"},
            {"program header of another size",
             [](File &f) { f.set_header(&Ehdr::e_phentsize, sizeof(Phdr) + 1); },
             "its program headers lie outside the file"},
            {"program headers past the end",
             [](File &f) { f.set_header(&Ehdr::e_phoff, f.bytes.size() - sizeof(Phdr)); },
             "its program headers lie outside the file"},
            {"segment past the end",
             [](File &f) { f.set_segment(0, &Phdr::p_filesz, f.bytes.size() + 1); },
             "a segment lies outside the file: it is cut short"},
            {"more loaded segments than a trivane has",
             [](File &f) {
                 const std::size_t at = f.bytes.size();
                 for (std::size_t i = 0; i < 17; ++i) {
                     f.bytes.resize(f.bytes.size() + sizeof(Phdr));
                     f.set(at + i * sizeof(Phdr), f.segment(0));
                 }
                 Ehdr eh = f.header();
                 put(eh.e_phoff, at);
                 put(eh.e_phnum, 17);
                 f.set(0, eh);
             },
             "it has more loaded segments than a trivane has"},
            {"program headers far past the end",
             [](File &f) { f.set_header(&Ehdr::e_phoff, f.bytes.size() * 2); },
             "its program headers lie outside the file"},
            {"a small loaded segment before the one that holds the paths",
             [](File &f) {
                 Phdr small = f.segment(0);
                 put(small.p_filesz, 8);
                 const std::size_t at = f.bytes.size();
                 f.bytes.resize(at + 3 * sizeof(Phdr));
                 f.set(at, small);
                 f.set(at + sizeof(Phdr), f.segment(0));
                 f.set(at + 2 * sizeof(Phdr), f.segment(1));
                 Ehdr eh = f.header();
                 put(eh.e_phoff, at);
                 put(eh.e_phnum, 3);
                 f.set(0, eh);
             },
             nullptr},
            {"a segment of another type, passed over",
             [](File &f) { f.set_segment(1, &Phdr::p_type, PT_DYNAMIC); }, nullptr, false},
            {"a note of another type, then none",
             [](File &f) {
                 f.set(f.note_at, Nhdr{4, 20, NT_GNU_BUILD_ID + 1});
             },
             nullptr, false},
            {"a note of another name",
             [](File &f) { std::memcpy(f.bytes.data() + f.note_at + sizeof(Nhdr), "GNX", 4); },
             nullptr, false},
            {"a note of another name size",
             [](File &f) {
                 f.set(f.note_at, Nhdr{3, 20, NT_GNU_BUILD_ID});
             },
             nullptr, false},
            {"a note whose name runs past its segment",
             [](File &f) {
                 f.set(f.note_at, Nhdr{4000, 20, NT_GNU_BUILD_ID});
             },
             nullptr, false},
            {"a note whose id runs past its segment",
             [](File &f) {
                 f.set(f.note_at, Nhdr{4, 4000, NT_GNU_BUILD_ID});
             },
             nullptr, false},
            {"a build-id not loaded",
             [](File &f) {
                 Phdr ph = f.segment(1);
                 const std::size_t at = f.bytes.size();
                 const auto from = f.bytes.begin() + static_cast<std::ptrdiff_t>(ph.p_offset);
                 f.bytes.insert(f.bytes.end(), from,
                                from + static_cast<std::ptrdiff_t>(ph.p_filesz));
                 put(ph.p_offset, at);
                 f.set(f.phoff + sizeof(Phdr), ph);
             },
             "its build-id is not loaded with the program"},
            {"section header of another size",
             [](File &f) { f.set_header(&Ehdr::e_shentsize, sizeof(Shdr) - 1); },
             "its section headers lie outside the file"},
            {"section names' index past the sections",
             [](File &f) { f.set_header(&Ehdr::e_shstrndx, 3); },
             "its section headers lie outside the file"},
            {"section headers past the end", [](File &f) { f.set_header(&Ehdr::e_shnum, 4); },
             "its section headers lie outside the file"},
            {"section names past the end",
             [](File &f) { f.set_section(1, &Shdr::sh_size, f.bytes.size()); },
             "its section names lie outside the file"},
            {"no paths section", [](File &f) { f.bytes[f.names_at + 11] = 'x'; },
             "it has no paths section: it is not a trivane of 1.3.0 or later"},
            {"a section name past the names",
             [](File &f) { f.set_section(2, &Shdr::sh_name, 100); },
             "it has no paths section: it is not a trivane of 1.3.0 or later"},
            {"a section name cut by the end of the names",
             [](File &f) {
                 Shdr sh = f.section(1);
                 sh.sh_size -= 2;
                 f.set(f.shoff + sizeof(Shdr), sh);
             },
             "it has no paths section: it is not a trivane of 1.3.0 or later"},
            {"paths section too small",
             [](File &f) { f.set_section(2, &Shdr::sh_size, sizeof(device_paths) - 1); },
             "its paths section is cut short"},
            {"paths section past the end",
             [](File &f) { f.set_section(2, &Shdr::sh_offset, f.bytes.size() - 1); },
             "its paths section is cut short"},
            {"paths section not loaded",
             [](File &f) {
                 f.set_segment(0, &Phdr::p_filesz, f.paths_at + sizeof(device_paths) - 1);
             },
             "its paths section is not loaded with the program"},
            {"paths section before the loaded segment",
             [](File &f) {
                 Phdr ph = f.segment(0);
                 put(ph.p_offset, f.paths_at + 1);
                 put(ph.p_filesz, f.names_at - ph.p_offset);
                 f.set(f.phoff, ph);
             },
             "its paths section is not loaded with the program"},
            {"another magic", [](File &f) { f.bytes[f.paths_at] = 'T'; },
             "its paths section is not a trivane's"},
            {"another layout",
             [](File &f) { f.bytes[f.paths_at + offsetof(device_paths, layout)] += 1; },
             "its paths are laid out as another version of trivane lays them"},
            {"a version without its end",
             [](File &f) {
                 std::memset(f.bytes.data() + f.paths_at + offsetof(device_paths, version), 'x',
                             VERSION_SLOT);
             },
             "its version is not a string"},
        });
}

TEST(Image, ReadsBothClassesAndRefusesWhatIsNotSound)
{
    check_class<Elf64_Ehdr, Elf64_Phdr, Elf64_Shdr, Elf64_Nhdr>(ELFCLASS64);
    check_class<Elf32_Ehdr, Elf32_Phdr, Elf32_Shdr, Elf32_Nhdr>(ELFCLASS32);
}

TEST(Image, RefusesWhatIsNoElfOfThisKind)
{
    elf_file<Elf64_Ehdr, Elf64_Phdr, Elf64_Shdr, Elf64_Nhdr> f(ELFCLASS64);
    const struct {
        const char *name;
        std::size_t at;
        unsigned char byte;
        std::size_t size;
        const char *why;
    } rows[] = {
        {"shorter than its identification", 0, 0x7f, EI_NIDENT - 1, "it is not an ELF program"},
        {"another magic", 1, 'e', 0, "it is not an ELF program"},
        {"big-endian", EI_DATA, ELFDATA2MSB, 0,
         "it is a big-endian program, and trivane-setup reads little-endian ones"},
        {"a class of neither size", EI_CLASS, 3, 0,
         "it is not a program for this kind of processor"},
    };
    for (const auto &row : rows) {
        std::vector<unsigned char> bytes = f.bytes;
        bytes[row.at] = row.byte;
        bytes.resize(row.size != 0 ? row.size : bytes.size());
        image img;
        EXPECT_STREQ(image_read(img, bytes.data(), bytes.size()), row.why) << row.name;
    }
}

TEST(Image, HashLeavesOutWhatStripAndTheStampChange)
{
    // The contents hash of a file is that of its copy with another build-id,
    // another section table, or another hash in its slot; not with another byte
    // of its contents.
    elf_file<Elf64_Ehdr, Elf64_Phdr, Elf64_Shdr, Elf64_Nhdr> f(ELFCLASS64);
    const auto hash_of = [](std::vector<unsigned char> bytes) {
        image img;
        EXPECT_EQ(image_read(img, bytes.data(), bytes.size()), nullptr);
        unsigned char out[CONTENTS_HASH_SIZE];
        image_hash(img, out);
        return std::string(reinterpret_cast<char *>(out), sizeof out);
    };
    const std::string sound = hash_of(f.bytes);
    const struct {
        const char *name;
        std::size_t at;
        bool same;
    } rows[] = {
        {"build-id", f.note_at + sizeof(Elf64_Nhdr) + 4 + 7, true},
        {"contents hash", f.paths_at + offsetof(device_paths, contents_hash) + 3, true},
        {"section names, not loaded", f.names_at + 3, true},
        {"a path", f.paths_at + offsetof(device_paths, ac), false},
        {"the program headers", f.phoff + offsetof(Elf64_Phdr, p_flags), false},
    };
    for (const auto &row : rows) {
        std::vector<unsigned char> bytes = f.bytes;
        bytes[row.at] ^= 0x20;
        EXPECT_EQ(hash_of(bytes) == sound, row.same) << row.name;
    }
    // The section table elsewhere, as strip leaves it.
    std::vector<unsigned char> moved = f.bytes;
    moved.insert(moved.end(), f.bytes.begin() + static_cast<std::ptrdiff_t>(f.shoff),
                 f.bytes.end());
    Elf64_Ehdr eh = f.header();
    eh.e_shoff = f.bytes.size();
    std::memcpy(moved.data(), &eh, sizeof eh);
    EXPECT_EQ(hash_of(moved), sound) << "section table moved";
    image img;
    ASSERT_EQ(image_read(img, f.bytes.data(), f.bytes.size()), nullptr);
    ASSERT_TRUE(image_stamp(img));
    unsigned char stamped[CONTENTS_HASH_SIZE];
    image_hash(img, stamped);
    EXPECT_EQ(std::string(reinterpret_cast<char *>(stamped), sizeof stamped), sound);
    EXPECT_EQ(std::memcmp(img.data + img.build_id.at, stamped, sizeof stamped), 0);
}

} // namespace
