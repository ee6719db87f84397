// SPDX-FileCopyrightText: 2026 The trivane developers
// SPDX-License-Identifier: MIT
#include "setup/children.h"

#include "setup/failure.h"
#include "setup/layout.h"

#include <errno.h>
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

// dpkg's variables that update-alternatives reads: where the root and dpkg's
// database are. They are passed on only where dpkg runs the trivane package's
// maintainer scripts, and only as a path that root alone can lead anywhere: a
// link of root's that leads into a user's folder once judged (/proc/PID/cwd) is
// none.
const char *const dpkg_variables[] = {"DPKG_ROOT", "DPKG_ADMINDIR"};

// The environment of every child.
void clean_environment(char (&room)[2][PATH_MAX + 16], const char *(&env)[5])
{
    unsigned n = 0;
    env[n++] = "PATH=/usr/sbin:/usr/bin:/sbin:/bin";
    env[n++] = "LC_ALL=C";
    const char *package = getenv("DPKG_MAINTSCRIPT_PACKAGE");
    const bool from_dpkg = package != nullptr && strcmp(package, "trivane") == 0;
    for (unsigned i = 0; from_dpkg && i < 2; ++i) {
        const char *value = getenv(dpkg_variables[i]);
        if (value != nullptr && roots_alone(value)) {
            snprintf(room[i], sizeof room[i], "%s=%s", dpkg_variables[i], value);
            env[n++] = room[i];
        }
    }
    env[n] = nullptr;
}

// Starts a program by its path with its standard output and error on out and err,
// as a shell would start it (no signal blocked or ignored), in a clean
// environment. Its pid, or -1.
pid_t spawn(const char *const argv[], int out, int err)
{
    char room[2][PATH_MAX + 16];
    const char *env[5];
    clean_environment(room, env);
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
        execve(argv[0], const_cast<char *const *>(argv), const_cast<char *const *>(env));
        fprintf(stderr, "cannot run %s: %s\n", argv[0], strerror(errno));
        _exit(127);
    }
    // GCOVR_EXCL_STOP
    running(pid);
    return pid;
}

// The child's status once it ends; -1 where it cannot be waited for.
int wait_for(pid_t pid)
{
    int status = -1;
    if (waitpid(pid, &status, 0) != pid) {
        status = -1;
    }
    running(0);
    return status;
}

} // namespace

void find_installed(installed &in)
{
    char folder[PATH_MAX] = PACKAGED_BINDIR;
    const ssize_t n = readlink("/proc/self/exe", folder, sizeof folder - 1);
    snprintf(in.packaged, sizeof in.packaged, "%s", PACKAGED_TRIVANE);
    if (n > 0) {
        folder[n] = '\0';
        *strrchr(folder, '/') = '\0';
        // A build folder or an install from source has it beside setup.
        snprintf(in.packaged, sizeof in.packaged, "%s/" PACKAGED_FROM_BINDIR, folder);
        struct stat st = {};
        if (!stat_soft(in.packaged, st)) {
            snprintf(in.packaged, sizeof in.packaged, "%s/trivane", folder);
        }
    }
    snprintf(in.detector, sizeof in.detector, "%s/trivane-detect", folder);
    snprintf(in.link, sizeof in.link, "%s/trivane", folder);
    // The folder above setup's is the package's prefix: /usr.
    const int prefix = static_cast<int>(strrchr(folder, '/') - folder);
    snprintf(in.man_link, sizeof in.man_link, "%.*s/" MAN_LINK_FROM_PREFIX, prefix, folder);
    snprintf(in.man_page, sizeof in.man_page, "%.*s/" MAN_PAGE_FROM_PREFIX, prefix, folder);
}

void detect(const installed &in, const char *sys, bool say, text &out)
{
    const char *argv[] = {in.detector, sys != nullptr ? "--sys" : nullptr, sys, nullptr};
    int pipes[2][2];
    pid_t pid = -1;
    if (pipe2(pipes[0], O_CLOEXEC) != 0 || pipe2(pipes[1], O_CLOEXEC) != 0 ||
        (pid = spawn(argv, pipes[0][1], pipes[1][1])) < 0) {
        refuse("cannot run %s: %s.", in.detector, strerror(errno));
    }
    close(pipes[0][1]);
    close(pipes[1][1]);
    // Both pipes at once, so that neither fills while the other is read.
    text said;
    text *into[] = {&out, &said};
    pollfd fds[] = {{pipes[0][0], POLLIN, 0}, {pipes[1][0], POLLIN, 0}};
    while (fds[0].fd >= 0 || fds[1].fd >= 0) {
        if (poll(fds, 2, -1) < 0) {
            refuse("cannot read what %s says: %s.", in.detector, strerror(errno));
        }
        for (int i = 0; i < 2; ++i) {
            char chunk[4096];
            const ssize_t n = fds[i].revents != 0 ? read(fds[i].fd, chunk, sizeof chunk) : 1;
            if (n <= 0) {
                close(fds[i].fd);
                fds[i].fd = -1;
            } else if (fds[i].revents != 0) {
                into[i]->add(chunk, static_cast<size_t>(n));
            }
        }
    }
    if (wait_for(pid) != 0) {
        // Its first line says why.
        char first[SHOWN_MAX];
        snprintf(first, sizeof first, "%.*s", static_cast<int>(strcspn(said.data, "\n")),
                 said.data);
        refuse("trivane-detect could not find the devices: %s",
               first[0] != '\0' ? shown(first).text : "it failed, and said nothing");
    }
    if (say) {
        fputs(said.data, stderr);
    }
}

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

bool alternatives(const char *const (&args)[10])
{
    const char *argv[11] = {alternatives_tool()};
    memcpy(argv + 1, args, sizeof args);
    const int null = open("/dev/null", O_WRONLY | O_CLOEXEC);
    const pid_t pid = spawn(argv, null, 2);
    close(null);
    return pid > 0 && wait_for(pid) == 0;
}
