// SPDX-FileCopyrightText: 2026 The trivane developers
// SPDX-License-Identifier: MIT
// trivane-setup's reading of a binary, fed any bytes: every offset it takes from
// the file must be checked against the file's size before it is used.
#include "setup/image.h"

#include <stddef.h>
#include <stdint.h>
#include <string.h>

#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    std::vector<unsigned char> bytes(data, data + size);
    image img;
    if (image_read(img, bytes.data(), bytes.size()) == nullptr) {
        unsigned char hash[CONTENTS_HASH_SIZE];
        image_hash(img, hash);
        device_paths p;
        image_paths(img, p);
        image_set_paths(img, p);
        image_stamp(img);
    }
    return 0;
}
