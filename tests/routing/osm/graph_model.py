#!/usr/bin/env python3
"""Independent model of the routing graph import, for checking its counts.

Reads `osmium cat -f opl,add_metadata=false` output on standard input and
prints the number of routing nodes and of arcs that the loader of the named
profile (car, pedestrian or bicycle) must produce.
"""
import re
import sys

ALLOWED_CAR_ACCESS = {"yes", "permissive", "delivery", "designated", "destination"}
ALLOWED_ACCESS = ALLOWED_CAR_ACCESS | {"agricultural", "forestry", "public"}
CAR_HIGHWAYS = {"motorway", "trunk", "primary", "secondary", "tertiary", "unclassified", "residential", "service",
                "motorway_link", "trunk_link", "primary_link", "secondary_link", "tertiary_link",
                "motorway_junction", "living_street", "track", "ferry"}
NO_CAR_HIGHWAYS = {"construction", "path", "footway", "cycleway", "bridleway", "pedestrian", "bus_guideway",
                   "raceway", "escape", "steps", "proposed", "conveying"}
FOOT_HIGHWAYS = {"secondary", "tertiary", "unclassified", "residential", "service", "secondary_link",
                 "tertiary_link", "living_street", "track", "bicycle_road", "path", "footway", "cycleway",
                 "bridleway", "pedestrian", "escape", "steps", "crossing", "escalator", "elevator", "platform",
                 "ferry"}
BICYCLE_HIGHWAYS = {"secondary", "tertiary", "unclassified", "residential", "service", "secondary_link",
                    "tertiary_link", "living_street", "track", "bicycle_road", "primary", "primary_link", "path",
                    "footway", "cycleway", "bridleway", "pedestrian", "crossing", "escape", "steps", "ferry"}
BOTH, FORWARDS, BACKWARDS, CLOSED = 0, 1, 2, 3


def car_way(t):
    if "junction" in t or t.get("route") == "ferry" or t.get("ferry") == "yes":
        return True
    h = t.get("highway")
    if h is None or t.get("motorcar") == "no" or t.get("motor_vehicle") == "no":
        return False
    if "access" in t and t["access"] not in ALLOWED_CAR_ACCESS:
        return False
    if h in CAR_HIGHWAYS:
        return True
    if h == "bicycle_road":
        return t.get("motorcar") == "yes"
    if h in NO_CAR_HIGHWAYS or t.get("oneway") in ("reversible", "alternating"):
        return False
    return "maxspeed" in t


def pedestrian_way(t):
    if ("junction" in t or t.get("route") == "ferry" or t.get("ferry") == "ferry"
            or t.get("public_transport") in ("stop_position", "platform", "stop_area", "station")
            or t.get("railway") in ("halt", "platform", "subway_entrance", "station", "tram_stop")):
        return True
    if "highway" not in t or ("access" in t and t["access"] not in ALLOWED_ACCESS) or t.get("crossing") == "no":
        return False
    return t["highway"] in FOOT_HIGHWAYS


def bicycle_way(t):
    if "junction" in t or t.get("route") == "ferry" or t.get("ferry") == "ferry":
        return True
    if t.get("highway") in (None, "proposed") or ("access" in t and t["access"] not in ALLOWED_ACCESS):
        return False
    if t.get("bicycle") in ("no", "use_sidepath"):
        return False
    if any(k in t for k in ("cycleway", "cycleway:left", "cycleway:right", "cycleway:both")):
        return True
    return t["highway"] in BICYCLE_HIGHWAYS


def oneway_category(value):
    if value in ("-1", "reverse", "backward"):
        return BACKWARDS
    if value in ("yes", "true", "1"):
        return FORWARDS
    if value in ("no", "false", "0"):
        return BOTH
    return CLOSED


def car_direction(t):
    if "oneway" in t:
        return oneway_category(t["oneway"])
    if t.get("junction") == "roundabout" or t.get("highway") in ("motorway", "motorway_link"):
        return FORWARDS
    return BOTH


def bicycle_direction(t):
    value = t.get("oneway:bicycle")
    if value is not None:
        return {"-1": BACKWARDS, "opposite": BACKWARDS, "1": FORWARDS, "yes": FORWARDS, "true": FORWARDS,
                "no_planned": FORWARDS, "0": BOTH, "no": BOTH, "false": BOTH, "tolerated": BOTH,
                "permissive": BOTH}.get(value, CLOSED)
    if ("oneway" not in t or t["oneway"] in ("no", "false", "0")
            or t.get("cycleway") in ("opposite", "opposite_track", "opposite_lane", "opposite_share_busway")
            or "cycleway:both" in t or ("cycleway:left" in t and "cycleway:right" in t)):
        return BOTH
    return oneway_category(t["oneway"])


PROFILES = {"car": (car_way, car_direction), "pedestrian": (pedestrian_way, lambda t: BOTH),
            "bicycle": (bicycle_way, bicycle_direction)}


def unescape(text):
    return re.sub(r"%([0-9a-fA-F]+)%", lambda m: chr(int(m.group(1), 16)), text)


def main():
    is_used, direction = PROFILES[sys.argv[1]]
    ways = []
    for line in sys.stdin:
        if not line.startswith("w"):
            continue
        fields = dict((field[0], field[1:]) for field in line.split()[1:])
        pairs = (tag.split("=", 1) for tag in fields["T"].split(",") if tag)
        tags = {unescape(key): unescape(value) for key, value in pairs}
        refs = [int(ref[1:]) for ref in fields["N"].split(",") if ref]
        if len(refs) >= 2 and is_used(tags):
            ways.append((tags, refs))
    modelling, routing = set(), set()
    for _, refs in ways:
        for ref in refs:
            (routing if ref in modelling else modelling).add(ref)
        routing.update((refs[0], refs[-1]))
    arcs = 0
    for tags, refs in ways:
        stretches = sum(1 for ref in refs[1:] if ref in routing)
        arcs += stretches * {BOTH: 2, FORWARDS: 1, BACKWARDS: 1, CLOSED: 0}[direction(tags)]
    print(len(routing), arcs)


main()
