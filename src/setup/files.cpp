// SPDX-FileCopyrightText: 2026 The trivane developers
// SPDX-License-Identifier: MIT
#include "setup/files.h"

#include "setup/failure.h"

#include <errno.h>
#include <fcntl.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/stat.h>
#include <unistd.h>

// The texts setup reads live as long as the process, which is short: they are
// kept here, where a leak checker sees them as the program's own.
char *kept[64];
size_t kept_count = 0;

void append(text &t, const char *bytes, size_t n)
{
    if (t.size + n > MAX_FILE) {
        refuse("the text read is far too large (over %zu bytes).", MAX_FILE);
    }
    auto *grown = static_cast<char *>(realloc(t.data, t.size + n + 1));
    // GCOVR_EXCL_START: only where memory fails
    if (grown == nullptr) {
        refuse("no memory for %zu bytes.", t.size + n);
    }
    // GCOVR_EXCL_STOP
    for (char *&k : kept) {
        if (t.data != nullptr && k == t.data) {
            k = grown;
        }
    }
    if (t.data == nullptr) {
        kept[kept_count++ % 64] = grown;
    }
    memcpy(grown + t.size, bytes, n);
    t.data = grown;
    t.size += n;
    t.data[t.size] = '\0';
}

// The whole of a regular file; false, with errno set, where it cannot be read
// (EINVAL: it is not a regular file).
bool read_file(const char *path, text &t)
{
    t = {};
    append(t, "", 0);
    const int fd = open(path, O_RDONLY | O_CLOEXEC);
    struct stat st = {};
    if (fd < 0 || fstat(fd, &st) != 0) {
        return false;
    }
    errno = EINVAL;
    ssize_t n = S_ISREG(st.st_mode) ? 1 : -1;
    while (n > 0) {
        char chunk[65536];
        n = read(fd, chunk, sizeof chunk);
        append(t, chunk, n > 0 ? static_cast<size_t>(n) : 0);
    }
    const int error = errno;
    close(fd);
    errno = error;
    return n == 0;
}

const char *why_unread(int error)
{
    return error == EINVAL ? "it is not a regular file" : strerror(error);
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

// Opens the folder of path after following it as the kernel would, link by link:
// a link on the way that neither root nor this user owns is refused, since the
// one who owns it could lead the write anywhere (as root, into /etc/sudoers.d).
target open_target(const char *path)
{
    target t = {{}, {}, {}, {}, -1};
    snprintf(t.path, sizeof t.path, "%s", path);
    const char *slash = strrchr(path, '/');
    const char *name = slash != nullptr ? slash + 1 : path;
    if (*name == '\0' || strcmp(name, ".") == 0 || strcmp(name, "..") == 0) {
        refuse("%s names a folder: give the path of the file to write.", path);
    }
    if (strlen(name) > NAME_MAX || strlen(path) >= PATH_MAX) {
        refuse("the path given is too long: a path may take %d bytes, a name %d.", PATH_MAX - 1,
               NAME_MAX);
    }
    snprintf(t.name, sizeof t.name, "%s", name);
    char rest[PATH_MAX * 2];
    snprintf(rest, sizeof rest, "%.*s",
             static_cast<int>(slash == nullptr ? 0 : slash - path + (slash == path)), path);
    t.folder[0] = '/';
    if (path[0] != '/' && getcwd(t.folder, sizeof t.folder) == nullptr) {
        refuse("cannot tell the current folder: %s.", strerror(errno));
    }
    unsigned links = 0;
    for (char *r = rest; *r != '\0';) {
        const size_t len = strcspn(r, "/");
        char part[PATH_MAX];
        snprintf(part, sizeof part, "%.*s", static_cast<int>(len), r);
        r += len + (r[len] == '/');
        if (strcmp(part, "..") == 0) {
            // The folder above; above the root is the root.
            char *up = strrchr(t.folder, '/');
            up[up == t.folder] = '\0';
        }
        if (len == 0 || strcmp(part, ".") == 0 || strcmp(part, "..") == 0) {
            continue;
        }
        char next[PATH_MAX * 2];
        snprintf(next, sizeof next, "%s%s%s", t.folder, strcmp(t.folder, "/") == 0 ? "" : "/",
                 part);
        struct stat st = {};
        if (lstat(next, &st) != 0) {
            refuse("the folder %s does not exist: make it first, or give another path.", next);
        }
        if (S_ISDIR(st.st_mode)) {
            memcpy(t.folder, next, sizeof t.folder);
            continue;
        }
        if (!S_ISLNK(st.st_mode)) {
            refuse("%s is not a folder.", next);
        }
        if (st.st_uid != 0 && st.st_uid != geteuid()) {
            refuse("%s is a link that another user (uid %u) owns: trivane-setup follows no such "
                   "link. Give the real path with -o.",
                   next, static_cast<unsigned>(st.st_uid));
        }
        char link[PATH_MAX];
        const ssize_t n = readlink(next, link, sizeof link - 1);
        if (n < 0 || ++links > 40) {
            refuse("cannot follow the link %s: %s.", next,
                   n < 0 ? strerror(errno) : "too many links");
        }
        link[n] = '\0';
        char joined[PATH_MAX * 2];
        snprintf(joined, sizeof joined, "%s/%s", link, r);
        memcpy(rest, joined, sizeof rest);
        r = rest;
        if (link[0] == '/') {
            snprintf(t.folder, sizeof t.folder, "/");
        }
    }
    snprintf(t.full, sizeof t.full, "%s%s%s", t.folder, strcmp(t.folder, "/") == 0 ? "" : "/",
             t.name);
    t.dir = open(t.folder, O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (t.dir < 0) {
        refuse("cannot open the folder of %s: %s.", path, strerror(errno));
    }
    return t;
}

// Refuses a target that is a folder or a special file, as install and cp do. A
// link is replaced by the rename, never followed.
void check_target(const target &t)
{
    struct stat st = {};
    if (fstatat(t.dir, t.name, &st, AT_SYMLINK_NOFOLLOW) != 0 || S_ISREG(st.st_mode) ||
        S_ISLNK(st.st_mode)) {
        return;
    }
    const char *kinds[16] = {};
    kinds[S_IFDIR >> 12] = "a folder";
    kinds[S_IFCHR >> 12] = "a character device";
    kinds[S_IFBLK >> 12] = "a block device";
    kinds[S_IFIFO >> 12] = "a pipe (FIFO)";
    kinds[S_IFSOCK >> 12] = "a socket";
    refuse("%s is %s: trivane-setup writes a regular file only. Give another path.", t.path,
           kinds[(st.st_mode & S_IFMT) >> 12]);
}

// Writes data into a temporary file beside the target, NAME.trivane-setup (slot i
// of the pending work), made whole on disk, with mode; commit renames it over the
// target, so the target is whole or as it was. A temporary file that exists is
// never taken over: two setups at once, or one killed, leave it to the user.
void stage(int i, const target &t, const unsigned char *data, size_t size, mode_t mode)
{
    check_target(t);
    snprintf(pending.temp[i], sizeof pending.temp[i], "%.*s.trivane-setup", NAME_MAX - 14, t.name);
    pending.dir[i] = t.dir;
    const int fd =
        openat(t.dir, pending.temp[i], O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOFOLLOW, 0600);
    if (fd < 0) {
        const int error = errno;
        char temp[NAME_MAX + 1];
        memcpy(temp, pending.temp[i], sizeof temp);
        pending.temp[i][0] = '\0';
        refuse("cannot write beside %s, as %s: %s.", t.path, temp, strerror(error));
    }
    write_all(fd, data, size, t.path);
    if (fchmod(fd, mode) != 0 || fsync(fd) != 0 || close(fd) != 0) {
        refuse("cannot write %s: %s.", t.path, strerror(errno));
    }
}

void commit(int i, const target &t)
{
    if (renameat(t.dir, pending.temp[i], t.dir, t.name) != 0) {
        refuse("cannot write %s: %s.", t.path, strerror(errno));
    }
    pending.temp[i][0] = '\0';
}

// Whether path holds these bytes.
bool holds_bytes(const char *path, const unsigned char *data, size_t size)
{
    text t;
    const bool same = read_file(path, t) && t.size == size && memcmp(t.data, data, size) == 0;
    free(t.data);
    return same;
}

// The real path of a file, or nothing where it does not exist.
void real_path(const char *path, char (&real)[PATH_MAX])
{
    if (realpath(path, real) == nullptr) {
        real[0] = '\0';
    }
}
