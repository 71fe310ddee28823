#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <thread>
#include <vector>

#include "graphics/paint/font.h"
#include "platform/fontmatcher.h"
#include "platform/freetypelibrary.h"
#include "recordingsink.h"

#include FT_OUTLINE_H

namespace {

using Graphics::Font;
using Op = RecordingSink::Op;

const uint16_t kDejaVuSans[] = {'D', 'e', 'j', 'a', 'V', 'u', ' ', 'S', 'a', 'n', 's', 0};

std::vector<uint16_t> Text(const char16_t* text) {
    std::vector<uint16_t> units;
    for (; *text; ++text) units.push_back(*text);
    return units;
}

uint16_t GlyphOf(const Font& font, char16_t character) {
    uint16_t unit = character;
    return font.GetGlyphIndices(&unit, 1)[0];
}

// DejaVu Sans opened directly with FreeType at an em of `em` pixels, for reference shapes.
struct ReferenceFace {
    explicit ReferenceFace(int em) {
        auto match = Host::FontMatcher::Match(u"DejaVu Sans", 400, false);
        face = Host::FreeTypeLibrary::Instance().OpenFace(match.path.c_str(), match.index);
        EXPECT_TRUE(face);
        EXPECT_EQ(FT_Set_Char_Size(face.get(), 0, em * 64, 72, 72), 0);
    }
    Host::FreeTypeFace face;
};

TEST(Font, HeightIsTheEmInPixelsTruncated) {
    EXPECT_EQ(Font::HeightForSize(12), -16);
    EXPECT_EQ(Font::HeightForSize(10), -13);  // -13.33
    EXPECT_EQ(Font::HeightForSize(0.75f), -1);
    // The face's glyphs have exactly that em height: their first points are FreeType's
    // at that em.
    for (auto [size, em] : {std::pair{12.0f, 16}, {10.0f, 13}}) {
        auto font = Font::Create(kDejaVuSans, 0, size);
        ReferenceFace reference(em);
        uint16_t glyph = GlyphOf(*font, u'W');
        RecordingSink sink;
        font->GetGlyphOutline(glyph, &sink);
        ASSERT_EQ(FT_Load_Glyph(reference.face.get(), glyph, FT_LOAD_NO_HINTING), 0);
        ASSERT_FALSE(sink.calls.empty());
        const FT_Vector& first = reference.face->glyph->outline.points[0];
        EXPECT_EQ(sink.calls[0].points[0].x, first.x / 64.0f);
        EXPECT_EQ(sink.calls[0].points[0].y, -first.y / 64.0f);
        EXPECT_EQ(font->GetSize(), size);
    }
    EXPECT_EQ(Font::HeightForSize(7200), -9600);
    EXPECT_FALSE(Font::IsValidSize(0.74f));
    EXPECT_FALSE(Font::IsValidSize(7200.5f));
    EXPECT_FALSE(Font::IsValidSize(std::nanf("")));
    EXPECT_FALSE(Font::IsValidSize(-12));
}

TEST(Font, StyleBitsChooseBoldItalicOrRegular) {
    auto boldItalic = Font::Create(kDejaVuSans, 3, 12);
    auto regular = Font::Create(kDejaVuSans, 4, 12);
    auto bold = Font::Create(kDejaVuSans, 1, 12);
    // Bold letters are wider; italic ones lean right: the top of "l" lies right of its foot.
    float regularWidth = regular->GetGlyphOutline(GlyphOf(*regular, u'H'), nullptr).x;
    EXPECT_GT(boldItalic->GetGlyphOutline(GlyphOf(*boldItalic, u'H'), nullptr).x, regularWidth);
    EXPECT_GT(bold->GetGlyphOutline(GlyphOf(*bold, u'H'), nullptr).x, regularWidth);
    auto lean = [](const Font& font) {
        RecordingSink sink;
        font.GetGlyphOutline(GlyphOf(font, u'l'), &sink);
        float top = 1e9f, foot = -1e9f;
        for (auto& call : sink.calls)
            for (const GXPoint& p : call.points)
                top = std::min(top, p.y), foot = std::max(foot, p.y);
        // The left edge at the top and at the foot.
        float topX = 1e9f, footX = 1e9f;
        for (auto& call : sink.calls)
            for (const GXPoint& p : call.points) {
                if (p.y < top + 0.5f) topX = std::min(topX, p.x);
                if (p.y > foot - 0.5f) footX = std::min(footX, p.x);
            }
        return topX - footX;
    };
    EXPECT_GT(lean(*boldItalic), 2.0f);
    EXPECT_NEAR(lean(*regular), 0.0f, 2.0f);
    EXPECT_NEAR(lean(*bold), 0.0f, 2.0f);
}

TEST(Font, OneGlyphPerCodeUnitWithDefaultGlyphForMissingCharacters) {
    auto font = Font::Create(kDejaVuSans, 0, 12);
    // "A", U+4E00 (not in DejaVu Sans), a surrogate pair, an unpaired low surrogate.
    std::vector<uint16_t> text = Text(u"A\u4E00\xD83D\xDE00\xDC00");
    auto glyphs = font->GetGlyphIndices(text.data(), text.size());
    ASSERT_EQ(glyphs.size(), 5u);
    EXPECT_NE(glyphs[0], 0);
    for (size_t i = 1; i < 5; ++i) EXPECT_EQ(glyphs[i], 0) << i;
    EXPECT_TRUE(font->GetGlyphIndices(text.data(), 0).empty());
    // The default glyph has an outline and an advance like any other.
    RecordingSink sink;
    EXPECT_GT(font->GetGlyphOutline(glyphs[1], &sink).x, 0);
    EXPECT_GT(sink.Count(Op::Begin), 0);
}

// Text looks its glyphs up by code unit as GetGlyphIndices maps them, the first time and
// once the units are known alike; units of one glyph share its entry.
TEST(Font, TextLooksUpTheEntriesOfTheGlyphsItsUnitsMapTo) {
    auto font = Font::Create(kDejaVuSans, 0, 12);
    std::vector<uint16_t> text = Text(u"A\u4E00\xD83D\xDE00\xDC00 A\u00E9\u0416 \u4E01");
    const std::vector<uint16_t> glyphs = font->GetGlyphIndices(text.data(), text.size());
    for (int pass = 0; pass < 2; ++pass) {
        std::vector<const Graphics::GlyphOutlineCache::Glyph*> entries(text.size());
        font->LookupText(text.data(), text.size(), entries.data());
        for (size_t i = 0; i < text.size(); ++i) {
            EXPECT_EQ(entries[i]->advance.x, font->GetGlyphOutline(glyphs[i], nullptr).x) << i;
            EXPECT_EQ(entries[i]->outline == nullptr, text[i] == u' ') << i;
            for (size_t j = 0; j < i; ++j)
                EXPECT_EQ(entries[i] == entries[j], glyphs[i] == glyphs[j]) << i << " " << j;
        }
    }
}

TEST(Font, SpaceHasAnAdvanceButNoFigures) {
    auto font = Font::Create(kDejaVuSans, 0, 12);
    RecordingSink sink;
    GXPoint advance = font->GetGlyphOutline(GlyphOf(*font, u' '), &sink);
    EXPECT_GT(advance.x, 0);
    EXPECT_EQ(advance.y, 0);
    EXPECT_TRUE(sink.calls.empty());
    // A glyph index past the font's last glyph: no figures and no advance.
    EXPECT_EQ(font->GetGlyphOutline(65000, &sink).x, 0);
    EXPECT_TRUE(sink.calls.empty());
}

// Points along FreeType's own outline of a glyph (y flipped), each segment sampled
// at `steps` parameters.
std::vector<GXPoint> SampleReference(FT_Outline& outline, int steps) {
    struct Walk {
        std::vector<GXPoint> points;
        GXPoint current{};
        int steps;
    } walk{{}, {}, steps};
    FT_Outline_Funcs funcs{};
    funcs.move_to = [](const FT_Vector* to, void* user) {
        auto* w = static_cast<Walk*>(user);
        w->current = {to->x / 64.0f, -to->y / 64.0f};
        w->points.push_back(w->current);
        return 0;
    };
    funcs.line_to = [](const FT_Vector* to, void* user) {
        auto* w = static_cast<Walk*>(user);
        GXPoint end{to->x / 64.0f, -to->y / 64.0f};
        for (int i = 1; i <= w->steps; ++i) {
            float t = float(i) / w->steps;
            w->points.push_back({w->current.x + t * (end.x - w->current.x),
                                 w->current.y + t * (end.y - w->current.y)});
        }
        w->current = end;
        return 0;
    };
    funcs.conic_to = [](const FT_Vector* c, const FT_Vector* to, void* user) {
        auto* w = static_cast<Walk*>(user);
        GXPoint q{c->x / 64.0f, -c->y / 64.0f}, e{to->x / 64.0f, -to->y / 64.0f};
        GXPoint s = w->current;
        for (int i = 1; i <= w->steps; ++i) {
            float t = float(i) / w->steps, u = 1 - t;
            w->points.push_back({u * u * s.x + 2 * u * t * q.x + t * t * e.x,
                                 u * u * s.y + 2 * u * t * q.y + t * t * e.y});
        }
        w->current = e;
        return 0;
    };
    funcs.cubic_to = [](const FT_Vector*, const FT_Vector*, const FT_Vector*, void*) {
        return 1;  // DejaVu Sans is TrueType: no cubic pieces expected
    };
    EXPECT_EQ(FT_Outline_Decompose(&outline, &funcs, &walk), 0);
    return walk.points;
}

// Points along the figures a sink received, each segment sampled at `steps` parameters.
std::vector<GXPoint> SampleSink(const RecordingSink& sink, int steps) {
    std::vector<GXPoint> points;
    GXPoint current{}, start{};
    auto lineTo = [&](const GXPoint& end) {
        for (int i = 1; i <= steps; ++i) {
            float t = float(i) / steps;
            points.push_back(
                {current.x + t * (end.x - current.x), current.y + t * (end.y - current.y)});
        }
        current = end;
    };
    for (const auto& call : sink.calls) {
        switch (call.op) {
            case Op::Begin:
                start = current = call.points[0];
                points.push_back(current);
                break;
            case Op::Line:
                lineTo(call.points[0]);
                break;
            case Op::Cubic:
                for (int i = 1; i <= steps; ++i) {
                    float t = float(i) / steps, u = 1 - t;
                    float a = u * u * u, b = 3 * u * u * t, c = 3 * u * t * t, d = t * t * t;
                    const auto& p = call.points;
                    points.push_back({a * current.x + b * p[0].x + c * p[1].x + d * p[2].x,
                                      a * current.y + b * p[0].y + c * p[1].y + d * p[2].y});
                }
                current = call.points[2];
                break;
            case Op::Close:  // the closing segment is implied
                lineTo(start);
                break;
            default:
                break;
        }
    }
    return points;
}

float DistanceToNearest(const GXPoint& p, const std::vector<GXPoint>& cloud) {
    float best = 1e30f;
    for (const GXPoint& q : cloud) best = std::min(best, std::hypot(p.x - q.x, p.y - q.y));
    return best;
}

TEST(Font, GlyphOutlineFollowsFreeTypesOutline) {
    // At 96 px the sampling below tells shape errors of a tenth of a pixel; a quadratic
    // drawn as the cubic with controls (Q, E) strays by 0.3 to 0.4 px on these glyphs.
    auto font = Font::Create(kDejaVuSans, 0, 72);
    ReferenceFace reference(96);
    for (char16_t character : {u'O', u'S', u'g'}) {
        uint16_t glyph = GlyphOf(*font, character);
        RecordingSink sink;
        font->GetGlyphOutline(glyph, &sink);
        ASSERT_EQ(FT_Load_Glyph(reference.face.get(), glyph, FT_LOAD_NO_HINTING), 0);
        std::vector<GXPoint> expected = SampleReference(reference.face->glyph->outline, 64);
        std::vector<GXPoint> actual = SampleSink(sink, 64);
        ASSERT_GT(actual.size(), 100u);
        EXPECT_EQ(sink.Count(Op::Begin), reference.face->glyph->outline.n_contours);
        EXPECT_EQ(sink.Count(Op::Close), reference.face->glyph->outline.n_contours);
        float worst = 0;
        for (const GXPoint& p : actual) worst = std::max(worst, DistanceToNearest(p, expected));
        for (const GXPoint& p : expected) worst = std::max(worst, DistanceToNearest(p, actual));
        EXPECT_LT(worst, 0.1f) << char(character);
    }
}

TEST(Font, FirstFacesMadeOnSeveralThreadsAtOnceAgree) {
    // Each test runs in a process of its own, so these are the process's first faces:
    // fontconfig is loaded by whichever thread comes first, and matching is serialised.
    std::vector<std::shared_ptr<Font>> fonts(4);
    std::vector<std::thread> threads;
    for (size_t t = 0; t < fonts.size(); ++t)
        threads.emplace_back([&, t] { fonts[t] = Font::Create(kDejaVuSans, t % 2, 12); });
    for (auto& thread : threads) thread.join();
    for (size_t t = 2; t < fonts.size(); ++t)
        EXPECT_EQ(fonts[t]->GetGlyphOutline(GlyphOf(*fonts[t], u'H'), nullptr).x,
                  fonts[t % 2]->GetGlyphOutline(GlyphOf(*fonts[t % 2], u'H'), nullptr).x);
}

TEST(Font, QueriesFromSeveralThreadsAgree) {
    auto a = Font::Create(kDejaVuSans, 0, 12);
    auto b = Font::Create(kDejaVuSans, 1, 30);
    std::vector<uint16_t> text = Text(u"The quick brown fox");
    text.push_back(0);
    GXTextBound expectedA = a->CalculateTextBound(text.data());
    GXTextBound expectedB = b->CalculateTextBound(text.data());
    std::vector<std::thread> threads;
    std::vector<int> mismatches(4, 0);
    for (int t = 0; t < 4; ++t)
        threads.emplace_back([&, t] {
            for (int i = 0; i < 20; ++i) {
                const Font& font = (t + i) % 2 ? *a : *b;
                GXTextBound expected = (t + i) % 2 ? expectedA : expectedB;
                mismatches[t] += font.CalculateTextBound(text.data()).width != expected.width;
            }
        });
    for (auto& thread : threads) thread.join();
    for (int m : mismatches) EXPECT_EQ(m, 0);
}

}  // namespace
