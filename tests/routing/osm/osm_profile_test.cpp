#include "routing/osm/osm_profile.h"
#include "tests/routing/osm/pbf_test_support.h"

#include <gtest/gtest.h>

#include <string>
#include <tuple>

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
    const struct
    {
        const char *tags;
        bool car, pedestrian, bicycle;
        int car_direction, bicycle_direction;
        std::string warnings;
    } cases[] = {
        {"junction=roundabout", true, true, true, 1, 0, ""},
        {"junction=roundabout,oneway=no", true, true, true, 0, 0, ""},
        // junction comes before the access rules.
        {"junction=yes,highway=footway,access=no", true, true, true, 0, 0, ""},
        {"highway=motorway", true, false, false, 1, 0, ""},
        {"highway=motorway_link,cycleway=no", true, false, true, 1, 0, ""},
        {"highway=residential,access=private", false, false, false, 0, 0, ""},
        {"highway=residential,access=agricultural", false, true, true, 0, 0, ""},
        {"highway=residential,motor_vehicle=no", false, true, true, 0, 0, ""},
        {"highway=road", false, false, false, 0, 0, ""}, {"highway=road,maxspeed=50", true, false, false, 0, 0, ""},
        {"highway=road,maxspeed=50,oneway=reversible", false, false, false, 3, 3, ""},
        {"highway=bicycle_road", false, true, true, 0, 0, ""},
        {"highway=bicycle_road,motorcar=yes", true, true, true, 0, 0, ""},
        {"highway=footway,crossing=no", false, false, true, 0, 0, ""},
        {"highway=proposed,cycleway=lane", false, false, false, 0, 0, ""},
        {"highway=primary,bicycle=use_sidepath", true, false, false, 0, 0, ""},
        {"railway=platform", false, true, false, 0, 0, ""}, {"ferry=yes", true, false, false, 0, 0, ""},
        {"ferry=ferry", false, true, true, 0, 0, ""}, {"route=ferry", true, true, true, 0, 0, ""},
        {"highway=residential,oneway=-1", true, true, true, 2, 2, ""},
        {"highway=residential,oneway=alternating", true, true, true, 3, 3, ""},
        {"highway=residential,oneway=yes,cycleway=opposite_lane", true, true, true, 1, 0, ""},
        {"highway=residential,oneway=yes,oneway:bicycle=no", true, true, true, 1, 0, ""},
        {"highway=residential,oneway=yes,cycleway:left=lane,cycleway:right=no", true, true, true, 1, 0, ""},
        {"highway=residential,oneway=yes,cycleway:left=lane", true, true, true, 1, 1, ""},
        {"highway=residential,oneway:bicycle=opposite", true, true, true, 0, 2, ""},
        {"highway=residential,oneway:bicycle=no_planned", true, true, true, 0, 1, ""},
        {"highway=residential,oneway=maybe", true, true, true, 3, 3,
         way_7 + " has unknown oneway tag value \"maybe\" for \"oneway\". Way is closed.\n" + way_7 +
             " has unknown oneway tag value \"maybe\" for \"oneway\". Way is closed.\n"},
        {"highway=residential,oneway=maybe,cycleway:both=lane", true, true, true, 3, 0,
         way_7 + " has unknown oneway tag value \"maybe\" for \"oneway\". Way is closed.\n"},
        {"highway=residential,oneway:bicycle=Yes", true, true, true, 0, 3,
         way_7 + " has unknown oneway tag value \"Yes\" for \"oneway:bicycle\". Way is closed.\n"},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.tags);
        const TestTags tags(c.tags);
        Warnings warnings;
        EXPECT_EQ(is_osm_way_used_by_cars(7, tags.map(), warnings.log), c.car);
        EXPECT_EQ(is_osm_way_used_by_pedestrians(7, tags.map(), warnings.log), c.pedestrian);
        EXPECT_EQ(is_osm_way_used_by_bicycles(7, tags.map(), warnings.log), c.bicycle);
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
    const std::tuple<std::string, unsigned, std::string> cases[] = {
        {"maxspeed=50", 50, ""}, {"maxspeed=30 mph", 48, ""}, {"maxspeed=10 knots", 18, ""},
        {"maxspeed=50 KM/H", 50, ""}, {"maxspeed=50km/h", 50, ""}, {"maxspeed=50 kmh", 50, ""},
        {"maxspeed=  70kph", 70, ""}, {"maxspeed=50;30", 30, ""}, {"maxspeed=50; 30", 30, ""},
        {"maxspeed=50;", 50, unrecognized + "\" for its \"maxspeed\" tag.\n"},
        {"maxspeed=DE:urban", 40, ""}, {"maxspeed=??:walk", 5, ""}, {"maxspeed=de:zone30", 30, ""},
        {"maxspeed=none", 130, ""}, {"maxspeed=ru:rural;it:rural;fr:rural", 80, ""}, {"maxspeed=4294967297", 1, ""},
        {"maxspeed=0", 1, way_7 + " has speed 0 km/h, setting it to 1 km/h\n"},
        {"maxspeed=signals,highway=primary", 65, ""}, {"maxspeed=unposted,highway=tertiary", 40, ""},
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
        {"", 50, way_7 + " has no \"maxspeed\" and no \"highway\" tag" + fallback}, {"route=ferry", 5, ""},
        {"ferry=yes", 5, ""}, {"highway=pedestrian,junction=roundabout", 20, ""},
        // Only the first 1022 characters count: the 5 after them is not read.
        {"maxspeed=60" + std::string(1100, ' ') + ";5", 60, ""},
    };
    for (const auto &[list, speed, expected_warnings] : cases) {
        SCOPED_TRACE(list.substr(0, 60));
        const TestTags tags(list);
        Warnings warnings;
        EXPECT_EQ(get_osm_way_speed(7, tags.map(), warnings.log), speed);
        EXPECT_EQ(warnings.text, expected_warnings);
        EXPECT_EQ(get_osm_way_speed(7, tags.map(), {}), speed);
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
    EXPECT_EQ(get_osm_way_name(7, TestTags("name=Main Street,ref=B 12").map(), {}), "Main Street;B 12");
    EXPECT_EQ(get_osm_way_name(7, TestTags("ref=B 12").map(), {}), "B 12");
    EXPECT_EQ(get_osm_way_name(7, TestTags("name=Main Street").map(), {}), "Main Street");
    EXPECT_EQ(get_osm_way_name(7, TestTags("").map(), {}), "");
}

} // namespace
