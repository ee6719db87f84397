// SPDX-FileCopyrightText: 2026 The trivane developers
// SPDX-License-Identifier: MIT
// The bytes of a file, or what a child says, with a zero after their end.
#pragma once

#include "setup/failure.h"

#include <stdlib.h>
#include <string.h>

// Files setup reads: a trivane is some 30 KB; a saved configuration a few.
constexpr size_t MAX_FILE = size_t{8} << 20;

struct text {
    char *data = nullptr;
    size_t size = 0;
    text() { add("", 0); }
    ~text() { free(data); }
    text(const text &) = delete;
    text &operator=(const text &) = delete;
    void add(const char *bytes, size_t n)
    {
        if (size + n > MAX_FILE) {
            refuse("the text read is far too large (over %zu bytes).", MAX_FILE);
        }
        auto *grown = static_cast<char *>(realloc(data, size + n + 1));
        // GCOVR_EXCL_START: only where memory fails
        if (grown == nullptr) {
            refuse("no memory for %zu bytes.", size + n);
        }
        // GCOVR_EXCL_STOP
        memcpy(grown + size, bytes, n);
        data = grown;
        size += n;
        data[size] = '\0';
    }
};
