#!/usr/bin/env python3
"""Counts the routing nodes and arcs that the loader of a profile (car, pedestrian or bicycle, the argument)
must make from `osmium cat -f opl,add_metadata=false` output on standard input: an independent model."""
import re
import sys

CAR_ACCESS = {"yes", "permissive", "delivery", "designated", "destination"}
ACCESS = CAR_ACCESS | {"agricultural", "forestry", "public"}
CAR_HIGHWAYS = {"motorway", "trunk", "primary", "secondary", "tertiary", "unclassified", "residential", "service",
                "motorway_link", "trunk_link", "primary_link", "secondary_link", "tertiary_link",
                "motorway_junction", "living_street", "track", "ferry"}
NO_CAR_HIGHWAYS = {"construction", "path", "footway", "cycleway", "bridleway", "pedestrian", "bus_guideway",
                   "raceway", "escape", "steps", "proposed", "conveying"}
SLOW_HIGHWAYS = {"secondary", "tertiary", "unclassified", "residential", "service", "secondary_link",
                 "tertiary_link", "living_street", "track", "bicycle_road", "path", "footway", "cycleway",
                 "bridleway", "pedestrian", "escape", "steps", "crossing", "ferry"}
BOTH, ONE, CLOSED = 2, 1, 0  # arcs per stretch between routing nodes
ONEWAY = {"-1": ONE, "reverse": ONE, "backward": ONE, "yes": ONE, "true": ONE, "1": ONE, "no": BOTH, "false": BOTH,
          "0": BOTH}
BICYCLE_ONEWAY = {"-1": ONE, "opposite": ONE, "1": ONE, "yes": ONE, "true": ONE, "no_planned": ONE, "0": BOTH,
                  "no": BOTH, "false": BOTH, "tolerated": BOTH, "permissive": BOTH}


def denied(t, allowed):
    return "access" in t and t["access"] not in allowed


def car_way(t):
    if "junction" in t or t.get("route") == "ferry" or t.get("ferry") == "yes":
        return True
    h = t.get("highway")
    if h is None or t.get("motorcar") == "no" or t.get("motor_vehicle") == "no" or denied(t, CAR_ACCESS):
        return False
    if h in CAR_HIGHWAYS:
        return True
    if h == "bicycle_road":
        return t.get("motorcar") == "yes"
    return h not in NO_CAR_HIGHWAYS and t.get("oneway") not in ("reversible", "alternating") and "maxspeed" in t


def pedestrian_way(t):
    if ("junction" in t or t.get("route") == "ferry" or t.get("ferry") == "ferry"
            or t.get("public_transport") in ("stop_position", "platform", "stop_area", "station")
            or t.get("railway") in ("halt", "platform", "subway_entrance", "station", "tram_stop")):
        return True
    return ("highway" in t and not denied(t, ACCESS) and t.get("crossing") != "no"
            and t["highway"] in SLOW_HIGHWAYS | {"escalator", "elevator", "platform"})


def bicycle_way(t):
    if "junction" in t or t.get("route") == "ferry" or t.get("ferry") == "ferry":
        return True
    if t.get("highway") in (None, "proposed") or denied(t, ACCESS) or t.get("bicycle") in ("no", "use_sidepath"):
        return False
    return any(k in t for k in ("cycleway", "cycleway:left", "cycleway:right", "cycleway:both")) or \
        t["highway"] in SLOW_HIGHWAYS | {"primary", "primary_link"}


def car_direction(t):
    if "oneway" in t:
        return ONEWAY.get(t["oneway"], CLOSED)
    return ONE if t.get("junction") == "roundabout" or t.get("highway") in ("motorway", "motorway_link") else BOTH


def bicycle_direction(t):
    if "oneway:bicycle" in t:
        return BICYCLE_ONEWAY.get(t["oneway:bicycle"], CLOSED)
    if ("oneway" not in t or "cycleway:both" in t or ("cycleway:left" in t and "cycleway:right" in t)
            or t.get("cycleway") in ("opposite", "opposite_track", "opposite_lane", "opposite_share_busway")):
        return BOTH
    return ONEWAY.get(t["oneway"], CLOSED)


PROFILES = {"car": (car_way, car_direction), "pedestrian": (pedestrian_way, lambda t: BOTH),
            "bicycle": (bicycle_way, bicycle_direction)}
is_used, direction = PROFILES[sys.argv[1]]
unescape = lambda text: re.sub(r"%([0-9a-fA-F]+)%", lambda m: chr(int(m.group(1), 16)), text)
ways = []
for line in sys.stdin:
    if line.startswith("w"):
        fields = dict((field[0], field[1:]) for field in line.split()[1:])
        tags = dict(map(unescape, tag.split("=", 1)) for tag in fields["T"].split(",") if tag)
        refs = [int(ref[1:]) for ref in fields["N"].split(",") if ref]
        if len(refs) >= 2 and is_used(tags):
            ways.append((tags, refs))
modelling, routing = set(), set()
for _, refs in ways:
    for ref in refs:
        (routing if ref in modelling else modelling).add(ref)
    routing.update((refs[0], refs[-1]))
print(len(routing), sum(direction(tags) * sum(ref in routing for ref in refs[1:]) for tags, refs in ways))
