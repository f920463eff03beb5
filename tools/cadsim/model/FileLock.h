#pragma once

#include <cstdint>
#include <stdexcept>
#include <string>

namespace cadsim {

// A drawing file held open as a CAD holds the drawings it has open: other
// programs may read the file meanwhile, but none may take it for itself;
// and a file another program holds for itself cannot be opened. A shared
// hold is what a drawing opened read only takes, an exclusive one what a
// drawing opened for editing takes.
//
// POSIX: a descriptor of the file with a BSD lock on it (flock, LOCK_SH or
// LOCK_EX), which the tools of other processes honour when they take one
// (LOCK_EX of another open fails while any hold lasts). Windows: a handle
// opened for reading whose share mode lets others read only
// (FILE_SHARE_READ), or, held exclusively, nothing at all.
//
// The hold lasts as long as the object; a default-made object holds nothing.
class FileLock {
public:
    enum class Mode { Shared, Exclusive };

    // Why a file could not be held.
    enum class Reason {
        NotFound,     // no such file, or no such folder on its path
        InUse,        // another program holds the file for itself
        AccessDenied, // the file may not be read
        Other,
    };

    class Error : public std::runtime_error {
    public:
        Error(Reason reason, const std::string& what) : std::runtime_error(what), m_reason(reason) {}
        Reason reason() const noexcept { return m_reason; }

    private:
        Reason m_reason;
    };

    FileLock() = default;
    FileLock(FileLock&& other) noexcept;
    FileLock& operator=(FileLock&& other) noexcept;
    FileLock(const FileLock&) = delete;
    FileLock& operator=(const FileLock&) = delete;
    ~FileLock();

    // Opens the file and holds it; Error when it cannot.
    static FileLock take(const std::u16string& path, Mode mode);

    // Turns a shared hold into an exclusive one, once the drawing has been
    // read: on Windows nobody, this program included, reads a file held
    // exclusively. Error (InUse) while another program holds it too; the
    // hold may then be lost.
    void makeExclusive();

    bool holds() const { return m_handle != none; }
    void release() noexcept;

private:
    static constexpr intptr_t none = -1;
    explicit FileLock(intptr_t handle, std::u16string path) : m_handle(handle), m_path(std::move(path)) {}

    intptr_t m_handle = none; // a descriptor, or a HANDLE
    std::u16string m_path;
};

} // namespace cadsim
