#include <QApplication>
#include <QImage>
#include <QPainter>
#include <gtest/gtest.h>

#include "component/controlerror.h"
#include "controlerrors.h"
#include "core/colours.h"
#include "lumaband/lumabandrules.h"

using namespace lumaband;
using platform::component::ErrorKind;

namespace {

const QColor kBack(0x40, 0x40, 0x40);

// One run, computed without a window or a painter.
struct Rendered {
    BarRun run;
    int width;
    // The colour of pixel column x.
    QColor column(int x) const { return QColor::fromRgb(run.columns.at(static_cast<size_t>(x))); }
};

Rendered render(const BarSettings& s, QSize size = {400, 20}, float unitsBefore = 0) {
    return {layoutBar(s, size, kBack.rgb(), TextMetrics{10, 12}, unitsBefore), size.width()};
}

BarSettings bar(std::int16_t min, std::int16_t max, std::int16_t value) {
    BarSettings s;
    s.min = min;
    s.max = max;
    s.value = value;
    s.showPercent = false;
    s.endColor = 0x00FFFFFF;
    return s;
}

// The colour of the pixel column at the middle of value unit `u` on a run of `units` units.
QColor at(const Rendered& r, double u, int units = 100) {
    return r.column(static_cast<int>((u + 0.5) * r.width / units));
}
// The colour of the pixel column under position `pos` (in value units).
QColor atPos(const Rendered& r, double pos, int units = 100) {
    return r.column(static_cast<int>(pos * r.width / units));
}

} // namespace

TEST(LumabandRules, RejectionsComeInTheirOrder) {
    BarSettings s; // 0..100, width 0.7 above size 0
    s.value = 40;
    using Check = const char* (*)(float, const BarSettings&);
    const Check value = [](float v, const BarSettings& b) { return checkValue(std::int16_t(v), b); };
    const Check min = [](float v, const BarSettings& b) { return checkMin(std::int16_t(v), b); };
    const Check max = [](float v, const BarSettings& b) { return checkMax(std::int16_t(v), b); };
    const struct {
        Check check;
        float value;
        const char* message;
    } cases[] = {
        {value, 101, "Value has to be less than Max."},
        {value, -1, "Value has to be bigger than Min."},
        {value, 100, nullptr},
        {value, 0, nullptr},
        {min, 100, "Min has to be less than Max."},
        {min, 99, nullptr},
        {max, 0, "Max has to be bigger than Min."},
        {max, 1, nullptr},
        {&checkSegmentSize, 0.5f, "Segmentsize has to be more than Segmentwidth!"},
        {&checkSegmentSize, 0.7f, nullptr}, // equal is accepted
        {&checkSegmentWidth, 0.1f, "SegmentWidth has to be less than Segmentsize!"},
        {&checkSegmentWidth, -5.0f, nullptr}, // the value as passed, before its magnitude is taken
        {&checkSegmentWidth, 0.0f, nullptr},
    };
    for (const auto& c : cases) {
        const char* got = c.check(c.value, s);
        if (c.message)
            EXPECT_STREQ(got, c.message) << c.value;
        else
            EXPECT_EQ(got, nullptr) << c.value;
    }
    // Above Max is tested first, even when the value is below Min as well.
    BarSettings inverted = s;
    inverted.min = 50;
    inverted.max = 10;
    EXPECT_STREQ(checkValue(30, inverted), "Value has to be less than Max.");
}

TEST(LumabandRules, PercentTable) {
    const struct {
        std::int16_t min, max, value, percent;
    } cases[] = {{0, 100, 50, 50}, {-50, 50, 0, 50}, {0, 3, 2, 67},    {0, 8, 1, 12},
                 {0, 8, 3, 38},    {0, 200, 1, 0},   {10, 20, 15, 83}, {0, 200, 100, 50}};
    for (const auto& c : cases)
        EXPECT_EQ(percent(c.min, c.max, c.value), c.percent) << c.min << " " << c.max << " " << c.value;
}

TEST(LumabandRules, PercentReportsItsLimitsAsTypedErrors) {
    const struct {
        std::int16_t min, max, value;
        ErrorKind kind;
    } cases[] = {
        {0, 0, 0, ErrorKind::DivisionByZero},      {0, 0, 5, ErrorKind::DivisionByZero},
        {-32768, 0, 0, ErrorKind::Overflow},       // the magnitude of -32768
        {-20000, 20000, 0, ErrorKind::Overflow},   // |Max| + |Min| beyond 32767
        {-30000, 1000, 5000, ErrorKind::Overflow}, // |Min| + Value beyond 32767
        {0, 1, 1000, ErrorKind::Overflow},         // a loaded Value far above Max: 100000 percent
    };
    for (const auto& c : cases)
        EXPECT_EQ(errorKindOf([&] { percent(c.min, c.max, c.value); }), c.kind)
            << c.min << " " << c.max << " " << c.value;
}

TEST(LumabandRules, FiftyOneBandsFromBlackWithHalfRoundedUp) {
    const Rendered r = render(bar(0, 100, 50));
    EXPECT_EQ(r.run.outcome, DrawOutcome::Bar);
    EXPECT_EQ(r.run.unitsAcross, 100.0f);
    EXPECT_EQ(at(r, 0), QColor(0, 0, 0));
    EXPECT_EQ(at(r, 1), QColor(3, 3, 3)); // 2.55 rounds to 3
    EXPECT_EQ(at(r, 2), QColor(5, 5, 5)); // 5.1
    // Fifty single-precision additions of 2.55 give 127.50006: drawn as 128, not the 127 of halves to even.
    EXPECT_EQ(at(r, 50), QColor(128, 128, 128));
    EXPECT_EQ(at(r, 51), kBack);
    EXPECT_EQ(at(r, 99), kBack);
    EXPECT_EQ(r.column(399), kBack);

    BarSettings relative = bar(0, 100, 50);
    relative.relativeScroll = true;
    const Rendered rr = render(relative);
    EXPECT_EQ(at(rr, 1), QColor(5, 5, 5));
    EXPECT_EQ(at(rr, 50), QColor(255, 255, 255));
}

TEST(LumabandRules, AFullBarReachesTheRightEdge) {
    const Rendered r = render(bar(0, 100, 100));
    EXPECT_EQ(r.column(399), QColor(252, 252, 252)); // band 99; band 100 lies beyond the edge
    EXPECT_EQ(r.column(0), QColor(0, 0, 0));
}

TEST(LumabandRules, ADisabledBarIsFlatGrey) {
    BarSettings s = bar(0, 100, 60);
    s.startColor = platform::rgb(200, 0, 0);
    s.endColor = platform::rgb(0, 0, 200);
    s.enabled = false;
    const Rendered r = render(s);
    for (double u : {0.0, 30.0, 60.0})
        EXPECT_EQ(at(r, u), QColor(128, 128, 128)) << u;
    EXPECT_EQ(at(r, 61), kBack);
}

TEST(LumabandRules, SegmentsShowOnlyWholeOnes) {
    BarSettings s = bar(0, 100, 35);
    s.startColor = s.endColor = platform::rgb(0, 200, 0);
    s.segmentSize = 10;
    s.segmentWidth = 2;
    const Rendered r = render(s);
    const QColor green(0, 200, 0);
    const struct {
        double u;
        bool filled;
    } columns[] = {{0, false},  {1.5, false},  {2.1, true}, {9.9, true},  {10.5, false}, {12.5, true},
                   {20, false}, {21.9, false}, {25, true},  {29.9, true}, {30.1, false}, {35, false}};
    for (const auto& c : columns)
        EXPECT_EQ(atPos(r, c.u), c.filled ? green : kBack) << c.u;

    // Without a size or a width: no gaps, and the bands run one unit past the value.
    for (auto [size, width] : {std::pair{0.0f, 2.0f}, std::pair{10.0f, 0.0f}}) {
        s.segmentSize = size;
        s.segmentWidth = width;
        const Rendered plain = render(s);
        EXPECT_EQ(atPos(plain, 0), green);
        EXPECT_EQ(atPos(plain, 35.5), green);
        EXPECT_EQ(atPos(plain, 36.5), kBack);
    }
}

TEST(LumabandRules, SystemColoursAreResolvedWhenDrawn) {
    BarSettings s = bar(0, 100, 100);
    s.startColor = s.endColor = platform::kButtonFace;
    const QColor face = platform::toQColor(platform::kButtonFace);
    EXPECT_EQ(at(render(s), 50), QColor(face.red(), face.green(), face.blue()));
}

TEST(LumabandRules, ValueAtMinDrawsOnlyTheBackgroundAndKeepsTheScale) {
    const Rendered r = render(bar(0, 100, 0), {400, 20}, 0);
    EXPECT_EQ(r.run.outcome, DrawOutcome::Background);
    EXPECT_EQ(r.run.unitsAcross, 0.0f); // still pixels
    EXPECT_EQ(r.column(0), kBack);
    EXPECT_EQ(r.column(399), kBack);
    EXPECT_EQ(render(bar(0, 100, 0), {400, 20}, 250).run.unitsAcross, 250.0f);
}

TEST(LumabandRules, BrokenLimitsStopTheRunQuietly) {
    // Only a loaded set can hold these. The run stops; the background it cleared stays.
    const struct {
        BarSettings s;
        float units;
    } cases[] = {
        {bar(-20000, 20000, 0), 0},       // |Max| + |Min| beyond 32767: before the scale is set
        {bar(-32768, 10, 0), 0},          // the magnitude of -32768
        {bar(-30000, 1000, 5000), 31000}, // |Min| + Value beyond 32767
        {bar(0, 0, 5), 0},                // a scale of no units
    };
    for (const auto& c : cases) {
        const Rendered r = render(c.s);
        EXPECT_EQ(r.run.outcome, DrawOutcome::Stopped);
        EXPECT_EQ(r.run.unitsAcross, c.units);
        EXPECT_EQ(r.column(0), kBack);
        EXPECT_EQ(r.column(399), kBack);
    }
    // A zero gradient length with RelativeScroll: |Min| + Value is 0.
    BarSettings zero = bar(-10, 10, 10);
    zero.min = 5; // loaded above Value's magnitude sum: |5| + (-5) = 0
    zero.value = -5;
    zero.relativeScroll = true;
    EXPECT_EQ(render(zero).run.outcome, DrawOutcome::Stopped);
}

TEST(LumabandRules, PitchesFinerThanAPixelStillEndInThePercentage) {
    const struct {
        float size, width;
        std::int16_t max, value;
    } cases[] = {{0.005f, 0.001f, 32767, 32767}, {0.005f, 0.001f, 32767, 16000}, {1e-30f, 1e-31f, 100, 100}};
    for (const auto& c : cases) {
        BarSettings s = bar(0, c.max, c.value);
        s.segmentSize = c.size;
        s.segmentWidth = c.width;
        s.showPercent = true;
        const Rendered r = render(s);
        EXPECT_EQ(r.run.outcome, DrawOutcome::Bar) << c.size << " " << c.value;
        EXPECT_EQ(r.run.text, QString::number(percent(0, c.max, c.value)) + "%") << c.size << " " << c.value;
        // Each column shows what lies under its centre: mostly bands, a fifth or fewer gaps.
        const int filled = c.value * 400 / c.max;
        int gaps = 0;
        for (int x = 0; x < filled; ++x)
            gaps += r.column(x) == kBack;
        EXPECT_LE(gaps, filled * 3 / 10) << c.size << " " << c.value;
        if (filled + 2 < 400) {
            EXPECT_EQ(r.column(filled + 2), kBack) << c.size << " " << c.value;
        }
    }
}

TEST(LumabandRules, ChannelsAreBroughtIntoRange) {
    // A loaded Value beyond Max steps the bands on past the right edge; what shows stays on the gradient.
    BarSettings s = bar(0, 10, 20);
    s.startColor = platform::rgb(255, 255, 255);
    s.endColor = platform::rgb(0, 0, 0);
    const Rendered r = render(s, {400, 20});
    EXPECT_EQ(r.run.outcome, DrawOutcome::Bar);
    EXPECT_EQ(r.column(399), QColor(26, 26, 26)); // band 9: 25.5, halves to even
    EXPECT_EQ(channelOf(-3.4f), 0);
    EXPECT_EQ(channelOf(-0.6f), 0);
    EXPECT_EQ(channelOf(300.0f), 255);
    EXPECT_EQ(channelOf(127.5f), 128);
    EXPECT_EQ(channelOf(126.5f), 126);
}

TEST(LumabandRules, PercentTextSitsHalfADigitLeftOfItsMiddle) {
    // Digits 10 pixels wide, 12 high, on a 400 x 20 area.
    BarSettings s = bar(0, 100, 0);
    s.showPercent = true;
    const BarRun centred = render(s).run;
    EXPECT_EQ(centred.text, "0%");
    EXPECT_EQ(centred.textAt, QPointF(195, 4));

    // Over the middle of the filled part when the gradient follows it, also with Min not 0.
    BarSettings rel = bar(-50, 50, 30); // filled 0..80 units of 100
    rel.showPercent = true;
    rel.relativeScroll = true;
    const BarRun middle = render(rel).run;
    EXPECT_EQ(middle.text, "80%");
    EXPECT_EQ(middle.textAt, QPointF(155, 4));
}

TEST(LumabandRules, ThePainterDrawsTheRunAsComputed) {
    BarSettings s = bar(0, 100, 50);
    s.showPercent = true;
    const QFont font = QApplication::font();
    const Surface surface{kBack, Qt::white, font};
    const BarRun run = layoutBar(s, {400, 20}, kBack.rgb(), textMetrics(font), 0);
    QImage image(400, 20, QImage::Format_RGB32);
    image.fill(Qt::magenta); // anything the painter leaves unpainted shows up
    QPainter p(&image);
    paintBar(p, image.rect(), run, surface);
    p.end();
    for (int x : {0, 100, 199, 250, 399})
        EXPECT_EQ(image.pixel(x, 0), run.columns[static_cast<size_t>(x)]) << x; // the text stays off row 0
    int leftmost = -1; // white glyphs, brighter than any band of this bar
    for (int x = 0; x < 400 && leftmost < 0; ++x)
        for (int y = 0; y < 20; ++y)
            if (qRed(image.pixel(x, y)) > 0xA0)
                leftmost = x;
    EXPECT_NEAR(leftmost, run.textAt.x(), textMetrics(font).digitWidth / 2 + 2);
}
