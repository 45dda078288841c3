#include "routing/osm/osm_turn_restriction.h"
#include "tests/routing/osm/pbf_test_support.h"

#include <gtest/gtest.h>

#include <deque>
#include <sstream>
#include <string>
#include <vector>

namespace {

using namespace Routing;

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
        {"type=restriction", "w1@from,w3@to", {}},
        {"restriction=no_entry", "w1@from,w3@to", {},
         "Unknown OSM turn restriction with ID 7 and value \"no_entry\"" + ignoring},
        {"restriction=No_left_turn", "w1@from,w3@to", {},
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
