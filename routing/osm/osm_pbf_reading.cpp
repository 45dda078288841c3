#include "routing/osm/osm_pbf_reading.h"

#include "routing/core/timer.h"
#include "routing/osm/file_data_source.h"
#include "routing/osm/osm_pbf_decompressor.h"

#include <cstdio>
#include <thread>

namespace Routing {

namespace {

// Built in member order and torn down in reverse: blob reader, file reader, file.
class ReadPipeline
{
public:
    ReadPipeline(const std::string &file_name, unsigned block_size)
        : block_size(block_size), file(file_name),
          decompressor(BufferedAsynchronousReader(file.get_read_function_object(), block_size)),
          blob_reader(decompressor.get_read_function_object(), block_size)
    {
    }

    void decode(const OSMNodeCallback &node, const OSMWayCallback &way, const OSMRelationCallback &relation,
                const OSMLogCallback &log_message)
    {
        internal_read_osm_pbf(blob_reader, node, way, relation, log_message);
    }

    void restart_from_beginning()
    {
        blob_reader = BufferedAsynchronousReader();
        decompressor.replace_file_reader(BufferedAsynchronousReader());
        file.rewind();
        decompressor.replace_file_reader(BufferedAsynchronousReader(file.get_read_function_object(), block_size));
        blob_reader = BufferedAsynchronousReader(decompressor.get_read_function_object(), block_size);
    }

    // Waits until the file has shown whether it declares itself sorted, or
    // until the blob reader's worker has stopped (empty file, first blob bad).
    bool is_declared_sorted() const
    {
        while ((decompressor.state() & OsmPBFDecompressor::header_handled_or_data_met) == 0 &&
               !decompressor.has_stopped())
            std::this_thread::yield();
        return (decompressor.state() & OsmPBFDecompressor::declared_sorted) != 0;
    }

private:
    const unsigned block_size;
    FileDataSource file;
    OsmPBFDecompressor decompressor;
    BufferedAsynchronousReader blob_reader;
};

} // namespace

void unordered_read_osm_pbf(const std::string &file, const OSMNodeCallback &node, const OSMWayCallback &way,
                            const OSMRelationCallback &relation, const OSMLogCallback &log_message,
                            unsigned block_size)
{
    ReadPipeline pipeline(file, block_size);
    pipeline.decode(node, way, relation, log_message);
}

void ordered_read_osm_pbf(const std::string &file, const OSMNodeCallback &node, const OSMWayCallback &way,
                          const OSMRelationCallback &relation, const OSMLogCallback &log_message,
                          bool all_in_one_pass, unsigned block_size)
{
    ReadPipeline pipeline(file, block_size);
    if (all_in_one_pass || pipeline.is_declared_sorted()) {
        pipeline.decode(node, way, relation, log_message);
        return;
    }
    bool first_pass = true;
    auto pass = [&](const OSMNodeCallback &n, const OSMWayCallback &w, const OSMRelationCallback &r) {
        if (!first_pass)
            pipeline.restart_from_beginning();
        first_pass = false;
        pipeline.decode(n, w, r, log_message);
    };
    if (node)
        pass(node, {}, {});
    if (way)
        pass({}, way, {});
    if (relation)
        pass({}, {}, relation);
}

void speedtest_osm_pbf_reading(const std::string &file, std::function<void(const std::string &)> log_message)
{
    log_message("Starting scan speedtest");
    uint64_t nodes = 0, ways = 0, relations = 0;
    int64_t last_report = 0;
    auto report = [&] {
        const int64_t now = get_micro_time();
        if (now - last_report <= 1000000)
            return;
        char line[128];
        std::snprintf(line, sizeof line, "Read %9llu nodes, %9llu ways, %9llu relations last second",
                      static_cast<unsigned long long>(nodes), static_cast<unsigned long long>(ways),
                      static_cast<unsigned long long>(relations));
        log_message(line);
        nodes = ways = relations = 0;
        last_report = now;
    };
    unordered_read_osm_pbf(
        file, [&](uint64_t, double, double, const TagMap &) {
            ++nodes;
            report();
        },
        [&](uint64_t, const std::vector<uint64_t> &, const TagMap &) {
            ++ways;
            report();
        },
        [&](uint64_t, const std::vector<OSMRelationMember> &, const TagMap &) {
            ++relations;
            report();
        },
        log_message);
    log_message("Speedtest finished");
}

} // namespace Routing
