#ifndef ROUTING_OSM_BUFFERED_ASYNCHRONOUS_READER_H
#define ROUTING_OSM_BUFFERED_ASYNCHRONOUS_READER_H

#include "routing/osm/read_function.h"

#include <memory>

namespace Routing {

// Runs a read function on a worker thread of its own, up to four blocks ahead
// of its single consumer, and hands out spans of at most one block as pointers
// into a ring buffer. A span stays valid, and may be modified in place, until
// the consumer's next read. An exception thrown by the read function reaches
// the consumer at its next read, and at every read after that.
//
// When the read function of one reader consumes another reader, destroy the
// outer reader first, so that its worker can finish.
class BufferedAsynchronousReader
{
public:
    // Without a data source: reading throws std::logic_error, as it does after a move.
    BufferedAsynchronousReader();
    // Six blocks must fit in 32 bits; a larger block_size throws std::runtime_error.
    BufferedAsynchronousReader(ReadFunction read, unsigned block_size);
    BufferedAsynchronousReader(BufferedAsynchronousReader &&other) noexcept;
    BufferedAsynchronousReader &operator=(BufferedAsynchronousReader &&other) noexcept;
    ~BufferedAsynchronousReader();

    // The next n bytes, contiguous; nullptr when the data ended with fewer left.
    char *read(unsigned n);
    char *read_or_throw(unsigned n);

private:
    struct Impl;
    Impl &source();

    std::unique_ptr<Impl> impl;
};

} // namespace Routing

#endif
