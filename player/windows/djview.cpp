#include "djview.h"

#include <QPaintEvent>
#include <QPainter>
#include <algorithm>

#include "analysis/analysisservice.h"
#include "console/console.h"
#include "console/djrules.h"
#include "console/temporules.h"
#include "deckstate.h"
#include "djlayout.h"
#include "knob.h"
#include "levelmeter.h"
#include "media/audioengine.h"
#include "media/mediaplayer.h"
#include "overviewstrip.h"
#include "skin.h"
#include "soundstrip.h"
#include "tempobuttons.h"
#include "tempofader.h"
#include "waveformstrip.h"

namespace player {

using djlayout::Item;
using platform::media::PlayState;

namespace {

// The longest a meter's fall may take in one step: a window that was away for a while starts afresh.
constexpr double kLongestStep = 0.5;

void place(QWidget* w, Item item, double scale = 1.0) {
    w->setGeometry(platform::toPixels(djlayout::rect(item), scale));
    if (const char* tip = djlayout::entry(item).tip)
        w->setToolTip(DjView::tr(tip));
}

djrules::Light lightOf(PlayState state) {
    switch (state) {
    case PlayState::Playing:
        return djrules::Light::Play;
    case PlayState::Paused:
        return djrules::Light::Pause;
    case PlayState::Stopped:
        return djrules::Light::Stop;
    case PlayState::NoMedia:
        break;
    }
    return djrules::Light::None;
}

} // namespace

DjView::DjView(Console& console, platform::media::AudioEngine& engine,
               platform::analysis::AnalysisService& analysis, QWidget* parent)
    : QWidget(parent), m_console(console), m_engine(engine), m_analysis(analysis),
      m_zoom(djrules::kDefaultZoom) {
    setObjectName(QStringLiteral("djView"));
    setFixedSize(platform::toPixels({0, 0, djlayout::kWidth, djlayout::kHeight}).size());
    setAttribute(Qt::WA_OpaquePaintEvent);
    for (int d = 0; d < 2; ++d) {
        const QColor accent = skin::deckColour(d);
        m_wave[d] = new WaveformStrip(accent, this);
        place(m_wave[d], djlayout::kWave[d]);
        m_wave[d]->setSecondsAcross(m_zoom);
        connect(m_wave[d], &WaveformStrip::zoomAsked, this, &DjView::zoomBy);
        m_state[d] = new DeckState(accent, this);
        place(m_state[d], djlayout::kState[d]);
        m_overview[d] = new OverviewStrip(accent, this);
        place(m_overview[d], djlayout::kOverview[d]);
        connect(m_overview[d], &OverviewStrip::pressed, this,
                [this, d](float x, float width) { emit overviewPressed(d, x, width); });
        const djlayout::Entry& e = djlayout::entry(djlayout::kMeter[d]);
        m_meter[d] =
            new LevelMeter(console.deck(d).meter(), accent, QString::fromLatin1(e.word.data(), 1), this);
        place(m_meter[d], djlayout::kMeter[d]);
        m_sound[d] = new SoundStrip(console, d, accent, this);
        place(m_sound[d], djlayout::kKnobs[d]);
    }
    for (int d = 0; d < 2; ++d) {
        const QColor accent = skin::deckColour(d);
        m_fader[d] = new TempoFader(accent, this);
        place(m_fader[d], djlayout::kTempo[d]);
        // A drag lands where the fader's centre catches it; the wheel moves by a tenth of a percent.
        connect(m_fader[d], &TempoFader::moved, this, [this, d](int value) {
            m_console.setTempo(d, temporules::ratioAt(value, m_console.tempoRange(d)));
        });
        connect(m_fader[d], &TempoFader::turned, this, [this, d](int notches) {
            // Up is slower, as the cap goes.
            m_console.setTempo(d, m_console.tempo(d) - notches * temporules::kStep);
        });
        connect(m_fader[d], &TempoFader::resetAsked, this, [this, d] { m_console.setTempo(d, 1.0); });
        m_tempoButtons[d] = new TempoButtons(accent, this);
        place(m_tempoButtons[d], djlayout::kTempoPanel[d]);
        connect(m_tempoButtons[d], &TempoButtons::keyLockClicked, this,
                [this, d] { m_console.setKeyLock(d, !m_console.keyLock(d)); });
        connect(m_tempoButtons[d], &TempoButtons::syncClicked, this, [this, d] { m_console.sync(d); });
        connect(m_tempoButtons[d], &TempoButtons::rangeClicked, this,
                [this, d] { m_console.setTempoRange(d, temporules::nextRange(m_console.tempoRange(d))); });
        connect(m_tempoButtons[d], &TempoButtons::nudged, this,
                [this, d](int direction) { m_console.nudge(d, direction); });
        showTempo(d);
    }
    connect(&console, &Console::tempoChanged, this, [this](int d) {
        showTempo(d);
        if (isVisible())
            tick();
    });
    m_master = new LevelMeter(engine.masterMeter(), skin::accentColour(mainlayout::Accent::Neutral),
                              QStringLiteral("M"), this);
    place(m_master, Item::MeterMaster);
    m_limiter = new Lamp(tr("LIMIT"), skin::warningColour(), this);
    place(m_limiter, Item::LimiterLight);
    connect(&console, &Console::deckLoaded, this, [this](int d) {
        if (isVisible())
            follow(d);
    });
    // More of a song came in: the strips show it even while nothing plays and the tick rests.
    auto more = [this](const QString& song) {
        for (int d = 0; d < 2; ++d)
            if (m_path[d] == song) {
                m_wave[d]->refresh();
                m_overview[d]->update();
            }
    };
    connect(&analysis, &platform::analysis::AnalysisService::progressed, this, more);
    connect(&analysis, &platform::analysis::AnalysisService::finished, this, more);
}

DjView::~DjView() = default;

void DjView::showTempo(int deck) {
    m_fader[deck]->setValue(temporules::faderValue(m_console.tempo(deck), m_console.tempoRange(deck)));
    m_tempoButtons[deck]->show({m_console.keyLock(deck), m_console.nudging(deck), m_console.tempoRange(deck),
                                temporules::tempoText(m_console.tempo(deck))});
}

void DjView::follow(int deck) {
    const platform::media::MediaPlayer& player = m_console.deck(deck);
    const QString path = player.hasMedia() ? player.fileName() : QString();
    if (path == m_path[deck])
        return;
    m_path[deck] = path;
    std::shared_ptr<const platform::analysis::Waveform> picture;
    if (!path.isEmpty())
        picture = m_analysis.waveform(path);
    m_picture[deck] = picture;
    m_wave[deck]->setWaveform(picture);
    m_overview[deck]->setWaveform(picture);
}

void DjView::tick() {
    const double seconds =
        m_sinceTick.isValid() ? std::min(kLongestStep, static_cast<double>(m_sinceTick.restart()) / 1000) : 0;
    if (!m_sinceTick.isValid())
        m_sinceTick.start();
    const double latency = m_engine.outputLatency();
    for (int d = 0; d < 2; ++d) {
        // The auto-mix loads the next song without a word: the tick looks.
        follow(d);
        const platform::media::MediaPlayer& player = m_console.deck(d);
        const PlayState state = player.state();
        const double length = player.length();
        const bool song = player.hasMedia() && length > 0;
        const double heard = song ? djrules::heardPosition(player.position(), latency,
                                                           state == PlayState::Playing, player.tempo())
                                  : 0;
        m_wave[d]->showMoment(heard);
        m_overview[d]->showPosition(heard, song ? length : 0);
        DeckState::View v;
        v.light = song ? lightOf(state) : djrules::Light::None;
        v.name = song ? m_console.songName(d) : tr("no song");
        if (song) {
            v.played = djrules::playedText(heard);
            v.left = djrules::leftText(length - heard);
            v.warning = djrules::leftIsWarning(length - heard, song);
            if (const auto beats = m_console.facts(d).beats)
                v.bpm = temporules::bpmText(temporules::playingBpm(beats->bpm, player.tempo()));
            v.taps = m_console.tapsShown(d, temporules::tapClock());
            v.level = djrules::levelText(m_console.levelGain(d));
        }
        m_state[d]->show(v);
        m_meter[d]->tick(seconds);
    }
    m_master->tick(seconds);
    m_limiter->setLit(m_engine.limiting());
}

bool DjView::atRest() const {
    for (int d = 0; d < 2; ++d)
        if (m_console.deck(d).state() == PlayState::Playing || !m_meter[d]->atRest())
            return false;
    return m_master->atRest();
}

void DjView::setZoom(double seconds) {
    m_zoom = djrules::zoomed(seconds, 0);
    for (WaveformStrip* w : m_wave)
        w->setSecondsAcross(m_zoom);
}

void DjView::zoomBy(int steps) {
    const double before = m_zoom;
    setZoom(djrules::zoomed(m_zoom, steps));
    if (m_zoom != before)
        emit zoomChanged(m_zoom);
}

void DjView::setScale(double scale) {
    if (scale == m_scale)
        return;
    m_scale = scale;
    setFixedSize(platform::toPixels({0, 0, djlayout::kWidth, djlayout::kHeight}, scale).size());
    for (int d = 0; d < 2; ++d) {
        place(m_wave[d], djlayout::kWave[d], scale);
        place(m_state[d], djlayout::kState[d], scale);
        place(m_overview[d], djlayout::kOverview[d], scale);
        place(m_meter[d], djlayout::kMeter[d], scale);
        place(m_fader[d], djlayout::kTempo[d], scale);
        place(m_tempoButtons[d], djlayout::kTempoPanel[d], scale);
        m_fader[d]->setScale(scale);
        m_tempoButtons[d]->setScale(scale);
        m_state[d]->setScale(scale);
        m_meter[d]->setScale(scale);
        place(m_sound[d], djlayout::kKnobs[d], scale);
        m_sound[d]->setScale(scale);
    }
    place(m_master, Item::MeterMaster, scale);
    m_master->setScale(scale);
    place(m_limiter, Item::LimiterLight, scale);
    m_limiter->setScale(scale);
    m_background = QPixmap();
    update();
}

void DjView::setSketch(bool on) {
    if (m_sketch == on)
        return;
    m_sketch = on;
    m_background = QPixmap();
    update();
}

void DjView::paintEvent(QPaintEvent* e) {
    if (m_background.isNull() || m_background.devicePixelRatio() != devicePixelRatioF())
        m_background = skin::djBackground(m_sketch, devicePixelRatioF(), m_scale);
    QPainter p(this);
    p.drawPixmap(e->rect(), m_background,
                 QRectF(QPointF(e->rect().topLeft()) * devicePixelRatioF(),
                        QSizeF(e->rect().size()) * devicePixelRatioF()));
}

void DjView::showEvent(QShowEvent*) {
    for (int d = 0; d < 2; ++d)
        follow(d);
    m_sinceTick.invalidate();
    tick();
}

} // namespace player
