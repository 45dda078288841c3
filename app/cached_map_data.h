#ifndef APP_CACHED_MAP_DATA_H
#define APP_CACHED_MAP_DATA_H

#include <functional>
#include <memory>
#include <utility>

// The map data object that the window keeps for one engine, loaded once and
// reused until a setting of the engine changes.
//
// A calculation runs on a worker while the user may change settings, so the
// object is shared: discarding it only drops the cache's reference, and a
// calculation that holds it keeps it alive until it returns. The cache itself
// is used on the GUI thread only; the worker gets a claim, loads a new object
// if the claim holds none, and the GUI thread keeps what it loaded afterwards,
// unless the settings changed in the meantime.
template <class T>
class CachedMapData
{
public:
    // Makes a new object from the engine's settings; empty when they make none.
    using Factory = std::function<T *()>;

    struct Claim
    {
        std::shared_ptr<T> cached;
        unsigned generation;
    };

    const std::shared_ptr<T> &object() const { return current; }
    Claim claim() const { return {current, generation}; }

    // Loads an object on the calling thread unless one is cached.
    void load(const Factory &make)
    {
        if (!current)
            current = load(nullptr, make);
    }

    void discard()
    {
        current.reset();
        ++generation;
    }

    // Keeps the object that a calculation loaded for `claim`, when nothing is
    // cached and the settings are still those it was made from.
    void keep(const Claim &claim, std::shared_ptr<T> loaded)
    {
        if (!current && claim.generation == generation)
            current = std::move(loaded);
    }

    // The cached object, or a new one whose loadMap succeeded; null when the
    // factory is empty or loading failed (the failed object is deleted at once).
    static std::shared_ptr<T> load(std::shared_ptr<T> cached, const Factory &make)
    {
        if (cached || !make)
            return cached;
        std::unique_ptr<T> made(make());
        if (!made->loadMap())
            return nullptr;
        return std::shared_ptr<T>(made.release());
    }

private:
    std::shared_ptr<T> current;
    unsigned generation = 0;
};

#endif
