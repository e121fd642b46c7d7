// SPDX-License-Identifier: GPL-3.0-or-later
/* Times any renamer from the outside, start-up included: the clock starts
 * before the program is started, and the folder is watched (inotify) for
 * files that get a name of the form YYYY-MM-DD__... (moved or created there).
 *
 *   velmora_until_named [--cold] [--kill] DIR COUNT -- PROGRAM ARGS...
 *
 * --cold  every file of DIR is dropped from the page cache first
 *         (posix_fadvise DONTNEED): the photos are cold, the program is not.
 * --kill  the program stays up when done (a window): ended once COUNT files
 *         have their names. Otherwise its exit is waited for too.
 * Prints "first_ms=... last_ms=... exit_ms=... named=N"; the time of the
 * first and of the COUNT-th name, from the start. Exits 1 when fewer than
 * COUNT names came within 120 s. */
#define _GNU_SOURCE
#include <dirent.h>
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/inotify.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

static double nowMs(void)
{
    struct timespec t;
    clock_gettime(CLOCK_MONOTONIC, &t);
    return t.tv_sec * 1e3 + t.tv_nsec / 1e6;
}

static int dated(const char* n)
{
    for (int i = 0; i < 10; ++i)
        if (i == 4 || i == 7 ? n[i] != '-' : (n[i] < '0' || n[i] > '9'))
            return 0;
    return n[10] == '_' && n[11] == '_';
}

static void dropFromCache(const char* dir)
{
    DIR* d = opendir(dir);
    if (!d)
        return;
    for (struct dirent* e; (e = readdir(d));) {
        int fd = openat(dirfd(d), e->d_name, O_RDONLY | O_NOFOLLOW | O_CLOEXEC);
        if (fd < 0)
            continue;
        posix_fadvise(fd, 0, 0, POSIX_FADV_DONTNEED);
        close(fd);
    }
    closedir(d);
}

int main(int argc, char** argv)
{
    int cold = 0, kill_ = 0, i = 1;
    for (; i < argc && argv[i][0] == '-' && strcmp(argv[i], "--") != 0; ++i) {
        if (strcmp(argv[i], "--cold") == 0)
            cold = 1;
        else if (strcmp(argv[i], "--kill") == 0)
            kill_ = 1;
    }
    if (argc - i < 4 || strcmp(argv[i + 2], "--") != 0) {
        fprintf(stderr, "usage: %s [--cold] [--kill] DIR COUNT -- PROGRAM ARGS...\n", argv[0]);
        return 2;
    }
    const char* dir = argv[i];
    const long want = atol(argv[i + 1]);
    char** program = argv + i + 3;

    int in = inotify_init1(IN_CLOEXEC | IN_NONBLOCK);
    if (in < 0 || inotify_add_watch(in, dir, IN_MOVED_TO | IN_CREATE) < 0)
        return perror("inotify"), 1;
    if (cold) {
        sync();
        dropFromCache(dir);
    }

    const double start = nowMs();
    pid_t child = fork();
    if (child == 0) {
        setpgid(0, 0); // ended with whatever it started (a tracer's tracee, a helper)
        int null = open("/dev/null", O_RDWR);
        dup2(null, 1);
        dup2(null, 2);
        execvp(program[0], program);
        _exit(127);
    }
    long named = 0;
    double first = -1, last = -1, exited = -1;
    char buf[1 << 16] __attribute__((aligned(__alignof__(struct inotify_event))));
    while (named < want && nowMs() - start < 120e3) {
        struct pollfd p = {in, POLLIN, 0};
        poll(&p, 1, 20);
        for (ssize_t n; (n = read(in, buf, sizeof buf)) > 0;)
            for (char* at = buf; at < buf + n;) {
                const struct inotify_event* e = (const struct inotify_event*)at;
                if (e->len && dated(e->name) && ++named == 1)
                    first = nowMs() - start;
                at += sizeof *e + e->len;
            }
        if (named >= want)
            last = nowMs() - start;
        else
            usleep(500); // events read in batches: the watcher takes little of the program's CPU
        if (exited < 0 && waitpid(child, NULL, WNOHANG) == child) {
            exited = nowMs() - start;
            if (named < want) { // the last events may still be queued
                struct pollfd q = {in, POLLIN, 0};
                if (poll(&q, 1, 0) <= 0)
                    break;
            }
        }
    }
    if (exited < 0) {
        if (kill_ && named >= want)
            kill(-child, SIGTERM);
        else if (named < want)
            kill(-child, SIGKILL);
        waitpid(child, NULL, 0);
        if (!kill_)
            exited = nowMs() - start;
    }
    printf("first_ms=%.1f last_ms=%.1f exit_ms=%.1f named=%ld\n", first, last, exited, named);
    return named >= want ? 0 : 1;
}
