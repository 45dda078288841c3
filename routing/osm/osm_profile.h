#ifndef ROUTING_OSM_OSM_PROFILE_H
#define ROUTING_OSM_OSM_PROFILE_H

#include "routing/osm/tag_map.h"

#include <cstdint>
#include <functional>
#include <string>

namespace Routing {

// What the tags of one OSM way mean for cars, pedestrians and bicycles. The
// first matching rule decides; values compare exactly. Warnings go to the log
// callback when it is not empty.

enum class OSMWayDirectionCategory : uint32_t
{
    open_in_both_directions = 0,
    only_open_forwards = 1,
    only_open_backwards = 2,
    closed = 3,
};

using OSMProfileLog = std::function<void(const std::string &)>;

bool is_osm_way_used_by_cars(uint64_t osm_way_id, const TagMap &tags, OSMProfileLog log_message);
bool is_osm_way_used_by_pedestrians(uint64_t osm_way_id, const TagMap &tags, OSMProfileLog log_message);
bool is_osm_way_used_by_bicycles(uint64_t osm_way_id, const TagMap &tags, OSMProfileLog log_message);

OSMWayDirectionCategory get_osm_car_direction_category(uint64_t osm_way_id, const TagMap &tags,
                                                       OSMProfileLog log_message);
OSMWayDirectionCategory get_osm_bicycle_direction_category(uint64_t osm_way_id, const TagMap &tags,
                                                           OSMProfileLog log_message);

// Car speed in km/h, at least 1: from maxspeed, else by highway type, else 50.
unsigned get_osm_way_speed(uint64_t osm_way_id, const TagMap &tags, OSMProfileLog log_message);

unsigned get_min_bicycle_comfort_level();
unsigned get_max_bicycle_comfort_level();
unsigned get_osm_way_bicycle_comfort_level(uint64_t osm_way_id, const TagMap &tags, OSMProfileLog log_message);

// "name;ref", the one present, or empty.
std::string get_osm_way_name(uint64_t osm_way_id, const TagMap &tags, OSMProfileLog log_message);

} // namespace Routing

#endif
