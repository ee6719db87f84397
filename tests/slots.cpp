// SPDX-FileCopyrightText: 2026 The trivane developers
// SPDX-License-Identifier: MIT
// Prints what a built trivane's slots hold, one line each: its version, each path
// slot in use (a slot without its terminating zero says so), and whether its
// contents hash and build-id are the hash of its contents. For tests that read a
// copy back.
//
//   slots FILE
#include "setup/image.h"

#include <cstdio>
#include <cstring>
#include <fstream>
#include <iterator>
#include <vector>

namespace {

void slot(const char *name, const char (&text)[PATH_SLOT])
{
    if (text[0] == '\0') {
        return;
    }
    if (std::memchr(text, 0, PATH_SLOT) == nullptr) {
        std::printf("%s UNTERMINATED\n", name);
    } else {
        std::printf("%s %s\n", name, text);
    }
}

} // namespace

int main(int argc, char **argv)
{
    if (argc != 2) {
        std::fputs("usage: slots FILE\n", stderr);
        return 2;
    }
    std::ifstream in(argv[1], std::ios::binary);
    std::vector<unsigned char> bytes{std::istreambuf_iterator<char>(in),
                                     std::istreambuf_iterator<char>()};
    image img;
    if (const char *why = image_read(img, bytes.data(), bytes.size())) {
        std::printf("not a trivane: %s\n", why);
        return 1;
    }
    device_paths p;
    image_paths(img, p);
    std::printf("version %s\n", p.version);
    for (const auto &fan : p.fan) {
        slot("fan", fan);
    }
    slot("backlight_max", p.backlight_max);
    slot("backlight_level", p.backlight_level);
    for (const auto &ac : p.ac) {
        slot("ac", ac);
    }
    for (unsigned i = 0; i < BATTERY_SLOTS; ++i) {
        slot("battery_full", p.battery_full[i]);
        slot("battery_now", p.battery_now[i]);
    }
    unsigned char hash[CONTENTS_HASH_SIZE];
    image_hash(img, hash);
    const bool id = img.build_id.size == sizeof hash &&
                    std::memcmp(img.data + img.build_id.at, hash, sizeof hash) == 0;
    std::printf("contents hash %s, build-id %s\n",
                std::memcmp(hash, p.contents_hash, sizeof hash) == 0 ? "right" : "WRONG",
                id ? "right" : "WRONG");
    return 0;
}
