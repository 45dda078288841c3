#include "routing/osm/osm_turn_restriction.h"

#include <cstring>
#include <optional>
#include <string_view>

namespace Routing {

namespace {

std::optional<OSMTurnDirection> direction_of(std::string_view text)
{
    if (text == "left_turn")
        return OSMTurnDirection::left_turn;
    if (text == "right_turn")
        return OSMTurnDirection::right_turn;
    if (text == "straight_on")
        return OSMTurnDirection::straight_on;
    if (text == "u_turn")
        return OSMTurnDirection::u_turn;
    return std::nullopt;
}

// Drops the members that are not ways, reporting each.
template <class Report>
void keep_ways(std::vector<const OSMRelationMember *> &members, const Report &report, const char *message)
{
    std::erase_if(members, [&](const OSMRelationMember *member) {
        if (member->type == OSMRelationMemberType::way)
            return false;
        report(message);
        return true;
    });
}

} // namespace

void decode_osm_car_turn_restrictions(uint64_t osm_relation_id, const std::vector<OSMRelationMember> &member_list,
                                      const TagMap &tags, std::function<void(OSMTurnRestriction)> on_new_restriction,
                                      std::function<void(const std::string &)> log_message)
{
    const char *value = tags["restriction"];
    if (value == nullptr)
        return;
    auto report = [&](const std::string &rest) {
        if (log_message)
            log_message("OSM turn restriction with ID " + std::to_string(osm_relation_id) + rest);
    };
    const std::string_view text(value);
    const bool mandatory = text.starts_with("only_");
    const std::optional<OSMTurnDirection> direction =
        mandatory || text.starts_with("no_") ? direction_of(text.substr(mandatory ? 5 : 3)) : std::nullopt;
    if (!direction) {
        if (log_message)
            log_message("Unknown OSM turn restriction with ID " + std::to_string(osm_relation_id) + " and value \"" +
                        value + "\", ignoring restriction");
        return;
    }

    const OSMRelationMember *via = nullptr;
    std::vector<const OSMRelationMember *> from, to;
    for (const OSMRelationMember &member : member_list) {
        if (std::strcmp(member.role, "via") == 0) {
            if (via != nullptr) {
                report(" has several \"via\" roles, ignoring restriction");
                return;
            }
            via = &member;
        } else if (std::strcmp(member.role, "from") == 0) {
            from.push_back(&member);
        } else if (std::strcmp(member.role, "to") == 0) {
            to.push_back(&member);
        } else if (std::strcmp(member.role, "location_hint") != 0) {
            report(" and unknown role \"" + std::string(member.role) + "\", ignoring role");
        }
    }
    uint64_t via_node = no_via_node;
    if (via != nullptr) {
        if (via->type == OSMRelationMemberType::relation) {
            report(" has a relation as \"via\"-role, this is invalid, ignoring restriction");
            return;
        }
        // Restrictions through a via way are not supported.
        if (via->type == OSMRelationMemberType::way)
            return;
        via_node = via->id;
    }
    keep_ways(from, report, " has \"from\"-role that is not a way, ignoring role");
    keep_ways(to, report, " has \"to\"-role that is not a way, ignoring role");
    if (to.empty()) {
        report(" is missing \"to\" role, ignoring restriction");
        return;
    }
    if (from.empty()) {
        report(" is missing \"from\" role, ignoring restriction");
        return;
    }
    if (mandatory && (from.size() != 1 || to.size() != 1)) {
        report(" is mandatory but has several \"to\" roles, ignoring restriction");
        return;
    }
    const auto category = mandatory ? OSMTurnRestrictionCategory::mandatory : OSMTurnRestrictionCategory::prohibitive;
    for (const OSMRelationMember *from_way : from)
        for (const OSMRelationMember *to_way : to)
            on_new_restriction({osm_relation_id, category, *direction, from_way->id, via_node, to_way->id});
}

} // namespace Routing
