#include "socle/fichier.h"

#include <algorithm>
#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace socle {

bool readRegularFile(const std::string& path, std::string& bytes, std::size_t maxBytes)
{
    bytes.clear();
    // Opened without waiting (a pipe with no writer would hold a plain open
    // forever), then checked on the descriptor itself, so that nothing can be
    // swapped in between.
    const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
    if (fd < 0)
        return false;
    struct stat info {};
    bool ok = ::fstat(fd, &info) == 0 && S_ISREG(info.st_mode);
    if (ok) {
        char buffer[65536];
        for (;;) {
            std::size_t wanted = sizeof buffer;
            if (maxBytes != 0) {
                if (bytes.size() >= maxBytes)
                    break;
                wanted = std::min(wanted, maxBytes - bytes.size());
            }
            const ssize_t n = ::read(fd, buffer, wanted);
            if (n < 0 && errno == EINTR)
                continue;
            if (n < 0) {
                ok = false;
                break;
            }
            if (n == 0)
                break;
            bytes.append(buffer, std::size_t(n));
        }
    }
    ::close(fd);
    if (!ok)
        bytes.clear();
    return ok;
}

ReadResult readWholeFile(const std::string& path, std::string& bytes, std::size_t maxBytes)
{
    bytes.clear();
    const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
    if (fd < 0) {
        switch (errno) {
        case ENOENT:
        case ENOTDIR:
            return ReadResult::Missing;
        case EACCES:
        case EPERM:
            return ReadResult::Denied;
        case ELOOP:
            return ReadResult::Loop;
        case EISDIR:
            return ReadResult::Directory;
        default:
            return ReadResult::Failed;
        }
    }
    struct stat info {};
    ReadResult result = ReadResult::Read;
    if (::fstat(fd, &info) != 0)
        result = ReadResult::Failed;
    else if (S_ISDIR(info.st_mode))
        result = ReadResult::Directory;
    else if (!S_ISREG(info.st_mode))
        result = ReadResult::NotRegular;
    else if (std::size_t(info.st_size) > maxBytes)
        result = ReadResult::TooLarge;
    ::close(fd);
    if (result != ReadResult::Read)
        return result;
    // Read by name again, capped: a file that grew meanwhile is still refused.
    if (!readRegularFile(path, bytes, maxBytes + 1))
        return ReadResult::Failed;
    if (bytes.size() > maxBytes) {
        bytes.clear();
        return ReadResult::TooLarge;
    }
    return ReadResult::Read;
}

Nature natureDe(const std::string& path)
{
    struct stat info {};
    if (::stat(path.c_str(), &info) != 0)
        return errno == ENOENT ? Nature::Absent : Nature::Inaccessible;
    if (S_ISREG(info.st_mode))
        return Nature::Ordinaire;
    return S_ISDIR(info.st_mode) ? Nature::Dossier : Nature::Autre;
}

} // namespace socle
