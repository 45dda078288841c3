#ifndef ROUTING_OSM_OSM_PBF_READING_H
#define ROUTING_OSM_OSM_PBF_READING_H

#include "routing/osm/osm_decoder.h"

#include <string>

namespace Routing {

// Each read runs three threads: one reads the file, one frames and inflates
// blobs, and the calling thread decodes and runs the callbacks. The file is
// closed and both threads joined before these functions return or throw.

// Block size of both readers of a read: a blob may inflate to at most this
// many bytes less 4. Tests of small files pass smaller blocks.
constexpr unsigned pbf_block_size = 64u << 20;

// Every element once, in file order.
void unordered_read_osm_pbf(const std::string &file, const OSMNodeCallback &node, const OSMWayCallback &way,
                            const OSMRelationCallback &relation, const OSMLogCallback &log_message,
                            unsigned block_size = pbf_block_size);

// All nodes before any way, all ways before any relation: one read when
// `all_in_one_pass` is set or the file declares itself sorted, otherwise one
// read per element kind that has a callback.
void ordered_read_osm_pbf(const std::string &file, const OSMNodeCallback &node, const OSMWayCallback &way,
                          const OSMRelationCallback &relation, const OSMLogCallback &log_message,
                          bool all_in_one_pass, unsigned block_size = pbf_block_size);

// Reads the whole file and reports the element rate once a second.
void speedtest_osm_pbf_reading(const std::string &file, std::function<void(const std::string &)> log_message);

} // namespace Routing

#endif
