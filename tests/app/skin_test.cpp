#include "app/skin_attach.h"

#include "app/control_table.h"
#include "app/memory_window.h"
#include "app/qt/main_window.h"
#include "app/skin/skin_format.h"
#include "app/qt/widgets.h"
#include "tests/app/skin_contract.h"
#include "tests/app/skin_probe.h"

#include <QApplication>
#include <QImage>
#include <QLineEdit>
#include <QStyle>

#include <gtest/gtest.h>

#include <dlfcn.h>

#include <climits>
#include <cmath>

using namespace fenrow;

namespace fenrow::skin {
// Found by the test macros through the colour's namespace.
void PrintTo(const Rgb& c, std::ostream* os) { *os << '(' << int(c.r) << ',' << int(c.g) << ',' << int(c.b) << ')'; }
} // namespace fenrow::skin

using skin::Rgb;
using skin::Role;

namespace {

const std::string& builtin_bytes() { return builtin_skin().str(); }

std::optional<skin::Skin> parse(const std::string& s)
{
    return skin::parse_skin(reinterpret_cast<const unsigned char*>(s.data()), s.size());
}

// The built-in skin without its check line, to build variants from.
std::string builtin_body() { return builtin_bytes().substr(0, builtin_bytes().size() - skin::check_line_size); }

std::string replaced(std::string s, const std::string& from, const std::string& to)
{
    const std::size_t at = s.find(from);
    EXPECT_NE(at, std::string::npos) << from;
    return at == std::string::npos ? s : s.replace(at, from.size(), to);
}

QColor qcolour(Rgb c) { return QColor(c.r, c.g, c.b); }

} // namespace

// --- The format -------------------------------------------------------------

TEST(SkinFormat, BuiltInSkinReadsWithWhiteEditBoxes)
{
    const std::optional<skin::Skin> s = parse(builtin_bytes());
    ASSERT_TRUE(s.has_value());
    EXPECT_EQ((*s)[Role::base], (Rgb{255, 255, 255}));
    EXPECT_EQ(s->radius, 4);
    EXPECT_EQ(builtin_bytes().substr(0, skin::magic.size()), skin::magic);
    EXPECT_EQ(builtin_bytes(), skin::seal(builtin_body())); // compile-time and run-time seals agree
}

TEST(SkinFormat, RulesOfTheFormat)
{
    const std::string body = builtin_body();
    std::string padded = body;
    while (padded.size() <= skin::max_block_size)
        padded += "# padding padding padding padding padding padding padding\n";
    const struct {
        const char* what;
        std::string block;
        bool accepted;
    } cases[] = {
        {"as built", skin::seal(body), true},
        {"comments and empty lines", skin::seal(replaced(body, "radius=4\n", "\n# round\n\nradius=4\n")), true},
        {"lower-case colours", skin::seal(replaced(body, "accent=#2F6FCC", "accent=#2f6fcc")), true},
        {"largest radius", skin::seal(replaced(body, "radius=4", "radius=12")), true},
        {"radius too large", skin::seal(replaced(body, "radius=4", "radius=13")), false},
        {"negative radius", skin::seal(replaced(body, "radius=4", "radius=-1")), false},
        {"empty radius", skin::seal(replaced(body, "radius=4", "radius=")), false},
        {"other version", skin::seal(replaced(body, "FRWSKIN 1", "FRWSKIN 2")), false},
        {"other magic", skin::seal(replaced(body, "FRWSKIN 1", "FRWSKN 1")), false},
        {"no version", skin::seal(replaced(body, "FRWSKIN 1", "FRWSKIN ")), false},
        {"unknown key", skin::seal(body + "shadow=#000000\n"), false},
        {"key twice", skin::seal(body + "window=#000000\n"), false},
        {"radius twice", skin::seal(body + "radius=2\n"), false},
        {"key missing", skin::seal(replaced(body, "accent=#2F6FCC\n", "")), false},
        {"radius missing", skin::seal(replaced(body, "radius=4\n", "")), false},
        {"colour with a non-digit", skin::seal(replaced(body, "accent=#2F6FCC", "accent=#2F6FCG")), false},
        {"short colour", skin::seal(replaced(body, "accent=#2F6FCC", "accent=#2F6FC")), false},
        {"long colour", skin::seal(replaced(body, "accent=#2F6FCC", "accent=#2F6FCC0")), false},
        {"colour without #", skin::seal(replaced(body, "accent=#2F6FCC", "accent=2F6FCC")), false},
        {"blanks around =", skin::seal(replaced(body, "accent=#2F6FCC", "accent = #2F6FCC")), false},
        {"line without =", skin::seal(body + "accent\n"), false},
        {"CR LF lines", [&] {
             std::string crlf;
             for (char c : body)
                 crlf += c == '\n' ? std::string("\r\n") : std::string(1, c);
             return skin::seal(crlf);
         }(), false},
        {"zero byte", skin::seal(replaced(body, "# Calm", std::string("#\0Calm", 6))), false},
        {"bytes after the check line", skin::seal(body) + "window=#000000\n", false},
        {"no LF after the check line", skin::seal(body).substr(0, skin::seal(body).size() - 1), false},
        {"upper-case check", [&] {
             std::string s = skin::seal(body);
             for (std::size_t i = s.size() - 9; i + 1 < s.size(); ++i)
                 s[i] = static_cast<char>(std::toupper(static_cast<unsigned char>(s[i])));
             return s;
         }(), false},
        {"over the size limit", skin::seal(padded), false},
        {"empty", std::string(), false},
        {"check line alone", skin::seal(std::string_view()), false},
        {"magic line alone", skin::seal(std::string_view("FRWSKIN 1\n")), false},
    };
    for (const auto& c : cases)
        EXPECT_EQ(parse(c.block).has_value(), c.accepted) << c.what;
    EXPECT_FALSE(skin::parse_skin(nullptr, 100).has_value());
}

TEST(SkinFormat, EveryChangedByteAndEveryCutIsRefused)
{
    const std::string good = builtin_bytes();
    for (std::size_t i = 0; i < good.size(); ++i) {
        for (unsigned flip : {0x01u, 0x20u, 0x80u}) {
            std::string bad = good;
            bad[i] = static_cast<char>(static_cast<unsigned char>(bad[i]) ^ flip);
            ASSERT_FALSE(parse(bad).has_value()) << "byte " << i << " ^ " << flip;
        }
        ASSERT_FALSE(parse(good.substr(0, i)).has_value()) << "cut at " << i;
    }
}

// --- The colour shift ---------------------------------------------------------

TEST(SkinShift, HueSaturationAndLightness)
{
    const Rgb red{255, 0, 0}, blue{0, 0, 255}, grey{128, 128, 128}, brick{200, 100, 50};
    const struct {
        Rgb in;
        int hue, saturation, lightness;
        Rgb out;
    } cases[] = {
        {red, 120, 0, 0, {0, 255, 0}},
        {red, -120, 0, 0, {0, 0, 255}},
        {blue, 180, 0, 0, {255, 255, 0}},
        {blue, -180, 0, 0, {255, 255, 0}},
        {red, 400, 0, 0, {0, 255, 255}},    // hue limited to 180
        {red, INT_MIN, 0, 0, {0, 255, 255}}, // and to -180
        {red, 0, -100, 0, {128, 128, 128}},
        {brick, 0, -250, 0, {125, 125, 125}}, // saturation limited to -100: grey
        {brick, 0, 100, 0, {250, 83, 0}},     // doubled, at most full
        {brick, 0, 500, 0, {250, 83, 0}},
        {brick, 0, 50, 0, {238, 87, 12}},
        {grey, 90, 100, 0, grey},             // greys have no hue to shift
        {{255, 255, 255}, -60, 60, 0, {255, 255, 255}}, // white edit boxes stay white
        {red, 0, 0, 100, {255, 255, 255}},
        {red, 0, 0, -100, {0, 0, 0}},
        {red, 0, 0, 50, {255, 128, 128}},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(skin::shift_colour(c.in, c.hue, c.saturation, c.lightness), c.out)
            << testing::PrintToString(c.in) << " by " << c.hue << ", " << c.saturation << ", " << c.lightness;
    }
}

TEST(SkinShift, NoShiftKeepsEveryColour)
{
    for (int r = 0; r < 256; r += 3)
        for (int g = 0; g < 256; g += 3)
            for (int b = 0; b < 256; b += 3) {
                const Rgb c{static_cast<std::uint8_t>(r), static_cast<std::uint8_t>(g), static_cast<std::uint8_t>(b)};
                ASSERT_EQ(skin::shift_colour(c, 0, 0, 0), c);
            }
}

TEST(SkinShift, CaptionsStayLegibleUnderEveryShift)
{
    const skin::Skin stored = *parse(builtin_bytes());
    const Rgb red{255, 0, 0}, blue{0, 0, 255};
    for (int hue = -180; hue <= 180; hue += 30)
        for (int saturation : {-100, -50, 0, 50, 100}) {
            const skin::Skin s = skin::shift_skin(stored, hue, saturation, 0);
            SCOPED_TRACE(testing::Message() << "hue " << hue << ", saturation " << saturation);
            for (Role back : {Role::window, Role::panel, Role::status})
                EXPECT_GE(contrast(s[Role::window_text], s[back]), 7.0);
            for (Role back : {Role::window, Role::panel}) {
                // The control table's red and blue are fixed; the skin keeps them readable.
                EXPECT_GE(contrast(red, s[back]), 3.0);
                EXPECT_GE(contrast(blue, s[back]), 4.5);
            }
            EXPECT_GE(contrast(s[Role::base_text], s[Role::base]), 7.0);
            EXPECT_GE(contrast(red, s[Role::base]), 3.0);
            EXPECT_GE(contrast(s[Role::button_text], s[Role::button_bottom]), 7.0);
            EXPECT_GE(contrast(s[Role::button_text], s[Role::button_pressed]), 7.0);
            // Selected text and the tick in a check box: some shifted hues sit
            // where neither light nor dark text reaches 4.5.
            const double floor = hue == 0 && saturation == 0 ? 4.5 : 3.0;
            EXPECT_GE(contrast(s[Role::selection_text], s[Role::selection]), floor);
            EXPECT_GE(contrast(s[Role::selection_text], s[Role::accent]), floor);
        }
}

// --- Loading the library --------------------------------------------------------

namespace {

ProbeCalls* probe_of(const char* path)
{
    void* handle = ::dlopen(path, RTLD_NOW | RTLD_LOCAL);
    if (handle == nullptr)
        return nullptr;
    auto calls = reinterpret_cast<ProbeCallsFn>(::dlsym(handle, "probe_calls"));
    ProbeCalls* seen = calls != nullptr ? calls() : nullptr;
    if (seen != nullptr)
        *seen = ProbeCalls{};
    return seen;
}

} // namespace

TEST(SkinLoader, PassesTheSkinThenTheLimitedShift)
{
    SkinLibrary library(FENROW_SKIN_PROBE);
    ProbeCalls* seen = probe_of(FENROW_SKIN_PROBE);
    ASSERT_NE(seen, nullptr);
    const struct {
        int hue, saturation, want_hue, want_saturation;
    } cases[] = {
        {0, 0, 0, 0},           {37, -12, 37, -12},          {180, -100, 180, -100},
        {181, -101, 180, -100}, {-500, 500, -180, 100},      {INT_MIN, INT_MAX, -180, 100},
    };
    for (const auto& c : cases) {
        *seen = ProbeCalls{};
        attach_skin_with(library, builtin_skin(), c.hue, c.saturation);
        EXPECT_EQ(seen->attach_calls, 1);
        EXPECT_EQ(seen->data, builtin_skin().data());
        EXPECT_EQ(seen->size, builtin_skin().size());
        EXPECT_EQ(seen->password, nullptr);
        EXPECT_EQ(seen->flags, 0);
        EXPECT_EQ(seen->adjust_calls, 1);
        EXPECT_LT(seen->attach_order, seen->adjust_order);
        EXPECT_EQ(seen->hue, c.want_hue) << c.hue;
        EXPECT_EQ(seen->saturation, c.want_saturation) << c.saturation;
        EXPECT_EQ(seen->lightness, 0);
    }
}

TEST(SkinLoader, NoCallThroughAMissingEntryPoint)
{
    SkinLibrary without_adjust(FENROW_SKIN_PROBE_NO_ADJUST);
    ProbeCalls* seen = probe_of(FENROW_SKIN_PROBE_NO_ADJUST);
    ASSERT_NE(seen, nullptr);
    attach_skin_with(without_adjust, builtin_skin(), 10, 10);
    EXPECT_EQ(seen->attach_calls, 1);
    EXPECT_FALSE(without_adjust.adjust(10, 10));

    SkinLibrary without_attach(FENROW_SKIN_PROBE_NO_ATTACH);
    seen = probe_of(FENROW_SKIN_PROBE_NO_ATTACH);
    ASSERT_NE(seen, nullptr);
    attach_skin_with(without_attach, builtin_skin(), 999, 0);
    EXPECT_FALSE(without_attach.attach(builtin_skin()));
    EXPECT_EQ(seen->adjust_calls, 1);
    EXPECT_EQ(seen->hue, 180);
}

TEST(SkinLoader, MissingOrUnloadableLibraryChangesNothing)
{
    QStyle* style = QApplication::style();
    const QPalette palette = QApplication::palette();
    for (const char* path : {"/nonexistent/libfenrow_skin.so", FENROW_NOT_A_LIBRARY, "/"}) {
        SkinLibrary library(path);
        EXPECT_FALSE(library.load()) << path;
        EXPECT_FALSE(library.attach(builtin_skin()));
        EXPECT_FALSE(library.adjust(0, 0));
        attach_skin_with(library, builtin_skin(), 0, 0);
    }
    // The test program's directory holds no skin library either.
    attach_skin(builtin_skin());
    EXPECT_EQ(QApplication::style(), style);
    EXPECT_EQ(QApplication::palette(), palette);
}

// --- The skin library on a real window (offscreen) ----------------------------------

namespace {

QColor caption_colour(QWidget* w)
{
    return w->palette().color(qobject_cast<QLineEdit*>(w) ? QPalette::Text : QPalette::WindowText);
}

struct QtDriver {
    struct Look {
        QImage image;
        QPalette palette;
        QStyle* style; // never read: the application may have deleted it since
        QString style_name;
        bool operator==(const Look&) const = default;
        // Detached, the application draws with a new style object of the old kind.
        bool shows_as(const Look& o) const
        {
            return image == o.image && palette == o.palette && style_name == o.style_name;
        }
        double share_changed(const Look& other) const
        {
            EXPECT_EQ(image.size(), other.image.size());
            if (image.size() != other.image.size())
                return 1;
            long changed = 0;
            for (int y = 0; y < image.height(); ++y)
                for (int x = 0; x < image.width(); ++x)
                    changed += image.pixel(x, y) != other.image.pixel(x, y);
            return double(changed) / (image.width() * image.height());
        }
    };
    static constexpr double restyled = 0.05;
    static std::filesystem::path library() { return FENROW_SKIN_LIBRARY; }

    QtDriver()
    {
        use_design_font();
        window.show();
        window.resize(design_client_width, design_client_height);
        QApplication::processEvents();
    }
    Look look()
    {
        QApplication::processEvents();
        QStyle* style = QApplication::style();
        return {window.grab().toImage(), QApplication::palette(), style, style->name()};
    }
    // Every widget inside the window, internal ones too.
    std::vector<std::string> places()
    {
        look(); // a grab lays out the hidden parts too (the drop-down list's popup)
        std::vector<std::string> all;
        for (QWidget* w : window.findChildren<QWidget*>()) {
            const QRect g = w->geometry();
            all.push_back(QString("%1 %2 %3,%4 %5x%6 %7")
                              .arg(w->metaObject()->className(), w->objectName())
                              .arg(g.x()).arg(g.y()).arg(g.width()).arg(g.height())
                              .arg(w->font().toString()).toStdString());
        }
        return all;
    }
    void expect_wears(const skin::Skin& s)
    {
        const QPalette p = QApplication::palette();
        EXPECT_EQ(p.color(QPalette::Window), qcolour(s[Role::window]));
        EXPECT_EQ(p.color(QPalette::Highlight), qcolour(s[Role::selection]));
        EXPECT_EQ(p.color(QPalette::Base), qcolour(s[Role::base]));
        EXPECT_EQ(look().image.pixelColor(window.width() / 2, 3), qcolour(s[Role::window])); // the bare background
        MemoryControls expected(control_table());
        layout_controls(expected);
        for (const ControlSpec& c : control_table()) {
            SCOPED_TRACE(std::string(c.name.utf8));
            EXPECT_EQ(window.get_geometry(c.name), expected.get_geometry(c.name));
            if (c.rgb != 0) {
                const QColor own((c.rgb >> 16) & 0xFF, (c.rgb >> 8) & 0xFF, c.rgb & 0xFF);
                EXPECT_EQ(caption_colour(window.widget(c.name)), own); // kept through every skin and shift
            }
        }
    }

    MainWindow window;
};

} // namespace

namespace fenrow {
INSTANTIATE_TYPED_TEST_SUITE_P(QtSkin, SkinContract, QtDriver);
} // namespace fenrow
