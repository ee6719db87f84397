// SPDX-FileCopyrightText: 2026 The trivane developers
// SPDX-License-Identifier: MIT
// Every write of setup's, by descriptors into the folders the walk found: as
// install writes a file, beside the target and renamed over it, and never
// through a link. The one file a reviewer of what root writes reads (with the
// walk of files.cpp, which finds the places).
#include "setup/files.h"

#include "setup/failure.h"

#include <errno.h>
#include <fcntl.h>
#include <stdio.h>
#include <string.h>
#include <unistd.h>

void find(const char *path, place &to)
{
    const char *slash = strrchr(path, '/');
    const char *name = slash != nullptr ? slash + 1 : path;
    if (*name == '\0' || strcmp(name, ".") == 0 || strcmp(name, "..") == 0) {
        refuse("%s names a folder: give the path of the file to write.", shown(path).text);
    }
    if (strlen(name) > NAME_MAX || strlen(path) >= PATH_MAX) {
        refuse("the path given is too long: a path may take %d bytes, a name %d.", PATH_MAX - 1,
               NAME_MAX);
    }
    char here[PATH_MAX] = ".";
    if (path[0] != '/' && getcwd(here, sizeof here) == nullptr) {
        refuse("cannot tell the current folder: %s.", strerror(errno));
    }
    read_fault f;
    if (walk(AT_FDCWD, here, path, false, to, f)) {
        return;
    }
    const shown at(f.at);
    if (f.why == unread::missing) {
        refuse("the folder %s does not exist: make it first, or give another path.", at.text);
    }
    if (f.why == unread::foreign) {
        refuse("%s is a link that another user (uid %u) owns: trivane-setup follows no such link. "
               "Give the real path with -o.",
               at.text, static_cast<unsigned>(f.owner));
    }
    if (f.error == ENOTDIR) {
        refuse("%s is not a folder.", at.text);
    }
    char words[PATH_MAX * 2];
    refuse("cannot %s %s: %s.", f.kind == S_IFLNK ? "follow the link" : "reach", at.text,
           f.error == ELOOP ? "too many links" : read_words(f, words, sizeof words));
}

void restat(place &p)
{
    p.st = {};
    fstatat(p.dir, p.name, &p.st, AT_SYMLINK_NOFOLLOW);
}

void check_target(const place &to, const char *given)
{
    if (to.st.st_mode != 0 && !S_ISREG(to.st.st_mode) && !S_ISLNK(to.st.st_mode)) {
        refuse("%s is %s: trivane-setup writes a regular file only. Give another path.",
               shown(given).text, kind_words(to.st.st_mode));
    }
}

namespace {

// The names beside a target: the file staged, and the backup of what it replaces.
void temp_name(const place &to, char (&name)[NAME_MAX + 1])
{
    snprintf(name, sizeof name, "%.*s.trivane-setup", NAME_MAX - 14, to.name);
}
void backup_name(const place &to, char (&name)[NAME_MAX + 1])
{
    snprintf(name, sizeof name, "%.*s.trivane-setup-old", NAME_MAX - 18, to.name);
}

} // namespace

void write_all(int fd, const unsigned char *data, size_t size, const char *given)
{
    while (size > 0) {
        const ssize_t n = write(fd, data, size);
        if (n < 0) {
            refuse("cannot write %s: %s.", shown(given).text, strerror(errno));
        }
        data += n, size -= static_cast<size_t>(n);
    }
}

int stage(const place &to, const char *given, const unsigned char *data, size_t size, mode_t mode,
          bool own_folder)
{
    check_target(to, given);
    char temp[NAME_MAX + 1];
    temp_name(to, temp);
    if (own_folder) {
        unlinkat(to.dir, temp, 0);
    }
    const int fd = openat(to.dir, temp, O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
    if (fd < 0) {
        const int error = errno;
        refuse("cannot write beside %s, as %s: %s%s.", shown(given).text, shown(temp).text,
               strerror(error),
               error == EEXIST ? ": another trivane-setup is at work, or one was stopped before "
                                 "it could clean up: remove that file once none is at work"
                               : "");
    }
    const int step = begun(undo::remove_file, to.dir, temp);
    write_all(fd, data, size, given);
    if (fchmod(fd, mode) != 0 || fsync(fd) != 0 || close(fd) != 0) {
        refuse("cannot write %s: %s.", shown(given).text, strerror(errno));
    }
    return step;
}

int commit(int staged, const place &to, const char *given, bool keep)
{
    char temp[NAME_MAX + 1];
    char backup[NAME_MAX + 1];
    temp_name(to, temp);
    backup_name(to, backup);
    const bool kept = keep && to.st.st_mode != 0;
    if (kept) {
        unlinkat(to.dir, backup, 0);
        if (linkat(to.dir, to.name, to.dir, backup, 0) != 0) {
            refuse("cannot keep the old %s: %s.", shown(given).text, strerror(errno));
        }
    }
    if (renameat(to.dir, temp, to.dir, to.name) != 0) {
        refuse("cannot write %s: %s.", shown(given).text, strerror(errno));
    }
    settle(staged);
    return keep ? begun(kept ? undo::put_back : undo::remove_file, to.dir, to.name, backup) : -1;
}

void forget_backup(const place &to)
{
    char backup[NAME_MAX + 1];
    backup_name(to, backup);
    unlinkat(to.dir, backup, 0);
}

void remove_at(const place &to, const char *given)
{
    if (unlinkat(to.dir, to.name, 0) != 0) {
        refuse("cannot remove %s: %s.", shown(given).text, strerror(errno));
    }
}

int root_folder(const char *path, bool make)
{
    place p;
    read_fault f;
    char words[PATH_MAX + 128];
    if (!walk(AT_FDCWD, "/", path, false, p, f)) {
        refuse("cannot reach the folder %s: %s.", path, read_words(f, words, sizeof words));
    }
    if (p.st.st_mode == 0 && !make) {
        return -1;
    }
    if (p.st.st_mode == 0) {
        // 0755 whatever the caller's umask: every user's trivane is read from it.
        const mode_t mask = umask(022);
        const int made = mkdirat(p.dir, p.name, 0755);
        umask(mask);
        if (made != 0) {
            refuse("cannot make the folder %s: %s.", path, strerror(errno));
        }
        begun(undo::remove_folder, p.dir, p.name);
        p.st.st_mode = S_IFDIR;
    }
    // Opened as a folder, never through a link, and judged as it was opened.
    const int fd = openat(p.dir, p.name, O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    struct stat st = p.st;
    if (fd >= 0) {
        fstat(fd, &st);
    } else if (S_ISDIR(st.st_mode)) {
        refuse("cannot open the folder %s: %s.", path, strerror(errno));
    }
    const char *wrong = !S_ISDIR(st.st_mode)      ? kind_words(st.st_mode)
                        : st.st_uid != 0          ? "a folder that another user owns"
                        : (st.st_mode & 022) != 0 ? "a folder that others than root can write"
                                                  : nullptr;
    if (wrong != nullptr) {
        char mend[PATH_MAX * 2 + 64];
        if (S_ISDIR(st.st_mode)) {
            snprintf(mend, sizeof mend,
                     "check what it holds, then: chown root:root %s && chmod 755 %s", path, path);
        } else {
            snprintf(mend, sizeof mend, "move it away: mv %s %s.moved", path, path);
        }
        refuse("%s is %s (uid %u, mode %o), where only root may write: nothing is written there. "
               "To mend it, %s.",
               path, wrong, static_cast<unsigned>(st.st_uid),
               static_cast<unsigned>(st.st_mode & 07777), mend);
    }
    return fd;
}

bool make_folder(int dir, const char *name, const char *folder)
{
    if (mkdirat(dir, name, 0777) != 0) {
        if (errno == EEXIST) {
            return false;
        }
        const int error = errno;
        char path[PATH_MAX + NAME_MAX + 2];
        join(path, sizeof path, folder, name);
        refuse("cannot make the folder %s: %s.", shown(path).text, strerror(error));
    }
    begun(undo::remove_folder, dir, name);
    return true;
}
