#include "routing/osm/osm_pbf_decompressor.h"

#include "routing/osm/protobuf.h"

#include <zlib.h>

#include <cstring>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>

namespace Routing {

namespace {

struct BlobHeader
{
    char type[16] = {};
    uint32_t data_size = UINT32_MAX;
};

BlobHeader parse_blob_header(const char *begin, const char *end)
{
    BlobHeader header;
    while (begin != end) {
        const ProtobufField field = read_protobuf_field_and_advance(begin, end);
        if (field.number == 1 && field.wire_type == 2) {
            const size_t length = std::min<size_t>(field.end - field.begin, sizeof header.type - 1);
            std::memset(header.type, 0, sizeof header.type);
            std::memcpy(header.type, field.begin, length);
        } else if (field.number == 3 && field.wire_type == 0) {
            header.data_size = static_cast<uint32_t>(field.value);
        }
    }
    if (header.data_size == UINT32_MAX)
        throw std::runtime_error("Cannot parse OSM blob header because it is missing the data size");
    return header;
}

bool is_leading_part_of(std::string_view text, std::string_view whole)
{
    return text.size() <= whole.size() && whole.substr(0, text.size()) == text;
}

uint32_t read_big_endian_32(const char *bytes)
{
    const auto *b = reinterpret_cast<const unsigned char *>(bytes);
    return uint32_t{b[0]} << 24 | uint32_t{b[1]} << 16 | uint32_t{b[2]} << 8 | uint32_t{b[3]};
}

void inflate_exactly(const char *compressed, size_t compressed_size, char *out, uint32_t raw_size)
{
    z_stream stream{};
    stream.next_in = reinterpret_cast<Bytef *>(const_cast<char *>(compressed));
    stream.avail_in = static_cast<uInt>(compressed_size);
    stream.next_out = reinterpret_cast<Bytef *>(out);
    stream.avail_out = raw_size;
    if (inflateInit(&stream) != Z_OK)
        throw std::runtime_error("PBF error: Failed to initialize zlib stream.");
    const int result = inflate(&stream, Z_FINISH);
    const int end_result = inflateEnd(&stream);
    if (result != Z_STREAM_END)
        throw std::runtime_error("PBF error: Failed to completely inflate zlib stream. Probably the OSM blob "
                                 "decompresses to something larger than reported in the header.");
    if (end_result != Z_OK)
        throw std::runtime_error("PBF error: Failed to cleanup zlib stream.");
    if (stream.total_out != raw_size)
        throw std::runtime_error("PBF error: OSM blob decompresses to fewer bytes than reported in the header.");
}

} // namespace

OsmPBFDecompressor::OsmPBFDecompressor(BufferedAsynchronousReader file_reader_)
    : file_reader(std::move(file_reader_))
{
}

void OsmPBFDecompressor::replace_file_reader(BufferedAsynchronousReader new_file_reader)
{
    file_reader = BufferedAsynchronousReader();
    state_word.store(0, std::memory_order_release);
    stopped.store(false, std::memory_order_release);
    file_reader = std::move(new_file_reader);
}

ReadFunction OsmPBFDecompressor::get_read_function_object()
{
    return [this](char *buffer, unsigned long long capacity) -> unsigned long long {
        try {
            const unsigned long long size = read_next_record(buffer, capacity);
            if (size == 0)
                stopped.store(true, std::memory_order_release);
            return size;
        } catch (...) {
            stopped.store(true, std::memory_order_release);
            throw;
        }
    };
}

unsigned long long OsmPBFDecompressor::read_next_record(char *buffer, unsigned long long capacity)
{
    for (;;) {
        const char *length_bytes = file_reader.read(4);
        if (length_bytes == nullptr)
            return 0;
        const uint32_t header_length = read_big_endian_32(length_bytes);
        const char *header_bytes = file_reader.read_or_throw(header_length);
        if (header_length == 0)
            throw std::runtime_error("Cannot parse OSM blob header because it is missing the data size");
        const BlobHeader header = parse_blob_header(header_bytes, header_bytes + header_length);

        if (std::strcmp(header.type, "OSMData") == 0) {
            state_word.fetch_or(header_handled_or_data_met | data_blob_met, std::memory_order_acq_rel);
            const char *blob = file_reader.read_or_throw(header.data_size);
            return read_data_blob(blob, header.data_size, buffer, capacity);
        }
        if (std::strcmp(header.type, "OSMHeader") == 0) {
            const uint64_t state = state_word.load(std::memory_order_acquire);
            if ((state & header_handled_or_data_met) && (state & data_blob_met))
                throw std::runtime_error("OSM PBF file header block must preceed all blob blocks");
            if ((state & header_handled_or_data_met) && (state & header_blob_met))
                throw std::runtime_error("OSM PBF file contains two header blocks");
            read_header_blob(file_reader.read_or_throw(header.data_size), header.data_size);
            continue;
        }
        // Blobs of other types are skipped; one cut short by the end of the
        // file is truncation, not the start of the next frame.
        file_reader.read_or_throw(header.data_size);
    }
}

unsigned long long OsmPBFDecompressor::read_data_blob(const char *blob, uint32_t size, char *buffer,
                                                      unsigned long long capacity)
{
    if (size == 0)
        throw std::runtime_error("PBF error: Blob contains neither compressed nor uncompressed data");
    std::optional<ProtobufField> raw, zlib_data;
    std::optional<uint64_t> claimed_raw_size;
    for (const char *pos = blob, *end = blob + size; pos != end;) {
        const ProtobufField field = read_protobuf_field_and_advance(pos, end);
        if (field.number == 1 && field.wire_type == 2)
            raw = field;
        else if (field.number == 2 && field.wire_type == 0)
            claimed_raw_size = field.value;
        else if (field.number == 3 && field.wire_type == 2)
            zlib_data = field;
    }
    if (!raw && !zlib_data)
        throw std::runtime_error("PBF error: Blob contains neither compressed nor uncompressed data");
    if (raw && zlib_data)
        throw std::runtime_error("PBF error: Blob must not contain both compressed and uncompressed data");
    const uint64_t raw_length = raw ? static_cast<uint64_t>(raw->end - raw->begin) : 0;
    // Uncompressed data carries its own length; only compressed data needs raw_size.
    if (!claimed_raw_size && !raw)
        throw std::runtime_error("PBF error: Blob does not contain the size of the uncompressed data");
    const uint64_t raw_size = claimed_raw_size.value_or(raw_length);
    const uint64_t max_raw_size = capacity < 4 ? 0 : capacity - 4;
    if (capacity < 4 || raw_size > max_raw_size)
        throw std::runtime_error("PBF error: Blob is too large. It is " + std::to_string(raw_size) +
                                 " but may be at most " + std::to_string(max_raw_size));
    const auto record_size = static_cast<uint32_t>(raw_size);
    if (raw) {
        if (raw_length != raw_size)
            throw std::runtime_error("PBF error: claimed uncompressed blob size does not correspond to actual blob "
                                     "size");
        std::memcpy(buffer + 4, raw->begin, raw_length);
    } else {
        inflate_exactly(zlib_data->begin, zlib_data->end - zlib_data->begin, buffer + 4, record_size);
    }
    std::memcpy(buffer, &record_size, 4);
    return raw_size + 4;
}

void OsmPBFDecompressor::read_header_blob(const char *blob, uint32_t size)
{
    bool sorted = false;
    for (const char *pos = blob, *end = blob + size; pos != end;) {
        const ProtobufField field = read_protobuf_field_and_advance(pos, end);
        if (field.wire_type != 2)
            continue;
        const std::string_view content(field.begin, field.end - field.begin);
        if (field.number == 4 && !is_leading_part_of(content, "DenseNodes"))
            throw std::runtime_error("Required OSM PBF feature \"" + std::string(content) + "\" is unknown");
        if (field.number == 5 && is_leading_part_of(content, "Sort.Type_then_ID"))
            sorted = true;
    }
    state_word.store(sorted ? header_handled_or_data_met | declared_sorted | header_blob_met
                            : header_handled_or_data_met | header_blob_met,
                     std::memory_order_release);
}

} // namespace Routing
