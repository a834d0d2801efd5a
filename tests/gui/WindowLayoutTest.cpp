// The layout table as the window uses it: every region lies on the window,
// regions of a page do not overlap except along the shared button edges,
// where the earlier one keeps the press as it always has, and each region
// draws where the skin painter puts its image.
#include <gtest/gtest.h>

#include <string>

#include "layout/WindowLayout.h"

namespace ornyx::layout::window {
namespace {

std::string Str(const Rect& r) {
    return std::to_string(r.left) + "," + std::to_string(r.top) + "," + std::to_string(r.right) +
           "," + std::to_string(r.bottom);
}

bool Overlap(const Rect& a, const Rect& b) {
    return a.left < b.right && b.left < a.right && a.top < b.bottom && b.top < a.bottom;
}

bool SharePage(On a, On b) {
    return a == On::BothPages || b == On::BothPages || a == b;
}

TEST(WindowLayout, RegionsLieOnTheWindowAndOnlyTheButtonRowsTouch) {
    for (const Region& r : kRegions)
        EXPECT_TRUE(r.rect.Inside(kSize.width, kSize.height)) << Str(r.rect);
    std::string overlaps;
    for (std::size_t i = 0; i < kRegions.size(); ++i)
        for (std::size_t j = i + 1; j < kRegions.size(); ++j)
            if (SharePage(kRegions[i].on, kRegions[j].on) &&
                Overlap(kRegions[i].rect, kRegions[j].rect))
                overlaps += Str(kRegions[i].rect) + " / " + Str(kRegions[j].rect) + "\n";
    // Neighbouring buttons share one pixel column: OK and Apply, Apply and
    // Cancel, the two modes, New, Delete and Confirm.
    EXPECT_EQ(overlaps,
              "562,623,667,644 / 666,623,771,644\n"
              "666,623,771,644 / 770,623,875,644\n"
              "253,518,358,539 / 357,518,462,539\n"
              "513,532,618,553 / 617,532,722,553\n"
              "617,532,722,553 / 721,532,826,553\n");
}

TEST(WindowLayout, ThePressOnASharedEdgeGoesToTheEarlierButton) {
    EXPECT_EQ(HitTest(On::BasicPage, kApplyButton.left, 630).target, Target::Ok);
    EXPECT_EQ(HitTest(On::BasicPage, kCancelButton.left, 630).target, Target::Apply);
    EXPECT_EQ(HitTest(On::BasicPage, kModeBButton.left, 520).target, Target::ModeA);
    EXPECT_EQ(HitTest(On::AdvancedPage, kDeleteButton.left, 540).target, Target::NewMacro);
}

TEST(WindowLayout, EachPageFindsOnlyItsOwnRegions) {
    const Rect box = ButtonBox(2);
    EXPECT_EQ(HitTest(On::BasicPage, box.left, box.top), Find(Target::ButtonBox, 2));
    EXPECT_EQ(HitTest(On::AdvancedPage, box.left, box.top).target, Target::None);
    EXPECT_EQ(HitTest(On::BothPages, box.left, box.top).target, Target::None);  // no page yet
    EXPECT_EQ(HitTest(On::BothPages, kCloseButton.left, kCloseButton.top).target, Target::Close);
    // Right and bottom edges are outside.
    EXPECT_EQ(HitTest(On::BasicPage, box.right, box.top).target, Target::None);
    const Rect cell = DpiCell(3, 11);
    const Hit hit = HitTest(On::BasicPage, cell.right - 1, cell.bottom - 1);
    EXPECT_EQ(hit.target, Target::DpiCell);
    EXPECT_EQ(hit.index, 3);
    EXPECT_EQ(hit.step, 11);
}

TEST(WindowLayout, HoveredRegionsDrawWhereThePainterPutsTheirImages) {
    for (const Region& r : kRegions) {
        if (r.hover == nullptr) continue;
        const std::span<const Placement> elements =
            r.on == On::AdvancedPage ? kBackgrounds[1].elements : kBackgrounds[0].elements;
        bool placed = false;
        for (const Placement& p : elements)
            placed |= p.element == r.hover->element && p.rect == r.rect;
        EXPECT_TRUE(placed) << Str(r.rect);
    }
}

}  // namespace
}  // namespace ornyx::layout::window
