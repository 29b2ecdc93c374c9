#include "nerapack/PackageFiles.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

std::string ErrnoText() {
    return std::strerror(errno);
}

// Folder part of a path, "." when it has none.
std::string FolderOf(const std::string& path) {
    const size_t slash = path.find_last_of('/');
    if (slash == std::string::npos) {
        return ".";
    }
    return slash == 0 ? "/" : path.substr(0, slash);
}

bool WriteAll(int fd, const uint8_t* data, size_t length) {
    while (length > 0) {
        const ssize_t written = ::write(fd, data, length);
        if (written < 0 && errno == EINTR) {
            continue;
        }
        if (written <= 0) {
            return false;
        }
        data += written;
        length -= static_cast<size_t>(written);
    }
    return true;
}

// Permission bits for a new file as the process's umask allows them.
mode_t CreationMode(bool executable) {
    const mode_t mask = ::umask(0);
    ::umask(mask);
    return (executable ? 0777 : 0666) & ~mask;
}

} // namespace

EReadFile PfReadFile(const std::string& path, size_t maxLength, std::vector<uint8_t>& data,
                     std::string& reason) {
    data.clear();
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        reason = ErrnoText();
        return EReadFile::kUnreadable;
    }
    struct stat info;
    EReadFile result = EReadFile::kOk;
    if (::fstat(fd, &info) != 0) {
        reason = ErrnoText();
        result = EReadFile::kUnreadable;
    } else if (!S_ISREG(info.st_mode)) {
        reason = "not a regular file";
        result = EReadFile::kUnreadable;
    } else if (static_cast<uint64_t>(info.st_size) > maxLength) {
        result = EReadFile::kTooLarge;
    } else {
        data.resize(static_cast<size_t>(info.st_size));
        size_t done = 0;
        while (done < data.size()) {
            const ssize_t got = ::read(fd, data.data() + done, data.size() - done);
            if (got < 0 && errno == EINTR) {
                continue;
            }
            if (got <= 0) {
                reason = got < 0 ? ErrnoText() : "the file became shorter while it was read";
                result = EReadFile::kUnreadable;
                break;
            }
            done += static_cast<size_t>(got);
        }
    }
    ::close(fd);
    if (result != EReadFile::kOk) {
        data.clear();
    }
    return result;
}

bool PfSameFile(const std::string& a, const std::string& b) {
    struct stat infoA;
    struct stat infoB;
    return ::stat(a.c_str(), &infoA) == 0 && ::stat(b.c_str(), &infoB) == 0 && infoA.st_dev == infoB.st_dev &&
           infoA.st_ino == infoB.st_ino;
}

bool PfWriteFile(const std::string& path, const std::vector<uint8_t>& data, bool executable,
                 std::string& reason) {
    std::string temp = FolderOf(path) + "/.nerapack-XXXXXX";
    const int fd = ::mkstemp(&temp[0]);
    if (fd < 0) {
        reason = ErrnoText();
        return false;
    }
    bool ok = ::fchmod(fd, CreationMode(executable)) == 0 && WriteAll(fd, data.data(), data.size()) &&
              ::fsync(fd) == 0;
    if (!ok) {
        reason = ErrnoText();
    }
    if (::close(fd) != 0 && ok) {
        reason = ErrnoText();
        ok = false;
    }
    if (ok && ::rename(temp.c_str(), path.c_str()) != 0) {
        reason = ErrnoText();
        ok = false;
    }
    if (!ok) {
        ::unlink(temp.c_str());
    }
    return ok;
}

bool PfRandomBytes(uint8_t* out, size_t length) {
    const int fd = ::open("/dev/urandom", O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        return false;
    }
    size_t done = 0;
    while (done < length) {
        const ssize_t got = ::read(fd, out + done, length - done);
        if (got < 0 && errno == EINTR) {
            continue;
        }
        if (got <= 0) {
            break;
        }
        done += static_cast<size_t>(got);
    }
    ::close(fd);
    return done == length;
}
