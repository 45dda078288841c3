// Read throughput of the PBF reader beside a small libosmium reader limited to
// one decoding thread, both doing the same work: every element visited, every
// coordinate, node reference and member read, one tag looked up per element.
//
//   pbf_reading_bench FILE.osm.pbf
#include "routing/core/timer.h"
#include "routing/osm/osm_pbf_reading.h"

#include <osmium/io/pbf_input.hpp>
#include <osmium/osm.hpp>
#include <osmium/thread/pool.hpp>

#include <cmath>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <functional>
#include <string>

namespace {

struct Work
{
    uint64_t elements = 0;
    uint64_t checksum = 0;
    void tag(const char *value) { checksum += value != nullptr ? static_cast<unsigned char>(value[0]) : 0; }
};

void report(const char *name, const std::string &file, const std::function<Work()> &run)
{
    const double megabytes = static_cast<double>(std::filesystem::file_size(file)) / 1e6;
    const int64_t start = Routing::get_micro_time();
    const Work work = run();
    const double seconds = static_cast<double>(Routing::get_micro_time() - start) / 1e6;
    std::printf("%-28s %8.2f s %9.1f MB/s %12.0f elements/s (%llu elements, checksum %llu)\n", name, seconds,
                megabytes / seconds, static_cast<double>(work.elements) / seconds,
                static_cast<unsigned long long>(work.elements), static_cast<unsigned long long>(work.checksum));
}

Work read_with_distamatic(const std::string &file, bool ordered)
{
    Work work;
    auto node = [&](uint64_t id, double latitude, double longitude, const Routing::TagMap &tags) {
        ++work.elements;
        work.checksum += id + static_cast<uint64_t>(std::llround((latitude + longitude) * 1e7));
        work.tag(tags["highway"]);
    };
    auto way = [&](uint64_t id, const std::vector<uint64_t> &node_ids, const Routing::TagMap &tags) {
        ++work.elements;
        for (const uint64_t node_id : node_ids)
            work.checksum += id ^ node_id;
        work.tag(tags["highway"]);
    };
    auto relation = [&](uint64_t id, const std::vector<Routing::OSMRelationMember> &members,
                        const Routing::TagMap &tags) {
        ++work.elements;
        for (const auto &member : members)
            work.checksum += id + member.id + static_cast<unsigned char>(member.role[0]);
        work.tag(tags["highway"]);
    };
    if (ordered)
        Routing::ordered_read_osm_pbf(file, node, way, relation, {}, false);
    else
        Routing::unordered_read_osm_pbf(file, node, way, relation, {});
    return work;
}

Work read_with_libosmium(const std::string &file)
{
    Work work;
    osmium::thread::Pool pool(1);
    osmium::io::Reader reader(file, pool, osmium::io::read_meta::no);
    while (osmium::memory::Buffer buffer = reader.read()) {
        for (const osmium::OSMObject &object : buffer.select<osmium::OSMObject>()) {
            ++work.elements;
            const auto id = static_cast<uint64_t>(object.id());
            if (object.type() == osmium::item_type::node) {
                const auto &node = static_cast<const osmium::Node &>(object);
                work.checksum += id + static_cast<uint64_t>(std::llround((node.location().lat() + node.location().lon()) * 1e7));
            } else if (object.type() == osmium::item_type::way) {
                for (const osmium::NodeRef &ref : static_cast<const osmium::Way &>(object).nodes())
                    work.checksum += id ^ static_cast<uint64_t>(ref.ref());
            } else if (object.type() == osmium::item_type::relation) {
                for (const osmium::RelationMember &member : static_cast<const osmium::Relation &>(object).members())
                    work.checksum += id + static_cast<uint64_t>(member.ref()) +
                                     static_cast<unsigned char>(member.role()[0]);
            }
            work.tag(object.tags()["highway"]);
        }
    }
    reader.close();
    return work;
}

} // namespace

int main(int argc, char **argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s FILE.osm.pbf\n", argv[0]);
        return 2;
    }
    const std::string file = argv[1];
    report("distamatic unordered", file, [&] { return read_with_distamatic(file, false); });
    report("distamatic ordered (3 reads)", file, [&] { return read_with_distamatic(file, true); });
    report("libosmium, 1 worker", file, [&] { return read_with_libosmium(file); });
    return 0;
}
