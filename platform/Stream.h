// Byte streams: the abstract TStream with exact reads and writes, a growable memory stream, a file
// stream, and the replace-when-complete file writer that every save goes through.
#pragma once

#include <cstdint>
#include <cstdio>
#include <functional>
#include <span>
#include <string>
#include <vector>

namespace nox {

enum class TSeekOrigin { soBeginning, soCurrent, soEnd };

class TStream {
public:
    virtual ~TStream() = default;

    // Reads up to `count` bytes; returns how many arrived (0 at the end).
    virtual size_t Read(void* buffer, size_t count) = 0;
    // Writes up to `count` bytes; returns how many were taken.
    virtual size_t Write(const void* buffer, size_t count) = 0;
    // Moves the position and returns the new one; positions are clamped at 0.
    virtual int64_t Seek(int64_t offset, TSeekOrigin origin) = 0;

    int64_t Position() { return Seek(0, TSeekOrigin::soCurrent); }
    void SetPosition(int64_t position) { Seek(position, TSeekOrigin::soBeginning); }
    virtual int64_t Size();
    // Bytes from the position to the end.
    int64_t Remaining() { return Size() - Position(); }

    // Exact read: EReadError "Stream read error" unless all `count` bytes arrive.
    void ReadBuffer(void* buffer, size_t count);
    // Exact write: EWriteError "Stream write error" unless all `count` bytes are taken.
    void WriteBuffer(const void* buffer, size_t count);

    // Copies `count` bytes (all remaining when 0) from `source` into this stream.
    int64_t CopyFrom(TStream& source, int64_t count);
};

// A stream over a growable byte buffer; it can also read a borrowed, read-only span.
class TMemoryStream : public TStream {
public:
    TMemoryStream() = default;
    explicit TMemoryStream(std::vector<uint8_t> bytes) : data_(std::move(bytes)) {}
    // A read-only view of bytes owned elsewhere; writing to it throws EWriteError.
    static TMemoryStream View(std::span<const uint8_t> bytes);

    size_t Read(void* buffer, size_t count) override;
    size_t Write(const void* buffer, size_t count) override;
    int64_t Seek(int64_t offset, TSeekOrigin origin) override;
    int64_t Size() override;

    // The bytes (for an owning stream; a view returns its span).
    std::span<const uint8_t> Bytes() const;
    std::vector<uint8_t>& Buffer() { return data_; }
    void Clear() { data_.clear(); position_ = 0; }

    void LoadFromFile(const std::string& path);
    void SaveToFile(const std::string& path) const;

private:
    std::vector<uint8_t> data_;
    const uint8_t* view_ = nullptr;
    size_t viewSize_ = 0;
    bool isView_ = false;
    size_t position_ = 0;
};

// A file opened for reading ("Cannot open file %s") or created for writing ("Cannot create file %s").
// Reads go through a buffer, so that readers which take a byte at a time and step back cost no
// system call per byte.
class TFileStream : public TStream {
public:
    enum class Mode { fmOpenRead, fmCreate };
    TFileStream(const std::string& path, Mode mode);
    // Takes over a descriptor already open for writing.
    explicit TFileStream(int fdOpenForWriting) : fd_(fdOpenForWriting) {}
    ~TFileStream() override;
    TFileStream(const TFileStream&) = delete;
    TFileStream& operator=(const TFileStream&) = delete;

    size_t Read(void* buffer, size_t count) override;
    size_t Write(const void* buffer, size_t count) override;
    int64_t Seek(int64_t offset, TSeekOrigin origin) override;
    int64_t Size() override;

    // Flushes to the file system and then to the disk; EWriteError when either fails.
    void Sync();

private:
    // Refills the read buffer at `position_`; false at the end of the file.
    bool FillBuffer();

    int fd_ = -1;
    bool reading_ = false;
    // Reading: the logical position, the file's bytes [bufferStart_, bufferStart_ + bufferLength_)
    // held in `buffer_`, and where the descriptor's own offset stands.
    int64_t position_ = 0;
    std::vector<uint8_t> buffer_;
    int64_t bufferStart_ = 0;
    size_t bufferLength_ = 0;
    int64_t fileOffset_ = 0;
    int64_t size_ = -1;
};

// Writes a file so that its target is replaced only when the new contents are complete: the
// contents go to a temporary file in the target's folder, which is synced and renamed over the
// target on success and removed on failure. Saving keeps what a save means: a symbolic link is
// followed (the file it points to is written, the link stays), a file the user may not write is
// not replaced, and an existing file in a folder that cannot take the temporary file is written
// in place. Failures to create give EFCreateError "Cannot create file <path>", always naming
// `path` as given; an error of `write` passes on unchanged.
void WriteFileReplacing(const std::string& path, const std::function<void(TStream&)>& write);

// The bytes of a whole file ("Cannot open file %s" when it cannot be opened).
std::vector<uint8_t> ReadWholeFile(const std::string& path);

}  // namespace nox
