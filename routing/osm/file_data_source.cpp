#include "routing/osm/file_data_source.h"

#include <stdexcept>

namespace Routing {

namespace {

uint64_t read_from(FILE *file, char *buffer, uint64_t n)
{
    // Without this check fread would be handed a null stream.
    if (file == nullptr)
        throw std::runtime_error("No file is open for reading.");
    const uint64_t count = std::fread(buffer, 1, n, file);
    if (const int error = std::ferror(file))
        throw std::runtime_error("fread failed on file opened for reading. ferror returns " + std::to_string(error) +
                                 ".");
    return count;
}

} // namespace

FileDataSource::FileDataSource(const char *file_name)
{
    open(file_name);
}

FileDataSource::FileDataSource(const std::string &file_name)
{
    open(file_name.c_str());
}

void FileDataSource::open(const char *file_name)
{
    FILE *opened = std::fopen(file_name, "rb");
    if (opened == nullptr)
        throw std::runtime_error(std::string("Could not open file \"") + file_name + "\" for reading.");
    file.reset(opened);
}

void FileDataSource::close()
{
    file.reset();
}

void FileDataSource::rewind()
{
    if (file == nullptr || fseeko(file.get(), 0, SEEK_SET) != 0)
        throw std::runtime_error("Could not rewind file opened for reading.");
}

uint64_t FileDataSource::size() const
{
    if (file == nullptr)
        return 0;
    const off_t position = ftello(file.get());
    if (position < 0)
        throw std::runtime_error("ftell failed on file opened for reading.");
    if (fseeko(file.get(), 0, SEEK_END) != 0)
        throw std::runtime_error("fseek failed on file opened for reading.");
    const off_t end = ftello(file.get());
    if (fseeko(file.get(), position, SEEK_SET) != 0)
        throw std::runtime_error("fseek failed on file opened for reading, file stream could be in an unexpected state.");
    if (end < 0)
        throw std::runtime_error("ftell failed on file opened for reading.");
    return static_cast<uint64_t>(end);
}

uint64_t FileDataSource::read(char *buffer, uint64_t n)
{
    return read_from(file.get(), buffer, n);
}

ReadFunction FileDataSource::get_read_function_object()
{
    return [handle = file.get()](char *buffer, unsigned long long n) -> unsigned long long {
        return read_from(handle, buffer, n);
    };
}

} // namespace Routing
