// SPDX-FileCopyrightText: 2026 The trivane developers
// SPDX-License-Identifier: MIT
#include "setup/files.h"

#include "setup/failure.h"

#include <errno.h>
#include <fcntl.h>
#include <stdio.h>
#include <string.h>
#include <unistd.h>

namespace {

// The system's words for an error; a path too long in words of its own, the
// same with every C library.
const char *long_or(int error)
{
    return error == ENAMETOOLONG ? "the path is too long" : strerror(error);
}

// How many links a walk follows, as the kernel does.
constexpr int MAX_LINKS = 40;

// The folder above a shown path (each has a slash); above the root is the root.
void up(char *path)
{
    char *slash = strrchr(path, '/');
    slash[slash == path] = '\0';
}

// The place of name in the folder dir (which it takes), at shown.
void settle_place(place &to, int dir, const char *name, const struct stat &st, const char *shown)
{
    to = place();
    to.dir = dir;
    snprintf(to.name, sizeof to.name, "%s", name);
    to.st = st;
    join(to.shown, sizeof to.shown, shown, name);
}

} // namespace

bool walk(int from, const char *shown_from, const char *path, bool follow, place &to, read_fault &f)
{
    f = {};
    if (strlen(path) >= PATH_MAX) {
        f.why = unread::denied, f.error = ENAMETOOLONG;
        snprintf(f.at, sizeof f.at, "%.40s...", path);
        return false;
    }
    char rest[PATH_MAX * 2];
    char shown[sizeof to.shown];
    snprintf(rest, sizeof rest, "%s", path);
    snprintf(shown, sizeof shown, "%s", path[0] == '/' ? "/" : shown_from);
    int cur = path[0] == '/'     ? open("/", O_PATH | O_DIRECTORY | O_CLOEXEC)
              : from == AT_FDCWD ? open(".", O_PATH | O_DIRECTORY | O_CLOEXEC)
                                 : fcntl(from, F_DUPFD_CLOEXEC, 0);
    int links = 0;
    const char *r = rest;
    for (;;) {
        if (cur < 0) {
            f.why = unread::denied, f.error = errno;
            snprintf(f.at, sizeof f.at, "%s", shown);
            return false;
        }
        while (*r == '/') {
            ++r;
        }
        const size_t len = strcspn(r, "/");
        char part[sizeof rest]; // a name too long for the system is its to refuse
        snprintf(part, sizeof part, "%.*s", static_cast<int>(len), r);
        r += len;
        while (*r == '/') {
            ++r;
        }
        const bool last = *r == '\0';
        if (len == 0 || strcmp(part, ".") == 0 || strcmp(part, "..") == 0) {
            if (strcmp(part, "..") == 0) {
                const int above = openat(cur, "..", O_PATH | O_DIRECTORY | O_CLOEXEC);
                close(cur);
                cur = above;
                up(shown);
            }
            if (!last) {
                continue;
            }
            // The path ends in a folder: the place is that folder itself.
            snprintf(part, sizeof part, ".");
        }
        int fd = openat(cur, part, O_PATH | O_NOFOLLOW | O_CLOEXEC);
        struct stat st = {};
        if (fd >= 0 && fstat(fd, &st) != 0) {
            const int error = errno;
            close(fd);
            fd = -1;
            errno = error;
        }
        if (fd < 0) {
            const int error = errno;
            if (last && error == ENOENT) {
                settle_place(to, cur, part, st, shown);
                return true;
            }
            f.why = error == ENOENT ? unread::missing : unread::denied, f.error = error;
            join(f.at, sizeof f.at, shown, part);
            close(cur);
            return false;
        }
        const bool link = S_ISLNK(st.st_mode);
        if (last && (!link || !follow)) {
            close(fd);
            settle_place(to, cur, part, st, shown);
            return true;
        }
        char next[sizeof shown];
        join(next, sizeof next, shown, part);
        if (S_ISDIR(st.st_mode)) {
            close(cur);
            cur = fd;
            memcpy(shown, next, sizeof shown);
            continue;
        }
        memcpy(f.at, next, sizeof next);
        char target[PATH_MAX];
        ssize_t n = 0;
        if (!link) {
            f.why = unread::denied, f.error = ENOTDIR;
        } else if (st.st_uid != 0 && st.st_uid != geteuid()) {
            f.why = unread::foreign, f.owner = st.st_uid;
        } else if (++links > MAX_LINKS) {
            f.why = unread::denied, f.error = ELOOP, f.kind = S_IFLNK;
        } else if ((n = readlinkat(fd, "", target, sizeof target - 1)) < 0) {
            f.why = unread::denied, f.error = errno, f.kind = S_IFLNK;
        }
        close(fd);
        if (f.why != unread::none) {
            close(cur);
            return false;
        }
        target[n] = '\0';
        // What a link of /proc/PID/fd leads to where it is a pipe (/dev/stdin).
        if (strncmp(target, "pipe:[", 6) == 0) {
            f.why = unread::special, f.kind = S_IFIFO;
        }
        char joined[sizeof rest];
        if (f.why != unread::none || snprintf(joined, sizeof joined, "%s/%s", target, r) >=
                                         static_cast<int>(sizeof joined)) {
            f.why = f.why != unread::none ? f.why : unread::denied, f.error = ENAMETOOLONG;
            f.kind = f.why == unread::denied ? S_IFLNK : f.kind;
            close(cur);
            return false;
        }
        memcpy(rest, joined, sizeof rest);
        r = rest;
        if (target[0] == '/') {
            close(cur);
            cur = open("/", O_PATH | O_DIRECTORY | O_CLOEXEC);
            snprintf(shown, sizeof shown, "/");
        }
    }
}

namespace {

// Opens the regular file at p for reading (and writing, where flags say so),
// having judged it: nothing but a regular file is opened, and the file opened
// must be the one judged. -1, with the fault, where it cannot be.
int open_judged(const place &p, int flags, read_fault &f)
{
    f = {};
    if (p.st.st_mode == 0) {
        f.why = unread::missing, f.error = ENOENT;
        return -1;
    }
    if (!S_ISREG(p.st.st_mode)) {
        f.why = unread::special, f.kind = p.st.st_mode;
        return -1;
    }
    const int fd = openat(p.dir, p.name, flags | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    struct stat st = {};
    if (fd >= 0) {
        fstat(fd, &st);
    }
    if (!same_file(st, p.st)) {
        f.why = fd < 0 ? unread::denied : unread::replaced, f.error = errno;
        if (fd >= 0) {
            close(fd);
        }
        return -1;
    }
    return fd;
}

} // namespace

const char *kind_words(mode_t mode)
{
    const char *kinds[16] = {};
    kinds[S_IFDIR >> 12] = "a folder";
    kinds[S_IFCHR >> 12] = "a character device";
    kinds[S_IFBLK >> 12] = "a block device";
    kinds[S_IFIFO >> 12] = "a pipe (FIFO)";
    kinds[S_IFSOCK >> 12] = "a socket";
    kinds[S_IFLNK >> 12] = "a link";
    const char *kind = kinds[(mode & S_IFMT) >> 12];
    return kind != nullptr ? kind : "a file";
}

const char *read_words(const read_fault &f, char *buffer, size_t size)
{
    switch (f.why) {
    case unread::special:
        snprintf(buffer, size, "it is %s, not a regular file", kind_words(f.kind));
        break;
    case unread::foreign:
        snprintf(buffer, size, "%s is a link that another user (uid %u) owns", shown(f.at).text,
                 static_cast<unsigned>(f.owner));
        break;
    case unread::replaced:
        snprintf(buffer, size, "it was replaced while it was read");
        break;
    default:
        snprintf(buffer, size, "%s", long_or(f.error));
        break;
    }
    return buffer;
}

void folder_of(const place &p, char (&folder)[sizeof p.shown])
{
    snprintf(folder, sizeof folder, "%s", p.shown);
    up(folder);
}

void join(char *out, size_t size, const char *folder, const char *name)
{
    const size_t len = strlen(folder);
    // Every shown path has at least a slash or a dot.
    if (snprintf(out, size, "%s%s%s", folder, folder[len - 1] == '/' ? "" : "/", name) >=
        static_cast<int>(size)) {
        snprintf(out, size, ".../%.*s", NAME_MAX, name); // no path shown rather than a wrong one
    }
}

bool same_file(const struct stat &a, const struct stat &b)
{
    return a.st_dev == b.st_dev && a.st_ino == b.st_ino;
}

bool read_at(const place &p, text &t, read_fault &f)
{
    // A final link is followed; anything else is read as it was judged.
    char folder[sizeof p.shown];
    folder_of(p, folder);
    place q;
    if (S_ISLNK(p.st.st_mode) && !walk(p.dir, folder, p.name, true, q, f)) {
        return false;
    }
    const int fd = open_judged(S_ISLNK(p.st.st_mode) ? q : p, O_RDONLY, f);
    if (fd < 0) {
        return false;
    }
    ssize_t n = 1;
    while (n > 0) {
        char chunk[65536];
        n = read(fd, chunk, sizeof chunk);
        t.add(chunk, n > 0 ? static_cast<size_t>(n) : 0);
    }
    if (n < 0) {
        f.why = unread::denied, f.error = errno;
    }
    close(fd);
    return f.why == unread::none;
}

bool read_file(const char *path, text &t, read_fault &f)
{
    place p;
    return walk(AT_FDCWD, ".", path, false, p, f) && read_at(p, t, f);
}

bool roots_alone(const char *path)
{
    int cur = path[0] == '/' ? open("/", O_PATH | O_DIRECTORY | O_CLOEXEC) : -1;
    struct stat st = {};
    bool alone = cur >= 0 && strlen(path) < PATH_MAX;
    for (const char *r = path + 1; alone && *r != '\0'; r += strspn(r, "/")) {
        char part[PATH_MAX];
        const size_t len = strcspn(r, "/");
        snprintf(part, sizeof part, "%.*s", static_cast<int>(len), r);
        r += len;
        const int next = openat(cur, part, O_PATH | O_NOFOLLOW | O_CLOEXEC);
        close(cur);
        cur = next;
        alone = fstat(cur, &st) == 0 && S_ISDIR(st.st_mode) && st.st_uid == 0 &&
                (st.st_mode & 022) == 0;
    }
    close(cur);
    return alone;
}

bool stat_soft(const char *path, struct stat &st)
{
    place p;
    read_fault f;
    if (!walk(AT_FDCWD, ".", path, true, p, f) || p.st.st_mode == 0) {
        return false;
    }
    st = p.st;
    return true;
}
