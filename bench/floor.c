// SPDX-License-Identifier: GPL-3.0-or-later
/* The floor a photo renamer cannot go below: only the system calls.
 *   velmora_floor rename DIR      read the first 64 KiB of every file, then
 *                                 renameat2(RENAME_NOREPLACE) it to "f-NAME"
 *   velmora_floor writeback DIR   read every file whole, write it to a
 *                                 temporary file beside it, fsync, rename over
 * Prints how many files it handled; exits 1 if any step failed. */
#define _GNU_SOURCE
#include <dirent.h>
#include <fcntl.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/stat.h>
#include <unistd.h>

static int readUpTo(int fd, char* buf, size_t want, size_t* got)
{
    *got = 0;
    while (*got < want) {
        ssize_t n = read(fd, buf + *got, want - *got);
        if (n < 0)
            return -1;
        if (n == 0)
            break;
        *got += (size_t)n;
    }
    return 0;
}

int main(int argc, char** argv)
{
    if (argc != 3 || (strcmp(argv[1], "rename") != 0 && strcmp(argv[1], "writeback") != 0)) {
        fprintf(stderr, "usage: %s rename|writeback DIR\n", argv[0]);
        return 2;
    }
    const int writeback = strcmp(argv[1], "writeback") == 0;
    DIR* dir = opendir(argv[2]);
    if (!dir)
        return perror("opendir"), 1;
    const int dfd = dirfd(dir);
    /* The listing first, so that renamed files are not met again. */
    size_t count = 0, cap = 1024;
    char** names = malloc(cap * sizeof *names);
    struct dirent* e;
    while ((e = readdir(dir))) {
        if (e->d_type != DT_REG)
            continue;
        if (count == cap)
            names = realloc(names, (cap *= 2) * sizeof *names);
        names[count++] = strdup(e->d_name);
    }
    static char head[65536];
    size_t done = 0, failed = 0;
    for (size_t i = 0; i < count; ++i) {
        int fd = openat(dfd, names[i], O_RDONLY | O_CLOEXEC);
        if (fd < 0) {
            ++failed;
            continue;
        }
        struct stat st;
        fstat(fd, &st);
        if (!writeback) {
            size_t got;
            int bad = readUpTo(fd, head, sizeof head, &got);
            close(fd);
            char target[512];
            snprintf(target, sizeof target, "f-%s", names[i]);
            if (bad || renameat2(dfd, names[i], dfd, target, RENAME_NOREPLACE) != 0)
                ++failed;
            else
                ++done;
            continue;
        }
        char* data = malloc((size_t)st.st_size + 1);
        size_t got;
        int bad = readUpTo(fd, data, (size_t)st.st_size, &got);
        close(fd);
        char temp[512];
        snprintf(temp, sizeof temp, ".%s.floor-XXXXXX", names[i]);
        char full[4096];
        snprintf(full, sizeof full, "%s/%s", argv[2], temp);
        int out = bad ? -1 : mkostemp(full, O_CLOEXEC);
        if (out < 0 || write(out, data, got) != (ssize_t)got || fchmod(out, st.st_mode & 07777) != 0 ||
            fsync(out) != 0 || close(out) != 0 ||
            rename(full, (snprintf(temp, sizeof temp, "%s/%s", argv[2], names[i]), temp)) != 0)
            ++failed;
        else
            ++done;
        free(data);
    }
    closedir(dir);
    printf("floor %s files=%zu failed=%zu\n", argv[1], done, failed);
    return failed ? 1 : 0;
}
