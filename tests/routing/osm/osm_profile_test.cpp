#include "routing/osm/osm_profile.h"
#include "routing/osm/osm_turn_restriction.h"
#include "tests/routing/osm/pbf_test_support.h"

#include <gtest/gtest.h>

#include <deque>
#include <sstream>
#include <string>
#include <vector>

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
    for (const auto &[list, level] : {std::pair{"highway=primary,cycleway=lane", 2u}, {"highway=primary", 0u},
                                      {"highway=primary,bicycle=dismount", 0u}, {"highway=cycleway,bicycle=dismount", 4u},
                                      {"highway=residential", 1u}, {"highway=residential,cycleway=track", 3u}})
        EXPECT_EQ(get_osm_way_bicycle_comfort_level(7, TestTags(list).map(), {}), level) << list;
    for (const auto &[list, name] : {std::pair{"name=Main Street,ref=B 12", "Main Street;B 12"}, {"ref=B 12", "B 12"},
                                     {"name=Main Street", "Main Street"}, {"", ""}})
        EXPECT_EQ(get_osm_way_name(7, TestTags(list).map(), {}), name) << list;
}

TEST(OsmTurnRestriction, DecodesWellFormedRelationsAndReportsTheRest)
{
    const std::string id = "OSM turn restriction with ID 7", ignoring = ", ignoring restriction\n";
    const struct // members written as "w1@from,n2@via"
    {
        const char *tags, *members;
        std::vector<std::string> records;
        std::string messages = "";
    } cases[] = {
        {"type=restriction,restriction=no_left_turn", "w1@from,n2@via,w3@to", {"1 0 1 2 3"}},
        {"restriction=only_straight_on", "w1@from,w3@to,n5@location_hint", {"0 2 1 -1 3"}},
        {"restriction=no_u_turn", "w1@from,w2@from,n9@via,w3@to,w4@to,w5@to",
         {"1 3 1 9 3", "1 3 1 9 4", "1 3 1 9 5", "1 3 2 9 3", "1 3 2 9 4", "1 3 2 9 5"}},
        {"restriction=only_right_turn", "n8@from,w1@from,w3@to", {"0 1 1 -1 3"},
         id + " has \"from\"-role that is not a way, ignoring role\n"},
        {"restriction=No_left_turn", "w1@from,w3@to", {}, // values compare exactly
         "Unknown OSM turn restriction with ID 7 and value \"No_left_turn\"" + ignoring},
        {"restriction=no_left_turn", "w1@From,w3@TO", {},
         id + " and unknown role \"From\", ignoring role\n" + id + " and unknown role \"TO\", ignoring role\n" + id +
             " is missing \"to\" role" + ignoring},
        {"restriction=no_left_turn", "w3@to,r4@to", {},
         id + " has \"to\"-role that is not a way, ignoring role\n" + id + " is missing \"from\" role" + ignoring},
        {"restriction=only_left_turn", "w1@from,w2@from,w3@to", {},
         id + " is mandatory but has several \"to\" roles" + ignoring},
        {"restriction=no_left_turn", "w1@from,w2@via,w3@to", {}},
        {"restriction=no_left_turn", "w1@from,r2@via,w3@to", {},
         id + " has a relation as \"via\"-role, this is invalid" + ignoring},
        {"restriction=no_left_turn", "n1@via,n2@via,w1@bogus", {}, id + " has several \"via\" roles" + ignoring},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(std::string(c.tags) + " " + c.members);
        std::deque<std::string> roles; // keeps the texts in place as it grows
        std::vector<OSMRelationMember> members;
        std::istringstream in(c.members);
        for (std::string member; std::getline(in, member, ',');) {
            roles.push_back(member.substr(member.find('@') + 1));
            members.push_back({static_cast<OSMRelationMemberType>(std::string("nwr").find(member[0])),
                               std::stoull(member.substr(1)), roles.back().c_str()});
        }
        std::vector<std::string> records; // "category direction from via to", the via -1 when absent
        std::string messages;
        decode_osm_car_turn_restrictions(
            7, members, TestTags(c.tags).map(),
            [&](OSMTurnRestriction r) {
                EXPECT_EQ(r.osm_relation_id, 7u);
                records.push_back(std::to_string(static_cast<int>(r.category)) + " " +
                                  std::to_string(static_cast<int>(r.direction)) + " " + std::to_string(r.from_way) +
                                  " " + std::to_string(static_cast<int64_t>(r.via_node)) + " " + std::to_string(r.to_way));
            },
            [&](const std::string &line) { messages += line + "\n"; });
        EXPECT_EQ(records, c.records);
        EXPECT_EQ(messages, c.messages);
    }
}

} // namespace
