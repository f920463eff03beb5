#include "cadsim/model/FileLock.h"

#include <utility>

namespace cadsim {

FileLock::FileLock(FileLock&& other) noexcept
    : m_handle(std::exchange(other.m_handle, none)), m_path(std::move(other.m_path))
{
}

FileLock& FileLock::operator=(FileLock&& other) noexcept
{
    if (this != &other) {
        release();
        m_handle = std::exchange(other.m_handle, none);
        m_path = std::move(other.m_path);
    }
    return *this;
}

FileLock::~FileLock() { release(); }

} // namespace cadsim
