// Byte streams over memory and files, and the replace-when-complete writer.
#include "platform/Stream.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

#include "platform/Errors.h"

namespace nox {

int64_t TStream::Size() {
    const int64_t here = Seek(0, TSeekOrigin::soCurrent);
    const int64_t end = Seek(0, TSeekOrigin::soEnd);
    Seek(here, TSeekOrigin::soBeginning);
    return end;
}

void TStream::ReadBuffer(void* buffer, size_t count) {
    if (count != 0 && Read(buffer, count) != count) throw EReadError(msg::kReadError);
}

void TStream::WriteBuffer(const void* buffer, size_t count) {
    if (count != 0 && Write(buffer, count) != count) throw EWriteError(msg::kWriteError);
}

int64_t TStream::CopyFrom(TStream& source, int64_t count) {
    if (count == 0) {
        source.SetPosition(0);
        count = source.Size();
    }
    std::vector<uint8_t> block(static_cast<size_t>(std::min<int64_t>(count, 1 << 16)));
    int64_t left = count;
    while (left > 0) {
        const size_t n = static_cast<size_t>(std::min<int64_t>(left, static_cast<int64_t>(block.size())));
        source.ReadBuffer(block.data(), n);
        WriteBuffer(block.data(), n);
        left -= static_cast<int64_t>(n);
    }
    return count;
}

// ---- TMemoryStream -------------------------------------------------------------------------

TMemoryStream TMemoryStream::View(std::span<const uint8_t> bytes) {
    TMemoryStream s;
    s.view_ = bytes.data();
    s.viewSize_ = bytes.size();
    s.isView_ = true;
    return s;
}

std::span<const uint8_t> TMemoryStream::Bytes() const {
    if (isView_) return {view_, viewSize_};
    return {data_.data(), data_.size()};
}

size_t TMemoryStream::Read(void* buffer, size_t count) {
    const auto bytes = Bytes();
    if (position_ >= bytes.size()) return 0;
    const size_t n = std::min(count, bytes.size() - position_);
    std::memcpy(buffer, bytes.data() + position_, n);
    position_ += n;
    return n;
}

size_t TMemoryStream::Write(const void* buffer, size_t count) {
    if (isView_) return 0;
    if (count == 0) return 0;
    if (position_ + count > data_.size()) data_.resize(position_ + count);
    std::memcpy(data_.data() + position_, buffer, count);
    position_ += count;
    return count;
}

int64_t TMemoryStream::Seek(int64_t offset, TSeekOrigin origin) {
    int64_t base = 0;
    if (origin == TSeekOrigin::soCurrent) base = static_cast<int64_t>(position_);
    if (origin == TSeekOrigin::soEnd) base = static_cast<int64_t>(Bytes().size());
    position_ = static_cast<size_t>(std::max<int64_t>(0, base + offset));
    return static_cast<int64_t>(position_);
}

int64_t TMemoryStream::Size() { return static_cast<int64_t>(Bytes().size()); }

void TMemoryStream::LoadFromFile(const std::string& path) {
    data_ = ReadWholeFile(path);
    isView_ = false;
    position_ = 0;
}

void TMemoryStream::SaveToFile(const std::string& path) const {
    const auto bytes = Bytes();
    WriteFileReplacing(path, [&](TStream& out) { out.WriteBuffer(bytes.data(), bytes.size()); });
}

// ---- TFileStream ---------------------------------------------------------------------------

namespace {
constexpr size_t kReadBufferSize = 64 * 1024;
}

TFileStream::TFileStream(const std::string& path, Mode mode) {
    if (mode == Mode::fmOpenRead) {
        fd_ = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
        struct stat st {};
        // A folder opens on Linux but is no file: refuse it as the open would elsewhere.
        if (fd_ >= 0 && (::fstat(fd_, &st) != 0 || S_ISDIR(st.st_mode))) {
            ::close(fd_);
            fd_ = -1;
        }
        if (fd_ < 0) throw EFOpenError(Format(msg::kFOpen, path.c_str()));
        reading_ = true;
        if (S_ISREG(st.st_mode)) size_ = static_cast<int64_t>(st.st_size);
    } else {
        fd_ = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
        if (fd_ < 0) throw EFCreateError(Format(msg::kFCreate, path.c_str()));
    }
}

TFileStream::~TFileStream() {
    if (fd_ >= 0) ::close(fd_);
}

bool TFileStream::FillBuffer() {
    if (buffer_.empty()) buffer_.resize(kReadBufferSize);
    if (fileOffset_ != position_) {
        if (::lseek(fd_, static_cast<off_t>(position_), SEEK_SET) < 0) return false;
        fileOffset_ = position_;
    }
    bufferStart_ = position_;
    bufferLength_ = 0;
    ssize_t n;
    do n = ::read(fd_, buffer_.data(), buffer_.size());
    while (n < 0 && errno == EINTR);
    if (n <= 0) return false;
    bufferLength_ = static_cast<size_t>(n);
    fileOffset_ += n;
    return true;
}

size_t TFileStream::Read(void* buffer, size_t count) {
    auto* p = static_cast<uint8_t*>(buffer);
    size_t done = 0;
    while (done < count) {
        const int64_t inBuffer = position_ - bufferStart_;
        if (inBuffer >= 0 && inBuffer < static_cast<int64_t>(bufferLength_)) {
            const size_t n = std::min(count - done, bufferLength_ - static_cast<size_t>(inBuffer));
            std::memcpy(p + done, buffer_.data() + inBuffer, n);
            done += n;
            position_ += static_cast<int64_t>(n);
        } else if (!FillBuffer()) {
            break;
        }
    }
    return done;
}

size_t TFileStream::Write(const void* buffer, size_t count) {
    size_t done = 0;
    const auto* p = static_cast<const uint8_t*>(buffer);
    while (done < count) {
        const ssize_t n = ::write(fd_, p + done, count - done);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) break;
        done += static_cast<size_t>(n);
    }
    return done;
}

int64_t TFileStream::Seek(int64_t offset, TSeekOrigin origin) {
    if (reading_) {
        // A read position is only noted; the buffer serves it or the next read fetches it.
        const int64_t base = origin == TSeekOrigin::soBeginning ? 0
                             : origin == TSeekOrigin::soCurrent ? position_
                                                                : Size();
        position_ = std::max<int64_t>(0, base + offset);
        return position_;
    }
    const int whence = origin == TSeekOrigin::soBeginning ? SEEK_SET
                       : origin == TSeekOrigin::soCurrent ? SEEK_CUR
                                                          : SEEK_END;
    const off_t r = ::lseek(fd_, static_cast<off_t>(offset), whence);
    return r < 0 ? ::lseek(fd_, 0, SEEK_CUR) : static_cast<int64_t>(r);
}

int64_t TFileStream::Size() {
    if (size_ >= 0) return size_;
    struct stat st {};
    if (::fstat(fd_, &st) == 0 && S_ISREG(st.st_mode)) return static_cast<int64_t>(st.st_size);
    if (reading_) {
        const off_t end = ::lseek(fd_, 0, SEEK_END);
        ::lseek(fd_, static_cast<off_t>(fileOffset_), SEEK_SET);
        return end < 0 ? position_ : static_cast<int64_t>(end);
    }
    return TStream::Size();
}

void TFileStream::Sync() {
    if (::fsync(fd_) != 0 && errno != EINVAL && errno != EROFS) throw EWriteError(msg::kWriteError);
}

// ---- whole files ---------------------------------------------------------------------------

namespace {

// The target's folder, for the temporary file ("." for a bare name).
std::string FolderOf(const std::string& path) {
    const auto slash = path.find_last_of('/');
    if (slash == std::string::npos) return ".";
    if (slash == 0) return "/";
    return path.substr(0, slash);
}

std::string FileOf(const std::string& path) {
    const auto slash = path.find_last_of('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

}  // namespace

void WriteFileReplacing(const std::string& path, const std::function<void(TStream&)>& write) {
    const auto cannotCreate = [&path] { return EFCreateError(Format(msg::kFCreate, path.c_str())); };
    // Saving through a link writes the file it points to; the temporary file is made beside that
    // file, so that the rename replaces it and leaves the link as it was.
    std::string target = path;
    for (int hops = 0;; ++hops) {
        struct stat link {};
        if (::lstat(target.c_str(), &link) != 0 || !S_ISLNK(link.st_mode)) break;
        if (hops == 40) throw cannotCreate();  // a loop of links
        std::string to(4096, '\0');
        const ssize_t n = ::readlink(target.c_str(), to.data(), to.size());
        if (n <= 0 || static_cast<size_t>(n) >= to.size()) throw cannotCreate();
        to.resize(static_cast<size_t>(n));
        target = to.front() == '/' ? to : FolderOf(target) + "/" + to;
    }

    // A target that exists but is no regular file (a folder, say) cannot be replaced, and one the
    // user may not write is not replaced either: creating over it would fail.
    struct stat existing {};
    const bool exists = ::stat(target.c_str(), &existing) == 0;
    if (exists && !S_ISREG(existing.st_mode)) throw cannotCreate();
    if (exists && ::faccessat(AT_FDCWD, target.c_str(), W_OK, AT_EACCESS) != 0) throw cannotCreate();

    std::string temp = FolderOf(target) + "/." + FileOf(target) + ".XXXXXX";
    const int fd = ::mkstemp(temp.data());
    if (fd < 0) {
        // No temporary file can be made in the folder: an existing file is emptied and written in
        // place, as a plain create would; a new file cannot be made there at all.
        if (!exists) throw cannotCreate();
        const int inPlace = ::open(target.c_str(), O_WRONLY | O_TRUNC | O_CLOEXEC);
        if (inPlace < 0) throw cannotCreate();
        TFileStream out(inPlace);
        write(out);
        out.Sync();
        return;
    }
    // mkstemp makes the file private; give it the mode (and, where allowed, the owner) of the
    // file it replaces, or the mode a newly created file would have.
    mode_t mode = 0666;
    if (exists) {
        mode = existing.st_mode & 07777;
        [[maybe_unused]] const int ignored = ::fchown(fd, existing.st_uid, existing.st_gid);
    } else {
        const mode_t mask = ::umask(0);
        ::umask(mask);
        mode &= ~mask;
    }
    ::fchmod(fd, mode);

    try {
        {
            TFileStream out(fd);
            write(out);
            out.Sync();
        }
        if (::rename(temp.c_str(), target.c_str()) != 0) throw cannotCreate();
    } catch (...) {
        ::unlink(temp.c_str());
        throw;
    }
}

std::vector<uint8_t> ReadWholeFile(const std::string& path) {
    TFileStream in(path, TFileStream::Mode::fmOpenRead);
    const int64_t size = in.Size();
    CheckAllocationSize(static_cast<unsigned long long>(std::max<int64_t>(size, 0)));
    std::vector<uint8_t> bytes(static_cast<size_t>(std::max<int64_t>(size, 0)));
    in.ReadBuffer(bytes.data(), bytes.size());
    return bytes;
}

}  // namespace nox
