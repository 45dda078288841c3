#include "routing/osm/osm_profile.h"
#include "tests/routing/osm/pbf_test_support.h"

#include <gtest/gtest.h>

#include <string>

namespace {

using namespace Routing;

// Collects warning lines, one per line end.
struct Warnings
{
    std::string text;
    OSMProfileLog log = [this](const std::string &line) { text += line + "\n"; };
};

const std::string way_7 = "Warning: OSM way 7";

TEST(OsmProfile, UsageAndDirectionFollowTheRuleOrder)
{
    const std::string closed = " has unknown oneway tag value \"maybe\" for \"oneway\". Way is closed.\n";
    const struct
    {
        const char *tags, *users; // c: cars, p: pedestrians, b: bicycles
        int car_direction, bicycle_direction;
        std::string warnings = "";
    } cases[] = {
        {"junction=roundabout", "cpb", 1, 0}, {"junction=roundabout,oneway=no", "cpb", 0, 0},
        {"junction=yes,highway=footway,access=no", "cpb", 0, 0}, // junction comes before the access rules
        {"highway=motorway", "c", 1, 0}, {"highway=motorway_link,cycleway=no", "cb", 1, 0},
        {"highway=residential,access=private", "", 0, 0}, {"highway=residential,access=agricultural", "pb", 0, 0},
        {"highway=residential,motor_vehicle=no", "pb", 0, 0}, {"highway=road", "", 0, 0},
        {"highway=road,maxspeed=50", "c", 0, 0}, {"highway=road,maxspeed=50,oneway=reversible", "", 3, 3},
        {"highway=bicycle_road", "pb", 0, 0}, {"highway=bicycle_road,motorcar=yes", "cpb", 0, 0},
        {"highway=footway,crossing=no", "b", 0, 0}, {"highway=proposed,cycleway=lane", "", 0, 0},
        {"highway=primary,bicycle=use_sidepath", "c", 0, 0}, {"railway=platform", "p", 0, 0},
        {"ferry=yes", "c", 0, 0}, {"ferry=ferry", "pb", 0, 0}, {"route=ferry", "cpb", 0, 0},
        {"highway=residential,oneway=-1", "cpb", 2, 2}, {"highway=residential,oneway=alternating", "cpb", 3, 3},
        {"highway=residential,oneway=yes,cycleway=opposite_lane", "cpb", 1, 0},
        {"highway=residential,oneway=yes,oneway:bicycle=no", "cpb", 1, 0},
        {"highway=residential,oneway=yes,cycleway:left=lane,cycleway:right=no", "cpb", 1, 0},
        {"highway=residential,oneway=yes,cycleway:left=lane", "cpb", 1, 1},
        {"highway=residential,oneway:bicycle=opposite", "cpb", 0, 2},
        {"highway=residential,oneway:bicycle=no_planned", "cpb", 0, 1},
        {"highway=residential,oneway=maybe", "cpb", 3, 3, way_7 + closed + way_7 + closed},
        {"highway=residential,oneway=maybe,cycleway:both=lane", "cpb", 3, 0, way_7 + closed},
        {"highway=residential,oneway:bicycle=Yes", "cpb", 0, 3,
         way_7 + " has unknown oneway tag value \"Yes\" for \"oneway:bicycle\". Way is closed.\n"},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.tags);
        const TestTags tags(c.tags);
        Warnings warnings;
        const std::string users = std::string(is_osm_way_used_by_cars(7, tags.map(), warnings.log) ? "c" : "") +
                                  (is_osm_way_used_by_pedestrians(7, tags.map(), warnings.log) ? "p" : "") +
                                  (is_osm_way_used_by_bicycles(7, tags.map(), warnings.log) ? "b" : "");
        EXPECT_EQ(users, c.users);
        EXPECT_EQ(static_cast<int>(get_osm_car_direction_category(7, tags.map(), warnings.log)), c.car_direction);
        EXPECT_EQ(static_cast<int>(get_osm_bicycle_direction_category(7, tags.map(), warnings.log)),
                  c.bicycle_direction);
        EXPECT_EQ(warnings.text, c.warnings);
        // Without a log callback the answers are the same.
        EXPECT_EQ(static_cast<int>(get_osm_bicycle_direction_category(7, tags.map(), {})), c.bicycle_direction);
    }
}

TEST(OsmProfile, CarSpeedReadsMaxspeedThenFallsBack)
{
    const std::string unrecognized = way_7 + " has an unrecognized value of \"";
    const std::string fallback = " and an no junction tag -> assuming 50km/h.\n";
    const struct
    {
        std::string tags;
        unsigned speed;
        std::string warnings = "";
    } cases[] = {
        {"maxspeed=50", 50}, {"maxspeed=30 mph", 48}, {"maxspeed=10 knots", 18}, {"maxspeed=50 KM/H", 50},
        {"maxspeed=50km/h", 50}, {"maxspeed=50 kmh", 50}, {"maxspeed=  70kph", 70}, {"maxspeed=50;30", 30},
        {"maxspeed=50; 30", 30}, {"maxspeed=50;", 50, unrecognized + "\" for its \"maxspeed\" tag.\n"},
        {"maxspeed=DE:urban", 40}, {"maxspeed=??:walk", 5}, {"maxspeed=de:zone30", 30}, {"maxspeed=none", 130},
        {"maxspeed=ru:rural;it:rural;fr:rural", 80}, {"maxspeed=4294967297", 1},
        {"maxspeed=0", 1, way_7 + " has speed 0 km/h, setting it to 1 km/h\n"},
        {"maxspeed=signals,highway=primary", 65}, {"maxspeed=unposted,highway=tertiary", 40},
        {"maxspeed=signals", 50,
         way_7 + " has an unrecognized \"maxspeed\" tag of \"signals\" and no \"highway\" tag" + fallback},
        {"maxspeed=fast,highway=residential", 25, unrecognized + "fast\" for its \"maxspeed\" tag.\n"},
        // The parts are read lower-cased; the fallback names the tag as stored.
        {"maxspeed=FAST,highway=road", 50,
         unrecognized + "fast\" for its \"maxspeed\" tag.\n" + way_7 +
             " has an unrecognized \"maxspeed\" tag of \"FAST\" and an unrecognized \"highway\" tag of \"road\"" +
             fallback},
        {"maxspeed=50 km/hr", 50,
         way_7 + " has an unknown unit \"km/hr\" for its \"maxspeed\" tag -> assuming \"km/h\".\n"},
        {"highway=road", 50, way_7 + " has no \"maxspeed\" and an unrecognized \"highway\" tag of \"road\"" + fallback},
        {"", 50, way_7 + " has no \"maxspeed\" and no \"highway\" tag" + fallback}, {"route=ferry", 5},
        {"ferry=yes", 5}, {"highway=pedestrian,junction=roundabout", 20},
        // Only the first 1022 characters count: the 5 after them is not read.
        {"maxspeed=60" + std::string(1100, ' ') + ";5", 60},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.tags.substr(0, 60));
        const TestTags tags(c.tags);
        Warnings warnings;
        EXPECT_EQ(get_osm_way_speed(7, tags.map(), warnings.log), c.speed);
        EXPECT_EQ(warnings.text, c.warnings);
        EXPECT_EQ(get_osm_way_speed(7, tags.map(), {}), c.speed);
    }
}

TEST(OsmProfile, BicycleComfortAndWayName)
{
    const std::pair<const char *, unsigned> levels[] = {
        {"highway=primary,cycleway=lane", 2}, {"highway=primary", 0}, {"highway=primary,bicycle=dismount", 0},
        {"highway=cycleway,bicycle=dismount", 4}, {"highway=residential", 1}, {"highway=residential,cycleway=track", 3},
    };
    for (const auto &[list, level] : levels)
        EXPECT_EQ(get_osm_way_bicycle_comfort_level(7, TestTags(list).map(), {}), level) << list;
    EXPECT_EQ(get_min_bicycle_comfort_level(), 0u);
    EXPECT_EQ(get_max_bicycle_comfort_level(), 4u);
    for (const auto &[list, name] : {std::pair{"name=Main Street,ref=B 12", "Main Street;B 12"}, {"ref=B 12", "B 12"},
                                     {"name=Main Street", "Main Street"}, {"", ""}})
        EXPECT_EQ(get_osm_way_name(7, TestTags(list).map(), {}), name) << list;
}

} // namespace
