#include "devsim/SimFs.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace nerasim {

namespace {

// Writes all bytes, continuing after short writes and interruptions.
bool WriteFully(int fd, const uint8_t* data, size_t length, off_t offset, bool positioned) {
    while (length > 0) {
        ssize_t written = positioned ? pwrite(fd, data, length, offset) : write(fd, data, length);
        if (written < 0) {
            if (errno == EINTR)
                continue;
            return false;
        }
        data += written;
        length -= static_cast<size_t>(written);
        offset += written;
    }
    return true;
}

} // namespace

char FsSeparator() {
    return '/';
}

bool FsReadAll(const std::string& path, std::string& data) {
    int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return false;
    data.clear();
    char buffer[65536];
    bool ok = true;
    for (;;) {
        ssize_t got = read(fd, buffer, sizeof buffer);
        if (got < 0 && errno == EINTR)
            continue;
        if (got < 0)
            ok = false;
        if (got <= 0)
            break;
        data.append(buffer, static_cast<size_t>(got));
    }
    close(fd);
    return ok;
}

bool FsWriteAllAtomic(const std::string& path, const std::string& data) {
    std::string temp = path + ".tmp";
    int fd = open(temp.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (fd < 0)
        return false;
    bool ok = WriteFully(fd, reinterpret_cast<const uint8_t*>(data.data()), data.size(), 0, false);
    ok = close(fd) == 0 && ok;
    if (!ok || rename(temp.c_str(), path.c_str()) != 0) {
        unlink(temp.c_str());
        return false;
    }
    return true;
}

bool FsReadAt(const std::string& path, uint64_t offset, uint8_t* buffer, size_t length) {
    int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return false;
    size_t done = 0;
    bool ok = true;
    while (done < length) {
        ssize_t got = pread(fd, buffer + done, length - done, static_cast<off_t>(offset + done));
        if (got < 0 && errno == EINTR)
            continue;
        if (got <= 0) {
            ok = false;
            break;
        }
        done += static_cast<size_t>(got);
    }
    close(fd);
    return ok;
}

bool FsWriteAt(const std::string& path, uint64_t offset, const uint8_t* data, size_t length) {
    int fd = open(path.c_str(), O_WRONLY | O_CLOEXEC);
    if (fd < 0)
        return false;
    bool ok = WriteFully(fd, data, length, static_cast<off_t>(offset), true);
    ok = close(fd) == 0 && ok;
    return ok;
}

bool FsFileSize(const std::string& path, uint64_t& size) {
    struct stat info;
    if (stat(path.c_str(), &info) != 0 || !S_ISREG(info.st_mode))
        return false;
    size = static_cast<uint64_t>(info.st_size);
    return true;
}

bool FsAppend(const std::string& path, const std::string& text) {
    int fd = open(path.c_str(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0644);
    if (fd < 0)
        return false;
    bool ok = WriteFully(fd, reinterpret_cast<const uint8_t*>(text.data()), text.size(), 0, false);
    ok = close(fd) == 0 && ok;
    return ok;
}

bool FsIsDirectory(const std::string& path) {
    struct stat info;
    return stat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

bool FsMakeDirectories(const std::string& path) {
    if (path.empty())
        return false;
    if (FsIsDirectory(path))
        return true;
    size_t slash = path.find_last_of('/');
    if (slash != std::string::npos && slash > 0 && !FsMakeDirectories(path.substr(0, slash)))
        return false;
    return mkdir(path.c_str(), 0755) == 0 || (errno == EEXIST && FsIsDirectory(path));
}

bool FsListSubfolders(const std::string& path, std::vector<std::string>& names) {
    names.clear();
    DIR* dir = opendir(path.c_str());
    if (dir == nullptr)
        return false;
    while (struct dirent* entry = readdir(dir)) {
        std::string name = entry->d_name;
        if (name == "." || name == "..")
            continue;
        if (FsIsDirectory(FsJoin(path, name)))
            names.push_back(name);
    }
    closedir(dir);
    return true;
}

bool FsRemoveFolder(const std::string& path) {
    DIR* dir = opendir(path.c_str());
    if (dir == nullptr)
        return false;
    bool ok = true;
    while (struct dirent* entry = readdir(dir)) {
        std::string name = entry->d_name;
        if (name != "." && name != "..")
            ok = unlink(FsJoin(path, name).c_str()) == 0 && ok;
    }
    closedir(dir);
    return rmdir(path.c_str()) == 0 && ok;
}

bool FsMakeNewFolder(const std::string& path) {
    return mkdir(path.c_str(), 0755) == 0;
}

bool FsRenameToNewName(const std::string& from, const std::string& to) {
    if (renameat2(AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), RENAME_NOREPLACE) == 0)
        return true;
    if (errno != EINVAL && errno != ENOSYS)
        return false;
    // A file system without RENAME_NOREPLACE: rename() refuses a folder that holds anything but
    // would replace an empty one, so a name in use is refused here first (a folder made in
    // between these two calls would still be replaced).
    struct stat info;
    if (lstat(to.c_str(), &info) == 0 || errno != ENOENT)
        return false;
    return rename(from.c_str(), to.c_str()) == 0;
}

uint32_t FsProcessId() {
    return static_cast<uint32_t>(getpid());
}

std::string FsGetEnv(const char* name) {
    const char* value = std::getenv(name);
    return value != nullptr ? std::string(value) : std::string();
}

bool FsSetEnv(const char* name, const std::string& value) {
    return value.empty() ? unsetenv(name) == 0 : setenv(name, value.c_str(), 1) == 0;
}

std::string FsDefaultStoreFolder() {
    std::string home = FsGetEnv("HOME");
    return (home.empty() ? std::string(".") : home) + "/.nerasim";
}

std::string FsDefaultSettingsFile() {
    std::string config = FsGetEnv("XDG_CONFIG_HOME");
    if (config.empty()) {
        std::string home = FsGetEnv("HOME");
        config = (home.empty() ? std::string(".") : home) + "/.config";
    }
    return config + "/nerasim/settings.txt";
}

bool FsFileStamp(const std::string& path, SFileStamp& stamp) {
    struct stat info;
    if (stat(path.c_str(), &info) != 0 || !S_ISREG(info.st_mode))
        return false;
    stamp.m_size = static_cast<uint64_t>(info.st_size);
    stamp.m_modified = static_cast<int64_t>(info.st_mtim.tv_sec) * 1000000000 + info.st_mtim.tv_nsec;
    stamp.m_id = static_cast<uint64_t>(info.st_ino);
    return true;
}

bool FsSetModifiedTime(const std::string& path, int64_t modified) {
    struct timespec times[2];
    times[0].tv_sec = 0;
    times[0].tv_nsec = UTIME_OMIT;
    times[1].tv_sec = static_cast<time_t>(modified / 1000000000);
    times[1].tv_nsec = static_cast<long>(modified % 1000000000);
    return utimensat(AT_FDCWD, path.c_str(), times, 0) == 0;
}

namespace {

// The locked range: the first byte of the file, as Wine's server locks it for a Windows
// program that locks one byte at offset 0.
struct flock LockRange(short type) {
    struct flock range = {};
    range.l_type = type;
    range.l_whence = SEEK_SET;
    range.l_start = 0;
    range.l_len = 1;
    return range;
}

} // namespace

CFsLock::~CFsLock() {
    Close();
}

bool CFsLock::Open(const std::string& path) {
    Close();
    int fd = open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0644);
    if (fd < 0)
        return false;
    m_handle = fd;
    return true;
}

void CFsLock::Close() {
    Unlock();
    if (m_handle != -1)
        close(static_cast<int>(m_handle));
    m_handle = -1;
}

bool CFsLock::IsCurrent() const {
    struct stat info;
    return m_handle != -1 && fstat(static_cast<int>(m_handle), &info) == 0 && info.st_nlink > 0;
}

ELockResult CFsLock::TryLock() {
    if (m_handle == -1)
        return ELockResult::kFailed;
    struct flock range = LockRange(F_WRLCK);
    for (;;) {
        if (fcntl(static_cast<int>(m_handle), F_OFD_SETLK, &range) == 0)
            return ELockResult::kLocked;
        if (errno == EINTR)
            continue;
        return errno == EAGAIN || errno == EACCES ? ELockResult::kTimedOut : ELockResult::kFailed;
    }
}

void CFsLock::Unlock() {
    if (m_locked) {
        struct flock range = LockRange(F_UNLCK);
        fcntl(static_cast<int>(m_handle), F_OFD_SETLK, &range);
    }
    m_locked = false;
}

bool CFsLock::ReadAt(uint64_t offset, uint8_t* buffer, size_t length, size_t& got) const {
    got = 0;
    while (got < length) {
        ssize_t n =
            pread(static_cast<int>(m_handle), buffer + got, length - got, static_cast<off_t>(offset + got));
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
            return false;
        if (n == 0)
            break;
        got += static_cast<size_t>(n);
    }
    return true;
}

bool CFsLock::WriteAt(uint64_t offset, const uint8_t* data, size_t length) {
    return m_handle != -1 &&
           WriteFully(static_cast<int>(m_handle), data, length, static_cast<off_t>(offset), true);
}

} // namespace nerasim
