// What both skin libraries do, checked on each: the Qt one on the Qt window and
// the Windows one on a window of the system's controls. The entry points are
// found by name in the library, as the program finds them. A driver gives:
//   static std::filesystem::path library();   // the skin library to load
//   static constexpr double restyled;         // the least share of pixels new colours change
//   struct Look;                              // all the window shows: == (nothing changed),
//                                             // bool shows_as(const Look&) (the same to the eye),
//                                             // double share_changed(const Look&) of its pixels
//   Look look();
//   std::vector<std::string> places();        // every control's place and font, a line each
//   void expect_wears(const skin::Skin& s);   // s's colours, the captions' own red and blue kept
#pragma once

#include "app/library_loader.h"
#include "app/skin/skin_api.h"
#include "app/skin/skin_format.h"
#include "app/skin_attach.h"

#include <gtest/gtest.h>

#include <string>
#include <thread>
#include <vector>

namespace fenrow {

// The built-in skin as the library reads it, before any shift.
inline skin::Skin stored_skin()
{
    return *skin::parse_skin(builtin_skin().data(), static_cast<std::size_t>(builtin_skin().size()));
}

struct HslShift {
    int hue, saturation, lightness;
    friend bool operator==(const HslShift&, const HslShift&) = default;
};

template <typename Driver>
class SkinContract : public testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(attach != nullptr && adjust != nullptr && detach != nullptr)
            << "no skin library at " << Driver::library();
    }
    void TearDown() override
    {
        if (detach != nullptr)
            detach();
    }

    template <typename F>
    static F entry(const char* name)
    {
        static void* const library = library_loader::open(Driver::library());
        return library == nullptr ? nullptr : reinterpret_cast<F>(library_loader::find(library, name));
    }
    int wear()
    {
        const ByteArray& b = builtin_skin();
        return attach(b.data(), b.size(), nullptr, 0);
    }
    int shift(HslShift s) { return adjust(s.hue, s.saturation, s.lightness); }

    Driver driver;
    const skin::AttachFn attach = entry<skin::AttachFn>(skin::attach_entry);
    const skin::AdjustFn adjust = entry<skin::AdjustFn>(skin::adjust_entry);
    const skin::DetachFn detach = entry<skin::DetachFn>(skin::detach_entry);
};

TYPED_TEST_SUITE_P(SkinContract);

TYPED_TEST_P(SkinContract, AttachRestylesEverythingAndMovesNothing)
{
    auto& d = this->driver;
    const std::vector<std::string> places = d.places();
    const auto plain = d.look();
    ASSERT_EQ(this->wear(), 1);
    EXPECT_GT(d.look().share_changed(plain), TypeParam::restyled);
    d.expect_wears(stored_skin());
    EXPECT_EQ(d.places(), places);
}

TYPED_TEST_P(SkinContract, RefusedSkinsChangeNothing)
{
    auto& d = this->driver;
    const std::string& good = builtin_skin().str();
    std::string corrupt = good;
    corrupt[corrupt.size() / 2] ^= 0x04;
    auto bytes = [](const std::string& s) { return reinterpret_cast<const unsigned char*>(s.data()); };
    auto size = [](const std::string& s) { return static_cast<int>(s.size()); };
    const struct {
        const char* what;
        const unsigned char* data;
        int size;
        const char* password;
        int flags;
    } cases[] = {
        {"corrupt", bytes(corrupt), size(corrupt), nullptr, 0},
        {"cut short", bytes(good), size(good) - 1, nullptr, 0},
        {"no data", nullptr, size(good), nullptr, 0},
        {"negative size", bytes(good), -1, nullptr, 0},
        {"empty", bytes(good), 0, nullptr, 0},
        {"with a password", bytes(good), size(good), "secret", 0},
        {"with flags", bytes(good), size(good), nullptr, 1},
    };
    for (bool skinned_first : {false, true}) {
        SCOPED_TRACE(skinned_first ? "skinned" : "plain");
        if (skinned_first) {
            ASSERT_EQ(this->wear(), 1);
            ASSERT_EQ(this->adjust(90, 0, 0), 1);
        }
        const auto before = d.look();
        for (const auto& c : cases) {
            EXPECT_EQ(this->attach(c.data, c.size, c.password, c.flags), 0) << c.what;
            EXPECT_TRUE(d.look() == before) << c.what;
        }
    }
    EXPECT_EQ(this->attach(bytes(good), size(good), "", 0), 1) << "an empty password is no password";
}

TYPED_TEST_P(SkinContract, ShiftIsRefusedUnattachedLimitedAndAlwaysFromTheStoredColours)
{
    auto& d = this->driver;
    EXPECT_EQ(this->adjust(30, 0, 0), 0); // nothing attached yet
    ASSERT_EQ(this->wear(), 1);
    const auto unshifted = d.look();
    std::vector<std::pair<HslShift, HslShift>> shifts = { // as asked, as limited
        {{45, -100, 30}, {45, -100, 30}},      {{0, 0, -40}, {0, 0, -40}},
        {{1000, 1000, 1000}, {180, 100, 100}}, {{-999, -999, -999}, {-180, -100, -100}},
        {{181, -101, 0}, {180, -100, 0}}};
    for (int hue : {-180, -60, 0, 90, 180})
        for (int saturation : {-100, 0, 60})
            if (hue != 0 || saturation != 0)
                shifts.push_back({{hue, saturation, 0}, {hue, saturation, 0}});
    for (const auto& [asked, limited] : shifts) {
        SCOPED_TRACE(testing::Message() << asked.hue << ", " << asked.saturation << ", " << asked.lightness);
        ASSERT_EQ(this->shift(asked), 1);
        const auto shifted = d.look();
        d.expect_wears(skin::shift_skin(stored_skin(), limited.hue, limited.saturation, limited.lightness));
        EXPECT_GT(shifted.share_changed(unshifted), TypeParam::restyled);
        if (asked != limited) {
            ASSERT_EQ(this->shift(limited), 1);
            EXPECT_TRUE(d.look() == shifted);
        }
    }
    ASSERT_EQ(this->adjust(0, 0, 0), 1);
    EXPECT_TRUE(d.look() == unshifted);
}

TYPED_TEST_P(SkinContract, DetachGivesBackTheDefaultLook)
{
    auto& d = this->driver;
    const auto plain = d.look();
    ASSERT_EQ(this->wear(), 1);
    ASSERT_EQ(this->adjust(45, 20, 0), 1);
    this->detach();
    EXPECT_TRUE(d.look().shows_as(plain));
    EXPECT_EQ(this->adjust(0, 0, 0), 0);
}

// The thread that made the window wears the skin; no other may attach, shift or detach.
TYPED_TEST_P(SkinContract, OtherThreadsAreRefusedAndChangeNothing)
{
    auto& d = this->driver;
    for (bool skinned_first : {false, true}) {
        SCOPED_TRACE(skinned_first ? "skinned" : "plain");
        if (skinned_first) {
            ASSERT_EQ(this->wear(), 1);
        }
        const auto before = d.look();
        int attached = -1, adjusted = -1;
        std::thread([&] {
            attached = this->wear();
            adjusted = this->adjust(90, 0, 0);
            this->detach();
        }).join();
        EXPECT_EQ(attached, 0);
        EXPECT_EQ(adjusted, 0);
        EXPECT_TRUE(d.look() == before);
    }
}

REGISTER_TYPED_TEST_SUITE_P(SkinContract, AttachRestylesEverythingAndMovesNothing, RefusedSkinsChangeNothing,
                            ShiftIsRefusedUnattachedLimitedAndAlwaysFromTheStoredColours,
                            DetachGivesBackTheDefaultLook, OtherThreadsAreRefusedAndChangeNothing);

} // namespace fenrow
