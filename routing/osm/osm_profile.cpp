#include "routing/osm/osm_profile.h"

#include <algorithm>
#include <cstring>
#include <initializer_list>
#include <string_view>
#include <vector>

namespace Routing {

namespace {

bool is_one_of(const char *value, std::initializer_list<const char *> options)
{
    if (value == nullptr)
        return false;
    for (const char *option : options)
        if (std::strcmp(value, option) == 0)
            return true;
    return false;
}

bool is_access_denied(const TagMap &tags, std::initializer_list<const char *> allowed)
{
    const char *access = tags["access"];
    return access != nullptr && !is_one_of(access, allowed);
}

void warn(const OSMProfileLog &log_message, uint64_t osm_way_id, const std::string &text)
{
    if (log_message)
        log_message("Warning: OSM way " + std::to_string(osm_way_id) + text);
}

OSMWayDirectionCategory closed_for_unknown_oneway(const OSMProfileLog &log_message, uint64_t osm_way_id,
                                                  const char *value, const char *key)
{
    warn(log_message, osm_way_id,
         std::string(" has unknown oneway tag value \"") + value + "\" for \"" + key + "\". Way is closed.");
    return OSMWayDirectionCategory::closed;
}

} // namespace

bool is_osm_way_used_by_cars(uint64_t, const TagMap &tags, OSMProfileLog)
{
    if (tags["junction"] != nullptr || is_one_of(tags["route"], {"ferry"}) || is_one_of(tags["ferry"], {"yes"}))
        return true;
    const char *highway = tags["highway"];
    if (highway == nullptr || is_one_of(tags["motorcar"], {"no"}) || is_one_of(tags["motor_vehicle"], {"no"}) ||
        is_access_denied(tags, {"yes", "permissive", "delivery", "designated", "destination"}))
        return false;
    if (is_one_of(highway, {"motorway", "trunk", "primary", "secondary", "tertiary", "unclassified", "residential",
                            "service", "motorway_link", "trunk_link", "primary_link", "secondary_link",
                            "tertiary_link", "motorway_junction", "living_street", "track", "ferry"}))
        return true;
    if (is_one_of(highway, {"bicycle_road"}))
        return is_one_of(tags["motorcar"], {"yes"});
    if (is_one_of(highway, {"construction", "path", "footway", "cycleway", "bridleway", "pedestrian", "bus_guideway",
                            "raceway", "escape", "steps", "proposed", "conveying"}) ||
        is_one_of(tags["oneway"], {"reversible", "alternating"}))
        return false;
    return tags["maxspeed"] != nullptr;
}

bool is_osm_way_used_by_pedestrians(uint64_t, const TagMap &tags, OSMProfileLog)
{
    if (tags["junction"] != nullptr || is_one_of(tags["route"], {"ferry"}) || is_one_of(tags["ferry"], {"ferry"}) ||
        is_one_of(tags["public_transport"], {"stop_position", "platform", "stop_area", "station"}) ||
        is_one_of(tags["railway"], {"halt", "platform", "subway_entrance", "station", "tram_stop"}))
        return true;
    const char *highway = tags["highway"];
    if (highway == nullptr ||
        is_access_denied(tags, {"yes", "permissive", "delivery", "designated", "destination", "agricultural",
                                "forestry", "public"}) ||
        is_one_of(tags["crossing"], {"no"}))
        return false;
    return is_one_of(highway, {"secondary", "tertiary", "unclassified", "residential", "service", "secondary_link",
                               "tertiary_link", "living_street", "track", "bicycle_road", "path", "footway",
                               "cycleway", "bridleway", "pedestrian", "escape", "steps", "crossing", "escalator",
                               "elevator", "platform", "ferry"});
}

bool is_osm_way_used_by_bicycles(uint64_t, const TagMap &tags, OSMProfileLog)
{
    if (tags["junction"] != nullptr || is_one_of(tags["route"], {"ferry"}) || is_one_of(tags["ferry"], {"ferry"}))
        return true;
    const char *highway = tags["highway"];
    if (highway == nullptr || is_one_of(highway, {"proposed"}) ||
        is_access_denied(tags, {"yes", "permissive", "delivery", "designated", "destination", "agricultural",
                                "forestry", "public"}) ||
        is_one_of(tags["bicycle"], {"no", "use_sidepath"}))
        return false;
    if (tags["cycleway"] != nullptr || tags["cycleway:left"] != nullptr || tags["cycleway:right"] != nullptr ||
        tags["cycleway:both"] != nullptr)
        return true;
    return is_one_of(highway, {"secondary", "tertiary", "unclassified", "residential", "service", "secondary_link",
                               "tertiary_link", "living_street", "track", "bicycle_road", "primary", "primary_link",
                               "path", "footway", "cycleway", "bridleway", "pedestrian", "crossing", "escape",
                               "steps", "ferry"});
}

OSMWayDirectionCategory get_osm_car_direction_category(uint64_t osm_way_id, const TagMap &tags,
                                                       OSMProfileLog log_message)
{
    if (const char *oneway = tags["oneway"]) {
        if (is_one_of(oneway, {"-1", "reverse", "backward"}))
            return OSMWayDirectionCategory::only_open_backwards;
        if (is_one_of(oneway, {"yes", "true", "1"}))
            return OSMWayDirectionCategory::only_open_forwards;
        if (is_one_of(oneway, {"no", "false", "0"}))
            return OSMWayDirectionCategory::open_in_both_directions;
        if (is_one_of(oneway, {"reversible", "alternating"}))
            return OSMWayDirectionCategory::closed;
        return closed_for_unknown_oneway(log_message, osm_way_id, oneway, "oneway");
    }
    if (is_one_of(tags["junction"], {"roundabout"}) || is_one_of(tags["highway"], {"motorway", "motorway_link"}))
        return OSMWayDirectionCategory::only_open_forwards;
    return OSMWayDirectionCategory::open_in_both_directions;
}

OSMWayDirectionCategory get_osm_bicycle_direction_category(uint64_t osm_way_id, const TagMap &tags,
                                                           OSMProfileLog log_message)
{
    if (const char *oneway_bicycle = tags["oneway:bicycle"]) {
        if (is_one_of(oneway_bicycle, {"-1", "opposite"}))
            return OSMWayDirectionCategory::only_open_backwards;
        if (is_one_of(oneway_bicycle, {"1", "yes", "true", "no_planned"}))
            return OSMWayDirectionCategory::only_open_forwards;
        if (is_one_of(oneway_bicycle, {"0", "no", "false", "tolerated", "permissive"}))
            return OSMWayDirectionCategory::open_in_both_directions;
        return closed_for_unknown_oneway(log_message, osm_way_id, oneway_bicycle, "oneway:bicycle");
    }
    const char *oneway = tags["oneway"];
    if (oneway == nullptr || is_one_of(oneway, {"no", "false", "0"}) ||
        is_one_of(tags["cycleway"], {"opposite", "opposite_track", "opposite_lane", "opposite_share_busway"}) ||
        tags["cycleway:both"] != nullptr || (tags["cycleway:left"] != nullptr && tags["cycleway:right"] != nullptr))
        return OSMWayDirectionCategory::open_in_both_directions;
    if (is_one_of(oneway, {"-1", "reverse", "backward"}))
        return OSMWayDirectionCategory::only_open_backwards;
    if (is_one_of(oneway, {"yes", "true", "1"}))
        return OSMWayDirectionCategory::only_open_forwards;
    if (is_one_of(oneway, {"reversible", "alternating"}))
        return OSMWayDirectionCategory::closed;
    return closed_for_unknown_oneway(log_message, osm_way_id, oneway, "oneway");
}

namespace {

constexpr unsigned no_speed = 2147483647;

// "??:walk" and the like: a '?' on either side matches any one character.
bool matches(std::string_view value, std::string_view pattern)
{
    if (value.size() != pattern.size())
        return false;
    for (size_t i = 0; i < value.size(); ++i)
        if (value[i] != pattern[i] && value[i] != '?' && pattern[i] != '?')
            return false;
    return true;
}

// A number with an optional unit.
unsigned parse_speed_number(uint64_t osm_way_id, std::string_view value, const OSMProfileLog &log_message)
{
    uint32_t n = 0;
    size_t i = 0;
    for (; i < value.size() && value[i] >= '0' && value[i] <= '9'; ++i)
        n = 10 * n + static_cast<uint32_t>(value[i] - '0');
    while (i < value.size() && value[i] == ' ')
        ++i;
    // A suffix of a zero-terminated text, so zero-terminated as well.
    const std::string_view unit = value.substr(i);
    if (is_one_of(unit.data(), {"", "km/h", "kmh", "kph"}))
        return n;
    if (unit == "mph")
        return n * 1609 / 1000;
    if (unit == "knots")
        return n * 1852 / 1000;
    warn(log_message, osm_way_id,
         " has an unknown unit \"" + std::string(unit) + "\" for its \"maxspeed\" tag -> assuming \"km/h\".");
    return n;
}

// One maxspeed value; no_speed when it imposes no number or cannot be read.
unsigned parse_maxspeed_value(uint64_t osm_way_id, const char *text, OSMProfileLog log_message)
{
    const std::string_view value(text);
    if (is_one_of(text, {"signals", "variable"}))
        return no_speed;
    if (is_one_of(text, {"none", "unlimited"}))
        return 130;
    if (is_one_of(text, {"walk", "foot", "walking_pace", "schritt"}) || matches(value, "??:walk"))
        return 5;
    if (value == "urban" || matches(value, "??:urban"))
        return 40;
    if (value == "living_street" || matches(value, "??:living_street"))
        return 10;
    if (is_one_of(text, {"de:rural", "at:rural", "ro:rural", "rural"}))
        return 100;
    if (is_one_of(text, {"ru:rural", "ua:rural"}))
        return 90;
    if (value == "ru:motorway")
        return 110;
    if (value == "ch:motorway")
        return 120;
    if (is_one_of(text, {"at:motorway", "ro:motorway", "de:motorway"}))
        return 130;
    if (is_one_of(text, {"national", "ro:trunk"}))
        return 100;
    if (is_one_of(text, {"dk:rural", "ch:rural", "fr:rural"}))
        return 80;
    if (is_one_of(text, {"it:rural", "hu:rural"}))
        return 90;
    if (is_one_of(text, {"de:zone:30", "de:zone30", "at:zone30"}))
        return 30;
    if (!value.empty() && value[0] >= '0' && value[0] <= '9')
        return parse_speed_number(osm_way_id, value, log_message);
    warn(log_message, osm_way_id, " has an unrecognized value of \"" + std::string(value) + "\" for its \"maxspeed\" tag.");
    return no_speed;
}

// The smallest speed of a ';'-separated list, read lower-cased.
unsigned parse_maxspeed_list(uint64_t osm_way_id, const char *maxspeed, const OSMProfileLog &log_message)
{
    std::string text(maxspeed, std::min<size_t>(std::strlen(maxspeed), 1022));
    for (char &c : text)
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
    // Each ';' ends a part: the parts become zero-terminated texts in place.
    unsigned smallest = no_speed;
    for (size_t begin = 0;;) {
        const size_t end = text.find(';', begin);
        if (end != std::string::npos)
            text[end] = '\0';
        while (begin < text.size() && text[begin] == ' ')
            ++begin;
        smallest = std::min(smallest, parse_maxspeed_value(osm_way_id, text.c_str() + begin, log_message));
        if (end == std::string::npos)
            return smallest;
        begin = end + 1;
    }
}

unsigned default_speed_of_highway(const char *highway)
{
    static const std::pair<const char *, unsigned> speeds[] = {
        {"motorway", 90},  {"motorway_link", 45}, {"trunk", 85},        {"trunk_link", 40},
        {"primary", 65},   {"primary_link", 30},  {"secondary", 55},    {"secondary_link", 25},
        {"tertiary", 40},  {"tertiary_link", 20}, {"unclassified", 25}, {"residential", 25},
        {"living_street", 10}, {"service", 8},    {"track", 8},         {"ferry", 5},
    };
    if (highway != nullptr)
        for (const auto &[type, speed] : speeds)
            if (std::strcmp(highway, type) == 0)
                return speed;
    return no_speed;
}

} // namespace

unsigned get_osm_way_speed(uint64_t osm_way_id, const TagMap &tags, OSMProfileLog log_message)
{
    const char *maxspeed = tags["maxspeed"];
    if (maxspeed != nullptr && std::strcmp(maxspeed, "unposted") != 0) {
        const unsigned speed = parse_maxspeed_list(osm_way_id, maxspeed, log_message);
        if (speed == 0) {
            warn(log_message, osm_way_id, " has speed 0 km/h, setting it to 1 km/h");
            return 1;
        }
        if (speed != no_speed)
            return speed;
    }
    const char *highway = tags["highway"];
    if (const unsigned speed = default_speed_of_highway(highway); speed != no_speed)
        return speed;
    if (tags["junction"] != nullptr)
        return 20;
    if (is_one_of(tags["route"], {"ferry"}) || tags["ferry"] != nullptr)
        return 5;
    const std::string no_junction = " and an no junction tag -> assuming 50km/h.";
    const std::string highway_text =
        highway != nullptr ? "an unrecognized \"highway\" tag of \"" + std::string(highway) + "\"" : "";
    if (maxspeed != nullptr)
        warn(log_message, osm_way_id,
             " has an unrecognized \"maxspeed\" tag of \"" + std::string(maxspeed) + "\" and " +
                 (highway != nullptr ? highway_text : "no \"highway\" tag") + no_junction);
    else
        warn(log_message, osm_way_id,
             " has no \"maxspeed\" and " + (highway != nullptr ? highway_text : "no \"highway\" tag") + no_junction);
    return 50;
}

unsigned get_min_bicycle_comfort_level()
{
    return 0;
}

unsigned get_max_bicycle_comfort_level()
{
    return 4;
}

unsigned get_osm_way_bicycle_comfort_level(uint64_t, const TagMap &tags, OSMProfileLog)
{
    if (is_one_of(tags["highway"], {"cycleway"}))
        return 4;
    if (const char *cycleway = tags["cycleway"])
        return std::strcmp(cycleway, "track") == 0 ? 3 : 2;
    if (is_one_of(tags["highway"], {"primary", "primary_link"}) || is_one_of(tags["bicycle"], {"dismount"}))
        return 0;
    return 1;
}

std::string get_osm_way_name(uint64_t, const TagMap &tags, OSMProfileLog)
{
    const char *name = tags["name"];
    const char *ref = tags["ref"];
    if (name != nullptr && ref != nullptr)
        return std::string(name) + ";" + ref;
    return name != nullptr ? name : ref != nullptr ? ref : "";
}

} // namespace Routing
