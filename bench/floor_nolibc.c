// SPDX-FileCopyrightText: 2026 The trivane developers
// SPDX-License-Identifier: MIT
/* The floor without any C library: the same opens, reads, closes and one write as
 * floor.c, made with raw system calls from _start. No program that links a C
 * library can start for less; it exists only to measure against.
 * Build: gcc -O2 -static -nostdlib -fno-stack-protector floor_nolibc.c */
#include "floor_files.h"

#include <fcntl.h>
#include <sys/syscall.h>

static long sys3(long n, long a, long b, long c)
{
    long ret;
    __asm__ volatile("syscall"
                     : "=a"(ret)
                     : "a"(n), "D"(a), "S"(b), "d"(c)
                     : "rcx", "r11", "memory");
    return ret;
}

void _start(void)
{
    static char out[512];
    long used = 0;
    for (unsigned i = 0; i < FLOOR_FILES; ++i) {
        long fd = sys3(SYS_open, (long)floor_files[i], O_RDONLY, 0);
        if (fd < 0)
            continue;
        long got = sys3(SYS_read, fd, (long)(out + used), 64);
        if (got > 0)
            used += got;
        sys3(SYS_close, fd, 0, 0);
    }
    long wrote = sys3(SYS_write, 1, (long)out, used);
    sys3(SYS_exit_group, wrote == used ? 0 : 1, 0, 0);
    for (;;) {
    }
}
