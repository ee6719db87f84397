// SPDX-FileCopyrightText: 2026 The trivane developers
// SPDX-License-Identifier: MIT
#include "setup/children.h"

#include "setup/failure.h"
#include "setup/files.h"

#include <errno.h>
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <stdio.h>
#include <string.h>
#include <sys/wait.h>
#include <unistd.h>

// The folder of this program, where the package puts trivane-detect, and the
// link to the trivane users run.
void own_folder(char (&dir)[PATH_MAX])
{
    const ssize_t n = readlink("/proc/self/exe", dir, sizeof dir - 1);
    if (n <= 0) {
        refuse("cannot tell where it is installed (/proc/self/exe): give --from FILE.");
    }
    dir[n] = '\0';
    *strrchr(dir, '/') = '\0';
}

// Starts a program with its standard output and error on out and err, as a shell
// would start it: no signal blocked or ignored. Its pid, or -1.
pid_t spawn(const char *const argv[], int out, int err)
{
    const pid_t pid = fork();
    // gcov counts nothing of a process that ends by exec or _exit.
    // GCOVR_EXCL_START
    if (pid == 0) {
        sigset_t none;
        sigemptyset(&none);
        sigprocmask(SIG_SETMASK, &none, nullptr);
        signal(SIGXFSZ, SIG_DFL);
        dup2(out, 1);
        dup2(err, 2);
        execv(argv[0], const_cast<char *const *>(argv));
        fprintf(stderr, "cannot run %s: %s\n", argv[0], strerror(errno));
        _exit(127);
    }
    // GCOVR_EXCL_STOP
    pending.child = pid;
    return pid;
}

// Runs trivane-detect and returns the devices file it prints. What it says of its
// choices goes to standard error where say is set; where it fails, its own reason
// is the refusal's.
devices detect(const char *folder, const char *sys, bool say)
{
    char detector[PATH_MAX + 32];
    snprintf(detector, sizeof detector, "%s/trivane-detect", folder);
    const char *argv[] = {detector, sys != nullptr ? "--sys" : nullptr, sys, nullptr};
    int out[2];
    int err[2];
    if (pipe2(out, O_CLOEXEC) != 0 || pipe2(err, O_CLOEXEC) != 0 ||
        spawn(argv, out[1], err[1]) < 0) {
        refuse("cannot run %s: %s.", detector, strerror(errno));
    }
    close(out[1]);
    close(err[1]);
    // Both pipes at once, so that neither fills while the other is read.
    text said[2];
    pollfd fds[] = {{out[0], POLLIN, 0}, {err[0], POLLIN, 0}};
    for (int i = 0; i < 2; ++i) {
        append(said[i], "", 0);
    }
    while (fds[0].fd >= 0 || fds[1].fd >= 0) {
        if (poll(fds, 2, -1) < 0) {
            refuse("cannot read what %s says: %s.", detector, strerror(errno));
        }
        for (int i = 0; i < 2; ++i) {
            char chunk[4096];
            const ssize_t n = fds[i].revents != 0 ? read(fds[i].fd, chunk, sizeof chunk) : 1;
            if (n <= 0) {
                close(fds[i].fd);
                fds[i].fd = -1;
            } else if (fds[i].revents != 0) {
                append(said[i], chunk, static_cast<size_t>(n));
            }
        }
    }
    int status = 0;
    waitpid(pending.child, &status, 0);
    pending.child = 0;
    if (status != 0) {
        // Its first line says why.
        const int line = static_cast<int>(strcspn(said[1].data, "\n"));
        refuse("trivane-detect could not find the devices: %.*s%s", line, said[1].data,
               line > 0 ? "" : "it failed, and said nothing");
    }
    if (say) {
        fputs(said[1].data, stderr);
    }
    return parse_devices(said[0].data, "what trivane-detect printed");
}

// Debian's update-alternatives, or that of RPM systems: both take --install LINK
// NAME PATH PRIORITY and --remove NAME PATH. Where neither is, the first, which
// cannot run.
const char *alternatives_tool()
{
    const char *const tools[] = {"/usr/bin/update-alternatives", "/usr/sbin/update-alternatives"};
    for (const char *tool : tools) {
        if (access(tool, X_OK) == 0) {
            return tool;
        }
    }
    return tools[0];
}

// Runs the alternatives tool with standard output quiet: whether it succeeded.
bool alternatives(const char *tool, const char *a, const char *b, const char *c, const char *d,
                  const char *e)
{
    const char *argv[] = {tool, a, b, c, d, e, nullptr};
    const int null = open("/dev/null", O_WRONLY | O_CLOEXEC);
    int status = 1;
    if (spawn(argv, null, 2) < 0 || waitpid(pending.child, &status, 0) < 0) {
        status = 1;
    }
    pending.child = 0;
    close(null);
    return status == 0;
}
