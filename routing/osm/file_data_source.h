#ifndef ROUTING_OSM_FILE_DATA_SOURCE_H
#define ROUTING_OSM_FILE_DATA_SOURCE_H

#include "routing/osm/read_function.h"

#include <cstdint>
#include <cstdio>
#include <memory>
#include <string>

namespace Routing {

// One file opened for binary reading, handed out as a read function.
class FileDataSource
{
public:
    FileDataSource() = default;
    explicit FileDataSource(const char *file_name);
    explicit FileDataSource(const std::string &file_name);

    FileDataSource(FileDataSource &&) = default;
    FileDataSource &operator=(FileDataSource &&) = default;

    // A file already held is replaced only when the new one opens.
    void open(const char *file_name);
    void close();
    void rewind();
    // Length in bytes, 0 without a file; the read position is kept.
    uint64_t size() const;
    uint64_t read(char *buffer, uint64_t n);
    // Reads from the stream held now; the function does not follow later
    // open() or close() calls on this object.
    ReadFunction get_read_function_object();

private:
    struct Closer
    {
        void operator()(FILE *file) const { std::fclose(file); }
    };
    std::unique_ptr<FILE, Closer> file;
};

} // namespace Routing

#endif
