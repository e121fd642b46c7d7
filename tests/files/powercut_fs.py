#!/usr/bin/python3
# SPDX-License-Identifier: GPL-3.0-or-later
# A FUSE file system over BACKING that keeps every file's written data in
# memory until the file is flushed with fsync or fdatasync, as a disk's cache
# does; closing a file flushes nothing. Killed (SIGKILL), it loses whatever was
# not flushed, as a power cut would. Names, folders, renames and links reach
# BACKING at once.
#   powercut_fs.py BACKING MOUNTPOINT
import errno
import os
import sys
import time

from fusepy import FUSE, FuseOSError, Operations


class PowerCutFs(Operations):
    def __init__(self, root):
        self.root = root
        self.pending = {}  # inode -> [bytearray: the file as written, mtime in ns]

    def __call__(self, op, path, *args):
        try:
            return super().__call__(op, path, *args)
        except OSError as e:
            raise FuseOSError(e.errno or errno.EIO)

    def _p(self, path):
        return self.root + path

    def _pending(self, fh):
        st = os.fstat(fh)
        if st.st_ino not in self.pending:
            self.pending[st.st_ino] = [bytearray(os.pread(fh, st.st_size, 0)), st.st_mtime_ns]
        return self.pending[st.st_ino]

    def getattr(self, path, fh=None):
        st = os.lstat(self._p(path))
        a = {k: getattr(st, k) for k in ('st_mode', 'st_nlink', 'st_uid', 'st_gid', 'st_size', 'st_ino',
                                         'st_atime', 'st_mtime', 'st_ctime')}
        if st.st_ino in self.pending:
            data, mtime = self.pending[st.st_ino]
            a['st_size'], a['st_mtime'] = len(data), mtime / 1e9
        return a

    def readdir(self, path, fh):
        return ['.', '..'] + os.listdir(self._p(path))

    def open(self, path, flags):
        return os.open(self._p(path), (flags & ~os.O_APPEND) | os.O_CLOEXEC)

    def create(self, path, mode, fi=None):
        # The kernel asks only after finding no such name: exclusive, never truncating another's file.
        return os.open(self._p(path), os.O_RDWR | os.O_CREAT | os.O_EXCL | os.O_CLOEXEC, mode)

    def read(self, path, size, offset, fh):
        ino = os.fstat(fh).st_ino
        if ino in self.pending:
            return bytes(self.pending[ino][0][offset:offset + size])
        return os.pread(fh, size, offset)

    def write(self, path, data, offset, fh):
        p = self._pending(fh)
        if len(p[0]) < offset:
            p[0].extend(bytes(offset - len(p[0])))
        p[0][offset:offset + len(data)] = data
        p[1] = time.time_ns()
        return len(data)

    def truncate(self, path, length, fh=None):
        fd = fh if fh is not None else os.open(self._p(path), os.O_RDONLY)
        try:
            p = self._pending(fd)
            del p[0][length:]
            p[0].extend(bytes(length - len(p[0])))
            p[1] = time.time_ns()
        finally:
            if fh is None:
                os.close(fd)

    def fsync(self, path, datasync, fh):
        ino = os.fstat(fh).st_ino
        if ino in self.pending:
            data, mtime = self.pending[ino]
            fd = os.open('/proc/self/fd/%d' % fh, os.O_WRONLY)  # fh may be read-only
            try:
                os.pwrite(fd, bytes(data), 0)
                os.ftruncate(fd, len(data))
                os.utime(fd, ns=(mtime, mtime))
            finally:
                os.close(fd)
            del self.pending[ino]
        return 0

    def flush(self, path, fh):
        return 0

    def release(self, path, fh):
        os.close(fh)
        return 0

    def utimens(self, path, times=None):
        os.utime(self._p(path), times, follow_symlinks=False)
        st = os.lstat(self._p(path))
        if st.st_ino in self.pending:
            self.pending[st.st_ino][1] = st.st_mtime_ns

    def rename(self, old, new):
        os.rename(self._p(old), self._p(new))

    def link(self, target, source):
        os.link(self._p(source), self._p(target))

    def symlink(self, target, source):
        os.symlink(source, self._p(target))

    def readlink(self, path):
        return os.readlink(self._p(path))

    def unlink(self, path):
        os.unlink(self._p(path))

    def mkdir(self, path, mode):
        os.mkdir(self._p(path), mode)

    def rmdir(self, path):
        os.rmdir(self._p(path))

    def chmod(self, path, mode):
        os.chmod(self._p(path), mode)

    def chown(self, path, uid, gid):
        os.chown(self._p(path), uid, gid, follow_symlinks=False)

    def access(self, path, mode):
        if not os.access(self._p(path), mode):
            raise FuseOSError(errno.EACCES)

    def statfs(self, path):
        s = os.statvfs(self._p(path))
        return {k: getattr(s, k) for k in ('f_bavail', 'f_bfree', 'f_blocks', 'f_bsize', 'f_favail', 'f_ffree',
                                           'f_files', 'f_flag', 'f_frsize', 'f_namemax')}


if __name__ == '__main__':
    # Attributes not cached: a link count seen right after a link would send a write-back off its in-place route.
    FUSE(PowerCutFs(os.path.realpath(sys.argv[1])), sys.argv[2], foreground=True, nothreads=True, use_ino=True,
         attr_timeout=0, entry_timeout=0, fsname='velmora-powercut')
