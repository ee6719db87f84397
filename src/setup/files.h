// SPDX-FileCopyrightText: 2026 The trivane developers
// SPDX-License-Identifier: MIT
// The file engine: every read and write of setup's, by descriptors. files.cpp
// walks paths and reads; writes.cpp writes. A path is walked one name at a
// time from a folder's descriptor (openat with O_PATH | O_NOFOLLOW), and nothing
// found on the way is looked up by its name again, so another user cannot swap a
// folder or a link in between. A link on the way that neither root nor this user
// owns is never followed: its owner could lead root anywhere. A file is judged
// before it is opened: a FIFO would block, a device would act. Writes go into a
// file made beside the target (O_CREAT | O_EXCL | O_NOFOLLOW), whose mode is set
// through its descriptor, made whole on disk and renamed over the target.
#pragma once

#include "setup/text.h"

#include <limits.h>
#include <stddef.h>
#include <string.h>
#include <sys/stat.h>
#include <sys/types.h>
#include <unistd.h>

// A name as a walk found it: the folder that holds it, by descriptor, and what
// the name itself holds (a link is not followed; st_mode 0: nothing).
struct place {
    int dir = -1;
    char name[NAME_MAX + 1] = {};
    struct stat st = {};
    char shown[PATH_MAX + NAME_MAX + 2] = {}; // its path, for messages
    place() = default;
    ~place()
    {
        if (dir >= 0) {
            close(dir);
        }
    }
    place(const place &) = delete;
    place &operator=(const place &) = delete;
    // Never moved to itself.
    place &operator=(place &&other) noexcept
    {
        if (dir >= 0) {
            close(dir);
        }
        dir = other.dir;
        other.dir = -1;
        memcpy(name, other.name, sizeof name);
        st = other.st;
        memcpy(shown, other.shown, sizeof shown);
        return *this;
    }
};

// Why a read failed.
enum class unread {
    none,
    missing,  // the file, or a folder on the way, does not exist
    special,  // not a regular file: see st
    foreign,  // a link on the way belongs to another user
    denied,   // the system said no: see error
    replaced, // another file than the one judged was opened
};
struct read_fault {
    unread why = unread::none;
    int error = 0;
    mode_t kind = 0;
    uid_t owner = 0;
    char at[PATH_MAX + NAME_MAX + 2] = {}; // where the walk stopped
};
// Words for it, after "cannot read FILE: ".
const char *read_words(const read_fault &f, char *buffer, size_t size);
// "a folder", "a pipe (FIFO)", ... for a file that is not regular.
const char *kind_words(mode_t mode);

// Where path leads: the folder of its last name, walked, and that name, not
// followed. Refuses a way that cannot be walked (a missing folder, a link of
// another user's, ...), and a path that names a folder.
void find(const char *path, place &to);
// Walks path from the folder from (AT_FDCWD, or a descriptor; shown_from is its
// path) to the folder of its last name, into to; a link as the last name is
// followed where follow is set. False, with the fault, where the way cannot be
// walked.
bool walk(int from, const char *shown_from, const char *path, bool follow, place &to,
          read_fault &f);

// The whole of the regular file at path, following links; false, with the fault,
// where it cannot be read. A folder, FIFO, device or socket is never opened.
bool read_file(const char *path, text &t, read_fault &f);
// The same for the file a walk found, following a final link.
bool read_at(const place &p, text &t, read_fault &f);
// folder/name, as a path to show.
void join(char *out, size_t size, const char *folder, const char *name);
// The folder of a place, as shown.
void folder_of(const place &p, char (&folder)[sizeof p.shown]);
// What p's name holds now (a link not followed), into p.st.
void restat(place &p);
// Whether two stats are of one file.
bool same_file(const struct stat &a, const struct stat &b);
// Whether path is a folder that root alone can lead to: an absolute path of
// folders, none a link, each owned by root and writable by no one else. Such a
// path leads where it led when judged, whoever opens it later.
bool roots_alone(const char *path);
// The stat of the file at path, following links as reads do; false where none.
bool stat_soft(const char *path, struct stat &st);

// Refuses a target that is a folder or a special file, as install and cp do. A
// link is replaced by the rename, never followed.
void check_target(const place &to, const char *given);
// Writes data beside the target, as NAME.trivane-setup, made whole on disk with
// mode: a step to take back should setup stop. A temporary file that exists is
// never taken over (two setups at once, or one killed, leave it to the user)
// unless setup owns the folder alone: then it is its own, left by a crash.
int stage(const place &to, const char *given, const unsigned char *data, size_t size, mode_t mode,
          bool own_folder = false);
// Renames the staged file over the target, so the target is whole or as it was;
// with keep, what was there is kept as a backup (a hard link) that a stop puts
// back: the step to settle once the change stands, then forget_backup.
int commit(int staged, const place &to, const char *given, bool keep = false);
// Removes the backup of a target committed with keep.
void forget_backup(const place &to);
// The file at to, removed.
void remove_at(const place &to, const char *given);
// Writes data over the file it was read from: fd open for writing.
void write_all(int fd, const unsigned char *data, size_t size, const char *given);

// A folder of root's, for --system: made 0755 where missing (make), then judged:
// a folder that root owns and that neither group nor others can write. Anything
// else is refused, with the command that mends it. Its descriptor, open for
// reading, or -1 where it is missing and not to be made.
int root_folder(const char *path, bool make);
// Makes the folder name in dir (whose path is folder) as mkdir does (the umask
// applies): a step to take back should setup stop; false where it exists.
bool make_folder(int dir, const char *name, const char *folder);
