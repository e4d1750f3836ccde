// Every word the program shows has the room it needs, at the fonts the program really gets and every size of
// the main window; CTest runs this program at scale 1 and again at QT_SCALE_FACTOR=1.5.
#include <QAbstractButton>
#include <QApplication>
#include <QCheckBox>
#include <QFontInfo>
#include <QGroupBox>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QRegularExpression>
#include <QStyleOptionButton>
#include <QTimer>
#include <cmath>
#include <gtest/gtest.h>

#include "console/windowsize.h"
#include "ui/windowplace.h"
#include "windowfixture.h"
#include "windows/aboutwindow.h"
#include "windows/addfolderwindow.h"
#include "windows/captionlabel.h"
#include "windows/clicklabel.h"
#include "windows/editorwindow.h"
#include "windows/searchwindow.h"
#include "windows/waitwindow.h"
#include "windows/welcomewindow.h"

using namespace player;

namespace {

QString plain(QString text) {
    return text.remove(QRegularExpression(QStringLiteral("&(?!&)")));
}

// What does not fit, one line per word: "<window>: <text> needs <w>x<h>, has <w>x<h>".
QStringList clippedIn(QWidget* window) {
    QStringList out;
    auto report = [&](const QString& text, QSizeF need, QSize room) {
        if (std::ceil(need.width()) > room.width() || std::ceil(need.height()) > room.height())
            out << QStringLiteral("%1: \"%2\" needs %3x%4, has %5x%6")
                       .arg(QString::fromLatin1(window->metaObject()->className()), text)
                       .arg(need.width())
                       .arg(need.height())
                       .arg(room.width())
                       .arg(room.height());
    };
    if (!window->windowFlags().testFlag(Qt::FramelessWindowHint) &&
        window->width() < platform::titleBarWidth(window->windowTitle()))
        out << QStringLiteral("title \"%1\" needs %2, window is %3")
                   .arg(window->windowTitle())
                   .arg(platform::titleBarWidth(window->windowTitle()))
                   .arg(window->width());
    for (QWidget* w : window->findChildren<QWidget*>()) {
        if (!w->isVisibleTo(window))
            continue;
        w->ensurePolished();
        const QFontMetricsF fm(w->font(), w);
        // Smaller than the skin's text size is as good as cut off.
        if (QFontInfo(w->font()).pixelSize() < 11 &&
            (qobject_cast<QLabel*>(w) || qobject_cast<QAbstractButton*>(w)))
            out << QStringLiteral("%1: a %2 px font")
                       .arg(w->objectName())
                       .arg(QFontInfo(w->font()).pixelSize());
        if (auto* label = qobject_cast<QLabel*>(w); label && !qobject_cast<CaptionLabel*>(w)) {
            if (label->text().isEmpty())
                continue;
            QRect room = label->contentsRect().adjusted(label->margin(), label->margin(), -label->margin(),
                                                        -label->margin());
            if (label->indent() > 0)
                room.adjust(label->indent(), 0, 0, 0);
            if (label->wordWrap()) {
                const QRectF need =
                    fm.boundingRect(QRectF(0, 0, room.width(), 1e6), Qt::TextWordWrap, label->text());
                report(label->text(), need.size(), room.size());
            } else {
                const QStringList lines = label->text().split(QRegularExpression(QStringLiteral("\r\n|\n")));
                qreal widest = 0;
                for (const QString& line : lines)
                    widest = std::max(widest, fm.horizontalAdvance(line));
                report(label->text(), {widest, fm.height() + (lines.size() - 1) * fm.lineSpacing()},
                       room.size());
            }
        } else if (auto* button = qobject_cast<QAbstractButton*>(w); button && !button->text().isEmpty()) {
            QStyleOptionButton opt;
            opt.initFrom(button);
            opt.text = button->text();
            const bool box = qobject_cast<QCheckBox*>(w) != nullptr;
            const QRect room = button->style()->subElementRect(
                box ? QStyle::SE_CheckBoxContents : QStyle::SE_PushButtonContents, &opt, button);
            report(button->text(), {fm.horizontalAdvance(plain(button->text())), fm.height()}, room.size());
        } else if (auto* frame = qobject_cast<QGroupBox*>(w); frame && !frame->title().isEmpty()) {
            // The title sits inside the frame's border with a little space on either side.
            report(frame->title(), {fm.horizontalAdvance(frame->title()) + 16, fm.height()}, frame->size());
        }
    }
    return out;
}

using TextRoom = WindowFixture;

} // namespace

// The measure below is only as good as the fonts: these are the ones a fresh machine of ours has.
TEST(TextRoomFonts, TheProgramGetsDejaVuSans) {
    EXPECT_EQ(QFontInfo(QApplication::font()).family(), QStringLiteral("DejaVu Sans"));
}

TEST_F(TextRoom, NoWindowCutsAWord) {
    QStringList clipped;

    WelcomeWindow welcome({});
    welcome.show();
    clipped << clippedIn(&welcome);

    AboutWindow about({});
    about.Timer2->stop();
    about.show();
    about.Label2->setText(QStringLiteral("12345")); // a counter of many runs
    clipped << clippedIn(&about);
    for (int i = 0; i < 101; ++i)
        about.Timer1_Timer();
    about.show();
    clipped << clippedIn(&about);

    w.show();
    ui.lblnrs->setText(QStringLiteral("Songs in list: 32767"));
    ui.lblsearch->setText(SearchWindow::kCancelSearch);
    ui.lblRec->setText(QStringLiteral("9:59:59")); // a night's set
    // At every size of the window: its fonts grow with its places, but not always in step.
    for (const int percent : windowsize::kSteps) {
        w.showAtSize(percent);
        for (const QString& cut : clippedIn(&w))
            clipped << QStringLiteral("at %1 %: ").arg(percent) + cut;
    }
    w.showAtSize(windowsize::kDesign);

    AddFolderWindow addDir(w.songList());
    addDir.show();
    addDir.lblSongs->setText(QStringLiteral("Songs in folder : 32767"));
    addDir.Frame1->show();
    addDir.Procent->setText(AddFolderWindow::percentText(2, 3));
    clipped << clippedIn(&addDir);

    SearchWindow search(ui.lstnames, ui.lblsearch);
    search.show();
    clipped << clippedIn(&search);

    EditorWindow editor(w.songList(), nullptr);
    editor.show();
    clipped << clippedIn(&editor);

    WaitWindow wait;
    wait.show();
    clipped << clippedIn(&wait);

    EXPECT_TRUE(clipped.isEmpty()) << clipped.join(QLatin1Char('\n')).toStdString();
}
