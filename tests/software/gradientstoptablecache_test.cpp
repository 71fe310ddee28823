#include <gtest/gtest.h>

#include <cstdint>
#include <memory>
#include <random>
#include <vector>

#include "graphics/software/swcolorsource.h"
#include "graphics/software/swgradientcolorsource.h"
#include "graphics/software/swgradientstoptablecache.h"

using namespace Graphics;

namespace {

std::shared_ptr<const GradientStopCollection> RandomStops(std::mt19937& random) {
    auto stops = std::make_shared<GradientStopCollection>();
    const int count = 1 + int(random() % 4);
    for (int i = 0; i < count; ++i)
        stops->Insert({float(random() % 1001) / 1000.0f, uint32_t(random())});
    return stops;
}

// Every pixel of the cached table against the direct arithmetic for this collection.
void ExpectTableMatches(const GradientStopCollection& stops, uint32_t weight,
                        SwGradientStopTable& table) {
    SwGradientStopTable::Cursor cursor = SwGradientStopTable::EmptyCursor();
    for (int i = 0; i <= 512; ++i) {
        const float t = float(i) / 512.0f;
        ASSERT_EQ(
            table.Color(t, cursor),
            SwColorSource::ApplyOpacity(
                SwGradientColorSource::StopColor(stops.Stops().data(), stops.Count(), t), weight))
            << "t " << t;
    }
}

// Collections made and dropped in turn, so that new ones often take a freed one's address,
// more at once than the cache holds, each drawn at several opacities: every table found
// paints its own collection, and a live one asked again gives the table it built.
TEST(GradientStopTableCache, FindsEachLiveCollectionsOwnTable) {
    std::mt19937 random(11);
    std::vector<std::shared_ptr<const GradientStopCollection>> live;
    for (int round = 0; round < 200; ++round) {
        if (live.size() > SwGradientStopTableCache::kEntries + 2 ||
            (!live.empty() && random() % 3 == 0))
            live.erase(live.begin() + ptrdiff_t(random() % live.size()));
        live.push_back(RandomStops(random));
        const auto& stops = live[random() % live.size()];
        const uint32_t weight = 1 + random() % 256;
        const auto table = SwGradientStopTableCache::Find(stops, weight);
        ExpectTableMatches(*stops, weight, *table);
        EXPECT_EQ(SwGradientStopTableCache::Find(stops, weight), table);
        if (weight != 256) {
            EXPECT_NE(SwGradientStopTableCache::Find(stops, 256), table);
        }
    }
}

}  // namespace
