#include "platform/automation/remote/SharedRings.h"

#include <algorithm>
#include <atomic>
#include <cstring>
#include <fcntl.h>
#include <new>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

namespace automation::remote {

namespace {

constexpr uint32_t layoutMagic = 0x52534456; // "VDSR"

// Each counter and flag on a cache line of its own: the two processes write
// them from different cores, and sharing a line would make every write of one
// side evict the other side's data.
struct alignas(64) Word {
    uint32_t value = 0;
};

template <typename T>
std::atomic_ref<T> atomic(T* where)
{
    return std::atomic_ref<T>(*where);
}

static_assert(std::atomic_ref<uint32_t>::is_always_lock_free, "the counters are shared between processes");

} // namespace

struct SharedRings::Layout {
    uint32_t magic = layoutMagic;
    uint32_t ringBytes = SharedRings::ringBytes;
    Word toServerWritten;
    Word toServerRead;
    Word toClientWritten;
    Word toClientRead;
    Word clientAsleep;
    Word serverAsleep;
    Word clientProcessor;
    Word serverProcessor;
};

namespace {

constexpr size_t controlBytes = 4096;
constexpr size_t totalBytes = controlBytes + 2 * size_t{SharedRings::ringBytes};
static_assert((SharedRings::ringBytes & (SharedRings::ringBytes - 1)) == 0, "positions wrap with the counters");

} // namespace

std::unique_ptr<SharedRings> SharedRings::create()
{
    static_assert(sizeof(Layout) <= controlBytes);
    const int fd = ::memfd_create("vedoris-automation", MFD_CLOEXEC | MFD_ALLOW_SEALING);
    if (fd < 0)
        return nullptr;
    if (::ftruncate(fd, static_cast<off_t>(totalBytes)) != 0
        || ::fcntl(fd, F_ADD_SEALS, F_SEAL_SHRINK | F_SEAL_GROW | F_SEAL_SEAL) != 0) {
        ::close(fd);
        return nullptr;
    }
    void* memory = ::mmap(nullptr, totalBytes, PROT_READ | PROT_WRITE, MAP_SHARED, fd, 0);
    if (memory == MAP_FAILED) {
        ::close(fd);
        return nullptr;
    }
    new (memory) Layout;
    return std::unique_ptr<SharedRings>(new SharedRings(Side::Server, fd, memory));
}

std::unique_ptr<SharedRings> SharedRings::adopt(int descriptor)
{
    struct stat info{};
    const int seals = ::fcntl(descriptor, F_GET_SEALS);
    if (::fstat(descriptor, &info) != 0 || !S_ISREG(info.st_mode) || info.st_size != static_cast<off_t>(totalBytes)
        || seals < 0 || (seals & F_SEAL_SHRINK) == 0) {
        ::close(descriptor);
        return nullptr;
    }
    void* memory = ::mmap(nullptr, totalBytes, PROT_READ | PROT_WRITE, MAP_SHARED, descriptor, 0);
    ::close(descriptor);
    if (memory == MAP_FAILED)
        return nullptr;
    const auto* header = static_cast<const Layout*>(memory);
    if (header->magic != layoutMagic || header->ringBytes != ringBytes) {
        ::munmap(memory, totalBytes);
        return nullptr;
    }
    return std::unique_ptr<SharedRings>(new SharedRings(Side::Client, -1, memory));
}

SharedRings::SharedRings(Side side, int descriptor, void* memory)
    : m_side(side), m_descriptor(descriptor), m_memory(memory)
{
    Layout& l = layout();
    uint8_t* const toServer = static_cast<uint8_t*>(memory) + controlBytes;
    uint8_t* const toClient = toServer + ringBytes;
    const Ring clientToServer{&l.toServerWritten.value, &l.toServerRead.value, toServer};
    const Ring serverToClient{&l.toClientWritten.value, &l.toClientRead.value, toClient};
    const bool server = side == Side::Server;
    m_out = server ? serverToClient : clientToServer;
    m_in = server ? clientToServer : serverToClient;
    m_asleep = server ? &l.serverAsleep.value : &l.clientAsleep.value;
    m_peerAsleep = server ? &l.clientAsleep.value : &l.serverAsleep.value;
    m_processor = server ? &l.serverProcessor.value : &l.clientProcessor.value;
    m_peerProcessor = server ? &l.clientProcessor.value : &l.serverProcessor.value;
}

SharedRings::~SharedRings()
{
    closeDescriptor();
    ::munmap(m_memory, totalBytes);
}

void SharedRings::closeDescriptor()
{
    if (m_descriptor >= 0) {
        ::close(m_descriptor);
        m_descriptor = -1;
    }
}

SharedRings::Layout& SharedRings::layout() const { return *static_cast<Layout*>(m_memory); }

SharedRings::Moved SharedRings::write(const uint8_t* data, size_t size)
{
    const uint32_t used = m_written - atomic(m_out.read).load(std::memory_order_acquire);
    if (used > ringBytes)
        return {0, true};
    const size_t n = std::min<size_t>(size, ringBytes - used);
    if (n == 0)
        return {};
    const size_t at = m_written % ringBytes;
    const size_t first = std::min(n, ringBytes - at);
    std::memcpy(m_out.bytes + at, data, first);
    std::memcpy(m_out.bytes, data + first, n - first);
    m_written += static_cast<uint32_t>(n);
    // Sequentially consistent, like the sleep flags: see setAsleep().
    atomic(m_out.written).store(m_written, std::memory_order_seq_cst);
    return {n, false};
}

SharedRings::Moved SharedRings::read(uint8_t* data, size_t size)
{
    const uint32_t available = atomic(m_in.written).load(std::memory_order_acquire) - m_read;
    if (available > ringBytes)
        return {0, true};
    const size_t n = std::min<size_t>(size, available);
    if (n == 0)
        return {};
    const size_t at = m_read % ringBytes;
    const size_t first = std::min(n, ringBytes - at);
    std::memcpy(data, m_in.bytes + at, first);
    std::memcpy(data + first, m_in.bytes, n - first);
    m_read += static_cast<uint32_t>(n);
    atomic(m_in.read).store(m_read, std::memory_order_seq_cst);
    return {n, false};
}

bool SharedRings::readable() const
{
    return atomic(m_in.written).load(std::memory_order_seq_cst) != m_read;
}

bool SharedRings::writable() const
{
    return m_written - atomic(m_out.read).load(std::memory_order_seq_cst) != ringBytes;
}

void SharedRings::setAsleep(bool asleep)
{
    // Store, then look at the ring (the caller's next readable()/writable()),
    // both sequentially consistent; the peer moves bytes, then looks at this
    // flag. One of the two sees the other's store, so no wake-up is lost.
    atomic(m_asleep).store(asleep ? 1 : 0, std::memory_order_seq_cst);
}

bool SharedRings::takePeerAsleep()
{
    auto flag = atomic(m_peerAsleep);
    return flag.load(std::memory_order_seq_cst) != 0 && flag.exchange(0, std::memory_order_seq_cst) != 0;
}

void SharedRings::noteProcessor(int cpu)
{
    // Kept one up, so that a block nobody has written to yet reads "unknown" (-1).
    atomic(m_processor).store(static_cast<uint32_t>(cpu + 1), std::memory_order_relaxed);
}

int SharedRings::peerProcessor() const
{
    // Taken back down in unsigned arithmetic: the peer may have written any
    // word, and the smallest int less one is no number.
    return static_cast<int>(atomic(m_peerProcessor).load(std::memory_order_relaxed) - 1u);
}

} // namespace automation::remote
