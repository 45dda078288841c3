#include "routing/osm/buffered_asynchronous_reader.h"

#include <condition_variable>
#include <cstdint>
#include <cstring>
#include <exception>
#include <mutex>
#include <stdexcept>
#include <string>
#include <thread>

namespace Routing {

namespace {

// The ring of five blocks and its mirror block are addressed with 32-bit positions.
constexpr uint32_t largest_block_size = UINT32_MAX / 6;

uint32_t checked_block_size(unsigned block_size)
{
    if (block_size > largest_block_size)
        throw std::runtime_error("Requested a block size of " + std::to_string(block_size) +
                                 " bytes, which is more than the largest block size of " +
                                 std::to_string(largest_block_size));
    return block_size;
}

} // namespace

// The ring holds five blocks and is followed by a mirror of its first block,
// so that every span of at most one block starting in the ring is contiguous.
struct BufferedAsynchronousReader::Impl
{
    Impl(ReadFunction read, unsigned block_size);
    ~Impl();

    uint32_t ring_size() const { return 5 * block_size; }
    uint32_t unread() const
    {
        return write_pos >= read_pos ? write_pos - read_pos : ring_size() - read_pos + write_pos;
    }
    void run(ReadFunction read);
    void append_block(ReadFunction &read, std::unique_lock<std::mutex> &lock);
    // The span, or nullptr with `available` set to the bytes left at the end.
    char *take(unsigned n, uint32_t &available);

    const uint32_t block_size;
    // Not zero-filled: only bytes the read function wrote are ever handed out.
    const std::unique_ptr<char[]> buffer;
    uint32_t read_pos = 0;
    uint32_t write_pos = 0;
    bool is_end_of_data = false;
    bool should_terminate = false;
    std::thread worker;
    std::exception_ptr error;
    std::mutex lock;
    std::condition_variable space_freed;
    std::condition_variable data_added;
};

BufferedAsynchronousReader::Impl::Impl(ReadFunction read, unsigned block_size_)
    : block_size(checked_block_size(block_size_)), buffer(std::make_unique_for_overwrite<char[]>(6 * block_size))
{
    std::lock_guard<std::mutex> guard(lock);
    worker = std::thread(&Impl::run, this, std::move(read));
}

BufferedAsynchronousReader::Impl::~Impl()
{
    {
        std::lock_guard<std::mutex> guard(lock);
        should_terminate = true;
    }
    space_freed.notify_one();
    worker.join();
}

void BufferedAsynchronousReader::Impl::run(ReadFunction read)
{
    std::unique_lock<std::mutex> guard(lock);
    try {
        append_block(read, guard);
    } catch (...) {
        if (!guard.owns_lock())
            guard.lock();
        error = std::current_exception();
        data_added.notify_one();
    }
}

void BufferedAsynchronousReader::Impl::append_block(ReadFunction &read, std::unique_lock<std::mutex> &guard)
{
    const uint32_t ring = ring_size();
    for (;;) {
        space_freed.wait(guard, [&] { return should_terminate || ring - unread() >= 2 * block_size; });
        if (should_terminate)
            return;
        const uint32_t start = write_pos;
        guard.unlock();
        const unsigned long long n = read(buffer.get() + start, block_size);
        guard.lock();
        if (should_terminate)
            return;
        if (n == 0) {
            is_end_of_data = true;
            data_added.notify_one();
            return;
        }
        if (n > block_size)
            throw std::runtime_error("Read function returned more bytes than requested.");
        uint32_t end = start + static_cast<uint32_t>(n);
        if (end >= ring) {
            end -= ring;
            std::memcpy(buffer.get(), buffer.get() + ring, end);
        }
        if (start < block_size)
            std::memcpy(buffer.get() + ring + start, buffer.get() + start,
                        std::min<uint32_t>(static_cast<uint32_t>(n), block_size - start));
        write_pos = end;
        data_added.notify_one();
    }
}

char *BufferedAsynchronousReader::Impl::take(unsigned n, uint32_t &available)
{
    if (n > block_size)
        throw std::runtime_error("Requested to read " + std::to_string(n) +
                                 " bytes, which is more than the block size of " + std::to_string(block_size));
    std::unique_lock<std::mutex> guard(lock);
    for (;;) {
        if (error) {
            is_end_of_data = true;
            std::rethrow_exception(error);
        }
        available = unread();
        if (available >= n)
            break;
        if (is_end_of_data)
            return nullptr;
        data_added.wait(guard);
    }
    char *span = buffer.get() + read_pos;
    read_pos += n;
    if (read_pos >= ring_size())
        read_pos -= ring_size();
    guard.unlock();
    space_freed.notify_one();
    return span;
}

BufferedAsynchronousReader::BufferedAsynchronousReader() = default;

BufferedAsynchronousReader::BufferedAsynchronousReader(ReadFunction read, unsigned block_size)
    : impl(std::make_unique<Impl>(std::move(read), block_size))
{
}

BufferedAsynchronousReader::BufferedAsynchronousReader(BufferedAsynchronousReader &&other) noexcept = default;

BufferedAsynchronousReader &BufferedAsynchronousReader::operator=(BufferedAsynchronousReader &&other) noexcept
{
    impl.reset();
    impl = std::move(other.impl);
    return *this;
}

BufferedAsynchronousReader::~BufferedAsynchronousReader() = default;

BufferedAsynchronousReader::Impl &BufferedAsynchronousReader::source()
{
    if (!impl)
        throw std::logic_error("Read from a BufferedAsynchronousReader without a data source: it was "
                               "default-constructed or moved from.");
    return *impl;
}

char *BufferedAsynchronousReader::read(unsigned n)
{
    uint32_t available = 0;
    return source().take(n, available);
}

char *BufferedAsynchronousReader::read_or_throw(unsigned n)
{
    uint32_t available = 0;
    char *span = source().take(n, available);
    if (span == nullptr)
        throw std::runtime_error("Wanted to read " + std::to_string(n) + " bytes but only " +
                                 std::to_string(available) + " are available in the data source.");
    return span;
}

} // namespace Routing
